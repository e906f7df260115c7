// quorvantel-cli graph: the graph windows of a logging block as a PDF (one landscape A4 page per
// quantity, painted as Graph > Print paints them) or as PNG or SVG pictures.
#include "CliArgs.h"
#include "CliContext.h"
#include "CliDocument.h"
#include "Commands.h"

#include "chart/GraphChart.h"
#include "graph/GraphParameters.h"

#include <QDir>
#include <QFileInfo>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <memory>
#include <vector>

namespace qv::cli {
namespace {

constexpr const char* kHelp =
    "Usage: quorvantel-cli graph FILE --block N (--code C | --codes C1,C2,..) -o OUT\n"
    "                            [--units SI|US] [--size WxH]\n"
    "\n"
    "Draws quantities of a logging block of the results file FILE as the graph windows of the\n"
    "application show them: the Current, Minimum, Average and Maximum series the block logs,\n"
    "with the window's title, legend and axes. OUT's suffix chooses the kind: a PDF holds one\n"
    "landscape A4 page per quantity, each chart filling its page as Graph > Print prints it;\n"
    "PNG and SVG give one picture per quantity (OUT itself for one quantity, else OUT's name\n"
    "followed by -CODE for each).\n"
    "\n"
    "  -o, --output OUT     the .pdf, .png or .svg file to write (replaced only when the new\n"
    "                       one is complete)\n"
    "  --block N            the logging block, 1-based\n"
    "  --code C             a signal code 1..64 of the quantity to draw (any of its four)\n"
    "  --codes C1,C2,..     several quantities, in this order\n"
    "  --units U            SI or US (default: the block's own units)\n"
    "  --size WxH           the size of PNG and SVG pictures in pixels (default 1000x640);\n"
    "                       a PDF page is always A4\n";

// "1,5,57": the quantities of the codes in the order given, each once; nullopt for anything else.
std::optional<std::vector<int>> ParseQuantities(const QString& text) {
  std::vector<int> quantities;
  for (const QString& part : text.split(QLatin1Char(','))) {
    const std::optional<int> code = ParseCount(part.trimmed(), 1, 64);
    if (!code) return std::nullopt;
    const int q = (*code - 1) / 4 + 1;
    if (std::find(quantities.begin(), quantities.end(), q) == quantities.end())
      quantities.push_back(q);
  }
  if (quantities.empty()) return std::nullopt;
  return quantities;
}

// The file of quantity `q` when several are written: "out.png" -> "out-57.png" (its first code).
QString PictureName(const QString& output, int q, bool several) {
  if (!several) return output;
  const QFileInfo info(output);
  const QString name =
      info.completeBaseName() + QStringLiteral("-%1.").arg(4 * (q - 1) + 1) + info.suffix();
  return info.dir().filePath(name);
}

}  // namespace

int RunGraph(const QStringList& args) {
  int exitCode = kExitOk;
  const std::optional<ParsedArgs> parsed =
      ParseCommandArgs("graph", args, {{"o"}, {"block"}, {"code"}, {"codes"}, {"units"}, {"size"}},
                       kHelp, &exitCode);
  if (!parsed) return exitCode;
  QString input, output;
  if (!InputAndOutput("graph", *parsed, "draw", &input, &output)) return kExitUsage;

  const QString suffix = QFileInfo(output).suffix().toLower();
  if (suffix != QLatin1String("pdf") && suffix != QLatin1String("png") &&
      suffix != QLatin1String("svg")) {
    UsageError("graph",
               "the output must end in .pdf, .png or .svg, not \"" + output.toStdString() + "\"");
    return kExitUsage;
  }
  const std::optional<QString> blockText = parsed->Value("block");
  const std::optional<int> block = blockText ? ParseCount(*blockText, 1, 65535) : std::nullopt;
  if (!block) {
    UsageError("graph", blockText ? "--block must be a block number from 1, not \"" +
                                        blockText->toStdString() + "\""
                                  : std::string("--block N is missing"));
    return kExitUsage;
  }
  if (parsed->Has("code") == parsed->Has("codes")) {
    UsageError("graph", "give the quantity with --code C or the quantities with --codes C1,C2,..");
    return kExitUsage;
  }
  const QString codesText =
      parsed->Value(parsed->Has("code") ? "code" : "codes").value_or(QString());
  const std::optional<std::vector<int>> quantities = ParseQuantities(codesText);
  if (!quantities || (parsed->Has("code") && codesText.contains(QLatin1Char(',')))) {
    UsageError("graph", std::string(parsed->Has("code") ? "--code" : "--codes") +
                            " takes signal codes 1..64 of logged quantities, not \"" +
                            codesText.toStdString() + "\"");
    return kExitUsage;
  }
  const std::optional<QString> unitsText = parsed->Value("units");
  if (unitsText && *unitsText != QLatin1String("SI") && *unitsText != QLatin1String("US")) {
    UsageError("graph", "--units must be SI or US, not \"" + unitsText->toStdString() + "\"");
    return kExitUsage;
  }
  QSize size(1000, 640);
  if (const std::optional<QString> sizeText = parsed->Value("size")) {
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^(\\d{2,5})x(\\d{2,5})$")).match(*sizeText);
    const int w = m.hasMatch() ? m.captured(1).toInt() : 0;
    const int h = m.hasMatch() ? m.captured(2).toInt() : 0;
    if (w < 200 || h < 150 || w > 10000 || h > 10000) {
      UsageError("graph",
                 "--size must be WIDTHxHEIGHT in pixels, from 200x150 to 10000x10000, "
                 "not \"" +
                     sizeText->toStdString() + "\"");
      return kExitUsage;
    }
    size = QSize(w, h);
  }

  CliContext context;
  DocumentWorkspace workspace(context.Texts());
  Document& doc = workspace.Doc();
  if (!OpenDocument(context, input, workspace)) return kExitFailed;
  if (!doc.LoggerDataLoaded()) {
    context.Error("graph draws logging data; this file holds tests");
    return kExitFailed;
  }
  if (!ShowBlock(context, workspace, *block)) return kExitFailed;
  const TLoggerRecord& current = *doc.Current();
  const GraphParameters& drawable = workspace.GraphAvailability();
  for (const int q : *quantities) {
    if (!drawable[static_cast<size_t>(q)].Enabled) {
      context.Error("block " + std::to_string(*block) + " has no values of " +
                    context.ForTerminal(context.Translate(GraphQuantityOf(q)->CaptionKey)) +
                    " (codes " + std::to_string(4 * q - 3) + ".." + std::to_string(4 * q) + ")");
      return kExitUsage;
    }
  }
  const std::string units =
      unitsText ? unitsText->toStdString() : (current.UnitSystem == "US" ? "US" : "SI");

  std::vector<std::unique_ptr<TGraphChart>> charts;
  for (const int q : *quantities) {
    charts.push_back(std::make_unique<TGraphChart>(
        ChartTextsFor(q, units, context.Texts(), context.Codec()), current, q, units));
    charts.back()->resize(size);
    charts.back()->replot(QCustomPlot::rpImmediateRefresh);
  }

  if (suffix == QLatin1String("pdf")) {
    QSaveFile file(output);
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok) {
      QPdfWriter pdf(&file);
      pdf.setCreator(QStringLiteral("quorvantel-cli"));
      pdf.setPageSize(QPageSize(QPageSize::A4));
      pdf.setPageOrientation(QPageLayout::Landscape);
      pdf.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
      std::vector<TGraphChart*> pages;
      for (const auto& chart : charts)
        pages.push_back(chart.get());
      ok = PrintCharts(pages, pdf);
    }
    if (!ok || !file.commit()) {
      context.Error(output.toStdString() +
                    " could not be written: " + file.errorString().toStdString());
      return kExitFailed;
    }
    return kExitOk;
  }
  for (size_t i = 0; i < charts.size(); ++i) {
    const QString path = PictureName(output, (*quantities)[i], charts.size() > 1);
    QString error;
    if (!SaveChartImage(*charts[i], path, size, &error)) {
      context.Error(error.toStdString());
      return kExitFailed;
    }
  }
  return kExitOk;
}

}  // namespace qv::cli

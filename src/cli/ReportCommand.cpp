// quorvantel-cli report: the printed report of a results file as a PDF, painted as File > Print
// Preview of the application paints it, with the header texts the file carries.
#include "CliArgs.h"
#include "CliContext.h"
#include "CliDocument.h"
#include "Commands.h"

#include "format/DateTimeText.h"
#include "report/ReportPainter.h"
#include "store/SignalCatalog.h"

#include <algorithm>

namespace qv::cli {
namespace {

constexpr const char* kHelp =
    "Usage: quorvantel-cli report FILE -o OUT.pdf [--node all|B|B/R] [--codes C1,C2,..]\n"
    "                             [--units SI|US]\n"
    "\n"
    "Writes the printed report of the tests of a tree node of the results file FILE as a PDF\n"
    "(A4): the header texts stored in the file, one row per test with its location, begin and\n"
    "end time and the values of up to four signal codes, the comments and the footer. Files\n"
    "of logging blocks have their own report: see 'quorvantel-cli survey'.\n"
    "\n"
    "  -o, --output OUT     the PDF file to write (replaced only when the new one is complete)\n"
    "  --node N             all (default), building number B, or room R of building B as B/R\n"
    "  --codes C1,C2,..     up to four signal codes 1..68 for the value columns; without it,\n"
    "                       the first four codes the node's tests carry\n"
    "  --units U            display unit system: SI (default) or US\n";

constexpr size_t kMaxCodes = 4;

// "1,5,45": codes in ascending order without repeats; nullopt for anything else.
std::optional<std::vector<int>> ParseCodes(const QString& text) {
  std::vector<int> codes;
  for (const QString& part : text.split(QLatin1Char(','))) {
    const std::optional<int> code = ParseCount(part.trimmed(), 1, kMaxSignalCode);
    if (!code) return std::nullopt;
    codes.push_back(*code);
  }
  std::sort(codes.begin(), codes.end());
  codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
  if (codes.empty() || codes.size() > kMaxCodes) return std::nullopt;
  return codes;
}

}  // namespace

int RunReport(const QStringList& args) {
  int exitCode = kExitOk;
  const std::optional<ParsedArgs> parsed =
      ParseCommandArgs("report", args, {{"o"}, {"node"}, {"codes"}, {"units"}}, kHelp, &exitCode);
  if (!parsed) return exitCode;
  QString input, output;
  if (!InputAndOutput("report", *parsed, "report", &input, &output)) return kExitUsage;

  const QString units = parsed->Value("units").value_or(QStringLiteral("SI"));
  if (units != QLatin1String("SI") && units != QLatin1String("US")) {
    UsageError("report", "--units must be SI or US, not \"" + units.toStdString() + "\"");
    return kExitUsage;
  }
  const std::optional<QString> nodeText = parsed->Value("node");
  std::optional<TreeNode> node = TreeNode{};
  if (nodeText) {
    node = ParseTreeNode(*nodeText);
    if (!node) {
      UsageError("report", "--node must be all, a building number B or B/R, not \"" +
                               nodeText->toStdString() + "\"");
      return kExitUsage;
    }
  }
  std::optional<std::vector<int>> codes;
  if (const std::optional<QString> codesText = parsed->Value("codes")) {
    codes = ParseCodes(*codesText);
    if (!codes) {
      UsageError("report", "--codes must be one to four signal codes 1..68 such as 1,5,45, not \"" +
                               codesText->toStdString() + "\"");
      return kExitUsage;
    }
  }

  CliContext context;
  DocumentWorkspace workspace(context.Texts());
  Document& doc = workspace.Doc();
  if (!OpenDocument(context, input, workspace)) return kExitFailed;
  if (!doc.ResultsDataLoaded()) {
    // The printed report lists tests; say why a logging file has none to show.
    std::string text = context.ForTerminal(context.Translate("msgNoDataToPrew_35"));
    if (doc.LoggerDataLoaded()) {
      text += " " + LocalPath(input) +
              " holds logging blocks; the report covers results (tests) only. A logging "
              "block's report is the survey: quorvantel-cli survey FILE --block N -o OUT.pdf";
    }
    context.Error(text);
    return kExitFailed;
  }
  if (!SelectTreeNode(context, doc, *node)) return kExitFailed;
  if (!ResultsTableShows(context, doc)) return kExitFailed;
  if (codes) {
    doc.ReportCodes = *codes;
  } else {
    doc.ReportCodes.clear();
    for (int c = 1; c <= doc.ColumnCount && doc.ReportCodes.size() < kMaxCodes; ++c)
      doc.ReportCodes.push_back(doc.ColumnSignals[static_cast<size_t>(c)]);
    std::sort(doc.ReportCodes.begin(), doc.ReportCodes.end());
  }

  ReportSource source;
  source.Doc = &doc;
  source.Header = &workspace.Report();
  source.Texts = &context.Texts();
  source.Codec = &context.Codec();
  source.DisplayUnits = units.toStdString();
  source.DecimalSeparator = context.DecimalSeparator();
  source.Now = Now();
  source.LocaleName = context.LocaleName();
  const Outcome written = WriteReportPdf(output, source);
  if (!written.ok()) {
    context.ReportFailure(written, output);
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace qv::cli

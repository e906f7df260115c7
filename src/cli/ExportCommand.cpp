// quorvantel-cli export: File > Export with a tree node selected or a logging block current.
#include "CliArgs.h"
#include "CliContext.h"
#include "CliDocument.h"
#include "Commands.h"

#include "files/DataExport.h"
#include "files/TextExport.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace qv::cli {
namespace {

constexpr const char* kHelp =
    "Usage: quorvantel-cli export FILE -o OUT [--format text|csv|json]\n"
    "                             [--delimiter tab|semicolon] [--eol crlf|cr|lf] [--no-bom]\n"
    "                             [--units SI|US] [--node all|B|B/R] [--block N]\n"
    "\n"
    "Writes what File > Export of the application writes for the results file FILE: the tests\n"
    "of a tree node, or the samples of one logging block, as delimited text.\n"
    "\n"
    "  -o, --output OUT     the text file to write; - writes to standard output\n"
    "  --format F           text (default): the delimited text above, in the file's code page;\n"
    "                       csv: RFC 4180 CSV in UTF-8 (comma, ISO 8601 times, \".\" decimals,\n"
    "                       units in the header, a marked value as text such as \"> 60.0\", no\n"
    "                       value as an empty cell); json: the whole document for scripts\n"
    "  --no-bom             csv: no byte order mark at the start\n"
    "  --delimiter D        tab (default) or semicolon\n"
    "  --eol E              crlf (default), cr or lf\n"
    "  --units U            display unit system: SI (default) or US\n"
    "  --node N             results: all (default), building number B, or room R of building\n"
    "                       B as B/R\n"
    "  --block N            logging: the block to export, 1-based (default 1)\n"
    "\n"
    "Text output uses the decimal separator of the locale (LC_NUMERIC); csv and json use \".\".\n";

}  // namespace

int RunExport(const QStringList& args) {
  int exitCode = kExitOk;
  const std::optional<ParsedArgs> parsed = ParseCommandArgs("export", args,
                                                            {{"o"},
                                                             {"format"},
                                                             {"delimiter"},
                                                             {"eol"},
                                                             {"units"},
                                                             {"node"},
                                                             {"block"},
                                                             {"no-bom", false}},
                                                            kHelp, &exitCode);
  if (!parsed) return exitCode;
  QString input, output;
  if (!InputAndOutput("export", *parsed, "export", &input, &output, true)) return kExitUsage;

  const QString format = parsed->Value("format").value_or(QStringLiteral("text"));
  if (format != QLatin1String("text") && format != QLatin1String("csv") &&
      format != QLatin1String("json")) {
    UsageError("export",
               "--format must be text, csv or json, not \"" + format.toStdString() + "\"");
    return kExitUsage;
  }
  ExportOptions options;
  const QString delimiter = parsed->Value("delimiter").value_or(QStringLiteral("tab"));
  if (delimiter == QLatin1String("tab")) {
    options.delimiter = ExportDelimiter::Tab;
  } else if (delimiter == QLatin1String("semicolon")) {
    options.delimiter = ExportDelimiter::Semicolon;
  } else {
    UsageError("export",
               "--delimiter must be tab or semicolon, not \"" + delimiter.toStdString() + "\"");
    return kExitUsage;
  }
  const QString eol = parsed->Value("eol").value_or(QStringLiteral("crlf"));
  if (eol == QLatin1String("crlf")) {
    options.lineEnd = ExportLineEnd::CrLf;
  } else if (eol == QLatin1String("cr")) {
    options.lineEnd = ExportLineEnd::Cr;
  } else if (eol == QLatin1String("lf")) {
    options.lineEnd = ExportLineEnd::Lf;
  } else {
    UsageError("export", "--eol must be crlf, cr or lf, not \"" + eol.toStdString() + "\"");
    return kExitUsage;
  }
  const QString units = parsed->Value("units").value_or(QStringLiteral("SI"));
  if (units != QLatin1String("SI") && units != QLatin1String("US")) {
    UsageError("export", "--units must be SI or US, not \"" + units.toStdString() + "\"");
    return kExitUsage;
  }
  options.displayUnits = units.toStdString();
  const std::optional<QString> nodeText = parsed->Value("node");
  std::optional<TreeNode> node = TreeNode{};
  if (nodeText) {
    node = ParseTreeNode(*nodeText);
    if (!node) {
      UsageError("export", "--node must be all, a building number B or B/R, not \"" +
                               nodeText->toStdString() + "\"");
      return kExitUsage;
    }
  }
  const std::optional<QString> blockText = parsed->Value("block");
  std::optional<int> block = 1;
  if (blockText) {
    block = ParseCount(*blockText, 1, 65535);
    if (!block) {
      UsageError("export",
                 "--block must be a block number from 1, not \"" + blockText->toStdString() + "\"");
      return kExitUsage;
    }
  }

  CliContext context;
  options.decimalSeparator = context.DecimalSeparator();
  options.codePage = context.Codec().CodePage();
  DocumentWorkspace workspace(context.Texts());
  Document& doc = workspace.Doc();
  if (!OpenDocument(context, input, workspace)) return kExitFailed;

  if (doc.ResultsDataLoaded()) {
    if (blockText) {
      UsageError("export", "--block applies to files of logging data; this file holds tests");
      return kExitUsage;
    }
    if (!SelectTreeNode(context, doc, *node)) return kExitFailed;
    if (!ResultsTableShows(context, doc)) return kExitFailed;
  } else if (doc.LoggerDataLoaded()) {
    if (nodeText) {
      UsageError("export", "--node applies to files of tests; this file holds logging data");
      return kExitUsage;
    }
    if (!ShowBlock(context, workspace, *block)) return kExitFailed;
  }

  DataExportOptions data;
  data.displayUnits = options.displayUnits;
  data.byteOrderMark = !parsed->Has("no-bom");
  data.codePage = options.codePage;
  const DataFormat dataFormat = format == QLatin1String("csv") ? DataFormat::Csv : DataFormat::Json;
  Outcome written;
  if (output == QLatin1String("-")) {
    StdioSink out(stdout);
    written = format == QLatin1String("text")
                  ? ExportTable(out, doc, context.Texts(), options)
                  : ExportData(out, dataFormat, doc, context.Texts(), data);
    if (written.ok() && !out.Finish()) {
      context.Error(std::string("standard output: ") + std::strerror(errno));
      return kExitFailed;
    }
  } else if (format == QLatin1String("text")) {
    written = ExportTable(output, doc, context.Texts(), options);
  } else {
    written = ExportData(output, dataFormat, doc, context.Texts(), data);
  }
  if (!written.ok()) {
    context.ReportFailure(written, output);
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace qv::cli

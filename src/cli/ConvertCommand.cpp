// quorvantel-cli convert: File > Save Logger as Results (a whole block) or the table's
// "save selection as results" (a range of samples) for a logging file.
#include "CliArgs.h"
#include "CliContext.h"
#include "CliDocument.h"
#include "Commands.h"

#include "files/LoggerAsResults.h"

#include <cstdint>
#include <cstdio>

namespace qv::cli {
namespace {

constexpr const char* kHelp =
    "Usage: quorvantel-cli convert FILE --block N [--range FIRST-LAST] -o OUT\n"
    "\n"
    "Saves the samples of a logging block of the results file FILE as tests, one test per\n"
    "sample, in the results file OUT (at most 1500 samples at once).\n"
    "\n"
    "  --block N            the logging block, 1-based\n"
    "  --range FIRST-LAST   only samples FIRST to LAST (1-based); default: the whole block\n"
    "  -o, --output OUT     the results file to write\n";

struct SampleRange {
  int first = 0;
  int last = 0;
};

std::optional<SampleRange> ParseRange(const QString& text) {
  const QStringList parts = text.split(QLatin1Char('-'));
  if (parts.size() != 2) return std::nullopt;
  const std::optional<int> first = ParseCount(parts.at(0), 1, INT32_MAX);
  const std::optional<int> last = ParseCount(parts.at(1), 1, INT32_MAX);
  if (!first || !last || *last < *first) return std::nullopt;
  return SampleRange{*first, *last};
}

}  // namespace

int RunConvert(const QStringList& args) {
  int exitCode = kExitOk;
  const std::optional<ParsedArgs> parsed =
      ParseCommandArgs("convert", args, {{"o"}, {"block"}, {"range"}}, kHelp, &exitCode);
  if (!parsed) return exitCode;
  QString input, output;
  if (!InputAndOutput("convert", *parsed, "convert", &input, &output)) return kExitUsage;
  const std::optional<QString> blockText = parsed->Value("block");
  if (!blockText) {
    UsageError("convert", "--block N is required");
    return kExitUsage;
  }
  const std::optional<int> block = ParseCount(*blockText, 1, 65535);
  if (!block) {
    UsageError("convert",
               "--block must be a block number from 1, not \"" + blockText->toStdString() + "\"");
    return kExitUsage;
  }
  std::optional<SampleRange> range;
  if (const std::optional<QString> rangeText = parsed->Value("range")) {
    range = ParseRange(*rangeText);
    if (!range) {
      UsageError("convert", "--range must be FIRST-LAST with 1 <= FIRST <= LAST, not \"" +
                                rangeText->toStdString() + "\"");
      return kExitUsage;
    }
  }

  CliContext context;
  DocumentWorkspace workspace(context.Texts());
  Document& doc = workspace.Doc();
  if (!OpenDocument(context, input, workspace)) return kExitFailed;
  if (!doc.LoggerDataLoaded()) {
    UsageError("convert", "this file holds no logging data");
    return kExitFailed;
  }
  if (!ShowBlock(context, workspace, *block)) return kExitFailed;

  ConvertedResults converted = range
                                   ? ConvertSamplesToResults(doc, doc.CurrentBlock, range->first,
                                                             range->last, context.Texts())
                                   : ConvertBlockToResults(doc, doc.CurrentBlock, context.Texts());
  if (!converted.outcome.ok()) {
    context.ErrorBytes(converted.outcome.message);
    return kExitFailed;
  }
  SaveOptions options;
  options.decimalSeparator = context.DecimalSeparator();
  options.codePage = context.Codec().CodePage();
  const Outcome saved = SaveResultsFile(output, converted.doc, context.Texts(), options);
  if (!saved.ok()) {
    context.ReportFailure(saved, output);
    return kExitFailed;
  }
  std::fprintf(stderr, "%d tests saved to %s\n", converted.doc.TestCount(),
               LocalPath(output).c_str());
  return kExitOk;
}

}  // namespace qv::cli

// quorvantel-cli info: what a results file holds, in the order the application shows it.
#include "CliArgs.h"
#include "CliContext.h"
#include "CliDocument.h"
#include "Commands.h"

#include "files/DataExport.h"
#include "format/DateTimeText.h"

#include <algorithm>
#include <cstdio>

namespace qv::cli {
namespace {

constexpr const char* kHelp =
    "Usage: quorvantel-cli info FILE [--json [--units SI|US]]\n"
    "\n"
    "Shows the instrument identification of the results file FILE, whether it holds tests or\n"
    "logging blocks, and for each test or block its sample count, interval, start, building,\n"
    "room and signal codes. Tests are listed in the order of the application's table (by\n"
    "building and room number).\n"
    "\n"
    "  --json               the whole document as JSON on standard output, for scripts:\n"
    "                       instrument, kind, and every test with its values or every block\n"
    "                       with its samples (numbers in the display units, null for none)\n"
    "  --units U            with --json: display unit system SI (default) or US\n";

// "2007-02-28 14:35:09".
std::string IsoTime(DateTime t) {
  const DateTimeParts p = DecodeDateTime(t);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour,
                p.minute, p.second);
  return text;
}

template <typename Codes>
std::string CodeList(const Codes& present, int last) {
  std::string list;
  for (int code = 1; code <= last; ++code) {
    if (present[static_cast<size_t>(code)] == 0) continue;
    if (!list.empty()) list += ',';
    list += std::to_string(code);
  }
  return list.empty() ? "none" : list;
}

// The block's columns: its signal list in order.
std::string BlockCodes(const TLoggerRecord& b) {
  std::string list;
  const int count = std::min(b.SignalCount, kLoggerSignals);
  for (int i = 0; i < count; ++i) {
    if (!list.empty()) list += ',';
    list += std::to_string(b.SignalCodes[static_cast<size_t>(i)]);
  }
  return list.empty() ? "none" : list;
}

}  // namespace

int RunInfo(const QStringList& args) {
  int exitCode = kExitOk;
  const std::optional<ParsedArgs> parsed =
      ParseCommandArgs("info", args, {{"json", false}, {"units"}}, kHelp, &exitCode);
  if (!parsed) return exitCode;
  if (parsed->Positionals().size() != 1) {
    UsageError("info", parsed->Positionals().isEmpty() ? "the results file is missing"
                                                       : "give one results file");
    return kExitUsage;
  }

  const QString units = parsed->Value("units").value_or(QStringLiteral("SI"));
  if (units != QLatin1String("SI") && units != QLatin1String("US")) {
    UsageError("info", "--units must be SI or US, not \"" + units.toStdString() + "\"");
    return kExitUsage;
  }
  if (parsed->Has("units") && !parsed->Has("json")) {
    UsageError("info", "--units applies to --json output");
    return kExitUsage;
  }

  CliContext context;
  DocumentWorkspace workspace(context.Texts());
  Document& doc = workspace.Doc();
  if (!OpenDocument(context, parsed->Positionals().first(), workspace)) return kExitFailed;
  if (parsed->Has("json")) {
    DataExportOptions options;
    options.displayUnits = units.toStdString();
    options.codePage = context.Codec().CodePage();
    // Written as it is made: a file of 65536 tests never becomes one text in memory.
    StdioSink out(stdout);
    WriteJson(out, doc, context.Texts(), options);
    return out.Finish() ? kExitOk : kExitFailed;
  }

  const TInstrumentData& info = doc.InstrumentInfo;
  auto text = [&](const Bytes& b) { return context.ForTerminal(b); };
  context.Out("Instrument type: " + text(info.InstrumentType));
  context.Out("Model code: " + text(info.InstrumentCode));
  context.Out("Serial number: " + text(info.SerialNumber));
  context.Out("Producer: " + text(info.Producer));
  context.Out("Firmware: " + text(info.FirmwareVersion));

  if (doc.ResultsDataLoaded()) {
    context.Out("Kind: results, " + std::to_string(doc.AllTests.size()) + " tests");
    int n = 0;
    for (const TTestsRecord& t : doc.AllTests) {
      context.Out("Test " + std::to_string(++n) + ": building " + std::to_string(t.BuildingNo) +
                  " \"" + text(t.BuildingName) + "\", room " + std::to_string(t.RoomNo) + " \"" +
                  text(t.RoomName) + "\", begin " + IsoTime(t.BeginTime) + ", end " +
                  IsoTime(t.EndTime) + ", units " + text(t.UnitSystem) + ", signals " +
                  CodeList(t.SignalPresent, kMaxSignalCode));
    }
  } else if (doc.LoggerDataLoaded()) {
    context.Out("Kind: logging, " + std::to_string(doc.LoggerBlocks.size()) + " blocks");
    int n = 0;
    for (const TLoggerRecord& b : doc.LoggerBlocks) {
      context.Out("Block " + std::to_string(++n) + ": " + std::to_string(b.SampleCount) +
                  " samples, interval " + std::to_string(b.IntervalSec) + " s, start " +
                  IsoTime(b.BeginTime) + ", building \"" + text(b.BuildingName) + "\", room \"" +
                  text(b.RoomName) + "\", units " + text(b.UnitSystem) + ", signals " +
                  BlockCodes(b));
    }
  } else {
    context.Out("Kind: none (the file holds no measurements)");
  }
  return kExitOk;
}

}  // namespace qv::cli

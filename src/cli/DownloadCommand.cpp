// quorvantel-cli download: the application's Instrument > DownLoad followed by File > Save As.
#include "CliArgs.h"
#include "CliContext.h"
#include "CliDownloadHost.h"
#include "Commands.h"

#include "download/DownloadEngine.h"
#include "files/OutputSink.h"
#include "files/ResultsFile.h"
#include "files/SafeWrite.h"
#include "link/Link.h"
#include "link/LinkTrace.h"
#include "link/PortChoice.h"
#include "memimage/MemoryImage.h"
#include "print/HeaderSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <optional>

namespace qv::cli {
namespace {

constexpr const char* kHelp =
    "Usage: quorvantel-cli download --port DEVICE [--baud RATE] --memory results|logging\n"
    "                               [--blocks all|N[,N...]] [--trace TRACE]\n"
    "                               [--timeout SECONDS] [--strict] -o FILE\n"
    "\n"
    "Reads a memory of the instrument on DEVICE and saves it as a results file, exactly as\n"
    "File > Save As of the application saves it right after the same download: with the\n"
    "print header and probe texts stored as current in the settings and an empty comment.\n"
    "\n"
    "  --port DEVICE    serial device of the instrument (RS-232 port, USB serial adapter or\n"
    "                   an emulator's pseudo-terminal)\n"
    "  --baud RATE      line speed; default: the rate chosen in the application\n"
    "  --memory MEMORY  results (the tests) or logging (logging blocks)\n"
    "  --blocks LIST    logging blocks to read, 1-based in directory order: all (default) or\n"
    "                   numbers separated by commas\n"
    "  -o, --output FILE  the results file to write\n"
    "  --trace TRACE    write every byte each way, with the time and the protocol step\n"
    "                   (command, acknowledgement, page, resend, time-out), to TRACE as text,\n"
    "                   as the transfer goes; also when the download fails or is cancelled\n"
    "  --timeout SECONDS  give up on a silent instrument after SECONDS (1..3456) at the\n"
    "                   latest. Default: the protocol's own limits: identification 4.32 s,\n"
    "                   a command resent for up to 3456 s (57.6 minutes) until acknowledged,\n"
    "                   a block at least 2.592 s and longer the slower the line\n"
    "  --strict         exit with status 3 when pages stayed damaged (the file is written\n"
    "                   all the same)\n"
    "\n"
    "A page whose byte sum is wrong is asked for again, up to 3 times in all. A results page\n"
    "that stays damaged is named on stderr: its test is missing from the file. Logging pages\n"
    "that stay damaged are counted on stderr: their samples read 0. The file holds every good\n"
    "test or sample; the exit status stays 0 unless --strict is given.\n"
    "\n"
    "Progress goes to stderr; in a log (not a terminal) a silent instrument is reported after\n"
    "10 s and again every 60 s. Ctrl+C, SIGTERM and SIGHUP cancel: the link is closed, the\n"
    "trace written, nothing else; the exit status is 130, 143 or 129.\n"
    "\n"
    "Exit status: 0 saved, 1 failed, 2 usage, 3 saved with damaged pages (--strict),\n"
    "128 + the signal's number when cancelled.\n";

constexpr const char* kDumpHelp =
    "Usage: quorvantel-cli dump --port DEVICE [--baud RATE] --memory results|logging\n"
    "                           [--blocks all|N[,N...]] [--trace TRACE] -o FILE\n"
    "\n"
    "Reads a memory of the instrument on DEVICE as the download does and saves what came over\n"
    "the wire, undecoded: the settings block, the memory directory and every page read, pages\n"
    "whose byte sum is wrong included as they arrived (they are listed on stderr). The file is\n"
    "a memory image that quorvantel-emulator --memory FILE serves again, so that a download\n"
    "can be repeated on a desk without the instrument.\n"
    "\n"
    "  Options as for download; -o names the memory image to write. A page still damaged\n"
    "  after the resends is kept as it arrived; --strict then exits with status 3.\n";

// The wire's bytes, kept for the memory image.
class ImageCapture : public MemoryCapture {
 public:
  void SettingsBlock(const std::string& bytes) override {
    image.settings.assign(bytes.begin(), bytes.end());
  }
  void Directory(const std::string& bytes) override {
    image.directory.assign(bytes.begin(), bytes.end());
  }
  void Page(uint32_t address, const uint8_t* bytes, bool sumHolds) override {
    emu::Page& page = image.pages[static_cast<int>(address)];
    std::copy(bytes, bytes + page.size(), page.begin());
    if (!sumHolds) badPages.push_back(address);
  }
  emu::MemoryImage image;
  std::vector<uint32_t> badPages;
};

// The protocol's longest limit, a command resent for 0.04 day: a longer --timeout would change
// nothing.
constexpr int kLongestTimeout = 3456;

std::string SignalName(int signal) {
  switch (signal) {
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP";
    default:
      return "signal " + std::to_string(signal);
  }
}

// "all" -> empty; "1,3" -> {1, 3}.
std::optional<std::vector<int>> ParseBlocks(const QString& text) {
  std::vector<int> blocks;
  if (text.trimmed() == QLatin1String("all")) return blocks;
  for (const QString& part : text.split(QLatin1Char(','))) {
    const std::optional<int> n = ParseCount(part, 1, 63);
    if (!n) return std::nullopt;
    blocks.push_back(*n);
  }
  return blocks;
}

}  // namespace

int Transfer(const QStringList& args, const char* command, bool dump) {
  int exitCode = kExitOk;
  const std::optional<ParsedArgs> parsed = ParseCommandArgs(command, args,
                                                            {{"port"},
                                                             {"baud"},
                                                             {"memory"},
                                                             {"blocks"},
                                                             {"o"},
                                                             {"trace"},
                                                             {"timeout"},
                                                             {"strict", false}},
                                                            dump ? kDumpHelp : kHelp, &exitCode);
  if (!parsed) return exitCode;
  if (!parsed->Positionals().isEmpty()) {
    UsageError("download",
               "unexpected argument \"" + parsed->Positionals().first().toStdString() + "\"");
    return kExitUsage;
  }
  const std::optional<QString> port = parsed->Value("port");
  const std::optional<QString> memoryText = parsed->Value("memory");
  const std::optional<QString> output = parsed->Value("o");
  if (!port || port->isEmpty()) {
    UsageError("download", "--port DEVICE is required");
    return kExitUsage;
  }
  if (!memoryText) {
    UsageError("download", "--memory results|logging is required");
    return kExitUsage;
  }
  if (!output || output->isEmpty()) {
    UsageError("download", "-o FILE is required");
    return kExitUsage;
  }
  MemoryChoice memory = MemoryChoice::Results;
  if (*memoryText == QLatin1String("logging")) {
    memory = MemoryChoice::Logging;
  } else if (*memoryText != QLatin1String("results")) {
    UsageError("download",
               "--memory must be results or logging, not \"" + memoryText->toStdString() + "\"");
    return kExitUsage;
  }
  std::vector<int> blocks;
  if (const std::optional<QString> blocksText = parsed->Value("blocks")) {
    if (memory != MemoryChoice::Logging) {
      UsageError("download", "--blocks applies to the logging memory only");
      return kExitUsage;
    }
    const std::optional<std::vector<int>> list = ParseBlocks(*blocksText);
    if (!list) {
      UsageError("download",
                 "--blocks must be all or block numbers 1..63 separated by commas, not \"" +
                     blocksText->toStdString() + "\"");
      return kExitUsage;
    }
    blocks = *list;
  }
  std::optional<int> baud;
  if (const std::optional<QString> baudText = parsed->Value("baud")) {
    baud = ParseCount(*baudText, 50, 4000000);
    if (!baud) {
      UsageError("download", "--baud must be a line speed in bits per second, not \"" +
                                 baudText->toStdString() + "\"");
      return kExitUsage;
    }
  }
  std::optional<int> timeout;
  if (const std::optional<QString> timeoutText = parsed->Value("timeout")) {
    timeout = ParseCount(*timeoutText, 1, kLongestTimeout);
    if (!timeout) {
      UsageError("download", "--timeout must be a number of seconds from 1 to " +
                                 std::to_string(kLongestTimeout) + ", not \"" +
                                 timeoutText->toStdString() + "\"");
      return kExitUsage;
    }
  }
  const bool strict = parsed->Has("strict");
  // A download can take minutes: a file that cannot be written is better known before.
  const QFileInfo target(*output);
  if (!target.absoluteDir().exists()) {
    UsageError("download", "the folder of " + LocalPath(*output) + " does not exist");
    return kExitUsage;
  }
  if (target.isDir()) {
    UsageError("download", LocalPath(*output) + " is a folder");
    return kExitUsage;
  }
  {
    // A finished transfer must not be lost to a folder that cannot take the file: a file is
    // created and removed there before the instrument is asked for anything.
    QTemporaryFile probe(target.absoluteDir().filePath(QStringLiteral(".quorvantel-XXXXXX")));
    if (!probe.open()) {
      std::fprintf(stderr, "quorvantel-cli: %s cannot be written: %s\n", LocalPath(*output).c_str(),
                   probe.errorString().toLocal8Bit().constData());
      return kExitFailed;
    }
  }

  CliContext context;
  if (!baud) {
    PortChoice choice;
    LoadPortChoice(context.Settings(), choice);
    baud = choice.BaudRateValue();
  }

  DocumentWorkspace workspace(context.Texts());
  Document& doc = workspace.Doc();
  CliDownloadHost host(context, memory, blocks);
  // The device named on the command line is the one used: no search for a USB bridge.
  Link link(host, NoFtdi());
  link.SetSerialPort(LocalPath(*port), *baud);
  if (timeout) link.SetTimings(link.Timings().Within(std::chrono::seconds(*timeout)));
  CatchInterrupt(&link);

  // The trace goes to its file as the transfer goes, which takes its place at the end.
  LinkTrace trace;
  const std::optional<QString> tracePath = parsed->Value("trace");
  std::optional<SafeFileSink> traceFile;
  if (tracePath) {
    traceFile.emplace(*tracePath, context.Codec());
    trace.Start();
    trace.StreamTo([&traceFile](std::string_view text) { traceFile->Write(text); });
    link.SetTrace(&trace);
  }
  ImageCapture capture;
  DownloadEngine engine(link, host, context.Texts());
  if (dump) engine.SetCapture(&capture);
  // The same phases as the application's download, on this thread; Ctrl+C raises its Cancel.
  const DownloadResult result = RunDownload(engine, workspace, host);
  CatchInterrupt(nullptr);
  // The trace matters most when the transfer failed: it is written whatever the outcome.
  if (tracePath) {
    link.SetTrace(nullptr);
    trace.Flush();
    if (std::optional<Bytes> failure = traceFile->Commit()) {
      context.Error("the trace " + LocalPath(*tracePath) +
                    " was not written: " + context.ForTerminal(*failure));
      return kExitFailed;
    }
  }
  if (Interrupted()) {
    const int signal = InterruptSignal();
    context.Error(signal == SIGINT
                      ? std::string("download cancelled; nothing was written")
                      : "download cancelled by " + SignalName(signal) + "; nothing was written");
    return kExitSignalBase + signal;
  }
  if (!result.ok()) {
    if (!host.Told()) context.Error("the download did not complete; nothing was written");
    return kExitFailed;
  }

  if (dump) {
    for (const uint32_t address : capture.badPages) {
      std::fprintf(stderr, "page %u: byte sum wrong, kept as it arrived\n", address);
    }
    const emu::ByteVec bytes = emu::SaveBinaryImage(capture.image);
    if (std::optional<WriteFailure> failure = WriteFileSafely(
            *output, {std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())},
            context.Codec())) {
      context.Error(LocalPath(*output) + ": " + context.ForTerminal(failure->message));
      return kExitFailed;
    }
    std::fprintf(stderr, "%zu pages (%zu with a wrong byte sum) saved to %s\n",
                 capture.image.pages.size(), capture.badPages.size(), LocalPath(*output).c_str());
    return strict && !capture.badPages.empty() ? kExitIncomplete : kExitOk;
  }

  // The application's table showed nothing ("msgNoDataToShow_35" was told): its Save As
  // would refuse, so the tool stops here rather than add a second complaint.
  if (!workspace.TableShown() && !doc.DocNotSaved) return kExitFailed;

  doc.Header = CurrentHeaderTexts(context.Settings());
  doc.Header.Comments.clear();
  SaveOptions options;
  options.decimalSeparator = context.DecimalSeparator();
  options.tableHidden = !workspace.TableShown();
  options.codePage = context.Codec().CodePage();
  const Outcome saved = SaveResultsFile(*output, doc, context.Texts(), options);
  if (!saved.ok()) {
    context.ReportFailure(saved, *output);
    return kExitFailed;
  }
  // Every page that stayed damaged is a test missing from the file: named, with where it was.
  for (const LostTest& lost : result.lostTests) {
    context.Error("page " + std::to_string(lost.address) + " (building " +
                  std::to_string(lost.buildingNo) + ", room " + std::to_string(lost.roomNo) + ") " +
                  (lost.sumWrong ? "arrived with a wrong byte sum each of the " +
                                       std::to_string(kPageAttempts) + " times it was asked for"
                                 : "could not be read (its dates are impossible)") +
                  ": one test is missing from " + LocalPath(*output));
  }
  if (memory == MemoryChoice::Results) {
    std::fprintf(stderr, "%d tests saved to %s\n", doc.TestCount(), LocalPath(*output).c_str());
  } else {
    std::fprintf(stderr, "%zu logging blocks saved to %s\n", doc.LoggerBlocks.size(),
                 LocalPath(*output).c_str());
  }
  return strict && result.badPages > 0 ? kExitIncomplete : kExitOk;
}

int RunDownload(const QStringList& args) {
  return Transfer(args, "download", false);
}

int RunDump(const QStringList& args) {
  return Transfer(args, "dump", true);
}

}  // namespace qv::cli

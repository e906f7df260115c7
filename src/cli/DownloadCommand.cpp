// quorvantel-cli download: the application's Instrument > DownLoad followed by File > Save As.
#include "CliArgs.h"
#include "CliContext.h"
#include "CliDownloadHost.h"
#include "Commands.h"

#include "download/DownloadEngine.h"
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
#include <cstdio>

namespace qv::cli {
namespace {

constexpr const char* kHelp =
    "Usage: quorvantel-cli download --port DEVICE [--baud RATE] --memory results|logging\n"
    "                               [--blocks all|N[,N...]] [--trace TRACE] -o FILE\n"
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
    "                   also when the download fails\n"
    "\n"
    "Progress goes to stderr. Ctrl+C cancels: the link is closed and nothing is written.\n";

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
    "  Options as for download; -o names the memory image to write.\n";

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

bool WriteTrace(const CliContext& context, const LinkTrace& trace, const QString& path) {
  const std::string text = trace.Text();
  if (std::optional<WriteFailure> failure = WriteFileSafely(path, {text}, context.Codec())) {
    context.Error("the trace " + LocalPath(path) +
                  " was not written: " + context.ForTerminal(failure->message));
    return false;
  }
  return true;
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
  const std::optional<ParsedArgs> parsed = ParseCommandArgs(
      command, args, {{"port"}, {"baud"}, {"memory"}, {"blocks"}, {"o"}, {"trace"}},
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
  CatchInterrupt(&link);

  LinkTrace trace;
  const std::optional<QString> tracePath = parsed->Value("trace");
  if (tracePath) {
    trace.Start();
    link.SetTrace(&trace);
  }
  ImageCapture capture;
  DownloadEngine engine(workspace, link, host, context.Texts());
  if (dump) engine.SetCapture(&capture);
  const DownloadResult result = engine.Run();
  CatchInterrupt(nullptr);
  // The trace matters most when the transfer failed: it is written whatever the outcome.
  if (tracePath && !WriteTrace(context, trace, *tracePath)) return kExitFailed;
  if (Interrupted()) {
    context.Error("download cancelled; nothing was written");
    return kExitInterrupted;
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
    return kExitOk;
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
  if (memory == MemoryChoice::Results) {
    std::fprintf(stderr, "%d tests saved to %s\n", doc.TestCount(), LocalPath(*output).c_str());
  } else {
    std::fprintf(stderr, "%zu logging blocks saved to %s\n", doc.LoggerBlocks.size(),
                 LocalPath(*output).c_str());
  }
  return kExitOk;
}

int RunDownload(const QStringList& args) {
  return Transfer(args, "download", false);
}

int RunDump(const QStringList& args) {
  return Transfer(args, "dump", true);
}

}  // namespace qv::cli

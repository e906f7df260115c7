// quorvantel-cli ports: what stands between this computer and an instrument, before a
// download is tried.
#include "CliArgs.h"
#include "CliContext.h"
#include "Commands.h"

#include "link/PortReport.h"

#include <cstdio>
#include <string>
#include <vector>

namespace qv::cli {
namespace {

constexpr const char* kHelp =
    "Usage: quorvantel-cli ports [--json] [DEVICE...]\n"
    "\n"
    "Lists the serial devices (/dev/ttyUSB*, /dev/ttyACM*, and the /dev/ttyS* with a port\n"
    "behind them) with their /dev/serial/by-id names, USB vendor:product, product text and\n"
    "kernel driver, and for each whether this user may open it (if not: the group to join)\n"
    "and which processes hold it open or lock it (a lock file whose process has ended is\n"
    "named stale: the download removes it where this user may). Then the USB bridges the\n"
    "bridge library (libftdi1)\n"
    "finds, with their descriptions and whether the link opens them, or why none could be\n"
    "looked at. Notes follow when ModemManager or brltty, known to grab USB serial adapters,\n"
    "are running.\n"
    "\n"
    "  DEVICE   also check these paths (an emulator's pseudo-terminal, a by-id name, a device\n"
    "           that should be there)\n"
    "  --json   the same as one JSON object, for scripts\n"
    "\n"
    "Processes of other users can be looked at only as root; the report counts them.\n";

}  // namespace

int RunPorts(const QStringList& args) {
  int exitCode = kExitOk;
  const std::optional<ParsedArgs> parsed =
      ParseCommandArgs("ports", args, {{"json", false}}, kHelp, &exitCode);
  if (!parsed) return exitCode;
  std::vector<std::string> asked;
  for (const QString& device : parsed->Positionals())
    asked.push_back(LocalPath(device));
  const PortReport report =
      BuildPortReport(DeviceRoots{}, UserIdentity::Current(), SystemFtdi(), asked);
  const std::string text = parsed->Has("json") ? PortReportJson(report) : PortReportText(report);
  std::fwrite(text.data(), 1, text.size(), stdout);
  return kExitOk;
}

}  // namespace qv::cli

// The download host of the command-line tool: answers come from the command's flags,
// progress goes to stderr and Ctrl+C cancels the transfer.
#pragma once

#include "CliContext.h"
#include "download/DownloadHost.h"

#include <atomic>
#include <chrono>
#include <vector>

namespace qv {
class Link;
}

namespace qv::cli {

// Installs the handler of SIGINT (Ctrl+C), SIGTERM (kill, shutdown) and SIGHUP (the terminal
// or the SSH session gone): the first of each cancels the link's waits and sets the flag, so
// that the port is closed (its lock file removed) and the trace written; a second one of the
// same kind ends the process the ordinary way.
void CatchInterrupt(Link* link);
bool Interrupted();
// The first of those signals that came; 0 when none did.
int InterruptSignal();

class CliDownloadHost : public DownloadHost {
 public:
  // blocks: 1-based block numbers in directory order; empty = all.
  CliDownloadHost(const CliContext& context, MemoryChoice memory, std::vector<int> blocks);

  void Pump() override;
  void Message(MessageIcon icon, const Bytes& text) override;

  bool Ask(std::string_view key) override;
  bool SaveAs() override { return false; }

  std::optional<MemoryChoice> ChooseMemory() override { return memory_; }
  bool ChooseBlocksToDownload(std::vector<TLoggerRecord>& blocks) override;
  bool ChooseBlockToShow(std::vector<TLoggerRecord>& blocks) override;

  void TransferStarted(const Bytes& activity) override;
  void Progress(int percent) override;
  void RequestingPage(int number, int count) override;
  void TransferEnded() override;

  // A message was shown that explains why the run failed.
  bool Told() const { return told_; }

 private:
  void EndProgressLine();

  const CliContext& context_;
  MemoryChoice memory_;
  std::vector<int> blocks_;
  bool told_ = false;
  int showRequests_ = 0;
  bool terminal_ = false;
  bool progressLineOpen_ = false;
  Bytes activity_;
  int lastPercent_ = -1;
  // The page being asked for and since when, to say so when the instrument stays silent.
  int page_ = 0;
  std::chrono::steady_clock::time_point asked_{};
  int silenceShown_ = 0;  // seconds of silence last reported; 0 = none
};

}  // namespace qv::cli

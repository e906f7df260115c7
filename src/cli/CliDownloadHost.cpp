#include "CliDownloadHost.h"

#include "download/BlockList.h"
#include "link/Link.h"

#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <string>

namespace qv::cli {
namespace {

std::atomic<Link*> gLink{nullptr};
volatile std::sig_atomic_t gSignal = 0;  // the first stop signal that came; 0 = none

extern "C" void OnStopSignal(int signal) {
  if (gSignal == 0) gSignal = signal;
  // An atomic store: safe in a signal handler. The link's waits see it at their next slice.
  if (Link* link = gLink.load()) link->Cancel();
}

constexpr int kBarWidth = 30;
constexpr int kLogNoteSeconds = 60;

}  // namespace

void CatchInterrupt(Link* link) {
  gLink.store(link);
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  // Once per signal: a second one of the same kind ends the process the ordinary way.
  action.sa_flags = SA_RESETHAND;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    // A signal already seen keeps its default, so that the second one still ends the process.
    if (gSignal == signal) continue;
    sigaction(signal, &action, nullptr);
  }
}

bool Interrupted() {
  return gSignal != 0;
}

int InterruptSignal() {
  return gSignal;
}

CliDownloadHost::CliDownloadHost(const CliContext& context, MemoryChoice memory,
                                 std::vector<int> blocks)
    : context_(context),
      memory_(memory),
      blocks_(std::move(blocks)),
      terminal_(isatty(STDERR_FILENO) == 1) {}

void CliDownloadHost::Pump() {
  // CloseLink clears the link's flag between the two connections of a logging download;
  // a Ctrl+C must still stop what follows.
  if (Interrupted()) {
    if (Link* link = gLink.load()) link->Cancel();
  }
  // A silent instrument is asked again and again for up to an hour (or --timeout): after 10 s
  // the person is told what is happening and how to stop it, every 10 s on a terminal, every
  // 60 s in a log, so that a log shows the wait going on without a line per poll.
  if (page_ == 0) return;
  const auto silent =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - asked_)
          .count();
  if (silent < 10 || silent / 10 * 10 == silenceShown_) return;
  if (!terminal_ && silenceShown_ != 0 && silent - silenceShown_ < kLogNoteSeconds) return;
  silenceShown_ = static_cast<int>(silent / 10 * 10);
  const std::string note = "quorvantel-cli: no answer to page " + std::to_string(page_) + " for " +
                           std::to_string(silenceShown_) + " s, retrying; Ctrl+C stops";
  if (terminal_) {
    std::fprintf(stderr, "\r%s\033[K", note.c_str());
    progressLineOpen_ = true;
  } else {
    std::fprintf(stderr, "%s\n", note.c_str());
  }
  std::fflush(stderr);
  lastPercent_ = -1;  // the progress line is drawn again when pages come
}

void CliDownloadHost::RequestingPage(int number, int /*count*/) {
  page_ = number;
  asked_ = std::chrono::steady_clock::now();
  silenceShown_ = 0;
}

void CliDownloadHost::Message(MessageIcon /*icon*/, const Bytes& text) {
  EndProgressLine();
  context_.ErrorBytes(text);
  told_ = true;
}

void CliDownloadHost::TransferEnded() {
  page_ = 0;
  EndProgressLine();
}

bool CliDownloadHost::Ask(std::string_view /*key*/) {
  // The tool starts with no document of its own, so there is never anything to keep.
  return false;
}

bool CliDownloadHost::ChooseBlocksToDownload(std::vector<TLoggerRecord>& blocks) {
  if (Interrupted()) return false;
  if (blocks_.empty()) {
    SelectAllBlocks(blocks);
    return true;
  }
  for (TLoggerRecord& b : blocks)
    b.Selected = 0;
  for (int n : blocks_) {
    if (n < 1 || n > static_cast<int>(blocks.size())) {
      EndProgressLine();
      context_.Error("there is no logging block " + std::to_string(n) + ": the memory holds " +
                     std::to_string(blocks.size()) + " block" + (blocks.size() == 1 ? "" : "s"));
      told_ = true;
      return false;
    }
    blocks[static_cast<size_t>(n - 1)].Selected = 1;
  }
  return true;
}

bool CliDownloadHost::ChooseBlockToShow(std::vector<TLoggerRecord>& blocks) {
  // The last downloaded block becomes current; a second request means it could not be shown,
  // and no person is there to pick another one.
  if (++showRequests_ > 1 || blocks.empty() || Interrupted()) return false;
  for (TLoggerRecord& b : blocks)
    b.Selected = 0;
  blocks.back().Selected = 1;
  return true;
}

void CliDownloadHost::TransferStarted(const Bytes& activity) {
  // Shown again with nothing done since (around the block list): nothing new to say.
  if (activity == activity_ && lastPercent_ == 0) return;
  activity_ = activity;
  lastPercent_ = -1;
  Progress(0);
}

void CliDownloadHost::Progress(int percent) {
  if (percent < 0) percent = 0;
  if (percent > 100) percent = 100;
  if (percent == lastPercent_) return;
  const std::string label = context_.ForTerminal(activity_);
  if (terminal_) {
    const int filled = percent * kBarWidth / 100;
    std::string bar = "\r" + label + " [" + std::string(static_cast<size_t>(filled), '#') +
                      std::string(static_cast<size_t>(kBarWidth - filled), '-') + "] " +
                      std::to_string(percent) + "%";
    std::fputs(bar.c_str(), stderr);
    std::fflush(stderr);
    progressLineOpen_ = true;
  } else if (lastPercent_ < 0 || percent / 10 > lastPercent_ / 10) {
    // Logs get a line per tenth, not one per page.
    std::fprintf(stderr, "%s %d%%\n", label.c_str(), percent);
    std::fflush(stderr);
  }
  lastPercent_ = percent;
}

void CliDownloadHost::EndProgressLine() {
  if (!progressLineOpen_) return;
  std::fputc('\n', stderr);
  std::fflush(stderr);
  progressLineOpen_ = false;
}

}  // namespace qv::cli

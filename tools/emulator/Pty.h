// The emulator's end of a pseudo-terminal: the master side it serves, and a slave descriptor
// of its own that keeps the terminal alive (and in raw mode) while hosts come and go.
#pragma once

#include <string>

namespace qv::emu {

class PseudoTerminal {
 public:
  PseudoTerminal() = default;
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;
  ~PseudoTerminal();

  // Opens the pair in raw mode; on failure `error` says why.
  bool Open(std::string* error);
  int Master() const { return master_; }
  const std::string& SlavePath() const { return slavePath_; }
  // Discards what was sent to the slave side and not read there.
  void DiscardUnread();

  // A descriptor that becomes readable when a host opens or closes the slave device, or -1
  // when the system cannot tell. Call HostEvents() when it is readable: true when at least one
  // host closed the device since the last call.
  int WatchFd() const { return watch_; }
  bool HostEvents();
  // Lifts a host's claim to exclusive use (TIOCEXCL) once no other process has the device
  // open. A host that closes the device lifts it itself; one that dies does not, and since our
  // own descriptor keeps the terminal open, the claim would outlive it and refuse every later
  // host that is not root.
  void ReleaseExclusive();

 private:
  // Whether a process other than this one has the slave device open (from /proc).
  bool OpenElsewhere() const;

  int master_ = -1;
  int slave_ = -1;
  int watch_ = -1;
  std::string slavePath_;
};

}  // namespace qv::emu

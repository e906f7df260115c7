// What the link needs from whoever drives it while it waits.
#pragma once

namespace qv {

class LinkHost {
 public:
  virtual ~LinkHost() = default;
  // Called between polls, at most every 10 ms while the link waits: the GUI repaints the
  // transfer dialog and processes pending events (its Cancel button calls Link::Cancel);
  // a command-line tool may check a signal flag.
  virtual void Pump() {}
};

}  // namespace qv

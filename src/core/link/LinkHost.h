// What the link needs from whoever drives it: the GUI (transfer dialog, message boxes,
// cursor), the command-line tool or a test.
#pragma once

#include "store/Types.h"

namespace qv {

enum class MessageIcon { Information, Warning };

class LinkHost {
 public:
  virtual ~LinkHost() = default;
  // Called between polls, at most every 10 ms while the link waits: the GUI repaints the
  // transfer dialog and processes pending events (its Cancel button calls Link::Cancel);
  // a command-line tool may check a signal flag.
  virtual void Pump() {}
  // A modal message box with OK.
  virtual void Message(MessageIcon icon, const Bytes& text) = 0;
  virtual void HideTransferDialog() {}
  // Busy (hourglass) or default mouse cursor.
  virtual void SetBusyCursor(bool /*busy*/) {}
};

}  // namespace qv

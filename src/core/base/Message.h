// A message for the person: the translation of a key and a literal suffix after it, with the
// icon of its box. The core describes what to tell; the desktop shows a message box, the
// command-line tool a line on stderr.
#pragma once

#include <string>

namespace qv {

enum class MessageIcon { Information, Warning };

struct Notice {
  MessageIcon icon = MessageIcon::Information;
  const char* key = nullptr;  // nullptr: nothing to tell
  std::string suffix;         // after the translation, e.g. "   Error #3"
};

}  // namespace qv

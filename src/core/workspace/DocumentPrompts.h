// The questions asked before the open document is discarded or the application ends, and
// what the answers do to the document flags.
#pragma once

#include "store/Document.h"

#include <string_view>

namespace qv {

inline constexpr const char* kMsgNotSaved = "msgNotSaved_70";
inline constexpr const char* kMsgWantSaveChanges = "msgWantSaveChanges_50";
inline constexpr const char* kMsgTerminate = "msgTerminate_35";

// What the prompts need from the application.
class PromptHost {
 public:
  virtual ~PromptHost() = default;
  // A Yes/No question with the translation of `key`; true for Yes.
  virtual bool Ask(std::string_view key) = 0;
  // Runs Save As; true only when the document was written.
  virtual bool SaveAs() = 0;
};

// The command on whose behalf the prompts run. They differ in what a No does to the flags.
enum class DiscardCommand {
  // File > Close, and a cancelled block list after an open or a download: every flag is
  // cleared after its question, whatever the answer, since the data are going away.
  Close,
  // Download and File > Open: a No to "msgNotSaved_70" clears both flags, a No to
  // "msgWantSaveChanges_50" keeps DocModified.
  Replace,
  // Exit and closing the main window: a No keeps the flag (the question comes again next
  // time), and "msgTerminate_35" is asked last.
  Exit,
  // The list of loggings cancelled while no table is shown: a No keeps the flag, since the
  // data are still held.
  Keep,
};

// Asks "msgNotSaved_70" when DocNotSaved is set and "msgWantSaveChanges_50" when DocModified
// is set, saving on Yes. True when the command may go on (for Exit: the person also answered
// Yes to "msgTerminate_35").
//
// A Yes whose save is cancelled or fails stops the command with the flags as they were:
// clearing them then would discard data the person just asked to keep.
bool PromptBeforeDiscard(Document& doc, PromptHost& host, DiscardCommand command);

}  // namespace qv

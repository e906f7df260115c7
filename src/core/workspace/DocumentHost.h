// What the document workspace needs from a person: the save questions, the block to show and
// the messages. The desktop answers with its dialogs, the command-line tool with its flags,
// tests with scripted answers.
#pragma once

#include "base/Message.h"
#include "base/Types.h"
#include "store/Records.h"
#include "workspace/DocumentPrompts.h"

#include <vector>

namespace qv {

class DocumentHost : public PromptHost {
 public:
  // PromptHost: Ask(key) answers "msgNotSaved_70" / "msgWantSaveChanges_50"; SaveAs() saves
  // the document that is about to be replaced and says whether it was written.

  // A modal message with OK: a translated text and its literal suffix.
  virtual void Message(MessageIcon icon, const Bytes& text) = 0;

  // The block list in show mode: the host marks the block to show (the last marked one
  // counts). False when the list was cancelled. Called again when the confirmed choice cannot
  // be shown (nothing marked, or a block without samples).
  virtual bool ChooseBlockToShow(std::vector<TLoggerRecord>& blocks) = 0;
};

}  // namespace qv

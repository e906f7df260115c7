#include "workspace/DocumentPrompts.h"

namespace qv {

bool PromptBeforeDiscard(Document& doc, PromptHost& host, DiscardCommand command) {
  const bool exiting = command == DiscardCommand::Exit;
  const bool keepOnNo = exiting || command == DiscardCommand::Keep;
  if (doc.DocNotSaved) {
    if (host.Ask(kMsgNotSaved)) {
      if (!host.SaveAs()) return false;
      doc.DocNotSaved = false;
      doc.DocModified = false;
    } else if (!keepOnNo) {
      doc.DocNotSaved = false;
      doc.DocModified = false;
    }
  }
  if (doc.DocModified) {
    if (host.Ask(kMsgWantSaveChanges)) {
      if (!host.SaveAs()) return false;
      doc.DocModified = false;
    } else if (command == DiscardCommand::Close) {
      doc.DocModified = false;
    }
  }
  if (exiting) return host.Ask(kMsgTerminate);
  return true;
}

}  // namespace qv

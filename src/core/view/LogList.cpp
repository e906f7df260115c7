#include "view/LogList.h"

#include "view/TableState.h"

namespace qv {
namespace {

// The save questions after a cancelled list that leaves no table on screen. A No keeps the
// flag, since the data are still held; a save that did not happen keeps both.
void PromptAfterCancel(Document& doc, LogListHost& host) {
  if (doc.DocNotSaved && host.Ask(kMsgNotSaved)) {
    if (!host.SaveAs()) return;
    doc.DocNotSaved = false;
    doc.DocModified = false;
  }
  if (doc.DocModified && host.Ask(kMsgWantSaveChanges)) {
    if (host.SaveAs()) doc.DocModified = false;
  }
}

int LastMarked(const std::vector<TLoggerRecord>& blocks) {
  for (size_t i = blocks.size(); i-- > 0;) {
    if (blocks[i].Selected) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

LogListOutcome ppLogListClick(Document& doc, LogListHost& host) {
  host.SizeBlockList(static_cast<int>(doc.LoggerBlocks.size()));
  if (doc.LoggerBlocks.empty()) {
    host.Inform(kMsgNoDataToShowKey);
    return LogListOutcome::NoBlocks;
  }
  for (;;) {
    if (!host.ShowBlockList(doc.LoggerBlocks)) {
      if (!host.TableVisible()) PromptAfterCancel(doc, host);
      return LogListOutcome::Cancelled;
    }
    const int chosen = LastMarked(doc.LoggerBlocks);
    if (chosen < 0) continue;
    if (doc.LoggerBlocks[static_cast<size_t>(chosen)].SampleCount <= 0) {
      host.HideTable();
      host.Inform(kMsgNoDataToShowKey);
      continue;
    }
    doc.CurrentBlock = chosen;
    host.HideTable();
    host.Pump();
    if (host.LayoutCurrentBlock()) host.ShowTable();
    host.CurrentBlockChosen();
    return LogListOutcome::Shown;
  }
}

}  // namespace qv

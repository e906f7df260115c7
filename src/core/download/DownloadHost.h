// What a download needs from whoever runs it: the answers a person gives (save prompts,
// memory choice, block list), and the places where they see progress, messages and the
// document appearing. The desktop application implements it with its dialogs and views, the
// command-line tool with its flags and a progress line on stderr, tests with scripted answers.
//
// Everything is called on the thread that runs DownloadEngine::Run. Pump() (from LinkHost) is
// where a GUI processes events; its Cancel button then calls DownloadEngine::Cancel.
#pragma once

#include "app/DocumentPrompts.h"
#include "link/LinkHost.h"
#include "store/Records.h"

#include <optional>
#include <vector>

namespace qv {

enum class MemoryChoice : int { Results = 0, Logging = 1 };

// The two captions a download leaves on the main window.
enum class Caption {
  Title,         // the bare application title (after a stop)
  TitleAndFile,  // the title followed by the translated "File_10"
};

class DownloadHost : public LinkHost, public PromptHost {
 public:
  // PromptHost: Ask(key) answers "msgNotSaved_70" / "msgWantSaveChanges_50"; SaveAs() saves
  // the document that is about to be replaced and says whether it was written.
  // LinkHost: Pump, Message, HideTransferDialog, SetBusyCursor.

  // The memory-choice dialog; nullopt when it was not confirmed.
  virtual std::optional<MemoryChoice> ChooseMemory() = 0;

  // The block list in download mode: the host sets the Selected flags of the blocks to
  // fetch (several may be marked). False when the list was cancelled. Called again when it
  // was confirmed with no block marked.
  virtual bool ChooseBlocksToDownload(std::vector<TLoggerRecord>& blocks) = 0;

  // The block list in show mode: the host marks the block to show (the last marked one
  // counts). False when the list was cancelled. Called again when the confirmed choice cannot
  // be shown (nothing marked, or a block without samples).
  virtual bool ChooseBlockToShow(std::vector<TLoggerRecord>& blocks) = 0;

  // The transfer dialog: shown with Cancel enabled, the gauge at 0 and an activity text.
  virtual void ShowTransferDialog(const Bytes& /*activity*/) {}
  // The gauge, 0..100.
  virtual void SetProgress(int /*percent*/) {}
  virtual void SetCaption(Caption /*caption*/) {}

  // The table's row-editing entries become visible and disabled; row selection and the row
  // clipboard are cleared.
  virtual void PrepareRowEditing() {}
  // The memory is chosen: table, tree and splitter hidden, graph windows closed.
  virtual void CloseViews() {}
  // The instrument's identification is known: the print header's read-only fields and the
  // report's instrument labels take it; the report's operator, site and probe labels empty.
  virtual void InstrumentIdentified(const TInstrumentData& /*info*/) {}
  // The results part is about to be refilled (the widest location text restarts at 0).
  virtual void ResultsCleared() {}
  // The block list is laid out for n blocks.
  virtual void SizeBlockList(int /*n*/) {}

  // View steps after the data are in the store. FillTreeView and LayoutTable return false
  // when there is nothing to show (LayoutTable has then told the person so).
  virtual bool FillTreeView() { return true; }
  virtual void ComputeColumnShading() {}
  virtual bool LayoutTable() { return true; }
  // Results laid out: the tree's first node selected, tree expanded and shown, table and
  // splitter shown.
  virtual void ShowResults() {}
  virtual void HideTable() {}
  // The current logging block was laid out: show the table.
  virtual void ShowTable() {}
  // The current block changed: graph parameters refreshed, interface choices stored.
  virtual void CurrentBlockChosen() {}
};

}  // namespace qv

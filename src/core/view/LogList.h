// The list of loggings: the person picks which logging block of the document the table
// shows. The dialog, the table and the messages belong to the host.
#pragma once

#include "app/DocumentPrompts.h"
#include "store/Document.h"

#include <string_view>
#include <vector>

namespace qv {

class LogListHost : public PromptHost {
 public:
  // PromptHost: Ask answers the save questions, SaveAs saves the document.

  // The list grid and its dialog are laid out for n blocks.
  virtual void SizeBlockList(int n) = 0;
  // The list in show mode (single choice, only the Show and Cancel buttons): the host marks
  // the block to show. True when it was closed with Show.
  virtual bool ShowBlockList(std::vector<TLoggerRecord>& blocks) = 0;
  // An information message with an OK button: the translation of `key`.
  virtual void Inform(std::string_view key) = 0;
  virtual bool TableVisible() const = 0;
  virtual void HideTable() = 0;
  virtual void ShowTable() = 0;
  virtual void Pump() = 0;
  // Shading and layout of the current block; false when there is nothing to show (the host
  // has then said so).
  virtual bool LayoutCurrentBlock() = 0;
  // A block became current: graph parameters recomputed, user-interface choices stored.
  virtual void CurrentBlockChosen() = 0;
};

enum class LogListOutcome {
  NoBlocks,   // "msgNoDataToShow_35", no list
  Shown,      // a block became current
  Cancelled,  // the list was cancelled
};

// The command behind Config > list of loggings and the table's pop-up entry.
LogListOutcome ppLogListClick(Document& doc, LogListHost& host);

}  // namespace qv

// What a download needs from whoever runs it: the answers a person gives (save prompts,
// memory choice, block lists), the one message event, and the events that let them follow
// the transfer (activity, progress, the identified instrument) and cancel it. The desktop
// application implements it with its dialogs, the command-line tool with its flags and a
// progress line on stderr, tests with scripted answers.
//
// Everything is called on the thread that runs DownloadEngine::Run. Pump() (from LinkHost) is
// where a GUI processes events; its Cancel button then calls DownloadEngine::Cancel.
#pragma once

#include "link/LinkHost.h"
#include "store/Records.h"
#include "workspace/DocumentHost.h"

#include <optional>
#include <vector>

namespace qv {

enum class MemoryChoice : int { Results = 0, Logging = 1 };

class DownloadHost : public LinkHost, public DocumentHost {
 public:
  // DocumentHost: Ask, SaveAs, Message and the block list in show mode.
  // LinkHost: Pump.

  // The memory-choice dialog; nullopt when it was not confirmed.
  virtual std::optional<MemoryChoice> ChooseMemory() = 0;

  // The block list in download mode: the host sets the Selected flags of the blocks to
  // fetch (several may be marked). False when the list was cancelled. Called again when it
  // was confirmed with no block marked.
  virtual bool ChooseBlocksToDownload(std::vector<TLoggerRecord>& blocks) = 0;

  // The instrument answered and identified itself (type, code, serial number, producer).
  virtual void InstrumentIdentified(const TInstrumentData& /*info*/) {}
  // The link is being opened and the instrument identified: the person sees that the
  // program is connecting (a transfer box with Cancel, no gauge yet).
  virtual void Connecting(const Bytes& /*activity*/) {}
  // A transfer starts: Cancel enabled, the gauge at 0, the activity text shown.
  virtual void TransferStarted(const Bytes& /*activity*/) {}
  // The gauge, 0..100.
  virtual void Progress(int /*percent*/) {}
  // Page `number` (1-based) of the `count` the transfer fetches is being asked for.
  virtual void RequestingPage(int /*number*/, int /*count*/) {}
  // The transfer box goes away: before a question, a message, or at the end.
  virtual void TransferEnded() {}
};

}  // namespace qv

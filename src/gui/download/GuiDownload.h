// The desktop side of a download: the engine's questions go to the dialogs, its activity and
// progress to the transfer box, its messages to message boxes (the transfer box hidden
// first), and the save questions to the one document host. It owns the link (the serial
// port object) for the whole run.
#pragma once

#include "common/AppContext.h"
#include "common/Prompter.h"
#include "download/DownloadEngine.h"
#include "link/Link.h"

#include <memory>

namespace qv {

class TfrmDLSelect;
class TfrmDownLoadList;
class TfrmTransfering;

class GuiDownload : public DownloadHost {
 public:
  // Everything must outlive the download. `documentHost` answers the save questions, shows
  // the block list in show mode and the messages.
  GuiDownload(AppContext& ctx, DocumentHost& documentHost, TfrmDLSelect& memoryChoice,
              TfrmDownLoadList& blockList, TfrmTransfering& transfer);
  ~GuiDownload() override;

  Link& LinkObject() { return *link_; }
  DownloadEngine& Engine() { return *engine_; }
  bool Running() const { return engine_->Running(); }
  // Every byte and step of the last transfer, kept until the next one starts.
  const LinkTrace& LastTrace() const { return trace_; }
  // Puts a port choice into effect on the link.
  void ApplyPortChoice(const PortChoice& choice);
  // Instrument > DownLoad.
  DownloadResult Run();

  // LinkHost
  void Pump() override;
  // DocumentHost
  bool Ask(std::string_view key) override;
  bool SaveAs() override;
  void Message(MessageIcon icon, const Bytes& text) override;
  bool ChooseBlockToShow(std::vector<TLoggerRecord>& blocks) override;
  // DownloadHost
  std::optional<MemoryChoice> ChooseMemory() override;
  bool ChooseBlocksToDownload(std::vector<TLoggerRecord>& blocks) override;
  void Connecting(const Bytes& activity) override;
  void TransferStarted(const Bytes& activity) override;
  void Progress(int percent) override;
  void TransferEnded() override;

 private:
  // The hourglass while the program works on its own; the arrow while a person is asked.
  void SetBusyCursor(bool busy);
  void ShowTransfer(const Bytes& activity);

  AppContext& ctx_;
  DocumentHost& documentHost_;
  TfrmDLSelect& memoryChoice_;
  TfrmDownLoadList& blockList_;
  TfrmTransfering& transfer_;
  std::unique_ptr<Link> link_;
  LinkTrace trace_;
  std::unique_ptr<DownloadEngine> engine_;
  bool busy_ = false;
};

}  // namespace qv

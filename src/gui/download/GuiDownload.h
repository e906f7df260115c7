// The desktop side of a download: the engine's questions go to the dialogs, its progress to
// the transfer dialog, its messages to message boxes, and the document to the main window.
// It owns the link (the serial port object) for the whole run.
#pragma once

#include "app/AppContext.h"
#include "app/Prompter.h"
#include "download/DownloadEngine.h"
#include "link/Link.h"

#include <memory>

namespace qv {

class TfrmMainForm;

class GuiDownload : public DownloadHost {
 public:
  GuiDownload(TfrmMainForm& form, AppContext& ctx, Prompter& prompter);
  ~GuiDownload() override;

  Link& LinkObject() { return *link_; }
  DownloadEngine& Engine() { return *engine_; }
  // Puts a port choice into effect on the link.
  void ApplyPortChoice(const PortChoice& choice);
  // Instrument > DownLoad.
  DownloadResult Run();

  // LinkHost
  void Pump() override;
  void Message(MessageIcon icon, const Bytes& text) override;
  void HideTransferDialog() override;
  void SetBusyCursor(bool busy) override;
  // PromptHost
  bool Ask(std::string_view key) override;
  bool SaveAs() override;
  // DownloadHost
  std::optional<MemoryChoice> ChooseMemory() override;
  bool ChooseBlocksToDownload(std::vector<TLoggerRecord>& blocks) override;
  bool ChooseBlockToShow(std::vector<TLoggerRecord>& blocks) override;
  void ShowTransferDialog(const Bytes& activity) override;
  void SetProgress(int percent) override;
  void SetCaption(Caption caption) override;
  void PrepareRowEditing() override;
  void CloseViews() override;
  void SizeBlockList(int n) override;
  void ResultsCleared() override;
  bool FillTreeView() override;
  void ComputeColumnShading() override;
  bool LayoutTable() override;
  void ShowResults() override;
  void HideTable() override;
  void ShowTable() override;
  void CurrentBlockChosen() override;

 private:
  TfrmMainForm& form_;
  AppContext& ctx_;
  Prompter& prompter_;
  std::unique_ptr<Link> link_;
  std::unique_ptr<DownloadEngine> engine_;
  bool busy_ = false;
};

}  // namespace qv

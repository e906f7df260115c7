#include "download/GuiDownload.h"

#include "common/Cursors.h"
#include "download/DLSelectDialog.h"
#include "download/DownLoadListDialog.h"
#include "link/TransferDialog.h"

#include <QApplication>
#include <QCursor>

namespace qv {

GuiDownload::GuiDownload(AppContext& ctx, DocumentHost& documentHost, TfrmDLSelect& memoryChoice,
                         TfrmDownLoadList& blockList, TfrmTransfering& transfer)
    : ctx_(ctx),
      documentHost_(documentHost),
      memoryChoice_(memoryChoice),
      blockList_(blockList),
      transfer_(transfer),
      link_(std::make_unique<Link>(*this)),
      engine_(std::make_unique<DownloadEngine>(ctx.Workspace, *link_, *this, ctx.Texts)) {
  transfer_.SetCancelHandler([this] { engine_->Cancel(); });
}

GuiDownload::~GuiDownload() {
  SetBusyCursor(false);
}

void GuiDownload::ApplyPortChoice(const PortChoice& choice) {
  link_->SetSerialPort(choice.Device(), choice.BaudRateValue());
}

DownloadResult GuiDownload::Run() {
  trace_.Start();
  link_->SetTrace(&trace_);
  const DownloadResult result = engine_->Run();
  if (result.outcome != DownloadOutcome::Busy) TransferEnded();
  // Tests left out for damaged pages are told after the transfer, as damaged logging pages are.
  if (const std::optional<Notice> lost = result.ok() ? LostTestsNotice(result) : std::nullopt) {
    Message(lost->icon, ctx_.Texts.Translate(lost->key) + lost->suffix);
  }
  return result;
}

void GuiDownload::SetBusyCursor(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void GuiDownload::Pump() {
  if (transfer_.isVisible()) transfer_.RepaintNow();
  QCoreApplication::processEvents();
}

bool GuiDownload::Ask(std::string_view key) {
  return documentHost_.Ask(key);
}

bool GuiDownload::SaveAs() {
  return documentHost_.SaveAs();
}

void GuiDownload::Message(MessageIcon icon, const Bytes& text) {
  // Nothing may cover the message: the always-visible transfer box goes first.
  transfer_.hide();
  documentHost_.Message(icon, text);
}

bool GuiDownload::ChooseBlockToShow(std::vector<TLoggerRecord>& blocks) {
  transfer_.hide();
  return documentHost_.ChooseBlockToShow(blocks);
}

std::optional<MemoryChoice> GuiDownload::ChooseMemory() {
  transfer_.hide();
  const ArrowWhileAsking arrow;
  const int position = memoryChoice_.Choose();
  if (position < 0) return std::nullopt;
  return static_cast<MemoryChoice>(position);
}

bool GuiDownload::ChooseBlocksToDownload(std::vector<TLoggerRecord>& blocks) {
  transfer_.hide();
  const ArrowWhileAsking arrow;
  blockList_.SetBlocks(&blocks);
  blockList_.SetMode(ListMode::DownLoad);
  blockList_.SizeBlockList(static_cast<int>(blocks.size()));
  return blockList_.ShowModal();
}

void GuiDownload::ShowTransfer(const Bytes& activity) {
  transfer_.SetCancelEnabled(true);
  transfer_.SetProgress(0);
  transfer_.SetActivity(ctx_.Decode(activity));
  transfer_.show();
  transfer_.raise();
  SetBusyCursor(true);
}

void GuiDownload::Connecting(const Bytes& activity) {
  ShowTransfer(activity);
  transfer_.RepaintNow();
}

void GuiDownload::TransferStarted(const Bytes& activity) {
  ShowTransfer(activity);
}

void GuiDownload::Progress(int percent) {
  transfer_.SetProgress(percent);
}

void GuiDownload::TransferEnded() {
  transfer_.hide();
  SetBusyCursor(false);
}

}  // namespace qv

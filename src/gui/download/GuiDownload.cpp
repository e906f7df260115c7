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
      engine_(std::make_unique<DownloadEngine>(*link_, *this, ctx.Texts)) {
  qRegisterMetaType<qv::DownloadResult>("qv::DownloadResult");
  transfer_.SetCancelHandler([this] { Cancel(); });
}

GuiDownload::~GuiDownload() {
  if (worker_) {
    abandoned_.store(true);
    engine_->Cancel();
    worker_->wait();
  }
  SetBusyCursor(false);
}

void GuiDownload::ApplyPortChoice(const PortChoice& choice) {
  if (running_) return;
  link_->SetSerialPort(choice.Device(), choice.BaudRateValue());
}

void GuiDownload::Start() {
  if (running_) return;
  // A Yes whose save does not happen keeps the document and its flags: the download stops.
  if (!ctx_.Workspace.ConfirmDiscard(documentHost_, DiscardCommand::Replace)) {
    DownloadResult declined;
    declined.outcome = DownloadOutcome::Declined;
    emit finished(declined);
    return;
  }
  ctx_.Workspace.PrepareRowEditing();
  trace_.Start();
  link_->SetTrace(&trace_);
  running_ = true;
  emit runningChanged(true);
  worker_.reset(QThread::create([this] {
    auto doc = std::make_shared<Document>();
    const DownloadResult result = engine_->Run(*doc);
    Post([this, result, doc] { Finish(result, doc); });
  }));
  worker_->start();
}

void GuiDownload::Cancel() {
  engine_->Cancel();
}

void GuiDownload::Finish(const DownloadResult& result, const std::shared_ptr<Document>& doc) {
  if (worker_) {
    worker_->wait();
    worker_.reset();
  }
  HideTransfer();
  DownloadResult outcome = result;
  InstallDownloaded(outcome, std::move(*doc), ctx_.Workspace, documentHost_);
  // Tests left out for damaged pages are told after the transfer, as damaged logging pages are.
  if (const std::optional<Notice> lost = outcome.ok() ? LostTestsNotice(outcome) : std::nullopt) {
    documentHost_.Message(lost->icon, ctx_.Texts.Translate(lost->key) + lost->suffix);
  }
  running_ = false;
  emit runningChanged(false);
  emit finished(outcome);
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

bool GuiDownload::Ask(std::string_view key) {
  const std::string copy(key);
  return AskOnGuiThread([this, copy] { return documentHost_.Ask(copy); }, false);
}

bool GuiDownload::SaveAs() {
  return AskOnGuiThread([this] { return documentHost_.SaveAs(); }, false);
}

void GuiDownload::Message(MessageIcon icon, const Bytes& text) {
  // Nothing may cover the message: the always-visible transfer box goes first. The worker waits
  // until the person has read it, so that what follows comes after it.
  AskOnGuiThread(
      [this, icon, text] {
        HideTransfer();
        documentHost_.Message(icon, text);
        return true;
      },
      true);
}

bool GuiDownload::ChooseBlockToShow(std::vector<TLoggerRecord>& blocks) {
  return AskOnGuiThread(
      [this, &blocks] {
        HideTransfer();
        return documentHost_.ChooseBlockToShow(blocks);
      },
      false);
}

std::optional<MemoryChoice> GuiDownload::ChooseMemory() {
  return AskOnGuiThread(
      [this]() -> std::optional<MemoryChoice> {
        HideTransfer();
        const ArrowWhileAsking arrow;
        const int position = memoryChoice_.Choose();
        if (position < 0) return std::nullopt;
        return static_cast<MemoryChoice>(position);
      },
      std::optional<MemoryChoice>());
}

bool GuiDownload::ChooseBlocksToDownload(std::vector<TLoggerRecord>& blocks) {
  // The worker waits for the answer: the list works on its blocks meanwhile.
  return AskOnGuiThread(
      [this, &blocks] {
        HideTransfer();
        const ArrowWhileAsking arrow;
        blockList_.SetBlocks(&blocks);
        blockList_.SetMode(ListMode::DownLoad);
        blockList_.SizeBlockList(static_cast<int>(blocks.size()));
        return blockList_.ShowModal();
      },
      false);
}

void GuiDownload::ShowTransfer(const Bytes& activity) {
  transfer_.SetCancelEnabled(true);
  transfer_.SetProgress(0);
  transfer_.SetActivity(ctx_.Decode(activity));
  transfer_.show();
  transfer_.raise();
  SetBusyCursor(true);
}

void GuiDownload::HideTransfer() {
  transfer_.hide();
  SetBusyCursor(false);
}

void GuiDownload::Connecting(const Bytes& activity) {
  Post([this, activity] { ShowTransfer(activity); });
}

void GuiDownload::TransferStarted(const Bytes& activity) {
  Post([this, activity] { ShowTransfer(activity); });
}

void GuiDownload::Progress(int percent) {
  Post([this, percent] { transfer_.SetProgress(percent); });
}

void GuiDownload::TransferEnded() {
  Post([this] { HideTransfer(); });
}

}  // namespace qv

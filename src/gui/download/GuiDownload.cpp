#include "download/GuiDownload.h"

#include "app/MainForm.h"
#include "download/DLSelectDialog.h"
#include "download/DownLoadListDialog.h"
#include "link/TransferDialog.h"
#include "view/DocumentViews.h"

#include <QApplication>
#include <QCursor>

namespace qv {

GuiDownload::GuiDownload(TfrmMainForm& form, AppContext& ctx, Prompter& prompter)
    : form_(form),
      ctx_(ctx),
      prompter_(prompter),
      link_(std::make_unique<Link>(*this, ctx.Texts)),
      engine_(std::make_unique<DownloadEngine>(ctx.Doc, *link_, *this, ctx.Texts)) {}

GuiDownload::~GuiDownload() {
  SetBusyCursor(false);
}

void GuiDownload::ApplyPortChoice(const PortChoice& choice) {
  link_->SetSerialPort(choice.Device(), choice.BaudRateValue());
}

DownloadResult GuiDownload::Run() {
  if (TfrmTransfering* t = form_.Forms().Transfering) {
    t->SetCancelHandler([this] { engine_->Cancel(); });
  }
  return engine_->Run();
}

void GuiDownload::Pump() {
  if (TfrmTransfering* t = form_.Forms().Transfering) t->RepaintNow();
  QCoreApplication::processEvents();
}

void GuiDownload::Message(MessageIcon icon, const Bytes& text) {
  // A message box over a busy cursor would look frozen.
  const bool wasBusy = busy_;
  SetBusyCursor(false);
  prompter_.Message(&form_, ctx_.Decode(text),
                    icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::Information);
  SetBusyCursor(wasBusy);
}

void GuiDownload::HideTransferDialog() {
  if (TfrmTransfering* t = form_.Forms().Transfering) t->hide();
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
  return prompter_.Question(&form_, ctx_.Tr(key), QMessageBox::Information);
}

bool GuiDownload::SaveAs() {
  return form_.mmFileSaveAsClick();
}

std::optional<MemoryChoice> GuiDownload::ChooseMemory() {
  const bool wasBusy = busy_;
  SetBusyCursor(false);
  const int position = form_.Forms().DLSelect->Choose();
  SetBusyCursor(wasBusy);
  if (position < 0) return std::nullopt;
  return static_cast<MemoryChoice>(position);
}

bool GuiDownload::ChooseBlocksToDownload(std::vector<TLoggerRecord>& blocks) {
  TfrmDownLoadList* list = form_.Forms().DownLoadList;
  list->SetBlocks(&blocks);
  list->SetMode(ListMode::DownLoad);
  return list->ShowModal();
}

bool GuiDownload::ChooseBlockToShow(std::vector<TLoggerRecord>& blocks) {
  TfrmDownLoadList* list = form_.Forms().DownLoadList;
  list->SetBlocks(&blocks);
  list->SetMode(ListMode::Show);
  return list->ShowModal();
}

void GuiDownload::ShowTransferDialog(const Bytes& activity) {
  TfrmTransfering* t = form_.Forms().Transfering;
  t->SetCancelEnabled(true);
  t->SetProgress(0);
  t->SetActivity(ctx_.Decode(activity));
  t->show();
  t->raise();
}

void GuiDownload::SetProgress(int percent) {
  form_.Forms().Transfering->SetProgress(percent);
}

void GuiDownload::SetCaption(Caption caption) {
  if (caption == Caption::Title) {
    form_.SetCaptionTitle();
  } else {
    form_.SetCaptionTitleAndFile();
  }
}

void GuiDownload::PrepareRowEditing() {
  form_.PrepareRowEditing();
}

void GuiDownload::CloseViews() {
  form_.HideDocumentViews();
  form_.CloseAllMdiChildren();
}

void GuiDownload::SizeBlockList(int n) {
  form_.Forms().DownLoadList->SizeBlockList(n);
}

void GuiDownload::ResultsCleared() {
  form_.Views().Table()->State().WidestLocationText = 0;
}

bool GuiDownload::FillTreeView() {
  return form_.Views().FillTreeView();
}

void GuiDownload::ComputeColumnShading() {
  form_.Views().ComputeColumnShading();
}

bool GuiDownload::LayoutTable() {
  return form_.Views().LayoutTable();
}

void GuiDownload::ShowResults() {
  form_.ShowResultsViews();
}

void GuiDownload::HideTable() {
  form_.HideTable();
}

void GuiDownload::ShowTable() {
  form_.ShowTable();
}

void GuiDownload::CurrentBlockChosen() {
  SaveInterfaceChoices(ctx_.Settings, ctx_.Choices);
}

}  // namespace qv

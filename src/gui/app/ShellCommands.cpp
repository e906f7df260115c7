// The commands of the File, Instrument, Config, Window and Help menus: each hands the work
// to the object that owns it.
#include "app/AboutBox.h"
#include "app/DocumentCommands.h"
#include "app/HelpWindow.h"
#include "app/LanguageDialog.h"
#include "app/MainForm.h"
#include "common/Cursors.h"
#include "download/GuiDownload.h"
#include "files/SafeWrite.h"
#include "graph/GraphWindow.h"
#include "graph/ShowGraphDialog.h"
#include "link/PortDialog.h"
#include "view/UnitsDialog.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace qv {

// ---- File ----

void TfrmMainForm::mmFileOpenClick() {
  commands_->mmFileOpenClick();
}

bool TfrmMainForm::mmFileSaveAsClick() {
  return commands_->mmFileSaveAsClick();
}

void TfrmMainForm::mmFileCloseClick() {
  commands_->mmFileCloseClick();
}

void TfrmMainForm::mmFileExitClick() {
  if (!ctx_.Workspace.ConfirmDiscard(*commands_, DiscardCommand::Exit)) return;
  QCoreApplication::processEvents();
  exitConfirmed_ = true;
  close();
}

// ---- Instrument and Config ----

void TfrmMainForm::mmInstrDownLoadClick() {
  if (download_) download_->Run();
}

void TfrmMainForm::mmConfigPortClick() {
  dialogs_.Port->mmConfigPortClick();
}

void TfrmMainForm::mmConfigLanguageClick() {
  dialogs_.Language->mmConfigLanguageClick();
}

void TfrmMainForm::ppLogListClick() {
  commands_->ppLogListClick();
}

void TfrmMainForm::ppUnitsClick() {
  dialogs_.Units->ppUnitsClick();
}

// ---- Window ----

void TfrmMainForm::mmWinCascadeClick() {
  mdiArea_->cascadeSubWindows();
}

void TfrmMainForm::mmWinHorizClick() {
  TileChildren(true);
}

void TfrmMainForm::mmWinVerticClick() {
  TileChildren(false);
}

void TfrmMainForm::mmWinMinimizeClick() {
  if (QMdiSubWindow* active = mdiArea_->activeSubWindow()) active->showMinimized();
}

void TfrmMainForm::TileChildren(bool horizontal) {
  QList<QMdiSubWindow*> windows;
  for (QMdiSubWindow* w : mdiArea_->subWindowList(QMdiArea::CreationOrder)) {
    if (!w->isMinimized() && !w->isHidden()) windows.push_back(w);
  }
  if (windows.isEmpty()) return;
  const QRect area = mdiArea_->viewport()->rect();
  const int n = static_cast<int>(windows.size());
  // Up to four windows share the area in strips; more go into a grid of rows (horizontal) or
  // columns, as the desktop's own tiling does, so that every chart keeps a usable size.
  const int lines = n <= 4 ? n : static_cast<int>(std::ceil(std::sqrt(static_cast<double>(n))));
  const int across = (n + lines - 1) / lines;
  for (int i = 0; i < n; ++i) {
    QMdiSubWindow* w = windows[i];
    if (w->isMaximized()) w->showNormal();
    const int line = i / across;
    const int place = i % across;
    const int inLine = std::min(across, n - line * across);
    if (horizontal) {
      const int top = area.height() * line / lines;
      const int left = area.width() * place / inLine;
      w->setGeometry(left, top, area.width() * (place + 1) / inLine - left,
                     area.height() * (line + 1) / lines - top);
    } else {
      const int left = area.width() * line / lines;
      const int top = area.height() * place / inLine;
      w->setGeometry(left, top, area.width() * (line + 1) / lines - left,
                     area.height() * (place + 1) / inLine - top);
    }
  }
}

// ---- Graph ----

void TfrmMainForm::mmGraphDrawClick() {
  const TLoggerRecord* block = ctx_.Doc.LoggerDataLoaded ? ctx_.Doc.Current() : nullptr;
  if (!GraphMenuRule(State()).Draw || block == nullptr) {
    prompter_.Message(this, ctx_.Tr("msgNoDataForGraph_35"), QMessageBox::Information);
    return;
  }
  TfrmShowGraph* dialog = dialogs_.ShowGraph;
  dialog->Apply(ctx_.Workspace.GraphAvailability(), ctx_.Choices.Graph);
  if (dialog->exec() != QDialog::Accepted) return;
  ctx_.Choices.Graph = dialog->Chosen();
  SaveInterfaceChoices(ctx_.Settings, ctx_.Choices);

  const BusyCursor busy;
  CloseAllMdiChildren();
  // From CO down to air temperature: the first quantity ends up on top of the tiling.
  for (int q = 16; q >= 1; --q) {
    if (!ctx_.Choices.Graph[static_cast<size_t>(q - 1)]) continue;
    auto* child = new TfrmGraphChild(ctx_, prompter_, q, *block);
    // A chart keeps room for its axes and a readable plot; a quarter of the panel (the
    // original's limit) would be cut off by the tiling of four windows and more.
    child->SetMinimumChartSize(QSize(std::max(240, panMainPanel_->width() / 8),
                                     std::max(140, panMainPanel_->height() / 8)));
    QMdiSubWindow* window = mdiArea_->addSubWindow(child);
    window->setAttribute(Qt::WA_DeleteOnClose);
    // A window that loses the focus keeps no cursor line: it would stand for a mouse gone
    // elsewhere.
    connect(window, &QMdiSubWindow::windowStateChanged, child,
            [child](Qt::WindowStates before, Qt::WindowStates now) {
              if ((before & Qt::WindowActive) && !(now & Qt::WindowActive)) child->ResetReadout();
            });
    window->setWindowIcon(windowIcon());
    window->show();
  }
  UpdateCentralArea();
  TileChildren(true);
}

void TfrmMainForm::mmGraphRefreshClick() {
  if (QMdiSubWindow* active = mdiArea_->activeSubWindow()) active->widget()->update();
}

void TfrmMainForm::mmGraphPrintClick() {
  QMdiSubWindow* active = mdiArea_->activeSubWindow();
  auto* graph = active ? qobject_cast<TfrmGraphChild*>(active->widget()) : nullptr;
  if (graph == nullptr) return;
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageOrientation(QPageLayout::Landscape);
  if (!prompter_.ChoosePrinter(printer, this)) return;
  const BusyCursor busy;
  if (!graph->Print(printer)) {
    prompter_.Message(this, QStringLiteral("The graph could not be printed."),
                      QMessageBox::Warning);
  }
}

void TfrmMainForm::mmGraphCloseClick() {
  if (QMdiSubWindow* active = mdiArea_->activeSubWindow()) active->close();
  UpdateCentralArea();
}

// ---- Help ----

bool TfrmMainForm::OpenHelp(const QString& anchor) {
  const QString path = QString::fromStdString(ctx_.Language.HelpFilePath);
  if (help_ == nullptr) help_ = new THelpWindow(this);
  if (!help_->ShowPage(path, anchor)) {
    prompter_.Message(this, CanNotOpenText(path), QMessageBox::Warning, QStringLiteral("Error"));
    return false;
  }
  return true;
}

void TfrmMainForm::OpenFromCommandLine(const QString& path) {
  if (!ctx_.Workspace.ConfirmDiscard(*commands_, DiscardCommand::Replace)) return;
  commands_->OpenPath(path);
}

void TfrmMainForm::mmHelpContentsClick() {
  OpenHelp(QString());
}

// The page ends in its index of terms, each a link into the page.
void TfrmMainForm::mmHelpIndexClick() {
  OpenHelp(QStringLiteral("index"));
}

void TfrmMainForm::mmHelpSaveTraceClick() {
  if (download_ == nullptr || download_->LastTrace().Empty()) return;
  QFileDialog dialog(this, ctx_.Tr("mmHelpSaveTrace_25").remove(QStringLiteral("...")),
                     TestResultsFolder(), QStringLiteral("Text Files (*.txt)"));
  dialog.setObjectName(QStringLiteral("sdTraceDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("txt"));
  dialog.selectFile(QStringLiteral("link-trace.txt"));
  const QString path = prompter_.ChooseFile(dialog);
  if (path.isEmpty()) return;
  const std::string text = download_->LastTrace().Text();
  if (std::optional<WriteFailure> failure = WriteFileSafely(path, {text}, ctx_.Codec)) {
    prompter_.Message(this, ctx_.Decode(failure->message), QMessageBox::Warning);
  }
}

void TfrmMainForm::mmHelpAboutClick() {
  dialogs_.About->ShowAbout();
}

}  // namespace qv

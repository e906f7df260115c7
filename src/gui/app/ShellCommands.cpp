// The commands of the File, Instrument, Config, Window and Help menus: each hands the work
// to the object that owns it.
#include "app/AboutBox.h"
#include "app/DocumentCommands.h"
#include "app/HelpWindow.h"
#include "app/LanguageDialog.h"
#include "app/LimitsDialog.h"
#include "app/MainForm.h"
#include "app/ReportCommands.h"
#include "archive/ArchiveWindow.h"
#include "comfort/ComfortCalculator.h"
#include "comfort/ComfortDialog.h"
#include "common/Cursors.h"
#include "download/GuiDownload.h"
#include "files/SafeWrite.h"
#include "graph/GraphWindow.h"
#include "graph/ShowGraphDialog.h"
#include "link/PortDialog.h"
#include "survey/LimitSettings.h"
#include "view/UnitsDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QScrollBar>
#include <QStyle>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace qv {
namespace {

// The least a chart needs for its title, legend, axes with their labels and a readable plot.
constexpr int kLeastChartWidth = 400;
constexpr int kLeastChartHeight = 220;

}  // namespace

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

void TfrmMainForm::mmFileArchiveClick() {
  dialogs_.Archive->ShowArchive();
}

void TfrmMainForm::mmFileExitClick() {
  if (!ctx_.Workspace.ConfirmDiscard(*commands_, DiscardCommand::Exit)) return;
  exitConfirmed_ = true;
  close();
}

// ---- Instrument and Config ----

void TfrmMainForm::mmInstrDownLoadClick() {
  if (download_) download_->Start();
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

void TfrmMainForm::mmConfigLimitsClick() {
  dialogs_.Limits->mmConfigLimitsClick();
}

// ---- Window ----

void TfrmMainForm::mmWinCascadeClick() {
  const QList<QMdiSubWindow*> windows = ArrangeableWindows();
  if (windows.isEmpty()) return;
  ScrollMdiAreaHome();
  const QRect area = mdiArea_->viewport()->rect();
  // Each window two thirds of the area, never below what its chart needs, each one a title bar
  // further down and to the right; the desktop's own cascade makes them too small to read.
  const int step = std::max(20, style()->pixelMetric(QStyle::PM_TitleBarHeight) + 4);
  for (qsizetype i = 0; i < windows.size(); ++i) {
    QMdiSubWindow* w = windows[i];
    if (w->isMaximized()) w->showNormal();
    const QSize size = QSize(area.width() * 2 / 3, area.height() * 2 / 3)
                           .expandedTo(w->minimumSizeHint())
                           .expandedTo(w->minimumSize());
    // Back near the top once a window would leave the area, where the area allows it.
    const int across = std::max(1, (area.width() - size.width()) / step + 1);
    const int down = std::max(1, (area.height() - size.height()) / step + 1);
    const int room = std::min(across, down);
    const int at = static_cast<int>(i);
    const int offset = (at % room) * step + (at / room) * step / 3;
    w->setGeometry(offset, offset, size.width(), size.height());
    w->raise();
  }
  mdiArea_->setActiveSubWindow(windows.back());
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

QList<QMdiSubWindow*> TfrmMainForm::ArrangeableWindows() const {
  QList<QMdiSubWindow*> windows;
  for (QMdiSubWindow* w : mdiArea_->subWindowList(QMdiArea::CreationOrder)) {
    if (!w->isMinimized() && !w->isHidden()) windows.push_back(w);
  }
  return windows;
}

void TfrmMainForm::ScrollMdiAreaHome() {
  // Windows are placed in the area's own coordinates, which scrolling shifts.
  mdiArea_->horizontalScrollBar()->setValue(0);
  mdiArea_->verticalScrollBar()->setValue(0);
}

void TfrmMainForm::TileChildren(bool horizontal) {
  const QList<QMdiSubWindow*> windows = ArrangeableWindows();
  if (windows.isEmpty()) return;
  ScrollMdiAreaHome();
  QSize minimum;
  for (QMdiSubWindow* w : windows) {
    if (w->isMaximized()) w->showNormal();
    minimum = minimum.expandedTo(w->minimumSizeHint()).expandedTo(w->minimumSize());
  }
  const int n = static_cast<int>(windows.size());
  // Up to four windows share the area in strips; more go into a grid of rows (horizontal) or
  // columns, as the desktop's own tiling does.
  const int lines = n <= 4 ? n : static_cast<int>(std::ceil(std::sqrt(static_cast<double>(n))));
  const int across = (n + lines - 1) / lines;
  // A window never shrinks below what its chart needs: the area scrolls instead. Where it will
  // scroll one way, its scroll bar takes room from the other.
  QRect area = mdiArea_->viewport()->rect();
  const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  const int rowsDown = horizontal ? lines : across;
  const int colsAcross = horizontal ? across : lines;
  if (area.height() / rowsDown < minimum.height()) area.setWidth(area.width() - bar);
  if (area.width() / colsAcross < minimum.width()) area.setHeight(area.height() - bar);
  // Cell `index` of `count` along `total` pixels: an equal share, or the minimum when the share
  // is smaller.
  const auto span = [](int total, int index, int count, int least) {
    if (total / count >= least) {
      const int start = total * index / count;
      return std::pair{start, total * (index + 1) / count - start};
    }
    return std::pair{index * least, least};
  };
  for (int i = 0; i < n; ++i) {
    const int line = i / across;
    const int place = i % across;
    const int inLine = std::min(across, n - line * across);
    std::pair<int, int> x, y;
    if (horizontal) {
      y = span(area.height(), line, lines, minimum.height());
      x = span(area.width(), place, inLine, minimum.width());
    } else {
      x = span(area.width(), line, lines, minimum.width());
      y = span(area.height(), place, inLine, minimum.height());
    }
    windows[i]->setGeometry(x.first, y.first, x.second, y.second);
  }
}

// ---- Graph ----

void TfrmMainForm::mmGraphDrawClick() {
  const TLoggerRecord* block = ctx_.Doc.LoggerDataLoaded() ? ctx_.Doc.Current() : nullptr;
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
    ConnectSurvey(child);
    AddGraphWindow(child);
  }
  ApplyLimitsToGraphs();
  UpdateCentralArea();
  TileChildren(true);
}

void TfrmMainForm::AddGraphWindow(TfrmGraphChild* child) {
  // A chart keeps a quarter of the panel, and never less than its axes, labels and a
  // readable plot need; where many windows would be smaller the area scrolls.
  child->SetMinimumChartSize(QSize(
      std::max(kLeastChartWidth, static_cast<int>(std::lround(panMainPanel_->width() / 4.0))),
      std::max(kLeastChartHeight, static_cast<int>(std::lround(panMainPanel_->height() / 4.0)))));
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

void TfrmMainForm::mmGraphComfortClick() {
  const TLoggerRecord* block = ctx_.Doc.LoggerDataLoaded() ? ctx_.Doc.Current() : nullptr;
  if (!GraphMenuRule(State()).Comfort || block == nullptr) {
    prompter_.Message(this, ctx_.Tr("msgNoDataForGraph_35"), QMessageBox::Information);
    return;
  }
  std::vector<TfrmGraphChild*> windows =
      dialogs_.Comfort->mmGraphComfortClick(*block, ctx_.Doc.CurrentBlock + 1);
  // A download that ended meanwhile took the block away: its series have no place any more.
  if (!GraphMenuRule(State()).Comfort) {
    for (TfrmGraphChild* w : windows)
      delete w;
    return;
  }
  if (windows.empty()) return;
  const BusyCursor busy;
  // The new analysis replaces the series drawn from an earlier one.
  for (QMdiSubWindow* w : mdiArea_->subWindowList(QMdiArea::CreationOrder)) {
    const auto* child = qobject_cast<TfrmGraphChild*>(w->widget());
    if (child != nullptr && child->Computed()) {
      w->close();
      delete w;
    }
  }
  for (TfrmGraphChild* child : windows)
    AddGraphWindow(child);
  UpdateCentralArea();
  TileChildren(true);
}

// ---- Tools ----

void TfrmMainForm::mmToolsComfortCalculatorClick() {
  dialogs_.ComfortCalculator->mmToolsComfortCalculatorClick();
}

void TfrmMainForm::ApplyLimitsToGraphs() {
  const LimitTable limits = LimitsInUnits(LoadLimits(ctx_.Settings).Limits, ctx_.DisplayUnits());
  for (QMdiSubWindow* window : mdiArea_->subWindowList()) {
    if (auto* graph = qobject_cast<TfrmGraphChild*>(window->widget()))
      if (graph->Quantity() >= 1 && graph->Quantity() <= kQuantityCount)
        graph->SetLimits(limits[static_cast<size_t>(graph->Quantity() - 1)]);
  }
}

void TfrmMainForm::ConnectSurvey(TfrmGraphChild* graph) {
  graph->SetAirChangeHandler([this](const AirChangeRequest& r) { report_->AddAirChange(r); });
}

void TfrmMainForm::mmGraphRefreshClick() {
  if (QMdiSubWindow* active = mdiArea_->activeSubWindow()) active->widget()->update();
}

TfrmGraphChild* TfrmMainForm::ActiveGraph() const {
  QMdiSubWindow* active = mdiArea_->activeSubWindow();
  return active ? qobject_cast<TfrmGraphChild*>(active->widget()) : nullptr;
}

void TfrmMainForm::mmGraphSaveImageClick() {
  if (TfrmGraphChild* graph = ActiveGraph()) graph->SaveImageAs();
}

void TfrmMainForm::mmGraphPrintClick() {
  TfrmGraphChild* graph = ActiveGraph();
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

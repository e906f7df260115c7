#include "app/MainForm.h"

#include "format/DateTimeText.h"
#include "print/HeaderSettings.h"

#include "app/AboutBox.h"
#include "app/DocumentCommands.h"
#include "app/ExportDialog.h"
#include "app/LanguageDialog.h"
#include "app/ReportCommands.h"
#include "common/ToolkitTexts.h"
#include "download/DLSelectDialog.h"
#include "download/DownLoadListDialog.h"
#include "download/GuiDownload.h"
#include "graph/ShowGraphDialog.h"
#include "link/PortDialog.h"
#include "link/TransferDialog.h"
#include "print/HeaderDialog.h"
#include "store/SignalCatalog.h"
#include "view/DocumentViews.h"
#include "view/InfoDialog.h"
#include "view/InstrumentSettingsDialog.h"
#include "view/UnitsDialog.h"

#include <QCloseEvent>
#include <QIcon>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace qv {
namespace {

constexpr int kToolBarHeight = 60;
constexpr int kToolButtonWidth = 84;
// Marks an entry whose command is not built yet: it stays disabled.
constexpr const char* kUnwired = "qvUnwired";

}  // namespace

TfrmMainForm::TfrmMainForm(AppContext& ctx, Prompter& prompter, QWidget* parent)
    : QMainWindow(parent), ctx_(ctx), prompter_(prompter) {
  setObjectName(QStringLiteral("frmMainForm"));
  // Before any dialog is made: the toolkit's buttons take their texts when they are created.
  InstallToolkitTranslation(ctx_.Language.LocaleName);
  commands_ = new TDocumentCommands(this, ctx_, prompter_);
  report_ = std::make_unique<TReportCommands>(this, ctx_, prompter_);
  BuildPanels();
  BuildToolBar();
  BuildMenus();
  BuildPopupMenu();

  resize(800, 600);
  UpdateTitle();
  setWindowState(windowState() | Qt::WindowMaximized);
  ComputeWidestSignalCaption();
  ctx_.Workspace.AddObserver(*this);
}

TfrmMainForm::~TfrmMainForm() {
  ctx_.Workspace.RemoveObserver(*this);
  // The graph windows go with the widgets below; their activation signals must not reach a
  // main window that is already half destroyed.
  disconnect(mdiArea_, nullptr, this, nullptr);
}

Link& TfrmMainForm::LinkObject() {
  return download_->LinkObject();
}

QFileDialog* TfrmMainForm::SaveDialog() const {
  return commands_->SaveDialog();
}

QFileDialog* TfrmMainForm::OpenDialog() const {
  return commands_->OpenDialog();
}

QDialog* TfrmMainForm::ExportDialog() const {
  return commands_->ExportDialog();
}

// ---- Building the window ----

void TfrmMainForm::BuildPanels() {
  // The main panel and the MDI area of the graph windows share the client area: one of them
  // fills it at every size, from the first frame on.
  central_ = new QStackedWidget(this);
  central_->setObjectName(QStringLiteral("central"));
  setCentralWidget(central_);

  panMainPanel_ = new QWidget(central_);
  panMainPanel_->setObjectName(QStringLiteral("panMainPanel"));
  panMainPanel_->setAutoFillBackground(true);
  auto* splitter = new QSplitter(Qt::Horizontal, panMainPanel_);
  splitter->setObjectName(QStringLiteral("spSpliter"));
  splitter->setChildrenCollapsible(false);
  views_ = new TDocumentViews(
      ctx_, prompter_, splitter, [this] { return widestSignalCaption_; }, this);
  splitter->setStretchFactor(1, 1);
  auto* layout = new QVBoxLayout(panMainPanel_);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(splitter);

  mdiArea_ = new QMdiArea(central_);
  mdiArea_->setObjectName(QStringLiteral("mdiArea"));
  // Windows keep the size their charts need; where they do not fit the area scrolls.
  mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  central_->addWidget(panMainPanel_);
  central_->addWidget(mdiArea_);
  central_->setCurrentWidget(panMainPanel_);
  connect(mdiArea_, &QMdiArea::subWindowActivated, this, [this] { UpdateCentralArea(); });

  connect(views_, &TDocumentViews::tableClicked, this, &TfrmMainForm::ApplyClick);
  connect(views_, &TDocumentViews::popupRequested, this,
          [this](const QPoint& pos) { ppPopupMenu_->popup(pos); });
}

void TfrmMainForm::UpdateCentralArea() {
  // A window being closed is hidden before it leaves the list.
  const QList<QMdiSubWindow*> windows = mdiArea_->subWindowList();
  const bool graphs =
      std::any_of(windows.begin(), windows.end(), [](const QWidget* w) { return !w->isHidden(); });
  central_->setCurrentWidget(graphs ? static_cast<QWidget*>(mdiArea_) : panMainPanel_);
  mmEditClick();
}

void TfrmMainForm::BuildToolBar() {
  pbButtons_ = new QToolBar(this);
  pbButtons_->setObjectName(QStringLiteral("pbButtons"));
  pbButtons_->setFixedHeight(kToolBarHeight);
  pbButtons_->setMovable(false);
  pbButtons_->setFloatable(false);
  pbButtons_->setContextMenuPolicy(Qt::PreventContextMenu);
  pbButtons_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  pbButtons_->setIconSize(QSize(26, 26));
  addToolBar(Qt::TopToolBarArea, pbButtons_);

  struct Button {
    const char* name;
    const char* key;
    const char* icon;
    std::function<void()> click;
  };
  const Button buttons[] = {
      {"sbFileOpen", "sbFileOpen_15", "open.svg", [this] { mmFileOpenClick(); }},
      {"sbFileSave", "sbFileSave_15", "save.svg", [this] { mmFileSaveAsClick(); }},
      {"sbDownLoad", "sbDownLoad_15", "download.svg", [this] { mmInstrDownLoadClick(); }},
      {"sbGraph", "sbGraph_15", "graph.svg", [this] { mmGraphDrawClick(); }},
      {"sbExit", "sbExit_15", "exit.svg", [this] { mmFileExitClick(); }},
  };
  for (const Button& b : buttons) {
    auto* button = new QToolButton(pbButtons_);
    button->setObjectName(QString::fromLatin1(b.name));
    button->setText(ctx_.Tr(b.key));
    button->setIcon(QIcon(QStringLiteral(":/icons/") + QString::fromLatin1(b.icon)));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setMinimumWidth(kToolButtonWidth);
    button->setFocusPolicy(Qt::NoFocus);
    if (b.click) {
      connect(button, &QToolButton::clicked, this, Guarded(b.click, Guard::Download));
    } else {
      button->setEnabled(false);
    }
    pbButtons_->addWidget(button);
  }
}

QMenu* TfrmMainForm::AddMenu(const char* name, const char* key) {
  QMenu* menu = menuBar()->addMenu(ctx_.Tr(key));
  menu->setObjectName(QString::fromLatin1(name));
  // Separators stay where they are declared, at the menu's ends too.
  menu->setSeparatorsCollapsible(false);
  return menu;
}

QAction* TfrmMainForm::AddEntry(QMenu* menu, const char* name, const char* key) {
  QAction* action = menu->addAction(ctx_.Tr(key));
  action->setObjectName(QString::fromLatin1(name));
  // Until a command is wired to it.
  action->setProperty(kUnwired, true);
  action->setEnabled(false);
  return action;
}

std::function<void()> TfrmMainForm::Guarded(std::function<void()> command, Guard guard) {
  return [this, command = std::move(command), guard] {
    if (guard == Guard::Download && DownloadRunning()) return;
    command();
  };
}

void TfrmMainForm::Wire(QAction* action, std::function<void()> command, Guard guard) {
  action->setProperty(kUnwired, false);
  action->setEnabled(true);
  connect(action, &QAction::triggered, this, Guarded(std::move(command), guard));
}

void TfrmMainForm::Enable(const char* name, bool on) {
  if (QAction* a = Action(QString::fromLatin1(name))) {
    a->setEnabled(on && !a->property(kUnwired).toBool());
  }
}

void TfrmMainForm::BuildMenus() {
  QMenu* file = AddMenu("mmFile", "mmFile_15");
  Wire(AddEntry(file, "mmFileOpen", "mmFileOpen_15"), [this] { mmFileOpenClick(); });
  Wire(AddEntry(file, "mmFileClose", "mmFileClose_15"), [this] { mmFileCloseClick(); });
  Wire(AddEntry(file, "mmFileSaveAs", "mmFileSaveAs_15"), [this] { mmFileSaveAsClick(); });
  Wire(AddEntry(file, "mmFileSaveLogAsRes", "mmFileSaveLogAsRes_15"),
       [this] { commands_->mmFileSaveLogAsResClick(); });
  file->addSeparator();
  Wire(AddEntry(file, "mmFileHeadSetUp", "mmFileHeadSetUp_15"),
       [this] { dialogs_.Header->mmSettHeaderClick(); });
  Wire(AddEntry(file, "mmFilePreview", "mmFilePreview_15"),
       [this] { report_->mmFilePreviewClick(); });
  Wire(AddEntry(file, "mmFileExportReport", "mmFileExportReport_25"),
       [this] { report_->mmFileExportReportClick(); });
  Wire(AddEntry(file, "mmFileInfo", "ppFileInfo_15"), [this] { dialogs_.Info->ppFileInfoClick(); });
  file->addSeparator();
  Wire(AddEntry(file, "mmFileExport", "mmFileExport_15"),
       [this] { commands_->mmFileExportClick(); });
  file->addSeparator();
  Wire(AddEntry(file, "mmFileExit", "mmFileExit_15"), [this] { mmFileExitClick(); });
  connect(file, &QMenu::aboutToShow, this, &TfrmMainForm::mmFileClick);

  QMenu* edit = AddMenu("mmEdit", "mmEdit_15");
  QAction* copy = AddEntry(edit, "mmEditCopy", "mmEditCopy_15");
  copy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  Wire(copy, [this] { views_->ppCopyClick(); });
  QAction* selectAll = AddEntry(edit, "mmEditSelAll", "mmEditSelAll_15");
  selectAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
  Wire(selectAll, [this] { views_->ppSelectAllClick(); });
  connect(edit, &QMenu::aboutToShow, this, &TfrmMainForm::mmEditClick);
  // The shortcuts work without opening the menu: the entries follow the table's visibility.
  views_->Table()->installEventFilter(this);
  mmEditClick();

  QMenu* instrument = AddMenu("mmInstrument", "mmInstrument_15");
  // Its single entry stands between two separators, which Qt would otherwise fold away.
  instrument->setSeparatorsCollapsible(false);
  instrument->addSeparator();
  Wire(AddEntry(instrument, "mmInstrDownLoad", "mmInstrDwnLoad_15"),
       [this] { mmInstrDownLoadClick(); });
  instrument->addSeparator();

  QMenu* config = AddMenu("mmConfig", "mmConfig_15");
  Wire(AddEntry(config, "mmConfigPort", "mmConfigPort_15"), [this] { mmConfigPortClick(); });
  Wire(
      AddEntry(config, "mmConfigLanguage", "mmConfigLanguage_15"),
      [this] { mmConfigLanguageClick(); }, Guard::None);
  config->addSeparator();
  Wire(AddEntry(config, "mmConfigLogList", "ppLogList_15"), [this] { ppLogListClick(); });
  Wire(
      AddEntry(config, "mmConfigUnits", "mmConfigUnits_15"), [this] { ppUnitsClick(); },
      Guard::None);
  connect(config, &QMenu::aboutToShow, this, &TfrmMainForm::mmConfigClick);

  QMenu* graph = AddMenu("mmGraph", "mmGraph_15");
  Wire(AddEntry(graph, "mmGraphDraw", "mmGraphDraw_15"), [this] { mmGraphDrawClick(); });
  Wire(
      AddEntry(graph, "mmGraphRefresh", "mmGraphRefresh_15"), [this] { mmGraphRefreshClick(); },
      Guard::None);
  Wire(
      AddEntry(graph, "mmGraphPrint", "mmGraphPrint_15"), [this] { mmGraphPrintClick(); },
      Guard::None);
  Wire(
      AddEntry(graph, "mmGraphSaveImage", "mmGraphSaveImage_25"),
      [this] { mmGraphSaveImageClick(); }, Guard::None);
  Wire(
      AddEntry(graph, "mmGraphClose", "mmGraphClose_15"), [this] { mmGraphCloseClick(); },
      Guard::None);
  Wire(
      AddEntry(graph, "mmGraphCloseAll", "mmGraphCloseAll_15"), [this] { CloseAllMdiChildren(); },
      Guard::None);
  connect(graph, &QMenu::aboutToShow, this, &TfrmMainForm::mmGraphClick);

  QMenu* window = AddMenu("mmWindow", "mmWindow_15");
  Wire(
      AddEntry(window, "mmWinCascade", "mmWinCascade_15"), [this] { mmWinCascadeClick(); },
      Guard::None);
  Wire(
      AddEntry(window, "mmWinHoriz", "mmWinHoriz_15"), [this] { mmWinHorizClick(); }, Guard::None);
  Wire(
      AddEntry(window, "mmWinVertic", "mmWinVertic_15"), [this] { mmWinVerticClick(); },
      Guard::None);
  Wire(
      AddEntry(window, "mmWinMinimize", "mmWinMinimize_15"), [this] { mmWinMinimizeClick(); },
      Guard::None);
  connect(window, &QMenu::aboutToShow, this, &TfrmMainForm::mmWindowClick);

  QMenu* help = AddMenu("mmHelp", "mmHelp_15");
  Wire(
      AddEntry(help, "mmHelpContents", "mmHelpContents_15"), [this] { mmHelpContentsClick(); },
      Guard::None);
  Wire(
      AddEntry(help, "mmHelpIndex", "mmHelpIndex_15"), [this] { mmHelpIndexClick(); }, Guard::None);
  Wire(AddEntry(help, "mmHelpSaveTrace", "mmHelpSaveTrace_25"), [this] { mmHelpSaveTraceClick(); });
  connect(help, &QMenu::aboutToShow, this, [this] {
    Enable("mmHelpSaveTrace", download_ != nullptr && !download_->LastTrace().Empty());
  });
  Wire(
      AddEntry(help, "mmHelpAbout", "mmHelpAbout_15"), [this] { mmHelpAboutClick(); }, Guard::None);
}

void TfrmMainForm::BuildPopupMenu() {
  ppPopupMenu_ = new QMenu(this);
  ppPopupMenu_->setObjectName(QStringLiteral("ppPopupMenu"));
  ppPopupMenu_->setSeparatorsCollapsible(false);
  QMenu* p = ppPopupMenu_;
  Wire(AddEntry(p, "ppFileInfo", "ppFileInfo_15"), [this] { dialogs_.Info->ppFileInfoClick(); });
  Wire(AddEntry(p, "ppInstrumentSettings", "frmInstrumentSettings_25"), [this] {
    dialogs_.InstrumentSettings->ppInstrumentSettingsClick(
        views_->Table()->State().SelectedRecordIndex);
  });
  p->addSeparator();
  Wire(AddEntry(p, "ppCopy", "mmEditCopy_15"), [this] { views_->ppCopyClick(); });
  Wire(AddEntry(p, "ppSelectAll", "mmEditSelAll_15"), [this] { views_->ppSelectAllClick(); });
  ppRowSeparator_ = p->addSeparator();
  Wire(AddEntry(p, "ppCutRow", "ppCutRow_15"), [this] { views_->ppCutRowClick(); });
  Wire(AddEntry(p, "ppCopyRow", "ppCopyRow_15"), [this] { views_->ppCopyRowClick(); });
  Wire(AddEntry(p, "ppPasteRow", "ppPasteRow_15"), [this] { views_->ppPasteRowClick(); });
  QAction* deleteRow = AddEntry(p, "ppDeleteRow", "ppDeleteRow_15");
  Wire(deleteRow, [this] { views_->ppDeleteRowClick(); });
  // Disabled until a row of a results document is selected.
  for (const char* name : {"ppCutRow", "ppCopyRow", "ppPasteRow", "ppDeleteRow"})
    Enable(name, false);
  deleteRow->setShortcut(QKeySequence(Qt::Key_Delete));
  deleteRow->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  views_->Table()->addAction(deleteRow);
  p->addSeparator();
  Wire(AddEntry(p, "ppLogList", "ppLogList_15"), [this] { ppLogListClick(); });
  Wire(AddEntry(p, "ppSaveSelAsRes", "ppSaveSelAsRes_15"), [this] {
    const TableState& state = views_->Table()->State();
    commands_->ppSaveSelAsResClick(state.RangeFirst, state.RangeLast);
  });
  // Disabled until a row range of the logging view is selected.
  Enable("ppSaveSelAsRes", false);
  Wire(
      AddEntry(p, "ppUnits", "mmConfigUnits_15"), [this] { ppUnitsClick(); }, Guard::None);
  // Hidden until the first download or open.
  FlagsChanged();
  connect(p, &QMenu::aboutToShow, this, &TfrmMainForm::ppPopupMenuPopup);
}

void TfrmMainForm::ComputeWidestSignalCaption() {
  const QFontMetrics metrics(views_->Table()->font());
  widestSignalCaption_ = qv::WidestSignalCaption(
      ctx_.Texts, [&](const Bytes& line) { return metrics.horizontalAdvance(ctx_.Decode(line)); });
}

bool TfrmMainForm::CreateDialogs() {
  if (!ctx_.Language.SettingsError.empty()) {
    prompter_.Message(this, QString::fromStdString(ctx_.Language.SettingsError),
                      QMessageBox::Warning);
  }
  // The port dialog applies the stored choice as it is created; the link takes it below.
  dialogs_.Port = new TfrmCOM_Port(
      ctx_, prompter_,
      [this](const PortChoice& c) {
        if (download_) download_->ApplyPortChoice(c);
      },
      this);
  if (!TfrmLanguage::CheckLanguageFile(ctx_, prompter_)) return false;
  dialogs_.Language = new TfrmLanguage(ctx_, prompter_, this);
  dialogs_.DLSelect = new TfrmDLSelect(ctx_, prompter_, this);
  dialogs_.DownLoadList = new TfrmDownLoadList(ctx_, this);
  dialogs_.Transfering = new TfrmTransfering(ctx_, this);
  // Created after the memory choice so that its load of the stored choices finds them all.
  dialogs_.Units = new TfrmUnits(
      ctx_, prompter_, [this] { views_->Repaint(); }, this);
  dialogs_.About = new TfrmAbout(ctx_, prompter_, this);
  dialogs_.ShowGraph = new TfrmShowGraph(ctx_, this);
  dialogs_.Info = new TfrmInfo(ctx_, this);
  dialogs_.InstrumentSettings = new TfrmInstrumentSettings(ctx_, this);
  dialogs_.Header = new TfrmHeader(ctx_, prompter_, this);
  // The texts confirmed in an earlier run head the report from the start, as the command-line
  // tool's downloads carry them, instead of only once the dialog has been opened.
  ctx_.Workspace.SetReportHeader(CurrentHeaderTexts(ctx_.Settings), Now());

  commands_->SetBlockList(dialogs_.DownLoadList);
  download_ = std::make_unique<GuiDownload>(ctx_, *commands_, *dialogs_.DLSelect,
                                            *dialogs_.DownLoadList, *dialogs_.Transfering);
  download_->ApplyPortChoice(ctx_.Port);
  return true;
}

QAction* TfrmMainForm::Action(const QString& name) const {
  return findChild<QAction*>(name);
}

QMenu* TfrmMainForm::Menu(const QString& name) const {
  return findChild<QMenu*>(name);
}

// ---- State and look ----

bool TfrmMainForm::TableVisible() const {
  return views_->TableVisible();
}

bool TfrmMainForm::DownloadRunning() const {
  return download_ != nullptr && download_->Running();
}

ShellState TfrmMainForm::State() const {
  ShellState s;
  s.TableVisible = TableVisible();
  s.MainPanelVisible = central_->currentWidget() == panMainPanel_;
  s.LoggerDataLoaded = ctx_.Doc.LoggerDataLoaded;
  s.ResultsDataLoaded = ctx_.Doc.ResultsDataLoaded;
  s.MdiChildCount = static_cast<int>(mdiArea_->subWindowList().size());
  s.SelectedRow = views_->SelectedRow();
  return s;
}

void TfrmMainForm::CloseAllMdiChildren() {
  const QList<QMdiSubWindow*> children = mdiArea_->subWindowList(QMdiArea::CreationOrder);
  for (qsizetype i = children.size() - 1; i >= 0; --i) {
    children[i]->close();
    delete children[i];
  }
  UpdateCentralArea();
}

void TfrmMainForm::UpdateTitle() {
  const DocumentTitle& title = ctx_.Workspace.Title();
  QString caption = QString::fromLatin1(kMainTitle);
  if (title.file) caption += ctx_.Tr("File_10");
  if (title.named) caption += QLatin1Char(' ') + ctx_.Decode(title.name);
  setWindowTitle(caption);
}

void TfrmMainForm::DocumentReplaced() {
  CloseAllMdiChildren();
  // A new document: nothing selected, nothing held for pasting.
  ClickEffects none;
  none.RowCommands = false;
  none.PasteRow = false;
  none.SaveSelAsRes = false;
  ApplyClick(none);
}

void TfrmMainForm::CurrentBlockChanged() {
  SaveInterfaceChoices(ctx_.Settings, ctx_.Choices);
}

void TfrmMainForm::FlagsChanged() {
  UpdateTitle();
  const bool rows = ctx_.Workspace.RowEditingShown();
  ppRowSeparator_->setVisible(rows);
  for (const char* name :
       {"ppCutRow", "ppCopyRow", "ppPasteRow", "ppDeleteRow", "ppSaveSelAsRes"}) {
    Action(QString::fromLatin1(name))->setVisible(rows);
  }
}

void TfrmMainForm::ApplyClick(const ClickEffects& e) {
  if (e.RowCommands) {
    for (const char* name : {"ppCutRow", "ppCopyRow", "ppDeleteRow"})
      Enable(name, *e.RowCommands);
  }
  if (e.PasteRow) Enable("ppPasteRow", *e.PasteRow);
  if (e.CopySelectAll) {
    Enable("ppCopy", *e.CopySelectAll);
    Enable("ppSelectAll", *e.CopySelectAll);
  }
  if (e.SaveSelAsRes) Enable("ppSaveSelAsRes", *e.SaveSelAsRes);
}

// ---- Menu openings ----

void TfrmMainForm::mmFileClick() {
  const FileMenuEnabling e = FileMenuRule(State());
  Enable("mmFileClose", e.Close);
  Enable("mmFileSaveAs", e.SaveAs);
  Enable("mmFileSaveLogAsRes", e.SaveLogAsRes);
  Enable("mmFilePreview", e.Preview);
  Enable("mmFileExportReport", e.Preview);
  Enable("mmFileInfo", e.Info);
  Enable("mmFileExport", e.Export);
}

void TfrmMainForm::mmEditClick() {
  const EditMenuEnabling e = EditMenuRule(State());
  Enable("mmEditCopy", e.Copy);
  Enable("mmEditSelAll", e.SelectAll);
}

void TfrmMainForm::mmConfigClick() {
  const ConfigMenuEnabling e = ConfigMenuRule(State());
  Enable("mmConfigLogList", e.LogList);
  Enable("mmConfigUnits", e.Units);
}

void TfrmMainForm::mmGraphClick() {
  const GraphMenuEnabling e = GraphMenuRule(State());
  Enable("mmGraphDraw", e.Draw);
  Enable("mmGraphRefresh", e.Refresh);
  Enable("mmGraphPrint", e.Print);
  Enable("mmGraphSaveImage", e.Print);
  Enable("mmGraphClose", e.Close);
  Enable("mmGraphCloseAll", e.CloseAll);
}

void TfrmMainForm::mmWindowClick() {
  const bool on = WindowMenuRule(State());
  for (const char* name : {"mmWinCascade", "mmWinHoriz", "mmWinVertic", "mmWinMinimize"})
    Enable(name, on);
}

void TfrmMainForm::ppPopupMenuPopup() {
  const PopupMenuEnabling e = PopupMenuRule(State());
  Enable("ppLogList", e.LogList);
  Enable("ppInstrumentSettings", e.InstrumentSettings);
}

// ---- Window events ----

bool TfrmMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == views_->Table() &&
      (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
    mmEditClick();
  }
  return QMainWindow::eventFilter(watched, event);
}

void TfrmMainForm::closeEvent(QCloseEvent* event) {
  if (DownloadRunning()) {
    // The transfer dialog's Cancel ends a download; the window waits for it.
    event->ignore();
    return;
  }
  if (exitConfirmed_ || ctx_.Workspace.ConfirmDiscard(*commands_, DiscardCommand::Exit)) {
    exitConfirmed_ = true;
    event->accept();
    return;
  }
  event->ignore();
}

void TfrmMainForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!firstShow_) return;
  firstShow_ = false;
  // The tree is as wide as its widest usual line.
  auto* splitter = findChild<QSplitter*>(QStringLiteral("spSpliter"));
  const int width = views_->FirstShowTreeWidth();
  splitter->setSizes({width, std::max(1, splitter->width() - width)});
}

}  // namespace qv

#include "app/MainForm.h"

#include "format/DateTimeText.h"
#include "print/HeaderSettings.h"

#include "app/AboutBox.h"
#include "app/DocumentCommands.h"
#include "app/ExportDialog.h"
#include "app/LanguageDialog.h"
#include "app/LimitsDialog.h"
#include "app/ReportCommands.h"
#include "archive/ArchiveService.h"
#include "archive/ArchiveWindow.h"
#include "comfort/ComfortCalculator.h"
#include "comfort/ComfortDialog.h"
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
#include <QStatusBar>
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
// How long a quiet report of the archive stays in the status line.
constexpr int kQuietReportMs = 15000;

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
      connect(button, &QToolButton::clicked, this, b.click);
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

QAction* TfrmMainForm::AddEntry(QMenu* menu, QAction*& entry, const char* name, const char* key) {
  entry = menu->addAction(ctx_.Tr(key));
  entry->setObjectName(QString::fromLatin1(name));
  // Until a command is wired to it.
  entry->setProperty(kUnwired, true);
  entry->setEnabled(false);
  return entry;
}

void TfrmMainForm::Wire(QAction* action, std::function<void()> command) {
  action->setProperty(kUnwired, false);
  action->setEnabled(true);
  connect(action, &QAction::triggered, this, std::move(command));
}

void TfrmMainForm::Enable(QAction* entry, bool on) {
  on = on && !entry->property(kUnwired).toBool();
  // While a transfer runs, its rule holds the entry disabled; this is what it gets afterwards.
  if (const auto held = held_.find(entry); held != held_.end()) {
    held->second = on;
    return;
  }
  entry->setEnabled(on);
}

std::vector<QAction*> TfrmMainForm::TransferLockedEntries() const {
  std::vector<QAction*> locked;
  for (QAction* entry : findChildren<QAction*>()) {
    if (LockedWhileTransferring(entry->objectName().toStdString())) locked.push_back(entry);
  }
  return locked;
}

void TfrmMainForm::TransferRunning(bool running) {
  // One rule instead of a guard per command: what would change or replace the document, or use
  // the link, waits for the transfer, whose document replaces the open one when it ends.
  if (running) {
    for (QAction* entry : TransferLockedEntries()) {
      held_.emplace(entry, entry->isEnabled());
      entry->setEnabled(false);
    }
  } else {
    const std::map<QAction*, bool> held = std::move(held_);
    held_.clear();
    for (const auto& [entry, on] : held)
      entry->setEnabled(on);
  }
  for (QToolButton* button : pbButtons_->findChildren<QToolButton*>()) {
    if (LockedWhileTransferring(button->objectName().toStdString())) button->setEnabled(!running);
  }
  if (dialogs_.Archive != nullptr) dialogs_.Archive->TransferRunning(running);
  if (!running && closeAfterTransfer_) {
    closeAfterTransfer_ = false;
    close();
  }
}

void TfrmMainForm::BuildMenus() {
  QMenu* file = AddMenu("mmFile", "mmFile_15");
  Wire(AddEntry(file, mm_.mmFileOpen, "mmFileOpen", "mmFileOpen_15"),
       [this] { mmFileOpenClick(); });
  Wire(AddEntry(file, mm_.mmFileClose, "mmFileClose", "mmFileClose_15"),
       [this] { mmFileCloseClick(); });
  Wire(AddEntry(file, mm_.mmFileSaveAs, "mmFileSaveAs", "mmFileSaveAs_15"),
       [this] { mmFileSaveAsClick(); });
  Wire(AddEntry(file, mm_.mmFileSaveLogAsRes, "mmFileSaveLogAsRes", "mmFileSaveLogAsRes_15"),
       [this] { commands_->mmFileSaveLogAsResClick(); });
  Wire(AddEntry(file, mm_.mmFileArchive, "mmFileArchive", "mmFileArchive_25"),
       [this] { mmFileArchiveClick(); });
  file->addSeparator();
  Wire(AddEntry(file, mm_.mmFileHeadSetUp, "mmFileHeadSetUp", "mmFileHeadSetUp_15"),
       [this] { dialogs_.Header->mmSettHeaderClick(); });
  Wire(AddEntry(file, mm_.mmFilePreview, "mmFilePreview", "mmFilePreview_15"),
       [this] { report_->mmFilePreviewClick(); });
  Wire(AddEntry(file, mm_.mmFileExportReport, "mmFileExportReport", "mmFileExportReport_25"),
       [this] { report_->mmFileExportReportClick(); });
  Wire(AddEntry(file, mm_.mmFileExportSurvey, "mmFileExportSurvey", "mmFileExportSurvey_25"),
       [this] { report_->mmFileExportSurveyClick(); });
  Wire(AddEntry(file, mm_.mmFileInfo, "mmFileInfo", "ppFileInfo_15"),
       [this] { dialogs_.Info->ppFileInfoClick(); });
  file->addSeparator();
  Wire(AddEntry(file, mm_.mmFileExport, "mmFileExport", "mmFileExport_15"),
       [this] { commands_->mmFileExportClick(); });
  file->addSeparator();
  Wire(AddEntry(file, mm_.mmFileExit, "mmFileExit", "mmFileExit_15"),
       [this] { mmFileExitClick(); });
  connect(file, &QMenu::aboutToShow, this, &TfrmMainForm::mmFileClick);

  QMenu* edit = AddMenu("mmEdit", "mmEdit_15");
  QAction* copy = AddEntry(edit, mm_.mmEditCopy, "mmEditCopy", "mmEditCopy_15");
  copy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  Wire(copy, [this] { views_->ppCopyClick(); });
  QAction* selectAll = AddEntry(edit, mm_.mmEditSelAll, "mmEditSelAll", "mmEditSelAll_15");
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
  Wire(AddEntry(instrument, mm_.mmInstrDownLoad, "mmInstrDownLoad", "mmInstrDwnLoad_15"),
       [this] { mmInstrDownLoadClick(); });
  instrument->addSeparator();

  QMenu* config = AddMenu("mmConfig", "mmConfig_15");
  Wire(AddEntry(config, mm_.mmConfigPort, "mmConfigPort", "mmConfigPort_15"),
       [this] { mmConfigPortClick(); });
  Wire(AddEntry(config, mm_.mmConfigLanguage, "mmConfigLanguage", "mmConfigLanguage_15"),
       [this] { mmConfigLanguageClick(); });
  config->addSeparator();
  Wire(AddEntry(config, mm_.mmConfigLogList, "mmConfigLogList", "ppLogList_15"),
       [this] { ppLogListClick(); });
  Wire(AddEntry(config, mm_.mmConfigUnits, "mmConfigUnits", "mmConfigUnits_15"),
       [this] { ppUnitsClick(); });
  Wire(AddEntry(config, mm_.mmConfigLimits, "mmConfigLimits", "mmConfigLimits_25"),
       [this] { mmConfigLimitsClick(); });
  connect(config, &QMenu::aboutToShow, this, &TfrmMainForm::mmConfigClick);

  QMenu* graph = AddMenu("mmGraph", "mmGraph_15");
  Wire(AddEntry(graph, mm_.mmGraphDraw, "mmGraphDraw", "mmGraphDraw_15"),
       [this] { mmGraphDrawClick(); });
  Wire(AddEntry(graph, mm_.mmGraphComfort, "mmGraphComfort", "mmGraphComfort_25"),
       [this] { mmGraphComfortClick(); });
  Wire(AddEntry(graph, mm_.mmGraphRefresh, "mmGraphRefresh", "mmGraphRefresh_15"),
       [this] { mmGraphRefreshClick(); });
  Wire(AddEntry(graph, mm_.mmGraphPrint, "mmGraphPrint", "mmGraphPrint_15"),
       [this] { mmGraphPrintClick(); });
  Wire(AddEntry(graph, mm_.mmGraphSaveImage, "mmGraphSaveImage", "mmGraphSaveImage_25"),
       [this] { mmGraphSaveImageClick(); });
  Wire(AddEntry(graph, mm_.mmGraphClose, "mmGraphClose", "mmGraphClose_15"),
       [this] { mmGraphCloseClick(); });
  Wire(AddEntry(graph, mm_.mmGraphCloseAll, "mmGraphCloseAll", "mmGraphCloseAll_15"),
       [this] { CloseAllMdiChildren(); });
  connect(graph, &QMenu::aboutToShow, this, &TfrmMainForm::mmGraphClick);

  // The calculator needs no document: always at hand.
  QMenu* tools = AddMenu("mmTools", "mmTools_15");
  Wire(AddEntry(tools, mm_.mmToolsComfortCalculator, "mmToolsComfortCalculator",
                "mmToolsComfortCalculator_25"),
       [this] { mmToolsComfortCalculatorClick(); });

  QMenu* window = AddMenu("mmWindow", "mmWindow_15");
  Wire(AddEntry(window, mm_.mmWinCascade, "mmWinCascade", "mmWinCascade_15"),
       [this] { mmWinCascadeClick(); });
  Wire(AddEntry(window, mm_.mmWinHoriz, "mmWinHoriz", "mmWinHoriz_15"),
       [this] { mmWinHorizClick(); });
  Wire(AddEntry(window, mm_.mmWinVertic, "mmWinVertic", "mmWinVertic_15"),
       [this] { mmWinVerticClick(); });
  Wire(AddEntry(window, mm_.mmWinMinimize, "mmWinMinimize", "mmWinMinimize_15"),
       [this] { mmWinMinimizeClick(); });
  connect(window, &QMenu::aboutToShow, this, &TfrmMainForm::mmWindowClick);

  QMenu* help = AddMenu("mmHelp", "mmHelp_15");
  Wire(AddEntry(help, mm_.mmHelpContents, "mmHelpContents", "mmHelpContents_15"),
       [this] { mmHelpContentsClick(); });
  Wire(AddEntry(help, mm_.mmHelpIndex, "mmHelpIndex", "mmHelpIndex_15"),
       [this] { mmHelpIndexClick(); });
  Wire(AddEntry(help, mm_.mmHelpSaveTrace, "mmHelpSaveTrace", "mmHelpSaveTrace_25"),
       [this] { mmHelpSaveTraceClick(); });
  connect(help, &QMenu::aboutToShow, this, [this] {
    Enable(mm_.mmHelpSaveTrace, download_ != nullptr && !download_->LastTrace().Empty());
  });
  Wire(AddEntry(help, mm_.mmHelpAbout, "mmHelpAbout", "mmHelpAbout_15"),
       [this] { mmHelpAboutClick(); });
}

void TfrmMainForm::BuildPopupMenu() {
  ppPopupMenu_ = new QMenu(this);
  ppPopupMenu_->setObjectName(QStringLiteral("ppPopupMenu"));
  ppPopupMenu_->setSeparatorsCollapsible(false);
  QMenu* p = ppPopupMenu_;
  Wire(AddEntry(p, mm_.ppFileInfo, "ppFileInfo", "ppFileInfo_15"),
       [this] { dialogs_.Info->ppFileInfoClick(); });
  Wire(AddEntry(p, mm_.ppInstrumentSettings, "ppInstrumentSettings", "frmInstrumentSettings_25"),
       [this] {
         dialogs_.InstrumentSettings->ppInstrumentSettingsClick(
             views_->Table()->State().SelectedRecordIndex);
       });
  p->addSeparator();
  Wire(AddEntry(p, mm_.ppCopy, "ppCopy", "mmEditCopy_15"), [this] { views_->ppCopyClick(); });
  Wire(AddEntry(p, mm_.ppSelectAll, "ppSelectAll", "mmEditSelAll_15"),
       [this] { views_->ppSelectAllClick(); });
  ppRowSeparator_ = p->addSeparator();
  Wire(AddEntry(p, mm_.ppCutRow, "ppCutRow", "ppCutRow_15"), [this] { views_->ppCutRowClick(); });
  Wire(AddEntry(p, mm_.ppCopyRow, "ppCopyRow", "ppCopyRow_15"),
       [this] { views_->ppCopyRowClick(); });
  Wire(AddEntry(p, mm_.ppPasteRow, "ppPasteRow", "ppPasteRow_15"),
       [this] { views_->ppPasteRowClick(); });
  QAction* deleteRow = AddEntry(p, mm_.ppDeleteRow, "ppDeleteRow", "ppDeleteRow_15");
  Wire(deleteRow, [this] { views_->ppDeleteRowClick(); });
  // Disabled until a row of a results document is selected.
  for (QAction* entry : {mm_.ppCutRow, mm_.ppCopyRow, mm_.ppPasteRow, mm_.ppDeleteRow})
    Enable(entry, false);
  deleteRow->setShortcut(QKeySequence(Qt::Key_Delete));
  deleteRow->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  views_->Table()->addAction(deleteRow);
  p->addSeparator();
  Wire(AddEntry(p, mm_.ppLogList, "ppLogList", "ppLogList_15"), [this] { ppLogListClick(); });
  Wire(AddEntry(p, mm_.ppSaveSelAsRes, "ppSaveSelAsRes", "ppSaveSelAsRes_15"), [this] {
    const TableState& state = views_->Table()->State();
    commands_->ppSaveSelAsResClick(state.RangeFirst, state.RangeLast);
  });
  // Disabled until a row range of the logging view is selected.
  Enable(mm_.ppSaveSelAsRes, false);
  Wire(AddEntry(p, mm_.ppUnits, "ppUnits", "mmConfigUnits_15"), [this] { ppUnitsClick(); });
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
  dialogs_.Comfort = new TfrmComfort(ctx_, prompter_, this);
  dialogs_.ComfortCalculator = new TfrmComfortCalculator(ctx_, this);
  dialogs_.Limits = new TfrmLimits(
      ctx_, prompter_, [this] { ApplyLimitsToGraphs(); }, this);
  // The texts confirmed in an earlier run head the report from the start, as the command-line
  // tool's downloads carry them, instead of only once the dialog has been opened.
  ctx_.Workspace.SetReportHeader(CurrentHeaderTexts(ctx_.Settings), Now());

  commands_->SetBlockList(dialogs_.DownLoadList);
  download_ = std::make_unique<GuiDownload>(ctx_, *commands_, *dialogs_.DLSelect,
                                            *dialogs_.DownLoadList, *dialogs_.Transfering);
  download_->ApplyPortChoice(ctx_.Port);
  connect(download_.get(), &GuiDownload::runningChanged, this, &TfrmMainForm::TransferRunning);

  archive_ = std::make_unique<ArchiveService>(ctx_);
  dialogs_.Archive = new TfrmArchive(ctx_, prompter_, *commands_, *archive_, this);
  connect(commands_, &TDocumentCommands::documentFileUsed, archive_.get(),
          &ArchiveService::FileUsed);
  // A saved or opened file the archive could not take is told in a status line that shows
  // only then: the save or the opening itself went well.
  statusBar()->setObjectName(QStringLiteral("sbArchive"));
  statusBar()->hide();
  connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString& text) {
    if (text.isEmpty()) statusBar()->hide();
  });
  connect(archive_.get(), &ArchiveService::jobFinished, this, [this](const ArchiveJobResult& r) {
    const QString report = archive_->QuietReport(r);
    if (report.isEmpty()) return;
    statusBar()->show();
    statusBar()->showMessage(report, kQuietReportMs);
  });
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
  s.LoggerDataLoaded = ctx_.Doc.LoggerDataLoaded();
  s.ResultsDataLoaded = ctx_.Doc.ResultsDataLoaded();
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
  report_->ClearAirChanges();
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
  for (QAction* entry :
       {mm_.ppCutRow, mm_.ppCopyRow, mm_.ppPasteRow, mm_.ppDeleteRow, mm_.ppSaveSelAsRes}) {
    entry->setVisible(rows);
  }
}

void TfrmMainForm::ApplyClick(const ClickEffects& e) {
  if (e.RowCommands) {
    for (QAction* entry : {mm_.ppCutRow, mm_.ppCopyRow, mm_.ppDeleteRow})
      Enable(entry, *e.RowCommands);
  }
  if (e.PasteRow) Enable(mm_.ppPasteRow, *e.PasteRow);
  if (e.CopySelectAll) {
    Enable(mm_.ppCopy, *e.CopySelectAll);
    Enable(mm_.ppSelectAll, *e.CopySelectAll);
  }
  if (e.SaveSelAsRes) Enable(mm_.ppSaveSelAsRes, *e.SaveSelAsRes);
}

// ---- Menu openings ----

void TfrmMainForm::mmFileClick() {
  const FileMenuEnabling e = FileMenuRule(State());
  Enable(mm_.mmFileClose, e.Close);
  Enable(mm_.mmFileSaveAs, e.SaveAs);
  Enable(mm_.mmFileSaveLogAsRes, e.SaveLogAsRes);
  Enable(mm_.mmFilePreview, e.Preview);
  Enable(mm_.mmFileExportReport, e.ExportReport);
  Enable(mm_.mmFileExportSurvey, e.ExportSurvey);
  Enable(mm_.mmFileInfo, e.Info);
  Enable(mm_.mmFileExport, e.Export);
}

void TfrmMainForm::mmEditClick() {
  const EditMenuEnabling e = EditMenuRule(State());
  Enable(mm_.mmEditCopy, e.Copy);
  Enable(mm_.mmEditSelAll, e.SelectAll);
}

void TfrmMainForm::mmConfigClick() {
  const ConfigMenuEnabling e = ConfigMenuRule(State());
  Enable(mm_.mmConfigLogList, e.LogList);
  Enable(mm_.mmConfigUnits, e.Units);
}

void TfrmMainForm::mmGraphClick() {
  const GraphMenuEnabling e = GraphMenuRule(State());
  Enable(mm_.mmGraphDraw, e.Draw);
  Enable(mm_.mmGraphComfort, e.Comfort);
  Enable(mm_.mmGraphRefresh, e.Refresh);
  Enable(mm_.mmGraphPrint, e.Print);
  Enable(mm_.mmGraphSaveImage, e.Print);
  Enable(mm_.mmGraphClose, e.Close);
  Enable(mm_.mmGraphCloseAll, e.CloseAll);
}

void TfrmMainForm::mmWindowClick() {
  const bool on = WindowMenuRule(State());
  for (QAction* entry : {mm_.mmWinCascade, mm_.mmWinHoriz, mm_.mmWinVertic, mm_.mmWinMinimize})
    Enable(entry, on);
}

void TfrmMainForm::ppPopupMenuPopup() {
  const PopupMenuEnabling e = PopupMenuRule(State());
  Enable(mm_.ppLogList, e.LogList);
  Enable(mm_.ppInstrumentSettings, e.InstrumentSettings);
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
    // The transfer is cancelled; the window closes, with its save questions, once it has ended.
    closeAfterTransfer_ = true;
    download_->Cancel();
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

#include "app/MainForm.h"

#include "app/AboutBox.h"
#include "app/LanguageDialog.h"
#include "download/BlockList.h"
#include "download/DLSelectDialog.h"
#include "download/DownLoadListDialog.h"
#include "download/GuiDownload.h"
#include "files/ResultsFile.h"
#include "link/PortDialog.h"
#include "link/TransferDialog.h"
#include "store/BuildingTree.h"
#include "store/SignalCatalog.h"
#include "view/DocumentViews.h"
#include "view/UnitsDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QResizeEvent>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>

namespace qv {
namespace {

constexpr int kToolBarHeight = 60;
constexpr int kToolButtonWidth = 84;

// The locale's decimal separator as the value texts use it.
char LocaleDecimalSeparator() {
  const QString point = QLocale().decimalPoint();
  return point == QStringLiteral(",") ? ',' : '.';
}

// Restores the default cursor on every way out of a command.
class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

TfrmMainForm::TfrmMainForm(AppContext& ctx, Prompter& prompter, QWidget* parent)
    : QMainWindow(parent), ctx_(ctx), prompter_(prompter) {
  setObjectName(QStringLiteral("frmMainForm"));
  download_ = std::make_unique<GuiDownload>(*this, ctx_, prompter_);
  BuildPanels();
  BuildToolBar();
  BuildMenus();
  BuildPopupMenu();
  views_->ConnectCommands();
  BuildFileDialogs();

  resize(800, 600);
  setWindowTitle(QString::fromLatin1(kMainTitle));
  setWindowState(windowState() | Qt::WindowMaximized);
  ComputeWidestSignalCaption();
}

TfrmMainForm::~TfrmMainForm() = default;

Link& TfrmMainForm::LinkObject() {
  return download_->LinkObject();
}

// ---- Building the window ----

void TfrmMainForm::BuildPanels() {
  mdiArea_ = new QMdiArea(this);
  mdiArea_->setObjectName(QStringLiteral("mdiArea"));
  setCentralWidget(mdiArea_);

  // The main panel fills the MDI area's client part; graph windows appear once it is hidden.
  panMainPanel_ = new QWidget(mdiArea_);
  panMainPanel_->setObjectName(QStringLiteral("panMainPanel"));
  panMainPanel_->setAutoFillBackground(true);
  spSpliter_ = new QSplitter(Qt::Horizontal, panMainPanel_);
  spSpliter_->setObjectName(QStringLiteral("spSpliter"));
  spSpliter_->setChildrenCollapsible(false);
  // The tree and the owner-drawn table live in the document views.
  views_ = new TDocumentViews(*this, ctx_, prompter_, spSpliter_);
  tvTree_ = views_->Tree();
  dgrdDrawTable_ = views_->Table();
  spSpliter_->setStretchFactor(1, 1);
  auto* layout = new QHBoxLayout(panMainPanel_);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(spSpliter_);
  tvTree_->hide();
  dgrdDrawTable_->hide();
  mdiArea_->installEventFilter(this);
  panMainPanel_->setGeometry(mdiArea_->viewport()->geometry());
  panMainPanel_->raise();
}

bool TfrmMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == mdiArea_ && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
    panMainPanel_->setGeometry(mdiArea_->viewport()->geometry());
    panMainPanel_->raise();
  }
  return QMainWindow::eventFilter(watched, event);
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
    void (TfrmMainForm::*click)();
  };
  const Button buttons[] = {
      {"sbFileOpen", "sbFileOpen_15", "open.svg", &TfrmMainForm::mmFileOpenClick},
      {"sbFileSave", "sbFileSave_15", "save.svg", nullptr},
      {"sbDownLoad", "sbDownLoad_15", "download.svg", &TfrmMainForm::mmInstrDownLoadClick},
      // Drawing graphs belongs to the graph windows; the button stands in its place already.
      {"sbGraph", "sbGraph_15", "graph.svg", nullptr},
      {"sbExit", "sbExit_15", "exit.svg", &TfrmMainForm::mmFileExitClick},
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
    if (b.click) connect(button, &QToolButton::clicked, this, b.click);
    pbButtons_->addWidget(button);
  }
  connect(findChild<QToolButton*>(QStringLiteral("sbFileSave")), &QToolButton::clicked, this,
          [this] {
            if (!DownloadRunning()) mmFileSaveAsClick();
          });
}

QMenu* TfrmMainForm::AddMenu(const char* name, const char* key) {
  QMenu* menu = menuBar()->addMenu(ctx_.Tr(key));
  menu->setObjectName(QString::fromLatin1(name));
  // Separators stay where they are declared, at the menu's ends too.
  menu->setSeparatorsCollapsible(false);
  menus_[menu->objectName()] = menu;
  return menu;
}

QAction* TfrmMainForm::AddEntry(QMenu* menu, const char* name, const char* key) {
  QAction* action = menu->addAction(ctx_.Tr(key));
  action->setObjectName(QString::fromLatin1(name));
  actions_[action->objectName()] = action;
  return action;
}

void TfrmMainForm::BuildMenus() {
  QMenu* file = AddMenu("mmFile", "mmFile_15");
  connect(AddEntry(file, "mmFileOpen", "mmFileOpen_15"), &QAction::triggered, this,
          &TfrmMainForm::mmFileOpenClick);
  connect(AddEntry(file, "mmFileClose", "mmFileClose_15"), &QAction::triggered, this,
          &TfrmMainForm::mmFileCloseClick);
  connect(AddEntry(file, "mmFileSaveAs", "mmFileSaveAs_15"), &QAction::triggered, this, [this] {
    if (!DownloadRunning()) mmFileSaveAsClick();
  });
  AddEntry(file, "mmFileSaveLogAsRes", "mmFileSaveLogAsRes_15");
  file->addSeparator();
  AddEntry(file, "mmFileHeadSetUp", "mmFileHeadSetUp_15");
  AddEntry(file, "mmFilePreview", "mmFilePreview_15");
  AddEntry(file, "mmFileInfo", "ppFileInfo_15");
  file->addSeparator();
  AddEntry(file, "mmFileExport", "mmFileExport_15");
  file->addSeparator();
  connect(AddEntry(file, "mmFileExit", "mmFileExit_15"), &QAction::triggered, this,
          &TfrmMainForm::mmFileExitClick);
  connect(file, &QMenu::aboutToShow, this, &TfrmMainForm::mmFileClick);

  QMenu* edit = AddMenu("mmEdit", "mmEdit_15");
  AddEntry(edit, "mmEditCopy", "mmEditCopy_15")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  AddEntry(edit, "mmEditSelAll", "mmEditSelAll_15")
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
  connect(edit, &QMenu::aboutToShow, this, &TfrmMainForm::mmEditClick);
  // The shortcuts work while the menu is closed; the commands behind them test the same
  // rule when they run, so the entries are enabled again once the menu closes.
  connect(edit, &QMenu::aboutToHide, this, [edit] {
    for (QAction* a : edit->actions())
      a->setEnabled(true);
  });

  QMenu* instrument = AddMenu("mmInstrument", "mmInstrument_15");
  instrument->addSeparator();
  connect(AddEntry(instrument, "mmInstrDownLoad", "mmInstrDwnLoad_15"), &QAction::triggered, this,
          &TfrmMainForm::mmInstrDownLoadClick);
  instrument->addSeparator();

  QMenu* config = AddMenu("mmConfig", "mmConfig_15");
  connect(AddEntry(config, "mmConfigPort", "mmConfigPort_15"), &QAction::triggered, this,
          &TfrmMainForm::mmConfigPortClick);
  connect(AddEntry(config, "mmConfigLanguage", "mmConfigLanguage_15"), &QAction::triggered, this,
          &TfrmMainForm::mmConfigLanguageClick);
  config->addSeparator();
  AddEntry(config, "mmConfigLogList", "ppLogList_15");
  connect(AddEntry(config, "mmConfigUnits", "mmConfigUnits_15"), &QAction::triggered, this,
          &TfrmMainForm::ppUnitsClick);
  connect(config, &QMenu::aboutToShow, this, &TfrmMainForm::mmConfigClick);

  QMenu* graph = AddMenu("mmGraph", "mmGraph_15");
  AddEntry(graph, "mmGraphDraw", "mmGraphDraw_15");
  AddEntry(graph, "mmGraphRefresh", "mmGraphRefresh_15");
  AddEntry(graph, "mmGraphPrint", "mmGraphPrint_15");
  AddEntry(graph, "mmGraphClose", "mmGraphClose_15");
  AddEntry(graph, "mmGraphCloseAll", "mmGraphCloseAll_15");
  connect(graph, &QMenu::aboutToShow, this, &TfrmMainForm::mmGraphClick);

  QMenu* window = AddMenu("mmWindow", "mmWindow_15");
  connect(AddEntry(window, "mmWinCascade", "mmWinCascade_15"), &QAction::triggered, this,
          &TfrmMainForm::mmWinCascadeClick);
  connect(AddEntry(window, "mmWinHoriz", "mmWinHoriz_15"), &QAction::triggered, this,
          &TfrmMainForm::mmWinHorizClick);
  connect(AddEntry(window, "mmWinVertic", "mmWinVertic_15"), &QAction::triggered, this,
          &TfrmMainForm::mmWinVerticClick);
  connect(AddEntry(window, "mmWinMinimize", "mmWinMinimize_15"), &QAction::triggered, this,
          &TfrmMainForm::mmWinMinimizeClick);
  connect(window, &QMenu::aboutToShow, this, &TfrmMainForm::mmWindowClick);

  QMenu* help = AddMenu("mmHelp", "mmHelp_15");
  connect(AddEntry(help, "mmHelpContents", "mmHelpContents_15"), &QAction::triggered, this,
          &TfrmMainForm::mmHelpContentsClick);
  connect(AddEntry(help, "mmHelpIndex", "mmHelpIndex_15"), &QAction::triggered, this,
          &TfrmMainForm::mmHelpIndexClick);
  connect(AddEntry(help, "mmHelpAbout", "mmHelpAbout_15"), &QAction::triggered, this,
          &TfrmMainForm::mmHelpAboutClick);
}

void TfrmMainForm::BuildPopupMenu() {
  ppPopupMenu_ = new QMenu(this);
  ppPopupMenu_->setObjectName(QStringLiteral("ppPopupMenu"));
  ppPopupMenu_->setSeparatorsCollapsible(false);
  QMenu* p = ppPopupMenu_;
  AddEntry(p, "ppFileInfo", "ppFileInfo_15");
  AddEntry(p, "ppInstrumentSettings", "frmInstrumentSettings_25");
  p->addSeparator();
  AddEntry(p, "ppCopy", "mmEditCopy_15");
  AddEntry(p, "ppSelectAll", "mmEditSelAll_15");
  ppRowSeparator_ = p->addSeparator();
  QAction* rowEntries[] = {
      AddEntry(p, "ppCutRow", "ppCutRow_15"), AddEntry(p, "ppCopyRow", "ppCopyRow_15"),
      AddEntry(p, "ppPasteRow", "ppPasteRow_15"), AddEntry(p, "ppDeleteRow", "ppDeleteRow_15")};
  rowEntries[3]->setShortcut(QKeySequence(Qt::Key_Delete));
  rowEntries[3]->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  dgrdDrawTable_->addAction(rowEntries[3]);
  p->addSeparator();
  AddEntry(p, "ppLogList", "ppLogList_15");
  QAction* saveSel = AddEntry(p, "ppSaveSelAsRes", "ppSaveSelAsRes_15");
  connect(AddEntry(p, "ppUnits", "mmConfigUnits_15"), &QAction::triggered, this,
          &TfrmMainForm::ppUnitsClick);
  // Hidden until the first download or open.
  ppRowSeparator_->setVisible(false);
  for (QAction* a : rowEntries)
    a->setVisible(false);
  saveSel->setVisible(false);

  connect(p, &QMenu::aboutToShow, this, &TfrmMainForm::ppPopupMenuPopup);
  connect(dgrdDrawTable_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    ppPopupMenu_->popup(dgrdDrawTable_->viewport()->mapToGlobal(pos));
  });
}

void TfrmMainForm::BuildFileDialogs() {
  const QString folder = TestResultsFolder();
  // Both spellings of the extension: file names are case-sensitive here, and a file someone
  // named "x.qvl" is still ours.
  const QString filter = QStringLiteral("Quorvantel Files (*.QVL *.qvl)");
  sdSaveDialog_ = new QFileDialog(this, ctx_.Tr("SaveTitle_15"), folder, filter);
  sdSaveDialog_->setObjectName(QStringLiteral("sdSaveDialog"));
  sdSaveDialog_->setAcceptMode(QFileDialog::AcceptSave);
  sdSaveDialog_->setFileMode(QFileDialog::AnyFile);
  sdSaveDialog_->setDefaultSuffix(QStringLiteral("QVL"));
  odOpenDialog_ = new QFileDialog(this, ctx_.Tr("OpenTitle_15"), folder, filter);
  odOpenDialog_->setObjectName(QStringLiteral("odOpenDialog"));
  odOpenDialog_->setAcceptMode(QFileDialog::AcceptOpen);
  odOpenDialog_->setFileMode(QFileDialog::ExistingFile);
  odOpenDialog_->setDefaultSuffix(QStringLiteral("QVL"));
}

void TfrmMainForm::ComputeWidestSignalCaption() {
  const QFontMetrics metrics(dgrdDrawTable_->font());
  widestSignalCaption_ = 0;
  for (int code = 1; code <= 36; ++code) {
    for (char letter : {'U', 'S'}) {
      Bytes quantity, statistic;
      GetSignalCaption(code, letter, ctx_.Texts, quantity, statistic);
      for (const Bytes& line : {quantity, statistic}) {
        widestSignalCaption_ =
            std::max(widestSignalCaption_, metrics.horizontalAdvance(ctx_.Decode(line)));
      }
    }
  }
}

bool TfrmMainForm::CreateDialogs() {
  if (!ctx_.Language.SettingsError.empty()) {
    prompter_.Message(this, QString::fromStdString(ctx_.Language.SettingsError),
                      QMessageBox::Warning);
  }
  dialogs_.Port = new TfrmCOM_Port(
      ctx_, prompter_, [this](const PortChoice& c) { download_->ApplyPortChoice(c); }, this);
  if (!TfrmLanguage::CheckLanguageFile(ctx_, prompter_)) return false;
  dialogs_.Language = new TfrmLanguage(ctx_, prompter_, this);
  dialogs_.DLSelect = new TfrmDLSelect(ctx_, prompter_, this);
  dialogs_.DownLoadList = new TfrmDownLoadList(ctx_, this);
  dialogs_.Transfering = new TfrmTransfering(ctx_, this);
  // Created after the memory choice so that its load of the stored choices finds them all.
  dialogs_.Units = new TfrmUnits(
      ctx_, prompter_, [this] { dgrdDrawTable_->viewport()->update(); }, this);
  dialogs_.About = new TfrmAbout(ctx_, prompter_, this);
  return true;
}

QAction* TfrmMainForm::Action(const QString& name) const {
  const auto it = actions_.find(name);
  return it == actions_.end() ? nullptr : it->second;
}

QMenu* TfrmMainForm::Menu(const QString& name) const {
  const auto it = menus_.find(name);
  return it == menus_.end() ? nullptr : it->second;
}

// ---- State and look ----

bool TfrmMainForm::TableVisible() const {
  return !dgrdDrawTable_->isHidden();
}

ShellState TfrmMainForm::State() const {
  ShellState s;
  s.TableVisible = TableVisible();
  s.MainPanelVisible = !panMainPanel_->isHidden();
  s.LoggerDataLoaded = ctx_.Doc.LoggerDataLoaded;
  s.ResultsDataLoaded = ctx_.Doc.ResultsDataLoaded;
  s.MdiChildCount = static_cast<int>(mdiArea_->subWindowList().size());
  s.SelectedRow = selectedRow_;
  return s;
}

void TfrmMainForm::ShowResultsViews() {
  views_->ShowResults();
}

void TfrmMainForm::ShowTable() {
  views_->ShowTable();
}

void TfrmMainForm::HideTable() {
  dgrdDrawTable_->hide();
}

void TfrmMainForm::HideDocumentViews() {
  views_->HideAll();
}

void TfrmMainForm::CloseAllMdiChildren() {
  const QList<QMdiSubWindow*> children = mdiArea_->subWindowList(QMdiArea::CreationOrder);
  for (qsizetype i = children.size() - 1; i >= 0; --i) {
    children[i]->close();
    if (i == 0) panMainPanel_->show();
  }
}

void TfrmMainForm::PrepareRowEditing() {
  ppRowSeparator_->setVisible(true);
  for (const char* name :
       {"ppCutRow", "ppCopyRow", "ppPasteRow", "ppDeleteRow", "ppSaveSelAsRes"}) {
    QAction* a = Action(QString::fromLatin1(name));
    a->setVisible(true);
    a->setEnabled(false);
  }
  views_->ResetSelections();
  selectedRow_ = -1;
}

void TfrmMainForm::SetCaptionTitle() {
  setWindowTitle(QString::fromLatin1(kMainTitle));
}

void TfrmMainForm::SetCaptionTitleAndFile(const QString& fileName) {
  QString caption = QString::fromLatin1(kMainTitle) + ctx_.Tr("File_10");
  if (!fileName.isNull()) caption += QLatin1Char(' ') + fileName;
  setWindowTitle(caption);
}

void TfrmMainForm::Inform(const QString& text) {
  prompter_.Message(this, text, QMessageBox::Information);
}

// ---- Menu openings ----

void TfrmMainForm::mmFileClick() {
  const FileMenuEnabling e = FileMenuRule(State());
  Action(QStringLiteral("mmFileClose"))->setEnabled(e.Close);
  Action(QStringLiteral("mmFileSaveAs"))->setEnabled(e.SaveAs);
  Action(QStringLiteral("mmFileSaveLogAsRes"))->setEnabled(e.SaveLogAsRes);
  Action(QStringLiteral("mmFilePreview"))->setEnabled(e.Preview);
  Action(QStringLiteral("mmFileInfo"))->setEnabled(e.Info);
  Action(QStringLiteral("mmFileExport"))->setEnabled(e.Export);
}

void TfrmMainForm::mmEditClick() {
  const EditMenuEnabling e = EditMenuRule(State());
  Action(QStringLiteral("mmEditCopy"))->setEnabled(e.Copy);
  Action(QStringLiteral("mmEditSelAll"))->setEnabled(e.SelectAll);
}

void TfrmMainForm::mmConfigClick() {
  const ConfigMenuEnabling e = ConfigMenuRule(State());
  Action(QStringLiteral("mmConfigLogList"))->setEnabled(e.LogList);
  Action(QStringLiteral("mmConfigUnits"))->setEnabled(e.Units);
}

void TfrmMainForm::mmGraphClick() {
  const GraphMenuEnabling e = GraphMenuRule(State());
  Action(QStringLiteral("mmGraphDraw"))->setEnabled(e.Draw);
  Action(QStringLiteral("mmGraphRefresh"))->setEnabled(e.Refresh);
  Action(QStringLiteral("mmGraphPrint"))->setEnabled(e.Print);
  Action(QStringLiteral("mmGraphClose"))->setEnabled(e.Close);
  Action(QStringLiteral("mmGraphCloseAll"))->setEnabled(e.CloseAll);
}

void TfrmMainForm::mmWindowClick() {
  const bool on = WindowMenuRule(State());
  for (const char* name : {"mmWinCascade", "mmWinHoriz", "mmWinVertic", "mmWinMinimize"}) {
    Action(QString::fromLatin1(name))->setEnabled(on);
  }
}

void TfrmMainForm::ppPopupMenuPopup() {
  const PopupMenuEnabling e = PopupMenuRule(State());
  Action(QStringLiteral("ppLogList"))->setEnabled(e.LogList);
  Action(QStringLiteral("ppInstrumentSettings"))->setEnabled(e.InstrumentSettings);
}

// ---- Document commands ----

bool TfrmMainForm::Ask(std::string_view key) {
  return prompter_.Question(this, ctx_.Tr(key), QMessageBox::Information);
}

bool TfrmMainForm::mmFileSaveAsClick() {
  Document& doc = ctx_.Doc;
  const bool tableHidden = !TableVisible();
  if (const std::optional<Bytes> refusal = SaveRefusal(doc, tableHidden, ctx_.Texts)) {
    Inform(ctx_.Decode(*refusal));
    return false;
  }
  const QString path = prompter_.ChooseFile(*sdSaveDialog_);
  if (path.isEmpty()) return false;
  QCoreApplication::processEvents();

  SaveOptions options;
  options.decimalSeparator = LocaleDecimalSeparator();
  options.tableHidden = tableHidden;
  options.codePage = ctx_.Codec.CodePage();
  Outcome outcome;
  {
    BusyCursor busy;
    outcome = SaveResultsFile(path, doc, ctx_.Texts, options);
  }
  if (!outcome.ok()) {
    prompter_.Message(this, ctx_.Decode(outcome.message),
                      outcome.status == Outcome::Status::Refused ? QMessageBox::Information
                                                                 : QMessageBox::Warning);
    return false;
  }
  SetCaptionTitleAndFile(QFileInfo(path).fileName());
  return true;
}

void TfrmMainForm::mmFileOpenClick() {
  if (DownloadRunning()) return;
  Document& doc = ctx_.Doc;
  if (!PromptBeforeDiscard(doc, *this, DiscardCommand::Replace)) return;
  const QString path = prompter_.ChooseFile(*odOpenDialog_);
  if (path.isEmpty()) return;
  // The opened file's name is offered when it is saved again.
  sdSaveDialog_->selectFile(QFileInfo(path).fileName());

  OpenOutcome opened;
  {
    BusyCursor busy;
    SetCaptionTitle();
    HideDocumentViews();
    CloseAllMdiChildren();
    opened = OpenResultsFile(path, doc, ctx_.Texts, ctx_.Codec.CodePage());
    PrepareRowEditing();
  }
  if (!opened.outcome.ok()) {
    if (dialogs_.Transfering) dialogs_.Transfering->hide();
    SetCaptionTitle();
    prompter_.Message(this, ctx_.Decode(opened.outcome.message), QMessageBox::Warning);
    return;
  }

  if (opened.kind == MeasurementsKind::Tests) {
    if (!BuildBuildingTree(doc, doc.TestCount)) {
      Inform(ctx_.Tr(kMsgNoDataToShow));
      return;
    }
    SortTestsByTree(doc);
    ShowResultsViews();
  } else if (opened.kind == MeasurementsKind::Logger) {
    if (doc.LoggerBlocks.empty()) {
      Inform(ctx_.Tr(kMsgNoDataToShow));
      return;
    }
    TfrmDownLoadList* list = dialogs_.DownLoadList;
    list->SetBlocks(&doc.LoggerBlocks);
    list->SetMode(ListMode::Show);
    list->SizeBlockList(static_cast<int>(doc.LoggerBlocks.size()));
    for (;;) {
      if (!list->ShowModal()) {
        // The table is hidden: the data go away unless they are saved now.
        PromptBeforeDiscard(doc, *this, DiscardCommand::Close);
        return;
      }
      const int chosen = LastSelectedBlock(doc.LoggerBlocks);
      if (chosen < 0) continue;
      if (doc.LoggerBlocks[static_cast<size_t>(chosen)].SampleCount <= 0) {
        Inform(ctx_.Tr(kMsgNoDataToShow));
        continue;
      }
      doc.CurrentBlock = chosen;
      HideTable();
      views_->ShowCurrentBlock();
      SaveInterfaceChoices(ctx_.Settings, ctx_.Choices);
      break;
    }
  }
  SetCaptionTitleAndFile(ctx_.Decode(opened.fileName));
  doc.HeaderLoadedFromFile = true;
}

void TfrmMainForm::mmFileCloseClick() {
  if (DownloadRunning()) return;
  if (!TableVisible()) {
    Inform(ctx_.Tr("msgNoFileOpened_35"));
    return;
  }
  if (!PromptBeforeDiscard(ctx_.Doc, *this, DiscardCommand::Close)) return;
  HideDocumentViews();
  SetCaptionTitle();
  ctx_.Doc.LoggerDataLoaded = false;
  ctx_.Doc.ResultsDataLoaded = false;
  CloseAllMdiChildren();
}

void TfrmMainForm::mmFileExitClick() {
  if (DownloadRunning()) return;
  if (!PromptBeforeDiscard(ctx_.Doc, *this, DiscardCommand::Exit)) return;
  QCoreApplication::processEvents();
  exitConfirmed_ = true;
  close();
}

void TfrmMainForm::closeEvent(QCloseEvent* event) {
  if (DownloadRunning()) {
    // The transfer dialog's Cancel ends a download; the window waits for it.
    event->ignore();
    return;
  }
  if (exitConfirmed_ || PromptBeforeDiscard(ctx_.Doc, *this, DiscardCommand::Exit)) {
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
  const QString sample = ctx_.Tr("AllTests_15") + ctx_.Tr("HouseName_8") + ctx_.Tr("RoomName_8") +
                         QStringLiteral("999");
  const int width = QFontMetrics(dgrdDrawTable_->font()).horizontalAdvance(sample);
  spSpliter_->setSizes({width, std::max(1, spSpliter_->width() - width)});
}

void TfrmMainForm::mmInstrDownLoadClick() {
  download_->Run();
}

// ---- Settings commands ----

// A download pumps events while it waits, so every command stays clickable. Those that
// would replace, save or discard the document, or reopen the port, wait until it ends: the
// download is still writing into the document and reading the port.
bool TfrmMainForm::DownloadRunning() const {
  return download_->Engine().Running();
}

void TfrmMainForm::mmConfigPortClick() {
  if (DownloadRunning()) return;
  dialogs_.Port->mmConfigPortClick();
}

void TfrmMainForm::mmConfigLanguageClick() {
  dialogs_.Language->mmConfigLanguageClick();
}

void TfrmMainForm::ppUnitsClick() {
  dialogs_.Units->ppUnitsClick();
}

// ---- Window menu ----

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
  for (int i = 0; i < n; ++i) {
    QMdiSubWindow* w = windows[i];
    if (w->isMaximized()) w->showNormal();
    if (horizontal) {
      const int top = area.height() * i / n;
      w->setGeometry(0, top, area.width(), area.height() * (i + 1) / n - top);
    } else {
      const int left = area.width() * i / n;
      w->setGeometry(left, 0, area.width() * (i + 1) / n - left, area.height());
    }
  }
}

// ---- Help ----

bool TfrmMainForm::OpenHelp() {
  const QString path = QString::fromStdString(ctx_.Language.HelpFilePath);
  if (!QFileInfo(path).isFile()) {
    prompter_.Message(this, CanNotOpenText(path), QMessageBox::Warning, QStringLiteral("Error"));
    return false;
  }
  return OpenTarget(QUrl::fromLocalFile(path), path, prompter_, this);
}

void TfrmMainForm::mmHelpContentsClick() {
  OpenHelp();
}

// The help page carries its own table of contents and index, so Index opens the same page.
void TfrmMainForm::mmHelpIndexClick() {
  OpenHelp();
}

void TfrmMainForm::mmHelpAboutClick() {
  dialogs_.About->ShowAbout();
}

}  // namespace qv

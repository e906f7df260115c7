// The main window: tool buttons, menus, the main panel with tree and table (or, while graph
// windows exist, their MDI area), and the title. It observes the document workspace for the
// title, the row-editing entries and the graph windows; the commands live in small classes by
// menu, each given what it needs.
#pragma once

#include "app/MenuRules.h"
#include "common/AppContext.h"
#include "common/Prompter.h"
#include "view/TableMouse.h"

#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QAction;
class QDialog;
class QFileDialog;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QStackedWidget;
class QToolBar;
class QToolButton;

namespace qv {

class ArchiveService;
class GuiDownload;
class Link;
class TDocumentCommands;
class TReportCommands;
class TDocumentViews;
class TfrmAbout;
class TfrmArchive;
class TfrmComfort;
class TfrmComfortCalculator;
class TfrmCOM_Port;
class TfrmDLSelect;
class TfrmDownLoadList;
class TfrmHeader;
class TfrmInfo;
class TfrmInstrumentSettings;
class TfrmLanguage;
class TfrmLimits;
class TfrmTransfering;
class TfrmUnits;
class TfrmShowGraph;
class TfrmGraphChild;
class THelpWindow;

// The dialogs, created once after the main window.
struct Dialogs {
  TfrmCOM_Port* Port = nullptr;
  TfrmLanguage* Language = nullptr;
  TfrmDLSelect* DLSelect = nullptr;
  TfrmDownLoadList* DownLoadList = nullptr;
  TfrmTransfering* Transfering = nullptr;
  TfrmUnits* Units = nullptr;
  TfrmShowGraph* ShowGraph = nullptr;
  TfrmAbout* About = nullptr;
  TfrmInfo* Info = nullptr;
  TfrmInstrumentSettings* InstrumentSettings = nullptr;
  TfrmHeader* Header = nullptr;
  TfrmComfort* Comfort = nullptr;
  TfrmComfortCalculator* ComfortCalculator = nullptr;
  TfrmLimits* Limits = nullptr;
  TfrmArchive* Archive = nullptr;
};

class TfrmMainForm : public QMainWindow, private WorkspaceObserver {
  Q_OBJECT
 public:
  TfrmMainForm(AppContext& ctx, Prompter& prompter, QWidget* parent = nullptr);
  ~TfrmMainForm() override;

  // Creates every dialog once (the start-up sequence); false, after "Language Error !",
  // when the language file is missing and the application has to end.
  bool CreateDialogs();

  // For tests and the screenshot tool: the parts a person sees and uses.
  const Dialogs& Forms() const { return dialogs_; }
  Link& LinkObject();
  GuiDownload& Download() { return *download_; }
  // The archive's worker: files added from the archive window, and saved and opened ones.
  ArchiveService& Archiving() { return *archive_; }
  TDocumentViews& Views() const { return *views_; }
  TReportCommands& Reports() const { return *report_; }
  QMdiArea* MdiArea() const { return mdiArea_; }
  QWidget* MainPanel() const { return panMainPanel_; }
  int WidestSignalCaption() const { return widestSignalCaption_; }
  QAction* Action(const QString& name) const;
  QMenu* Menu(const QString& name) const;
  QMenu* PopupMenu() const { return ppPopupMenu_; }
  QFileDialog* SaveDialog() const;
  QFileDialog* OpenDialog() const;
  QDialog* ExportDialog() const;
  bool ExitConfirmed() const { return exitConfirmed_; }
  // The help window, once Help was asked for; null before.
  THelpWindow* HelpWindow() const { return help_; }
  // `quorvantel FILE`: the file opened as File > Open opens it, without the file dialog.
  void OpenFromCommandLine(const QString& path);

  // The state the menu rules read.
  ShellState State() const;
  bool TableVisible() const;
  // True while a download runs, from its start to the installing of its document.
  bool DownloadRunning() const;
  // Shows the MDI area once a graph window exists and the main panel when none is left.
  void UpdateCentralArea();
  // Closes the graph windows from the last to the first; the main panel shows again.
  void CloseAllMdiChildren();

  // Commands (File menu).
  void mmFileOpenClick();
  void mmFileCloseClick();
  bool mmFileSaveAsClick();
  void mmFileExitClick();
  // The measurement archive's window.
  void mmFileArchiveClick();
  // Instrument and Config menus.
  void mmInstrDownLoadClick();
  void mmConfigPortClick();
  void mmConfigLanguageClick();
  void ppLogListClick();
  void ppUnitsClick();
  void mmConfigLimitsClick();
  // Graph menu: the chosen quantities of the current block, one window each; the active
  // window repainted or closed; every window closed.
  void mmGraphDrawClick();
  void mmGraphRefreshClick();
  void mmGraphPrintClick();
  // The active graph window as a picture (PNG, SVG or PDF).
  void mmGraphSaveImageClick();
  void mmGraphCloseClick();
  // The thermal comfort of the current block; the computed series it draws replace those drawn
  // before, beside the windows of the logged quantities.
  void mmGraphComfortClick();
  // Tools menu.
  void mmToolsComfortCalculatorClick();
  // Puts a new graph window into the graph area as Graph > Draw does (its least chart size, the
  // icon, no cursor line once it is no longer active).
  void AddGraphWindow(TfrmGraphChild* child);
  // Window menu.
  void mmWinCascadeClick();
  void mmWinHorizClick();
  void mmWinVerticClick();
  void mmWinMinimizeClick();
  // Help menu.
  void mmHelpContentsClick();
  void mmHelpIndexClick();
  // Saves the byte trace of the last transfer as text (for a support request).
  void mmHelpSaveTraceClick();
  void mmHelpAboutClick();

  // Menu openings: each re-evaluates its entries.
  void mmFileClick();
  void mmEditClick();
  void mmConfigClick();
  void mmGraphClick();
  void mmWindowClick();
  void ppPopupMenuPopup();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // WorkspaceObserver
  void DocumentReplaced() override;
  void CurrentBlockChanged() override;
  void FlagsChanged() override;

  void BuildPanels();
  void BuildToolBar();
  void BuildMenus();
  void BuildPopupMenu();
  QAction* AddEntry(QMenu* menu, QAction*& entry, const char* name, const char* key);
  QMenu* AddMenu(const char* name, const char* key);
  // Connects an entry to its command.
  void Wire(QAction* action, std::function<void()> command);
  // An entry without a command stays disabled, whatever its menu rule says.
  void Enable(QAction* entry, bool on);
  // The entries the transfer rule holds disabled while a download runs.
  std::vector<QAction*> TransferLockedEntries() const;
  void TransferRunning(bool running);
  void ApplyClick(const ClickEffects& effects);
  void ComputeWidestSignalCaption();
  void UpdateTitle();
  bool OpenHelp(const QString& anchor);
  // Tiles the graph windows one above the other (horizontal) or side by side.
  void TileChildren(bool horizontal);
  // The graph windows that the Window menu arranges: neither minimised nor closing.
  QList<QMdiSubWindow*> ArrangeableWindows() const;
  void ScrollMdiAreaHome();
  TfrmGraphChild* ActiveGraph() const;
  // The stored limits on the open graph windows, and a CO2 window's fits into the survey report.
  void ApplyLimitsToGraphs();
  void ConnectSurvey(TfrmGraphChild* graph);

  AppContext& ctx_;
  Prompter& prompter_;
  Dialogs dialogs_;
  std::unique_ptr<GuiDownload> download_;
  std::unique_ptr<ArchiveService> archive_;
  TDocumentCommands* commands_ = nullptr;
  std::unique_ptr<TReportCommands> report_;
  TDocumentViews* views_ = nullptr;

  QStackedWidget* central_ = nullptr;
  QMdiArea* mdiArea_ = nullptr;
  QWidget* panMainPanel_ = nullptr;
  QToolBar* pbButtons_ = nullptr;
  QMenu* ppPopupMenu_ = nullptr;
  QAction* ppRowSeparator_ = nullptr;

  // Every entry of the menus and the table's pop-up, by its design name.
  struct MenuEntries {
    QAction *mmFileOpen, *mmFileClose, *mmFileSaveAs, *mmFileSaveLogAsRes, *mmFileHeadSetUp,
        *mmFilePreview, *mmFileExportReport, *mmFileInfo, *mmFileExport, *mmFileExit;
    QAction* mmFileArchive;
    QAction *mmEditCopy, *mmEditSelAll;
    QAction* mmInstrDownLoad;
    QAction *mmConfigPort, *mmConfigLanguage, *mmConfigLogList, *mmConfigUnits;
    QAction *mmGraphDraw, *mmGraphRefresh, *mmGraphPrint, *mmGraphSaveImage, *mmGraphClose,
        *mmGraphCloseAll;
    QAction *mmGraphComfort, *mmToolsComfortCalculator;
    QAction *mmWinCascade, *mmWinHoriz, *mmWinVertic, *mmWinMinimize;
    QAction *mmHelpContents, *mmHelpIndex, *mmHelpSaveTrace, *mmHelpAbout;
    QAction *ppFileInfo, *ppInstrumentSettings, *ppCopy, *ppSelectAll, *ppCutRow, *ppCopyRow,
        *ppPasteRow, *ppDeleteRow, *ppLogList, *ppSaveSelAsRes, *ppUnits;
    QAction *mmFileExportSurvey, *mmConfigLimits;
  };
  MenuEntries mm_{};
  // The entries the transfer rule disabled, with what they get back when it ends.
  std::map<QAction*, bool> held_;
  bool closeAfterTransfer_ = false;

  int widestSignalCaption_ = 0;
  bool firstShow_ = true;
  bool exitConfirmed_ = false;
  THelpWindow* help_ = nullptr;
};

}  // namespace qv

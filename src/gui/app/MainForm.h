// The main window: tool buttons, menus, the main panel with tree and table, the MDI area of
// the graph windows, and the document commands Open, Save As, Close and Exit.
#pragma once

#include "app/AppContext.h"
#include "workspace/DocumentPrompts.h"
#include "app/MenuRules.h"
#include "app/Prompter.h"

#include <QMainWindow>
#include <map>
#include <memory>
#include <string>

class QAbstractScrollArea;
class QAction;
class QFileDialog;
class QMdiArea;
class QMenu;
class QSplitter;
class QToolBar;
class QToolButton;
class QTreeWidget;

namespace qv {

class GuiDownload;
class Link;
class TDocumentViews;
class TfrmAbout;
class TfrmCOM_Port;
class TfrmDLSelect;
class TfrmDownLoadList;
class TfrmLanguage;
class TfrmTransfering;
class TfrmUnits;

// The dialogs every other part uses, created once after the main window.
struct Dialogs {
  TfrmCOM_Port* Port = nullptr;
  TfrmLanguage* Language = nullptr;
  TfrmDLSelect* DLSelect = nullptr;
  TfrmDownLoadList* DownLoadList = nullptr;
  TfrmTransfering* Transfering = nullptr;
  TfrmUnits* Units = nullptr;
  TfrmAbout* About = nullptr;
};

class TfrmMainForm : public QMainWindow, private PromptHost {
  Q_OBJECT
 public:
  TfrmMainForm(AppContext& ctx, Prompter& prompter, QWidget* parent = nullptr);
  ~TfrmMainForm() override;

  // Creates every dialog once (the start-up sequence); false, after "Language Error !",
  // when the language file is missing and the application has to end.
  bool CreateDialogs();
  const Dialogs& Forms() const { return dialogs_; }

  AppContext& Context() { return ctx_; }
  Link& LinkObject();
  GuiDownload& Download() { return *download_; }
  QMdiArea* MdiArea() const { return mdiArea_; }
  QAction* Action(const QString& name) const;
  QMenu* Menu(const QString& name) const;
  QMenu* PopupMenu() const { return ppPopupMenu_; }
  int WidestSignalCaption() const { return widestSignalCaption_; }
  // The results tree and table with their commands (view/DocumentViews.h).
  TDocumentViews& Views() const { return *views_; }

  // The state the menu rules read.
  ShellState State() const;
  bool TableVisible() const;
  void SetSelectedRow(int row) { selectedRow_ = row; }

  // The document's look.
  void ShowResultsViews();  // tree, splitter and table
  void ShowTable();
  void HideTable();
  void HideDocumentViews();  // table, tree and splitter
  // Closes the graph windows from the last to the first; the main panel shows again.
  void CloseAllMdiChildren();
  // The row-editing entries of the table's pop-up become visible, the first five disabled.
  void PrepareRowEditing();
  void SetCaptionTitle();
  void SetCaptionTitleAndFile(const QString& fileName = QString());

  // Commands.
  void mmFileOpenClick();
  void mmFileCloseClick();
  bool mmFileSaveAsClick();
  void mmFileExitClick();
  void mmInstrDownLoadClick();
  void mmConfigPortClick();
  void mmConfigLanguageClick();
  void ppUnitsClick();
  void mmWinCascadeClick();
  void mmWinHorizClick();
  void mmWinVerticClick();
  void mmWinMinimizeClick();
  void mmHelpContentsClick();
  void mmHelpIndexClick();
  void mmHelpAboutClick();

  // Menu openings: each re-evaluates its entries.
  void mmFileClick();
  void mmEditClick();
  void mmConfigClick();
  void mmGraphClick();
  void mmWindowClick();
  void ppPopupMenuPopup();

  // The save and open dialogs as set up at start-up.
  QFileDialog* SaveDialog() const { return sdSaveDialog_; }
  QFileDialog* OpenDialog() const { return odOpenDialog_; }
  bool ExitConfirmed() const { return exitConfirmed_; }
  // True while a download runs (it pumps events, so commands can be clicked meanwhile).
  bool DownloadRunning() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // PromptHost
  bool Ask(std::string_view key) override;
  bool SaveAs() override { return mmFileSaveAsClick(); }

  void BuildPanels();
  void BuildToolBar();
  void BuildMenus();
  void BuildPopupMenu();
  void BuildFileDialogs();
  QAction* AddEntry(QMenu* menu, const char* name, const char* key);
  QMenu* AddMenu(const char* name, const char* key);
  void ComputeWidestSignalCaption();
  void ShowBlockOfFile();
  bool OpenHelp();
  // Tiles the graph windows one above the other (horizontal) or side by side.
  void TileChildren(bool horizontal);
  void Inform(const QString& text);

  AppContext& ctx_;
  Prompter& prompter_;
  std::unique_ptr<GuiDownload> download_;
  Dialogs dialogs_;

  QMdiArea* mdiArea_ = nullptr;
  QWidget* panMainPanel_ = nullptr;
  QTreeWidget* tvTree_ = nullptr;
  QSplitter* spSpliter_ = nullptr;
  QAbstractScrollArea* dgrdDrawTable_ = nullptr;
  TDocumentViews* views_ = nullptr;
  QToolBar* pbButtons_ = nullptr;
  QMenu* ppPopupMenu_ = nullptr;
  QAction* ppRowSeparator_ = nullptr;
  std::map<QString, QAction*> actions_;
  std::map<QString, QMenu*> menus_;
  QFileDialog* sdSaveDialog_ = nullptr;
  QFileDialog* odOpenDialog_ = nullptr;

  int widestSignalCaption_ = 0;
  int selectedRow_ = -1;
  bool firstShow_ = true;
  bool exitConfirmed_ = false;
};

}  // namespace qv

// The main window after start-up: captions, menus, tool buttons, the enabling rules of each
// menu, the window menu and the help commands.
#include "ShellFixture.h"
#include "app/HelpWindow.h"
#include "support/Downloaded.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QXmlStreamReader>

namespace qv {
namespace {

using test::DataFolder;
using test::ShellTest;

// Entry names of a menu in order; "-" for a separator.
QStringList Entries(QMenu* menu, bool visibleOnly = false) {
  QStringList names;
  for (QAction* a : menu->actions()) {
    if (visibleOnly && !a->isVisible()) continue;
    names << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
  }
  return names;
}

QMdiSubWindow* AddGraphWindow(TfrmMainForm& form) {
  QMdiSubWindow* w = form.MdiArea()->addSubWindow(new QTextEdit);
  w->show();
  form.UpdateCentralArea();
  return w;
}

class MainForm : public ShellTest {};

TEST_F(MainForm, StartsWithTitleSizeAndNoDocument) {
  Start();
  ASSERT_TRUE(started_);
  EXPECT_EQ(form_->windowTitle(), "Quorvantel PRO          ");
  EXPECT_EQ(QString::fromLatin1(kMainTitle).size(), 24);
  EXPECT_TRUE(form_->windowState() & Qt::WindowMaximized);
  EXPECT_EQ(form_->findChild<QToolBar*>("pbButtons")->height(), 60);
  for (const char* hidden : {"tvTree", "dgrdDrawTable"}) {
    ASSERT_NE(form_->findChild<QWidget*>(hidden), nullptr) << hidden;
    EXPECT_TRUE(form_->findChild<QWidget*>(hidden)->isHidden()) << hidden;
  }
  EXPECT_FALSE(form_->findChild<QWidget*>("panMainPanel")->isHidden());
  const Document& doc = ctx_->Doc;
  EXPECT_FALSE(doc.DocNotSaved || doc.DocModified || doc.ResultsDataLoaded() ||
               doc.LoggerDataLoaded());
  EXPECT_GT(form_->WidestSignalCaption(), 0);
}

TEST_F(MainForm, MenusHoldExactlyTheirEntriesSeparatorsAndShortcuts) {
  Start();
  QStringList titles;
  for (QAction* a : form_->menuBar()->actions())
    titles << a->menu()->objectName();
  EXPECT_EQ(titles, QStringList({"mmFile", "mmEdit", "mmInstrument", "mmConfig", "mmGraph",
                                 "mmTools", "mmWindow", "mmHelp"}));
  EXPECT_EQ(
      Entries(form_->Menu("mmFile")),
      QStringList({"mmFileOpen", "mmFileClose", "mmFileSaveAs", "mmFileSaveLogAsRes",
                   "mmFileArchive", "-", "mmFileHeadSetUp", "mmFilePreview", "mmFileExportReport",
                   "mmFileExportSurvey", "mmFileInfo", "-", "mmFileExport", "-", "mmFileExit"}));
  EXPECT_EQ(Entries(form_->Menu("mmEdit")), QStringList({"mmEditCopy", "mmEditSelAll"}));
  EXPECT_EQ(Entries(form_->Menu("mmInstrument")), QStringList({"-", "mmInstrDownLoad", "-"}));
  EXPECT_EQ(Entries(form_->Menu("mmConfig")),
            QStringList({"mmConfigPort", "mmConfigLanguage", "-", "mmConfigLogList",
                         "mmConfigUnits", "mmConfigLimits"}));
  EXPECT_EQ(Entries(form_->Menu("mmGraph")),
            QStringList({"mmGraphDraw", "mmGraphComfort", "mmGraphRefresh", "mmGraphPrint",
                         "mmGraphSaveImage", "mmGraphClose", "mmGraphCloseAll"}));
  EXPECT_EQ(Entries(form_->Menu("mmTools")), QStringList({"mmToolsComfortCalculator"}));
  EXPECT_EQ(Entries(form_->Menu("mmWindow")),
            QStringList({"mmWinCascade", "mmWinHoriz", "mmWinVertic", "mmWinMinimize"}));
  EXPECT_EQ(Entries(form_->Menu("mmHelp")),
            QStringList({"mmHelpContents", "mmHelpIndex", "mmHelpSaveTrace", "mmHelpAbout"}));
  EXPECT_FALSE(form_->Menu("mmInstrument")->separatorsCollapsible());

  // The pop-up: its row entries wait for the first download or open.
  EXPECT_EQ(Entries(form_->PopupMenu()),
            QStringList({"ppFileInfo", "ppInstrumentSettings", "-", "ppCopy", "ppSelectAll", "-",
                         "ppCutRow", "ppCopyRow", "ppPasteRow", "ppDeleteRow", "-", "ppLogList",
                         "ppSaveSelAsRes", "ppUnits"}));
  EXPECT_EQ(Entries(form_->PopupMenu(), true),
            QStringList({"ppFileInfo", "ppInstrumentSettings", "-", "ppCopy", "ppSelectAll", "-",
                         "ppLogList", "ppUnits"}));
  ctx_->Workspace.PrepareRowEditing();
  EXPECT_EQ(Entries(form_->PopupMenu(), true), Entries(form_->PopupMenu()));
  for (const char* name :
       {"ppCutRow", "ppCopyRow", "ppPasteRow", "ppDeleteRow", "ppSaveSelAsRes"}) {
    EXPECT_FALSE(Enabled(name)) << name;
  }

  EXPECT_EQ(form_->Action("mmEditCopy")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_C));
  EXPECT_EQ(form_->Action("mmEditSelAll")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));
  EXPECT_EQ(form_->Action("ppDeleteRow")->shortcut(), QKeySequence(Qt::Key_Delete));

  // Captions come from the language file, decoded.
  EXPECT_EQ(form_->Action("mmInstrDownLoad")->text(), ctx_->Tr("mmInstrDwnLoad_15"));
  EXPECT_EQ(form_->Action("mmFileInfo")->text(), ctx_->Tr("ppFileInfo_15"));
  EXPECT_EQ(form_->Action("ppInstrumentSettings")->text(), ctx_->Tr("frmInstrumentSettings_25"));
}

TEST_F(MainForm, ToolButtonsStandInOrderWithTranslatedCaptionsAndIcons) {
  Start();
  QStringList names;
  for (QAction* a : form_->findChild<QToolBar*>("pbButtons")->actions()) {
    auto* button =
        qobject_cast<QToolButton*>(form_->findChild<QToolBar*>("pbButtons")->widgetForAction(a));
    ASSERT_NE(button, nullptr);
    names << button->objectName();
    EXPECT_FALSE(button->icon().isNull()) << button->objectName().toStdString();
    EXPECT_EQ(button->text(), ctx_->Tr((button->objectName() + "_15").toStdString()));
  }
  EXPECT_EQ(names, QStringList({"sbFileOpen", "sbFileSave", "sbDownLoad", "sbGraph", "sbExit"}));
}

TEST_F(MainForm, MissingKeysShowFiveHyphens) {
  auto data = DataFolder::Shipped();
  QByteArray english = test::ShippedEnglish();
  for (const char* key : {"mmFile_15=", "sbExit_15=", "mmHelpAbout_15="}) {
    const int at = english.indexOf(key);
    ASSERT_GE(at, 0) << key;
    english.insert(at, "x");  // renames the key
  }
  data->Write("English.ini", english);
  Start(std::move(data));
  ASSERT_TRUE(started_);
  EXPECT_EQ(form_->Menu("mmFile")->title(), "-----");
  EXPECT_EQ(form_->findChild<QToolButton*>("sbExit")->text(), "-----");
  EXPECT_EQ(form_->Action("mmHelpAbout")->text(), "-----");
  EXPECT_NE(form_->Menu("mmEdit")->title(), "-----");
}

TEST_F(MainForm, MissingLanguageFileEndsTheStartWithTheFixedText) {
  auto data = DataFolder::Shipped();
  QFile::remove(data->QPath() + "/English.ini");
  Start(std::move(data));
  EXPECT_FALSE(started_);
  ASSERT_FALSE(prompter_.shown.empty());
  EXPECT_EQ(prompter_.shown.back().text, "Language Error !");
  EXPECT_EQ(prompter_.shown.back().icon, QMessageBox::Warning);
}

// ---- Enabling: the rules (tested headless) applied when a menu opens ----

// A results document on show through the workspace, as a download leaves it.
void ShowResults(AppContext& ctx, DocumentHost& host) {
  Document& doc = ctx.Doc;
  const int t = doc.AddTestRecord();
  doc.AllTests[static_cast<size_t>(t)].UnitSystem = "SI";
  doc.StoreTestValue(t, 1, 21.5);
  doc.DocSignals[1] = 1;
  doc.DocSignalCount = 1;
  ASSERT_EQ(test::InstallAsDownloaded(ctx.Workspace, DocumentKind::Results, host),
            LoadOutcome::Shown);
}

TEST_F(MainForm, MenusApplyTheirRulesAndEntriesWithoutACommandStayDisabled) {
  Start();
  ASSERT_TRUE(started_);
  ShowResults(*ctx_, quiet_);
  ASSERT_TRUE(form_->TableVisible());
  for (const char* menu : {"mmFile", "mmEdit", "mmConfig", "mmGraph", "mmWindow"})
    OpenMenu(form_->Menu(menu));
  OpenMenu(form_->PopupMenu());
  // Wired and allowed by their rules with a results table on show.
  for (const char* on : {"mmFileOpen",        "mmFileClose",  "mmFileSaveAs",     "mmFileExit",
                         "mmInstrDownLoad",   "mmConfigPort", "mmConfigLanguage", "mmConfigUnits",
                         "mmHelpContents",    "mmHelpIndex",  "mmHelpAbout",      "ppUnits",
                         "mmEditCopy",        "mmEditSelAll", "ppCopy",           "ppSelectAll",
                         "mmFileInfo",        "ppFileInfo",   "mmFileExport",     "mmFilePreview",
                         "mmFileExportReport"}) {
    EXPECT_TRUE(Enabled(on)) << on;
  }
  EXPECT_TRUE(Enabled("mmFileHeadSetUp"));
  // Ruled out here: no logging data, no graph window, no row selected.
  for (const char* off : {"mmConfigLogList", "ppLogList", "mmWinCascade", "mmWinMinimize",
                          "ppCutRow", "ppCopyRow", "ppPasteRow", "ppDeleteRow", "ppSaveSelAsRes",
                          "mmFileSaveLogAsRes", "ppInstrumentSettings"})
    EXPECT_FALSE(Enabled(off)) << off;
  // The Graph button is always there; without logging data it says so.
  EXPECT_TRUE(form_->findChild<QToolButton*>("sbGraph")->isEnabled());
}

TEST_F(MainForm, PanelFillsTheClientAreaAtEverySizeAndState) {
  Start();
  ASSERT_TRUE(started_);
  form_->setWindowState(Qt::WindowNoState);
  form_->resize(800, 600);
  form_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
  ShowResults(*ctx_, quiet_);
  QWidget* panel = form_->MainPanel();
  // The client area: what the menu bar and the tool bar leave of the window.
  auto expectFills = [&](const char* step) {
    SCOPED_TRACE(step);
    const QRect client = form_->centralWidget()->geometry();
    EXPECT_FALSE(panel->isHidden());
    EXPECT_EQ(QRect(panel->mapTo(form_.get(), QPoint(0, 0)), panel->size()), client);
    EXPECT_EQ(client.bottom(), form_->height() - 1);
    EXPECT_EQ(client.width(), form_->width());
    EXPECT_GE(client.top(), form_->findChild<QToolBar*>("pbButtons")->geometry().bottom());
    // The table takes what the tree leaves of the panel.
    EXPECT_EQ(form_->findChild<QWidget*>("spSpliter")->size(), panel->size());
  };
  expectFills("800 x 600");
  form_->resize(1280, 900);
  expectFills("resized");
  form_->setWindowState(Qt::WindowMaximized);
  QApplication::processEvents();
  expectFills("maximised");
  EXPECT_GT(form_->width(), 1280 / 2) << "maximised to the screen";
  form_->setWindowState(Qt::WindowNoState);
  form_->resize(640, 480);
  expectFills("restored and smaller");

  // A graph window takes the client area; the panel is back, filling it, once none is left.
  AddGraphWindow(*form_);
  EXPECT_TRUE(panel->isHidden());
  EXPECT_EQ(form_->MdiArea()->geometry(), QRect(QPoint(0, 0), form_->centralWidget()->size()));
  form_->CloseAllMdiChildren();
  expectFills("graph windows closed");
}

// ---- Window menu and help ----

TEST_F(MainForm, WindowMenuArrangesGraphWindowsAndCloseAllBringsThePanelBack) {
  Start();
  form_->setWindowState(Qt::WindowNoState);
  form_->resize(800, 600);
  form_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
  QMdiSubWindow* a = AddGraphWindow(*form_);
  QMdiSubWindow* b = AddGraphWindow(*form_);
  const QRect area = form_->MdiArea()->viewport()->rect();

  form_->mmWinHorizClick();  // one above the other, full width
  EXPECT_EQ(a->geometry(), QRect(0, 0, area.width(), area.height() / 2));
  EXPECT_EQ(b->geometry().top(), area.height() / 2);
  EXPECT_EQ(b->width(), area.width());
  form_->mmWinVerticClick();  // side by side, full height
  EXPECT_EQ(a->geometry(), QRect(0, 0, area.width() / 2, area.height()));
  EXPECT_EQ(b->geometry().left(), area.width() / 2);

  form_->MdiArea()->setActiveSubWindow(b);
  form_->mmWinMinimizeClick();
  EXPECT_TRUE(b->isMinimized());

  form_->CloseAllMdiChildren();
  QApplication::processEvents();
  EXPECT_TRUE(form_->MdiArea()->subWindowList().isEmpty());
  EXPECT_FALSE(form_->findChild<QWidget*>("panMainPanel")->isHidden());
}

TEST_F(MainForm, HelpOpensTheLanguagesHelpFileOrSaysWhatCouldNotBeOpened) {
  auto data = DataFolder::Shipped();
  data->Write("Quorvantel_Main.ini",
              "[General]\r\n[ENGLISH]\r\nfile=English.ini\r\nhelpfile=help/Missing.html\r\n");
  Start(std::move(data));
  form_->mmHelpContentsClick();
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].caption, "Error");
  EXPECT_TRUE(prompter_.shown[0].text.startsWith("Can not open "));
  EXPECT_TRUE(prompter_.shown[0].text.endsWith("help/Missing.html"));
  form_->mmHelpIndexClick();  // always enabled; the same help file
  EXPECT_EQ(prompter_.shown.size(), 2u);
  EXPECT_EQ(ctx_->Language.HelpFilePath, ctx_->DataFolder + "/help/Missing.html");
}

TEST_F(MainForm, HelpShowsTheBundledPageInItsOwnWindow) {
  Start();
  ASSERT_TRUE(started_);
  form_->mmHelpContentsClick();
  ASSERT_NE(form_->HelpWindow(), nullptr);
  EXPECT_TRUE(prompter_.shown.empty());
  EXPECT_TRUE(form_->HelpWindow()->isVisible());
  QTextBrowser* page = form_->HelpWindow()->Browser();
  const QString text = page->toPlainText();
  // Every menu command, the ports and the tool are described.
  for (const char* term : {"Download", "Export", "Save Logging as Results", "File Info",
                           "Tile Vertically", "Save Link Trace", "Header Setup", "dialout",
                           "quorvantel-cli ports", "quorvantel-cli export"}) {
    EXPECT_TRUE(text.contains(QString::fromLatin1(term))) << term;
  }
  EXPECT_EQ(page->verticalScrollBar()->value(), 0);
  form_->mmHelpIndexClick();
  EXPECT_GT(page->verticalScrollBar()->value(), 0) << "at the index, near the end";
}

TEST_F(MainForm, AFileGivenOnTheCommandLineOpensAsFileOpenOpensIt) {
  Start();
  ASSERT_TRUE(started_);
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("given.QVL"));
  ASSERT_TRUE(
      QFile::copy(QStringLiteral(QV_SOURCE_DIR "/tests/data/files/ver1_results.qvl"), path));
  form_->OpenFromCommandLine(path);
  EXPECT_TRUE(ctx_->Doc.ResultsDataLoaded());
  EXPECT_TRUE(form_->TableVisible());
  EXPECT_TRUE(form_->windowTitle().contains(ctx_->Tr("File_10")));
  // A file that cannot be read says why, as File > Open does.
  form_->OpenFromCommandLine(dir.filePath(QStringLiteral("missing.QVL")));
  ASSERT_FALSE(prompter_.shown.empty());
  EXPECT_EQ(prompter_.shown.back().icon, QMessageBox::Warning);
}

// The file manager offers the application for results files: the desktop entry names the type
// the shared-mime-info package declares, and passes the file.
TEST(DesktopIntegration, DesktopEntryAndMimePackageAgree) {
  QFile desktop(QStringLiteral(QV_SOURCE_DIR "/data/quorvantel.desktop"));
  ASSERT_TRUE(desktop.open(QIODevice::ReadOnly));
  const QString entry = QString::fromUtf8(desktop.readAll());
  EXPECT_TRUE(entry.contains(QStringLiteral("\nExec=quorvantel %f\n")));
  QFile mime(QStringLiteral(QV_SOURCE_DIR "/data/mime/quorvantel.xml"));
  ASSERT_TRUE(mime.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&mime);
  QString type;
  QStringList globs;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (xml.name() == QLatin1String("mime-type")) type = xml.attributes().value("type").toString();
    if (xml.name() == QLatin1String("glob")) globs << xml.attributes().value("pattern").toString();
  }
  ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_EQ(globs, QStringList({"*.QVL", "*.qvl"}));
  EXPECT_TRUE(entry.contains(QStringLiteral("\nMimeType=") + type + QStringLiteral(";\n")));
}

}  // namespace
}  // namespace qv

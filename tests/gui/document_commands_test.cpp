// File > Close, Exit (menu and window frame), Save As and Open as a person meets them: the
// questions, the save dialog, the flags and the window's look afterwards.
#include "ShellFixture.h"
#include "download/DownLoadListDialog.h"
#include "support/Downloaded.h"

#include <QFile>
#include <QFileDialog>
#include <QPushButton>
#include <QTemporaryDir>

namespace qv {
namespace {

class DocumentCommands : public test::ShellTest {
 protected:
  void SetUp() override {
    Start();
    ASSERT_TRUE(started_);
    form_->show();
  }
  // A downloaded results document on show: one test with one value.
  void DownloadedResults() {
    Document& doc = ctx_->Doc;
    const int t = doc.AddTestRecord();
    doc.AllTests[static_cast<size_t>(t)].UnitSystem = "SI";
    doc.AllTests[static_cast<size_t>(t)].BuildingName = "Hall";
    doc.AllTests[static_cast<size_t>(t)].RoomName = "Lab";
    doc.StoreTestValue(t, 1, 21.5);
    doc.DocSignals[1] = 1;
    doc.DocSignalCount = 1;
    doc.ShowAllTests();
    doc.Kind = DocumentKind::Results;
    ASSERT_EQ(test::InstallAsDownloaded(ctx_->Workspace, DocumentKind::Results, quiet_),
              LoadOutcome::Shown);
  }
  // A logging document of three blocks, the second one empty.
  void DownloadedLogging() {
    Document& doc = ctx_->Doc;
    doc.LoggerBlocks.resize(3);
    for (int b = 0; b < 3; ++b) {
      TLoggerRecord& block = doc.LoggerBlocks[static_cast<size_t>(b)];
      block.UnitSystem = "SI";
      block.IntervalSec = 60;
      block.BeginTime = 45000 + b;
      block.SignalCodes[0] = 1;
      block.SignalCount = 1;
      block.SignalPresent[1] = 1;
      const int samples = b == 1 ? 0 : 3;
      block.SampleCount = samples;
      doc.SizeSampleArrays(b, samples);
      for (int k = 0; k < samples; ++k)
        doc.StoreSample(b, 1, k, 20 + k);
    }
    doc.Kind = DocumentKind::Logging;
    doc.DocNotSaved = true;
    ASSERT_TRUE(ctx_->Workspace.ShowBlock(0, quiet_));
  }
  bool TableShown() const { return form_->TableVisible(); }
  QStringList Asked() const {
    QStringList texts;
    for (const auto& s : prompter_.shown) {
      if (s.question) texts << s.text;
    }
    return texts;
  }
  QString Tr(const char* key) const { return ctx_->Tr(key); }

  QTemporaryDir files_;
};

TEST_F(DocumentCommands, CloseWithoutATableSaysSoAndChangesNothing) {
  ctx_->Doc.DocNotSaved = true;
  form_->mmFileCloseClick();
  EXPECT_EQ(prompter_.Texts(), QStringList{Tr("msgNoFileOpened_35")});
  EXPECT_TRUE(ctx_->Doc.DocNotSaved);
}

TEST_F(DocumentCommands, CloseAnsweredNoClearsTheFlagsAndHidesTheDocument) {
  DownloadedResults();
  ctx_->Doc.DocModified = true;
  ctx_->Workspace.Saved("x.QVL", "x.QVL");
  prompter_.answers = {false};
  form_->mmFileCloseClick();
  EXPECT_EQ(Asked(), QStringList{Tr("msgNotSaved_70")});
  EXPECT_TRUE(prompter_.fileDialogTitles.isEmpty());  // no save
  EXPECT_FALSE(ctx_->Doc.DocNotSaved || ctx_->Doc.DocModified);
  EXPECT_FALSE(ctx_->Doc.ResultsDataLoaded());
  EXPECT_FALSE(TableShown());
  EXPECT_TRUE(form_->findChild<QWidget*>("tvTree")->isHidden());
  EXPECT_EQ(form_->windowTitle(), QString::fromLatin1(kMainTitle));
  EXPECT_EQ(ctx_->Doc.AllTests.size(), 1u);  // the store keeps its data until replaced
}

TEST_F(DocumentCommands, CloseAnsweredYesButSaveCancelledKeepsTheDocument) {
  DownloadedResults();
  prompter_.answers = {true};
  prompter_.files = {QString()};  // the person cancels the save dialog
  form_->mmFileCloseClick();
  EXPECT_EQ(prompter_.fileDialogTitles, QStringList{Tr("SaveTitle_15")});
  EXPECT_TRUE(ctx_->Doc.DocNotSaved);
  EXPECT_TRUE(ctx_->Doc.ResultsDataLoaded());
  EXPECT_TRUE(TableShown());
}

TEST_F(DocumentCommands, CloseAnsweredYesSavesThenCloses) {
  DownloadedResults();
  const QString path = files_.filePath("hall.QVL");
  prompter_.answers = {true};
  prompter_.files = {path};
  form_->mmFileCloseClick();
  EXPECT_TRUE(QFile::exists(path));
  EXPECT_FALSE(ctx_->Doc.DocNotSaved);
  EXPECT_FALSE(TableShown());
}

TEST_F(DocumentCommands, ExitAnsweredNoTwiceKeepsRunningAndAsksAgain) {
  DownloadedResults();
  prompter_.answers = {false, false};
  form_->mmFileExitClick();
  EXPECT_EQ(Asked(), QStringList({Tr("msgNotSaved_70"), Tr("msgTerminate_35")}));
  EXPECT_FALSE(form_->ExitConfirmed());
  EXPECT_TRUE(form_->isVisible());
  EXPECT_TRUE(ctx_->Doc.DocNotSaved);

  prompter_.shown.clear();
  prompter_.answers = {false, false};
  form_->mmFileExitClick();
  EXPECT_EQ(Asked(), QStringList({Tr("msgNotSaved_70"), Tr("msgTerminate_35")}));
}

TEST_F(DocumentCommands, ExitAnsweredYesButSaveCancelledDoesNotAskToQuit) {
  DownloadedResults();
  ctx_->Doc.DocModified = true;
  prompter_.answers = {true};
  form_->mmFileExitClick();  // no file chosen: the save is cancelled
  EXPECT_EQ(Asked(), QStringList{Tr("msgNotSaved_70")});
  EXPECT_TRUE(ctx_->Doc.DocNotSaved && ctx_->Doc.DocModified);
  EXPECT_TRUE(form_->isVisible());
}

TEST_F(DocumentCommands, ExitSavesOnYesAndEndsOnYes) {
  DownloadedResults();
  const QString path = files_.filePath("before-exit.QVL");
  prompter_.answers = {true, true};
  prompter_.files = {path};
  form_->mmFileExitClick();
  EXPECT_TRUE(QFile::exists(path));
  EXPECT_EQ(Asked(), QStringList({Tr("msgNotSaved_70"), Tr("msgTerminate_35")}));
  EXPECT_TRUE(form_->ExitConfirmed());
  EXPECT_FALSE(form_->isVisible());
}

TEST_F(DocumentCommands, ClosingTheWindowFrameAsksTheSameAndNoCancelsTheClose) {
  prompter_.answers = {false};
  EXPECT_FALSE(form_->close());
  EXPECT_EQ(Asked(), QStringList{Tr("msgTerminate_35")});
  EXPECT_TRUE(form_->isVisible());
  prompter_.answers = {true};
  EXPECT_TRUE(form_->close());
}

TEST_F(DocumentCommands, SaveAsRefusesAnEmptyDocumentAndCaptionsTheSavedFile) {
  form_->mmFileSaveAsClick();
  EXPECT_EQ(prompter_.Texts(), QStringList{Tr("msgNoDataToSave_35")});
  EXPECT_TRUE(prompter_.fileDialogTitles.isEmpty());

  DownloadedResults();
  const QString path = files_.filePath("Office.QVL");
  prompter_.files = {path};
  EXPECT_TRUE(form_->mmFileSaveAsClick());
  EXPECT_EQ(form_->windowTitle(), QString::fromLatin1(kMainTitle) + Tr("File_10") + " Office.QVL");
  EXPECT_FALSE(ctx_->Doc.DocNotSaved);
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_TRUE(f.readAll().startsWith("$FileVersion%\r\nVer_3\r\n"));
}

TEST_F(DocumentCommands, FileDialogsStartInAWritableTestResultsFolder) {
  for (QFileDialog* d : {form_->SaveDialog(), form_->OpenDialog()}) {
    EXPECT_TRUE(d->directory().absolutePath().endsWith("Quorvantel/TestResults"));
    EXPECT_TRUE(QFileInfo(d->directory().absolutePath()).isWritable());
    EXPECT_EQ(d->defaultSuffix(), "QVL");
    EXPECT_TRUE(d->nameFilters().first().startsWith("Quorvantel Files (*.QVL"));
  }
  EXPECT_EQ(form_->SaveDialog()->windowTitle(), Tr("SaveTitle_15"));
  EXPECT_EQ(form_->OpenDialog()->windowTitle(), Tr("OpenTitle_15"));
}

TEST_F(DocumentCommands, OpenAsksFirstAndShowsTheReadResults) {
  DownloadedResults();
  const QString path = files_.filePath("Hall.QVL");
  prompter_.files = {path};
  ASSERT_TRUE(form_->mmFileSaveAsClick());
  form_->mmFileCloseClick();  // saved: nothing to ask
  EXPECT_TRUE(Asked().isEmpty());

  prompter_.shown.clear();
  prompter_.answers = {};
  ctx_->Doc.DocModified = true;
  prompter_.files = {path};
  form_->mmFileOpenClick();
  EXPECT_EQ(Asked(), QStringList{Tr("msgWantSaveChanges_50")});
  EXPECT_TRUE(ctx_->Doc.ResultsDataLoaded());
  EXPECT_EQ(ctx_->Doc.AllTests.size(), 1u);
  EXPECT_TRUE(TableShown());
  EXPECT_FALSE(form_->findChild<QWidget*>("tvTree")->isHidden());
  EXPECT_TRUE(ctx_->Doc.HeaderLoadedFromFile);
  EXPECT_EQ(form_->windowTitle(), QString::fromLatin1(kMainTitle) + Tr("File_10") + " Hall.QVL");
  // The row entries of the pop-up are there now.
  EXPECT_TRUE(form_->Action("ppCutRow")->isVisible());
}

TEST_F(DocumentCommands, SaveProposesTheNameOfTheDocumentBeingSaved) {
  DownloadedResults();
  const QString path = files_.filePath("Hall.QVL");
  prompter_.files = {path};
  ASSERT_TRUE(form_->mmFileSaveAsClick());
  prompter_.files = {path};
  form_->mmFileOpenClick();
  ASSERT_TRUE(TableShown());
  prompter_.files = {QString()};
  form_->mmFileSaveAsClick();
  // A download replaces the opened file: its name must not be offered for the new data.
  ASSERT_EQ(test::InstallAsDownloaded(ctx_->Workspace, DocumentKind::Results, quiet_, 45000),
            LoadOutcome::Shown);
  prompter_.files = {QString()};
  form_->mmFileSaveAsClick();
  EXPECT_EQ(prompter_.proposedNames.mid(2), QStringList({"Hall.QVL", "Results 2023-03-15.QVL"}));
}

TEST_F(DocumentCommands, OpenAnsweredYesButSaveCancelledOpensNothing) {
  DownloadedResults();
  prompter_.answers = {true};
  prompter_.files = {QString()};
  form_->mmFileOpenClick();
  EXPECT_EQ(prompter_.fileDialogTitles, QStringList{Tr("SaveTitle_15")});  // no open dialog
  EXPECT_TRUE(ctx_->Doc.DocNotSaved);
}

TEST_F(DocumentCommands, OpeningALoggingFileLetsThePersonChooseAShowableBlock) {
  DownloadedLogging();
  const QString path = files_.filePath("Log.QVL");
  prompter_.files = {path};
  ASSERT_TRUE(form_->mmFileSaveAsClick());
  form_->mmFileCloseClick();
  prompter_.shown.clear();

  // First Show with nothing marked, then the empty block, then block 3.
  auto list = form_->Forms().DownLoadList;
  int round = 0;
  std::function<void(QDialog*)> answer = [&](QDialog*) {
    ++round;
    EXPECT_EQ(list->Mode(), ListMode::Show);
    if (round == 2) list->SelectCell(2, 0);
    if (round == 3) list->SelectCell(3, 0);
    if (round < 3) test::OnNextModal(answer);
    list->findChild<QPushButton*>("btnShow")->click();
  };
  test::OnNextModal(answer);
  prompter_.files = {path};
  form_->mmFileOpenClick();
  EXPECT_EQ(round, 3);
  EXPECT_EQ(prompter_.Texts(), QStringList{Tr("msgNoDataToShow_35")});
  EXPECT_EQ(ctx_->Doc.CurrentBlock, 2);
  EXPECT_TRUE(TableShown());
  EXPECT_TRUE(ctx_->Doc.HeaderLoadedFromFile);
  EXPECT_EQ(form_->windowTitle(), QString::fromLatin1(kMainTitle) + Tr("File_10") + " Log.QVL");
}

TEST_F(DocumentCommands, CancellingTheBlockListAfterOpeningLeavesNoDocumentOnShow) {
  DownloadedLogging();
  const QString path = files_.filePath("Log.QVL");
  prompter_.files = {path};
  ASSERT_TRUE(form_->mmFileSaveAsClick());
  form_->mmFileCloseClick();

  test::OnNextModal([](QDialog* d) { d->findChild<QPushButton*>("btnCancel")->click(); });
  prompter_.files = {path};
  form_->mmFileOpenClick();
  EXPECT_FALSE(TableShown());
  EXPECT_EQ(ctx_->Doc.LoggerBlocks.size(), 3u);  // kept in the store
  EXPECT_EQ(form_->windowTitle(), QString::fromLatin1(kMainTitle));
  EXPECT_FALSE(ctx_->Doc.HeaderLoadedFromFile);
}

}  // namespace
}  // namespace qv

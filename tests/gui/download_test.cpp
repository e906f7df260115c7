// Instrument > DownLoad through the real dialogs against the emulated instrument: the memory
// choice, the transfer dialog, the block list in both modes, and the document on show.
#include "ShellFixture.h"
#include "core/link/EmulatorProcess.h"
#include "download/DLSelectDialog.h"
#include "download/DownLoadListDialog.h"
#include "download/GuiDownload.h"
#include "link/TransferDialog.h"
#include "print/HeaderDialog.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

#include <chrono>

namespace qv {
namespace {

class GuiDownloadTest : public test::ShellTest {
 protected:
  void SetUp() override {
    const std::string emulator = std::string(QV_BIN_DIR) + "/quorvantel-emulator";
    if (!QFileInfo(QString::fromStdString(emulator)).isExecutable()) {
      GTEST_SKIP() << "the emulator is not built";
    }
    std::string error;
    ASSERT_TRUE(emulator_.Start(emulator, {"--memory", QV_SOURCE_DIR "/data/demo/demo-memory.json"},
                                &error))
        << error;
    // A settings profile of its own pointed at the emulated instrument.
    const std::string name = test::FreshSettingsName();
    SettingsStore(name).WriteText("PortDevice", emulator_.Device());
    Start(nullptr, name);
    ASSERT_TRUE(started_);
    form_->show();
    // The pauses only let a person see the transfer dialog.
    form_->Download().Engine().SetPauses({{}, {}, {}});
  }
  // Answers the memory choice with `position`.
  void ChooseMemory(int position) {
    test::OnNextModal([position](QDialog* d) {
      ASSERT_EQ(d->objectName(), "frmDLSelect");
      d->findChildren<QRadioButton*>()[position]->click();
      d->findChild<QPushButton*>("btnDownLoad")->click();
    });
  }

  test::EmulatorProcess emulator_;
};

TEST_F(GuiDownloadTest, ResultsMemoryBecomesTheShownUnsavedDocument) {
  ChooseMemory(0);
  test::DownloadAndWait(*form_);
  const Document& doc = ctx_->Doc;
  EXPECT_TRUE(prompter_.shown.empty()) << prompter_.Texts().join(" | ").toStdString();
  EXPECT_TRUE(doc.ResultsDataLoaded());
  EXPECT_TRUE(doc.DocNotSaved);
  EXPECT_GT(doc.TestCount(), 0);
  EXPECT_TRUE(form_->TableVisible());
  EXPECT_FALSE(form_->findChild<QWidget*>("tvTree")->isHidden());
  EXPECT_FALSE(form_->Forms().Transfering->isVisible());
  EXPECT_EQ(form_->Forms().Transfering->Progress(), 100);
  EXPECT_EQ(form_->windowTitle(), QString::fromLatin1(kMainTitle) + ctx_->Tr("File_10"));
  EXPECT_EQ(doc.InstrumentInfo.SerialNumber, "24031907");
  EXPECT_TRUE(form_->Action("ppCutRow")->isVisible());

  // Replacing it asks first; a Yes whose save is cancelled stops the new download.
  prompter_.answers = {true};
  test::DownloadAndWait(*form_);
  EXPECT_EQ(prompter_.Texts(), QStringList{ctx_->Tr("msgNotSaved_70")});
  EXPECT_TRUE(doc.DocNotSaved);
  EXPECT_TRUE(form_->TableVisible());
}

TEST_F(GuiDownloadTest, LoggingMemoryGoesThroughBothBlockLists) {
  ChooseMemory(1);
  TfrmDownLoadList* list = form_->Forms().DownLoadList;
  int lists = 0;
  size_t offered = 0;
  std::function<void(QDialog*)> answer = [&](QDialog* d) {
    ASSERT_EQ(d, list);
    ++lists;
    if (lists == 1) {
      EXPECT_EQ(list->Mode(), ListMode::DownLoad);
      // The blocks the directory lists, in the new document the transfer is making: a row each.
      while (!list->Grid()->CellText(static_cast<int>(offered) + 1, 0).isEmpty())
        ++offered;
      list->SelectCell(1, 0);
      list->SelectCell(2, 0);
      test::OnNextModal(answer);
      d->findChild<QPushButton*>("btnDownLoad")->click();
    } else {
      EXPECT_EQ(list->Mode(), ListMode::Show);
      EXPECT_EQ(ctx_->Doc.LoggerBlocks.size(), 2u);  // the two marked ones
      list->SelectCell(2, 0);
      d->findChild<QPushButton*>("btnShow")->click();
    }
  };
  test::OnNextModal(answer);
  test::DownloadAndWait(*form_);
  const Document& doc = ctx_->Doc;
  EXPECT_EQ(lists, 2);
  EXPECT_GE(offered, 2u);
  EXPECT_TRUE(doc.LoggerDataLoaded());
  EXPECT_TRUE(doc.DocNotSaved);
  EXPECT_EQ(doc.CurrentBlock, 1);
  EXPECT_GT(doc.LoggerBlocks[1].SampleCount, 0);
  EXPECT_TRUE(form_->TableVisible());
  EXPECT_TRUE(form_->findChild<QWidget*>("tvTree")->isHidden());
  EXPECT_EQ(form_->windowTitle(), QString::fromLatin1(kMainTitle) + ctx_->Tr("File_10"));
}

TEST_F(GuiDownloadTest, HeaderTextsSurviveAResultsAndALoggingDownload) {
  // File > Header Setup filled and confirmed, as a person does before going on site.
  PrintHeader texts;
  texts.Lines = {"A. Berg", "Laboratory 2", "Riverside Park", "Building C", "Client report"};
  texts.ProbeType[PrintHeader::Temp] = "TP-100";
  texts.ProbeSerNo[PrintHeader::CO2] = "81234";
  texts.Comments = "Blinds closed";
  test::OnNextModal([&texts](QDialog* d) {
    qobject_cast<TfrmHeader*>(d)->SetTexts(texts);
    d->findChild<QPushButton*>("btnOK")->click();
  });
  form_->Forms().Header->mmSettHeaderClick();
  ASSERT_EQ(ctx_->Workspace.Report().Texts.Lines, texts.Lines);

  const auto expectKept = [&](const char* after) {
    const ReportHeader& report = ctx_->Workspace.Report();
    EXPECT_EQ(report.Texts.Lines, texts.Lines) << after;
    EXPECT_EQ(report.Texts.ProbeType[PrintHeader::Temp], "TP-100") << after;
    EXPECT_EQ(report.Texts.ProbeSerNo[PrintHeader::CO2], "81234") << after;
    EXPECT_EQ(report.Texts.Comments, "Blinds closed") << after;
    // The download fills the instrument's fields.
    EXPECT_EQ(report.SerialNumber, "24031907") << after;
    EXPECT_EQ(ctx_->Doc.Header.Lines, texts.Lines) << after;
  };
  ChooseMemory(0);
  test::DownloadAndWait(*form_);
  ASSERT_TRUE(ctx_->Doc.ResultsDataLoaded());
  expectKept("a results download");

  prompter_.answers = {false};  // not saved: the download replaces it
  ChooseMemory(1);
  test::OnNextModal([](QDialog* list) {
    test::OnNextModal([](QDialog* show) {
      qobject_cast<TfrmDownLoadList*>(show)->SelectCell(1, 0);
      show->findChild<QPushButton*>("btnShow")->click();
    });
    list->findChild<QPushButton*>("btnSelectAll")->click();
    list->findChild<QPushButton*>("btnDownLoad")->click();
  });
  test::DownloadAndWait(*form_);
  ASSERT_TRUE(ctx_->Doc.LoggerDataLoaded());
  expectKept("a logging download");
}

TEST_F(GuiDownloadTest, ALostLinkIsToldAboveTheMainWindowWithTheTransferBoxGone) {
  // A second instrument that stops answering after acknowledging the first page.
  test::EmulatorProcess stalling;
  std::string error;
  ASSERT_TRUE(stalling.Start(
      std::string(QV_BIN_DIR) + "/quorvantel-emulator",
      {"--memory", QV_SOURCE_DIR "/data/demo/demo-memory.json", "--stall-at", "1"}, &error))
      << error;
  PortChoice port;
  port.ChooseDevice(stalling.Device());
  form_->Download().ApplyPortChoice(port);
  TfrmTransfering* transfer = form_->Forms().Transfering;
  bool transferSeen = false;
  form_->Download().Engine().SetPauses({std::chrono::milliseconds(20), {}, {}});
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout,
                   [&] { transferSeen = transferSeen || transfer->isVisible(); });
  watch.start(1);
  int told = 0;
  prompter_.onShow = [&](QWidget* parent) {
    ++told;
    EXPECT_FALSE(transfer->isVisible()) << "the transfer box would cover the message";
    EXPECT_EQ(parent, form_.get());
  };
  ChooseMemory(0);
  test::DownloadAndWait(*form_);
  EXPECT_TRUE(transferSeen);
  EXPECT_EQ(told, 1);
  EXPECT_EQ(prompter_.Texts(), QStringList{ctx_->Tr("msgCommunFail_35") + "   Error #3"});
  EXPECT_FALSE(transfer->isVisible());
  EXPECT_FALSE(form_->DownloadRunning());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the hourglass outlived the download";
}

TEST_F(GuiDownloadTest, ATestLeftOutForADamagedPageIsToldAfterTheTransfer) {
  // Page 3 of the demo memory arrives damaged however often it is asked for.
  test::EmulatorProcess damaged;
  std::string error;
  ASSERT_TRUE(damaged.Start(
      std::string(QV_BIN_DIR) + "/quorvantel-emulator",
      {"--memory", QV_SOURCE_DIR "/data/demo/demo-memory.json", "--bad-checksum", "3"}, &error))
      << error;
  PortChoice port;
  port.ChooseDevice(damaged.Device());
  form_->Download().ApplyPortChoice(port);
  TfrmTransfering* transfer = form_->Forms().Transfering;
  prompter_.onShow = [&](QWidget*) {
    EXPECT_FALSE(transfer->isVisible()) << "the transfer box would cover the message";
    // The good tests are on show when the message comes.
    EXPECT_EQ(ctx_->Doc.TestCount(), 14);
  };
  ChooseMemory(0);
  test::DownloadAndWait(*form_);
  ASSERT_EQ(prompter_.Texts().size(), 1) << prompter_.Texts().join(" | ").toStdString();
  EXPECT_TRUE(prompter_.Texts()[0].startsWith(ctx_->Tr("msgDataCorrupt_35") +
                                              " (1)   Error #16\n\n1 test is missing: page 3"))
      << prompter_.Texts()[0].toStdString();
  EXPECT_TRUE(ctx_->Doc.ResultsDataLoaded());
  EXPECT_TRUE(form_->TableVisible());
}

// While a transfer runs, one rule holds back what would change or replace the document or use
// the link; looking, copying and the help go on. A close asked for meanwhile cancels the
// transfer and comes, with its question, once the transfer has ended.
TEST_F(GuiDownloadTest, CommandsThatTouchTheDocumentWaitWhileADownloadRuns) {
  bool closed = true;
  test::OnNextModal([this, &closed](QDialog* d) {
    EXPECT_TRUE(form_->DownloadRunning());
    for (const char* command : {"mmFileOpen", "mmFileClose", "mmFileSaveAs", "mmInstrDownLoad",
                                "mmConfigPort", "mmHelpSaveTrace"}) {
      EXPECT_FALSE(form_->Action(command)->isEnabled()) << command;
    }
    for (const char* button : {"sbFileOpen", "sbFileSave", "sbDownLoad"})
      EXPECT_FALSE(form_->findChild<QToolButton*>(button)->isEnabled()) << button;
    for (const char* command : {"mmHelpAbout", "mmConfigLanguage", "mmFileExit"})
      EXPECT_TRUE(form_->Action(command)->isEnabled()) << command;
    EXPECT_TRUE(form_->findChild<QToolButton*>("sbGraph")->isEnabled());
    closed = form_->close();
    d->findChild<QPushButton*>("btnCancel")->click();
  });
  const DownloadResult result = test::DownloadAndWait(*form_);
  EXPECT_EQ(result.outcome, DownloadOutcome::Declined);
  EXPECT_FALSE(closed);
  EXPECT_FALSE(form_->DownloadRunning());
  EXPECT_TRUE(form_->Action("mmFileOpen")->isEnabled()) << "the rule lets go at the end";
  EXPECT_TRUE(form_->findChild<QToolButton*>("sbDownLoad")->isEnabled());
  EXPECT_EQ(prompter_.Texts(), QStringList{ctx_->Tr("msgTerminate_35")});
  EXPECT_TRUE(form_->isVisible()) << "the question was answered No";
}

// The transfer runs beside the GUI thread: a timer there keeps its pace through a download of
// 300 pages (the event loop is never blocked), and Cancel ends a paced transfer at once.
TEST_F(GuiDownloadTest, TheEventLoopRunsOnAndCancelEndsTheTransferAtOnce) {
  const auto serve = [this](const char* baud, test::EmulatorProcess& instrument) {
    std::string error;
    ASSERT_TRUE(instrument.Start(
        std::string(QV_BIN_DIR) + "/quorvantel-emulator",
        {"--memory", QV_SOURCE_DIR "/tests/data/memories/three-hundred-pages.json", "--baud", baud},
        &error))
        << error;
    PortChoice port;
    port.ChooseDevice(instrument.Device());
    form_->Download().ApplyPortChoice(port);
  };
  QElapsedTimer clock;
  clock.start();
  qint64 last = 0, longestGap = 0;
  QTimer ticks;
  ticks.setInterval(5);
  // Gaps count while the pages come (the transfer box is up), not while a question or the
  // installing of the new document has the GUI thread's attention.
  TfrmTransfering* transfer = form_->Forms().Transfering;
  QObject::connect(&ticks, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    if (transfer->isVisible()) longestGap = std::max(longestGap, now - last);
    last = now;
  });
  QObject::connect(&form_->Download(), &GuiDownload::finished, [&] { ticks.stop(); });
  const auto startTicking = [&] {
    form_->mmInstrDownLoadClick();
    last = clock.elapsed();
    ticks.start();
  };

  test::EmulatorProcess fast;
  serve("0", fast);
  ChooseMemory(0);
  ASSERT_EQ(test::DownloadAndWait(*form_, startTicking).outcome, DownloadOutcome::Completed);
  EXPECT_EQ(ctx_->Doc.TestCount(), 300);
  const qint64 fullGap = longestGap;

  // Paced like a 57600-baud line, the 300 pages take about 14 s; Cancel comes after one.
  test::EmulatorProcess paced;
  serve("57600", paced);
  prompter_.answers = {false};
  longestGap = 0;
  qint64 cancelledAt = -1;
  QTimer cancel;
  cancel.setSingleShot(true);
  QObject::connect(&cancel, &QTimer::timeout, [&] {
    cancelledAt = clock.elapsed();
    transfer->findChild<QPushButton*>("btnCancel")->click();
  });
  ChooseMemory(0);
  const DownloadResult cancelled = test::DownloadAndWait(*form_, [&] {
    startTicking();
    cancel.start(1000);
  });
  const qint64 ended = clock.elapsed();
  EXPECT_EQ(cancelled.outcome, DownloadOutcome::Cancelled);
  ASSERT_GE(cancelledAt, 0);
  std::printf(
      "longest gap of the GUI thread's 5 ms timer: %lld ms (300 pages), %lld ms (paced); cancel "
      "to end: %lld ms\n",
      static_cast<long long>(fullGap), static_cast<long long>(longestGap),
      static_cast<long long>(ended - cancelledAt));
  if (test::kTimedBuild) {
    EXPECT_LE(fullGap, 20);
    EXPECT_LE(longestGap, 20);
    EXPECT_LE(ended - cancelledAt, 100);
  }
  EXPECT_EQ(ctx_->Doc.TestCount(), 300) << "a cancelled transfer installs nothing";
}

// A download that fails part-way (the instrument gone mid-transfer) leaves the open document as
// it was: its data, its title and its flags.
TEST_F(GuiDownloadTest, AFailedDownloadLeavesTheOpenDocumentUntouched) {
  ChooseMemory(0);
  ASSERT_EQ(test::DownloadAndWait(*form_).outcome, DownloadOutcome::Completed);
  const Document before = ctx_->Doc;
  const QString title = form_->windowTitle();
  prompter_.answers = {false};  // not saved: the next download may replace it

  test::EmulatorProcess dying;
  std::string error;
  ASSERT_TRUE(dying.Start(
      std::string(QV_BIN_DIR) + "/quorvantel-emulator",
      {"--memory", QV_SOURCE_DIR "/data/demo/demo-memory.json", "--stall-at", "3"}, &error))
      << error;
  PortChoice port;
  port.ChooseDevice(dying.Device());
  form_->Download().ApplyPortChoice(port);
  // The instrument goes away while its pages come.
  QObject::connect(&form_->Download(), &GuiDownload::runningChanged, [&](bool running) {
    if (running) QTimer::singleShot(400, [&dying] { dying.Stop(); });
  });
  ChooseMemory(0);
  const DownloadResult failed = test::DownloadAndWait(*form_);
  EXPECT_EQ(failed.outcome, DownloadOutcome::Failed);
  const Document& after = ctx_->Doc;
  EXPECT_EQ(after.Kind, before.Kind);
  EXPECT_EQ(after.TestCount(), before.TestCount());
  EXPECT_EQ(after.ShownTests, before.ShownTests);
  EXPECT_EQ(after.InstrumentInfo.SettingsBlock, before.InstrumentInfo.SettingsBlock);
  EXPECT_FALSE(after.DocNotSaved) << "the No to its save question, nothing else";
  EXPECT_EQ(after.DocModified, before.DocModified);
  EXPECT_EQ(form_->windowTitle(), title);
  EXPECT_TRUE(form_->TableVisible());
}

}  // namespace
}  // namespace qv

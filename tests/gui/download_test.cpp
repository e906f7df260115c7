// Instrument > DownLoad through the real dialogs against the emulated instrument: the memory
// choice, the transfer dialog, the block list in both modes, and the document on show.
#include "ShellFixture.h"
#include "core/link/EmulatorProcess.h"
#include "download/DLSelectDialog.h"
#include "download/DownLoadListDialog.h"
#include "download/GuiDownload.h"
#include "link/TransferDialog.h"
#include "print/HeaderDialog.h"

#include <QFileInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

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
  form_->mmInstrDownLoadClick();
  const Document& doc = ctx_->Doc;
  EXPECT_TRUE(prompter_.shown.empty()) << prompter_.Texts().join(" | ").toStdString();
  EXPECT_TRUE(doc.ResultsDataLoaded);
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
  form_->mmInstrDownLoadClick();
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
      offered = ctx_->Doc.LoggerBlocks.size();
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
  form_->mmInstrDownLoadClick();
  const Document& doc = ctx_->Doc;
  EXPECT_EQ(lists, 2);
  EXPECT_GE(offered, 2u);
  EXPECT_TRUE(doc.LoggerDataLoaded);
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
  form_->mmInstrDownLoadClick();
  ASSERT_TRUE(ctx_->Doc.ResultsDataLoaded);
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
  form_->mmInstrDownLoadClick();
  ASSERT_TRUE(ctx_->Doc.LoggerDataLoaded);
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
  form_->mmInstrDownLoadClick();
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
  form_->mmInstrDownLoadClick();
  ASSERT_EQ(prompter_.Texts().size(), 1) << prompter_.Texts().join(" | ").toStdString();
  EXPECT_TRUE(prompter_.Texts()[0].startsWith(ctx_->Tr("msgDataCorrupt_35") +
                                              " (1)   Error #16\n\n1 test is missing: page 3"))
      << prompter_.Texts()[0].toStdString();
  EXPECT_TRUE(ctx_->Doc.ResultsDataLoaded);
  EXPECT_TRUE(form_->TableVisible());
}

TEST_F(GuiDownloadTest, DocumentCommandsWaitWhileADownloadRuns) {
  bool closed = true;
  test::OnNextModal([this, &closed](QDialog* d) {
    // The memory choice is open: the download runs and pumps events.
    EXPECT_TRUE(form_->DownloadRunning());
    for (const char* command : {"mmFileOpen", "mmFileClose", "mmFileSaveAs", "mmFileExit",
                                "mmInstrDownLoad", "mmConfigPort"}) {
      form_->Action(command)->trigger();
    }
    closed = form_->close();
    d->findChild<QPushButton*>("btnCancel")->click();
  });
  form_->mmInstrDownLoadClick();
  EXPECT_FALSE(closed);
  EXPECT_TRUE(prompter_.shown.empty());  // neither "msgNoFileOpened_35" nor "msgTerminate_35"
  EXPECT_TRUE(prompter_.fileDialogTitles.isEmpty());
  EXPECT_FALSE(form_->DownloadRunning());
  EXPECT_TRUE(form_->isVisible());
}

}  // namespace
}  // namespace qv

// File > Measurement Archive... with real widgets: the tree of what was added, a visit opened into
// the main window, the trend of a room's quantity, a folder added and cancelled on the worker,
// and the files the application saves and opens added on their own.
#include "ShellFixture.h"
#include "archive/ArchiveService.h"
#include "archive/ArchiveWindow.h"
#include "core/archive/ArchiveTestSupport.h"
#include "core/link/EmulatorProcess.h"
#include "download/DownLoadListDialog.h"
#include "graph/GraphWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTreeWidget>

#include <algorithm>
#include <functional>

namespace qv {
namespace {

using test::Day;
using test::NewBlock;
using test::NewTest;

class ArchiveWindowTest : public test::ShellTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    Start();
    ASSERT_TRUE(started_);
    // A database of the test's own, as `quorvantel --archive PATH` gives it.
    ctx_->ArchivePath = folder_.filePath(QStringLiteral("archive.sqlite"));
    window_ = form_->Forms().Archive;
    ASSERT_NE(window_, nullptr);
  }

  QString FilePath(const QString& name) const { return folder_.filePath(name); }

  // Waits for the archive's worker to end every job (within 60 s); the last job's result.
  ArchiveJobResult WaitForJobs() {
    ArchiveService& service = form_->Archiving();
    ArchiveJobResult last;
    QEventLoop loop;
    const QMetaObject::Connection done = QObject::connect(&service, &ArchiveService::jobFinished,
                                                          &loop, [&](const ArchiveJobResult& r) {
                                                            last = r;
                                                            if (service.PendingJobs() == 0)
                                                              loop.quit();
                                                          });
    if (service.PendingJobs() > 0) {
      QTimer::singleShot(60000, &loop, &QEventLoop::quit);
      loop.exec();
    }
    QObject::disconnect(done);
    EXPECT_EQ(service.PendingJobs(), 0) << "the archive's worker did not end";
    return last;
  }

  // The lines under each other, as "text0 | text1" with two blanks per level.
  QStringList TreeLines() const {
    QStringList lines;
    std::function<void(QTreeWidgetItem*, int)> add = [&](QTreeWidgetItem* item, int depth) {
      lines.push_back(
          QString(depth * 2, QLatin1Char(' ')) + item->text(0) +
          (item->text(1).isEmpty() ? QString() : QStringLiteral(" | ") + item->text(1)));
      for (int i = 0; i < item->childCount(); ++i)
        add(item->child(i), depth + 1);
    };
    for (int i = 0; i < window_->Tree()->topLevelItemCount(); ++i)
      add(window_->Tree()->topLevelItem(i), 0);
    return lines;
  }

  QTemporaryDir folder_;
  TfrmArchive* window_ = nullptr;
};

// Two files of a school and one of another building: the window lists buildings, rooms and
// visits (a day's tests, a day's logging blocks), and the search finds words of names and of
// the files' comments.
TEST_F(ArchiveWindowTest, ListsWhatWasAddedAndSearchesNamesAndComments) {
  test::Save(FilePath("in/a.QVL"),
             test::TestsDocument({{"School", "Classroom 1A", Day(2024, 3, 5, 9, 30), {{1, 21.5}}},
                                  {"School", "Gym", Day(2024, 3, 5, 10, 0), {{1, 18.0}}}}));
  test::Save(FilePath("in/b.QVL"), test::LoggingDocument({{"School",
                                                           "Classroom 1A",
                                                           Day(2024, 3, 6, 8, 0),
                                                           60,
                                                           {1, 57},
                                                           {{20.0, 800}, {20.5, 900}}}}));
  test::Save(FilePath("in/sub/c.qvl"),
             test::TestsDocument({{"Town hall", "Office 2", Day(2024, 4, 1, 14, 0), {{57, 640}}}},
                                 "24031907", "Radiators bled in winter"));
  form_->Action("mmFileArchive")->trigger();
  ASSERT_TRUE(window_->isVisible());
  EXPECT_TRUE(window_->Tree()->topLevelItemCount() == 0);

  ASSERT_GT(window_->AddPaths({FilePath("in")}), 0);
  EXPECT_TRUE(window_->Progress()->isVisible());
  EXPECT_FALSE(window_->findChild<QPushButton*>("btnArchiveAddFolder")->isEnabled());
  const ArchiveJobResult result = WaitForJobs();
  EXPECT_EQ(result.summary.addedFiles, 3);
  EXPECT_FALSE(window_->Progress()->isVisible());
  EXPECT_TRUE(window_->findChild<QPushButton*>("btnArchiveAddFolder")->isEnabled());

  const auto day = [&](int y, int m, int d) {
    return QString::fromStdString(ShortDateText(Day(y, m, d), ctx_->Language.LocaleName));
  };
  EXPECT_EQ(
      TreeLines(),
      (QStringList{"School", "  Classroom 1A",
                   "    " + day(2024, 3, 5) + " | Tests: 1   09:30 - 09:31",
                   "    " + day(2024, 3, 6) + " | Logging blocks: 1, Samples: 2   08:00 - 08:01",
                   "  Gym", "    " + day(2024, 3, 5) + " | Tests: 1   10:00 - 10:01", "Town hall",
                   "  Office 2", "    " + day(2024, 4, 1) + " | Tests: 1   14:00 - 14:01"}));
  EXPECT_EQ(window_->FindVisit("Town hall", "Office 2", 0)->text(2), "c.qvl");
  EXPECT_TRUE(window_->Status()->text().startsWith("Files added: 3    Skipped (added before): 0"))
      << window_->Status()->text().toStdString();

  // Words of a comment find its file's visits; of a room its visits; none, nothing.
  const auto search = [&](const char* words) {
    window_->SearchBox()->setText(QString::fromLatin1(words));
    window_->Refresh();
    return TreeLines();
  };
  EXPECT_EQ(search("radiators").value(1), "  Office 2");
  EXPECT_EQ(search("radiators").size(), 3);
  EXPECT_EQ(search("gym"), (QStringList{"School", "  Gym",
                                        "    " + day(2024, 3, 5) + " | Tests: 1   10:00 - 10:01"}));
  EXPECT_TRUE(search("nowhere").isEmpty());
  EXPECT_EQ(search("").size(), 9);
  EXPECT_EQ(window_->Status()->text(), "Buildings: 2    Rooms: 3    Visits: 4");
}

// A double click replaces the open document only after its save questions, and only with a
// visit read whole; one that cannot be read leaves the open document as it was.
TEST_F(ArchiveWindowTest, DoubleClickOpensAVisitAfterTheSaveQuestions) {
  test::Save(
      FilePath("tests.QVL"),
      test::TestsDocument({{"School", "Lab", Day(2024, 3, 5, 9, 30), {{1, 21.5}, {5, 40}}},
                           {"School", "Lab", Day(2024, 3, 5, 11, 0), {{1, 22.0}, {5, 42}}}}));
  test::Save(FilePath("blocks.QVL"),
             test::LoggingDocument(
                 {{"School", "Lab", Day(2024, 3, 7, 8, 0), 60, {1}, {{20.0}, {20.5}, {21.0}}}}));
  window_->ShowArchive();
  window_->AddPaths({FilePath("tests.QVL"), FilePath("blocks.QVL")});
  WaitForJobs();
  QTreeWidget* tree = window_->Tree();
  QTreeWidgetItem* tests = window_->FindVisit("School", "Lab", 0);
  QTreeWidgetItem* blocks = window_->FindVisit("School", "Lab", 1);
  ASSERT_NE(tests, nullptr);
  ASSERT_NE(blocks, nullptr);

  // An unsaved document first: the question, answered No, then the visit's tests.
  ctx_->Doc.DocNotSaved = true;
  prompter_.answers = {false};
  emit tree->itemDoubleClicked(tests, 0);
  EXPECT_EQ(prompter_.Texts(), QStringList{ctx_->Tr("msgNotSaved_70")});
  const Document& doc = ctx_->Doc;
  ASSERT_TRUE(doc.ResultsDataLoaded());
  ASSERT_EQ(doc.TestCount(), 2);
  EXPECT_EQ(doc.AllTests[1].Values[static_cast<size_t>(StoragePos(5))], 42);
  EXPECT_FALSE(doc.DocNotSaved);
  EXPECT_TRUE(form_->TableVisible());
  EXPECT_EQ(form_->windowTitle(),
            QString::fromLatin1(kMainTitle) + ctx_->Tr("File_10") + " Lab 2024-03-05");
  EXPECT_EQ(doc.InstrumentInfo.SerialNumber, "24031907");

  // The blocks of a visit go through the list of blocks, as an opened file's do.
  test::OnNextModal([](QDialog* d) {
    auto* list = qobject_cast<TfrmDownLoadList*>(d);
    ASSERT_NE(list, nullptr);
    list->SelectCell(1, 0);
    d->findChild<QPushButton*>("btnShow")->click();
  });
  tree->setCurrentItem(blocks);
  window_->findChild<QPushButton*>("btnArchiveOpen")->click();
  ASSERT_TRUE(doc.LoggerDataLoaded());
  ASSERT_EQ(doc.LoggerBlocks.size(), 1u);
  EXPECT_EQ(doc.LoggerBlocks[0].SampleCount, 3);
  EXPECT_TRUE(form_->TableVisible());

  // The tests gone from the database behind the window's back: the read fails, told, and the
  // blocks stay on show.
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "archive-test-writer");
    db.setDatabaseName(ctx_->ArchivePath);
    ASSERT_TRUE(db.open());
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec(QStringLiteral("DELETE FROM test")));
  }
  QSqlDatabase::removeDatabase("archive-test-writer");
  prompter_.shown.clear();
  emit tree->itemDoubleClicked(tests, 0);
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].icon, QMessageBox::Warning);
  EXPECT_TRUE(doc.LoggerDataLoaded());
  EXPECT_EQ(doc.LoggerBlocks[0].SampleCount, 3);
  EXPECT_TRUE(form_->TableVisible());
}

// Every value of the room's quantity across visits, tests and logged samples of three files,
// is one point of a graph window, in the display units whatever units it was measured in, with
// dates on its time axis; other rooms and quantities stay out.
TEST_F(ArchiveWindowTest, TrendOfARoomAndQuantityHasOnePointPerValue) {
  test::Save(FilePath("t/1.QVL"),
             test::TestsDocument({{"School", "Lab", Day(2024, 1, 10, 9, 0), {{1, 20.0}, {5, 40}}},
                                  {"School", "Hall", Day(2024, 1, 10, 9, 30), {{1, 15.0}}}}));
  NewTest us{"School", "Lab", Day(2024, 6, 3, 9, 0), {{1, 77.0}, {3, 78.8}}};
  us.units = "US";
  test::Save(FilePath("t/2.QVL"), test::TestsDocument({us}));
  test::Save(FilePath("t/3.QVL"),
             test::LoggingDocument({{"School",
                                     "Lab",
                                     Day(2024, 9, 2, 8, 0),
                                     600,
                                     {1, 5},
                                     {{21.0, 35}, {NoValue, 36}, {22.0, 37}, {22.5, 38}}}}));
  window_->ShowArchive();
  window_->AddPaths({FilePath("t")});
  WaitForJobs();
  window_->Tree()->setCurrentItem(window_->FindVisit("School", "Lab", 0));
  QComboBox* quantity = window_->QuantityBox();
  ASSERT_EQ(quantity->count(), 2) << "air temperature and humidity of the room";
  quantity->setCurrentIndex(quantity->findData(1));
  window_->findChild<QPushButton*>("btnArchiveTrend")->click();
  TfrmGraphChild* trend = window_->LastTrend();
  ASSERT_NE(trend, nullptr);
  EXPECT_TRUE(trend->isVisible());
  EXPECT_EQ(trend->Quantity(), 1);

  // Current: two tests and three logged samples with a value, by time; Average: the US test's.
  const GraphSeriesData& data = trend->Plot()->Data();
  const std::vector<GraphPoint> current = {{Day(2024, 1, 10, 9, 0), 20.0},
                                           {Day(2024, 6, 3, 9, 0), 25.0},  // 77 F
                                           {Day(2024, 9, 2, 8, 0), 21.0},
                                           {Day(2024, 9, 2, 8, 20), 22.0},
                                           {Day(2024, 9, 2, 8, 30), 22.5}};
  ASSERT_EQ(data.Series[0].size(), current.size());
  for (size_t i = 0; i < current.size(); ++i) {
    EXPECT_NEAR(data.Series[0][i].X, current[i].X, 1e-6) << i;
    EXPECT_NEAR(data.Series[0][i].Y, current[i].Y, 1e-9) << i;
  }
  ASSERT_EQ(data.Series[2].size(), 1u);
  EXPECT_NEAR(data.Series[2][0].Y, 26.0, 1e-9);
  EXPECT_TRUE(data.Series[1].empty() && data.Series[3].empty());
  EXPECT_EQ(trend->Plot()->LegendNames(),
            (QStringList{ctx_->Tr("LogSerTit1_8"), ctx_->Tr("LogSerTit3_8")}));
  EXPECT_EQ(window_->Status()->text(), "Values: 6    Visits: 3");
  EXPECT_TRUE(trend->windowTitle().contains("School / Lab")) << trend->windowTitle().toStdString();
  // Dates alone on the time axis, never crowded into each other.
  trend->Plot()->replot();
  const std::vector<TGraphChart::TickLabel> labels = trend->Plot()->TimeLabels();
  ASSERT_GE(labels.size(), 2u);
  for (size_t i = 0; i < labels.size(); ++i) {
    EXPECT_TRUE(QRegularExpression("^\\d\\d\\.\\d\\d\\.\\d\\d$").match(labels[i].Text).hasMatch())
        << labels[i].Text.toStdString();
    if (i > 0) {
      EXPECT_LT(labels[i - 1].Right, labels[i].Left);
    }
  }
  trend->close();
}

// A folder's adding, cancelled after its third file, keeps those three and the window lists
// them; adding the folder again brings the rest.
TEST_F(ArchiveWindowTest, AFolderAddCancelledPartWayKeepsWhatWasAdded) {
  constexpr int kFiles = 12;
  for (int i = 0; i < kFiles; ++i) {
    test::Save(FilePath(QStringLiteral("many/%1.QVL").arg(i, 2, 10, QLatin1Char('0'))),
               test::TestsDocument(
                   {{"Depot",
                     QStringLiteral("Room %1").arg(i, 2, 10, QLatin1Char('0')).toStdString(),
                     Day(2024, 2, 1 + i, 10, 0),
                     {{1, 20.0 + i}}}}));
  }
  window_->ShowArchive();
  ArchiveService& service = form_->Archiving();
  // On the worker, right after its third file: at a known point, and as Cancel does it.
  const QMetaObject::Connection third = QObject::connect(
      &service, &ArchiveService::fileDone, &service,
      [&service](int job, int done, int) {
        if (done == 3) service.Cancel(job);
      },
      Qt::DirectConnection);
  const int job = window_->AddPaths({FilePath("many")});
  EXPECT_TRUE(window_->findChild<QPushButton*>("btnArchiveCancel")->isVisible());
  const ArchiveJobResult result = WaitForJobs();
  QObject::disconnect(third);
  EXPECT_EQ(result.job, job);
  EXPECT_TRUE(result.summary.cancelled);
  EXPECT_EQ(result.summary.addedFiles, 3);
  EXPECT_FALSE(window_->findChild<QPushButton*>("btnArchiveCancel")->isVisible());
  EXPECT_TRUE(window_->Status()->text().contains(ctx_->Tr("ArchiveCancelled_60")));
  ASSERT_EQ(window_->Tree()->topLevelItemCount(), 1);
  QTreeWidgetItem* depot = window_->Tree()->topLevelItem(0);
  ASSERT_EQ(depot->childCount(), 3);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(depot->child(i)->text(0), QStringLiteral("Room %1").arg(i, 2, 10, QLatin1Char('0')));

  // The same folder again: the three are skipped, the nine others added.
  window_->AddPaths({FilePath("many")});
  const ArchiveJobResult again = WaitForJobs();
  EXPECT_EQ(again.summary.skippedFiles, 3);
  EXPECT_EQ(again.summary.addedFiles, kFiles - 3);
  ASSERT_EQ(window_->Tree()->topLevelItemCount(), 1);
  EXPECT_EQ(window_->Tree()->topLevelItem(0)->childCount(), kFiles);
}

// A file opened goes into the archive and so into the window's tree. Where the archive cannot
// take it, the file is open all the same and the main window's status line says so, in no box.
TEST_F(ArchiveWindowTest, OpenedFilesGoIntoTheTreeAndFailuresAreToldQuietly) {
  test::Save(FilePath("ward3.QVL"),
             test::TestsDocument({{"Clinic", "Ward 3", Day(2024, 5, 6, 9, 0), {{1, 22.0}}}}));
  test::Save(FilePath("ward4.QVL"),
             test::TestsDocument({{"Clinic", "Ward 4", Day(2024, 5, 7, 9, 0), {{1, 23.0}}}}));
  window_->ShowArchive();
  QStatusBar* status = form_->statusBar();
  form_->OpenFromCommandLine(FilePath("ward3.QVL"));
  ASSERT_TRUE(ctx_->Doc.ResultsDataLoaded());
  EXPECT_EQ(WaitForJobs().summary.addedFiles, 1);
  EXPECT_NE(window_->FindVisit("Clinic", "Ward 3", 0), nullptr);
  EXPECT_TRUE(status->isHidden());

  // A folder where the database should be cannot be opened as one.
  ctx_->ArchivePath = folder_.path();
  form_->OpenFromCommandLine(FilePath("ward4.QVL"));
  EXPECT_FALSE(WaitForJobs().opened.ok());
  ASSERT_TRUE(ctx_->Doc.ResultsDataLoaded());
  EXPECT_EQ(ctx_->Doc.AllTests[0].RoomName, "Ward 4");
  EXPECT_TRUE(prompter_.shown.empty());
  EXPECT_FALSE(status->isHidden());
  EXPECT_TRUE(status->currentMessage().startsWith(ctx_->Tr("ArchiveAutoFailed_60") + ": "))
      << status->currentMessage().toStdString();
}

class ArchiveDownloadTest : public ArchiveWindowTest {
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
    ArchiveWindowTest::SetUp();
    PortChoice port;
    port.ChooseDevice(emulator_.Device());
    form_->Download().ApplyPortChoice(port);
    form_->Download().Engine().SetPauses({{}, {}, {}});
  }
  test::EmulatorProcess emulator_;
};

// A download saved is added to the archive on its own, and so is a file opened; with the
// setting off, neither. While a download runs the window cannot open a visit.
TEST_F(ArchiveDownloadTest, SavedDownloadsAndOpenedFilesAreAddedWhileTheSettingIsOn) {
  window_->ShowArchive();
  QCheckBox* automatic = window_->findChild<QCheckBox*>("cbArchiveAuto");
  ASSERT_NE(automatic, nullptr);
  EXPECT_TRUE(automatic->isChecked()) << "on by default";
  // A visit to open while the download runs.
  test::Save(FilePath("old.QVL"),
             test::TestsDocument({{"Old", "Room", Day(2023, 1, 2, 9, 0), {{1, 20.0}}}}));
  window_->AddPaths({FilePath("old.QVL")});
  WaitForJobs();
  window_->Tree()->setCurrentItem(window_->FindVisit("Old", "Room", 0));
  QPushButton* open = window_->findChild<QPushButton*>("btnArchiveOpen");
  ASSERT_TRUE(open->isEnabled());

  bool openDuringTransfer = true;
  const QMetaObject::Connection running =
      QObject::connect(&form_->Download(), &GuiDownload::runningChanged, [&](bool on) {
        if (!on) return;
        openDuringTransfer = open->isEnabled();
        emit window_->Tree()->itemDoubleClicked(window_->FindVisit("Old", "Room", 0), 0);
      });
  test::OnNextModal([](QDialog* d) {
    d->findChildren<QRadioButton*>()[0]->click();
    d->findChild<QPushButton*>("btnDownLoad")->click();
  });
  ASSERT_EQ(test::DownloadAndWait(*form_).outcome, DownloadOutcome::Completed);
  QObject::disconnect(running);
  EXPECT_FALSE(openDuringTransfer);
  EXPECT_TRUE(open->isEnabled());
  ASSERT_TRUE(ctx_->Doc.ResultsDataLoaded()) << "the download's document, not the visit";
  const int downloaded = ctx_->Doc.TestCount();

  // Saved: added on the worker, every test of it in the tree.
  const QString saved = FilePath("download.QVL");
  prompter_.files = {saved};
  QElapsedTimer clock;
  clock.start();
  ASSERT_TRUE(form_->mmFileSaveAsClick());
  const qint64 saveReturned = clock.elapsed();
  ASSERT_EQ(form_->Archiving().PendingJobs(), 1);
  const ArchiveJobResult added = WaitForJobs();
  std::printf(
      "Save As returned after %lld ms; the saved download was in the archive after %lld ms\n",
      static_cast<long long>(saveReturned), static_cast<long long>(clock.elapsed()));
  EXPECT_TRUE(added.automatic);
  EXPECT_EQ(added.summary.addedFiles, 1);
  EXPECT_EQ(added.summary.tests, downloaded);
  EXPECT_GT(window_->Tree()->topLevelItemCount(), 1);

  // Opened: added (its bytes were, so it is skipped).
  prompter_.answers = {false};
  form_->OpenFromCommandLine(saved);
  ASSERT_EQ(form_->Archiving().PendingJobs(), 1);
  EXPECT_EQ(WaitForJobs().summary.skippedFiles, 1);

  // Off: the setting is kept, and nothing is added.
  automatic->setChecked(false);
  bool stored = true;
  ctx_->Settings.ReadBool(kArchiveAutoAddSetting, stored);
  EXPECT_FALSE(stored);
  test::Save(FilePath("other.QVL"),
             test::TestsDocument({{"Other", "Room", Day(2023, 5, 2, 9, 0), {{1, 20.0}}}}));
  form_->OpenFromCommandLine(FilePath("other.QVL"));
  EXPECT_TRUE(ctx_->Doc.ResultsDataLoaded());
  EXPECT_EQ(form_->Archiving().PendingJobs(), 0);
}

}  // namespace
}  // namespace qv

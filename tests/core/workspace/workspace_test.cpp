// The document workspace: what follows a load, a block choice and an edit, in the order the
// person sees it, and what the views are told.
#include "core/view/ViewTestSupport.h"
#include "support/Downloaded.h"
#include "support/ScriptedHost.h"
#include "workspace/DocumentWorkspace.h"

#include <gtest/gtest.h>

#include <QFile>

#include <deque>
#include <string>
#include <vector>

namespace qv {
namespace {

using Log = std::vector<std::string>;

// A person who cancels every list the test did not script.
test::ScriptedHost Host(Log& log) {
  test::ScriptedHost host(&log);
  host.cancelUnscriptedLists = true;
  return host;
}

class RecordingObserver : public WorkspaceObserver {
 public:
  RecordingObserver(Log& log, const DocumentWorkspace& ws) : log_(log), ws_(ws) {}
  void DocumentReplaced() override { log_.push_back("replaced"); }
  void CurrentBlockChanged() override {
    log_.push_back("block " + std::to_string(ws_.Doc().CurrentBlock));
  }
  void TestsChanged() override { log_.push_back("tests"); }
  // Only what a view draws from: the table shown or not.
  void FlagsChanged() override {
    if (ws_.TableShown() != shown_) log_.push_back(ws_.TableShown() ? "shown" : "hidden");
    shown_ = ws_.TableShown();
  }

 private:
  Log& log_;
  const DocumentWorkspace& ws_;
  bool shown_ = false;
};

const TextCatalog& WorkspaceTexts() {
  static const TextCatalog texts = TextCatalog::FromBytes(
      "[Language]\nmsgNoDataToShow_35=No data\nmsgNoFileOpened_35=No file\n");
  return texts;
}

class WorkspaceTest : public ::testing::Test {
 protected:
  WorkspaceTest() { ws.AddObserver(observer); }
  // Three blocks of the logging test document; block 1 has no samples.
  void ThreeBlocks() {
    ws.Doc() = test::LoggingDocument(5, {1, 2});
    ws.Doc().LoggerBlocks.push_back(ws.Doc().LoggerBlocks[0]);
    ws.Doc().LoggerBlocks.push_back(ws.Doc().LoggerBlocks[0]);
    ws.Doc().LoggerBlocks[1].SampleCount = 0;
  }

  Log log;
  DocumentWorkspace ws{WorkspaceTexts()};
  test::ScriptedHost host = Host(log);
  RecordingObserver observer{log, ws};
};

TEST_F(WorkspaceTest, ListOfLoggingsSwitchesToTheChosenBlock) {
  ThreeBlocks();
  host.marks = {-1, 1, 2};  // nothing marked, an empty block, then block 2
  EXPECT_EQ(ws.ChooseBlock(host), LoadOutcome::Shown);
  EXPECT_EQ(ws.Doc().CurrentBlock, 2);
  EXPECT_EQ(ws.Shown(), ShownView::Logging);
  EXPECT_EQ(log, (Log{"list", "list", "tell No data", "list", "block 2", "shown"}));
  // The graph availability follows the new block: air temperature (codes 1, 2) only.
  EXPECT_TRUE(ws.GraphAvailability()[1].Enabled);
  EXPECT_FALSE(ws.GraphAvailability()[2].Enabled);
}

TEST_F(WorkspaceTest, ListOfLoggingsWithoutBlocksSaysSo) {
  EXPECT_EQ(ws.ChooseBlock(host), LoadOutcome::NothingToShow);
  EXPECT_EQ(log, (Log{"tell No data"}));
}

TEST_F(WorkspaceTest, CancelledListAsksToSaveOnlyWhenNoTableIsShown) {
  struct Case {
    const char* what;
    bool tableShown;
    bool notSaved, modified;
    std::deque<bool> answers;
    bool saveSucceeds;
    Log log;
    bool notSavedAfter, modifiedAfter;
  };
  const Case cases[] = {
      {"table shown", true, true, true, {}, true, {"list"}, true, true},
      {"yes saves both",
       false,
       true,
       true,
       {true},
       true,
       {"list", "ask msgNotSaved_70", "save"},
       false,
       false},
      {"no keeps the data's flags",
       false,
       true,
       true,
       {false, false},
       true,
       {"list", "ask msgNotSaved_70", "ask msgWantSaveChanges_50"},
       true,
       true},
      {"a failed save keeps the flags",
       false,
       true,
       true,
       {true},
       false,
       {"list", "ask msgNotSaved_70", "save"},
       true,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DocumentWorkspace fresh{WorkspaceTexts()};
    fresh.Doc() = test::LoggingDocument(5, {1});
    Log seen;
    test::ScriptedHost answers = Host(seen);
    if (c.tableShown) {
      ASSERT_TRUE(fresh.ShowBlock(0, answers));
    }
    fresh.Doc().DocNotSaved = c.notSaved;
    fresh.Doc().DocModified = c.modified;
    answers.answers = c.answers;
    answers.saveSucceeds = c.saveSucceeds;
    EXPECT_EQ(fresh.ChooseBlock(answers), LoadOutcome::Cancelled);
    EXPECT_EQ(seen, c.log);
    EXPECT_EQ(fresh.Doc().DocNotSaved, c.notSavedAfter);
    EXPECT_EQ(fresh.Doc().DocModified, c.modifiedAfter);
  }
}

TEST_F(WorkspaceTest, ResultsDownloadBuildsTheTreeAndShowsEveryTest) {
  Document& doc = ws.Doc();
  test::AddTest(doc, 2, 1, "South", "Lab", {{1, 20.0}});
  test::AddTest(doc, 1, 1, "North", "Hall", {{1, 21.0}});
  test::AddTest(doc, 2, 1, "South", "Lab", {{1, 22.0}});
  doc.DocSignalCount = 1;
  doc.DocSignals[1] = 1;
  EXPECT_EQ(test::InstallAsDownloaded(ws, DocumentKind::Results, host), LoadOutcome::Shown);
  EXPECT_EQ(log, (Log{"replaced", "tests", "shown"}));
  EXPECT_TRUE(doc.DocNotSaved);
  EXPECT_TRUE(ws.Title().file);
  ASSERT_EQ(doc.BuildingTree.size(), 2u);
  // Tree order, then page order within a room; each test its own record index.
  ASSERT_EQ(doc.ShownTestCount(), 3);
  EXPECT_EQ(doc.ShownTest(0)->Values[0], 21.0);
  EXPECT_EQ(doc.ShownTest(1)->Values[0], 20.0);
  EXPECT_EQ(doc.ShownTest(2)->Values[0], 22.0);
  EXPECT_EQ(ws.SuggestedFileName(), "Results 1899-12-30.QVL");
}

TEST_F(WorkspaceTest, ResultsWithoutSignalsAreToldAndNeverMarkedUnsaved) {
  test::AddTest(ws.Doc(), 1, 1, "North", "Hall", {});
  EXPECT_EQ(test::InstallAsDownloaded(ws, DocumentKind::Results, host), LoadOutcome::NothingToShow);
  EXPECT_EQ(log, (Log{"replaced", "tests", "tell No data"}));
  EXPECT_FALSE(ws.TableShown());
  EXPECT_FALSE(ws.Doc().DocNotSaved);
}

TEST_F(WorkspaceTest, CancelledShowListAfterALoggingDownloadAsksBeforeTheDataGo) {
  ThreeBlocks();
  host.marks = {-2};
  host.answers = {false};
  EXPECT_EQ(test::InstallAsDownloaded(ws, DocumentKind::Logging, host), LoadOutcome::Cancelled);
  EXPECT_EQ(log, (Log{"replaced", "list", "ask msgNotSaved_70"}));
  EXPECT_FALSE(ws.Doc().DocNotSaved);  // nothing is shown: a No lets the data go
}

TEST_F(WorkspaceTest, OpenedFilesAreShownTitledAndReported) {
  struct Case {
    const char* file;
    std::deque<int> marks;
    ShownView shown;
    Log log;
  };
  const Case cases[] = {
      {"ver3_results_comma.qvl", {}, ShownView::Results, {"replaced", "tests", "shown"}},
      {"ver2_logger.qvl", {0}, ShownView::Logging, {"replaced", "list", "block 0", "shown"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    DocumentWorkspace fresh{WorkspaceTexts()};
    Log seen;
    RecordingObserver views{seen, fresh};
    fresh.AddObserver(views);
    test::ScriptedHost answers = Host(seen);
    answers.marks = c.marks;
    OpenOptions options;
    options.today = 45000;
    const OpenedDocument opened =
        fresh.Open(QStringLiteral(QV_TEST_DATA_DIR "/files/") + c.file, answers, options);
    ASSERT_TRUE(opened.read.ok());
    EXPECT_EQ(opened.load, LoadOutcome::Shown);
    EXPECT_EQ(fresh.Shown(), c.shown);
    EXPECT_EQ(seen, c.log);
    EXPECT_TRUE(fresh.Title().named);
    EXPECT_EQ(fresh.Title().name, opened.storedName);
    EXPECT_TRUE(fresh.Doc().HeaderLoadedFromFile);
    EXPECT_EQ(fresh.SuggestedFileName(), c.file);
    // The report takes the file's header and instrument texts, dated today.
    EXPECT_EQ(fresh.Report().Texts.Lines, fresh.Doc().Header.Lines);
    EXPECT_EQ(fresh.Report().SerialNumber, fresh.Doc().InstrumentInfo.SerialNumber);
    EXPECT_EQ(fresh.Report().Date, 45000);
  }
}

// A document read elsewhere (a visit of the archive) is shown as an opened file is, titled and
// named as given, its header and instrument in the report; nothing about it is unsaved.
TEST_F(WorkspaceTest, ADocumentReadElsewhereIsShownAsAnOpenedFile) {
  Document results;
  test::AddTest(results, 1, 1, "School", "Classroom 1A", {{1, 20.5}});
  results.DocSignalCount = 1;
  results.DocSignals[1] = results.ColumnSignals[1] = 1;
  results.Kind = DocumentKind::Results;
  struct Case {
    const char* what;
    Document doc;
    std::deque<int> marks;
    ShownView shown;
    Log log;
  };
  const Case cases[] = {
      {"tests", results, {}, ShownView::Results, {"replaced", "tests", "shown"}},
      {"blocks",
       test::LoggingDocument(5, {1, 2}),
       {0},
       ShownView::Logging,
       {"replaced", "list", "block 0", "shown"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DocumentWorkspace fresh{WorkspaceTexts()};
    Log seen;
    RecordingObserver views{seen, fresh};
    fresh.AddObserver(views);
    test::ScriptedHost answers = Host(seen);
    answers.marks = c.marks;
    Document doc = c.doc;
    doc.Header.Lines[PrintHeader::Operator1] = "Anna";
    doc.InstrumentInfo.SerialNumber = "4711";
    doc.DocNotSaved = doc.DocModified = true;
    OpenOptions options;
    options.today = 45000;
    EXPECT_EQ(fresh.InstallRead(std::move(doc), "Classroom 1A 2024-03-05",
                                "Classroom 1A 2024-03-05.QVL", answers, options),
              LoadOutcome::Shown);
    EXPECT_EQ(fresh.Shown(), c.shown);
    EXPECT_EQ(seen, c.log);
    EXPECT_EQ(fresh.Title(), (DocumentTitle{true, true, "Classroom 1A 2024-03-05"}));
    EXPECT_EQ(fresh.SuggestedFileName(), "Classroom 1A 2024-03-05.QVL");
    EXPECT_FALSE(fresh.Doc().DocNotSaved);
    EXPECT_FALSE(fresh.Doc().DocModified);
    EXPECT_TRUE(fresh.Doc().HeaderLoadedFromFile);
    EXPECT_TRUE(fresh.RowEditingShown());
    EXPECT_EQ(fresh.Report().Texts.Lines[PrintHeader::Operator1], "Anna");
    EXPECT_EQ(fresh.Report().SerialNumber, "4711");
    EXPECT_EQ(fresh.Report().Date, 45000);
  }
}

// A file that cannot be read replaces nothing: the open document stays on show with its
// title, its flags and the name its save proposes.
TEST_F(WorkspaceTest, UnreadableFileIsReturnedNotToldAndLeavesTheOpenDocument) {
  ThreeBlocks();
  ASSERT_TRUE(ws.ShowBlock(0, host));
  ws.Doc().DocNotSaved = true;
  const DocumentTitle title = ws.Title();
  const std::string name = ws.SuggestedFileName();
  log.clear();
  const OpenedDocument opened = ws.Open(QStringLiteral("/nonexistent/x.QVL"), host, {});
  EXPECT_FALSE(opened.read.ok());
  EXPECT_FALSE(opened.read.message.empty());
  EXPECT_EQ(opened.load, LoadOutcome::Failed);
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(ws.TableShown());
  EXPECT_TRUE(ws.Doc().LoggerDataLoaded());
  EXPECT_EQ(ws.Doc().LoggerBlocks.size(), 3u);
  EXPECT_TRUE(ws.Doc().DocNotSaved);
  EXPECT_EQ(ws.Title(), title);
  EXPECT_EQ(ws.SuggestedFileName(), name);
  EXPECT_TRUE(ws.RowEditingShown());
}

TEST_F(WorkspaceTest, CloseWithNothingShownSaysSoAndKeepsTheFlags) {
  ws.Doc().DocNotSaved = true;
  EXPECT_FALSE(ws.Close(host));
  EXPECT_EQ(log, (Log{"tell No file"}));
  EXPECT_TRUE(ws.Doc().DocNotSaved);

  ThreeBlocks();
  ASSERT_TRUE(ws.ShowBlock(0, host));
  ws.Doc().DocNotSaved = true;
  log.clear();
  EXPECT_TRUE(ws.Close(host));
  EXPECT_EQ(log, (Log{"ask msgNotSaved_70", "replaced", "hidden"}));
  EXPECT_FALSE(ws.Doc().LoggerDataLoaded());
  EXPECT_EQ(ws.Doc().LoggerBlocks.size(), 3u) << "the store keeps its data until replaced";
}

TEST_F(WorkspaceTest, AnEditIsAlwaysMarkedAndRebuildsTheTree) {
  Document& doc = ws.Doc();
  test::AddTest(doc, 1, 1, "North", "Hall", {{1, 20.0}});
  doc.DocSignalCount = 1;
  ASSERT_EQ(test::InstallAsDownloaded(ws, DocumentKind::Results, host), LoadOutcome::Shown);
  doc.DocNotSaved = false;
  log.clear();

  test::AddTest(doc, 3, 1, "West", "Store", {{1, 19.0}});
  EXPECT_TRUE(ws.TestsEdited());
  EXPECT_TRUE(doc.DocModified);
  EXPECT_EQ(doc.BuildingTree.size(), 2u);
  EXPECT_EQ(doc.ShownTestCount(), 2);
  EXPECT_EQ(log, (Log{"tests"}));

  // The last test deleted: still an edit the person must be asked about.
  doc.DocModified = false;
  doc.AllTests.clear();
  ws.TestsEdited();
  EXPECT_TRUE(doc.DocModified);
  EXPECT_TRUE(doc.BuildingTree.empty());
  EXPECT_EQ(doc.ShownTestCount(), 0);
}

TEST_F(WorkspaceTest, AConfirmedHeaderIsTheDocumentsAndTheReportsWithoutMarkingTheDocument) {
  OpenOptions options;
  options.today = 45000;
  ASSERT_TRUE(
      ws.Open(QStringLiteral(QV_TEST_DATA_DIR "/files/ver3_results_comma.qvl"), host, options)
          .read.ok());
  ws.Doc().InstrumentInfo.SerialNumber = "4711";
  log.clear();

  PrintHeader header;
  header.Lines = {"Anna", "Lab", "Plant", "Hall 2", "Page footer"};
  header.ProbeSerNo[PrintHeader::CO2] = "C-1";
  header.Comments = "one\r\ntwo";
  ws.SetReportHeader(header, 45100);
  EXPECT_EQ(ws.Doc().Header.Lines, header.Lines);
  EXPECT_EQ(ws.Doc().Header.ProbeSerNo, header.ProbeSerNo);
  EXPECT_EQ(ws.Doc().Header.Comments, header.Comments);
  EXPECT_EQ(ws.Report().Texts.Lines, header.Lines);
  EXPECT_EQ(ws.Report().Texts.Comments, header.Comments);
  EXPECT_EQ(ws.Report().SerialNumber, "4711");
  EXPECT_EQ(ws.Report().Date, 45100);
  EXPECT_FALSE(ws.Doc().DocModified);
  EXPECT_FALSE(ws.Doc().DocNotSaved);
  EXPECT_TRUE(log.empty()) << "nothing the views draw has changed";
  // The file's texts are still the ones the dialog is to show first.
  EXPECT_TRUE(ws.HeaderLoadedFromFile());
  ws.ClearHeaderLoadedFromFile();
  EXPECT_FALSE(ws.HeaderLoadedFromFile());
}

}  // namespace
}  // namespace qv

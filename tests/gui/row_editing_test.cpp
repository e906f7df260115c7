// Copy, Select All and the row commands of the results view through their menu entries, with
// the real tree and table: what moves where, which node and row are selected afterwards, and
// what reaches the clipboard.
#include "ViewFixture.h"
#include "store/SignalCatalog.h"
#include "support/Downloaded.h"

#include <QAction>
#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>

namespace qv {
namespace {

// Places the workspace on a document as a download leaves it, without a person.
class ChoosingHost : public test::QuietDocumentHost {
 public:
  bool ChooseBlockToShow(std::vector<TLoggerRecord>& blocks) override {
    blocks[0].Selected = 1;
    return true;
  }
};

class RowEditing : public test::ViewTest {
 protected:
  // North: Hall (A, B) and Office (C); South: Lab (D). Code 1 everywhere; A holds 21.0.
  void SetUp() override {
    ViewTest::SetUp();
    Document& doc = ctx_->Doc;
    const struct {
      int building, room;
      const char *buildingName, *roomName;
      double value;
    } tests[] = {{1, 1, "North", "Hall", 21.0},
                 {1, 1, "North", "Hall", 22.0},
                 {1, 2, "North", "Office", 23.0},
                 {2, 1, "South", "Lab", 24.0}};
    for (const auto& t : tests) {
      const int i = doc.AddTestRecord();
      TTestsRecord& r = doc.AllTests[static_cast<size_t>(i)];
      r.UnitSystem = "SI";
      r.BuildingNo = t.building;
      r.RoomNo = t.room;
      r.BuildingName = Bytes(t.buildingName);
      r.RoomName = Bytes(t.roomName);
      r.BeginTime = r.EndTime = 45000 + i;
      doc.StoreTestValue(i, 1, t.value);
    }
    doc.DocSignals[1] = 1;
    doc.DocSignalCount = 1;
    ctx_->Workspace.PrepareRowEditing();
    ASSERT_EQ(test::InstallAsDownloaded(ctx_->Workspace, DocumentKind::Results, quiet_),
              LoadOutcome::Shown);
    doc.DocNotSaved = false;
  }

  void SelectNode(int building, int room) {
    QTreeWidgetItem* node = Tree()->Root()->child(building)->child(room);
    Tree()->setCurrentItem(node);
    Activate();
  }
  void Trigger(const char* entry) {
    ASSERT_TRUE(form_->Action(entry)->isEnabled()) << entry;
    form_->Action(entry)->trigger();
  }
  // Values of code 1 of the shown tests, in row order.
  std::vector<double> ShownValues() const {
    std::vector<double> v;
    for (int r = 0; r < ctx_->Doc.ShownTestCount(); ++r)
      v.push_back(ctx_->Doc.ShownTest(r)->Values[StoragePos(1)]);
    return v;
  }
  QString Selected() const {
    const QTreeWidgetItem* node = const_cast<RowEditing*>(this)->Tree()->currentItem();
    return node->parent() ? node->parent()->text(0) + "/" + node->text(0) : node->text(0);
  }
  std::vector<int> RecordIndexes() const {
    std::vector<int> v;
    for (const TTestsRecord& t : ctx_->Doc.AllTests)
      v.push_back(t.RecordIndex);
    return v;
  }
  ChoosingHost choosing_;
};

TEST_F(RowEditing, CutInOneRoomPastedInAnotherBuildingMovesTheTest) {
  SelectNode(0, 0);  // North/Hall
  ClickCell(0, 1);
  Trigger("ppCutRow");
  SelectNode(1, 0);  // South/Lab
  ClickCell(0, 1);
  EXPECT_TRUE(Allowed("ppPasteRow"));
  Trigger("ppPasteRow");

  // Listed right after the row it was pasted at, under that row's place; the same node and
  // row number selected again.
  EXPECT_EQ(Selected(), "South/Lab");
  EXPECT_EQ(ShownValues(), (std::vector<double>{24.0, 21.0}));
  EXPECT_EQ(ctx_->Doc.ShownTest(1)->BuildingNo, 2);
  EXPECT_EQ(ctx_->Doc.TestCount(), 4);
  EXPECT_EQ(Table()->State().SelectedRow, 1);
  EXPECT_EQ(Table()->State().Selection, (CellRect{1, 1, 3, 1}));
  EXPECT_TRUE(ctx_->Doc.DocModified);
  // The held row ended with the move: a second paste has nothing to paste.
  EXPECT_EQ(Table()->State().HeldRow, -1);
  EXPECT_FALSE(Allowed("ppPasteRow"));
  // Gone from the first room, whose node stays with its other test.
  SelectNode(0, 0);
  EXPECT_EQ(ShownValues(), (std::vector<double>{22.0}));
}

TEST_F(RowEditing, CopyRowPastedTwiceGivesTwoNewRecordIndexes) {
  SelectNode(0, 1);  // North/Office
  ClickCell(0, 1);
  Trigger("ppCopyRow");
  Trigger("ppPasteRow");
  Trigger("ppPasteRow");
  EXPECT_EQ(ShownValues(), (std::vector<double>{23.0, 23.0, 23.0}));
  std::vector<int> indexes = RecordIndexes();
  std::sort(indexes.begin(), indexes.end());
  EXPECT_EQ(indexes, (std::vector<int>{0, 1, 2, 3, 4, 5}));
  EXPECT_TRUE(Allowed("ppPasteRow")) << "a copied row stays held";
}

TEST_F(RowEditing, DeletingTheOnlyTestOfARoomRemovesItsNodes) {
  SelectNode(1, 0);  // South/Lab, South's only room
  ClickCell(0, 1);
  Trigger("ppDeleteRow");
  EXPECT_EQ(Selected(), Tree()->Root()->text(0));
  EXPECT_EQ(Tree()->Root()->childCount(), 1) << "South is gone";
  EXPECT_EQ(ShownValues(), (std::vector<double>{21.0, 22.0, 23.0}));
  EXPECT_TRUE(ctx_->Doc.DocModified);

  // The last row of a node: the selection moves up to the new last row.
  ClickCell(0, 3);
  Trigger("ppDeleteRow");
  EXPECT_EQ(Table()->State().SelectedRow, 2);
  EXPECT_EQ(Table()->State().SelectedRecordIndex, ctx_->Doc.ShownTest(1)->RecordIndex);
}

TEST_F(RowEditing, DeletingEveryTestStillAsksToSave) {
  for (int left = 4; left > 0; --left) {
    Tree()->setCurrentItem(Tree()->Root());
    Activate();
    ClickCell(0, 1);
    Trigger("ppDeleteRow");
  }
  EXPECT_EQ(ctx_->Doc.TestCount(), 0);
  EXPECT_FALSE(Allowed("ppDeleteRow"));
  struct Recording : test::QuietDocumentHost {
    bool Ask(std::string_view key) override {
      asked.emplace_back(key);
      return false;
    }
    std::vector<std::string> asked;
  } host;
  ctx_->Workspace.Close(host);
  EXPECT_EQ(host.asked, (std::vector<std::string>{"msgWantSaveChanges_50"}));
}

TEST_F(RowEditing, CopyPutsTheDecodedSelectionOnTheClipboard) {
  ctx_->Doc.AllTests[0].RoomName = "Caf\xE9\xFF";
  Tree()->setCurrentItem(Tree()->Root());
  Activate();
  Trigger("mmEditSelAll");
  Trigger("mmEditCopy");
  const QStringList lines = QGuiApplication::clipboard()->text().split(QStringLiteral("\r\n"));
  ASSERT_EQ(lines.size(), 6) << "header, four tests, the end";
  EXPECT_TRUE(lines[0].endsWith('\t'));
  EXPECT_EQ(lines[1].split('\t').size(), 5);
  EXPECT_TRUE(lines[1].startsWith(QStringLiteral("North\tCaf\u00e9\u00ff\t")))
      << lines[1].toStdString();
  EXPECT_TRUE(lines[1].endsWith(QStringLiteral("\t21.0"))) << lines[1].toStdString();

  // A whole row selected: the pop-up's Copy waits, the Edit menu's copies the row.
  ClickCell(0, 2);
  EXPECT_FALSE(Allowed("ppCopy"));
  Trigger("mmEditCopy");
  EXPECT_EQ(QGuiApplication::clipboard()->text().count(QStringLiteral("\r\n")), 2);
}

TEST_F(RowEditing, SelectAllAndCopyOfTheLargestBlockIsQuick) {
  Document& doc = ctx_->Doc;
  doc.LoggerBlocks.clear();
  TLoggerRecord& b = doc.LoggerBlocks.emplace_back();
  b.UnitSystem = "SI";
  b.IntervalSec = 1;
  b.BeginTime = 45000;
  b.SampleCount = 4096;
  for (int code = 1; code <= kLoggerSignals; ++code) {
    b.SignalCodes[static_cast<size_t>(b.SignalCount++)] = code;
    b.SignalPresent[static_cast<size_t>(code)] = 1;
  }
  doc.SizeSampleArrays(0, 4096);
  for (int pos = 1; pos <= kLoggerSignals; ++pos) {
    for (int s = 0; s < 4096; ++s)
      doc.StoreSample(0, pos, s, 10 + (s % 97) * 0.137);
  }
  doc.Kind = DocumentKind::Logging;
  ASSERT_EQ(test::InstallAsDownloaded(ctx_->Workspace, DocumentKind::Logging, choosing_),
            LoadOutcome::Shown);
  Activate();

  QElapsedTimer clock;
  clock.start();
  Trigger("mmEditSelAll");
  Trigger("mmEditCopy");
  const qint64 ms = clock.elapsed();
  const QString text = QGuiApplication::clipboard()->text();
  EXPECT_EQ(text.count(QStringLiteral("\r\n")), 4097);
  // The header keeps its trailing tab; data lines do not.
  EXPECT_EQ(text.count('\t'), 65 + 4096 * 64);
  std::printf("Select All + Copy of 4096 x 64: %lld ms, %lld characters\n",
              static_cast<long long>(ms), static_cast<long long>(text.size()));
  if (test::kTimedBuild) {
    EXPECT_LT(ms, 500);
  }
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

TEST_F(RowEditing, PasteAndDeleteInA5000TestDocumentAreQuick) {
  Document& doc = ctx_->Doc;
  std::vector<TTestsRecord> tests;
  for (int i = 0; i < 5000; ++i) {
    TTestsRecord t = doc.AllTests[static_cast<size_t>(i % 4)];
    t.BuildingNo = 1 + i % 20;
    t.RoomNo = 1 + i % 50;
    t.BuildingName = "Building " + std::to_string(t.BuildingNo);
    t.RoomName = "Room " + std::to_string(t.RoomNo);
    tests.push_back(std::move(t));
  }
  doc.SetTests(std::move(tests));
  ctx_->Workspace.TestsEdited();
  Tree()->setCurrentItem(Tree()->Root());
  Activate();
  ClickCell(0, 2);
  Trigger("ppCopyRow");

  QElapsedTimer clock;
  clock.start();
  Trigger("ppPasteRow");
  const qint64 paste = clock.restart();
  ASSERT_EQ(doc.TestCount(), 5001);
  Trigger("ppDeleteRow");
  const qint64 remove = clock.elapsed();
  ASSERT_EQ(doc.TestCount(), 5000);
  std::printf("5000 tests: Paste Row %lld ms, Delete Row %lld ms\n", static_cast<long long>(paste),
              static_cast<long long>(remove));
  if (test::kTimedBuild) {
    EXPECT_LT(paste, 50);
    EXPECT_LT(remove, 50);
  }
}

}  // namespace
}  // namespace qv

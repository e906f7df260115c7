// The results view after a download through the real menu command: the tree, the column map,
// the cells as drawn, renaming in the tree, the report choice in the headers and the row
// selection.
#include "ViewFixture.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>

namespace qv {
namespace {

// Building 2 comes first in memory; building 1 holds a room "Hall" as building 2 does.
const QByteArray kResults = R"({
  "identification": {"type": "QV-100", "code": "100", "producer": "Quorvantel Instruments",
                     "firmware": "1.07", "serial": "1001", "resultsPercent": 1, "loggingPercent": 0},
  "results": [
    {"building": 2, "buildingName": "South", "room": 1, "roomName": "Hall",
     "begin": "2024-05-02 10:00:00", "end": "2024-05-02 10:05:00", "unit": "SI",
     "values": {"AirTemp": [22.5, 22.0, 22.4, 23.0], "RelHum": [45, 44, 45, 46]}},
    {"building": 1, "buildingName": "North", "room": 2, "roomName": "Office",
     "begin": "2024-05-02 11:00:00", "end": "2024-05-02 11:05:30", "unit": "SI",
     "values": {"AirTemp": [59.96, 20, 21, 22]}},
    {"building": 1, "buildingName": "North", "room": 1, "roomName": "Hall",
     "begin": "2024-05-02 12:00:00", "end": "2024-05-02 12:05:00", "unit": "SI",
     "values": {"CO2": [900, 800, 850, 950]}},
    {"building": 2, "buildingName": "South", "room": 1, "roomName": "Hall",
     "begin": "2024-05-02 13:00:00", "end": "2024-05-02 13:05:00", "unit": "SI",
     "values": {"AirTemp": 21.0}}
  ]
})";

class ResultsView : public test::ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    StartInstrument(kResults);
    DownloadThroughMenu(0);
    ASSERT_TRUE(ctx_->Doc.ResultsDataLoaded());
  }
  std::vector<int> ColumnMap() const {
    const Document& doc = ctx_->Doc;
    return {doc.ColumnSignals.begin() + 1, doc.ColumnSignals.begin() + 1 + doc.ColumnCount};
  }
  QTreeWidgetItem* Node(int building, int room = -1) {
    QTreeWidgetItem* b = Tree()->Root()->child(building);
    return room < 0 ? b : b->child(room);
  }
};

TEST_F(ResultsView, DownloadShowsTreeColumnsAndCells) {
  EXPECT_TRUE(prompter_.shown.empty()) << prompter_.Texts().join(" | ").toStdString();
  EXPECT_TRUE(ctx_->Doc.DocNotSaved);
  ASSERT_FALSE(Tree()->isHidden());
  ASSERT_TRUE(form_->TableVisible());

  QTreeWidgetItem* root = Tree()->Root();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->text(0), ctx_->Tr("AllTests_15"));
  EXPECT_TRUE(root->isSelected());
  ASSERT_EQ(root->childCount(), 2);
  EXPECT_EQ(Node(0)->text(0), "North");
  EXPECT_EQ(Node(1)->text(0), "South");
  ASSERT_EQ(Node(0)->childCount(), 2);
  EXPECT_EQ(Node(0, 0)->text(0), "Hall");
  EXPECT_EQ(Node(0, 1)->text(0), "Office");
  EXPECT_TRUE(Node(0)->isExpanded());

  EXPECT_EQ(ColumnMap(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 57, 58, 59, 60}));
  EXPECT_EQ(Table()->Layout().RowCount, 5);
  EXPECT_EQ(Table()->Layout().ColumnCount, 15);

  // Rows in tree order: North/Hall, North/Office, then both South/Hall tests.
  EXPECT_EQ(CellTexts(0, 0), QStringList{ctx_->Tr("No_3")});
  EXPECT_EQ(CellTexts(3, 0), (QStringList{ctx_->Tr("AirTemp_10"),
                                          ctx_->Tr("Curr_5") + "  " + ctx_->Tr("Unit-Cels_10")}));
  EXPECT_EQ(CellTexts(1, 1), (QStringList{"North", "Hall"}));
  EXPECT_EQ(CellTexts(2, 2), (QStringList{"02.05.24   11:00:00", "02.05.24   11:05:30"}));
  EXPECT_EQ(CellTexts(3, 2), QStringList{">  60.0"});
  EXPECT_EQ(CellTexts(11, 1), QStringList{"900"});
  EXPECT_EQ(CellTexts(3, 1), QStringList{"---"});
  EXPECT_EQ(CellTexts(7, 3), QStringList{"45.0"});
  EXPECT_EQ(CellTexts(0, 4), QStringList{"4"});

  // A room node shows its tests only, with the columns they need.
  Tree()->setCurrentItem(Node(1, 0));
  EXPECT_EQ(ctx_->Doc.ShownTestCount(), 2);
  EXPECT_EQ(ColumnMap(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(CellTexts(3, 2), QStringList{"21.0"});
  EXPECT_EQ(Views().SelectedNodeText(), "Hall");
  EXPECT_EQ(Views().SelectedParentText(), "South");
  SaveScreen("results-room");
}

TEST_F(ResultsView, RoomRenamedOnlyUnderItsBuildingsName) {
  Tree()->setCurrentItem(Node(0, 0));  // North / Hall
  Node(0, 0)->setText(0, "Foyer");     // what an in-place edit commits
  const Document& doc = ctx_->Doc;
  EXPECT_TRUE(doc.DocModified);
  for (const TTestsRecord& t : doc.AllTests) {
    EXPECT_EQ(t.RoomName, t.BuildingNo == 1 && t.RoomNo == 1 ? "Foyer"
                          : t.BuildingNo == 1                ? "Office"
                                                             : "Hall");
  }
  EXPECT_EQ(Node(1, 0)->text(0), "Hall");
  EXPECT_EQ(CellTexts(1, 1), (QStringList{"North", "Foyer"}));

  // A building shares its new name with every building of the old one.
  Tree()->setCurrentItem(Node(1));
  Node(1)->setText(0, "East");
  EXPECT_EQ(doc.AllTests.back().BuildingName, "East");
  EXPECT_EQ(CellTexts(1, 1), (QStringList{"East", "Hall"}));
  EXPECT_EQ(doc.AllTests.front().BuildingName, "North");
}

TEST_F(ResultsView, FifthReportColumnIsRefusedAndChosenHeadersAreRed) {
  for (int column : {3, 4, 6, 11})
    ClickCell(column, 0);
  EXPECT_EQ(ctx_->Doc.ReportCodes, (std::vector<int>{1, 2, 4, 57}));
  EXPECT_TRUE(prompter_.shown.empty());
  ClickCell(5, 0);
  EXPECT_EQ(prompter_.Texts(), QStringList{ctx_->Tr("msgOverSelSign_35")});
  EXPECT_EQ(ctx_->Doc.ReportCodes, (std::vector<int>{1, 2, 4, 57}));

  Table()->ScrollToColumn(1);
  const QImage image = Grab();
  EXPECT_GT(CountColor(image, Table()->CellRect(3, 0), TDrawTable::ChosenColor()), 20);
  EXPECT_EQ(CountColor(image, Table()->CellRect(5, 0), TDrawTable::ChosenColor()), 0);
  ClickCell(0, 2);
  SaveScreen("results-document");

  // Unchoosing makes room again; another node clears the choice.
  ClickCell(3, 0);
  ClickCell(5, 0);
  EXPECT_EQ(ctx_->Doc.ReportCodes, (std::vector<int>{2, 3, 4, 57}));
  Tree()->setCurrentItem(Node(0));
  EXPECT_TRUE(ctx_->Doc.ReportCodes.empty());
}

TEST_F(ResultsView, HelpSavesTheTraceOfTheLastTransfer) {
  OpenMenu(form_->Menu("mmHelp"));
  ASSERT_TRUE(form_->Action("mmHelpSaveTrace")->isEnabled());
  const QString path = dir_.filePath(QStringLiteral("trace.txt"));
  prompter_.files = {path};
  form_->Action("mmHelpSaveTrace")->trigger();
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray trace = f.readAll();
  EXPECT_TRUE(trace.contains("-- identification\n"));
  EXPECT_TRUE(trace.contains("-- command :MEM:R\n"));
  EXPECT_EQ(trace.count("-- page "), 4) << "one step per result page";
}

TEST_F(ResultsView, RowSelectionByTheNumberColumn) {
  // The right button opens the table's pop-up menu, with no row to act on.
  form_->Action("ppCutRow")->setEnabled(true);
  const QPoint at = Table()->CellRect(3, 1).center();
  QTest::mouseClick(Table()->viewport(), Qt::RightButton, {}, at);
  EXPECT_FALSE(Allowed("ppCutRow"));
  QContextMenuEvent menu(QContextMenuEvent::Mouse, at, Table()->viewport()->mapToGlobal(at));
  QApplication::sendEvent(Table()->viewport(), &menu);
  EXPECT_TRUE(form_->PopupMenu()->isVisible());
  form_->PopupMenu()->hide();
  Activate();

  ClickCell(0, 2);
  const TableState& state = Table()->State();
  EXPECT_EQ(state.SelectedRow, 2);
  EXPECT_EQ(state.SelectedRecordIndex, ctx_->Doc.ShownTest(1)->RecordIndex);
  EXPECT_TRUE(Allowed("ppCutRow"));
  EXPECT_FALSE(Allowed("ppPasteRow"));
  EXPECT_FALSE(Allowed("ppCopy"));
  EXPECT_EQ(form_->State().SelectedRow, 2);

  const QImage image = Grab();
  for (int column : {1, 3, 14}) {
    const QRect r = Table()->CellRect(column, 2);
    if (!r.isValid()) continue;  // scrolled out of sight
    EXPECT_GT(CountColor(image, r, TDrawTable::SelectedColor()), r.width() * r.height() / 2)
        << "column " << column;
  }
  EXPECT_EQ(CountColor(image, Table()->CellRect(3, 1), TDrawTable::SelectedColor()), 0);
  SaveScreen("results-selected-row");

  // Another cell ends the row selection; so does the focus going to the tree.
  ClickCell(4, 3);
  EXPECT_EQ(state.SelectedRow, -1);
  EXPECT_FALSE(Allowed("ppCutRow"));
  EXPECT_TRUE(Allowed("ppCopy"));
  ClickCell(0, 1);
  EXPECT_EQ(state.SelectedRow, 1);
  ASSERT_TRUE(Table()->hasFocus());
  Tree()->setFocus(Qt::MouseFocusReason);
  EXPECT_EQ(state.SelectedRow, -1);
  EXPECT_EQ(state.SelectedRecordIndex, -1);
  EXPECT_EQ(form_->State().SelectedRow, -1);
}

}  // namespace
}  // namespace qv

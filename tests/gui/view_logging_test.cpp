// The logging view after a download through the real menu command: the current block's first
// rows and sample times, the Shift range, the list of loggings switching blocks, the unit
// system and a logging file opened again.
#include "ViewFixture.h"
#include "download/DownLoadListDialog.h"

#include <QAction>

namespace qv {
namespace {

using test::OnNextModal;

const QByteArray kLogging = R"({
  "identification": {"type": "QV-200", "code": "200", "producer": "Quorvantel Instruments",
                     "firmware": "2.01", "serial": "2002", "resultsPercent": 0, "loggingPercent": 4},
  "logging": [
    {"interval": 90, "start": "2024-06-01 23:57:00", "buildingName": "Depot", "roomName": "Hall",
     "unit": "SI", "quantities": ["AirTemp", "RelHum"],
     "samples": [[21.0, 50.0], [21.1, 50.5], [21.2, 51.0], [21.3, 51.5], [59.96, 52.0]]},
    {"interval": 30, "start": "2024-06-02 08:00:00", "buildingName": "Depot", "roomName": "Store",
     "unit": "SI", "quantities": ["CO2"], "samples": [[500], [510], [520]]}
  ]
})";

// Marks block row `row` (1-based) of the list and confirms with `button`.
void ChooseInList(QDialog* d, int row, const char* button) {
  auto* list = qobject_cast<TfrmDownLoadList*>(d);
  ASSERT_NE(list, nullptr);
  list->SelectCell(row, 0);
  test::ClickButton(d, button);
}

class LoggingView : public test::ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    StartInstrument(kLogging);
    // The memory choice, then the list to download (all blocks), then the block to show.
    OnNextModal([](QDialog* d) {
      d->findChildren<QRadioButton*>()[1]->click();
      OnNextModal([](QDialog* list) {
        test::ClickButton(list, "btnSelectAll");
        OnNextModal([](QDialog* show) { ChooseInList(show, 1, "btnShow"); });
        test::ClickButton(list, "btnDownLoad");
      });
      test::ClickButton(d, "btnDownLoad");
    });
    test::DownloadAndWait(*form_, [this] { form_->Action("mmInstrDownLoad")->trigger(); });
    Activate();
    ASSERT_TRUE(ctx_->Doc.LoggerDataLoaded());
    ASSERT_EQ(ctx_->Doc.LoggerBlocks.size(), 2u);
  }
};

TEST_F(LoggingView, FirstRowsAndSampleTimes) {
  EXPECT_TRUE(prompter_.shown.empty()) << prompter_.Texts().join(" | ").toStdString();
  EXPECT_EQ(ctx_->Doc.CurrentBlock, 0);
  ASSERT_TRUE(form_->TableVisible());
  EXPECT_TRUE(Tree()->isHidden());
  EXPECT_EQ(Table()->Layout().RowCount, 6);
  EXPECT_EQ(Table()->Layout().ColumnCount, 10);  // number, time, codes 1..8

  EXPECT_EQ(CellTexts(1, 0), QStringList{ctx_->Tr("Time_10")});
  EXPECT_EQ(CellTexts(0, 1), QStringList{"1"});
  EXPECT_EQ(CellTexts(1, 1), QStringList{"01.06.24   23:57:00"});
  EXPECT_EQ(CellTexts(1, 2), QStringList{"01.06.24   23:58:30"});
  EXPECT_EQ(CellTexts(1, 3), QStringList{"02.06.24   00:00:00"});
  EXPECT_EQ(CellTexts(2, 1), QStringList{"21.0"});
  EXPECT_EQ(CellTexts(6, 2), QStringList{"50.5"});
  EXPECT_EQ(CellTexts(2, 5), QStringList{">  60.0"});
  SaveScreen("logging");
}

TEST_F(LoggingView, ShiftExtendsTheRowRange) {
  ClickCell(0, 2);
  ClickCell(0, 4, Qt::ShiftModifier);
  const TableState& state = Table()->State();
  EXPECT_EQ(state.RangeFirst, 2);
  EXPECT_EQ(state.RangeLast, 4);
  EXPECT_EQ(state.Selection, (CellRect{1, 2, 9, 4}));
  EXPECT_TRUE(Allowed("ppSaveSelAsRes"));
  ClickCell(0, 1, Qt::ShiftModifier);
  EXPECT_EQ(state.RangeFirst, 1);
  EXPECT_EQ(state.RangeLast, 4);
  const QImage image = Grab();
  const QRect inside = Table()->CellRect(2, 3);
  EXPECT_GT(CountColor(image, inside, TDrawTable::SelectedColor()),
            inside.width() * inside.height() / 2);
  EXPECT_EQ(CountColor(image, Table()->CellRect(2, 5), TDrawTable::SelectedColor()), 0);
  SaveScreen("logging-range");

  ClickCell(3, 3);
  EXPECT_FALSE(Allowed("ppSaveSelAsRes"));
}

TEST_F(LoggingView, ListOfLoggingsSwitchesBlocks) {
  OnNextModal([](QDialog* d) { ChooseInList(d, 2, "btnShow"); });
  form_->Action("mmConfigLogList")->trigger();
  EXPECT_EQ(ctx_->Doc.CurrentBlock, 1);
  ASSERT_TRUE(form_->TableVisible());
  EXPECT_EQ(Table()->Layout().RowCount, 4);
  EXPECT_EQ(Table()->Layout().ColumnCount, 6);
  EXPECT_EQ(CellTexts(1, 2), QStringList{"02.06.24   08:00:30"});
  EXPECT_EQ(CellTexts(2, 3), QStringList{"520"});

  // Cancel with the table on show asks nothing and keeps the block.
  OnNextModal([](QDialog* d) { test::ClickButton(d, "btnCancel"); });
  form_->Action("ppLogList")->trigger();
  EXPECT_EQ(ctx_->Doc.CurrentBlock, 1);
  EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(LoggingView, UnitsRepaintInTheOtherSystem) {
  const QImage before = Grab();
  OnNextModal([](QDialog* d) {
    d->findChildren<QRadioButton*>()[1]->click();
    test::ClickButton(d, "btnOK");
  });
  form_->Action("mmConfigUnits")->trigger();
  EXPECT_EQ(ctx_->DisplayUnits(), "US");
  EXPECT_EQ(CellTexts(2, 1), QStringList{"69.8"});
  EXPECT_EQ(CellTexts(2, 0)[1], ctx_->Tr("Curr_5") + "  " + ctx_->Tr("Unit-Farh_10"));
  EXPECT_NE(Grab(), before);
  EXPECT_EQ(Table()->Layout().RowCount, 6) << "the layout stays";
}

TEST_F(LoggingView, OpenedLoggingFileShowsTheChosenBlock) {
  const QString path = dir_.filePath(QStringLiteral("Depot.QVL"));
  prompter_.files = {path};
  ASSERT_TRUE(form_->mmFileSaveAsClick());
  form_->mmFileCloseClick();
  EXPECT_FALSE(form_->TableVisible());

  prompter_.files = {path};
  OnNextModal([](QDialog* d) { ChooseInList(d, 2, "btnShow"); });
  form_->mmFileOpenClick();
  EXPECT_EQ(ctx_->Doc.CurrentBlock, 1);
  ASSERT_TRUE(form_->TableVisible());
  EXPECT_EQ(Table()->Layout().RowCount, 4);
  EXPECT_EQ(CellTexts(1, 1), QStringList{"02.06.24   08:00:00"});
}

}  // namespace
}  // namespace qv

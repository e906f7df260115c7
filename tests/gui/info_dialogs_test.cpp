// The two read-only information dialogs of the table: File Info for either kind of document,
// and the calculation parameters of the selected test, opened through their menu entries.
#include "ViewFixture.h"
#include "core/view/ViewTestSupport.h"
#include "support/Downloaded.h"
#include "view/InfoDialog.h"
#include "view/InstrumentSettingsDialog.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include <iterator>
#include <vector>

namespace qv {
namespace {

using test::OnNextModal;

class InfoDialogs : public test::ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    ctx_->Doc.InstrumentInfo.SerialNumber = "1001";
    ctx_->Doc.InstrumentInfo.FirmwareVersion = "1.07";
  }
  // Two tests in one room, the first for a rectangular duct, the second for a round one.
  void ShowResults() {
    Document& doc = ctx_->Doc;
    for (int shape : {1, 0}) {
      const int t = test::AddTest(doc, 1, 1, "North", "Hall", {{1, 21.5}, {5, 40}, {57, 800}});
      TTestsRecord& r = doc.AllTests[static_cast<size_t>(t)];
      r.Params.DuctShape = shape;
      r.Params.Altitude = shape == 1 ? 312 : -1;
      r.Params.SideA = 0.5;
      r.Params.SideB = 0.25;
      r.Params.Radius = 0.125;
      r.Params.MetabolicRate = 1.2;
      r.Params.Clothing = shape == 1 ? 0.5 : -1;
    }
    doc.DocSignals[1] = 1;
    doc.DocSignals[2] = 5;
    doc.DocSignals[3] = 57;
    doc.DocSignalCount = 3;
    ASSERT_EQ(test::InstallAsDownloaded(ctx_->Workspace, DocumentKind::Results, quiet_),
              LoadOutcome::Shown);
  }
  void ShowLogging() {
    // A new document in the place of the results, as a logging download's.
    ctx_->Doc = Document{};
    Document& doc = ctx_->Doc;
    TLoggerRecord& b = doc.LoggerBlocks.emplace_back();
    b.UnitSystem = "SI";
    b.IntervalSec = 60;
    b.BeginTime = test::At(2024, 5, 2, 10, 0, 0);
    b.BuildingName = "South";
    b.RoomName = "Office";
    b.SignalCodes[0] = 29;
    b.SignalCount = 1;
    b.SignalPresent[29] = 1;
    b.SampleCount = 100;
    doc.SizeSampleArrays(0, 100);
    doc.Kind = DocumentKind::Logging;
    ASSERT_TRUE(ctx_->Workspace.ShowBlock(0, quiet_));
  }
  // The table row (1-based) showing the test with `record`.
  int RowOf(int record) const {
    for (int row = 0; row < ctx_->Doc.ShownTestCount(); ++row) {
      if (ctx_->Doc.ShownTest(row)->RecordIndex == record) return row + 1;
    }
    return -1;
  }
  // Triggers `entry` after opening `menu` (its rule enables the entry) and runs `look` on the
  // dialog it shows, which is then closed with `button`.
  void Open(QMenu* menu, const char* entry, const char* button,
            std::function<void(QDialog*)> look) {
    OpenMenu(menu);
    ASSERT_TRUE(Enabled(entry)) << entry;
    bool looked = false;
    OnNextModal([&, button](QDialog* d) {
      look(d);
      looked = true;
      test::ClickButton(d, button);
    });
    form_->Action(entry)->trigger();
    EXPECT_TRUE(looked) << entry;
    Activate();
  }
  static QString Box(QDialog* d, const char* name) {
    return d->findChild<QLineEdit*>(name)->text();
  }
  static QStringList Ticked(QDialog* d) {
    QStringList names;
    for (QCheckBox* c : d->findChildren<QCheckBox*>()) {
      if (c->isChecked()) names << c->objectName();
    }
    names.sort();
    return names;
  }
  // No caption or box of `d` is cut: each has at least the room its text asks for.
  static void ExpectNothingClipped(QWidget* d) {
    for (QLabel* l : d->findChildren<QLabel*>()) {
      if (!l->isVisible()) continue;
      EXPECT_GE(l->width(), l->sizeHint().width()) << l->objectName().toStdString();
    }
    for (QLineEdit* e : d->findChildren<QLineEdit*>()) {
      if (!e->isVisible()) continue;
      EXPECT_GT(e->contentsRect().width() - 8, e->fontMetrics().horizontalAdvance(e->text()))
          << e->objectName().toStdString();
    }
    for (QGroupBox* g : d->findChildren<QGroupBox*>())
      EXPECT_GT(g->width(), g->fontMetrics().horizontalAdvance(g->title()))
          << g->objectName().toStdString();
  }
  // Pixels of `color` in the shape as painted.
  static int Pixels(QWidget* shape, const QColor& color) {
    return CountColor(shape->grab().toImage(), shape->rect(), color);
  }
};

TEST_F(InfoDialogs, FileInfoHidesTheLoggingPanelsForResultsOnlyAndStartsFullAgain) {
  // Nothing loaded: the dialog opens on the instrument alone.
  TfrmInfo* info = form_->Forms().Info;
  OnNextModal([](QDialog* d) { test::ClickButton(d, "btnCancel"); });
  info->ppFileInfoClick();
  EXPECT_TRUE(info->isHidden());

  ShowResults();
  int resultsHeight = 0;
  for (const char* entry : {"mmFileInfo", "ppFileInfo"}) {
    SCOPED_TRACE(entry);
    QMenu* menu = entry[0] == 'm' ? form_->Menu("mmFile") : form_->PopupMenu();
    Open(menu, entry, "btnCancel", [&](QDialog* d) {
      EXPECT_EQ(d, info);
      EXPECT_EQ(d->windowTitle(), ctx_->Tr("frmInfo_25"));
      EXPECT_EQ(d->findChild<QGroupBox*>("gbProbe")->title(),
                "  " + ctx_->Tr("gbProbes_30") + "  ");
      EXPECT_EQ(d->findChild<QLabel*>("lbSerNo")->text(), ctx_->Tr("lbInstrSerNo_20") + ":");
      EXPECT_TRUE(d->findChild<QFrame*>("panInfo2")->isHidden());
      EXPECT_TRUE(d->findChild<QFrame*>("panInfo3")->isHidden());
      EXPECT_FALSE(d->findChild<QLabel*>("lbLogInter")->isEnabled());
      EXPECT_EQ(Box(d, "edtSerNo"), "   1001");
      EXPECT_EQ(Box(d, "edtFirmwVer"), "   ver. 1.07");
      EXPECT_EQ(Box(d, "edtNumOfRes"), "   2");
      EXPECT_EQ(Ticked(d), QStringList({"cbAdap", "cbCO2", "cbHum", "cbTemp"}));
      ExpectNothingClipped(d);
      if (resultsHeight == 0) resultsHeight = d->height();
      EXPECT_EQ(d->height(), resultsHeight) << "the second opening is no smaller";
    });
    // Closed, the dialog is back in its full layout.
    EXPECT_FALSE(info->findChild<QFrame*>("panInfo2")->isHidden());
    EXPECT_FALSE(info->findChild<QFrame*>("panInfo3")->isHidden());
  }

  ShowLogging();
  Open(form_->Menu("mmFile"), "mmFileInfo", "btnCancel", [&](QDialog* d) {
    auto* panInfo2 = d->findChild<QFrame*>("panInfo2");
    auto* panInfo3 = d->findChild<QFrame*>("panInfo3");
    EXPECT_TRUE(panInfo2->isVisible());
    EXPECT_TRUE(panInfo3->isVisible());
    EXPECT_GE(d->height(), resultsHeight + panInfo2->height() + panInfo3->height());
    EXPECT_TRUE(d->findChild<QLabel*>("lbLogInter")->isEnabled());
    EXPECT_EQ(Box(d, "edtLogUnits"), "   SI");
    EXPECT_EQ(Box(d, "edtLogInter"), "   1 min");
    EXPECT_EQ(Box(d, "edtBegT"), "   02.05.24   10:00:00");
    EXPECT_EQ(Box(d, "edtEndT"), "   02.05.24   11:40:00");
    EXPECT_EQ(Box(d, "edtLogBuild"), "   South");
    EXPECT_EQ(Box(d, "edtLogRoom"), "   Office");
    EXPECT_EQ(Box(d, "edtNumOfRes"), "   100");
    EXPECT_EQ(Ticked(d), QStringList{"cbThCoup"});
    ExpectNothingClipped(d);
  });
}

TEST_F(InfoDialogs, ParametersOfTheSelectedRowRectangleThenCircle) {
  ShowResults();
  OpenMenu(form_->PopupMenu());
  EXPECT_FALSE(Enabled("ppInstrumentSettings")) << "no row selected";

  TfrmInstrumentSettings* settings = form_->Forms().InstrumentSettings;
  const QColor grey(128, 128, 128);
  struct Shown {
    int record;
    std::vector<const char*> values;  // altitude, sides a and b, radius, metabolic, clothing
    bool rectangle;
  };
  // The second opening, for another row, keeps nothing of the first.
  const Shown openings[] = {
      {0, {"312 m", "0.50 m", "0.25 m", "", "1.2", "0.5"}, true},
      {1, {"", "", "", "0.12 m", "1.2", ""}, false},
  };
  for (const Shown& shown : openings) {
    SCOPED_TRACE(shown.record);
    ClickCell(0, RowOf(shown.record));
    Open(form_->PopupMenu(), "ppInstrumentSettings", "btnOK", [&](QDialog* d) {
      EXPECT_EQ(d, settings);
      EXPECT_EQ(d->windowTitle(), ctx_->Tr("frmInstrumentSettings_25"));
      EXPECT_EQ(d->findChild<QGroupBox*>("gbAirFlow")->title(),
                " " + ctx_->Tr("gbAirFlow_15") + " ");
      const char* names[] = {"lbAltitude", "lbSide_a",    "lbSide_b",
                             "lbRadius_r", "lbMetabolic", "lbClothing"};
      for (size_t i = 0; i < std::size(names); ++i)
        EXPECT_EQ(d->findChild<QLabel*>(names[i])->text(), shown.values[i]) << names[i];
      EXPECT_EQ(d->findChild<QLabel*>("lbSide_a1")->isEnabled(), shown.rectangle);
      EXPECT_EQ(d->findChild<QLabel*>("lbSide_b1")->isEnabled(), shown.rectangle);
      EXPECT_EQ(d->findChild<QLabel*>("lbRadius_r1")->isEnabled(), !shown.rectangle);
      TDuctShape* used = shown.rectangle ? settings->Rectangle() : settings->Circle();
      TDuctShape* other = shown.rectangle ? settings->Circle() : settings->Rectangle();
      EXPECT_EQ(used->Pen(), QPen(Qt::black, 2));
      EXPECT_EQ(other->Pen(), QPen(grey, 1));
      // As painted: a thick black outline around the duct used only.
      EXPECT_GT(Pixels(used, Qt::black), 2 * 100);
      EXPECT_EQ(Pixels(other, Qt::black), 0);
      EXPECT_GT(Pixels(other, grey), 100);
      ExpectNothingClipped(d);
    });
  }
}

}  // namespace
}  // namespace qv

// The survey in the application: Settings > Limits stores what the table shows and the graph
// windows draw it; a window's panel surveys the stretch shown after a zoom as the core does; a
// Shift-drag over a CO2 decay gives the air change rate; File > Print Preview and Export Survey
// Report as PDF of a logging block show the survey report.
#include "ShellFixture.h"
#include "app/LimitsDialog.h"
#include "app/ReportCommands.h"
#include "graph/GraphWindow.h"
#include "store/SignalCatalog.h"
#include "survey/LimitSettings.h"
#include "survey/SurveyPainter.h"

#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

#include <cmath>

namespace qv {
namespace {

constexpr int kInterval = 60;  // s
constexpr int kSamples = 360;
constexpr double kBegin = 45358 + 8.0 / 24;  // 07.03.2024 08:00

// A lesson's CO2: rising by 10 ppm a minute from 500 (sample 50 is exactly 1000 ppm), then from
// sample 60 a decay of 2.0 air changes an hour towards 420 ppm from 1100 with a few ppm of
// noise, from sample 240 a level near 440 ppm.
double Co2(int k) {
  if (k < 60) return 500 + 10.0 * k;
  if (k < 240) return 420 + 680 * std::exp(-2.0 * (k - 60) / 60.0) + 2 * std::sin(1.7 * k);
  return 440 + 5 * std::sin(k / 7.0);
}
double AirTemperature(int k) {
  return 21 + 2 * std::sin(k / 40.0);
}

class Survey : public test::ShellTest {
 protected:
  void SetUp() override {
    Start();
    ASSERT_TRUE(started_);
    form_->show();
  }
  // One block of air temperature and CO2 (current values), as shown after a download.
  void Logging() {
    Document& doc = ctx_->Doc;
    TLoggerRecord& b = doc.LoggerBlocks.emplace_back();
    b.UnitSystem = "SI";
    b.IntervalSec = kInterval;
    b.BeginTime = kBegin;
    b.SampleCount = kSamples;
    b.BuildingName = "Riverside School";
    b.RoomName = "Classroom 1A";
    const int codes[] = {1, 57};
    for (const int code : codes) {
      b.SignalCodes[static_cast<size_t>(b.SignalCount++)] = code;
      b.SignalPresent[static_cast<size_t>(code)] = 1;
    }
    doc.SizeSampleArrays(0, kSamples);
    for (int k = 0; k < kSamples; ++k) {
      doc.StoreSample(0, 1, k, AirTemperature(k));
      doc.StoreSample(0, 2, k, Co2(k));
    }
    doc.Kind = DocumentKind::Logging;
    ASSERT_TRUE(ctx_->Workspace.ShowBlock(0, quiet_));
  }
  std::vector<TfrmGraphChild*> Draw(std::initializer_list<int> quantities) {
    ctx_->Choices.Graph = {};
    for (const int q : quantities)
      ctx_->Choices.Graph[static_cast<size_t>(q - 1)] = true;
    test::OnNextModal([](QDialog* d) { d->findChild<QPushButton*>("btnOK")->click(); });
    form_->Action("mmGraphDraw")->trigger();
    std::vector<TfrmGraphChild*> windows;
    for (QMdiSubWindow* s : form_->MdiArea()->subWindowList(QMdiArea::CreationOrder))
      windows.push_back(qobject_cast<TfrmGraphChild*>(s->widget()));
    for (TfrmGraphChild* w : windows)
      w->Plot()->replot(QCustomPlot::rpImmediateRefresh);
    return windows;
  }
  // The limits dialog opened from the menu, `act` done on it as a person does.
  void Limits(std::function<void(TfrmLimits*)> act) {
    test::OnNextModal([act](QDialog* d) { act(qobject_cast<TfrmLimits*>(d)); });
    form_->Action("mmConfigLimits")->trigger();
  }
  static void Type(TfrmLimits* d, int q, int column, const QString& text) {
    d->Table()->item(q - 1, column)->setText(text);
  }
  static void Ok(QDialog* d) { d->findChild<QPushButton*>("btnOK")->click(); }
  LimitTable Stored() const { return LoadLimits(ctx_->Settings).Limits; }

  // A left-button drag over the chart from sample `from` to sample `to` (half a sample outside
  // each, so that both are inside), with Shift held when `shift`.
  static void Drag(TfrmGraphChild* w, double from, double to, bool shift) {
    TGraphChart* chart = w->Plot();
    const auto at = [chart](double sample) {
      const double x =
          chart->xAxis->coordToPixel(TGraphChart::ToAxis(kBegin + sample * kInterval / 86400.0));
      return QPointF(x, chart->axisRect()->rect().center().y());
    };
    const Qt::KeyboardModifiers keys = shift ? Qt::ShiftModifier : Qt::NoModifier;
    const QPointF a = at(from - 0.5), b = at(to + 0.5);
    QMouseEvent press(QEvent::MouseButtonPress, a, chart->mapToGlobal(a), Qt::LeftButton,
                      Qt::LeftButton, keys);
    QApplication::sendEvent(chart, &press);
    QMouseEvent move(QEvent::MouseMove, b, chart->mapToGlobal(b), Qt::NoButton, Qt::LeftButton,
                     keys);
    QApplication::sendEvent(chart, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, b, chart->mapToGlobal(b), Qt::LeftButton,
                        Qt::NoButton, keys);
    QApplication::sendEvent(chart, &release);
  }
  static void RightClick(TfrmGraphChild* w) {
    TGraphChart* chart = w->Plot();
    const QPointF c = chart->axisRect()->rect().center();
    QMouseEvent press(QEvent::MouseButtonPress, c, chart->mapToGlobal(c), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(chart, &press);
  }
  static QString Pdf(const QString& path) {
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    EXPECT_TRUE(text.waitForFinished(30000));
    return QString::fromUtf8(text.readAllStandardOutput());
  }
};

TEST_F(Survey, LimitsAreStoredInSiAndDrawnInTheOpenWindows) {
  Logging();
  // Nothing stored yet: CO2 has its default upper limit, nothing else a limit.
  Limits([](TfrmLimits* d) {
    QTableWidget* t = d->Table();
    EXPECT_EQ(t->rowCount(), 16);
    EXPECT_EQ(t->item(14, TfrmLimits::kUpperColumn)->text(), QStringLiteral("1000"));
    EXPECT_EQ(t->item(14, TfrmLimits::kUnitColumn)->text(), QStringLiteral("ppm"));
    EXPECT_EQ(t->item(0, TfrmLimits::kUnitColumn)->text(), QString::fromUtf8("°C"));
    EXPECT_TRUE(t->item(0, TfrmLimits::kUpperColumn)->text().isEmpty());
    d->reject();
  });
  const std::vector<TfrmGraphChild*> windows = Draw({1, 15});
  ASSERT_EQ(windows.size(), 2u);
  TfrmGraphChild* co2 = windows[0];
  TfrmGraphChild* air = windows[1];
  ASSERT_EQ(co2->Quantity(), 15);
  EXPECT_EQ(co2->Plot()->LimitLine(TGraphChart::LimitSide::Upper), 1000);
  EXPECT_TRUE(co2->Plot()->LegendNames().contains(QStringLiteral("Upper limit 1000 ppm")));
  EXPECT_FALSE(air->Plot()->LimitLine(TGraphChart::LimitSide::Upper));

  // Typed with a decimal comma, taken while the graphs are open: they draw the new lines.
  Limits([](TfrmLimits* d) {
    Type(d, 1, TfrmLimits::kUpperColumn, QStringLiteral(" 22,5 "));
    Type(d, 1, TfrmLimits::kLowerColumn, QStringLiteral("19.5"));
    Type(d, 15, TfrmLimits::kUpperColumn, QString());
    Ok(d);
  });
  EXPECT_TRUE(prompter_.shown.empty()) << prompter_.Texts().join('|').toStdString();
  LimitTable expected{};
  expected[0] = {22.5, 19.5};
  EXPECT_EQ(Stored(), expected);
  EXPECT_EQ(air->Plot()->LimitLine(TGraphChart::LimitSide::Upper), 22.5);
  EXPECT_EQ(air->Plot()->LimitLine(TGraphChart::LimitSide::Lower), 19.5);
  EXPECT_EQ(air->Plot()->LegendNames(),
            (QStringList{QStringLiteral("Current"), QString::fromUtf8("Upper limit 22.5 °C"),
                         QString::fromUtf8("Lower limit 19.5 °C")}));
  EXPECT_FALSE(co2->Plot()->LimitLine(TGraphChart::LimitSide::Upper));
  // The window's colour crosses the chart at the line's height.
  air->Plot()->resize(600, 400);
  air->Plot()->replot(QCustomPlot::rpImmediateRefresh);
  const QImage image = air->Plot()->toPixmap(600, 400).toImage();
  const int y = qRound(air->Plot()->yAxis->coordToPixel(22.5));
  const QColor line = TGraphChart::LimitLineColour(TGraphChart::LimitSide::Upper);
  int coloured = 0;
  for (int x = 0; x < image.width(); ++x) {
    for (int dy = -1; dy <= 1; ++dy) {
      const QColor c = image.pixelColor(x, y + dy);
      if (std::abs(c.red() - line.red()) + std::abs(c.green() - line.green()) +
              std::abs(c.blue() - line.blue()) <
          60) {
        ++coloured;
        break;
      }
    }
  }
  EXPECT_GT(coloured, air->Plot()->axisRect()->width() / 3);

  // In US units the table shows °F; an untouched cell keeps its stored value exactly, a typed
  // one is kept in SI.
  form_->Action("mmGraphCloseAll")->trigger();
  ctx_->Choices.UnitSel = 1;
  Limits([](TfrmLimits* d) {
    EXPECT_EQ(d->Table()->item(0, TfrmLimits::kUpperColumn)->text(), QStringLiteral("72.5"));
    EXPECT_EQ(d->Table()->item(0, TfrmLimits::kUnitColumn)->text(), QString::fromUtf8("°F"));
    Type(d, 2, TfrmLimits::kUpperColumn, QStringLiteral("70"));  // %RH, the same in both
    Type(d, 3, TfrmLimits::kUpperColumn, QStringLiteral("60"));  // dew point, °F
    Ok(d);
  });
  const LimitTable us = Stored();
  EXPECT_EQ(us[0], (QuantityLimits{22.5, 19.5}));
  EXPECT_EQ(us[1].Upper, 70);
  ASSERT_TRUE(us[2].Upper);
  EXPECT_NEAR(*us[2].Upper, 15.5556, 1e-4);
  Limits([](TfrmLimits* d) {
    EXPECT_EQ(d->Table()->item(2, TfrmLimits::kUpperColumn)->text(), QStringLiteral("60"));
    d->reject();
  });
}

TEST_F(Survey, LimitsThatAreNotNumbersOrCrossedAreRefusedAndNothingIsStored) {
  const struct {
    const char* what;
    int q, column;
    const char* text;
    QString message;
  } cases[] = {
      {"letters", 2, TfrmLimits::kUpperColumn, "sixty",
       QStringLiteral("Relative humidity, Upper limit: \"sixty\"")},
      {"two numbers", 1, TfrmLimits::kLowerColumn, "18 20",
       QStringLiteral("Air temperature, Lower limit: \"18 20\"")},
      {"crossed", 15, TfrmLimits::kLowerColumn, "1200",
       QStringLiteral("CO2 concentration: The lower limit lies above the upper limit.")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    prompter_.shown.clear();
    bool stillOpen = false;
    Limits([&](TfrmLimits* d) {
      Type(d, c.q, c.column, QString::fromUtf8(c.text));
      Ok(d);
      stillOpen = d->isVisible();
      EXPECT_EQ(d->Table()->currentRow(), c.q - 1) << "the cell to correct";
      d->reject();
    });
    EXPECT_TRUE(stillOpen);
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_TRUE(prompter_.shown[0].text.startsWith(c.message))
        << prompter_.shown[0].text.toStdString();
    EXPECT_EQ(prompter_.shown[0].icon, QMessageBox::Warning);
    EXPECT_EQ(Stored(), DefaultLimits());
  }
}

TEST_F(Survey, PanelSurveysTheStretchShownAsTheCoreDoes) {
  Logging();
  TfrmGraphChild* co2 = Draw({15}).front();
  const TLoggerRecord& block = *ctx_->Doc.Current();
  const auto matchesCore = [&](SampleRange range) {
    const QuantityStatistics expected =
        ComputeQuantityStatistics(block, 15, range, "SI", {1000.0, std::nullopt});
    const QuantityStatistics shown = co2->ShownStatistics();
    EXPECT_EQ(shown.Count, expected.Count);
    EXPECT_EQ(shown.Min, expected.Min);
    EXPECT_EQ(shown.Mean, expected.Mean);
    EXPECT_EQ(shown.Max, expected.Max);
    ASSERT_TRUE(shown.Limit && expected.Limit);
    EXPECT_EQ(shown.Limit->Above, expected.Limit->Above);
  };
  matchesCore({0, kSamples});

  // Samples 40 to 69 in view: 51..59 above 1000 ppm (50 is at it) and the decay's first five,
  // 14 minutes.
  co2->Plot()->xAxis->setRange(TGraphChart::ToAxis(kBegin + 40.0 * kInterval / 86400),
                               TGraphChart::ToAxis(kBegin + 69.0 * kInterval / 86400));
  EXPECT_EQ(co2->ShownSamples(), (SampleRange{40, 30}));
  matchesCore({40, 30});
  const QuantityStatistics s = co2->ShownStatistics();
  EXPECT_EQ(s.Limit->Above, 14);
  const QString text = co2->StatisticsPanel()->text().replace(QChar(0x00A0), ' ');
  for (const QString& part :
       {QStringLiteral("Range shown: Samples 30"), QStringLiteral("Minimum 900 ppm"),
        QStringLiteral("Maximum %1 ppm").arg(*s.Max, 0, 'f', 0),
        QStringLiteral("Above 1000 ppm: 0.23 h (46.7 %)")}) {
    EXPECT_TRUE(text.contains(part)) << part.toStdString() << " in " << text.toStdString();
  }
  EXPECT_TRUE(text.contains(QStringLiteral("Average ") + QString::number(*s.Mean, 'f', 1)));

  // A drag with the mouse zooms further, and the panel follows; a right click shows the whole
  // block.
  Drag(co2, 45, 60, false);
  const SampleRange zoomed = co2->ShownSamples();
  EXPECT_NEAR(zoomed.First, 45, 1);
  EXPECT_NEAR(zoomed.Count, 16, 2);
  matchesCore(zoomed);
  EXPECT_TRUE(co2->StatisticsPanel()->text().contains(QString::number(zoomed.Count)));
  RightClick(co2);
  EXPECT_EQ(co2->ShownSamples(), (SampleRange{0, kSamples}));
  matchesCore({0, kSamples});
}

TEST_F(Survey, ShiftDragOverTheDecayGivesTheAirChangeRate) {
  Logging();
  const std::vector<TfrmGraphChild*> windows = Draw({1, 15});
  TfrmGraphChild* co2 = windows[0];
  ASSERT_TRUE(co2->HasAirChangePanel());
  EXPECT_FALSE(windows[1]->HasAirChangePanel());
  const QCPRange before = co2->Plot()->xAxis->range();

  // An hour of the decay: 2.0 per hour within 1 %, the view unchanged, the fit named in the
  // legend and handed to the survey report.
  Drag(co2, 62, 120, true);
  EXPECT_EQ(co2->Plot()->xAxis->range(), before) << "a fit does not zoom";
  ASSERT_TRUE(co2->LastAirChange());
  const AirChangeOutcome fit = *co2->LastAirChange();
  ASSERT_EQ(fit.Fit.Problem, AirChangeProblem::None);
  EXPECT_NEAR(fit.Request.Range.First, 62, 1);
  EXPECT_NEAR(fit.Fit.PerHour, 2.0, 0.02);
  EXPECT_GT(fit.Fit.R2, 0.99);
  EXPECT_EQ(fit.Request.OutdoorPpm, 420);
  const QString text = co2->AirChangePanel()->text();
  EXPECT_TRUE(text.contains(QString::fromUtf8("n = 2.0"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QString::fromUtf8("h⁻¹,  R² = ") + QString::number(fit.Fit.R2, 'f', 3)))
      << text.toStdString();
  EXPECT_TRUE(co2->Plot()->FitCurveShown());
  EXPECT_TRUE(co2->Plot()->LegendNames().last().startsWith(QStringLiteral("Air change rate 2.0")));
  const std::vector<AirChangeRequest> listed = form_->Reports().Survey().Request.AirChanges;
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].Range, fit.Request.Range);

  // Another outdoor concentration fits the same stretch again, in the report's list too.
  co2->OutdoorBox()->setValue(400);
  EXPECT_EQ(co2->LastAirChange()->Request.Range, fit.Request.Range);
  EXPECT_EQ(co2->LastAirChange()->Request.OutdoorPpm, 400);
  EXPECT_LT(co2->LastAirChange()->Fit.PerHour, fit.Fit.PerHour);
  EXPECT_EQ(form_->Reports().Survey().Request.AirChanges.size(), 1u);
  EXPECT_EQ(form_->Reports().Survey().Request.AirChanges[0].OutdoorPpm, 400);

  // A rising stretch and one of three samples say so instead; a plain drag still zooms.
  const struct {
    const char* what;
    double from, to;
    AirChangeProblem problem;
    const char* key;
  } refused[] = {
      {"rising", 5, 45, AirChangeProblem::NotFalling, "qrlAchRising_50"},
      {"three samples", 100, 102, AirChangeProblem::TooFewSamples, "qrlAchTooFew_50"},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(r.what);
    Drag(co2, r.from, r.to, true);
    ASSERT_TRUE(co2->LastAirChange());
    EXPECT_EQ(co2->LastAirChange()->Fit.Problem, r.problem);
    EXPECT_TRUE(co2->AirChangePanel()->text().endsWith(ctx_->Tr(r.key)));
    EXPECT_FALSE(co2->Plot()->FitCurveShown());
  }
  Drag(co2, 100, 199, false);
  EXPECT_LT(co2->Plot()->xAxis->range().size(), before.size() / 2);
}

TEST_F(Survey, PreviewAndExportOfALoggingBlockShowTheSurveyReport) {
  Logging();
  // The menu: the survey for a logging block, the results report only for results.
  OpenMenu(form_->Menu("mmFile"));
  EXPECT_TRUE(Enabled("mmFilePreview"));
  EXPECT_TRUE(Enabled("mmFileExportSurvey"));
  EXPECT_FALSE(Enabled("mmFileExportReport"));

  // A fitted decay goes into the report.
  TfrmGraphChild* co2 = Draw({15}).front();
  Drag(co2, 62, 120, true);
  ASSERT_EQ(co2->LastAirChange()->Fit.Problem, AirChangeProblem::None);
  form_->Action("mmGraphCloseAll")->trigger();
  PrintHeader header;
  header.Lines[PrintHeader::Operator1] = "J\xFCrgen Weiss";
  header.Lines[PrintHeader::Footer] = "Checked by the lab";
  ctx_->Workspace.SetReportHeader(header, 45000);

  int pages = 0;
  prompter_.onPreview = [&](QPrintPreviewDialog& preview) {
    EXPECT_EQ(preview.objectName(), QStringLiteral("frmSurveyPreview"));
    preview.show();
    QApplication::processEvents();
    preview.grab();
    pages = preview.findChild<QPrintPreviewWidget*>()->pageCount();
    preview.close();
  };
  form_->Action("mmFilePreview")->trigger();
  ASSERT_EQ(prompter_.previews, 1);
  EXPECT_TRUE(prompter_.shown.empty()) << prompter_.Texts().join('|').toStdString();
  // Text, then the two graphs.
  const SurveyPainter painter(form_->Reports().Survey());
  EXPECT_EQ(painter.Result().AirChanges.size(), 1u);
  EXPECT_EQ(pages, painter.PageCount());
  EXPECT_GE(pages, 2);

  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("survey.pdf"));
  prompter_.files = {path};
  form_->Action("mmFileExportSurvey")->trigger();
  EXPECT_TRUE(prompter_.shown.empty()) << prompter_.Texts().join('|').toStdString();
  EXPECT_EQ(prompter_.proposedNames.value(0), QStringLiteral("survey.pdf"));
  const QString text = Pdf(path);
  EXPECT_EQ(text.count(QChar(0x0C)), pages);
  for (const QString& part :
       {QString::fromUtf8("Jürgen Weiss"), QStringLiteral("Checked by the lab"),
        QStringLiteral("Logging block 1"), QStringLiteral("Riverside School"),
        QStringLiteral("Classroom 1A"), QStringLiteral("Air temperature"),
        QStringLiteral("CO2 concentration"), QStringLiteral("> 1000"),
        QStringLiteral("Upper limit 1000 ppm"),
        QStringLiteral("Air change rate from the CO2 decay"), QString::fromUtf8("2.0")}) {
    EXPECT_TRUE(text.contains(part)) << part.toStdString();
  }

  // A failed write says why and keeps the earlier file.
  QFile earlier(path);
  ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
  const QByteArray before = earlier.readAll();
  earlier.close();
  prompter_.files = {dir.filePath(QStringLiteral("no-such-folder/survey.pdf"))};
  form_->Action("mmFileExportSurvey")->trigger();
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].icon, QMessageBox::Warning);
  EXPECT_FALSE(prompter_.shown[0].text.isEmpty());
  ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
  EXPECT_EQ(earlier.readAll(), before);
}

}  // namespace
}  // namespace qv

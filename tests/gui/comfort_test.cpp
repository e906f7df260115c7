// Graph > Comfort and Tools > Comfort Calculator with real widgets: the dialog's figures against
// the analysis of the core, the values it proposes where the block sets none, the series windows
// beside the logged ones with their read-out, a block that cannot be analysed, and the
// calculator inside and outside the validity ranges.
#include "ShellFixture.h"
#include "comfort/BlockComfort.h"
#include "comfort/ComfortCalculator.h"
#include "comfort/ComfortDialog.h"
#include "comfort/ComfortGraphs.h"
#include "comfort/ShareBar.h"
#include "common/LocaleNumbers.h"
#include "format/NumberText.h"
#include "graph/GraphWindow.h"
#include "store/SignalCatalog.h"

#include <qcustomplot.h>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>

#include <cmath>

namespace qv {
namespace {

constexpr int kTa = 1, kRh = 5, kVa = 13, kTg = 41;

class Comfort : public test::ShellTest {
 protected:
  void SetUp() override {
    Start();
    ASSERT_TRUE(started_);
    form_->show();
  }
  // A block of 72 samples 10 minutes apart logging the given codes (air temperature 19 to 31 °C
  // across the block, so that its ends lie outside the ranges of ISO 7730), with the block's
  // metabolic rate and clothing.
  void Logging(const std::vector<int>& codes, double met, double clo) {
    Document& doc = ctx_->Doc;
    TLoggerRecord& b = doc.LoggerBlocks.emplace_back();
    b.UnitSystem = "SI";
    b.IntervalSec = 600;
    b.BeginTime = 39580 + 8.0 / 24;  // 12.05.2008 08:00:00
    b.SampleCount = 72;
    b.Params.MetabolicRate = met;
    b.Params.Clothing = clo;
    for (const int code : codes) {
      b.SignalCodes[static_cast<size_t>(b.SignalCount++)] = code;
      b.SignalPresent[static_cast<size_t>(code)] = 1;
    }
    doc.SizeSampleArrays(0, b.SampleCount);
    for (int pos = 1; pos <= b.SignalCount; ++pos) {
      const int code = codes[static_cast<size_t>(pos - 1)];
      for (int k = 0; k < b.SampleCount; ++k) {
        const double x = k / 71.0;
        const double v = code == kTa   ? 19 + 12 * x
                         : code == kRh ? 55 - 10 * x
                         : code == kVa ? 0.05 + 0.25 * x * x
                         : code == kTg ? 20 + 13 * x
                                       : 1;
        doc.StoreSample(0, pos, k, std::round(v * 100) / 100);
      }
    }
    doc.Kind = DocumentKind::Logging;
    ASSERT_TRUE(ctx_->Workspace.ShowBlock(0, quiet_));
  }
  // Graph > Comfort..., `act` working the dialog before OK.
  void ComfortConfirming(std::function<void(TfrmComfort*)> act) {
    test::OnNextModal([act](QDialog* d) {
      act(qobject_cast<TfrmComfort*>(d));
      d->findChild<QPushButton*>("btnOK")->click();
    });
    form_->Action("mmGraphComfort")->trigger();
  }
  QString Number(double v, int decimals) const {
    return ctx_->Decode(FormatFixed(v, decimals, LocaleDecimalSeparator()));
  }
  // The dialog's summary against the core's analysis of the same block with `settings`.
  void ExpectSummaryOf(const TfrmComfort* d, const ComfortSettings& settings) {
    const BlockComfort core = AnalyseBlockComfort(*ctx_->Doc.Current(), settings);
    ASSERT_TRUE(core.ok());
    ASSERT_TRUE(d->Result().has_value());
    const ComfortSummary& s = core.Summary;
    ASSERT_GT(s.Evaluated, 0);
    ASSERT_LT(s.Evaluated, s.Samples) << "the fixture reaches outside the ranges";
    EXPECT_EQ(d->EvaluatedText(), ctx_->Tr("qrlComfortEvaluated_40") +
                                      QStringLiteral(": %1 / %2").arg(s.Evaluated).arg(s.Samples));
    const std::optional<ValueSpread>* spreads[] = {&s.Pmv, &s.Ppd, &s.DraughtRate};
    const int decimals[] = {2, 1, 1};
    for (int row = 0; row < 3; ++row) {
      ASSERT_TRUE(spreads[row]->has_value()) << row;
      const ValueSpread& v = **spreads[row];
      EXPECT_EQ(d->SpreadText(row, 0), Number(v.Min, decimals[row])) << row;
      EXPECT_EQ(d->SpreadText(row, 1), Number(v.Mean, decimals[row])) << row;
      EXPECT_EQ(d->SpreadText(row, 2), Number(v.Max, decimals[row])) << row;
    }
    ASSERT_TRUE(s.Iso7730Shares && s.En16798Shares);
    const std::vector<TShareBar::Part>& iso = d->Iso7730Bar()->Parts();
    const std::vector<TShareBar::Part>& en = d->En16798Bar()->Parts();
    ASSERT_EQ(iso.size(), 4u);
    ASSERT_EQ(en.size(), 5u);
    for (size_t k = 0; k < iso.size(); ++k)
      EXPECT_DOUBLE_EQ(iso[k].Share, (*s.Iso7730Shares)[k]) << k;
    for (size_t k = 0; k < en.size(); ++k)
      EXPECT_DOUBLE_EQ(en[k].Share, (*s.En16798Shares)[k]) << k;
    EXPECT_TRUE(
        d->En16798Text().contains(QStringLiteral("IV&nbsp;") + Number((*s.En16798Shares)[3], 1)));
  }
};

TEST_F(Comfort, DialogShowsTheCoresFiguresAndDrawsTheSeriesBesideTheLoggedQuantities) {
  Logging({kTa, kRh, kVa, kTg}, 1.2, 0.5);
  ctx_->Choices.Graph = {};
  ctx_->Choices.Graph[0] = true;
  test::OnNextModal([](QDialog* d) { d->findChild<QPushButton*>("btnOK")->click(); });
  form_->Action("mmGraphDraw")->trigger();
  ASSERT_EQ(Windows().size(), 1u);

  ComfortConfirming([this](TfrmComfort* d) {
    EXPECT_EQ(d->MetabolicRateBox()->text(), Number(1.2, 1));
    EXPECT_EQ(d->ClothingBox()->text(), Number(0.5, 2));
    EXPECT_TRUE(d->RequestText().isEmpty()) << d->RequestText().toStdString();
    EXPECT_FALSE(d->Settings().MetabolicRate) << "the block's own value, not the rounded text";
    ExpectSummaryOf(d, {});
    EXPECT_TRUE(d->AssumptionsText().contains(ctx_->Tr("qrlComfortAsmVelocity_90")));
    EXPECT_FALSE(d->AssumptionsText().contains(ctx_->Tr("qrlComfortAsmNoGlobe_90")));

    // Every change computes afresh, as the core does with the same settings.
    d->DiameterBox()->setValue(0.1);
    d->TurbulenceBox()->setValue(20);
    d->SettleBox()->setValue(60);
    ComfortSettings changed;
    changed.Globe.Diameter = 0.1;
    changed.Turbulence = 20;
    changed.SkipMinutes = 60;
    ExpectSummaryOf(d, changed);
    EXPECT_TRUE(d->AssumptionsText().contains(
        ctx_->Tr("qrlComfortAsmSkip_90").arg(QStringLiteral("60")).arg(6)));
  });

  // PMV and operative temperature, ticked from the start, beside air temperature.
  std::vector<TfrmGraphChild*> windows = Windows();
  ASSERT_EQ(windows.size(), 3u);
  EXPECT_EQ(windows[0]->Quantity(), kTa);
  TfrmGraphChild* pmv = windows[1];
  EXPECT_EQ(pmv->Quantity(), ComfortGraphId(ComfortSeries::Pmv));
  EXPECT_EQ(windows[2]->Quantity(), ComfortGraphId(ComfortSeries::Operative));
  EXPECT_EQ(pmv->windowTitle(), ctx_->Tr("qrlComfortPmvGraph_40"));

  ComfortSettings drawn;
  drawn.Globe.Diameter = 0.1;
  drawn.Turbulence = 20;
  drawn.SkipMinutes = 60;
  const BlockComfort core = AnalyseBlockComfort(*ctx_->Doc.Current(), drawn);
  int withPmv = 0;
  for (const ComfortSample& s : core.Samples)
    withPmv += s.Pmv ? 1 : 0;
  EXPECT_EQ(pmv->Plot()->graph(0)->dataCount(), withPmv) << "a point for every sample with a PMV";
  // The read-out at sample 30 gives its PMV as the summary rounds it, and the operative window
  // its operative temperature.
  const size_t k = 30;
  ASSERT_TRUE(core.Samples[k].Pmv && core.Samples[k].Operative);
  const double at = ctx_->Doc.Current()->BeginTime + (k * 600.0 + 20) / 86400;
  pmv->ShowReadout(at);
  EXPECT_TRUE(pmv->StatusText(0).endsWith(
      QStringLiteral(": ") + QString::number(std::round(*core.Samples[k].Pmv * 100) / 100)))
      << pmv->StatusText(0).toStdString() << " " << *core.Samples[k].Pmv;
  EXPECT_TRUE(pmv->CursorShown());
  windows[2]->ShowReadout(at);
  EXPECT_TRUE(windows[2]->StatusText(0).endsWith(
      QString::number(std::round(*core.Samples[k].Operative * 10) / 10)))
      << windows[2]->StatusText(0).toStdString();

  // A new analysis replaces the computed windows and leaves the logged one.
  ComfortConfirming([](TfrmComfort* d) {
    for (const ComfortSeries s : kComfortSeries)
      d->SeriesBox(s)->setChecked(true);
  });
  windows = Windows();
  ASSERT_EQ(windows.size(), 5u);
  EXPECT_EQ(windows[0]->Quantity(), kTa);
  for (size_t i = 0; i < kComfortSeries.size(); ++i)
    EXPECT_EQ(windows[i + 1]->Quantity(), ComfortGraphId(kComfortSeries[i]));

  // Cancel draws nothing new.
  test::OnNextModal([](QDialog* d) { d->findChild<QPushButton*>("btnCancel")->click(); });
  form_->Action("mmGraphComfort")->trigger();
  EXPECT_EQ(Windows().size(), 5u);
}

TEST_F(Comfort, WhatTheBlockLeavesUnsetIsProposedMarkedAndAnEmptyFieldStopsOk) {
  // As the demo's logging block: air temperature and humidity, no metabolic rate or clothing.
  Logging({kTa, kRh}, 0, -1);
  bool closed = false;
  test::OnNextModal([&](QDialog* dialog) {
    auto* d = qobject_cast<TfrmComfort*>(dialog);
    EXPECT_EQ(d->MetabolicRateBox()->text(), Number(1.2, 1));
    EXPECT_EQ(d->ClothingBox()->text(), Number(0.7, 2));
    EXPECT_EQ(d->RequestText(), ctx_->Tr("msgComfortNoMet_70").arg(Number(1.2, 1)) +
                                    QLatin1Char('\n') +
                                    ctx_->Tr("msgComfortNoClo_70").arg(Number(0.7, 2)));
    EXPECT_EQ(d->findChild<QLabel*>("lbMetFrom")->text(), ctx_->Tr("qrlComfortProposed_40"));
    EXPECT_EQ(d->focusWidget(), d->MetabolicRateBox());
    ComfortSettings proposed;
    proposed.MetabolicRate = 1.2;
    proposed.Clothing = 0.7;
    ExpectSummaryOf(d, proposed);
    EXPECT_TRUE(d->AssumptionsText().contains(ctx_->Tr("qrlComfortAsmNoGlobe_90")));
    EXPECT_TRUE(
        d->AssumptionsText().contains(ctx_->Tr("qrlComfortAsmNoVelocity_90").arg(Number(0.1, 1))));

    // A value of the person's own is no longer marked.
    d->ClothingBox()->setText(QStringLiteral("1"));
    EXPECT_EQ(d->findChild<QLabel*>("lbCloFrom")->text(), ctx_->Tr("qrlComfortGiven_20"));
    EXPECT_EQ(d->RequestText(), ctx_->Tr("msgComfortNoMet_70").arg(Number(1.2, 1)));
    ASSERT_TRUE(d->Result());
    EXPECT_EQ(d->Result()->Inputs.ClothingFrom, InputSource::Given);
    EXPECT_DOUBLE_EQ(d->Result()->Inputs.Clothing, 1);

    // An empty or unreadable field leaves no summary, and OK asks for it instead of closing.
    d->MetabolicRateBox()->clear();
    EXPECT_FALSE(d->Result());
    EXPECT_EQ(d->SpreadText(0, 1), QStringLiteral("---"));
    d->findChild<QPushButton*>("btnOK")->click();
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(prompter_.Texts(), QStringList{ctx_->Tr("msgComfortGiveMet_50")});
    d->MetabolicRateBox()->setText(QStringLiteral("x"));
    EXPECT_TRUE(d->RequestText().endsWith(
        ctx_->Tr("msgComfortNotNumber_50").arg(QStringLiteral("Metabolic rate"))))
        << d->RequestText().toStdString();
    d->MetabolicRateBox()->setText(QStringLiteral("1.4"));
    d->findChild<QPushButton*>("btnOK")->click();
    closed = !d->isVisible();
  });
  form_->Action("mmGraphComfort")->trigger();
  EXPECT_TRUE(closed);
  EXPECT_EQ(Windows().size(), 2u);
}

TEST_F(Comfort, ABlockWithoutHumiditySaysSoAndDrawsNothing) {
  Logging({kTa, kVa}, 1.2, 0.5);
  form_->Action("mmGraphComfort")->trigger();
  EXPECT_EQ(prompter_.Texts(), QStringList{ctx_->Tr("msgComfortNoHumidity_70")});
  EXPECT_FALSE(form_->Forms().Comfort->isVisible());
  EXPECT_TRUE(Windows().empty());
}

TEST_F(Comfort, CalculatorGivesTheCoresFiguresAndDashesOutsideTheRanges) {
  using C = TfrmComfortCalculator;
  TfrmComfortCalculator* calc = form_->Forms().ComfortCalculator;
  struct Case {
    const char* what;
    double ta, rh, va, met, clo;
    bool typed;
    double tr, tg, diameter;
    bool pmvShown;
    const char* note;  // key of the reason under the results; none when every result is shown
  };
  const Case cases[] = {
      {"ISO 7730 Table D.1 run 1", 22, 60, 0.1, 1.2, 0.5, true, 22, 0, 0.15, true, nullptr},
      {"air beyond 30 °C", 31, 60, 0.1, 1.2, 0.5, true, 31, 0, 0.15, false,
       "qrlComfortWhyRanges_90"},
      {"PMV beyond +2", 29, 80, 0.05, 2.5, 1.5, true, 35, 0, 0.15, false, "qrlComfortWhyBeyond_70"},
      {"ISO 7726 globe: tr beyond 40 °C", 30, 50, 0.3, 1.2, 0.5, false, 0, 53.2, 0.1, false,
       "qrlComfortWhyRanges_90"},
      {"globe close to the air", 24, 50, 0.2, 1.2, 0.7, false, 0, 25, 0.15, true, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::OnNextModal([&](QDialog* d) {
      ASSERT_EQ(d, calc);
      calc->Field(C::AirTemp)->setValue(c.ta);
      calc->Field(C::Humidity)->setValue(c.rh);
      calc->Field(C::Velocity)->setValue(c.va);
      calc->Field(C::Metabolic)->setValue(c.met);
      calc->Field(C::Clothing)->setValue(c.clo);
      calc->SetRadiantTyped(c.typed);
      calc->Field(C::Radiant)->setValue(c.tr);
      calc->Field(C::Globe)->setValue(c.tg);
      calc->Field(C::Diameter)->setValue(c.diameter);
      EXPECT_EQ(calc->Field(C::Radiant)->isEnabled(), c.typed);
      EXPECT_EQ(calc->Field(C::Globe)->isEnabled(), !c.typed);

      const std::optional<double> tr =
          c.typed ? std::optional<double>(c.tr)
                  : MeanRadiantFromGlobe(c.tg, c.ta, c.va, {c.diameter, 0.95});
      ASSERT_TRUE(tr);
      const PmvResult core = ComputePmv({c.ta, *tr, c.va, c.rh, c.met, c.clo});
      ASSERT_EQ(core.Pmv.has_value(), c.pmvShown);
      EXPECT_EQ(calc->Result(C::Pmv), c.pmvShown ? Number(*core.Pmv, 2) : QStringLiteral("---"));
      EXPECT_EQ(calc->Result(C::Ppd), c.pmvShown ? Number(*core.Ppd, 1) : QStringLiteral("---"));
      EXPECT_EQ(calc->Result(C::RadiantOut), Number(*tr, 1));
      EXPECT_EQ(calc->Result(C::Operative), Number(*OperativeTemperature(c.ta, *tr, c.va), 1));
      EXPECT_EQ(calc->Result(C::DraughtRate), Number(*DraughtRate(c.ta, c.va, 40), 1));
      EXPECT_EQ(calc->Note(), c.note ? ctx_->Tr(c.note) : QString());
      if (c.pmvShown) {
        const std::string_view iso =
            CategoryName(Iso7730CategoryOf(*core.Pmv, DraughtRate(c.ta, c.va, 40)));
        EXPECT_EQ(calc->Result(C::Iso7730).toStdString(), iso);
      } else {
        EXPECT_EQ(calc->Result(C::Iso7730), QStringLiteral("---"));
      }
      d->findChild<QPushButton*>("btnClose")->click();
    });
    form_->Action("mmToolsComfortCalculator")->trigger();
  }
}

}  // namespace
}  // namespace qv

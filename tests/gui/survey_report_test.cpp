// The survey report's painter and the chart's limit lines without the application: a line's
// place in the legend and in the value range, the statistics table running onto a second page
// with its header, the comfort summary where the block allows one, a block without samples,
// and the preview's own painting of every page.
#include "chart/GraphChart.h"
#include "store/SignalCatalog.h"
#include "survey/LimitSettings.h"
#include "survey/SurveyPainter.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QPdfWriter>
#include <QPicture>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace qv {
namespace {

const TextCatalog& English() {
  static const TextCatalog texts = TextCatalog::FromFile(QV_BIN_DIR "/English.ini");
  return texts;
}

const TextCodec& Codec() {
  static const TextCodec codec;
  return codec;
}

// `samples` samples every 5 minutes of the current values of the quantities, each following
// its own slow wave.
TLoggerRecord Block(int samples, const std::vector<int>& quantities, double met = -1,
                    double clo = -1) {
  TLoggerRecord b;
  b.UnitSystem = "SI";
  b.IntervalSec = 300;
  b.BeginTime = 45358;  // 07.03.2024 00:00
  b.BuildingName = "Riverside School";
  b.RoomName = "Classroom 1A";
  b.Params.MetabolicRate = met;
  b.Params.Clothing = clo;
  b.Params.DuctShape = -1;
  b.Params.Altitude = -1;
  b.SampleCount = samples;
  for (const int q : quantities) {
    const int code = FirstCodeOf(q);
    b.SignalCodes[static_cast<size_t>(b.SignalCount++)] = code;
    b.SignalPresent[static_cast<size_t>(code)] = 1;
    std::vector<double>& v = b.Samples[static_cast<size_t>(StoragePos(code))];
    for (int s = 0; s < samples; ++s)
      v.push_back(q == 15 ? 700 + 400 * std::sin(s / 20.0) : 20 + q + std::sin(s / 30.0 + q));
  }
  return b;
}

SurveySource Source(const TLoggerRecord& block, const ReportHeader& header) {
  SurveySource s;
  s.Block = &block;
  s.BlockNumber = 3;
  s.Header = &header;
  s.Texts = &English();
  s.Codec = &Codec();
  s.Request = WholeBlockSurvey(block, DefaultLimits());
  return s;
}

// The PDF's text, page by page: ligatures as their letters, blanks as pdftotext happens to space
// them collapsed.
QStringList PdfPages(const QString& path) {
  QProcess text;
  text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
  EXPECT_TRUE(text.waitForFinished(30000));
  QStringList pages =
      QString::fromUtf8(text.readAllStandardOutput()).split(QChar(0x0C), Qt::SkipEmptyParts);
  for (QString& page : pages)
    page = page.normalized(QString::NormalizationForm_KC).simplified();
  return pages;
}

TEST(SurveyChart, LimitLinesAreNamedAfterTheStatisticsAndKeptInView) {
  const TLoggerRecord block = Block(100, {15});
  const GraphChartTexts texts = ChartTextsFor(15, "SI", English(), Codec());
  TGraphChart chart(texts, block, 15, "SI");
  const QCPRange whole = chart.yAxis->range();
  ASSERT_LT(whole.upper, 1200);  // the data reach 1100 ppm

  using Side = TGraphChart::LimitSide;
  chart.SetLimitLine(Side::Upper, 1500, QStringLiteral("Upper limit 1500 ppm"));
  chart.SetLimitLine(Side::Lower, 400, QStringLiteral("Lower limit 400 ppm"));
  EXPECT_EQ(chart.LegendNames(),
            (QStringList{"Current", "Upper limit 1500 ppm", "Lower limit 400 ppm"}));
  EXPECT_EQ(chart.LimitLine(Side::Upper), 1500);
  // The view showed the whole range: it now takes the line in, clear of the frame.
  EXPECT_GT(chart.yAxis->range().upper, 1500);
  EXPECT_EQ(chart.yAxis->range().lower, whole.lower);

  // Zoomed in, a new limit leaves the view alone; unzooming shows it.
  chart.yAxis->setRange(600, 800);
  chart.SetLimitLine(Side::Upper, 2000, QStringLiteral("Upper limit 2000 ppm"));
  EXPECT_EQ(chart.yAxis->range(), QCPRange(600, 800));
  chart.Unzoom();
  EXPECT_GT(chart.yAxis->range().upper, 2000);

  // Hiding a statistic keeps the limits last; removing a limit drops its name.
  chart.SetLimitLine(Side::Lower, std::nullopt);
  EXPECT_EQ(chart.LegendNames(), (QStringList{"Current", "Upper limit 2000 ppm"}));
  EXPECT_FALSE(chart.LimitLine(Side::Lower));

  // Drawn: the line's own colour crosses the plot at its value.
  chart.resize(600, 400);
  chart.SetLimitLine(Side::Upper, 1000, QStringLiteral("Upper limit 1000 ppm"));
  chart.Unzoom();
  const QImage image = chart.toPixmap(600, 400).toImage();
  const int y = qRound(chart.yAxis->coordToPixel(1000));
  const QColor colour = TGraphChart::LimitLineColour(Side::Upper);
  const auto near = [&colour](const QColor& c) {
    return std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
               std::abs(c.blue() - colour.blue()) <
           60;
  };
  int coloured = 0;
  for (int x = 0; x < image.width(); ++x) {
    bool hit = false;
    for (int dy = -1; dy <= 1; ++dy)
      hit = hit || near(image.pixelColor(x, y + dy));
    coloured += hit;
  }
  EXPECT_GT(coloured, chart.axisRect()->width() / 3) << "at y " << y;
}

TEST(SurveyReport, StatisticsRunOntoTheNextPageWithTheirHeader) {
  // All sixteen quantities with both limits: two lines a row, more than the first page holds.
  std::vector<int> all;
  for (int q = 1; q <= kQuantityCount; ++q)
    all.push_back(q);
  const TLoggerRecord block = Block(288, all);
  const ReportHeader header;
  SurveySource source = Source(block, header);
  for (QuantityLimits& l : source.Request.Limits)
    l = {30.0, 20.0};
  // CO2 falls from sample 31 to 60, rises before.
  source.Request.AirChanges = {{{31, 30}}, {{0, 25}}, {{0, 3}}};
  const SurveyPainter painter(source);
  // Two pages of text, the first graph below the text where it has room, then two to a page,
  // in order.
  ASSERT_EQ(painter.PageCount(), 10);
  std::vector<int> graphs;
  for (int page = 0; page < painter.PageCount(); ++page) {
    const std::vector<int> on = painter.GraphsOnPage(page);
    EXPECT_EQ(on.size(), page == 0 ? 0u : page == 1 || page == 9 ? 1u : 2u) << page;
    graphs.insert(graphs.end(), on.begin(), on.end());
  }
  EXPECT_EQ(graphs, all);

  QTemporaryDir dir;
  const QString pdf = dir.filePath(QStringLiteral("survey.pdf"));
  ASSERT_TRUE(WriteSurveyPdf(pdf, source).ok());
  const QStringList pages = PdfPages(pdf);
  ASSERT_EQ(pages.size(), 10);
  EXPECT_TRUE(pages[0].contains("Logging block 3")) << pages[0].toStdString();
  EXPECT_TRUE(pages[1].contains("Quantity")) << "the header again";
  const QString text = pages[0] + QLatin1Char(' ') + pages[1];
  // Every quantity once in the table, in order; each graph page carries two of the charts.
  qsizetype at = text.indexOf(QStringLiteral("Statistics"));
  ASSERT_GE(at, 0);
  for (int q = 1; q <= kQuantityCount; ++q) {
    const GraphQuantity* g = GraphQuantityOf(q);
    const QString name = Codec().Decode(English().Translate(g->CaptionKey));
    const qsizetype found = text.indexOf(name, at);
    EXPECT_GT(found, at) << name.toStdString();
    at = std::max(at, found);
    const QString title = Codec().Decode(English().Translate(g->TitleKey));
    const qsizetype page = q == 1 ? 1 : 1 + q / 2;
    EXPECT_TRUE(pages[page].contains(title + QStringLiteral(" Current Upper limit 30")))
        << title.toStdString() << "\n"
        << pages[page].toStdString();
  }
  EXPECT_TRUE(pages[1].contains("Air change rate from the CO2 decay"));
  EXPECT_TRUE(pages[1].contains(QRegularExpression(QStringLiteral("\\d\\.\\d\\d h"))))
      << pages[1].toStdString();
  EXPECT_TRUE(pages[1].contains("The CO2 concentration does not fall")) << pages[1].toStdString();
  EXPECT_TRUE(pages[1].contains("Fewer than 5 samples with a value")) << pages[1].toStdString();
  EXPECT_EQ(text.count(QRegularExpression(QStringLiteral(">\\s*30\\b"))), 16);
  EXPECT_EQ(text.count(QRegularExpression(QStringLiteral("<\\s*20\\b"))), 16);
  EXPECT_TRUE(pages[9].contains("Page 10"));
}

TEST(SurveyReport, ComfortSummaryWhereTheBlockAllowsIt) {
  const ReportHeader header;
  const TLoggerRecord withParameters = Block(60, {1, 2, 15}, 1.2, 0.7);
  const SurveySource source = Source(withParameters, header);
  EXPECT_TRUE(SurveyPainter(source).HasComfortSummary());
  QTemporaryDir dir;
  const QString pdf = dir.filePath(QStringLiteral("comfort.pdf"));
  ASSERT_TRUE(WriteSurveyPdf(pdf, source).ok());
  const QString first = PdfPages(pdf).value(0);
  for (const char* text : {"Thermal comfort (ISO 7730, EN 16798-1)", "Metabolic rate 1.2 met",
                           "assumed equal to the air temperature", "ISO 7730 A ", "EN 16798-1 I ",
                           "Samples with a PMV"}) {
    EXPECT_TRUE(first.contains(QString::fromUtf8(text))) << text << "\n" << first.toStdString();
  }

  // Without metabolic rate and clothing the report says why there is none; without humidity
  // it has nothing to say about comfort.
  const TLoggerRecord without = Block(60, {1, 2, 15});
  EXPECT_FALSE(SurveyPainter(Source(without, header)).HasComfortSummary());
  ASSERT_TRUE(WriteSurveyPdf(pdf, Source(without, header)).ok());
  EXPECT_TRUE(PdfPages(pdf).value(0).contains("the block sets no metabolic rate or clothing"));
  const TLoggerRecord co2 = Block(60, {15}, 1.2, 0.7);
  ASSERT_TRUE(WriteSurveyPdf(pdf, Source(co2, header)).ok());
  EXPECT_FALSE(PdfPages(pdf).value(0).contains("comfort"));
}

TEST(SurveyReport, BlockWithoutSamplesSaysSoOnOnePage) {
  const ReportHeader header;
  const TLoggerRecord empty = Block(0, {1, 15});
  const SurveySource source = Source(empty, header);
  const SurveyPainter painter(source);
  EXPECT_EQ(painter.PageCount(), 1);
  EXPECT_EQ(painter.Result().Quantities.size(), 2u);
  QTemporaryDir dir;
  const QString pdf = dir.filePath(QStringLiteral("empty.pdf"));
  ASSERT_TRUE(WriteSurveyPdf(pdf, source).ok());
  const QStringList pages = PdfPages(pdf);
  ASSERT_EQ(pages.size(), 1);
  EXPECT_TRUE(pages[0].contains("There are no samples in the surveyed period."));
  EXPECT_TRUE(pages[0].contains("Classroom 1A"));
}

// The print preview records every page into pictures: the painter must get through that with
// its fonts (an empty family crashes the recording) and charts.
TEST(SurveyReport, PagesRecordIntoAPicture) {
  const ReportHeader header;
  const TLoggerRecord block = Block(100, {1, 2, 15});
  const SurveyPainter painter(Source(block, header));
  ASSERT_EQ(painter.PageCount(), 3);
  for (int page = 0; page < painter.PageCount(); ++page) {
    QPicture picture;
    QCPPainter p(&picture);
    painter.PaintPage(p, page);
    p.end();
    EXPECT_GT(picture.size(), 1000u) << page;
  }
}

}  // namespace
}  // namespace qv

// The printed report as data: column edges, probe block, row texts and offsets, pagination.
#include "core/view/ViewTestSupport.h"
#include "print/ReportLayout.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qv {
namespace {

ReportColumnMetrics Metrics() {
  ReportColumnMetrics m;
  m.W = 8;
  m.CaptionWidth = 70;
  m.WidestLocation = 90;
  m.LocationCaption = 60;
  m.TimeText = 110;
  return m;
}

TEST(ReportLayout, CodeColumnsShareTheBandEqually) {
  for (int n = 1; n <= 4; ++n) {
    SCOPED_TRACE(n);
    const std::vector<double> e = LayoutReportColumns(Metrics(), n);
    ASSERT_EQ(e.size(), static_cast<size_t>(n) + 4);
    EXPECT_DOUBLE_EQ(e[0], 90 + 32);
    EXPECT_DOUBLE_EQ(e[1], e[0] + 110 + 32);
    EXPECT_DOUBLE_EQ(e[2], e[1] + 110 + 32);
    const double width = e[3] - e[2];
    for (int k = 2; k <= n; ++k)
      EXPECT_DOUBLE_EQ(e[static_cast<size_t>(2 + k)] - e[static_cast<size_t>(1 + k)], width);
    const double end = e[static_cast<size_t>(n) + 2];
    EXPECT_LE(end, kReportBandWidth);
    EXPECT_GT(end, kReportBandWidth - n) << "within n pixels of the edge";
    EXPECT_DOUBLE_EQ(e.back(), kReportBandWidth);
  }
  // One code takes all the rest; columns too wide for the band shrink, none is refused.
  EXPECT_DOUBLE_EQ(LayoutReportColumns(Metrics(), 1)[3], kReportBandWidth);
  ReportColumnMetrics wide = Metrics();
  wide.CaptionWidth = 300;
  const std::vector<double> squeezed = LayoutReportColumns(wide, 4);
  EXPECT_LT(squeezed[3] - squeezed[2], 300);
  EXPECT_LE(squeezed[6], kReportBandWidth);
}

TEST(ReportLayout, ProbeBlockFollowsTheChosenCodes) {
  using P = ReportProbe;
  const struct {
    std::vector<int> codes;
    std::vector<ReportProbe> shown;
    std::vector<int> lefts;
    int rule;
  } cases[] = {
      {{1, 5}, {P::Temperature, P::Humidity, P::Adapter}, {90, 168, 246}, 195},
      {{45},
       {P::Temperature, P::Humidity, P::AirVelocity, P::Globe, P::Adapter},
       {90, 168, 246, 324, 402},
       351},
      {{21, 61}, {P::Illumination, P::CO}, {90, 168}, 117},
      {{}, {}, {}, 0},
  };
  for (const auto& c : cases) {
    const ProbeBlock b = LayoutProbeBlock(c.codes);
    EXPECT_EQ(b.Shown, c.shown);
    EXPECT_EQ(b.Lefts, c.lefts);
    EXPECT_EQ(b.RuleLength, c.rule);
  }
}

// Row captions wider than the design's room push the probes right instead of being drawn tiny;
// the step narrows only where eight probes would otherwise leave the band.
TEST(ReportLayout, ProbesMakeRoomForTheirRowCaptions) {
  const struct {
    const char* what;
    std::vector<int> codes;
    double caption;
    std::vector<int> lefts;
    int rule;
  } cases[] = {
      {"captions that fit keep the design", {1, 5}, 40, {90, 168, 246}, 195},
      {"wider captions move the block", {1, 5}, 60, {107, 185, 263}, 195},
      {"eight probes narrow their step",
       {45, 21, 25, 57},
       60,
       {107, 183, 259, 335, 411, 487, 563, 639},
       570},
      {"ten probes take narrower columns, also where the captions fit",
       {1, 5, 13, 21, 25, 29, 41, 57, 61},
       40,
       {90, 153, 216, 279, 342, 405, 468, 531, 594, 657},
       599},
  };
  for (const auto& c : cases) {
    const ProbeBlock b = FitProbeBlock(LayoutProbeBlock(c.codes), c.caption, 74, kReportBandWidth);
    EXPECT_EQ(b.Lefts, c.lefts) << c.what;
    EXPECT_EQ(b.RuleLength, c.rule) << c.what;
    const int step = b.Lefts.size() > 1 ? b.Lefts[1] - b.Lefts[0] : 76;
    EXPECT_LE(b.Lefts.back() + std::min(74, step - 2), kReportBandWidth) << c.what;
  }
}

TEST(ReportLayout, RowTextsAreShownInTheDisplayUnitsWithTwoBlankMarks) {
  Document doc;
  const int i = test::AddTest(doc, 1, 2, "North", "Hall", {{1, 150.0}, {5, 40.0}});
  TTestsRecord& t = doc.AllTests[static_cast<size_t>(i)];
  t.UnitSystem = "US";
  t.BeginTime = test::At(2024, 3, 5, 9, 7, 5);
  t.EndTime = test::At(2024, 3, 5, 10, 0, 0);
  const ReportRow row = ReportRowTexts(t, {1, 5, 9}, "SI", '.');
  EXPECT_EQ(row.Building, "North");
  EXPECT_EQ(row.Room, "Hall");
  EXPECT_EQ(row.Begin, "05.03.24  09:07:05");
  EXPECT_EQ(row.End, "05.03.24  10:00:00");
  EXPECT_EQ(row.Values, (std::vector<Bytes>{">  65.6", "40.0", "---"}));
}

TEST(ReportLayout, RowOffsetsFromTheHHeight) {
  EXPECT_EQ(ReportRowOffsets(40), (RowOffsets{10, 60, 40}));
  EXPECT_EQ(ReportRowOffsets(13), (RowOffsets{4, 20, 14}));
}

TEST(ReportLayout, RowsFallOntoPagesAfterTheTitle) {
  ReportBands bands;
  bands.Row = 48;  // 3 x h for h = 16
  // 1047 - 40 - 66 - 30 - 24 = 887 a page; the first loses the title's 295: 592.
  const std::vector<int> pages = PaginateReport(100, bands);
  EXPECT_EQ(pages, (std::vector<int>{12, 18, 18, 18, 18, 16}));
  // A summary that no longer fits on the last page gets one of its own.
  bands.Summary = 200;
  EXPECT_EQ(PaginateReport(30, bands), (std::vector<int>{12, 18, 0}));
  EXPECT_EQ(PaginateReport(0, bands), (std::vector<int>{0}));
}

TEST(ReportLayout, ColumnHeadersTakeTheCaptionsForTheUnitLetter) {
  const auto headers = ReportColumnHeaders({1, 5}, 'U', test::Texts());
  ASSERT_EQ(headers.size(), 2u);
  EXPECT_EQ(headers[0][0], "Air temp.");
  EXPECT_EQ(headers[0][1], "Curr  degF");
  EXPECT_EQ(headers[1][1], "Curr  %RH");
}

}  // namespace
}  // namespace qv

#include "print/ReportLayout.h"

#include "format/DateTimeText.h"
#include "format/ValueFormat.h"
#include "store/SignalCatalog.h"

#include <algorithm>
#include <cmath>

namespace qv {
namespace {

constexpr int kMaxCodes = 4;         // the table's header choice
constexpr int kFirstProbeLeft = 90;  // round(1.05 x 86)
constexpr int kProbeStep = 78;       // round(1.14 x 68)

using P = ReportProbe;

// The probes a quantity 1..17 (17: multipoint) switches on.
std::vector<ReportProbe> ProbesOf(int quantity) {
  switch (quantity) {
    case 1:
      return {P::Temperature, P::Adapter};
    case 2:
      return {P::Humidity, P::Adapter};
    case 3:
      return {P::Temperature, P::Humidity, P::Adapter};
    case 4:
    case 5:
    case 17:
      return {P::AirVelocity, P::Adapter};
    case 6:
      return {P::Illumination};
    case 7:
    case 10:
      return {P::Luminance};
    case 8:
      return {P::Thermocouple};
    case 9:
      return {P::Thermocouple, P::Temperature, P::Adapter};
    case 11:
      return {P::Globe};
    case 12:
    case 13:
    case 14:
      return {P::Temperature, P::Humidity, P::Adapter, P::AirVelocity, P::Globe};
    case 15:
      return {P::CO2};
    case 16:
      return {P::CO};
    default:
      return {};
  }
}

}  // namespace

std::vector<double> LayoutReportColumns(const ReportColumnMetrics& m, int n) {
  n = std::clamp(n, 0, kMaxCodes);
  std::vector<double> e(static_cast<size_t>(n) + 4);
  e[0] = std::max(m.WidestLocation, m.LocationCaption) + 4 * m.W;
  e[1] = e[0] + m.TimeText + 4 * m.W;
  e[2] = e[1] + m.TimeText + 4 * m.W;
  for (int k = 1; k <= n; ++k)
    e[static_cast<size_t>(2 + k)] = e[static_cast<size_t>(1 + k)] + m.CaptionWidth + 3 * m.W;
  const size_t last = static_cast<size_t>(n) + 3;
  e[last] = m.BandWidth;
  if (n > 0) {
    const double extra = std::trunc((e[last] - e[last - 1]) / n);
    for (int k = 1; k <= n; ++k)
      e[static_cast<size_t>(2 + k)] += k * extra;
  }
  return e;
}

std::vector<std::array<Bytes, 2>> ReportColumnHeaders(const std::vector<int>& codes,
                                                      char unitLetter, const TextCatalog& texts) {
  std::vector<std::array<Bytes, 2>> headers;
  for (const int code : codes) {
    std::array<Bytes, 2> lines;
    GetSignalCaption(code, unitLetter, texts, lines[0], lines[1]);
    headers.push_back(std::move(lines));
  }
  return headers;
}

ProbeBlock LayoutProbeBlock(const std::vector<int>& codes) {
  std::array<bool, kReportProbes> on{};
  for (const int code : codes) {
    if (code < 1 || code > kMaxSignalCode) continue;
    for (const ReportProbe p : ProbesOf((code + 3) / 4))
      on[static_cast<size_t>(p)] = true;
  }
  ProbeBlock block;
  for (int p = 0; p < kReportProbes; ++p) {
    if (!on[static_cast<size_t>(p)]) continue;
    block.Lefts.push_back(kFirstProbeLeft + static_cast<int>(block.Shown.size()) * kProbeStep);
    block.Shown.push_back(static_cast<ReportProbe>(p));
  }
  const int n = static_cast<int>(block.Shown.size());
  block.RuleLength = n == 0 ? 0 : static_cast<int>(std::lround(n * kProbeStep - 39.0));
  return block;
}

ProbeBlock FitProbeBlock(ProbeBlock block, double captionWidth, double columnWidth,
                         double bandWidth) {
  constexpr int kCaptionLeft = 41;
  constexpr int kGap = 6;
  const int n = static_cast<int>(block.Lefts.size());
  if (n == 0) return block;
  int first = static_cast<int>(std::ceil(kCaptionLeft + captionWidth + kGap));
  const bool inside = block.Lefts.back() + columnWidth <= bandWidth;
  if (first <= kFirstProbeLeft && inside) return block;
  first = std::max(first, kFirstProbeLeft);
  int step = kProbeStep;
  if (n > 1) {
    const double room = bandWidth - columnWidth - first;
    const int narrowest = static_cast<int>(std::ceil(columnWidth)) + 2;
    step = std::clamp(static_cast<int>(std::floor(room / (n - 1))), narrowest, kProbeStep);
    if (first + (n - 1) * step + columnWidth > bandWidth)
      step = static_cast<int>(std::floor((bandWidth - first + 2) / n));
  }
  for (int i = 0; i < n; ++i)
    block.Lefts[static_cast<size_t>(i)] = first + i * step;
  block.RuleLength = static_cast<int>(std::lround(n * step - step / 2.0));
  return block;
}

ReportRow ReportRowTexts(const TTestsRecord& test, const std::vector<int>& codes,
                         std::string_view displayUnits, char decimalSeparator) {
  ReportRow row;
  row.Building = test.BuildingName;
  row.Room = test.RoomName;
  row.Begin = FormatDayTime(test.BeginTime, 2);
  row.End = FormatDayTime(test.EndTime, 2);
  for (const int code : codes)
    row.Values.push_back(
        ShowTestValue(code, test, displayUnits, MarkStyle::TwoBlanks, decimalSeparator));
  return row;
}

RowOffsets ReportRowOffsets(int hHeight) {
  const int half = static_cast<int>(std::lround(hHeight / 2.0));
  return {static_cast<int>(std::lround(half / 2.0)), half + hHeight, 2 * half};
}

std::vector<int> PaginateReport(int rows, const ReportBands& b) {
  const int perPage = b.Page - b.PageHeader - b.ColumnHeader - b.PageFooter - b.FooterChild;
  const int rowHeight = std::max(b.Row, 1);
  std::vector<int> pages;
  int left = std::max(rows, 0);
  int room = perPage - b.Title;  // the title band is on the first page only
  for (;;) {
    const int fits = std::max(room / rowHeight, 0);
    const int take = std::min(fits, left);
    pages.push_back(take);
    left -= take;
    room -= take * rowHeight;
    if (left == 0) break;
    room = perPage;
    // A page that cannot take one row would never end the report.
    if (perPage < rowHeight) {
      pages.back() += left;
      break;
    }
  }
  if (b.Summary > 0 && room < b.Summary) pages.push_back(0);
  return pages;
}

}  // namespace qv

// The printed report laid out as data, in report pixels (1/96 inch): the column edges, the
// column header captions, the probe block of the title band, the texts of a row and where they
// stand, and how the rows fall onto pages. Text widths come in as a function, as for the table;
// the painting code only draws what these give.
#pragma once

#include "app/TextCatalog.h"
#include "store/Document.h"

#include <array>
#include <functional>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr int kReportBandWidth = 718;  // detail band, A4 with 10 mm margins

// Fonts of the header texts, in report pixels, as the header dialog edits them: the report
// prints each text in its field's font, and the width limits are measured in them.
struct ReportFont {
  int Px;
  bool Bold;
};
inline constexpr ReportFont kOperator1Font{16, true};
inline constexpr ReportFont kOperator2Font{13, true};
inline constexpr ReportFont kTestSite1Font{16, true};
inline constexpr ReportFont kTestSite2Font{15, true};
inline constexpr ReportFont kProbeTextFont{12, false};
inline constexpr ReportFont kCommentFont{12, false};
inline constexpr ReportFont kFooterFont{13, false};

struct ReportColumnMetrics {
  double W = 0;                // width of "H" in the table's font
  double CaptionWidth = 0;     // the widest caption line of the table
  double WidestLocation = 0;   // the widest building or room name shown
  double LocationCaption = 0;  // width of the translated "Location_10"
  double TimeText = 0;         // width of a "dd.mm.yy  hh:mm:ss" text
  double BandWidth = kReportBandWidth;
};

// Right edges e[0] .. e[n + 3]: Location, begin, end, the n code columns (e[3] .. e[n + 2]) and
// the band's width. The code columns share what the band leaves (also when that is negative:
// nothing is refused), all equally wide; the last ends within n pixels of the band's edge.
std::vector<double> LayoutReportColumns(const ReportColumnMetrics& m, int n);

// The two caption lines of each chosen code, for the display unit letter.
std::vector<std::array<Bytes, 2>> ReportColumnHeaders(const std::vector<int>& codes,
                                                      char unitLetter, const TextCatalog& texts);

// Probes of the title band, in their fixed order.
enum class ReportProbe {
  Temperature,
  Humidity,
  AirVelocity,
  Illumination,
  Thermocouple,
  Globe,
  Luminance,
  CO2,
  CO,
  Adapter
};
inline constexpr int kReportProbes = 10;

struct ProbeBlock {
  std::vector<ReportProbe> Shown;  // in the fixed order
  std::vector<int> Lefts;          // 90 + (k - 1) x 78
  int RuleLength = 0;              // round(n x 78 - 39); 0 for none
};
ProbeBlock LayoutProbeBlock(const std::vector<int>& codes);

// The block made room for its row captions ("Type", "Serial No."), which start at report pixel
// 41 and are `captionWidth` wide: where they would reach the first probe, the probes move right,
// and their step narrows (not below `columnWidth` plus a gap) only as far as keeping the last
// column of `columnWidth` inside the band's `bandWidth` needs. Where the captions fit and the
// probes stay inside the band, the block stays as laid out. More probes than the band holds at
// that width (a survey of a block logging everything has ten) get narrower columns: the step
// less a gap of two pixels, the last column ending at the band's edge.
ProbeBlock FitProbeBlock(ProbeBlock block, double captionWidth, double columnWidth,
                         double bandWidth);

// The texts of one row: the location lines, the two times ("dd.mm.yy  hh:mm:ss") and the value
// of each chosen code as the table shows it (display units, "<  " / ">  " marks).
struct ReportRow {
  Bytes Building;
  Bytes Room;
  Bytes Begin;
  Bytes End;
  std::vector<Bytes> Values;
};
ReportRow ReportRowTexts(const TTestsRecord& test, const std::vector<int>& codes,
                         std::string_view displayUnits, char decimalSeparator);

// Vertical offsets of a row's texts from its top for a printer "H" height: the building name
// half a half-height down, the room name a half and a line down, times and values two halves.
struct RowOffsets {
  int Building = 0;
  int Room = 0;
  int Values = 0;
  friend bool operator==(const RowOffsets&, const RowOffsets&) = default;
};
RowOffsets ReportRowOffsets(int hHeight);

// Heights of the bands (report pixels) and of the printable page.
struct ReportBands {
  int Page = 1047;  // A4 (1123 px) less 2 x 10 mm
  int PageHeader = 40;
  int Title = 295;
  int ColumnHeader = 66;
  int Row = 0;      // 3 x h
  int Summary = 0;  // 0: no summary band
  int PageFooter = 30;
  int FooterChild = 24;
};

// The rows each page takes, first page first; the summary goes on the last page or, when it
// does not fit there, on a page of its own (an entry of 0 rows). A report without rows still
// has one page.
std::vector<int> PaginateReport(int rows, const ReportBands& bands);

}  // namespace qv

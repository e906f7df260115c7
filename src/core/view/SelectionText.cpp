#include "view/SelectionText.h"

#include "format/DateTimeText.h"
#include "format/ValueFormat.h"
#include "store/SignalCatalog.h"

#include <algorithm>
#include <cmath>

namespace qv {
namespace {

constexpr int kTimeBlanks = 2;

class Lines {
 public:
  explicit Lines(Bytes& out) : out_(out) {}
  void Cell(std::string_view text) {
    for (const char c : text) {
      if (c != '\0') out_ += c;
    }
    out_ += '\t';
  }
  void EndHeader() { out_.append("\r\n"); }
  // Data lines lose the tab after their last cell.
  void EndData() {
    if (!out_.empty() && out_.back() == '\t') out_.pop_back();
    out_.append("\r\n");
  }

 private:
  Bytes& out_;
};

void Caption(Lines& lines, int code, const CellContext& ctx) {
  Bytes quantity, statistic;
  GetSignalCaption(code, UnitLetter(ctx.DisplayUnits), ctx.Texts, quantity, statistic);
  lines.Cell(quantity + "  " + statistic);
}

// The sample's time from the block's start to whole seconds, so that a start with a fraction
// of a second gives the same seconds on every row.
DateTime CopiedSampleTime(const TLoggerRecord& block, int row) {
  const DateTime start = std::nearbyint(block.BeginTime * 86400.0) / 86400.0;
  return AddSeconds(start, static_cast<double>(block.IntervalSec) * (row - 1));
}

void ResultsText(Bytes& out, const Document& doc, const CellRect& s, const CellContext& ctx) {
  Lines lines(out);
  for (int c = s.Left; c <= s.Right; ++c) {
    if (c == 1) {
      lines.Cell(ctx.Texts.Translate("Level1_8"));
      lines.Cell(ctx.Texts.Translate("Level2_8"));
    } else if (c == 2) {
      lines.Cell(ctx.Texts.Translate("BeginTime_10"));
      lines.Cell(ctx.Texts.Translate("EndTime_10"));
    } else {
      Caption(lines, ResultsColumnCode(doc, c), ctx);
    }
  }
  lines.EndHeader();
  for (int r = s.Top; r <= s.Bottom; ++r) {
    const TTestsRecord* t = doc.ShownTest(r - 1);
    if (t == nullptr) continue;
    for (int c = s.Left; c <= s.Right; ++c) {
      if (c == 1) {
        lines.Cell(t->BuildingName);
        lines.Cell(t->RoomName);
      } else if (c == 2) {
        lines.Cell(FormatDayTime(t->BeginTime, kTimeBlanks));
        lines.Cell(FormatDayTime(t->EndTime, kTimeBlanks));
      } else {
        lines.Cell(ShowTestValue(ResultsColumnCode(doc, c), *t, ctx.DisplayUnits,
                                 MarkStyle::OneBlank, ctx.DecimalSeparator));
      }
    }
    lines.EndData();
  }
}

void LoggingText(Bytes& out, const Document& doc, const TLoggerRecord& block, const CellRect& s,
                 const CellContext& ctx) {
  Lines lines(out);
  for (int c = s.Left; c <= s.Right; ++c) {
    if (c == 1) {
      lines.Cell(ctx.Texts.Translate("Time_10"));
    } else {
      Caption(lines, LoggingColumnCode(doc, c), ctx);
    }
  }
  lines.EndHeader();
  for (int r = s.Top; r <= s.Bottom; ++r) {
    for (int c = s.Left; c <= s.Right; ++c) {
      if (c == 1) {
        lines.Cell(FormatDayTime(CopiedSampleTime(block, r), kTimeBlanks));
      } else {
        lines.Cell(ShowLoggerValue(LoggingColumnCode(doc, c), r, block, ctx.DisplayUnits,
                                   MarkStyle::OneBlank, ctx.DecimalSeparator));
      }
    }
    lines.EndData();
  }
}

}  // namespace

CellRect WholeTable(const Document& doc) {
  CellRect all;
  if (ActiveView(doc) == TableView::Results) {
    all.Right = std::clamp(doc.ColumnCount, 0, kMaxSignalCode) + 2;
    all.Bottom = doc.ShownTestCount();
  } else if (const TLoggerRecord* block = doc.Current()) {
    all.Right = std::clamp(block->SignalCount, 0, kLoggerSignals) + 1;
    all.Bottom = std::max(0, block->SampleCount);
  } else {
    all.Right = all.Bottom = 0;
  }
  return all;
}

Bytes SelectionText(const Document& doc, const CellRect& selection, const CellContext& ctx) {
  const CellRect all = WholeTable(doc);
  CellRect s = selection;
  s.Left = std::max(s.Left, 1);
  s.Top = std::max(s.Top, 1);
  s.Right = std::min(s.Right, all.Right);
  s.Bottom = std::min(s.Bottom, all.Bottom);
  Bytes out;
  if (s.Left > s.Right) return out;
  if (ActiveView(doc) == TableView::Results) {
    // About ten bytes a cell: one allocation for the usual selection.
    out.reserve(static_cast<size_t>(s.Right - s.Left + 2) *
                static_cast<size_t>(std::max(0, s.Bottom - s.Top + 2)) * 12);
    ResultsText(out, doc, s, ctx);
  } else {
    out.reserve(static_cast<size_t>(s.Right - s.Left + 2) *
                static_cast<size_t>(std::max(0, s.Bottom - s.Top + 2)) * 10);
    LoggingText(out, doc, *doc.Current(), s, ctx);
  }
  return out;
}

}  // namespace qv

#include "files/TextExport.h"

#include "app/TextCatalog.h"
#include "files/SafeWrite.h"
#include "format/DateTimeText.h"
#include "format/ValueFormat.h"
#include "store/SignalCatalog.h"

#include <algorithm>

namespace qv {
namespace {

class LineWriter {
 public:
  LineWriter(Bytes& out, const ExportOptions& options)
      : out_(out),
        delimiter_(DelimiterChar(options.delimiter)),
        lineEnd_(LineEndText(options.lineEnd)) {}

  void Field(std::string_view text) {
    out_.append(text);
    out_ += delimiter_;
  }
  // A shown value: the no-value text leaves the field empty.
  void Value(const Bytes& text) { Field(text == kNoValueText ? std::string_view() : text); }
  void EndLine() { out_.append(lineEnd_); }

 private:
  Bytes& out_;
  char delimiter_;
  std::string_view lineEnd_;
};

char UnitLetter(const ExportOptions& options) {
  return options.displayUnits == "US" ? 'U' : 'S';
}

void Caption(LineWriter& line, int code, char letter, const TextCatalog& texts) {
  Bytes first, second;
  GetSignalCaption(code, letter, texts, first, second);
  line.Field(first + ' ' + second);
}

}  // namespace

char DelimiterChar(ExportDelimiter d) {
  return d == ExportDelimiter::Semicolon ? ';' : '\t';
}

std::string_view LineEndText(ExportLineEnd e) {
  switch (e) {
    case ExportLineEnd::Cr:
      return "\r";
    case ExportLineEnd::Lf:
      return "\n";
    default:
      return "\r\n";
  }
}

Bytes ExportResultsText(const Document& doc, const TextCatalog& texts,
                        const ExportOptions& options) {
  Bytes out;
  LineWriter line(out, options);
  const char letter = UnitLetter(options);
  const int columns = std::clamp(doc.ColumnCount, 0, kMaxSignalCode);

  line.Field(texts.Translate("Level1_8"));
  line.Field(texts.Translate("Level2_8"));
  line.Field(texts.Translate("BeginTime_10"));
  line.Field(texts.Translate("EndTime_10"));
  for (int j = 1; j <= columns; ++j)
    Caption(line, doc.ColumnSignals[j], letter, texts);
  line.EndLine();

  out.reserve(out.size() + doc.ShownTests.size() * (40 + static_cast<size_t>(columns) * 8));
  for (const int32_t index : doc.ShownTests) {
    const TTestsRecord& t = doc.AllTests[static_cast<size_t>(index)];
    line.Field(t.BuildingName);
    line.Field(t.RoomName);
    line.Field(FormatDayTime(t.BeginTime, 3));
    line.Field(FormatDayTime(t.EndTime, 3));
    for (int j = 1; j <= columns; ++j) {
      line.Value(ShowTestValue(doc.ColumnSignals[j], t, options.displayUnits, MarkStyle::OneBlank,
                               options.decimalSeparator));
    }
    line.EndLine();
  }
  return out;
}

Bytes ExportLoggerText(const TLoggerRecord& block, const TextCatalog& texts,
                       const ExportOptions& options) {
  Bytes out;
  LineWriter line(out, options);
  const char letter = UnitLetter(options);
  const int signalCount = std::clamp(block.SignalCount, 0, kLoggerSignals);

  line.Field(texts.Translate("Time_10"));
  for (int k = 0; k < signalCount; ++k)
    Caption(line, block.SignalCodes[k], letter, texts);
  line.EndLine();

  out.reserve(out.size() + static_cast<size_t>(std::max(0, block.SampleCount)) *
                               (20 + static_cast<size_t>(signalCount) * 8));
  for (int s = 1; s <= block.SampleCount; ++s) {
    // From the start each time, so long blocks do not gather rounding errors.
    line.Field(FormatDayTime(
        block.BeginTime + static_cast<double>(block.IntervalSec) * (s - 1) / 86400.0, 1));
    for (int k = 0; k < signalCount; ++k) {
      line.Value(ShowLoggerValue(block.SignalCodes[k], s, block, options.displayUnits,
                                 MarkStyle::OneBlank, options.decimalSeparator));
    }
    line.EndLine();
  }
  return out;
}

Outcome ExportTable(const QString& path, const Document& doc, const TextCatalog& texts,
                    const ExportOptions& options) {
  const TLoggerRecord* block = doc.LoggerDataLoaded ? doc.Current() : nullptr;
  if (!doc.ResultsDataLoaded && !block) {
    return Outcome::Refusal(texts.Translate("msgNoDatToExp_50"));
  }
  Bytes text;
  if (doc.ResultsDataLoaded) text = ExportResultsText(doc, texts, options);
  if (block) text += ExportLoggerText(*block, texts, options);
  if (std::optional<WriteFailure> failure =
          WriteFileSafely(path, {text}, TextCodec(options.codePage))) {
    return Outcome::Failure(std::move(failure->message));
  }
  return Outcome::Success();
}

}  // namespace qv

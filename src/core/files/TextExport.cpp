#include "files/TextExport.h"

#include "app/TextCatalog.h"
#include "files/OutputSink.h"
#include "format/DateTimeText.h"
#include "format/ValueFormat.h"
#include "store/SignalCatalog.h"

#include <algorithm>

namespace qv {
namespace {

// Gathers one line and hands it to the sink at its end: the text is never held whole.
class LineWriter {
 public:
  LineWriter(ByteSink& out, const ExportOptions& options)
      : out_(out),
        delimiter_(DelimiterChar(options.delimiter)),
        lineEnd_(LineEndText(options.lineEnd)) {}

  void Field(std::string_view text) {
    line_.append(text);
    line_ += delimiter_;
  }
  // A shown value: the no-value text leaves the field empty.
  void Value(const Bytes& text) { Field(text == kNoValueText ? std::string_view() : text); }
  // False once the sink failed: nothing more need be made.
  bool EndLine() {
    line_.append(lineEnd_);
    const bool ok = out_.Write(line_);
    line_.clear();
    return ok;
  }

 private:
  ByteSink& out_;
  char delimiter_;
  std::string_view lineEnd_;
  Bytes line_;
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

void WriteResultsText(ByteSink& out, const Document& doc, const TextCatalog& texts,
                      const ExportOptions& options) {
  LineWriter line(out, options);
  const char letter = UnitLetter(options);
  const int columns = std::clamp(doc.ColumnCount, 0, kMaxSignalCode);

  line.Field(texts.Translate("Level1_8"));
  line.Field(texts.Translate("Level2_8"));
  line.Field(texts.Translate("BeginTime_10"));
  line.Field(texts.Translate("EndTime_10"));
  for (int j = 1; j <= columns; ++j)
    Caption(line, doc.ColumnSignals[j], letter, texts);
  if (!line.EndLine()) return;

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
    if (!line.EndLine()) return;
  }
}

void WriteLoggerText(ByteSink& out, const TLoggerRecord& block, const TextCatalog& texts,
                     const ExportOptions& options) {
  LineWriter line(out, options);
  const char letter = UnitLetter(options);
  const int signalCount = std::clamp(block.SignalCount, 0, kLoggerSignals);

  line.Field(texts.Translate("Time_10"));
  for (int k = 0; k < signalCount; ++k)
    Caption(line, block.SignalCodes[k], letter, texts);
  if (!line.EndLine()) return;

  for (int s = 1; s <= block.SampleCount; ++s) {
    // From the start each time, so long blocks do not gather rounding errors.
    line.Field(FormatDayTime(
        block.BeginTime + static_cast<double>(block.IntervalSec) * (s - 1) / 86400.0, 1));
    for (int k = 0; k < signalCount; ++k) {
      line.Value(ShowLoggerValue(block.SignalCodes[k], s, block, options.displayUnits,
                                 MarkStyle::OneBlank, options.decimalSeparator));
    }
    if (!line.EndLine()) return;
  }
}

Bytes ExportResultsText(const Document& doc, const TextCatalog& texts,
                        const ExportOptions& options) {
  // Room for the whole text at once: growing it step by step costs as much as making it.
  const size_t columns = static_cast<size_t>(std::clamp(doc.ColumnCount, 0, kMaxSignalCode));
  Bytes out;
  out.reserve(256 + doc.ShownTests.size() * (40 + columns * 8));
  StringSink sink(out);
  WriteResultsText(sink, doc, texts, options);
  return out;
}

Bytes ExportLoggerText(const TLoggerRecord& block, const TextCatalog& texts,
                       const ExportOptions& options) {
  const size_t listed = static_cast<size_t>(std::clamp(block.SignalCount, 0, kLoggerSignals));
  Bytes out;
  out.reserve(256 + static_cast<size_t>(std::max(0, block.SampleCount)) * (20 + listed * 8));
  StringSink sink(out);
  WriteLoggerText(sink, block, texts, options);
  return out;
}

Outcome ExportTable(ByteSink& out, const Document& doc, const TextCatalog& texts,
                    const ExportOptions& options) {
  const TLoggerRecord* block = doc.LoggerDataLoaded() ? doc.Current() : nullptr;
  if (!doc.ResultsDataLoaded() && !block) {
    return Outcome::Refusal(texts.Translate("msgNoDatToExp_50"));
  }
  if (doc.ResultsDataLoaded()) WriteResultsText(out, doc, texts, options);
  if (block) WriteLoggerText(out, *block, texts, options);
  return Outcome::Success();
}

Outcome ExportTable(const QString& path, const Document& doc, const TextCatalog& texts,
                    const ExportOptions& options) {
  // Refused before the file is touched.
  const TLoggerRecord* block = doc.LoggerDataLoaded() ? doc.Current() : nullptr;
  if (!doc.ResultsDataLoaded() && !block) {
    return Outcome::Refusal(texts.Translate("msgNoDatToExp_50"));
  }
  const TextCodec codec(options.codePage);
  SafeFileSink file(path, codec);
  ExportTable(file, doc, texts, options);
  if (std::optional<Bytes> failure = file.Commit()) return Outcome::Failure(std::move(*failure));
  return Outcome::Success();
}

}  // namespace qv

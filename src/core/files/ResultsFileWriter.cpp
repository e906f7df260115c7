#include "files/ResultsFile.h"

#include "app/TextCatalog.h"
#include "files/SafeWrite.h"
#include "format/NumberText.h"
#include "format/ValueFormat.h"
#include "store/SignalCatalog.h"

#include <QFileInfo>
#include <algorithm>
#include <charconv>
#include <string>

namespace qv {
namespace {

constexpr std::string_view kEol = "\r\n";
constexpr char kEscape = '\xFF';

void Line(Bytes& out, std::string_view text) {
  out.append(text);
  out.append(kEol);
}

void Number(Bytes& out, int64_t value) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, static_cast<size_t>(res.ptr - buf));
}

// A free-text section: 0xFF and the given bytes become two-byte escapes, "ÿ;" ends it.
// 0xFF is also escaped in comments: the letter it stands for would otherwise swallow the byte
// after it when the file is read back.
void Comments(Bytes& out, const Bytes& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += kEscape;
      out += '=';
      ++i;
    } else if (c == kEscape) {
      out += kEscape;
      out += '*';
    } else {
      out += c;
    }
  }
  out += kEscape;
  out += ';';
}

void InstrumentData(Bytes& out, const Bytes& block) {
  for (const char c : block) {
    if (c == '\0') {
      out += kEscape;
      out += '?';
    } else if (c == kEscape) {
      out += kEscape;
      out += '*';
    } else {
      out += c;
    }
  }
  out += kEscape;
  out += ';';
}

struct CalculationParameters {
  int32_t ductShape;
  double altitude, sideA, sideB, radius, metabolicRate, clothing;
};

template <class Record>
CalculationParameters ParametersOf(const Record& r) {
  return {r.Params.DuctShape, r.Params.Altitude,      r.Params.SideA,   r.Params.SideB,
          r.Params.Radius,    r.Params.MetabolicRate, r.Params.Clothing};
}

// The seven fields, each followed by ";": integer, "0", "0.00" three times, "0.0" twice.
void Parameters(Bytes& out, const CalculationParameters& p, char sep) {
  Number(out, p.ductShape);
  out += ';';
  const std::pair<double, int> reals[] = {{p.altitude, 0}, {p.sideA, 2},         {p.sideB, 2},
                                          {p.radius, 2},   {p.metabolicRate, 1}, {p.clothing, 1}};
  for (const auto& [value, decimals] : reals) {
    out.append(FormatFixed(value, decimals, sep));
    out += ';';
  }
}

// A value text as the file carries it: a formatter that gives no text means no value.
void Value(Bytes& out, const Bytes& text) {
  out.append(text.empty() ? kNoValueText : std::string_view(text));
  out.append("; ");
}

void ResultsSection(Bytes& out, const Document& doc, char sep) {
  Line(out, "$SignalCount%");
  Number(out, doc.DocSignalCount);
  out.append(kEol);
  Line(out, "");
  Line(out, "$Signals%");
  for (int i = 1; i <= kMaxSignalCode; ++i) {
    if (doc.DocSignals[i] == 0) continue;
    Number(out, doc.DocSignals[i]);
    out += ';';
  }
  out.append(kEol);
  Line(out, "");
  Line(out, "$TestCount%");
  // The number of results that follow, whatever the counter says: the reader relies on it.
  Number(out, static_cast<int64_t>(doc.AllTests.size()));
  out.append(kEol);
  Line(out, "");

  for (const TTestsRecord& t : doc.AllTests) {
    out.append("Signals: ");
    for (int code = 1; code <= kMaxSignalCode; ++code) {
      if (t.SignalPresent[code] != 1) continue;
      Number(out, code);
      out += ';';
    }
    out.append(kEol);
    out.append("Units: ");
    out.append(t.UnitSystem);
    Line(out, ";");
    out.append("Location H/R: ");
    Number(out, t.BuildingNo);
    out += ';';
    Number(out, t.RoomNo);
    Line(out, ";");
    out.append("BuildingName: ");
    out.append(t.BuildingName);
    Line(out, ";");
    out.append("RoomName: ");
    out.append(t.RoomName);
    Line(out, ";");
    out.append("BeginTime: ");
    out.append(FormatGeneral(t.BeginTime, sep));
    Line(out, ";");
    out.append("EndTime: ");
    out.append(FormatGeneral(t.EndTime, sep));
    Line(out, ";");
    out.append("Instrument Settings: ");
    Parameters(out, ParametersOf(t), sep);
    out.append(kEol);
    for (int code = 1; code <= kMaxSignalCode; ++code) {
      if (t.SignalPresent[code] != 1) continue;
      Value(out, FormatTestValue(code, t, sep).text);
    }
    out.append(kEol);
    Line(out, "");
  }
}

bool LoggerSection(Bytes& out, const Document& doc, char sep) {
  Line(out, "$Logger Number%");
  Number(out, static_cast<int64_t>(doc.LoggerBlocks.size()));
  out.append(kEol);
  Line(out, "");
  Line(out, "");
  int b = 0;
  for (const TLoggerRecord& block : doc.LoggerBlocks) {
    ++b;
    Line(out, "------------------");
    out.append("$ LOGGER ");
    Number(out, b);
    Line(out, " %");
    Line(out, "------------------");
    Line(out, "");
    Line(out, "$BuildingName%");
    Line(out, block.BuildingName);
    Line(out, "");
    Line(out, "$RoomName%");
    Line(out, block.RoomName);
    Line(out, "");
    Line(out, "$Logger Result Number%");
    Number(out, block.SampleCount);
    out.append(kEol);
    Line(out, "");
    Line(out, "$Logger Start Time%");
    Line(out, FormatScientific23(block.BeginTime));
    Line(out, "");
    Line(out, "$Logger Interval%");
    Number(out, block.IntervalSec);
    out.append(kEol);
    Line(out, "");
    Line(out, "$Logger Units%");
    Line(out, block.UnitSystem);
    Line(out, "");
    Line(out, "$Logger Signals%");
    for (const int32_t code : block.SignalCodes) {
      if (code == 0) continue;
      Number(out, code);
      out += ';';
    }
    out.append(kEol);
    Line(out, "");
    Line(out, "$Instrument Settings%");
    Parameters(out, ParametersOf(block), sep);
    out.append(kEol);
    Line(out, "");

    const int signalCount = std::clamp(block.SignalCount, 0, kLoggerSignals);
    // A listed code whose samples are fewer than the block claims cannot be written truthfully.
    for (int k = 0; k < signalCount; ++k) {
      const int code = block.SignalCodes[k];
      if (code < 1 || code > kLoggerSignals) continue;
      if (block.Samples[StoragePos(code)].size() <
          static_cast<size_t>(std::max(0, block.SampleCount))) {
        return false;
      }
    }
    for (int s = 1; s <= block.SampleCount; ++s) {
      for (int k = 0; k < signalCount; ++k) {
        Value(out, FormatLoggerValue(block.SignalCodes[k], s, block, sep).text);
      }
      out.append("\n\r\n");
    }
    Line(out, "");
    Line(out, "");
  }
  return true;
}

}  // namespace

std::optional<Bytes> SaveRefusal(const Document& doc, bool tableHidden, const TextCatalog& texts) {
  const bool resultsWanted = doc.ResultsDataLoaded();
  const bool loggerWanted = doc.LoggerDataLoaded();
  if ((tableHidden && !doc.DocNotSaved) || (doc.AllTests.empty() && doc.LoggerBlocks.empty()) ||
      (resultsWanted && doc.AllTests.empty()) || (loggerWanted && doc.LoggerBlocks.empty())) {
    return texts.Translate("msgNoDataToSave_35");
  }
  return std::nullopt;
}

std::optional<ResultsFileParts> ComposeResultsFile(const Document& doc, const Bytes& fileName,
                                                   char decimalSeparator) {
  ResultsFileParts parts;
  Bytes& h = parts.head;
  Line(h, "$FileVersion%");
  Line(h, kResultsFileVersion);
  Line(h, "");
  Line(h, "$FileName%");
  Line(h, fileName);
  Line(h, "");
  Line(h, "$PrintHeader%");
  for (const Bytes& text : doc.Header.Lines)
    Line(h, text);
  Line(h, "");
  Line(h, "$ProbesData%");
  for (int p = 0; p < PrintHeader::ProbeCount; ++p) {
    Line(h, doc.Header.ProbeSerNo[p]);
    Line(h, doc.Header.ProbeType[p]);
  }
  Line(h, "");
  Line(h, "$Comments%");
  Comments(h, doc.Header.Comments);
  h.append(kEol);
  Line(h, "");
  Line(h, "$InstrData%");

  InstrumentData(parts.instrument, doc.InstrumentInfo.SettingsBlock);
  parts.instrument.append("\n\r\n");
  Line(parts.instrument, "");

  Bytes& m = parts.measurements;
  const bool results = doc.ResultsDataLoaded();
  const bool logger = doc.LoggerDataLoaded();
  if (results || logger) {
    Line(m, "$MEASUREMENTS%");
    Line(m, results ? "$QUOR-Tests%" : "$QUOR-Logger%");
    Line(m, "$PROT%1");
    Line(m, "");
  }
  if (results) {
    // Roughly what a result line pair takes; saves most reallocations of large documents.
    m.reserve(doc.AllTests.size() * 400 + 256);
    ResultsSection(m, doc, decimalSeparator);
  } else if (logger) {
    size_t samples = 0;
    for (const TLoggerRecord& b : doc.LoggerBlocks) {
      samples += static_cast<size_t>(std::max(0, b.SampleCount)) *
                 static_cast<size_t>(std::clamp(b.SignalCount, 0, kLoggerSignals));
    }
    m.reserve(samples * 8 + 1024);
    if (!LoggerSection(m, doc, decimalSeparator)) return std::nullopt;
  }
  return parts;
}

Outcome SaveResultsFile(const QString& path, Document& doc, const TextCatalog& texts,
                        const SaveOptions& options) {
  if (std::optional<Bytes> refusal = SaveRefusal(doc, options.tableHidden, texts)) {
    return Outcome::Refusal(std::move(*refusal));
  }
  const TextCodec codec(options.codePage);
  const Bytes fileName = codec.Encode(QFileInfo(path).fileName());
  std::optional<ResultsFileParts> parts =
      ComposeResultsFile(doc, fileName, options.decimalSeparator);
  if (!parts) return Outcome::Failure(texts.Translate("msgFileSaveError_35   Error #11"));
  if (std::optional<WriteFailure> failure =
          WriteFileSafely(path, {parts->head, parts->instrument, parts->measurements}, codec)) {
    if (failure->piece == 1) {
      return Outcome::Failure(texts.Translate("msgFileSaveError_35   Error #10"));
    }
    return Outcome::Failure(std::move(failure->message));
  }
  doc.DocNotSaved = false;
  doc.DocModified = false;
  return Outcome::Success();
}

}  // namespace qv

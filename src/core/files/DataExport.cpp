#include "files/DataExport.h"

#include "app/TextCatalog.h"
#include "files/OutputSink.h"
#include "format/DateTimeText.h"
#include "format/ValueFormat.h"
#include "store/SignalCatalog.h"

#include <QCborValue>
#include <QJsonValue>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace qv {
namespace {

// The table's text of a value, split for scripts: the number (none for "---" and empty texts)
// and the mark.
struct ScriptValue {
  std::optional<double> number;
  QByteArray text;  // as shown, "." decimals, without the mark
  const char* mark = "";
};

ScriptValue FromShown(const ValueText& v) {
  ScriptValue s;
  if (v.text.empty() || v.text == kNoValueText) return s;
  s.text = QByteArray::fromStdString(v.text);
  bool ok = false;
  const double number = s.text.toDouble(&ok);
  if (ok) s.number = number;
  s.mark = v.high ? ">" : v.low ? "<" : "";
  return s;
}

QString Caption(int code, const DataExportOptions& options, const TextCatalog& texts,
                const TextCodec& codec) {
  Bytes first, second;
  GetSignalCaption(code, options.displayUnits == "US" ? 'U' : 'S', texts, first, second);
  return codec.Decode(first + ' ' + second).simplified();
}

// CSV fields gathered a line at a time and handed to the sink at each line's end.
class CsvWriter {
 public:
  explicit CsvWriter(ByteSink& out) : out_(out) {}
  void Field(const QByteArray& text) {
    if (!first_) line_ += ',';
    first_ = false;
    const bool quote = text.contains(',') || text.contains('"') || text.contains('\r') ||
                       text.contains('\n') || text.startsWith(' ') || text.endsWith(' ');
    if (!quote) {
      line_ += text;
      return;
    }
    QByteArray doubled = text;
    doubled.replace("\"", "\"\"");
    line_ += '"' + doubled + '"';
  }
  void Field(const QString& text) { Field(text.toUtf8()); }
  void Value(const ScriptValue& v) {
    if (!v.number && v.text.isEmpty()) {
      Field(QByteArray());
    } else if (*v.mark != '\0' || !v.number) {
      Field(QByteArray(v.mark) + (*v.mark != '\0' ? " " : "") + v.text);
    } else {
      Field(v.text);
    }
  }
  // Also the byte order mark, before the first line.
  void Raw(std::string_view bytes) {
    line_.append(bytes.data(), static_cast<qsizetype>(bytes.size()));
  }
  // False once the sink failed.
  bool EndLine() {
    line_ += "\r\n";
    first_ = true;
    const bool ok =
        out_.Write(std::string_view(line_.constData(), static_cast<size_t>(line_.size())));
    line_.clear();
    return ok;
  }

 private:
  ByteSink& out_;
  QByteArray line_;
  bool first_ = true;
};

// JSON as Qt's QJsonDocument::toJson(Indented) lays it out (members in key order, four blanks
// per level, numbers and strings as Qt writes them), but written as it is made: a document of
// 65536 tests never becomes a tree in memory. Callers give an object's members in ascending
// key order, as a QJsonObject keeps them.
class JsonWriter {
 public:
  explicit JsonWriter(ByteSink& out) : out_(out) {}

  void BeginObject() { Open('{'); }
  void EndObject() { Close('}'); }
  void BeginArray() { Open('['); }
  void EndArray() { Close(']'); }
  void Key(const char* key) {
    Separate();
    text_ += '"';
    text_ += key;
    text_ += "\": ";
    keyed_ = true;
  }
  void String(const QString& value) {
    Separate();
    text_ += '"';
    AppendEscaped(value.toUtf8());
    text_ += '"';
  }
  void String(const char* latin1) { String(QString::fromLatin1(latin1)); }
  void Number(double value) {
    Separate();
    if (!std::isfinite(value)) {
      text_ += "null";
      return;
    }
    // Qt keeps a whole number that a double holds exactly as an integer and writes it so;
    // asking Qt's own value which it became keeps the text identical.
    const QCborValue kept = QCborValue::fromJsonValue(QJsonValue(value));
    text_ += kept.isInteger() ? QByteArray::number(kept.toInteger())
                              : QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
  }
  void Null() {
    Separate();
    text_ += "null";
  }
  // Hands the text made so far to the sink; false once the sink failed.
  bool Flush() {
    const bool ok =
        out_.Write(std::string_view(text_.constData(), static_cast<size_t>(text_.size())));
    text_.clear();
    return ok;
  }
  // The document's end: Qt ends it with a line break.
  bool Finish() {
    text_ += '\n';
    return Flush();
  }

 private:
  // Before a value: the comma and line break after the previous member, and the indentation;
  // a value right after its key follows on the same line.
  void Separate() {
    if (keyed_) {
      keyed_ = false;
      return;
    }
    if (!counts_.empty()) {
      if (counts_.back()++ > 0) text_ += ',';
      text_ += '\n';
      Indent(counts_.size());
    }
  }
  void Open(char bracket) {
    Separate();
    text_ += bracket;
    counts_.push_back(0);
  }
  void Close(char bracket) {
    counts_.pop_back();
    text_ += '\n';
    Indent(counts_.size());
    text_ += bracket;
  }
  void Indent(size_t depth) { text_.append(static_cast<qsizetype>(4 * depth), ' '); }
  // Qt's escapes: the quote, the backslash, \b \f \n \r \t, \u00xx for the other control
  // characters; everything else as UTF-8.
  void AppendEscaped(const QByteArray& utf8) {
    static const char* const kHex = "0123456789abcdef";
    for (const char c : utf8) {
      const auto u = static_cast<unsigned char>(c);
      if (u >= 0x20 && c != '"' && c != '\\') {
        text_ += c;
        continue;
      }
      text_ += '\\';
      switch (c) {
        case '"':
          text_ += '"';
          break;
        case '\\':
          text_ += '\\';
          break;
        case '\b':
          text_ += 'b';
          break;
        case '\f':
          text_ += 'f';
          break;
        case '\n':
          text_ += 'n';
          break;
        case '\r':
          text_ += 'r';
          break;
        case '\t':
          text_ += 't';
          break;
        default:
          text_ += "u00";
          text_ += kHex[u >> 4];
          text_ += kHex[u & 0xF];
      }
    }
  }

  ByteSink& out_;
  QByteArray text_;
  std::vector<int> counts_;  // members written so far, per open object or array
  bool keyed_ = false;
};

void WritePlace(JsonWriter& json, int32_t number, const Bytes& name, const TextCodec& codec) {
  json.BeginObject();
  json.Key("name");
  json.String(codec.Decode(name));
  json.Key("number");
  json.Number(number);
  json.EndObject();
}

}  // namespace

QByteArray IsoDateTime(DateTime t) {
  const DateTimeParts p = DecodeDateTime(t);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", p.year, p.month, p.day, p.hour,
                p.minute, p.second);
  return text;
}

void WriteCsv(ByteSink& out, const Document& doc, const TextCatalog& texts,
              const DataExportOptions& options) {
  const TextCodec codec(options.codePage);
  CsvWriter csv(out);
  if (options.byteOrderMark) csv.Raw("\xEF\xBB\xBF");
  const std::string_view units = options.displayUnits;
  if (doc.ResultsDataLoaded()) {
    const int columns = std::clamp(doc.ColumnCount, 0, kMaxSignalCode);
    for (const char* key : {"Level1_8", "Level2_8", "BeginTime_10", "EndTime_10"})
      csv.Field(codec.Decode(texts.Translate(key)));
    for (int j = 1; j <= columns; ++j)
      csv.Field(Caption(doc.ColumnSignals[j], options, texts, codec));
    if (!csv.EndLine()) return;
    for (const int32_t index : doc.ShownTests) {
      const TTestsRecord& t = doc.AllTests[static_cast<size_t>(index)];
      csv.Field(codec.Decode(t.BuildingName));
      csv.Field(codec.Decode(t.RoomName));
      csv.Field(IsoDateTime(t.BeginTime));
      csv.Field(IsoDateTime(t.EndTime));
      for (int j = 1; j <= columns; ++j)
        csv.Value(FromShown(ShownTestValue(doc.ColumnSignals[j], t, units, '.')));
      if (!csv.EndLine()) return;
    }
  } else if (const TLoggerRecord* block = doc.LoggerDataLoaded() ? doc.Current() : nullptr) {
    const int signalCount = std::clamp(block->SignalCount, 0, kLoggerSignals);
    csv.Field(codec.Decode(texts.Translate("Time_10")));
    for (int k = 0; k < signalCount; ++k)
      csv.Field(Caption(block->SignalCodes[k], options, texts, codec));
    if (!csv.EndLine()) return;
    for (int s = 1; s <= block->SampleCount; ++s) {
      csv.Field(IsoDateTime(
          AddSeconds(block->BeginTime, static_cast<double>(block->IntervalSec) * (s - 1))));
      for (int k = 0; k < signalCount; ++k)
        csv.Value(FromShown(ShownLoggerValue(block->SignalCodes[k], s, *block, units, '.')));
      if (!csv.EndLine()) return;
    }
  } else if (options.byteOrderMark) {
    // Nothing to list: the mark alone, as before.
    out.Write("\xEF\xBB\xBF");
  }
}

void WriteJson(ByteSink& out, const Document& doc, const TextCatalog& texts,
               const DataExportOptions& options) {
  const TextCodec codec(options.codePage);
  const std::string_view units = options.displayUnits;
  const TInstrumentData& i = doc.InstrumentInfo;
  // Every value names its caption: made once per code, not once per value.
  std::vector<QString> captions(kMaxSignalCode + 1);
  const auto caption = [&](int code) {
    if (code < 0 || code > kMaxSignalCode) return Caption(code, options, texts, codec);
    QString& c = captions[static_cast<size_t>(code)];
    if (c.isNull()) c = Caption(code, options, texts, codec);
    return c;
  };
  JsonWriter json(out);
  json.BeginObject();
  if (doc.ResultsDataLoaded()) {
    // Members in key order: "instrument", "kind", "tests", "units".
  } else if (doc.LoggerDataLoaded()) {
    json.Key("blocks");
    json.BeginArray();
    for (const TLoggerRecord& b : doc.LoggerBlocks) {
      const int signalCount = std::clamp(b.SignalCount, 0, kLoggerSignals);
      json.BeginObject();
      json.Key("building");
      json.String(codec.Decode(b.BuildingName));
      json.Key("intervalSeconds");
      json.Number(b.IntervalSec);
      json.Key("room");
      json.String(codec.Decode(b.RoomName));
      json.Key("samples");
      json.BeginArray();
      std::vector<ScriptValue> values(static_cast<size_t>(signalCount));
      for (int s = 1; s <= b.SampleCount; ++s) {
        bool marked = false;
        for (int k = 0; k < signalCount; ++k) {
          values[static_cast<size_t>(k)] =
              FromShown(ShownLoggerValue(b.SignalCodes[k], s, b, units, '.'));
          marked = marked || *values[static_cast<size_t>(k)].mark != '\0';
        }
        json.BeginObject();
        if (marked) {
          json.Key("marks");
          json.BeginArray();
          for (const ScriptValue& v : values)
            json.String(v.mark);
          json.EndArray();
        }
        json.Key("time");
        json.String(QString::fromLatin1(
            IsoDateTime(AddSeconds(b.BeginTime, static_cast<double>(b.IntervalSec) * (s - 1)))));
        json.Key("values");
        json.BeginArray();
        for (const ScriptValue& v : values) {
          if (v.number) {
            json.Number(*v.number);
          } else {
            json.Null();
          }
        }
        json.EndArray();
        json.EndObject();
        if (!json.Flush()) return;
      }
      json.EndArray();
      json.Key("signals");
      json.BeginArray();
      for (int k = 0; k < signalCount; ++k) {
        json.BeginObject();
        json.Key("caption");
        json.String(caption(b.SignalCodes[k]));
        json.Key("code");
        json.Number(b.SignalCodes[k]);
        json.EndObject();
      }
      json.EndArray();
      json.Key("start");
      json.String(QString::fromLatin1(IsoDateTime(b.BeginTime)));
      json.Key("storedUnits");
      json.String(codec.Decode(b.UnitSystem));
      json.EndObject();
    }
    json.EndArray();
  }
  json.Key("instrument");
  json.BeginObject();
  json.Key("code");
  json.String(codec.Decode(i.InstrumentCode));
  json.Key("firmware");
  json.String(codec.Decode(i.FirmwareVersion));
  json.Key("producer");
  json.String(codec.Decode(i.Producer));
  json.Key("serial");
  json.String(codec.Decode(i.SerialNumber));
  json.Key("type");
  json.String(codec.Decode(i.InstrumentType));
  json.EndObject();
  json.Key("kind");
  json.String(doc.ResultsDataLoaded() ? "tests" : doc.LoggerDataLoaded() ? "logging" : "none");
  if (doc.ResultsDataLoaded()) {
    json.Key("tests");
    json.BeginArray();
    const int docSignals = std::clamp(doc.DocSignalCount, 0, kMaxSignalCode);
    for (const TTestsRecord& t : doc.AllTests) {
      json.BeginObject();
      json.Key("begin");
      json.String(QString::fromLatin1(IsoDateTime(t.BeginTime)));
      json.Key("building");
      WritePlace(json, t.BuildingNo, t.BuildingName, codec);
      json.Key("end");
      json.String(QString::fromLatin1(IsoDateTime(t.EndTime)));
      json.Key("room");
      WritePlace(json, t.RoomNo, t.RoomName, codec);
      json.Key("storedUnits");
      json.String(codec.Decode(t.UnitSystem));
      json.Key("values");
      json.BeginArray();
      for (int j = 1; j <= docSignals; ++j) {
        const int code = doc.DocSignals[j];
        if (code < 1 || code > kTestValueCount || t.SignalPresent[code] != 1) continue;
        const ScriptValue v = FromShown(ShownTestValue(code, t, units, '.'));
        json.BeginObject();
        json.Key("caption");
        json.String(caption(code));
        json.Key("code");
        json.Number(code);
        if (*v.mark != '\0') {
          json.Key("mark");
          json.String(v.mark);
        }
        json.Key("value");
        if (v.number) {
          json.Number(*v.number);
        } else {
          json.Null();
        }
        json.EndObject();
      }
      json.EndArray();
      json.EndObject();
      if (!json.Flush()) return;
    }
    json.EndArray();
  }
  json.Key("units");
  json.String(QString::fromStdString(options.displayUnits));
  json.EndObject();
  json.Finish();
}

QByteArray ExportCsvText(const Document& doc, const TextCatalog& texts,
                         const DataExportOptions& options) {
  Bytes out;
  StringSink sink(out);
  WriteCsv(sink, doc, texts, options);
  return QByteArray(out.data(), static_cast<qsizetype>(out.size()));
}

QByteArray ExportJsonText(const Document& doc, const TextCatalog& texts,
                          const DataExportOptions& options) {
  Bytes out;
  StringSink sink(out);
  WriteJson(sink, doc, texts, options);
  return QByteArray(out.data(), static_cast<qsizetype>(out.size()));
}

Outcome ExportData(ByteSink& out, DataFormat format, const Document& doc, const TextCatalog& texts,
                   const DataExportOptions& options) {
  const bool something = doc.ResultsDataLoaded() || (doc.LoggerDataLoaded() && doc.Current());
  if (!something) return Outcome::Refusal(texts.Translate("msgNoDatToExp_50"));
  if (format == DataFormat::Csv) {
    WriteCsv(out, doc, texts, options);
  } else {
    WriteJson(out, doc, texts, options);
  }
  return Outcome::Success();
}

Outcome ExportData(const QString& path, DataFormat format, const Document& doc,
                   const TextCatalog& texts, const DataExportOptions& options) {
  // Refused before the file is touched.
  const bool something = doc.ResultsDataLoaded() || (doc.LoggerDataLoaded() && doc.Current());
  if (!something) return Outcome::Refusal(texts.Translate("msgNoDatToExp_50"));
  const TextCodec codec(options.codePage);
  SafeFileSink file(path, codec);
  ExportData(file, format, doc, texts, options);
  if (std::optional<Bytes> failure = file.Commit()) return Outcome::Failure(std::move(*failure));
  return Outcome::Success();
}

}  // namespace qv

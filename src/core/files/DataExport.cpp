#include "files/DataExport.h"

#include "app/TextCatalog.h"
#include "files/SafeWrite.h"
#include "format/DateTimeText.h"
#include "format/ValueFormat.h"
#include "store/SignalCatalog.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>

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

class CsvWriter {
 public:
  explicit CsvWriter(QByteArray& out) : out_(out) {}
  void Field(const QByteArray& text) {
    if (!first_) out_ += ',';
    first_ = false;
    const bool quote = text.contains(',') || text.contains('"') || text.contains('\r') ||
                       text.contains('\n') || text.startsWith(' ') || text.endsWith(' ');
    if (!quote) {
      out_ += text;
      return;
    }
    QByteArray doubled = text;
    doubled.replace("\"", "\"\"");
    out_ += '"' + doubled + '"';
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
  void EndLine() {
    out_ += "\r\n";
    first_ = true;
  }

 private:
  QByteArray& out_;
  bool first_ = true;
};

QJsonValue JsonNumber(const ScriptValue& v) {
  return v.number ? QJsonValue(*v.number) : QJsonValue(QJsonValue::Null);
}

QJsonObject Place(int32_t number, const Bytes& name, const TextCodec& codec) {
  return {{QStringLiteral("number"), number}, {QStringLiteral("name"), codec.Decode(name)}};
}

}  // namespace

QByteArray IsoDateTime(DateTime t) {
  const DateTimeParts p = DecodeDateTime(t);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", p.year, p.month, p.day, p.hour,
                p.minute, p.second);
  return text;
}

QByteArray ExportCsvText(const Document& doc, const TextCatalog& texts,
                         const DataExportOptions& options) {
  const TextCodec codec(options.codePage);
  QByteArray out;
  if (options.byteOrderMark) out += "\xEF\xBB\xBF";
  CsvWriter csv(out);
  const std::string_view units = options.displayUnits;
  if (doc.ResultsDataLoaded) {
    const int columns = std::clamp(doc.ColumnCount, 0, kMaxSignalCode);
    for (const char* key : {"Level1_8", "Level2_8", "BeginTime_10", "EndTime_10"})
      csv.Field(codec.Decode(texts.Translate(key)));
    for (int j = 1; j <= columns; ++j)
      csv.Field(Caption(doc.ColumnSignals[j], options, texts, codec));
    csv.EndLine();
    for (const int32_t index : doc.ShownTests) {
      const TTestsRecord& t = doc.AllTests[static_cast<size_t>(index)];
      csv.Field(codec.Decode(t.BuildingName));
      csv.Field(codec.Decode(t.RoomName));
      csv.Field(IsoDateTime(t.BeginTime));
      csv.Field(IsoDateTime(t.EndTime));
      for (int j = 1; j <= columns; ++j)
        csv.Value(FromShown(ShownTestValue(doc.ColumnSignals[j], t, units, '.')));
      csv.EndLine();
    }
  } else if (const TLoggerRecord* block = doc.LoggerDataLoaded ? doc.Current() : nullptr) {
    const int signalCount = std::clamp(block->SignalCount, 0, kLoggerSignals);
    csv.Field(codec.Decode(texts.Translate("Time_10")));
    for (int k = 0; k < signalCount; ++k)
      csv.Field(Caption(block->SignalCodes[k], options, texts, codec));
    csv.EndLine();
    for (int s = 1; s <= block->SampleCount; ++s) {
      csv.Field(IsoDateTime(
          AddSeconds(block->BeginTime, static_cast<double>(block->IntervalSec) * (s - 1))));
      for (int k = 0; k < signalCount; ++k)
        csv.Value(FromShown(ShownLoggerValue(block->SignalCodes[k], s, *block, units, '.')));
      csv.EndLine();
    }
  }
  return out;
}

QByteArray ExportJsonText(const Document& doc, const TextCatalog& texts,
                          const DataExportOptions& options) {
  const TextCodec codec(options.codePage);
  const std::string_view units = options.displayUnits;
  const TInstrumentData& i = doc.InstrumentInfo;
  QJsonObject root{
      {QStringLiteral("instrument"),
       QJsonObject{{QStringLiteral("type"), codec.Decode(i.InstrumentType)},
                   {QStringLiteral("code"), codec.Decode(i.InstrumentCode)},
                   {QStringLiteral("firmware"), codec.Decode(i.FirmwareVersion)},
                   {QStringLiteral("serial"), codec.Decode(i.SerialNumber)},
                   {QStringLiteral("producer"), codec.Decode(i.Producer)}}},
      {QStringLiteral("units"), QString::fromStdString(options.displayUnits)},
  };
  if (doc.ResultsDataLoaded) {
    root[QStringLiteral("kind")] = QStringLiteral("tests");
    QJsonArray tests;
    for (const TTestsRecord& t : doc.AllTests) {
      QJsonArray values;
      for (int j = 1; j <= std::clamp(doc.DocSignalCount, 0, kMaxSignalCode); ++j) {
        const int code = doc.DocSignals[j];
        if (code < 1 || code > kTestValueCount || t.SignalPresent[code] != 1) continue;
        const ScriptValue v = FromShown(ShownTestValue(code, t, units, '.'));
        QJsonObject value{{QStringLiteral("code"), code},
                          {QStringLiteral("caption"), Caption(code, options, texts, codec)},
                          {QStringLiteral("value"), JsonNumber(v)}};
        if (*v.mark != '\0') value[QStringLiteral("mark")] = QString::fromLatin1(v.mark);
        values.append(value);
      }
      tests.append(
          QJsonObject{{QStringLiteral("building"), Place(t.BuildingNo, t.BuildingName, codec)},
                      {QStringLiteral("room"), Place(t.RoomNo, t.RoomName, codec)},
                      {QStringLiteral("begin"), QString::fromLatin1(IsoDateTime(t.BeginTime))},
                      {QStringLiteral("end"), QString::fromLatin1(IsoDateTime(t.EndTime))},
                      {QStringLiteral("storedUnits"), codec.Decode(t.UnitSystem)},
                      {QStringLiteral("values"), values}});
    }
    root[QStringLiteral("tests")] = tests;
  } else if (doc.LoggerDataLoaded) {
    root[QStringLiteral("kind")] = QStringLiteral("logging");
    QJsonArray blocks;
    for (const TLoggerRecord& b : doc.LoggerBlocks) {
      const int signalCount = std::clamp(b.SignalCount, 0, kLoggerSignals);
      QJsonArray columns;
      for (int k = 0; k < signalCount; ++k) {
        columns.append(QJsonObject{
            {QStringLiteral("code"), b.SignalCodes[k]},
            {QStringLiteral("caption"), Caption(b.SignalCodes[k], options, texts, codec)}});
      }
      QJsonArray samples;
      for (int s = 1; s <= b.SampleCount; ++s) {
        QJsonArray values;
        QJsonArray marks;
        bool marked = false;
        for (int k = 0; k < signalCount; ++k) {
          const ScriptValue v = FromShown(ShownLoggerValue(b.SignalCodes[k], s, b, units, '.'));
          values.append(JsonNumber(v));
          marks.append(QString::fromLatin1(v.mark));
          marked = marked || *v.mark != '\0';
        }
        QJsonObject sample{{QStringLiteral("time"),
                            QString::fromLatin1(IsoDateTime(AddSeconds(
                                b.BeginTime, static_cast<double>(b.IntervalSec) * (s - 1))))},
                           {QStringLiteral("values"), values}};
        if (marked) sample[QStringLiteral("marks")] = marks;
        samples.append(sample);
      }
      blocks.append(
          QJsonObject{{QStringLiteral("building"), codec.Decode(b.BuildingName)},
                      {QStringLiteral("room"), codec.Decode(b.RoomName)},
                      {QStringLiteral("start"), QString::fromLatin1(IsoDateTime(b.BeginTime))},
                      {QStringLiteral("intervalSeconds"), b.IntervalSec},
                      {QStringLiteral("storedUnits"), codec.Decode(b.UnitSystem)},
                      {QStringLiteral("signals"), columns},
                      {QStringLiteral("samples"), samples}});
    }
    root[QStringLiteral("blocks")] = blocks;
  } else {
    root[QStringLiteral("kind")] = QStringLiteral("none");
  }
  return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

Outcome ExportData(const QString& path, DataFormat format, const Document& doc,
                   const TextCatalog& texts, const DataExportOptions& options) {
  const bool something = doc.ResultsDataLoaded || (doc.LoggerDataLoaded && doc.Current());
  if (!something) return Outcome::Refusal(texts.Translate("msgNoDatToExp_50"));
  const QByteArray text = format == DataFormat::Csv ? ExportCsvText(doc, texts, options)
                                                    : ExportJsonText(doc, texts, options);
  if (std::optional<WriteFailure> failure =
          WriteFileSafely(path, {Bytes(text.constData(), static_cast<size_t>(text.size()))},
                          TextCodec(options.codePage))) {
    return Outcome::Failure(std::move(failure->message));
  }
  return Outcome::Success();
}

}  // namespace qv

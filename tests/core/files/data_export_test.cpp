// The JSON written as it is made must be the very bytes Qt's own JSON document makes of the same
// content (the layout scripts and earlier exports have seen), for results, logging blocks and
// texts that need escaping; and the writers stop at a sink that fails.
#include "files/DataExport.h"
#include "files/ResultsFile.h"
#include "files/TextExport.h"
#include "format/DateTimeText.h"
#include "format/ValueFormat.h"
#include "store/SignalCatalog.h"

#include "FilesTestSupport.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace qv {
namespace {

using test::DataFile;
using test::Texts;

// The document as a QJsonObject tree, the way the export was made before it was streamed.
QByteArray QtJson(const Document& doc, const DataExportOptions& options) {
  const TextCodec codec(options.codePage);
  const auto caption = [&](int code) {
    Bytes first, second;
    GetSignalCaption(code, options.displayUnits == "US" ? 'U' : 'S', Texts(), first, second);
    return codec.Decode(first + ' ' + second).simplified();
  };
  struct Shown {
    QJsonValue number;
    const char* mark;
  };
  const auto shown = [](const ValueText& v) {
    Shown s{QJsonValue(QJsonValue::Null), ""};
    if (v.text.empty() || v.text == kNoValueText) return s;
    bool ok = false;
    const double n = QByteArray::fromStdString(v.text).toDouble(&ok);
    if (ok) s.number = n;
    s.mark = v.high ? ">" : v.low ? "<" : "";
    return s;
  };
  const TInstrumentData& i = doc.InstrumentInfo;
  QJsonObject root{{"instrument", QJsonObject{{"type", codec.Decode(i.InstrumentType)},
                                              {"code", codec.Decode(i.InstrumentCode)},
                                              {"firmware", codec.Decode(i.FirmwareVersion)},
                                              {"serial", codec.Decode(i.SerialNumber)},
                                              {"producer", codec.Decode(i.Producer)}}},
                   {"units", QString::fromStdString(options.displayUnits)}};
  if (doc.ResultsDataLoaded()) {
    root["kind"] = "tests";
    QJsonArray tests;
    for (const TTestsRecord& t : doc.AllTests) {
      QJsonArray values;
      for (int j = 1; j <= std::clamp(doc.DocSignalCount, 0, kMaxSignalCode); ++j) {
        const int code = doc.DocSignals[j];
        if (code < 1 || code > kTestValueCount || t.SignalPresent[code] != 1) continue;
        const Shown v = shown(ShownTestValue(code, t, options.displayUnits, '.'));
        QJsonObject value{{"code", code}, {"caption", caption(code)}, {"value", v.number}};
        if (*v.mark != '\0') value["mark"] = v.mark;
        values.append(value);
      }
      tests.append(QJsonObject{
          {"building",
           QJsonObject{{"number", t.BuildingNo}, {"name", codec.Decode(t.BuildingName)}}},
          {"room", QJsonObject{{"number", t.RoomNo}, {"name", codec.Decode(t.RoomName)}}},
          {"begin", QString::fromLatin1(IsoDateTime(t.BeginTime))},
          {"end", QString::fromLatin1(IsoDateTime(t.EndTime))},
          {"storedUnits", codec.Decode(t.UnitSystem)},
          {"values", values}});
    }
    root["tests"] = tests;
  } else if (doc.LoggerDataLoaded()) {
    root["kind"] = "logging";
    QJsonArray blocks;
    for (const TLoggerRecord& b : doc.LoggerBlocks) {
      const int count = std::clamp(b.SignalCount, 0, kLoggerSignals);
      QJsonArray columns, samples;
      for (int k = 0; k < count; ++k)
        columns.append(
            QJsonObject{{"code", b.SignalCodes[k]}, {"caption", caption(b.SignalCodes[k])}});
      for (int s = 1; s <= b.SampleCount; ++s) {
        QJsonArray values, marks;
        bool marked = false;
        for (int k = 0; k < count; ++k) {
          const Shown v =
              shown(ShownLoggerValue(b.SignalCodes[k], s, b, options.displayUnits, '.'));
          values.append(v.number);
          marks.append(v.mark);
          marked = marked || *v.mark != '\0';
        }
        QJsonObject sample{
            {"time", QString::fromLatin1(IsoDateTime(
                         AddSeconds(b.BeginTime, static_cast<double>(b.IntervalSec) * (s - 1))))},
            {"values", values}};
        if (marked) sample["marks"] = marks;
        samples.append(sample);
      }
      blocks.append(QJsonObject{{"building", codec.Decode(b.BuildingName)},
                                {"room", codec.Decode(b.RoomName)},
                                {"start", QString::fromLatin1(IsoDateTime(b.BeginTime))},
                                {"intervalSeconds", b.IntervalSec},
                                {"storedUnits", codec.Decode(b.UnitSystem)},
                                {"signals", columns},
                                {"samples", samples}});
    }
    root["blocks"] = blocks;
  } else {
    root["kind"] = "none";
  }
  return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

Document Read(const std::string& bytes) {
  Document doc;
  const OpenOutcome r = ReadResultsFile(bytes, doc, Texts());
  EXPECT_TRUE(r.outcome.ok()) << r.outcome.message;
  return doc;
}

TEST(DataExport, StreamedJsonIsWhatQtsDocumentMakes) {
  // Texts that need escaping or are not ASCII (windows-1252: a-umlaut, the euro sign, a byte
  // the code page leaves undefined), the control bytes a name may carry, values of every kind.
  const std::string hostile = std::string("Q\"uote\\back/slash\ttab\x01\x1F\x7F \xE4\x80\x81", 21);
  Document results = Read(DataFile("ver1_results.qvl"));
  results.AllTests[0].BuildingName = hostile;
  results.AllTests[0].RoomName.clear();
  results.AllTests[1].UnitSystem = "U\nS";
  results.AllTests[1].Values[StoragePos(1)] = 1e6;     // a whole number Qt writes in full
  results.AllTests[1].Values[StoragePos(2)] = -40000;  // below the plausible range: marked
  Document logging = Read(DataFile("ver2_logger.qvl"));
  logging.LoggerBlocks[0].RoomName = hostile;
  Document nothing;
  nothing.InstrumentInfo.InstrumentType = hostile;

  for (const auto& [name, doc] : {std::pair{"results", &results}, std::pair{"logging", &logging},
                                  std::pair{"none", &nothing}}) {
    for (const char* units : {"SI", "US"}) {
      SCOPED_TRACE(std::string(name) + " " + units);
      DataExportOptions options;
      options.displayUnits = units;
      EXPECT_EQ(ExportJsonText(*doc, Texts(), options), QtJson(*doc, options));
    }
  }
}

// A sink that takes a few pieces, then fails.
class FailingSink : public ByteSink {
 public:
  explicit FailingSink(int pieces) : left_(pieces) {}
  bool Write(std::string_view) override {
    ++writes;
    return --left_ >= 0;
  }
  int writes = 0;

 private:
  int left_;
};

TEST(DataExport, WritersStopAtAFailingSink) {
  Document results = Read(DataFile("ver1_results.qvl"));
  results.AllTests.resize(2000, results.AllTests[0]);
  results.ShownTests.clear();
  for (int i = 0; i < 2000; ++i)
    results.ShownTests.push_back(i);
  DataExportOptions options;
  for (const int format : {0, 1, 2}) {
    SCOPED_TRACE(format);
    FailingSink sink(3);
    if (format == 0) WriteJson(sink, results, Texts(), options);
    if (format == 1) WriteCsv(sink, results, Texts(), options);
    if (format == 2) WriteResultsText(sink, results, Texts(), ExportOptions{});
    // Not one write per test once nothing more can arrive.
    EXPECT_EQ(sink.writes, 4);
  }
}

}  // namespace
}  // namespace qv

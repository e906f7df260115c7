// Shared helpers of the archive tests: results files written by the application's own writer
// from small documents, and the rows a query must give, read back from the files themselves.
#pragma once

#include "app/TextCatalog.h"
#include "archive/Archive.h"
#include "files/DataExport.h"
#include "files/ResultsFile.h"
#include "format/DateTimeText.h"
#include "store/SignalCatalog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

namespace qv::test {

inline const TextCatalog& Texts() {
  static const TextCatalog texts = TextCatalog::FromBytes(
      "[Language]\r\n"
      "msgNoDataToSave_35=Nothing to save\r\n"
      "msgFileNotCorrect_35=Not a results file\r\n"
      "Unit-Cels_10=\xB0"
      "C\r\n"
      "Unit-Farh_10=\xB0"
      "F\r\n"
      "Unit-ProcRH_10=%RH\r\n"
      "Unit-M/S_10=m/s\r\n"
      "Unit-FT/MIN_10=ft/min\r\n"
      "Unit-Ppm_10=ppm\r\n");
  return texts;
}

inline DateTime Day(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  return *EncodeDateTime({year, month, day, hour, minute, second, 0});
}

struct NewTest {
  Bytes building;
  Bytes room;
  DateTime begin;
  std::vector<std::pair<int, double>> values;  // code, value
  Bytes units = "SI";
};

struct NewBlock {
  Bytes building;
  Bytes room;
  DateTime begin;
  int intervalSec;
  std::vector<int> codes;
  std::vector<std::vector<double>> samples;  // [sample][listed code]
  Bytes units = "SI";
};

inline void Identify(Document& doc, const Bytes& serial) {
  // The settings block a download keeps: eight NUL-ended texts (type, model code, producer,
  // firmware, unused, serial number, memory use) and the settings after them. A file carries
  // the block, and the identification is read from it.
  using namespace std::string_literals;
  doc.InstrumentInfo.SettingsBlock =
      "QV-PRO 5\0"s
      "5025\0"s
      "Quorvantel Instruments\0"s
      "5.12\0"s
      "\0"s +
      serial +
      "\0"s
      "3\0"s
      "1\0"s
      "\xFF\x01"s;
  DecodeIdentification(doc.InstrumentInfo.SettingsBlock, doc.InstrumentInfo);
}

inline Document TestsDocument(const std::vector<NewTest>& tests, const Bytes& serial = "24031907",
                              const Bytes& comments = {}) {
  Document doc;
  Identify(doc, serial);
  doc.Header.Comments = comments;
  doc.Header.Lines[PrintHeader::Operator1] = "J\xFCrgen Weiss";
  doc.Kind = DocumentKind::Results;
  std::vector<int> codes;
  int n = 0;
  for (const NewTest& wanted : tests) {
    const int i = doc.AddTestRecord();
    TTestsRecord& t = doc.AllTests[static_cast<size_t>(i)];
    t.BuildingName = wanted.building;
    t.RoomName = wanted.room;
    t.BuildingNo = 1;
    t.RoomNo = ++n;
    t.BeginTime = wanted.begin;
    t.EndTime = wanted.begin + 1.0 / 1440;
    t.UnitSystem = wanted.units;
    t.Params.DuctShape = -1;
    t.Params.Altitude = t.Params.SideA = t.Params.SideB = t.Params.Radius = t.Params.MetabolicRate =
        t.Params.Clothing = -1;
    for (const auto& [code, value] : wanted.values) {
      doc.StoreTestValue(i, code, value);
      codes.push_back(code);
    }
  }
  std::sort(codes.begin(), codes.end());
  codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
  for (const int c : codes) {
    ++doc.DocSignalCount;
    doc.DocSignals[doc.DocSignalCount] = doc.ColumnSignals[doc.DocSignalCount] = c;
  }
  doc.ColumnCount = doc.DocSignalCount;
  doc.ShowAllTests();
  return doc;
}

inline Document LoggingDocument(const std::vector<NewBlock>& blocks,
                                const Bytes& serial = "24031907") {
  Document doc;
  Identify(doc, serial);
  doc.Kind = DocumentKind::Logging;
  for (const NewBlock& wanted : blocks) {
    TLoggerRecord& b = doc.LoggerBlocks.emplace_back();
    b.BuildingName = wanted.building;
    b.RoomName = wanted.room;
    b.BeginTime = wanted.begin;
    b.IntervalSec = wanted.intervalSec;
    b.UnitSystem = wanted.units;
    b.SampleCount = static_cast<int>(wanted.samples.size());
    for (const int c : wanted.codes) {
      b.SignalCodes[static_cast<size_t>(b.SignalCount++)] = c;
      b.SignalPresent[static_cast<size_t>(c)] = 1;
    }
    const int index = static_cast<int>(doc.LoggerBlocks.size()) - 1;
    doc.SizeSampleArrays(index, b.SampleCount);
    for (int s = 0; s < b.SampleCount; ++s) {
      for (size_t k = 0; k < wanted.codes.size(); ++k)
        doc.StoreSample(index, static_cast<int>(k) + 1, s, wanted.samples[s][k]);
    }
  }
  return doc;
}

// Writes the document as the application saves it; the bytes written.
inline std::string Save(const QString& path, Document doc) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  const Outcome saved = SaveResultsFile(path, doc, Texts());
  EXPECT_TRUE(saved.ok()) << saved.message;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QByteArray b = f.readAll();
  return std::string(b.constData(), static_cast<size_t>(b.size()));
}

// A query row as plain values, for comparing.
struct Row {
  Bytes building;
  Bytes room;
  DateTime time;
  int code;
  double value;
  Bytes units;
  bool operator==(const Row&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Row& r) {
  return os << r.building << "/" << r.room << " " << IsoDateTime(r.time).constData() << " code "
            << r.code << " = " << r.value << " " << r.units;
}

// What the viewers show as no value.
inline bool NoSample(double v) {
  return !std::isfinite(v) || v >= NoValueThreshold;
}

// The rows of one file, read back with the file reader: every test value and logged sample
// with a value, as the archive must give them.
inline std::vector<Row> RowsOfFile(const QString& path) {
  Document doc;
  const OpenOutcome read = OpenResultsFile(path, doc, Texts());
  EXPECT_TRUE(read.outcome.ok()) << read.outcome.message;
  std::vector<Row> rows;
  for (const TTestsRecord& t : doc.AllTests) {
    for (int code = 1; code <= kTestValueCount; ++code) {
      const double v = t.Values[static_cast<size_t>(StoragePos(code))];
      if (t.SignalPresent[static_cast<size_t>(code)] == 0 || NoSample(v)) continue;
      rows.push_back({t.BuildingName, t.RoomName, t.BeginTime, code, v, t.UnitSystem});
    }
  }
  for (const TLoggerRecord& b : doc.LoggerBlocks) {
    for (int s = 0; s < b.SampleCount; ++s) {
      for (int k = 0; k < b.SignalCount; ++k) {
        const int code = b.SignalCodes[static_cast<size_t>(k)];
        if (code < 1 || code > kLoggerSignals) continue;
        const double v = b.Samples[static_cast<size_t>(StoragePos(code))][static_cast<size_t>(s)];
        if (NoSample(v)) continue;
        rows.push_back({b.BuildingName, b.RoomName,
                        AddSeconds(b.BeginTime, static_cast<double>(b.IntervalSec) * s), code, v,
                        b.UnitSystem});
      }
    }
  }
  return rows;
}

inline std::vector<Row> Rows(Archive& archive, const ArchiveFilter& filter = {}) {
  std::vector<Row> rows;
  const Outcome o = archive.Query(filter, [&](const ArchiveRow& r) {
    rows.push_back({r.building, r.room, r.time, r.code, r.value, r.units});
    return true;
  });
  EXPECT_TRUE(o.ok()) << o.message;
  return rows;
}

}  // namespace qv::test

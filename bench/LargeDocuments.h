// The largest documents the benchmarks work on: 5000 tests x 67 values (more than any
// instrument holds) and one logging block of 4096 samples x 64 signals.
#pragma once

#include "store/Document.h"
#include "store/SignalCatalog.h"

#include <string>

namespace qv::bench {

inline constexpr int kTests = 5000;
inline constexpr int kSamples = 4096;

// A plausible reading of a code: inside its quantity's window, with varying decimals.
inline double Reading(int code, int i) {
  const double wobble = (i % 97) * 0.137;
  switch (QuantityOf(code)) {
    case 4:
    case 17:
      return 0.05 + wobble / 10;  // air velocity, multipoint
    case 5:
      return 500 + wobble * 30;  // volume flow
    case 6:
      return 300 + wobble * 5;  // illumination
    case 15:
      return 600 + wobble * 10;  // CO2
    default:
      return 15 + wobble;
  }
}

inline Document LargeResults() {
  Document doc;
  doc.Kind = DocumentKind::Results;
  for (int c = 1; c <= kTestValueCount; ++c)
    doc.DocSignals[c] = doc.ColumnSignals[c] = c;
  doc.DocSignalCount = doc.ColumnCount = kTestValueCount;
  doc.AllTests.reserve(kTests);
  for (int i = 0; i < kTests; ++i) {
    TTestsRecord& t = doc.AllTests[doc.AddTestRecord()];
    t.UnitSystem = i % 5 == 0 ? "US" : "SI";
    t.BuildingNo = 1 + i % 20;
    t.RoomNo = 1 + i % 50;
    t.BuildingName = "Building " + std::to_string(t.BuildingNo);
    t.RoomName = "Room " + std::to_string(t.RoomNo);
    t.BeginTime = 39141.5 + i / 1440.0;
    t.EndTime = t.BeginTime + 1 / 2880.0;
    t.Params.DuctShape = -1;
    t.Params.Altitude = t.Params.SideA = t.Params.SideB = t.Params.Radius = t.Params.MetabolicRate =
        t.Params.Clothing = -1;
    for (int c = 1; c <= kTestValueCount; ++c) {
      t.SignalPresent[c] = 1;
      t.Values[StoragePos(c)] = Reading(c, i + c);
    }
  }
  doc.ShowAllTests();
  return doc;
}

inline Document LargeLogger() {
  Document doc;
  doc.Kind = DocumentKind::Logging;
  TLoggerRecord b;
  b.BuildingName = "Plant";
  b.RoomName = "Hall";
  b.BeginTime = 39141.5;
  b.IntervalSec = 10;
  b.UnitSystem = "SI";
  b.SampleCount = kSamples;
  for (int c = 1; c <= kLoggerSignals; ++c) {
    b.SignalCodes[b.SignalCount++] = c;
    b.SignalPresent[c] = 1;
    std::vector<double>& samples = b.Samples[StoragePos(c)];
    samples.resize(kSamples);
    for (int s = 0; s < kSamples; ++s)
      samples[s] = Reading(c, s + c);
  }
  doc.LoggerBlocks.push_back(std::move(b));
  return doc;
}

}  // namespace qv::bench

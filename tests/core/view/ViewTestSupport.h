// Small documents for the view tests, and a text width that counts characters.
#pragma once

#include "app/TextCatalog.h"
#include "format/DateTimeText.h"
#include "store/Document.h"
#include "store/SignalCatalog.h"

#include <initializer_list>
#include <utility>

namespace qv::test {

// Seven pixels a character: widths are then easy to reckon by hand.
inline int CharWidth(const Bytes& text) {
  return 7 * static_cast<int>(text.size());
}

inline const TextCatalog& Texts() {
  static const TextCatalog texts = TextCatalog::FromBytes(
      "[Language]\n"
      "No_3=No.\nLocation_10=Location\nBeginTime_10=Start time\nEndTime_10=End time\n"
      "Time_10=Time\nAirTemp_10=Air temp.\nRelHum_10=Rel. humidity\nAirVel_10=Air velocity\n"
      "Curr_5=Curr\nMin_5=Min\nAvg_5=Avg\nMax_5=Max\n"
      "Unit-Cels_10=degC\nUnit-Farh_10=degF\nUnit-ProcRH_10=%RH\nUnit-M/S_10=m/s\n"
      "Unit-FT/MIN_10=ft/min\n");
  return texts;
}

inline DateTime At(int year, int month, int day, int hour, int minute, int second) {
  return *EncodeDateTime({year, month, day, hour, minute, second, 0});
}

// Appends an SI test at building/room with the given code values.
inline int AddTest(Document& doc, int building, int room, const char* buildingName,
                   const char* roomName, std::initializer_list<std::pair<int, double>> values) {
  const int i = doc.AddTestRecord();
  TTestsRecord& t = doc.AllTests[static_cast<size_t>(i)];
  t.UnitSystem = "SI";
  t.BuildingNo = building;
  t.RoomNo = room;
  // Built, then moved in: GCC 12 at -O3 takes assign(const char*) on these records for an
  // overlapping copy (-Wrestrict).
  t.BuildingName = Bytes(buildingName);
  t.RoomName = Bytes(roomName);
  for (const auto& [code, value] : values)
    doc.StoreTestValue(i, code, value);
  return i;
}

// A logging document with one SI block of `samples` samples of the given codes, sample k of
// code c being c + k / 10.
inline Document LoggingDocument(int samples, std::initializer_list<int> codes) {
  Document doc;
  doc.Kind = DocumentKind::Logging;
  TLoggerRecord& b = doc.LoggerBlocks.emplace_back();
  b.UnitSystem = "SI";
  b.IntervalSec = 90;
  b.BeginTime = At(2024, 3, 5, 23, 58, 0);
  b.SampleCount = samples;
  for (int code : codes) {
    b.SignalCodes[static_cast<size_t>(b.SignalCount++)] = code;
    b.SignalPresent[static_cast<size_t>(code)] = 1;
  }
  doc.SizeSampleArrays(0, samples);
  for (int pos = 1; pos <= b.SignalCount; ++pos) {
    for (int k = 0; k < samples; ++k)
      doc.StoreSample(0, pos, k, b.SignalCodes[pos - 1] + k / 10.0);
  }
  return doc;
}

}  // namespace qv::test

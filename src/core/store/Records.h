// The record types of the measurement store.
#pragma once

#include "base/Types.h"

#include <array>
#include <vector>

namespace qv {

// The calculation parameters a test or a logging block was measured with: the duct of a flow
// measurement, the altitude, and the metabolic rate and clothing of a comfort measurement.
struct TCalcParameters {
  int32_t DuctShape = 0;  // 1 rectangular, 0 circular, -1 no parameters
  double Altitude = 0;
  double SideA = 0;
  double SideB = 0;
  double Radius = 0;
  double MetabolicRate = 0;
  double Clothing = 0;
};

// One result: a test measured at one place.
struct TTestsRecord {
  Bytes UnitSystem;                                         // "SI", "US" or empty
  std::array<uint8_t, kMaxSignalCode + 1> SignalPresent{};  // by code 1..68; [0] unused
  int32_t RecordIndex = 0;
  Bytes BuildingName;
  Bytes RoomName;
  int32_t BuildingNo = 0;
  int32_t RoomNo = 0;
  DateTime BeginTime = 0;
  DateTime EndTime = 0;
  TCalcParameters Params;
  std::array<double, kTestValueCount> Values{};  // by StoragePos(code)
};

// One logging block: samples at a fixed interval, all with the same signals.
struct TLoggerRecord {
  std::array<int32_t, kLoggerSignals> SignalCodes{};        // ascending; first SignalCount valid
  std::array<uint8_t, kLoggerSignals + 1> SignalPresent{};  // by code 1..64; [0] unused
  std::array<uint8_t, kLoggerSignals + 1> ColumnShade{};    // by code 1..64; [0] unused
  int32_t IntervalSec = 0;
  Bytes UnitSystem;
  uint8_t Selected = 0;
  int32_t FirstPage = 0;
  int32_t LastPage = 0;
  DateTime BeginTime = 0;
  Bytes BuildingName;
  Bytes RoomName;
  int32_t SampleCount = 0;
  int32_t SignalCount = 0;
  TCalcParameters Params;
  std::array<std::vector<double>, kLoggerSignals> Samples;  // by StoragePos(code)
  // The memory pages the directory lists for this block, in directory order. A download
  // fetches exactly these (FirstPage..LastPage need not be contiguous in memory).
  std::vector<int32_t> Pages;
};

// Identification of the instrument that produced the data.
struct TInstrumentData {
  Bytes SettingsBlock;  // as received, every byte kept
  Bytes InstrumentType;
  Bytes InstrumentCode;
  Bytes FirmwareVersion;
  Bytes SerialNumber;
  Bytes Producer;
};

struct TTestTreeRecord {
  int32_t RoomNo = 0;
  Bytes RoomName;
};

struct THouseTreeRecord {
  int32_t BuildingNo = 0;
  Bytes BuildingName;
  std::vector<TTestTreeRecord> Rooms;
};

// The texts that head a printed report and travel in results files.
struct PrintHeader {
  enum Line { Operator1, Operator2, TestSite1, TestSite2, Footer, LineCount };
  // Probes in file order; each has a serial number and a type.
  enum Probe { Temp, Hum, AirVel, Ill, ThCoup, Globe, Lum, CO2, CO, Adap, ProbeCount };
  std::array<Bytes, LineCount> Lines;
  std::array<Bytes, ProbeCount> ProbeSerNo;
  std::array<Bytes, ProbeCount> ProbeType;
  Bytes Comments;  // lines separated by CR LF
};

}  // namespace qv

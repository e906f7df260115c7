// A description of an instrument memory in plain terms: identification texts, result tests
// and logging blocks. MemoryImage.h turns it into the bytes the instrument sends; tests use
// the same description to state what a download must produce.
#pragma once

#include "memimage/Encoding.h"

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace qv::emu {

inline constexpr int kMultipointQuantity = 17;
inline constexpr int kParameterEntry = 18;

// Quantity number 1..17 of a name such as "AirTemp" or "CO2" (case-insensitive), 0 if unknown.
int QuantityByName(std::string_view name);
// The name of a quantity 1..17, empty otherwise.
std::string_view QuantityName(int quantity);

// The eight texts at the head of the settings block, then further settings bytes.
struct Identification {
  std::string type = "QV-100";
  std::string code = "100";
  std::string producer = "Quorvantel Instruments";
  std::string firmware = "1.00";
  std::string unused;
  std::string serial = "00000001";
  std::string resultsPercent = "0";
  std::string loggingPercent = "0";
  ByteVec extra;  // settings bytes after the eight texts
};

// Calculation parameters as the parameter entry carries them. Mode 1 writes altitude, sideA,
// sideB, metabolic rate and clothing; mode 0 altitude, radius, metabolic rate and clothing;
// any other mode altitude, metabolic rate and clothing.
struct CalcParams {
  int mode = 1;
  float altitude = 0, sideA = 0, sideB = 0, radius = 0, metabolicRate = 0, clothing = 0;
};

// One value entry: a quantity 1..17 and Current, Minimum, Average, Maximum (the fourth
// value of quantity 17 is not used by the application).
struct QuantityValues {
  int quantity = 0;
  std::array<float, 4> values{};
};

// A date-time as it goes into a page: a calendar stamp, or six raw bytes to write as they are
// (to describe broken pages).
struct PageTime {
  Stamp stamp;
  std::optional<std::array<uint8_t, 6>> raw;
  std::array<uint8_t, 6> Bytes() const { return raw ? *raw : BcdDateTime(stamp); }
};

struct ResultTest {
  int page = -1;  // page address; -1 = next free address
  int buildingNo = 0, roomNo = 0;
  std::string buildingName, roomName;
  PageTime begin, end;
  int unitByte = 1;                    // 1 SI, 0 US; anything else is written as it is
  int kind = 1;                        // page kind byte
  std::vector<QuantityValues> values;  // in page order
  std::optional<CalcParams> params;
  bool deleted = false;           // directory flags bit 6: belongs to neither memory
  std::optional<int> dataLength;  // overrides the data length D of the page
};

struct LoggingBlock {
  int number = 0;  // block number 1..63 in the directory flags; 0 = next in turn
  int intervalSec = 60;
  Stamp start;
  std::string buildingName, roomName;
  int unitByte = 1;
  std::vector<int> quantities;  // 1..16, in page order
  // One row per sample: four numbers (Current, Minimum, Average, Maximum) per quantity.
  std::vector<std::vector<std::array<float, 4>>> samples;
  std::optional<CalcParams> params;
  bool endBit = false;     // bit 7 on the flags of the block's last directory entry
  bool deleted = false;    // bit 6 on every entry of the block
  std::vector<int> pages;  // explicit page addresses, one per sample; empty = next free
  // Page time of a sample: start + k * interval, end one interval later.
  Stamp SampleBegin(int k) const { return AddSeconds(start, int64_t{k} * intervalSec); }
};

struct MemoryModel {
  Identification ident;
  std::optional<ByteVec> rawSettings;  // replaces the settings block built from ident
  std::vector<ResultTest> results;     // directory order, before the logging entries
  std::vector<LoggingBlock> blocks;
  std::set<int> badChecksumPages;  // pages stored with a wrong checksum
  int firstPage = 1;               // where automatic page addresses start
};

}  // namespace qv::emu

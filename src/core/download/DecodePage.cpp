#include "download/MemoryDecoder.h"

#include "format/DateTimeText.h"
#include "store/SignalCatalog.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

namespace qv {

namespace {

constexpr size_t kHeadBytes = 22;  // checksum, length, kind, begin and end date-times
constexpr size_t kValueEntryBytes = 18;
constexpr int kMultipoint = 17;
constexpr uint8_t kParameterEntry = 18;

size_t ParameterEntryBytes(uint8_t mode) {
  return mode == 1 ? 23 : mode == 0 ? 19 : 15;
}

// The page as far as it may be read: never beyond its 264 bytes nor beyond what was given.
struct PageBytes {
  const uint8_t* data;
  size_t size;
  size_t dataEnd;  // E, cut at the page end
};

PageBytes Bound(const uint8_t* page, size_t size) {
  PageBytes p{page, std::min(size, kPageBytes), 0};
  if (p.size >= 6) p.dataEnd = std::min<size_t>((size_t{page[4]} << 8 | page[5]) + 6, p.size);
  return p;
}

// A text ended by NUL; without one it runs to the page end. `pos` moves past the NUL.
Bytes ReadText(const PageBytes& p, size_t& pos) {
  const size_t start = std::min(pos, p.size);
  const void* nul = std::memchr(p.data + start, 0, p.size - start);
  const size_t end = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - p.data) : p.size;
  pos = nul ? end + 1 : p.size;
  return Bytes(reinterpret_cast<const char*>(p.data + start), end - start);
}

struct PageHead {
  uint8_t kind = 0;
  DateTime begin = 0;
  DateTime end = 0;
  Bytes buildingName;
  Bytes roomName;
  size_t pos = 0;  // after the room name
};

// nullopt for a page too short for its head or with an impossible date or time.
std::optional<PageHead> ReadHead(const PageBytes& p) {
  if (p.size < kHeadBytes) return std::nullopt;
  const std::optional<DateTime> begin = DecodeBcdDateTime(p.data + 10);
  const std::optional<DateTime> end = DecodeBcdDateTime(p.data + 16);
  if (!begin || !end) return std::nullopt;
  PageHead h;
  h.kind = p.data[8];
  h.begin = *begin;
  h.end = *end;
  h.pos = kHeadBytes;
  h.buildingName = ReadText(p, h.pos);
  h.roomName = ReadText(p, h.pos);
  return h;
}

// 0 -> "US", 1 -> "SI", anything else leaves the text as it was. `pos` moves past the byte.
void ReadUnit(const PageBytes& p, size_t& pos, Bytes& unitSystem) {
  if (pos >= p.size) return;
  const uint8_t u = p.data[pos++];
  if (u == 0) unitSystem = "US";
  if (u == 1) unitSystem = "SI";
}

struct Parameters {
  int32_t DuctShape = 0;
  std::optional<double> Altitude, SideA, SideB, Radius, MetabolicRate, Clothing;
};

// The parameter entry at `pos` (its length depends on its mode); nullopt when it would run
// past the page.
std::optional<Parameters> ReadParameters(const PageBytes& p, size_t pos, size_t& length) {
  if (pos + 3 > p.size) return std::nullopt;
  const uint8_t mode = p.data[pos + 2];
  length = ParameterEntryBytes(mode);
  if (pos + length > p.size) return std::nullopt;
  const uint8_t* v = p.data + pos + 3;
  auto next = [&v]() {
    const double d = DecodeFloat(v);
    v += 4;
    return d;
  };
  Parameters out;
  out.DuctShape = mode;
  out.Altitude = next();
  if (mode == 1) {
    out.SideA = next();
    out.SideB = next();
  } else if (mode == 0) {
    out.Radius = next();
  }
  out.MetabolicRate = next();
  out.Clothing = next();
  return out;
}

template <typename Record>
void ApplyParameters(const Parameters& src, Record& r) {
  r.Params.DuctShape = src.DuctShape;
  if (src.Altitude) r.Params.Altitude = *src.Altitude;
  if (src.SideA) r.Params.SideA = *src.SideA;
  if (src.SideB) r.Params.SideB = *src.SideB;
  if (src.Radius) r.Params.Radius = *src.Radius;
  if (src.MetabolicRate) r.Params.MetabolicRate = *src.MetabolicRate;
  if (src.Clothing) r.Params.Clothing = *src.Clothing;
}

// Calls `onValues` for every value entry and `onParameters` for the parameter entry, from
// `pos` while the position is before E. Any other first byte is passed over as 18 bytes; an
// entry that would run past the page ends the walk.
void WalkEntries(const PageBytes& p, size_t pos,
                 const std::function<void(int quantity, const uint8_t* values)>& onValues,
                 const std::function<void(const Parameters&)>& onParameters) {
  while (pos < p.dataEnd) {
    const uint8_t first = p.data[pos];
    if (first == kParameterEntry) {
      size_t length = 0;
      const std::optional<Parameters> params = ReadParameters(p, pos, length);
      if (!params) return;
      onParameters(*params);
      pos += length;
      continue;
    }
    if (pos + kValueEntryBytes > p.size) return;
    if (first >= 1 && first <= kMultipoint) onValues(first, p.data + pos + 2);
    pos += kValueEntryBytes;
  }
}

int CodeOf(int quantity, int statistic) {
  return 4 * (quantity - 1) + statistic;
}

}  // namespace

double DecodeFloat(const uint8_t bytes[4]) {
  const uint32_t bits =
      uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
  float f = 0;
  static_assert(sizeof f == sizeof bits);
  std::memcpy(&f, &bits, sizeof f);
  return static_cast<double>(f);
}

bool CheckPage(const uint8_t* page, size_t size) {
  if (size < kPageBytes) return false;
  const uint32_t stored =
      uint32_t{page[0]} << 24 | uint32_t{page[1]} << 16 | uint32_t{page[2]} << 8 | page[3];
  return stored == ByteSumOf(page + 4, kPageBytes - 4);
}

namespace {

// The result decoding shared by both forms; `store` files one value under its code.
PageOutcome DecodeResult(const PageBytes& p, TTestsRecord& record, std::array<bool, 18>& groupFlags,
                         const std::function<void(int code, double value)>& store) {
  const std::optional<PageHead> head = ReadHead(p);
  if (!head) return PageOutcome::Bad;
  if (head->kind >= 2 && head->kind <= 4) return PageOutcome::Dropped;
  record.BeginTime = head->begin;
  record.EndTime = head->end;
  record.BuildingName = head->buildingName;
  record.RoomName = head->roomName;
  if (head->kind != 1) return PageOutcome::Kept;

  size_t pos = head->pos;
  ReadUnit(p, pos, record.UnitSystem);
  record.Params.DuctShape = -1;
  record.Params.Altitude = record.Params.SideA = record.Params.SideB = record.Params.Radius = -1;
  record.Params.MetabolicRate = record.Params.Clothing = -1;
  WalkEntries(
      p, pos,
      [&](int t, const uint8_t* v) {
        groupFlags[t] = true;
        const int count = t == kMultipoint ? 3 : 4;
        for (int j = 1; j <= count; ++j)
          store(CodeOf(t, j), DecodeFloat(v + 4 * (j - 1)));
      },
      [&](const Parameters& params) { ApplyParameters(params, record); });
  return PageOutcome::Kept;
}

}  // namespace

PageOutcome DecodeResultPage(const uint8_t* page, Document& doc, int recordIndex, size_t size) {
  if (recordIndex < 0 || recordIndex >= static_cast<int>(doc.AllTests.size()))
    return PageOutcome::Bad;
  // The flags change only when the page is kept: gather them apart first.
  std::array<bool, 18> flags = doc.SignalGroupFlags;
  std::vector<std::pair<int, double>> values;
  TTestsRecord record = doc.AllTests[recordIndex];
  const PageOutcome outcome =
      DecodeResult(Bound(page, size), record, flags,
                   [&](int code, double value) { values.emplace_back(code, value); });
  if (outcome != PageOutcome::Kept) return outcome;
  doc.AllTests[recordIndex] = std::move(record);
  doc.SignalGroupFlags = flags;
  for (const auto& [code, value] : values)
    doc.StoreTestValue(recordIndex, code, value);
  return outcome;
}

PageOutcome DecodeResultPage(const uint8_t* page, TTestsRecord& record,
                             std::array<bool, 18>& groupFlags, size_t size) {
  std::array<bool, 18> flags = groupFlags;
  TTestsRecord work = record;
  const PageOutcome outcome =
      DecodeResult(Bound(page, size), work, flags, [&work](int code, double value) {
        work.SignalPresent[code] = 1;
        work.Values[StoragePos(code)] = value;
      });
  if (outcome == PageOutcome::Kept) {
    record = std::move(work);
    groupFlags = flags;
  }
  return outcome;
}

PageOutcome DecodeLoggingPage(const uint8_t* page, Document& doc, int block, int32_t address,
                              int sample, size_t size) {
  if (block < 0 || block >= static_cast<int>(doc.LoggerBlocks.size())) return PageOutcome::Bad;
  const PageBytes p = Bound(page, size);
  const std::optional<PageHead> head = ReadHead(p);
  if (!head) return PageOutcome::Bad;
  TLoggerRecord& b = doc.LoggerBlocks[block];

  if (b.BeginTime == 0 && b.IntervalSec == 0) {
    b.BeginTime = head->begin;
    const double seconds = std::nearbyint((head->end - head->begin) * 86400.0);
    b.IntervalSec = static_cast<int32_t>(std::clamp<double>(
        seconds, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
  }
  b.BuildingName = head->buildingName;
  b.RoomName = head->roomName;
  if (head->kind != 1) return PageOutcome::Dropped;

  size_t pos = head->pos;
  ReadUnit(p, pos, b.UnitSystem);
  const auto applyParameters = [&b](const Parameters& params) { ApplyParameters(params, b); };

  if (address == b.FirstPage || b.SignalCount == 0) {
    WalkEntries(
        p, pos,
        [&b](int t, const uint8_t*) {
          if (t > kQuantityCount) return;
          for (int j = 1; j <= 4; ++j)
            b.SignalPresent[CodeOf(t, j)] = 1;
        },
        applyParameters);
    b.SignalCodes.fill(0);
    int count = 0;
    for (int code = 1; code <= kLoggerSignals; ++code)
      if (b.SignalPresent[code]) b.SignalCodes[count++] = code;
    b.SignalCount = count;
    doc.SizeSampleArrays(block, b.SampleCount);
  }

  // Each value goes under the code of its own quantity, wherever its entry stands in the page.
  WalkEntries(
      p, pos,
      [&](int t, const uint8_t* v) {
        if (t > kQuantityCount) return;
        for (int j = 1; j <= 4; ++j) {
          const int32_t* codes = b.SignalCodes.data();
          const int32_t* at = std::find(codes, codes + b.SignalCount, CodeOf(t, j));
          if (at == codes + b.SignalCount) continue;
          doc.StoreSample(block, static_cast<int>(at - codes) + 1, sample,
                          DecodeFloat(v + 4 * (j - 1)));
        }
      },
      [](const Parameters&) {});
  return PageOutcome::Kept;
}

void DocSignalsFromGroupFlags(Document& doc) {
  doc.DocSignals.fill(0);
  doc.ColumnSignals.fill(0);
  int n = 0;
  auto add = [&](int code) {
    ++n;
    doc.DocSignals[n] = code;
    doc.ColumnSignals[n] = code;
  };
  for (int t = 1; t <= kQuantityCount; ++t)
    if (doc.SignalGroupFlags[t])
      for (int j = 1; j <= 4; ++j)
        add(CodeOf(t, j));
  if (doc.SignalGroupFlags[kMultipoint])
    for (int code = 65; code <= 67; ++code)
      add(code);
  doc.DocSignalCount = n;
  doc.ColumnCount = n;
}

}  // namespace qv

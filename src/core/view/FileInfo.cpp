#include "view/FileInfo.h"

#include "format/DateTimeText.h"

#include <algorithm>
#include <string>

namespace qv {
namespace {

constexpr const char* kIndent = "   ";
// Begin and end times carry three blanks between date and time, as the table does.
constexpr int kTimeBlanks = 3;

Bytes Indented(const Bytes& text) {
  return kIndent + text;
}

Bytes Indented(long long number) {
  return kIndent + std::to_string(number);
}

Bytes IntervalText(int32_t seconds) {
  const int32_t minutes = seconds / 60;
  return minutes > 0 ? Indented(minutes) + " min" : Indented(seconds) + " sec";
}

void Tick(ProbeSet& probes, int code) {
  const ProbeSet add = ProbesOfCode(code);
  for (size_t i = 0; i < probes.size(); ++i)
    probes[i] = probes[i] || add[i];
}

void DescribeBlock(const TLoggerRecord& block, FileInfoTexts& info) {
  info.LogBuild = Indented(block.BuildingName);
  info.LogRoom = Indented(block.RoomName);
  info.LogUnits = Indented(block.UnitSystem);
  info.BegT = Indented(FormatDayTime(block.BeginTime, kTimeBlanks));
  const double span = static_cast<double>(block.SampleCount) * block.IntervalSec;
  info.EndT = Indented(FormatDayTime(AddSeconds(block.BeginTime, span), kTimeBlanks));
  info.NumOfRes = Indented(block.SampleCount);
  info.LogInter = IntervalText(block.IntervalSec);
  const int count = std::clamp(block.SignalCount, 0, kLoggerSignals);
  for (int i = 0; i < count; ++i)
    Tick(info.Probes, block.SignalCodes[static_cast<size_t>(i)]);
}

}  // namespace

ProbeSet ProbesOfCode(int code) {
  using enum Probe;
  auto set = [](std::initializer_list<Probe> probes) {
    ProbeSet s{};
    for (Probe p : probes)
      s[static_cast<size_t>(p)] = true;
    return s;
  };
  if (code < 1 || code > kMaxSignalCode) return {};
  // Four codes (current, minimum, average, maximum) a quantity; the multipoint codes last.
  switch ((code - 1) / 4 + 1) {
    case 1:  // air temperature
      return set({Temp, Adap});
    case 2:  // relative humidity
      return set({Hum, Adap});
    case 3:  // dew point
      return set({Temp, Hum, Adap});
    case 4:  // air velocity
    case 5:  // volume flow
      return set({AirV, Adap});
    case 6:
      return set({Ilum});
    case 7:   // luminance
    case 10:  // contrast
      return set({Lum});
    case 8:
      return set({ThCoup});
    case 9:  // differential temperature
      return set({ThCoup, Temp, Adap});
    case 11:
      return set({Globe});
    case 12:  // PMV
    case 13:  // PPD
    case 14:  // WBGT
      return set({Globe, Temp, Hum, AirV, Adap});
    case 15:
      return set({CO2});
    case 16:
      return set({CO});
    default:  // multipoint
      return set({AirV, Adap});
  }
}

FileInfoTexts DescribeFile(const Document& doc) {
  FileInfoTexts info;
  info.SerNo = Indented(doc.InstrumentInfo.SerialNumber);
  info.FirmwVer = "   ver. " + doc.InstrumentInfo.FirmwareVersion;
  if (doc.LoggerDataLoaded()) {
    info.LoggingPanels = true;
    if (const TLoggerRecord* block = doc.Current()) DescribeBlock(*block, info);
  } else if (doc.ResultsDataLoaded()) {
    info.NumOfRes = Indented(doc.TestCount());
    const int count = std::clamp(doc.DocSignalCount, 0, kMaxSignalCode);
    for (int i = 1; i <= count; ++i)
      Tick(info.Probes, doc.DocSignals[static_cast<size_t>(i)]);
  }
  return info;
}

}  // namespace qv

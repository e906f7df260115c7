// What the File Info dialog says about the open document: the instrument's identity, the
// current block's particulars or the number of tests, and which probes delivered the
// document's signals. The texts are the edit boxes' own, leading blanks included.
#pragma once

#include "store/Document.h"

#include <array>

namespace qv {

// The probe boxes, in the order of the dialog's columns.
enum class Probe { Temp, Ilum, Lum, Hum, ThCoup, Globe, AirV, CO2, CO, Adap };
inline constexpr int kProbeCount = 10;
using ProbeSet = std::array<bool, kProbeCount>;

// The probes a signal code needs; none for a code outside 1..68.
ProbeSet ProbesOfCode(int code);

struct FileInfoTexts {
  Bytes SerNo;
  Bytes FirmwVer;
  // The logging panels (units, interval, times, building, room) are shown, their captions
  // enabled: only for a logging document.
  bool LoggingPanels = false;
  Bytes LogUnits;
  Bytes LogInter;
  Bytes BegT;
  Bytes EndT;
  Bytes LogBuild;
  Bytes LogRoom;
  Bytes NumOfRes;
  ProbeSet Probes{};
};

// A logging document describes its current block (all logging texts empty when there is
// none); a results document its test count and DocSignals; a document holding neither only
// the instrument.
FileInfoTexts DescribeFile(const Document& doc);

}  // namespace qv

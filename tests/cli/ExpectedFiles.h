// The results files a download must produce, written out here from the memory description by
// the rules of the file format, independently of the application's writer and formatters.
// Only what the test memories use is covered: a value text needs the quantity's decimals.
#pragma once

#include "memimage/MemoryImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace qv::test {

struct HeaderTexts {
  std::array<std::string, 5> lines;    // operator 1, 2, test site 1, 2, footer
  std::array<std::string, 20> probes;  // serial number, then type, per probe in file order
};

inline std::string Crlf(const std::string& line) {
  return line + "\r\n";
}

// The locale's decimal separator in place of the point.
inline std::string WithSeparator(std::string text, char sep) {
  std::replace(text.begin(), text.end(), '.', sep);
  return text;
}

// Day number in the general format: at most 15 significant digits, no trailing zeros.
inline std::string General(double v, char sep) {
  char text[40];
  std::snprintf(text, sizeof text, "%.15g", v);
  return WithSeparator(text, sep);
}

// " 4.54144166666667E+0004": sign place, 15 digits, a four-digit exponent.
inline std::string Scientific23(double v) {
  char text[40];
  std::snprintf(text, sizeof text, "%.14E", v);
  std::string s = text;
  const size_t e = s.find('E');
  std::string exponent = s.substr(e + 2);
  while (exponent.size() < 4)
    exponent.insert(exponent.begin(), '0');
  return std::string(v < 0 ? "" : " ") + s.substr(0, e + 2) + exponent;
}

inline std::string Fixed(double v, int decimals, char sep) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return WithSeparator(text, sep);
}

// Decimals of the quantities the test memories use (value tables of the display rules).
inline int Decimals(int quantity, double v, bool si, bool logging) {
  switch (quantity) {
    case 1:  // air temperature
    case 2:  // relative humidity
      return 1;
    case 4:  // air velocity
      return si ? (v < 10 ? 2 : 1) : 0;
    case 15:  // CO2
      return 0;
    default:
      ADD_FAILURE() << "no decimals rule for quantity " << quantity << (logging ? " (logged)" : "");
      return 0;
  }
}

inline std::vector<int> CodesOf(int quantity) {
  if (quantity == emu::kMultipointQuantity) return {65, 66, 67};
  return {4 * (quantity - 1) + 1, 4 * (quantity - 1) + 2, 4 * (quantity - 1) + 3,
          4 * (quantity - 1) + 4};
}

// Lines 1 to 41 and the instrument data: everything before "$MEASUREMENTS%".
inline std::string FileHead(const std::string& fileName, const HeaderTexts& header,
                            const emu::ByteVec& settings) {
  std::string s;
  s += Crlf("$FileVersion%") + Crlf("Ver_3") + Crlf("");
  s += Crlf("$FileName%") + Crlf(fileName) + Crlf("");
  s += Crlf("$PrintHeader%");
  for (const std::string& line : header.lines)
    s += Crlf(line);
  s += Crlf("") + Crlf("$ProbesData%");
  for (const std::string& probe : header.probes)
    s += Crlf(probe);
  s += Crlf("") + Crlf("$Comments%") + Crlf("\xFF;") + Crlf("");
  s += Crlf("$InstrData%");
  for (const uint8_t b : settings) {
    if (b == 0x00) {
      s += "\xFF?";
    } else if (b == 0xFF) {
      s += "\xFF*";
    } else {
      s += static_cast<char>(b);
    }
  }
  s += "\xFF;\n\r\n";
  s += Crlf("");
  return s;
}

inline std::string ParamsLine(const std::optional<emu::CalcParams>& p, int none, char sep) {
  const double n = none;
  double altitude = n, a = n, b = n, r = n, metabolic = n, clothing = n;
  int shape = none;
  if (p) {
    shape = p->mode;
    altitude = p->altitude;
    metabolic = p->metabolicRate;
    clothing = p->clothing;
    if (p->mode == 1) {
      a = p->sideA;
      b = p->sideB;
    } else if (p->mode == 0) {
      r = p->radius;
    }
  }
  return std::to_string(shape) + ";" + Fixed(altitude, 0, sep) + ";" + Fixed(a, 2, sep) + ";" +
         Fixed(b, 2, sep) + ";" + Fixed(r, 2, sep) + ";" + Fixed(metabolic, 1, sep) + ";" +
         Fixed(clothing, 1, sep) + ";";
}

// The results section for the tests at `kept` (indexes into model.results, the pages that
// arrive good and of kind 1), in tree order.
inline std::string ResultsSection(const emu::MemoryModel& model, std::vector<size_t> kept,
                                  char sep = '.') {
  std::stable_sort(kept.begin(), kept.end(), [&](size_t x, size_t y) {
    const emu::ResultTest& a = model.results[x];
    const emu::ResultTest& b = model.results[y];
    return a.buildingNo != b.buildingNo ? a.buildingNo < b.buildingNo : a.roomNo < b.roomNo;
  });
  std::array<bool, 18> groups{};
  for (size_t i : kept) {
    for (const emu::QuantityValues& q : model.results[i].values)
      groups[static_cast<size_t>(q.quantity)] = true;
  }
  std::string signals;
  int count = 0;
  for (int t = 1; t <= 17; ++t) {
    if (!groups[static_cast<size_t>(t)]) continue;
    for (int code : CodesOf(t)) {
      signals += std::to_string(code) + ";";
      ++count;
    }
  }
  std::string s = Crlf("$MEASUREMENTS%") + Crlf("$QUOR-Tests%") + Crlf("$PROT%1") + Crlf("");
  s += Crlf("$SignalCount%") + Crlf(std::to_string(count)) + Crlf("");
  s += Crlf("$Signals%") + Crlf(signals) + Crlf("");
  s += Crlf("$TestCount%") + Crlf(std::to_string(kept.size())) + Crlf("");
  for (size_t i : kept) {
    const emu::ResultTest& t = model.results[i];
    std::vector<std::pair<int, std::string>> values;  // by code
    for (const emu::QuantityValues& q : t.values) {
      const std::vector<int> codes = CodesOf(q.quantity);
      for (size_t k = 0; k < codes.size(); ++k) {
        const double v = q.values[k];
        values.emplace_back(codes[k],
                            Fixed(v, Decimals(q.quantity, v, t.unitByte == 1, false), sep));
      }
    }
    std::sort(values.begin(), values.end());
    std::string codes, texts;
    for (const auto& [code, text] : values) {
      codes += std::to_string(code) + ";";
      texts += text + "; ";
    }
    s += Crlf("Signals: " + codes);
    s += Crlf(std::string("Units: ") + (t.unitByte == 1 ? "SI" : "US") + ";");
    s += Crlf("Location H/R: " + std::to_string(t.buildingNo) + ";" + std::to_string(t.roomNo) +
              ";");
    s += Crlf("BuildingName: " + t.buildingName + ";");
    s += Crlf("RoomName: " + t.roomName + ";");
    s += Crlf("BeginTime: " + General(emu::StampToDayNumber(t.begin.stamp), sep) + ";");
    s += Crlf("EndTime: " + General(emu::StampToDayNumber(t.end.stamp), sep) + ";");
    s += Crlf("Instrument Settings: " + ParamsLine(t.params, -1, sep));
    s += Crlf(texts) + Crlf("");
  }
  return s;
}

// The logging-block section for the blocks at `chosen` (indexes into model.blocks, in list
// order); samples on `badPages` stay 0. Blocks here carry one number per quantity and sample
// (all four statistics equal) or four.
inline std::string LoggerSection(const emu::MemoryModel& model, const std::vector<size_t>& chosen,
                                 const std::vector<int>& badPages) {
  std::string s = Crlf("$MEASUREMENTS%") + Crlf("$QUOR-Logger%") + Crlf("$PROT%1") + Crlf("");
  s += Crlf("$Logger Number%") + Crlf(std::to_string(chosen.size())) + Crlf("") + Crlf("");
  int n = 0;
  for (size_t i : chosen) {
    const emu::LoggingBlock& b = model.blocks[i];
    const bool si = b.unitByte == 1;
    s += Crlf("------------------") + Crlf("$ LOGGER " + std::to_string(++n) + " %") +
         Crlf("------------------") + Crlf("");
    s += Crlf("$BuildingName%") + Crlf(b.buildingName) + Crlf("");
    s += Crlf("$RoomName%") + Crlf(b.roomName) + Crlf("");
    s += Crlf("$Logger Result Number%") + Crlf(std::to_string(b.samples.size())) + Crlf("");
    s +=
        Crlf("$Logger Start Time%") + Crlf(Scientific23(emu::StampToDayNumber(b.start))) + Crlf("");
    s += Crlf("$Logger Interval%") + Crlf(std::to_string(b.intervalSec)) + Crlf("");
    s += Crlf("$Logger Units%") + Crlf(si ? "SI" : "US") + Crlf("");
    std::vector<int> quantities = b.quantities;
    std::sort(quantities.begin(), quantities.end());
    std::string codes;
    for (int q : quantities) {
      for (int code : CodesOf(q))
        codes += std::to_string(code) + ";";
    }
    s += Crlf("$Logger Signals%") + Crlf(codes) + Crlf("");
    s += Crlf("$Instrument Settings%") + Crlf(ParamsLine(b.params, 0, '.')) + Crlf("");
    for (size_t k = 0; k < b.samples.size(); ++k) {
      const bool bad = !b.pages.empty() &&
                       std::find(badPages.begin(), badPages.end(), b.pages[k]) != badPages.end();
      std::string line;
      for (int q : quantities) {
        const size_t at = static_cast<size_t>(
            std::find(b.quantities.begin(), b.quantities.end(), q) - b.quantities.begin());
        for (int stat = 0; stat < 4; ++stat) {
          const double v =
              bad ? 0.0 : static_cast<double>(b.samples[k][at][static_cast<size_t>(stat)]);
          line += Fixed(v, Decimals(q, v, si, true), '.') + "; ";
        }
      }
      s += line + "\n\r\n";
    }
    s += Crlf("") + Crlf("");
  }
  return s;
}

}  // namespace qv::test

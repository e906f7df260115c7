#include "store/SignalCatalog.h"

#include "app/TextCatalog.h"

#include <algorithm>
#include <array>

namespace qv {
namespace {

struct Quantity {
  std::string_view key;
  std::string_view unitSI;
  std::string_view unitUS;
  // The unit differs between the systems: the second line is made only for 'S' and 'U'.
  bool letterDependent;
  int storageBase;  // position of the Current statistic in a record's value table
};

// Indexed by quantity number - 1. Storage positions are a file and memory layout: fixed.
constexpr std::array<Quantity, kQuantityCount> kQuantities{{
    {"AirTemp_10", "Unit-Cels_10", "Unit-Farh_10", true, 0},
    {"RelHum_10", "Unit-ProcRH_10", "Unit-ProcRH_10", false, 8},
    {"DewPoint_10", "Unit-Cels_10", "Unit-Farh_10", true, 24},
    {"AirVel_10", "Unit-M/S_10", "Unit-FT/MIN_10", true, 4},
    {"VolFlow_10", "Unit-m3/h_10", "Unit-FT3/h_10", true, 28},
    {"Illum_10", "Unit-lux_10", "Unit-fc_10", true, 12},
    {"Lumin_10", "Unit-CD/m2_10", "Unit-CD/m2_10", false, 32},
    {"ThCoup_10", "Unit-Cels_10", "Unit-Farh_10", true, 16},
    {"DifTemp_10", "Unit-Cels_10", "Unit-Farh_10", true, 20},
    {"Contrast_10", "", "", false, 36},
    {"GlTTemp_10", "Unit-Cels_10", "Unit-Farh_10", true, 40},
    {"PMVote_10", "", "", false, 44},
    {"PPDis_10", "Unit-Proc_10", "Unit-Proc_10", false, 48},
    {"WBGTemp_10", "Unit-Cels_10", "Unit-Farh_10", true, 52},
    {"CO2_10", "Unit-Ppm_10", "Unit-Ppm_10", false, 56},
    {"CO_10", "Unit-Ppm_10", "Unit-Ppm_10", false, 60},
}};

constexpr std::array<std::string_view, 4> kStatisticKeys{"Curr_5", "Min_5", "Avg_5", "Max_5"};

}  // namespace

int QuantityOf(int code) {
  if (code >= 1 && code <= 64) return (code - 1) / 4 + 1;
  if (code >= 65 && code <= 67) return 17;
  return 0;
}

int StatisticOf(int code) {
  return (code >= 1 && code <= 64) ? (code - 1) % 4 + 1 : 0;
}

int GroupOf(int code) {
  if (code < 1 || code > kMaxSignalCode) return -1;
  return code <= 64 ? (code - 1) / 4 : 16;
}

int StoragePos(int code) {
  if (code >= 1 && code <= 64) return kQuantities[(code - 1) / 4].storageBase + (code - 1) % 4;
  if (code >= 65 && code <= 67) return code - 1;
  return -1;
}

int CodeAtStoragePos(int pos) {
  if (pos >= 64 && pos <= 66) return pos + 1;
  for (int q = 0; q < kQuantityCount; ++q) {
    const int base = kQuantities[q].storageBase;
    if (pos >= base && pos < base + 4) return q * 4 + (pos - base) + 1;
  }
  return 0;
}

std::string_view QuantityKey(int quantity) {
  return (quantity >= 1 && quantity <= kQuantityCount) ? kQuantities[quantity - 1].key
                                                       : std::string_view{};
}

std::string_view UnitKey(int quantity, char unitLetter) {
  if (quantity < 1 || quantity > kQuantityCount) return {};
  const Quantity& q = kQuantities[quantity - 1];
  return unitLetter == 'U' ? q.unitUS : q.unitSI;
}

std::string_view StatisticKey(int statistic) {
  return (statistic >= 1 && statistic <= 4) ? kStatisticKeys[statistic - 1] : std::string_view{};
}

void GetSignalCaption(int code, char unitLetter, const TextCatalog& texts, Bytes& quantityText,
                      Bytes& statisticText) {
  if (code < 1 || code > kMaxSignalCode) return;
  if (code == 68) {
    quantityText.clear();
    statisticText.clear();
    return;
  }
  const bool knownLetter = unitLetter == 'S' || unitLetter == 'U';
  if (code == 67) {
    quantityText = texts.Translate("MP_Number1_10");
    statisticText = texts.Translate("MP_Number2_10");
    return;
  }
  if (code >= 65) {
    quantityText = texts.Translate("MultiPoint_10");
    if (knownLetter) {
      const int quantity = code == 65 ? 4 : 5;  // air velocity, volume flow
      statisticText =
          texts.Translate("Avg_5") + "  " + texts.Translate(UnitKey(quantity, unitLetter));
    }
    return;
  }
  const int quantity = QuantityOf(code);
  const Quantity& q = kQuantities[quantity - 1];
  quantityText = texts.Translate(q.key);
  const Bytes statistic = texts.Translate(StatisticKey(StatisticOf(code)));
  if (q.unitSI.empty()) {
    statisticText = statistic;
  } else if (!q.letterDependent) {
    statisticText = statistic + "  " + texts.Translate(q.unitSI);
  } else if (knownLetter) {
    statisticText = statistic + "  " + texts.Translate(UnitKey(quantity, unitLetter));
  }
}

int WidestSignalCaption(const TextCatalog& texts, const std::function<int(const Bytes&)>& width) {
  int widest = 0;
  for (int code = 1; code <= 36; ++code) {
    for (const char letter : {'U', 'S'}) {
      Bytes quantity, statistic;
      GetSignalCaption(code, letter, texts, quantity, statistic);
      widest = std::max({widest, width(quantity), width(statistic)});
    }
  }
  return widest;
}

}  // namespace qv

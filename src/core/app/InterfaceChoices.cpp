#include "app/InterfaceChoices.h"

namespace qv {
namespace {

constexpr int kDLSelectChoices = 2;  // results memory, logging memory
constexpr int kUnitSelChoices = 2;   // SI, US

}  // namespace

const std::array<GraphChoiceName, 16>& GraphChoiceNames() {
  // The order of the settings table, which is neither the quantity order nor the dialog's.
  static const std::array<GraphChoiceName, 16> names = {{
      {"GrAirTemp", 1},
      {"GrAirVel", 4},
      {"GrRelHum", 2},
      {"GrIllum", 6},
      {"GrThCoup", 8},
      {"GrDifTemp", 9},
      {"GrDewPoint", 3},
      {"GrAirVol", 5},
      {"GrLumin", 7},
      {"GrCont", 10},
      {"GrGlogeTemp", 11},
      {"GrPMV", 12},
      {"GrPPD", 13},
      {"GrWBGT", 14},
      {"GrCO2", 15},
      {"GrCO", 16},
  }};
  return names;
}

int ClampChoicePosition(int32_t stored, int count) {
  if (stored < -1) return -1;
  if (stored > count - 1) return count - 1;
  return stored;
}

void SaveInterfaceChoices(const SettingsStore& store, const InterfaceChoices& choices) {
  std::vector<std::pair<const char*, int32_t>> values;
  values.reserve(2 + GraphChoiceNames().size());
  values.emplace_back("DLSelect", choices.DLSelect);
  values.emplace_back("UnitSel", choices.UnitSel);
  for (const GraphChoiceName& g : GraphChoiceNames())
    values.emplace_back(g.name, choices.Graph[static_cast<size_t>(g.quantity - 1)] ? 1 : 0);
  // All in one write; a store that cannot be written is left alone without a message.
  store.WriteInts(values);
}

ReadResult LoadInterfaceChoices(const SettingsStore& store, InterfaceChoices& choices) {
  int32_t position = 0;
  ReadResult r = store.ReadInt("DLSelect", position);
  if (r.status == ReadStatus::WrongType) return r;
  if (r.ok()) choices.DLSelect = ClampChoicePosition(position, kDLSelectChoices);

  r = store.ReadInt("UnitSel", position);
  if (r.status == ReadStatus::WrongType) return r;
  if (r.ok()) choices.UnitSel = ClampChoicePosition(position, kUnitSelChoices);

  for (const GraphChoiceName& g : GraphChoiceNames()) {
    r = store.ReadBool(g.name, choices.Graph[static_cast<size_t>(g.quantity - 1)]);
    if (r.status == ReadStatus::WrongType) return r;
  }
  return ReadResult{ReadStatus::Ok, {}};
}

}  // namespace qv

// The user-interface choices stored as one group: memory choice, display unit system and
// the sixteen graph quantities.
#pragma once

#include "app/Settings.h"

#include <array>

namespace qv {

struct InterfaceChoices {
  int DLSelect = 0;  // 0 results memory, 1 logging memory, -1 none
  int UnitSel = 0;   // 0 SI, 1 US, -1 none
  // Graph choices by quantity number - 1 (air temperature first, CO last).
  std::array<bool, 16> Graph{};
};

// Registry names of the graph choices, in the order they are saved and loaded, each with
// its quantity number.
struct GraphChoiceName {
  const char* name;
  int quantity;
};
const std::array<GraphChoiceName, 16>& GraphChoiceNames();

// A stored position applied to a radio group of `count` choices: beyond the last selects
// the last; below -1 selects none (-1).
int ClampChoicePosition(int32_t stored, int count);

// Writes DLSelect, UnitSel and the sixteen booleans, in this order; a store that cannot be
// written stops the save without a message.
void SaveInterfaceChoices(const SettingsStore& store, const InterfaceChoices& choices);
// Reads them in the same order; a missing value leaves its choice unchanged; a value of
// the wrong type stops the load there (the result says why); otherwise the result is Ok.
ReadResult LoadInterfaceChoices(const SettingsStore& store, InterfaceChoices& choices);

}  // namespace qv

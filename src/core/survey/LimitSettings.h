// The limits of the 16 quantities kept between runs (Settings > Limits...): an upper and a
// lower limit each, in SI units, as texts with a decimal point ("1000", "-2.5"); an empty text
// is no limit, a missing value the default. By default only CO2 has one: 1000 ppm above.
#pragma once

#include "app/Settings.h"
#include "survey/SurveyStatistics.h"

#include <string>
#include <vector>

namespace qv {

inline constexpr double kDefaultCo2UpperLimit = 1000;  // ppm

LimitTable DefaultLimits();

// The settings names of quantity q's limits: "LimitUpperCO2", "LimitLowerAirTemp", ...
std::string UpperLimitName(int q);
std::string LowerLimitName(int q);

struct LoadedLimits {
  LimitTable Limits;
  // A sentence per value that is neither empty nor a number; its limit stays the default.
  std::vector<std::string> Problems;
};
LoadedLimits LoadLimits(const SettingsStore& store);

// All 32 values in one write of the store; false when it could not be written.
bool SaveLimits(const SettingsStore& store, const LimitTable& limits);

// A limit as stored and as typed: the shortest text that reads back as the same number, with a
// decimal point; empty for none. ParseLimitText reads the same (blanks around it allowed) into
// `limit` and refuses anything else, infinities and NaN included, leaving `limit` as it was.
std::string LimitText(const std::optional<double>& limit);
bool ParseLimitText(std::string_view text, std::optional<double>* limit);

}  // namespace qv

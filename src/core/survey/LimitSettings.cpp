#include "survey/LimitSettings.h"

#include <array>
#include <charconv>
#include <cmath>
#include <utility>

namespace qv {
namespace {

// The names the settings file shows, by quantity.
constexpr std::array<const char*, kQuantityCount> kStems = {
    "AirTemp", "RelHum",   "DewPoint",  "AirVel", "AirFlow", "Illum", "Lumin", "ThCoup",
    "DifTemp", "Contrast", "GlobeTemp", "PMV",    "PPD",     "WBGT",  "CO2",   "CO"};

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
    s.remove_suffix(1);
  return s;
}

}  // namespace

LimitTable DefaultLimits() {
  LimitTable limits{};
  limits[14].Upper = kDefaultCo2UpperLimit;  // quantity 15, CO2
  return limits;
}

std::string UpperLimitName(int q) {
  return q >= 1 && q <= kQuantityCount ? std::string("LimitUpper") + kStems[q - 1] : std::string();
}

std::string LowerLimitName(int q) {
  return q >= 1 && q <= kQuantityCount ? std::string("LimitLower") + kStems[q - 1] : std::string();
}

std::string LimitText(const std::optional<double>& limit) {
  if (!limit || !std::isfinite(*limit)) return {};
  char text[32];
  const auto [end, error] = std::to_chars(text, text + sizeof text, *limit);
  return error == std::errc() ? std::string(text, end) : std::string();
}

bool ParseLimitText(std::string_view text, std::optional<double>* limit) {
  text = Trimmed(text);
  if (text.empty()) {
    limit->reset();
    return true;
  }
  if (text.front() == '+') text.remove_prefix(1);
  double v = 0;
  const auto [at, error] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || error != std::errc() || at != text.data() + text.size() || !std::isfinite(v))
    return false;
  *limit = v;
  return true;
}

LoadedLimits LoadLimits(const SettingsStore& store) {
  LoadedLimits out{DefaultLimits(), {}};
  for (int q = 1; q <= kQuantityCount; ++q) {
    QuantityLimits& limits = out.Limits[static_cast<size_t>(q - 1)];
    for (const auto& [name, target] : {std::pair{UpperLimitName(q), &limits.Upper},
                                       std::pair{LowerLimitName(q), &limits.Lower}}) {
      Bytes text;
      const ReadResult read = store.ReadText(name.c_str(), text);
      if (read.status == ReadStatus::WrongType) out.Problems.push_back(read.error);
      if (!read.ok()) continue;
      if (!ParseLimitText(text, target)) {
        out.Problems.push_back("The setting \"" + name + "\" in " + store.Location() + " holds \"" +
                               text + "\", which is not a number; the default " +
                               (LimitText(*target).empty() ? "(none)" : LimitText(*target)) +
                               " applies.");
      }
    }
  }
  return out;
}

bool SaveLimits(const SettingsStore& store, const LimitTable& limits) {
  std::vector<std::string> names;
  std::vector<std::pair<const char*, Bytes>> values;
  names.reserve(2 * kQuantityCount);
  for (int q = 1; q <= kQuantityCount; ++q) {
    names.push_back(UpperLimitName(q));
    names.push_back(LowerLimitName(q));
  }
  for (int q = 1; q <= kQuantityCount; ++q) {
    const QuantityLimits& l = limits[static_cast<size_t>(q - 1)];
    values.emplace_back(names[static_cast<size_t>(2 * (q - 1))].c_str(), LimitText(l.Upper));
    values.emplace_back(names[static_cast<size_t>(2 * (q - 1) + 1)].c_str(), LimitText(l.Lower));
  }
  return store.WriteTexts(values);
}

}  // namespace qv

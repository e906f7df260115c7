// quorvantel-cli comfort: PMV, PPD, operative temperature and draught rate of one point, or of
// every sample of a logging block with the category shares over the block.
#include "CliArgs.h"
#include "CliContext.h"
#include "CliDocument.h"
#include "Commands.h"

#include "comfort/BlockComfort.h"
#include "files/DataExport.h"
#include "format/DateTimeText.h"
#include "format/NumberText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace qv::cli {
namespace {

constexpr const char* kHelp =
    "Usage: quorvantel-cli comfort --point ta=T,rh=H,va=V,met=M,clo=C,tr=T [--json]\n"
    "       quorvantel-cli comfort --point ta=T,rh=H,va=V,met=M,clo=C,tg=T[,d=D][,emissivity=E]\n"
    "                              [,tu=TU] [--json]\n"
    "       quorvantel-cli comfort FILE [--block N] [--met M] [--clo C] [--va V] [--tr T]\n"
    "                              [--d D] [--emissivity E] [--tu TU] [--skip MINUTES]\n"
    "                              [--not-acclimatised] [--format text|csv|json]\n"
    "\n"
    "Thermal comfort by ISO 7730: PMV and PPD, the mean radiant temperature from the globe\n"
    "(ISO 7726), the operative temperature, the draught rate, and the categories A, B, C of\n"
    "ISO 7730 and I to IV of EN 16798-1. Units are SI: temperatures in degrees Celsius, air\n"
    "velocity in m/s, humidity, turbulence and draught rate in %.\n"
    "\n"
    "PMV and PPD are given only within the ranges of ISO 7730 (air temperature 10 to 30, mean\n"
    "radiant temperature 10 to 40, air velocity 0 to 1, humidity 0 to 100, 0.8 to 4 met, 0 to\n"
    "2 clo, PMV -2 to +2); elsewhere they are none (\"---\", null). The air velocity is taken\n"
    "as the relative air velocity of a seated or lightly working person; external work is 0.\n"
    "\n"
    "One point:\n"
    "  --point FIELDS       comma-separated NAME=VALUE: ta air temperature, rh relative\n"
    "                       humidity, va air velocity, met metabolic rate, clo clothing, and\n"
    "                       either tr mean radiant temperature or tg globe temperature (with\n"
    "                       d globe diameter in m, default 0.15, and emissivity, default\n"
    "                       0.95); tu turbulence intensity in % for the draught rate (default 40)\n"
    "\n"
    "A logging block of the results file FILE, sample by sample (air temperature, humidity,\n"
    "air velocity and globe temperature as logged; a US block is converted):\n"
    "  --block N            the logging block, 1-based (default 1)\n"
    "  --met M, --clo C     metabolic rate and clothing; needed when the block sets none\n"
    "  --va V               air velocity in m/s for every sample; without it the logged one,\n"
    "                       or 0.1 m/s when the block logs none (then marked as assumed)\n"
    "  --tr T               mean radiant temperature for every sample; without it the one from\n"
    "                       the logged globe, or the air temperature when the block logs no\n"
    "                       globe (then marked as assumed)\n"
    "  --d D                globe diameter in m (default 0.15)\n"
    "  --emissivity E       emissivity of the globe (default 0.95)\n"
    "  --tu TU              turbulence intensity in % for the draught rate (default 40)\n"
    "  --skip MINUTES       leave the first minutes out of the summary (default 0): a globe\n"
    "                       needs about 20 minutes to settle after it is set up\n"
    "  --not-acclimatised   compare the logged WBGT with the ISO 7243 reference values for\n"
    "                       persons not acclimatised to heat (default: acclimatised)\n"
    "\n"
    "  --format F           text (default): the inputs, the assumptions and the summary,\n"
    "                       rounded; csv: one rounded row per sample; json: every sample and\n"
    "                       the summary, numbers unrounded, null for none\n"
    "  --json               short for --format json\n"
    "\n"
    "The summary covers the samples after the skipped minutes: the shares of the samples with\n"
    "a PMV in each category (each in its best one; ISO 7730 weighs the draught rate only when\n"
    "the air velocity was logged), PMV, PPD and draught rate minimum, mean and maximum, and\n"
    "the share of the logged WBGT values above the ISO 7243 reference of the metabolic class.\n"
    "Numbers on the command line are written with a point. Text output uses the decimal\n"
    "separator of the locale (LC_NUMERIC); csv and json use \".\".\n";

// The options that belong to the form with a FILE.
constexpr const char* kBlockOptions[] = {"block", "met",        "clo", "va",   "tr",
                                         "d",     "emissivity", "tu",  "skip", "not-acclimatised"};

std::optional<double> ParseReal(const QString& text) {
  const std::string s = text.trimmed().toStdString();
  double v = 0;
  const char* end = s.data() + s.size();
  const auto [at, error] = std::from_chars(s.data(), end, v);
  if (s.empty() || error != std::errc() || at != end || !std::isfinite(v)) return std::nullopt;
  return v;
}

// --- Writing -----------------------------------------------------------------------------------

// Shortest text that reads back as the same double: the number unrounded.
std::string JsonNumber(std::optional<double> v) {
  if (!v || !std::isfinite(*v)) return "null";
  char text[32];
  const auto [end, error] = std::to_chars(text, text + sizeof text, *v);
  return error == std::errc() ? std::string(text, end) : "null";
}

std::string JsonString(std::string_view s) {
  std::string out = "\"";
  for (const char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", c);
      out += esc;
    } else {
      out += c;
    }
  }
  return out + '"';
}

std::string JsonBool(bool b) {
  return b ? "true" : "false";
}

// Everything goes to standard output in pieces, so that a long block never sits whole in
// memory twice.
class Output {
 public:
  ~Output() { Flush(); }
  Output& operator<<(char c) { return *this << std::string_view(&c, 1); }
  Output& operator<<(std::string_view s) {
    buffer_.append(s);
    if (buffer_.size() >= 1 << 16) Flush();
    return *this;
  }
  void Flush() {
    if (!buffer_.empty()) std::fwrite(buffer_.data(), 1, buffer_.size(), stdout);
    buffer_.clear();
  }
  int Finish() {
    Flush();
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? kExitOk : kExitFailed;
  }

 private:
  std::string buffer_;
};

// Rounded for people, with its unit; "---" alone for none.
std::string Rounded(std::optional<double> v, int decimals, char separator,
                    std::string_view unit = {}) {
  if (!v || !std::isfinite(*v)) return "---";
  return FormatFixed(*v, decimals, separator) + std::string(unit);
}

// Rounded for a CSV cell; empty for none.
std::string Cell(std::optional<double> v, int decimals) {
  return v && std::isfinite(*v) ? FormatFixed(*v, decimals, '.') : std::string();
}

std::string_view WhyNoPmv(PmvStatus status) {
  switch (status) {
    case PmvStatus::Computed:
      break;
    case PmvStatus::OutsideRanges:
      return "an input lies outside the ranges of ISO 7730";
    case PmvStatus::BeyondTwo:
      return "the PMV lies beyond -2..+2";
    case PmvStatus::NoConvergence:
      return "the clothing temperature did not settle";
  }
  return {};
}

template <typename Category>
std::optional<std::string_view> NameOf(const std::optional<Category>& c) {
  if (!c) return std::nullopt;
  return CategoryName(*c);
}

std::string JsonName(std::optional<std::string_view> name) {
  return name ? JsonString(*name) : "null";
}

// --- One point ---------------------------------------------------------------------------------

struct PointInput {
  ThermalConditions conditions;
  std::optional<double> globe;  // tg, when the radiant temperature comes from it
  GlobeProbe probe;
  double turbulence = 40;
};

// "ta=22,rh=60,..." into the conditions; nullopt after the usage line naming the field.
std::optional<PointInput> ParsePoint(const QString& text) {
  static constexpr std::array<std::string_view, 10> kFields{"ta", "rh", "va", "met",        "clo",
                                                            "tr", "tg", "d",  "emissivity", "tu"};
  std::array<std::optional<double>, kFields.size()> values;
  auto fail = [](const std::string& what) {
    UsageError("comfort", "--point: " + what);
    return std::nullopt;
  };
  for (const QString& part : text.split(QLatin1Char(','))) {
    const qsizetype eq = part.indexOf(QLatin1Char('='));
    if (eq < 0) return fail("\"" + part.toStdString() + "\" is not NAME=VALUE");
    const std::string name = part.left(eq).trimmed().toStdString();
    size_t index = 0;
    while (index < kFields.size() && kFields[index] != name)
      ++index;
    if (index == kFields.size()) {
      return fail("unknown field \"" + name +
                  "\" (ta, rh, va, met, clo, tr, tg, d, emissivity, tu)");
    }
    if (values[index]) return fail(name + " is given twice");
    values[index] = ParseReal(part.mid(eq + 1));
    if (!values[index]) {
      return fail(name + " is not a number: \"" + part.mid(eq + 1).toStdString() + "\"");
    }
  }
  std::string missing;
  for (size_t i = 0; i < 5; ++i) {
    if (values[i]) continue;
    if (!missing.empty()) missing += ", ";
    missing += kFields[i];
  }
  const auto& [ta, rh, va, met, clo, tr, tg, d, emissivity, tu] = values;
  if (!tr && !tg) {
    if (!missing.empty()) missing += ", ";
    missing += "tr or tg";
  }
  if (!missing.empty()) {
    return fail("missing " + missing + " (give ta=T,rh=H,va=V,met=M,clo=C and tr=T or tg=T)");
  }
  if (tr && tg) return fail("give tr or tg, not both");
  if ((d || emissivity) && !tg) return fail("d and emissivity belong to tg");

  PointInput p;
  p.conditions = {*ta, tr.value_or(0), *va, *rh, *met, *clo};
  p.globe = tg;
  if (d) p.probe.Diameter = *d;
  if (emissivity) p.probe.Emissivity = *emissivity;
  if (tu) p.turbulence = *tu;
  ComfortSettings check;
  check.AirVelocity = *va;
  check.Globe = p.probe;
  check.Turbulence = p.turbulence;
  switch (CheckComfortSettings(check)) {
    case ComfortSettingProblem::AirVelocity:
      return fail("va must not be negative");
    case ComfortSettingProblem::GlobeDiameter:
      return fail("d must be above 0");
    case ComfortSettingProblem::Emissivity:
      return fail("emissivity must be above 0 and at most 1");
    case ComfortSettingProblem::Turbulence:
      return fail("tu must not be negative");
    default:
      break;
  }
  return p;
}

int RunPoint(const PointInput& input, bool json, char separator) {
  ThermalConditions c = input.conditions;
  std::optional<double> tr = c.RadiantTemp;
  if (input.globe) tr = MeanRadiantFromGlobe(*input.globe, c.AirTemp, c.AirVelocity, input.probe);
  c.RadiantTemp = tr.value_or(NAN);
  const PmvResult pmv = tr ? ComputePmv(c) : PmvResult{};
  // No radiant temperature from the globe (NaN): no operative temperature either.
  const std::optional<double> to = OperativeTemperature(c.AirTemp, c.RadiantTemp, c.AirVelocity);
  const std::optional<double> dr = DraughtRate(c.AirTemp, c.AirVelocity, input.turbulence);
  // The velocity of a point is the person's own measurement: the draught rate counts.
  std::optional<Iso7730Category> iso;
  std::optional<En16798Category> en;
  if (pmv.Pmv) {
    iso = Iso7730CategoryOf(*pmv.Pmv, dr);
    en = En16798CategoryOf(*pmv.Pmv);
  }

  Output out;
  if (json) {
    out << "{\"ta\": " << JsonNumber(c.AirTemp) << ", \"tr\": " << JsonNumber(tr)
        << ", \"va\": " << JsonNumber(c.AirVelocity) << ", \"rh\": " << JsonNumber(c.RelHumidity)
        << ", \"met\": " << JsonNumber(c.MetabolicRate) << ", \"clo\": " << JsonNumber(c.Clothing)
        << ", \"pmv\": " << JsonNumber(pmv.Pmv) << ", \"ppd\": " << JsonNumber(pmv.Ppd)
        << ", \"operative\": " << JsonNumber(to) << ", \"draught_rate\": " << JsonNumber(dr)
        << ", \"iso7730\": " << JsonName(NameOf(iso)) << ", \"en16798\": " << JsonName(NameOf(en))
        << "}\n";
    return out.Finish();
  }
  const char sep = separator;
  std::string radiant = "Mean radiant temperature: " + Rounded(tr, 1, sep, " °C");
  if (input.globe) {
    radiant += " (from the globe at " + Rounded(input.globe, 1, sep) + " °C, diameter " +
               FormatGeneral(input.probe.Diameter, sep) + " m, emissivity " +
               FormatGeneral(input.probe.Emissivity, sep) + ")";
  }
  out << "Air temperature: " << Rounded(c.AirTemp, 1, sep, " °C") << "\n"
      << radiant << "\n"
      << "Air velocity: " << Rounded(c.AirVelocity, 2, sep, " m/s") << "\n"
      << "Relative humidity: " << Rounded(c.RelHumidity, 1, sep, " %") << "\n"
      << "Metabolic rate: " << Rounded(c.MetabolicRate, 1, sep, " met") << "\n"
      << "Clothing: " << Rounded(c.Clothing, 2, sep, " clo") << "\n"
      << "PMV: " << Rounded(pmv.Pmv, 2, sep);
  if (!pmv.Pmv) {
    out << " (" << (tr ? WhyNoPmv(pmv.Status) : "no radiant temperature from this globe") << ")";
  }
  out << "\nPPD: " << Rounded(pmv.Ppd, 1, sep, " %") << "\n"
      << "Operative temperature: " << Rounded(to, 1, sep, " °C") << "\n"
      << "Draught rate: " << Rounded(dr, 1, sep, " %") << " (turbulence intensity "
      << FormatGeneral(input.turbulence, sep) + " %"
      << ")\n"
      << "Category: ISO 7730 " << NameOf(iso).value_or("---") << ", EN 16798-1 "
      << NameOf(en).value_or("---") << "\n";
  return out.Finish();
}

// --- A logging block ---------------------------------------------------------------------------

std::string_view SourceWord(InputSource s) {
  switch (s) {
    case InputSource::Block:
      return "from the block";
    case InputSource::Given:
      return "given";
    case InputSource::Assumed:
      return "assumed";
  }
  return {};
}

void WriteBlockJson(Output& out, int blockNumber, const BlockComfort& r) {
  const ComfortInputs& in = r.Inputs;
  out << "{\n  \"block\": " << std::to_string(blockNumber)
      << ",\n  \"met\": " << JsonNumber(in.MetabolicRate)
      << ",\n  \"clo\": " << JsonNumber(in.Clothing)
      << ",\n  \"assumed\": {\"tr\": " << JsonBool(in.RadiantAssumed())
      << ", \"va\": " << JsonBool(in.VelocityAssumed())
      << ", \"units\": " << JsonBool(in.UnitsUnknown)
      << "},\n  \"d\": " << JsonNumber(in.Globe.Diameter)
      << ",\n  \"emissivity\": " << JsonNumber(in.Globe.Emissivity)
      << ",\n  \"tu\": " << JsonNumber(in.Turbulence)
      << ",\n  \"skip_minutes\": " << JsonNumber(in.SkipMinutes)
      << ",\n  \"acclimatised\": " << JsonBool(in.Acclimatised) << ",\n  \"samples\": [";
  bool first = true;
  for (const ComfortSample& s : r.Samples) {
    out << (first ? "\n    " : ",\n    ") << "{\"time\": \"" << IsoDateTime(s.Time).toStdString()
        << "\", \"ta\": " << JsonNumber(s.AirTemp) << ", \"rh\": " << JsonNumber(s.RelHumidity)
        << ", \"va\": " << JsonNumber(s.AirVelocity) << ", \"tg\": " << JsonNumber(s.GlobeTemp)
        << ", \"tr\": " << JsonNumber(s.RadiantTemp) << ", \"to\": " << JsonNumber(s.Operative)
        << ", \"pmv\": " << JsonNumber(s.Pmv) << ", \"ppd\": " << JsonNumber(s.Ppd)
        << ", \"dr\": " << JsonNumber(s.DraughtRate)
        << ", \"iso7730\": " << JsonName(NameOf(s.Iso7730))
        << ", \"en16798\": " << JsonName(NameOf(s.En16798)) << "}";
    first = false;
  }
  const ComfortSummary& sum = r.Summary;
  auto shares = [](const auto& values, const auto& names) {
    std::string text = "{";
    for (size_t k = 0; k < names.size(); ++k) {
      if (k > 0) text += ", ";
      text += JsonString(names[k]) + ": " +
              JsonNumber(values ? std::optional<double>((*values)[k]) : std::nullopt);
    }
    return text + "}";
  };
  auto spread = [](const std::optional<ValueSpread>& v) {
    if (!v) return std::string("{\"min\": null, \"mean\": null, \"max\": null}");
    return "{\"min\": " + JsonNumber(v->Min) + ", \"mean\": " + JsonNumber(v->Mean) +
           ", \"max\": " + JsonNumber(v->Max) + "}";
  };
  constexpr std::array<std::string_view, 4> kIso{"A", "B", "C", "-"};
  constexpr std::array<std::string_view, 5> kEn{"I", "II", "III", "IV", "-"};
  out << (first ? "],\n" : "\n  ],\n")
      << "  \"summary\": {\"samples\": " << std::to_string(sum.Samples)
      << ", \"skipped\": " << std::to_string(sum.Skipped)
      << ", \"evaluated\": " << std::to_string(sum.Evaluated)
      << ",\n    \"iso7730\": " << shares(sum.Iso7730Shares, kIso)
      << ",\n    \"en16798\": " << shares(sum.En16798Shares, kEn)
      << ",\n    \"pmv\": " << spread(sum.Pmv) << ",\n    \"ppd\": " << spread(sum.Ppd)
      << ",\n    \"dr\": " << spread(sum.DraughtRate)
      << ",\n    \"wbgt_reference\": " << JsonNumber(in.WbgtReferenceValue)
      << ",\n    \"wbgt_above_reference\": " << JsonNumber(sum.WbgtAboveReference) << "}\n}\n";
}

void WriteBlockCsv(Output& out, const BlockComfort& r) {
  const bool trAssumed = r.Inputs.RadiantAssumed();
  const bool vaAssumed = r.Inputs.VelocityAssumed();
  out << "time,ta °C,rh %,va m/s" << (vaAssumed ? " (assumed)" : "") << ",tg °C,tr °C"
      << (trAssumed ? " (assumed)" : "") << ",to °C,pmv,ppd %,dr %,iso7730,en16798\r\n";
  for (const ComfortSample& s : r.Samples) {
    out << IsoDateTime(s.Time).toStdString() << ',' << Cell(s.AirTemp, 1) << ','
        << Cell(s.RelHumidity, 1) << ',' << Cell(s.AirVelocity, 2) << ',' << Cell(s.GlobeTemp, 1)
        << ',' << Cell(s.RadiantTemp, 1) << ',' << Cell(s.Operative, 1) << ',' << Cell(s.Pmv, 2)
        << ',' << Cell(s.Ppd, 1) << ',' << Cell(s.DraughtRate, 1) << ','
        << NameOf(s.Iso7730).value_or("") << ',' << NameOf(s.En16798).value_or("") << "\r\n";
  }
}

void WriteBlockText(Output& out, const CliContext& context, int blockNumber,
                    const TLoggerRecord& block, const BlockComfort& r) {
  const char sep = context.DecimalSeparator();
  const ComfortInputs& in = r.Inputs;
  const ComfortSummary& sum = r.Summary;
  auto line = [&out](const std::string& text) { out << text << "\n"; };
  const std::string place = block.BuildingName.empty() && block.RoomName.empty()
                                ? std::string()
                                : " (" + context.ForTerminal(block.BuildingName) + " / " +
                                      context.ForTerminal(block.RoomName) + ")";
  line("Block " + std::to_string(blockNumber) + place + ": " + std::to_string(r.Samples.size()) +
       " samples every " + std::to_string(block.IntervalSec) + " s from " +
       IsoDateTime(block.BeginTime).replace('T', ' ').toStdString() +
       (in.UnitsUnknown ? ", units not marked: read as SI"
                        : ", units " + context.ForTerminal(block.UnitSystem)));
  line("Metabolic rate: " + Rounded(in.MetabolicRate, 1, sep) + " met (" +
       std::string(SourceWord(in.MetabolicRateFrom)) + ")");
  line("Clothing: " + Rounded(in.Clothing, 2, sep) + " clo (" +
       std::string(SourceWord(in.ClothingFrom)) + ")");
  const std::string probe = "diameter " + FormatGeneral(in.Globe.Diameter, sep) +
                            " m, emissivity " + FormatGeneral(in.Globe.Emissivity, sep);
  switch (in.RadiantFrom) {
    case InputSource::Block:
      line("Mean radiant temperature: from the logged globe (" + probe + ")");
      break;
    case InputSource::Given:
      line("Mean radiant temperature: assumed " +
           Rounded(r.Samples.empty() ? std::nullopt : r.Samples[0].RadiantTemp, 1, sep) +
           " °C for every sample (given)");
      break;
    case InputSource::Assumed:
      line("Mean radiant temperature: assumed equal to the air temperature (no globe logged)");
      break;
  }
  switch (in.VelocityFrom) {
    case InputSource::Block:
      line("Air velocity: logged");
      break;
    case InputSource::Given:
      line("Air velocity: assumed " +
           Rounded(r.Samples.empty() ? std::nullopt : r.Samples[0].AirVelocity, 2, sep) +
           " m/s for every sample (given)");
      break;
    case InputSource::Assumed:
      line("Air velocity: assumed " + Rounded(kAssumedAirVelocity, 2, sep) +
           " m/s (no air velocity logged)");
      break;
  }
  line("Turbulence intensity: " + FormatGeneral(in.Turbulence, sep) + " %");
  line("Summary of " + std::to_string(sum.Samples) + " samples after the first " +
       FormatGeneral(in.SkipMinutes, sep) + " min (" + std::to_string(sum.Skipped) + " skipped); " +
       std::to_string(sum.Evaluated) + " with a PMV");
  auto shares = [&](const auto& values, const auto& names) {
    std::string text;
    for (size_t k = 0; k < names.size(); ++k) {
      text += "  " + std::string(names[k]) + " " +
              (values ? Rounded((*values)[k], 1, sep, " %") : std::string("---"));
    }
    return text;
  };
  constexpr std::array<std::string_view, 4> kIso{"A", "B", "C", "-"};
  constexpr std::array<std::string_view, 5> kEn{"I", "II", "III", "IV", "-"};
  line("ISO 7730 categories:  " + shares(sum.Iso7730Shares, kIso) +
       (in.VelocityFrom == InputSource::Block ? ""
                                              : "   (draught rate not weighed: velocity assumed)"));
  line("EN 16798-1 categories:" + shares(sum.En16798Shares, kEn));
  auto spread = [&](const char* what, const std::optional<ValueSpread>& v, int decimals,
                    const char* unit) {
    if (!v) return std::string(what) + ": ---";
    return std::string(what) + ": minimum " + Rounded(v->Min, decimals, sep) + unit + ", mean " +
           Rounded(v->Mean, decimals, sep) + unit + ", maximum " + Rounded(v->Max, decimals, sep) +
           unit;
  };
  line(spread("PMV", sum.Pmv, 2, ""));
  line(spread("PPD", sum.Ppd, 1, " %"));
  line(spread("Draught rate", sum.DraughtRate, 1, " %") +
       (in.VelocityAssumed() ? "   (velocity assumed)" : ""));
  const std::string reference = "the ISO 7243 reference " +
                                FormatGeneral(in.WbgtReferenceValue, sep) +
                                " °C (metabolic class " + std::to_string(in.MetabolicClass) +
                                (in.Acclimatised ? ", acclimatised" : ", not acclimatised") +
                                (in.WbgtAirMovement ? ", air movement)" : ")");
  if (!in.WbgtLogged) {
    line("WBGT: not logged; " + reference);
  } else {
    line("WBGT above " + reference + ": " +
         (sum.WbgtAboveReference ? Rounded(*sum.WbgtAboveReference, 1, sep, " % of the samples")
                                 : std::string("--- (no value)")));
  }
}

// The option's number into `value` when it was given; false after the usage line when it is
// not a number.
bool ReadOption(const ParsedArgs& parsed, const char* name, std::optional<double>* value) {
  const std::optional<QString> text = parsed.Value(name);
  if (!text) return true;
  *value = ParseReal(*text);
  if (!*value) {
    UsageError("comfort",
               std::string("--") + name + " must be a number, not \"" + text->toStdString() + "\"");
    return false;
  }
  return true;
}

int RunBlock(const ParsedArgs& parsed, const QString& input, const QString& format) {
  std::optional<int> blockNumber = 1;
  if (const std::optional<QString> text = parsed.Value("block")) {
    blockNumber = ParseCount(*text, 1, 65535);
    if (!blockNumber) {
      UsageError("comfort",
                 "--block must be a block number from 1, not \"" + text->toStdString() + "\"");
      return kExitUsage;
    }
  }
  ComfortSettings settings;
  std::optional<double> d, emissivity, tu, skip;
  if (!ReadOption(parsed, "met", &settings.MetabolicRate) ||
      !ReadOption(parsed, "clo", &settings.Clothing) ||
      !ReadOption(parsed, "va", &settings.AirVelocity) ||
      !ReadOption(parsed, "tr", &settings.RadiantTemp) || !ReadOption(parsed, "d", &d) ||
      !ReadOption(parsed, "emissivity", &emissivity) || !ReadOption(parsed, "tu", &tu) ||
      !ReadOption(parsed, "skip", &skip)) {
    return kExitUsage;
  }
  if (d) settings.Globe.Diameter = *d;
  if (emissivity) settings.Globe.Emissivity = *emissivity;
  if (tu) settings.Turbulence = *tu;
  if (skip) settings.SkipMinutes = *skip;
  settings.Acclimatised = !parsed.Has("not-acclimatised");
  const char* problem = nullptr;
  switch (CheckComfortSettings(settings)) {
    case ComfortSettingProblem::AirVelocity:
      problem = "--va must not be negative";
      break;
    case ComfortSettingProblem::GlobeDiameter:
      problem = "--d must be above 0";
      break;
    case ComfortSettingProblem::Emissivity:
      problem = "--emissivity must be above 0 and at most 1";
      break;
    case ComfortSettingProblem::Turbulence:
      problem = "--tu must not be negative";
      break;
    case ComfortSettingProblem::SkipMinutes:
      problem = "--skip must not be negative";
      break;
    default:  // the numbers above are finite
      break;
  }
  if (problem != nullptr) {
    UsageError("comfort", problem);
    return kExitUsage;
  }

  CliContext context;
  DocumentWorkspace workspace(context.Texts());
  Document& doc = workspace.Doc();
  if (!OpenDocument(context, input, workspace)) return kExitFailed;
  if (!doc.LoggerDataLoaded()) {
    UsageError("comfort", "this file holds no logging data");
    return kExitFailed;
  }
  if (!ShowBlock(context, workspace, *blockNumber)) return kExitFailed;
  const TLoggerRecord& block = doc.LoggerBlocks[static_cast<size_t>(*blockNumber - 1)];

  const BlockComfort result = AnalyseBlockComfort(block, settings);
  const MissingInputs& missing = result.Missing;
  if (missing.AirTemp || missing.Humidity) {
    std::string what = missing.AirTemp ? "no air temperature" : "";
    if (missing.Humidity) what += std::string(what.empty() ? "" : " and ") + "no humidity";
    context.Error("cannot compute comfort: the block logs " + what);
    return kExitFailed;
  }
  if (missing.MetabolicRate || missing.Clothing) {
    const std::string n = std::to_string(*blockNumber);
    if (missing.MetabolicRate && missing.Clothing) {
      UsageError("comfort", "block " + n +
                                " sets no metabolic rate and no clothing: give them with --met M "
                                "and --clo C");
    } else if (missing.MetabolicRate) {
      UsageError("comfort", "block " + n + " sets no metabolic rate: give it with --met M");
    } else {
      UsageError("comfort", "block " + n + " sets no clothing: give it with --clo C");
    }
    return kExitUsage;
  }

  Output out;
  if (format == QLatin1String("json")) {
    WriteBlockJson(out, *blockNumber, result);
  } else if (format == QLatin1String("csv")) {
    WriteBlockCsv(out, result);
  } else {
    WriteBlockText(out, context, *blockNumber, block, result);
  }
  return out.Finish();
}

}  // namespace

int RunComfort(const QStringList& args) {
  int exitCode = kExitOk;
  const std::optional<ParsedArgs> parsed = ParseCommandArgs("comfort", args,
                                                            {{"point"},
                                                             {"json", false},
                                                             {"format"},
                                                             {"block"},
                                                             {"met"},
                                                             {"clo"},
                                                             {"va"},
                                                             {"tr"},
                                                             {"d"},
                                                             {"emissivity"},
                                                             {"tu"},
                                                             {"skip"},
                                                             {"not-acclimatised", false}},
                                                            kHelp, &exitCode);
  if (!parsed) return exitCode;

  QString format = parsed->Value("format").value_or(QStringLiteral("text"));
  if (format != QLatin1String("text") && format != QLatin1String("csv") &&
      format != QLatin1String("json")) {
    UsageError("comfort",
               "--format must be text, csv or json, not \"" + format.toStdString() + "\"");
    return kExitUsage;
  }
  if (parsed->Has("json")) {
    if (parsed->Has("format") && format != QLatin1String("json")) {
      UsageError("comfort",
                 "--json is short for --format json, not --format " + format.toStdString());
      return kExitUsage;
    }
    format = QStringLiteral("json");
  }

  const QStringList& files = parsed->Positionals();
  if (const std::optional<QString> point = parsed->Value("point")) {
    if (!files.isEmpty()) {
      UsageError("comfort", "give a FILE or --point, not both");
      return kExitUsage;
    }
    for (const char* option : kBlockOptions) {
      if (parsed->Has(option)) {
        UsageError("comfort", std::string("--") + option + " applies to a FILE; with --point " +
                                  "give the value as a field");
        return kExitUsage;
      }
    }
    if (format == QLatin1String("csv")) {
      UsageError("comfort", "--format csv applies to a FILE");
      return kExitUsage;
    }
    const std::optional<PointInput> input = ParsePoint(*point);
    if (!input) return kExitUsage;
    const CliContext context;
    return RunPoint(*input, format == QLatin1String("json"), context.DecimalSeparator());
  }
  if (files.size() != 1) {
    UsageError("comfort", files.isEmpty() ? "give a results file or --point (see --help)"
                                          : "give one results file");
    return kExitUsage;
  }
  return RunBlock(*parsed, files.first(), format);
}

}  // namespace qv::cli

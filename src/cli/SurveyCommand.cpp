// quorvantel-cli survey: statistics of a logging block (or a stretch of it) against limits, with
// the air change rates of chosen CO2 decays, as JSON or as the survey report in a PDF.
#include "CliArgs.h"
#include "CliContext.h"
#include "CliDocument.h"
#include "Commands.h"

#include "files/DataExport.h"
#include "format/DateTimeText.h"
#include "graph/GraphData.h"
#include "survey/LimitSettings.h"
#include "survey/SurveyPainter.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace qv::cli {
namespace {

constexpr const char* kHelp =
    "Usage: quorvantel-cli survey FILE --block N (-o OUT.pdf | --json) [--units SI|US]\n"
    "                             [--limit CODE:VALUE]... [--limit-below CODE:VALUE]...\n"
    "                             [--from TIME] [--to TIME] [--ach FROM..TO]... [--outdoor PPM]\n"
    "\n"
    "A survey of a logging block of the results file FILE: for every logged quantity the\n"
    "number of samples with a value, the minimum, mean and maximum of its current values, and\n"
    "against its limits the hours (samples x interval) and the share of the samples above the\n"
    "upper and below the lower limit (a value at a limit is not beyond it); with --ach, the air\n"
    "change rate of a stretch where the CO2 falls. -o writes the survey report as a PDF (A4):\n"
    "the header texts stored in the file, the block, the statistics table, the thermal comfort\n"
    "summary when the block logs air temperature and humidity and sets a metabolic rate and\n"
    "clothing, the air change rates, and the graphs of the logged quantities, two to a page,\n"
    "with their limit lines.\n"
    "\n"
    "  -o, --output OUT     the PDF file to write (replaced only when the new one is complete)\n"
    "  --json               the survey as JSON on standard output instead, numbers unrounded:\n"
    "                       block, building, room, start, end (start plus samples x interval),\n"
    "                       interval_s, samples, units, quantities (code, name, unit, count,\n"
    "                       min, mean, max, limit: upper, hours_above, share_above, lower,\n"
    "                       hours_below, share_below, or null without limits; shares in % of\n"
    "                       the counted samples) and ach (from, to: the first and last sample\n"
    "                       of the stretch, per_hour, r2)\n"
    "  --block N            the logging block, 1-based\n"
    "  --units U            SI or US (default: the block's own units)\n"
    "  --limit CODE:VALUE   an upper limit of the quantity whose first signal code is CODE\n"
    "                       (1, 5, 9, ... 61; CO2 is 57) in the display units; VALUE none\n"
    "                       drops a stored limit. Repeat for more quantities. Without it the\n"
    "                       limits stored in the settings apply (by default CO2 above 1000 ppm)\n"
    "  --limit-below CODE:VALUE\n"
    "                       a lower limit, likewise\n"
    "  --from TIME, --to TIME\n"
    "                       survey only the samples from .. to, both included; TIME is\n"
    "                       \"YYYY-MM-DD HH:MM:SS\" (seconds may be left out). Default: the\n"
    "                       whole block\n"
    "  --ach FROM..TO       fit the air change rate n of C(t) = Cout + (C0 - Cout) e^(-n t)\n"
    "                       to the CO2 samples from FROM to TO (log-linear least squares; at\n"
    "                       least 5 samples, falling). Repeat for more stretches\n"
    "  --outdoor PPM        the outdoor CO2 concentration Cout (default 420)\n"
    "\n"
    "A time outside the block, a limit for a quantity the block does not log, an unknown code\n"
    "or a stretch without a decay is refused with exit status 2.\n";

constexpr const char* kRepeatable[] = {"limit", "limit-below", "ach"};

// The repeatable options taken out of `args` (which ParseArgs would refuse twice), in order.
// False after the usage line when one lacks its value.
bool TakeRepeated(QStringList& args, std::map<std::string, QStringList>* taken) {
  QStringList rest;
  bool ended = false;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& arg = args.at(i);
    if (i == 0 || ended || !arg.startsWith(QLatin1String("--"))) {
      rest.append(arg);
      continue;
    }
    if (arg == QLatin1String("--")) ended = true;
    bool matched = false;
    for (const char* name : kRepeatable) {
      const QString option = QStringLiteral("--") + QLatin1String(name);
      if (arg == option) {
        if (i + 1 >= args.size()) {
          UsageError("survey", "option " + option.toStdString() + " needs a value");
          return false;
        }
        (*taken)[name].append(args.at(++i));
        matched = true;
      } else if (arg.startsWith(option + QLatin1Char('='))) {
        (*taken)[name].append(arg.mid(option.size() + 1));
        matched = true;
      }
      if (matched) break;
    }
    if (!matched) rest.append(arg);
  }
  args = rest;
  return true;
}

std::optional<double> ParseReal(const QString& text) {
  const std::string s = text.trimmed().toStdString();
  double v = 0;
  const char* end = s.data() + s.size();
  const auto [at, error] = std::from_chars(s.data(), end, v);
  if (s.empty() || error != std::errc() || at != end || !std::isfinite(v)) return std::nullopt;
  return v;
}

// "2024-03-07 18:00:00" (or with a T, or without the seconds) as a day number.
std::optional<DateTime> ParseTime(const QString& text) {
  static const QRegularExpression form(QStringLiteral(
      "^\\s*(\\d{4})-(\\d{1,2})-(\\d{1,2})[ T](\\d{1,2}):(\\d{2})(?::(\\d{2}))?\\s*$"));
  const QRegularExpressionMatch m = form.match(text);
  if (!m.hasMatch()) return std::nullopt;
  DateTimeParts parts;
  parts.year = m.captured(1).toInt();
  parts.month = m.captured(2).toInt();
  parts.day = m.captured(3).toInt();
  parts.hour = m.captured(4).toInt();
  parts.minute = m.captured(5).toInt();
  parts.second = m.captured(6).isEmpty() ? 0 : m.captured(6).toInt();
  return EncodeDateTime(parts);
}

std::string Shown(DateTime t) {
  return IsoDateTime(t).replace('T', ' ').toStdString();
}

// --- JSON --------------------------------------------------------------------------------------

std::string JsonNumber(std::optional<double> v) {
  if (!v || !std::isfinite(*v)) return "null";
  char text[32];
  const auto [end, error] = std::to_chars(text, text + sizeof text, *v);
  return error == std::errc() ? std::string(text, end) : "null";
}

std::string JsonString(const QString& text) {
  std::string out = "\"";
  for (const char c : text.toUtf8().toStdString()) {
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

std::string SurveyJson(const CliContext& context, int blockNumber, const TLoggerRecord& block,
                       const std::string& units, const Survey& s) {
  const auto tr = [&](const char* key) { return context.Codec().Decode(context.Translate(key)); };
  std::string out = "{\n  \"block\": " + std::to_string(blockNumber) +
                    ",\n  \"building\": " + JsonString(context.Codec().Decode(block.BuildingName)) +
                    ",\n  \"room\": " + JsonString(context.Codec().Decode(block.RoomName)) +
                    ",\n  \"start\": \"" + IsoDateTime(s.Start).toStdString() +
                    "\",\n  \"end\": \"" + IsoDateTime(s.End).toStdString() +
                    "\",\n  \"interval_s\": " + std::to_string(block.IntervalSec) +
                    ",\n  \"samples\": " + std::to_string(s.Range.Count) + ",\n  \"units\": \"" +
                    units + "\",\n  \"quantities\": [";
  bool first = true;
  for (const QuantityStatistics& q : s.Quantities) {
    const GraphQuantity* g = GraphQuantityOf(q.Quantity);
    const char* unitKey = units == "US" ? g->UnitKeyUS : g->UnitKeySI;
    out += first ? "\n    " : ",\n    ";
    first = false;
    out += "{\"code\": " + std::to_string(FirstCodeOf(q.Quantity)) +
           ", \"name\": " + JsonString(tr(g->CaptionKey)) +
           ", \"unit\": " + JsonString(unitKey == nullptr ? QString() : tr(unitKey)) +
           ", \"count\": " + std::to_string(q.Count) + ", \"min\": " + JsonNumber(q.Min) +
           ", \"mean\": " + JsonNumber(q.Mean) + ", \"max\": " + JsonNumber(q.Max) +
           ", \"limit\": ";
    if (!q.Limit) {
      out += "null}";
      continue;
    }
    const LimitResult& l = *q.Limit;
    const auto hours = [](const std::optional<double>& limit, double h) {
      return limit ? JsonNumber(h) : std::string("null");
    };
    out += "{\"upper\": " + JsonNumber(l.Upper) +
           ", \"hours_above\": " + hours(l.Upper, l.HoursAbove) +
           ", \"share_above\": " + JsonNumber(l.ShareAbove) +
           ", \"lower\": " + JsonNumber(l.Lower) +
           ", \"hours_below\": " + hours(l.Lower, l.HoursBelow) +
           ", \"share_below\": " + JsonNumber(l.ShareBelow) + "}}";
  }
  out += first ? "],\n  \"ach\": [" : "\n  ],\n  \"ach\": [";
  first = true;
  for (const AirChangeOutcome& a : s.AirChanges) {
    out += first ? "\n    " : ",\n    ";
    first = false;
    out += "{\"from\": \"" + IsoDateTime(a.From).toStdString() + "\", \"to\": \"" +
           IsoDateTime(a.To).toStdString() + "\", \"per_hour\": " + JsonNumber(a.Fit.PerHour) +
           ", \"r2\": " + JsonNumber(a.Fit.R2) + "}";
  }
  out += first ? "]\n}\n" : "\n  ]\n}\n";
  return out;
}

// --- Checks ------------------------------------------------------------------------------------

// The samples from `from` to `to` of the block, or nullopt after the line saying why not.
std::optional<SampleRange> Stretch(const TLoggerRecord& block, int blockNumber, DateTime from,
                                   DateTime to, const std::string& what) {
  const TimeRange r = SamplesBetween(block, from, to);
  const std::string n = std::to_string(blockNumber);
  switch (r.Problem) {
    case RangeProblem::None:
      return r.Range;
    case RangeProblem::Reversed:
      UsageError("survey", what + "the start " + Shown(from) + " lies after the end " + Shown(to));
      break;
    case RangeProblem::StartsBeforeBlock:
      UsageError("survey", what + Shown(from) + " lies before the start of block " + n + " (" +
                               Shown(block.BeginTime) + ")");
      break;
    case RangeProblem::EndsAfterBlock:
      UsageError("survey", what + Shown(to) + " lies after the end of block " + n + " (" +
                               Shown(BlockEnd(block)) + ")");
      break;
    case RangeProblem::NoSamples:
      UsageError("survey",
                 what + "block " + n + " has no sample from " + Shown(from) + " to " + Shown(to));
      break;
  }
  return std::nullopt;
}

struct LimitArgument {
  int Quantity = 0;
  std::optional<double> Value;  // none: drop the stored limit
  QString Text;                 // as given, for messages
};

// "57:1000" or "57:none"; nullopt after the usage line.
std::optional<LimitArgument> ParseLimit(const char* option, const QString& text) {
  const std::string shown = std::string("--") + option + " " + text.toStdString();
  const qsizetype colon = text.indexOf(QLatin1Char(':'));
  if (colon < 0) {
    UsageError("survey", shown + ": give CODE:VALUE, e.g. 57:1000");
    return std::nullopt;
  }
  const QString codeText = text.left(colon).trimmed();
  const std::optional<int> code = ParseCount(codeText, 0, 1 << 20);
  const int q = code ? QuantityOfFirstCode(*code) : 0;
  if (q == 0) {
    UsageError("survey", shown + ": " + codeText.toStdString() +
                             " is not the first signal code of a quantity (1, 5, 9, ... 61)");
    return std::nullopt;
  }
  LimitArgument limit{q, std::nullopt, text};
  const QString valueText = text.mid(colon + 1).trimmed();
  if (valueText != QLatin1String("none")) {
    limit.Value = ParseReal(valueText);
    if (!limit.Value) {
      UsageError("survey",
                 shown + ": \"" + valueText.toStdString() + "\" is not a number (or none)");
      return std::nullopt;
    }
  }
  return limit;
}

}  // namespace

int RunSurvey(const QStringList& arguments) {
  QStringList args = arguments;
  std::map<std::string, QStringList> repeated;
  if (!TakeRepeated(args, &repeated)) return kExitUsage;
  int exitCode = kExitOk;
  const std::optional<ParsedArgs> parsed = ParseCommandArgs(
      "survey", args, {{"o"}, {"json", false}, {"block"}, {"units"}, {"from"}, {"to"}, {"outdoor"}},
      kHelp, &exitCode);
  if (!parsed) return exitCode;

  if (parsed->Positionals().size() != 1) {
    UsageError("survey", parsed->Positionals().isEmpty() ? "the results file to survey is missing"
                                                         : "give one results file");
    return kExitUsage;
  }
  const QString input = parsed->Positionals().first();
  const bool json = parsed->Has("json");
  const QString output = parsed->Value("o").value_or(QString());
  if (json == parsed->Has("o") || (!json && output.isEmpty())) {
    UsageError("survey", "give -o OUT.pdf or --json");
    return kExitUsage;
  }
  if (!json) {
    if (QFileInfo(output).suffix().toLower() != QLatin1String("pdf")) {
      UsageError("survey", "the output must end in .pdf, not \"" + output.toStdString() + "\"");
      return kExitUsage;
    }
    if (SameFile(input, output)) {
      UsageError("survey",
                 LocalPath(output) + " is the results file being read; choose another output");
      return kExitUsage;
    }
  }
  const std::optional<QString> blockText = parsed->Value("block");
  const std::optional<int> blockNumber =
      blockText ? ParseCount(*blockText, 1, 65535) : std::nullopt;
  if (!blockNumber) {
    UsageError("survey", blockText ? "--block must be a block number from 1, not \"" +
                                         blockText->toStdString() + "\""
                                   : std::string("--block N is missing"));
    return kExitUsage;
  }
  const std::optional<QString> unitsText = parsed->Value("units");
  if (unitsText && *unitsText != QLatin1String("SI") && *unitsText != QLatin1String("US")) {
    UsageError("survey", "--units must be SI or US, not \"" + unitsText->toStdString() + "\"");
    return kExitUsage;
  }
  double outdoor = kOutdoorCo2;
  if (const std::optional<QString> text = parsed->Value("outdoor")) {
    const std::optional<double> v = ParseReal(*text);
    if (!v || *v < 0) {
      UsageError("survey",
                 "--outdoor must be a concentration in ppm, not \"" + text->toStdString() + "\"");
      return kExitUsage;
    }
    outdoor = *v;
  }
  // Limits by quantity, upper then lower, each quantity at most once per option.
  std::vector<std::pair<bool, LimitArgument>> limits;
  for (const auto& [option, upper] : {std::pair{"limit", true}, std::pair{"limit-below", false}}) {
    std::vector<int> seen;
    for (const QString& text : repeated[option]) {
      const std::optional<LimitArgument> limit = ParseLimit(option, text);
      if (!limit) return kExitUsage;
      if (std::find(seen.begin(), seen.end(), limit->Quantity) != seen.end()) {
        UsageError("survey", std::string("--") + option + " names code " +
                                 std::to_string(FirstCodeOf(limit->Quantity)) + " twice");
        return kExitUsage;
      }
      seen.push_back(limit->Quantity);
      limits.emplace_back(upper, *limit);
    }
  }
  std::optional<DateTime> from, to;
  for (const auto& [name, target] : {std::pair{"from", &from}, std::pair{"to", &to}}) {
    if (const std::optional<QString> text = parsed->Value(name)) {
      *target = ParseTime(*text);
      if (!*target) {
        UsageError("survey", std::string("--") + name +
                                 " must be a time \"YYYY-MM-DD HH:MM:SS\", not \"" +
                                 text->toStdString() + "\"");
        return kExitUsage;
      }
    }
  }
  std::vector<std::pair<DateTime, DateTime>> decays;
  for (const QString& text : repeated["ach"]) {
    const QStringList ends = text.split(QStringLiteral(".."));
    const std::optional<DateTime> a = ends.size() == 2 ? ParseTime(ends[0]) : std::nullopt;
    const std::optional<DateTime> b = ends.size() == 2 ? ParseTime(ends[1]) : std::nullopt;
    if (!a || !b) {
      UsageError("survey", "--ach must be FROM..TO, two times \"YYYY-MM-DD HH:MM:SS\", not \"" +
                               text.toStdString() + "\"");
      return kExitUsage;
    }
    decays.emplace_back(*a, *b);
  }

  CliContext context;
  DocumentWorkspace workspace(context.Texts());
  Document& doc = workspace.Doc();
  if (!OpenDocument(context, input, workspace)) return kExitFailed;
  if (!doc.LoggerDataLoaded()) {
    context.Error("survey reads logging data; this file holds tests");
    return kExitFailed;
  }
  const int blocks = static_cast<int>(doc.LoggerBlocks.size());
  if (*blockNumber > blocks) {
    context.Error("there is no logging block " + std::to_string(*blockNumber) +
                  ": the file holds " + std::to_string(blocks) + " block" +
                  (blocks == 1 ? "" : "s"));
    return kExitFailed;
  }
  // The block as stored: an empty one gets a survey that says so rather than a refusal.
  const TLoggerRecord& block = doc.LoggerBlocks[static_cast<size_t>(*blockNumber - 1)];
  const std::string n = std::to_string(*blockNumber);

  SurveyRequest request;
  request.DisplayUnits = unitsText ? unitsText->toStdString() : SurveyUnitsOf(block);
  const LoadedLimits stored = LoadLimits(context.Settings());
  for (const std::string& problem : stored.Problems)
    context.Error(problem);
  request.Limits = LimitsInUnits(stored.Limits, request.DisplayUnits);
  const std::vector<int> logged = LoggedQuantities(block);
  const auto isLogged = [&](int q) {
    return std::find(logged.begin(), logged.end(), q) != logged.end();
  };
  for (const auto& [upper, limit] : limits) {
    if (!isLogged(limit.Quantity)) {
      UsageError("survey", std::string(upper ? "--limit " : "--limit-below ") +
                               limit.Text.toStdString() + ": block " + n + " does not log " +
                               context.ForTerminal(
                                   context.Translate(GraphQuantityOf(limit.Quantity)->CaptionKey)) +
                               " (code " + std::to_string(FirstCodeOf(limit.Quantity)) + ")");
      return kExitUsage;
    }
    QuantityLimits& l = request.Limits[static_cast<size_t>(limit.Quantity - 1)];
    (upper ? l.Upper : l.Lower) = limit.Value;
  }

  request.Range = WholeBlock(block);
  if (from || to) {
    const std::optional<SampleRange> range =
        Stretch(block, *blockNumber, from.value_or(block.BeginTime), to.value_or(BlockEnd(block)),
                "--from/--to: ");
    if (!range) return kExitUsage;
    request.Range = *range;
  }
  for (size_t i = 0; i < decays.size(); ++i) {
    const std::string what = "--ach " + repeated["ach"][static_cast<qsizetype>(i)].toStdString();
    if (!isLogged(kCo2Quantity)) {
      UsageError("survey", what + ": block " + n + " does not log CO2 (code 57)");
      return kExitUsage;
    }
    const std::optional<SampleRange> range =
        Stretch(block, *blockNumber, decays[i].first, decays[i].second, what + ": ");
    if (!range) return kExitUsage;
    request.AirChanges.push_back({*range, outdoor});
  }

  SurveySource source;
  source.Block = &block;
  source.BlockNumber = *blockNumber;
  source.Header = &workspace.Report();
  source.Texts = &context.Texts();
  source.Codec = &context.Codec();
  source.Request = request;
  source.DecimalSeparator = context.DecimalSeparator();
  source.LocaleName = context.LocaleName();
  const Survey survey = ComputeSurvey(block, request);
  for (size_t i = 0; i < survey.AirChanges.size(); ++i) {
    const AirChangeFit& fit = survey.AirChanges[i].Fit;
    const std::string what = "--ach " + repeated["ach"][static_cast<qsizetype>(i)].toStdString();
    switch (fit.Problem) {
      case AirChangeProblem::None:
        continue;
      case AirChangeProblem::TooFewSamples:
        UsageError("survey", what + ": " + std::to_string(fit.Samples) +
                                 " CO2 samples with a value; the fit needs at least " +
                                 std::to_string(kAirChangeMinSamples));
        break;
      case AirChangeProblem::NotFalling:
        UsageError("survey", what + ": the CO2 concentration does not fall over this stretch");
        break;
      case AirChangeProblem::AtOrBelowOutdoor:
        UsageError("survey", what + ": a CO2 value at or below the outdoor " + JsonNumber(outdoor) +
                                 " ppm (see --outdoor)");
        break;
    }
    return kExitUsage;
  }

  if (json) {
    const std::string text = SurveyJson(context, *blockNumber, block, request.DisplayUnits, survey);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? kExitOk : kExitFailed;
  }
  const Outcome written = WriteSurveyPdf(output, source);
  if (!written.ok()) {
    context.ReportFailure(written, output);
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace qv::cli

// quorvantel-cli archive: the measurement archive from the command line (add, list, query).
#include "CliArgs.h"
#include "CliContext.h"
#include "Commands.h"

#include "archive/Archive.h"
#include "files/DataExport.h"
#include "format/DateTimeText.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QRegularExpression>

#include <atomic>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <map>

namespace qv::cli {
namespace {

constexpr const char* kHelp =
    "Usage: quorvantel-cli archive add PATH... [--json]\n"
    "       quorvantel-cli archive list [--building B] [--room R] [--from DATE] [--to DATE]\n"
    "                                   [--search WORDS] [--json]\n"
    "       quorvantel-cli archive query [--building B] [--room R] [--code C] [--from DATE]\n"
    "                                    [--to DATE] [--format csv|json] [--json]\n"
    "       each with [--archive DB]\n"
    "\n"
    "Keeps the measurements of every results file in one SQLite database per user, the\n"
    "archive, and finds them by building, room, date and signal code.\n"
    "\n"
    "  add PATH...          adds results files, and the .QVL files (any case) in folders and\n"
    "                       their subfolders. A file whose bytes were added before is skipped;\n"
    "                       a test or logging block that another file brought already (the\n"
    "                       same instrument serial number, begin time, building, room and\n"
    "                       signals) is not stored again. A file that cannot be read is\n"
    "                       reported and the others are added; the exit status is then 1.\n"
    "                       Each file is added whole or not at all: stopped (Ctrl+C), the\n"
    "                       archive keeps every file before it. One line per file, then a\n"
    "                       summary.\n"
    "  list                 the buildings, their rooms and the visits to each room (its tests\n"
    "                       and logging blocks of one day), with the file each came from\n"
    "  query                every test value and logged sample, one row each: building, room,\n"
    "                       time, code, value, unit and source file, by time. Values are the\n"
    "                       files' numbers in the unit system each was measured in; samples\n"
    "                       without a value are left out.\n"
    "\n"
    "  --archive DB         the database; default $XDG_DATA_HOME/quorvantel/archive.sqlite\n"
    "                       (~/.local/share/quorvantel/archive.sqlite). The first add makes it.\n"
    "  --building B         only the building named B, and\n"
    "  --room R             only rooms named R: names are typed in full and match exactly,\n"
    "                       case and blanks included (in the language's code page)\n"
    "  --code C             query: only signal code C (1..67, as 'info' lists them)\n"
    "  --from DATE          from this day (YYYY-MM-DD) or time (YYYY-MM-DDTHH:MM[:SS]) on\n"
    "  --to DATE            up to the end of this day, or up to (not including) this time;\n"
    "                       list: by the begin of each test or block\n"
    "  --search WORDS       list: only visits whose building or room name, or whose file's\n"
    "                       print header or comments, hold every word (the start of a word,\n"
    "                       case and accents ignored where SQLite has full-text search)\n"
    "  --format F           query: csv (default; UTF-8, \".\" decimals, ISO 8601 times) or json\n"
    "  --json               JSON on standard output, for scripts. add: {\"added_files\",\n"
    "                       \"skipped_files\", \"tests\", \"blocks\", \"samples\", \"errors\":\n"
    "                       [{\"path\", \"message\"}]}; list: {\"buildings\": [{\"name\",\n"
    "                       \"rooms\": [{\"name\", \"visits\": [{\"date\", \"tests\": [...],\n"
    "                       \"blocks\": [...]}]}]}]}; query: {\"rows\": [{\"building\", \"room\",\n"
    "                       \"time\", \"code\", \"value\", \"unit\", \"source\"}]}. The "
    "\"samples\" of\n"
    "                       add count logged values, one per signal of each sample; those of\n"
    "                       a listed block its samples, as 'info' counts them.\n";

std::atomic<bool> gStop{false};

extern "C" void OnArchiveInterrupt(int) {
  gStop.store(true);
  // A second Ctrl+C ends the program at once; the archive keeps every file added before.
  std::signal(SIGINT, SIG_DFL);
}

// Text as a JSON string, quotes included.
std::string JsonString(const QString& text) {
  std::string out = "\"";
  for (const char c : text.toUtf8()) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + '"';
}

// The shortest text that reads back as the same number.
std::string Number(double v) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, v);
  return std::string(text, result.ptr);
}

std::string CsvField(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  if (!utf8.contains(',') && !utf8.contains('"') && !utf8.contains('\r') && !utf8.contains('\n') &&
      !utf8.startsWith(' ') && !utf8.endsWith(' ')) {
    return utf8.toStdString();
  }
  QByteArray doubled = utf8;
  doubled.replace("\"", "\"\"");
  return '"' + doubled.toStdString() + '"';
}

// Output gathered and written in large pieces: a query may give millions of rows.
class Output {
 public:
  ~Output() { Flush(); }
  void Add(const std::string& text) {
    buffer_ += text;
    if (buffer_.size() >= 1 << 16) Flush();
  }
  bool Flush() {
    const bool ok = std::fwrite(buffer_.data(), 1, buffer_.size(), stdout) == buffer_.size();
    buffer_.clear();
    return std::fflush(stdout) == 0 && ok;
  }

 private:
  std::string buffer_;
};

std::string Date(int day) {
  return IsoDateTime(day).left(10).toStdString();
}

std::string Time(DateTime t) {
  return IsoDateTime(t).toStdString();
}

// "2024-03-05" or "2024-03-05T14:30[:00]" as a day number; for the end of a range a day
// means the day after it.
std::optional<DateTime> ParseDate(const QString& text, bool rangeEnd) {
  static const QRegularExpression day(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
  static const QRegularExpression time(
      QStringLiteral("^\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}(:\\d{2})?$"));
  DateTimeParts parts;
  if (day.match(text).hasMatch()) {
    const QDate d = QDate::fromString(text, Qt::ISODate);
    if (!d.isValid()) return std::nullopt;
    parts = {d.year(), d.month(), d.day(), 0, 0, 0, 0};
    const std::optional<DateTime> t = EncodeDateTime(parts);
    if (t && rangeEnd) return *t + 1;
    return t;
  }
  if (!time.match(text).hasMatch()) return std::nullopt;
  const QDateTime dt = QDateTime::fromString(text, Qt::ISODate);
  if (!dt.isValid()) return std::nullopt;
  parts = {dt.date().year(),
           dt.date().month(),
           dt.date().day(),
           dt.time().hour(),
           dt.time().minute(),
           dt.time().second(),
           0};
  return EncodeDateTime(parts);
}

// The filter options every subcommand may take; false after the usage line.
bool ReadFilter(const char* command, const ParsedArgs& parsed, const CliContext& context,
                ArchiveFilter& filter) {
  if (const auto b = parsed.Value("building")) filter.building = context.FromArgument(*b);
  if (const auto r = parsed.Value("room")) filter.room = context.FromArgument(*r);
  for (const char* name : {"from", "to"}) {
    const auto text = parsed.Value(name);
    if (!text) continue;
    const std::optional<DateTime> t = ParseDate(*text, std::string_view(name) == "to");
    if (!t) {
      UsageError(command, std::string("--") + name + " must be a date YYYY-MM-DD or a time " +
                              "YYYY-MM-DDTHH:MM[:SS], not \"" + text->toStdString() + "\"");
      return false;
    }
    (std::string_view(name) == "from" ? filter.from : filter.to) = *t;
  }
  if (const auto c = parsed.Value("code")) {
    const std::optional<int> code = ParseCount(*c, 1, kTestValueCount);
    if (!code) {
      UsageError(command, "--code must be a signal code from 1 to " +
                              std::to_string(kTestValueCount) + ", not \"" + c->toStdString() +
                              "\"");
      return false;
    }
    filter.code = *code;
  }
  if (const auto s = parsed.Value("search")) filter.search = *s;
  return true;
}

std::unique_ptr<Archive> OpenArchive(const ParsedArgs& parsed, const CliContext& context,
                                     bool create) {
  ArchiveOpenOptions options;
  options.create = create;
  options.codePage = context.Codec().CodePage();
  const QString path = parsed.Value("archive").value_or(DefaultArchivePath());
  Outcome outcome;
  std::unique_ptr<Archive> archive = Archive::Open(path, options, &outcome);
  if (!archive) context.ErrorBytes(outcome.message);
  return archive;
}

std::string Plural(int64_t n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

int RunAdd(const QStringList& args) {
  int exitCode = kExitOk;
  const std::optional<ParsedArgs> parsed =
      ParseCommandArgs("archive add", args, {{"archive"}, {"json", false}}, kHelp, &exitCode);
  if (!parsed) return exitCode;
  if (parsed->Positionals().isEmpty()) {
    UsageError("archive add", "give the results files or folders to add");
    return kExitUsage;
  }
  CliContext context;
  std::unique_ptr<Archive> archive = OpenArchive(*parsed, context, true);
  if (!archive) return kExitFailed;
  const bool json = parsed->Has("json");

  QStringList missing;
  const QStringList files = Archive::CollectFiles(parsed->Positionals(), &missing);
  struct sigaction action {};
  action.sa_handler = OnArchiveInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  ArchiveAddOptions options;
  options.cancel = &gStop;
  if (!json) {
    options.progress = [&](const ArchiveFileResult& r, int, int) {
      const std::string path = LocalPath(QDir::toNativeSeparators(r.path));
      switch (r.status) {
        case ArchiveFileResult::Status::Added: {
          std::string what;
          if (r.tests > 0) what = Plural(r.tests, "test");
          if (r.blocks > 0) {
            what += (what.empty() ? "" : ", ") + Plural(r.blocks, "block") + " (" +
                    Plural(r.samples, "logged value") + ")";
          }
          context.Out("added " + path + ": " + (what.empty() ? "nothing new" : what + " new"));
          break;
        }
        case ArchiveFileResult::Status::Skipped:
          context.Out("skipped " + path + ": added before");
          break;
        case ArchiveFileResult::Status::Failed:
          context.Error(path + ": " + context.ForTerminal(r.message));
          break;
      }
      // Each line once its file is in the database, for whoever watches the progress.
      std::fflush(stdout);
    };
  }
  ArchiveAddSummary summary = archive->AddFiles(files, context.Texts(), options);
  std::vector<std::pair<QString, QString>> errors;
  for (const QString& m : missing) {
    errors.emplace_back(m, QStringLiteral("No such file or folder"));
    if (!json) context.Error(LocalPath(m) + ": no such file or folder");
  }
  for (const ArchiveFileResult& r : summary.errors)
    errors.emplace_back(r.path, context.Codec().Decode(r.message));

  if (json) {
    std::string out = "{\n  \"added_files\": " + std::to_string(summary.addedFiles) +
                      ",\n  \"skipped_files\": " + std::to_string(summary.skippedFiles) +
                      ",\n  \"tests\": " + std::to_string(summary.tests) +
                      ",\n  \"blocks\": " + std::to_string(summary.blocks) +
                      ",\n  \"samples\": " + std::to_string(summary.samples) + ",\n  \"errors\": [";
    for (size_t i = 0; i < errors.size(); ++i) {
      out += (i == 0 ? "\n    " : ",\n    ");
      out += "{\"path\": " + JsonString(QDir::toNativeSeparators(errors[i].first)) +
             ", \"message\": " + JsonString(errors[i].second) + "}";
    }
    out += errors.empty() ? "]\n}" : "\n  ]\n}";
    context.Out(out);
  } else {
    context.Out(Plural(summary.addedFiles, "file") + " added (" + Plural(summary.tests, "test") +
                ", " + Plural(summary.blocks, "block") + ", " +
                Plural(summary.samples, "logged value") + "), " +
                std::to_string(summary.skippedFiles) + " skipped, " +
                std::to_string(errors.size()) + " failed");
  }
  if (!summary.outcome.ok()) {
    context.ErrorBytes(summary.outcome.message);
    return kExitFailed;
  }
  if (summary.cancelled) {
    context.Error("interrupted; the files added before are in the archive");
    return kExitSignalBase + SIGINT;
  }
  return errors.empty() ? kExitOk : kExitFailed;
}

std::string CodeList(const std::vector<int32_t>& codes) {
  std::string list;
  for (const int32_t c : codes)
    list += (list.empty() ? "" : ",") + std::to_string(c);
  return list;
}

int RunList(const QStringList& args) {
  int exitCode = kExitOk;
  const std::optional<ParsedArgs> parsed = ParseCommandArgs(
      "archive list", args,
      {{"archive"}, {"json", false}, {"building"}, {"room"}, {"from"}, {"to"}, {"search"}}, kHelp,
      &exitCode);
  if (!parsed) return exitCode;
  if (!parsed->Positionals().isEmpty()) {
    UsageError("archive list", "takes no files (see --help)");
    return kExitUsage;
  }
  CliContext context;
  ArchiveFilter filter;
  if (!ReadFilter("archive list", *parsed, context, filter)) return kExitUsage;
  std::unique_ptr<Archive> archive = OpenArchive(*parsed, context, false);
  if (!archive) return kExitFailed;
  std::vector<ArchiveBuilding> tree;
  const Outcome listed = archive->List(filter, tree);
  if (!listed.ok()) {
    context.ErrorBytes(listed.message);
    return kExitFailed;
  }
  const TextCodec& codec = context.Codec();
  const auto path = [](const QString& p) { return QDir::toNativeSeparators(p); };
  Output out;
  if (parsed->Has("json")) {
    const auto items = [&](const std::vector<ArchiveItem>& list, bool blocks) {
      std::string text = "[";
      for (size_t i = 0; i < list.size(); ++i) {
        const ArchiveItem& item = list[i];
        text += i == 0 ? "\n            " : ",\n            ";
        text += "{\"id\": " + std::to_string(item.id) + ", \"" + (blocks ? "start" : "begin") +
                "\": \"" + Time(item.begin) + "\", \"end\": \"" + Time(item.end) + "\", ";
        if (blocks) {
          text += "\"interval\": " + std::to_string(item.intervalSec) +
                  ", \"samples\": " + std::to_string(item.sampleCount) + ", ";
        }
        text += "\"units\": " + JsonString(codec.Decode(item.units)) + ", \"codes\": [" +
                CodeList(item.codes) + "], \"source\": " + JsonString(path(item.source)) + "}";
      }
      return text + (list.empty() ? "]" : "\n          ]");
    };
    out.Add("{\n  \"buildings\": [");
    for (size_t b = 0; b < tree.size(); ++b) {
      out.Add(std::string(b == 0 ? "\n" : ",\n") +
              "    {\"name\": " + JsonString(codec.Decode(tree[b].name)) + ", \"rooms\": [");
      const std::vector<ArchiveRoom>& rooms = tree[b].rooms;
      for (size_t r = 0; r < rooms.size(); ++r) {
        out.Add(std::string(r == 0 ? "\n" : ",\n") +
                "      {\"name\": " + JsonString(codec.Decode(rooms[r].name)) + ", \"visits\": [");
        const std::vector<ArchiveVisit>& visits = rooms[r].visits;
        for (size_t v = 0; v < visits.size(); ++v) {
          out.Add(std::string(v == 0 ? "\n" : ",\n") + "        {\"date\": \"" +
                  Date(visits[v].day) +
                  "\",\n          \"tests\": " + items(visits[v].tests, false) +
                  ",\n          \"blocks\": " + items(visits[v].blocks, true) + "}");
        }
        out.Add(visits.empty() ? "]}" : "\n      ]}");
      }
      out.Add(rooms.empty() ? "]}" : "\n    ]}");
    }
    out.Add(tree.empty() ? "]\n}\n" : "\n  ]\n}\n");
    return out.Flush() ? kExitOk : kExitFailed;
  }
  for (const ArchiveBuilding& b : tree) {
    out.Add(context.ForTerminal(b.name) + "\n");
    for (const ArchiveRoom& r : b.rooms) {
      out.Add("  " + context.ForTerminal(r.name) + "\n");
      for (const ArchiveVisit& v : r.visits) {
        int64_t samples = 0;
        for (const ArchiveItem& k : v.blocks)
          samples += k.sampleCount;
        std::string line = "    " + Date(v.day) + "  ";
        if (!v.tests.empty()) line += Plural(static_cast<int64_t>(v.tests.size()), "test");
        if (!v.tests.empty() && !v.blocks.empty()) line += ", ";
        if (!v.blocks.empty()) {
          line += Plural(static_cast<int64_t>(v.blocks.size()), "block") + " of " +
                  Plural(samples, "sample");
        }
        out.Add(line + "\n");
      }
    }
  }
  if (tree.empty()) context.Error("nothing in the archive matches");
  return out.Flush() ? kExitOk : kExitFailed;
}

int RunQuery(const QStringList& args) {
  int exitCode = kExitOk;
  const std::optional<ParsedArgs> parsed = ParseCommandArgs("archive query", args,
                                                            {{"archive"},
                                                             {"json", false},
                                                             {"format"},
                                                             {"building"},
                                                             {"room"},
                                                             {"code"},
                                                             {"from"},
                                                             {"to"}},
                                                            kHelp, &exitCode);
  if (!parsed) return exitCode;
  if (!parsed->Positionals().isEmpty()) {
    UsageError("archive query", "takes no files (see --help)");
    return kExitUsage;
  }
  const QString format = parsed->Value("format").value_or(
      parsed->Has("json") ? QStringLiteral("json") : QStringLiteral("csv"));
  if (format != QLatin1String("csv") && format != QLatin1String("json")) {
    UsageError("archive query",
               "--format must be csv or json, not \"" + format.toStdString() + "\"");
    return kExitUsage;
  }
  if (parsed->Has("json") && format != QLatin1String("json")) {
    UsageError("archive query", "--json and --format " + format.toStdString() + " disagree");
    return kExitUsage;
  }
  CliContext context;
  ArchiveFilter filter;
  if (!ReadFilter("archive query", *parsed, context, filter)) return kExitUsage;
  std::unique_ptr<Archive> archive = OpenArchive(*parsed, context, false);
  if (!archive) return kExitFailed;

  const bool json = format == QLatin1String("json");
  const TextCodec& codec = context.Codec();
  // Texts repeat from row to row: each is decoded once.
  std::map<Bytes, std::string> names;
  const auto name = [&](const Bytes& b) -> const std::string& {
    auto it = names.find(b);
    if (it == names.end()) {
      const QString text = codec.Decode(b);
      it = names.emplace(b, json ? JsonString(text) : CsvField(text)).first;
    }
    return it->second;
  };
  std::map<std::pair<int, Bytes>, std::string> units;
  std::map<QString, std::string> sources;
  Output out;
  out.Add(json ? "{\n  \"rows\": [" : "building,room,time,code,value,unit,source\r\n");
  bool first = true;
  const Outcome queried = archive->Query(filter, [&](const ArchiveRow& row) {
    auto unit = units.find({row.code, row.units});
    if (unit == units.end()) {
      const QString text = codec.Decode(UnitText(row.code, row.units, context.Texts()));
      unit = units
                 .emplace(std::make_pair(row.code, row.units),
                          json ? JsonString(text) : CsvField(text))
                 .first;
    }
    auto source = sources.find(row.source);
    if (source == sources.end()) {
      const QString p = QDir::toNativeSeparators(row.source);
      source = sources.emplace(row.source, json ? JsonString(p) : CsvField(p)).first;
    }
    if (json) {
      out.Add(std::string(first ? "\n    " : ",\n    ") + "{\"building\": " + name(row.building) +
              ", \"room\": " + name(row.room) + ", \"time\": \"" + Time(row.time) +
              "\", \"code\": " + std::to_string(row.code) + ", \"value\": " + Number(row.value) +
              ", \"unit\": " + unit->second + ", \"source\": " + source->second + "}");
    } else {
      out.Add(name(row.building) + "," + name(row.room) + "," + Time(row.time) + "," +
              std::to_string(row.code) + "," + Number(row.value) + "," + unit->second + "," +
              source->second + "\r\n");
    }
    first = false;
    return true;
  });
  if (json) out.Add(first ? "]\n}\n" : "\n  ]\n}\n");
  if (!out.Flush()) return kExitFailed;
  if (!queried.ok()) {
    context.ErrorBytes(queried.message);
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace

int RunArchive(const QStringList& args) {
  const QString sub = args.size() > 1 ? args.at(1) : QString();
  QStringList rest = args.mid(2);
  rest.prepend(QStringLiteral("quorvantel-cli archive ") + sub);
  if (sub == QLatin1String("add")) return RunAdd(rest);
  if (sub == QLatin1String("list")) return RunList(rest);
  if (sub == QLatin1String("query")) return RunQuery(rest);
  if (sub == QLatin1String("--help") || sub == QLatin1String("-h")) {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  UsageError("archive",
             sub.isEmpty() ? std::string("add, list or query? (see --help)")
                           : "unknown subcommand \"" + sub.toStdString() + "\" (add, list, query)");
  return kExitUsage;
}

}  // namespace qv::cli

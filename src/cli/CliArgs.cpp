#include "CliArgs.h"

#include "CliContext.h"

#include <QFile>

#include <sys/stat.h>

#include <cstdio>

namespace qv::cli {

std::optional<QString> ParsedArgs::Value(const std::string& name) const {
  const auto it = values_.find(name);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

std::optional<ParsedArgs> ParseArgs(const QStringList& args, std::initializer_list<OptionDef> specs,
                                    std::string* error) {
  ParsedArgs parsed;
  auto find = [&](const std::string& name) -> const OptionDef* {
    for (const OptionDef& s : specs) {
      if (name == s.name) return &s;
    }
    return nullptr;
  };
  bool optionsEnded = false;
  for (qsizetype i = 1; i < args.size(); ++i) {
    const QString& arg = args.at(i);
    if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
      parsed.positionals_.append(arg);
      continue;
    }
    if (arg == QLatin1String("--")) {
      optionsEnded = true;
      continue;
    }
    if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
      parsed.help_ = true;
      continue;
    }
    std::string name;
    std::optional<QString> inlineValue;
    if (arg.startsWith(QLatin1String("--"))) {
      QString body = arg.mid(2);
      const qsizetype eq = body.indexOf(QLatin1Char('='));
      if (eq >= 0) {
        inlineValue = body.mid(eq + 1);
        body = body.left(eq);
      }
      name = body.toStdString();
      // "-o" is the short form of "--output"; "--o" is neither.
      if (name == "o") name = "--o";
      if (name == "output") name = "o";
    } else {
      name = arg.mid(1).toStdString();
    }
    const OptionDef* option = find(name);
    if (option == nullptr) {
      *error = "unknown option " + arg.toStdString() + " (see --help)";
      return std::nullopt;
    }
    if (parsed.values_.count(name) != 0) {
      *error = "option " + arg.toStdString() + " is given twice";
      return std::nullopt;
    }
    QString value;
    if (option->takesValue) {
      if (inlineValue) {
        value = *inlineValue;
      } else if (i + 1 < args.size()) {
        value = args.at(++i);
      } else {
        *error = "option " + arg.toStdString() + " needs a value";
        return std::nullopt;
      }
    } else if (inlineValue) {
      *error = "option " + arg.toStdString() + " takes no value";
      return std::nullopt;
    }
    parsed.values_[name] = value;
  }
  return parsed;
}

std::optional<int> ParseCount(const QString& text, int min, int max) {
  const QString t = text.trimmed();
  if (t.isEmpty()) return std::nullopt;
  for (const QChar c : t) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
  }
  bool ok = false;
  const qlonglong v = t.toLongLong(&ok);
  if (!ok || v < min || v > max) return std::nullopt;
  return static_cast<int>(v);
}

void UsageError(const char* command, const std::string& text) {
  std::fprintf(stderr, "quorvantel-cli %s: %s\n", command, text.c_str());
}

std::optional<ParsedArgs> ParseCommandArgs(const char* command, const QStringList& args,
                                           std::initializer_list<OptionDef> options,
                                           const char* help, int* exitCode) {
  std::string error;
  std::optional<ParsedArgs> parsed = ParseArgs(args, options, &error);
  if (!parsed) {
    UsageError(command, error);
    *exitCode = kExitUsage;
    return std::nullopt;
  }
  if (parsed->Help()) {
    std::fputs(help, stdout);
    *exitCode = kExitOk;
    return std::nullopt;
  }
  return parsed;
}

bool InputAndOutput(const char* command, const ParsedArgs& parsed, const char* verb, QString* input,
                    QString* output, bool standardOutput) {
  if (parsed.Positionals().size() != 1) {
    UsageError(command, parsed.Positionals().isEmpty()
                            ? std::string("the results file to ") + verb + " is missing"
                            : std::string("only one results file can be ") + verb + "ed");
    return false;
  }
  const std::optional<QString> out = parsed.Value("o");
  if (!out || out->isEmpty()) {
    UsageError(command, "-o OUT is required");
    return false;
  }
  *input = parsed.Positionals().first();
  *output = *out;
  if (*output == QLatin1String("-") && !standardOutput) {
    UsageError(command, "-o - (standard output) is for export; name the file to write");
    return false;
  }
  // Writing over the input would replace the document with what was made of it ("-" is
  // standard output, where the command allows it).
  if (*output != QLatin1String("-") && SameFile(*input, *output)) {
    UsageError(command,
               LocalPath(*output) + " is the results file being read; choose another output");
    return false;
  }
  return true;
}

bool SameFile(const QString& a, const QString& b) {
  struct stat sa {
  }, sb{};
  if (::stat(QFile::encodeName(a).constData(), &sa) != 0) return false;
  if (::stat(QFile::encodeName(b).constData(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace qv::cli

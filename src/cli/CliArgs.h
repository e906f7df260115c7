// A small reader of the commands' arguments: "--name value", "--name=value", "-o value",
// "--help"/"-h", and positional arguments. Every mistake becomes one sentence.
#pragma once

#include <QString>
#include <QStringList>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>

namespace qv::cli {

struct OptionDef {
  const char* name;  // long name without dashes; "o" is written "-o" (also "--output")
  bool takesValue = true;
};

class ParsedArgs {
 public:
  bool Help() const { return help_; }
  bool Has(const std::string& name) const { return values_.count(name) != 0; }
  std::optional<QString> Value(const std::string& name) const;
  const QStringList& Positionals() const { return positionals_; }

 private:
  friend std::optional<ParsedArgs> ParseArgs(const QStringList&, std::initializer_list<OptionDef>,
                                             std::string*);
  bool help_ = false;
  std::map<std::string, QString> values_;
  QStringList positionals_;
};

// args[0] is the command's name. nullopt with `error` set for an unknown option, a missing
// value or an option given twice.
std::optional<ParsedArgs> ParseArgs(const QStringList& args, std::initializer_list<OptionDef> specs,
                                    std::string* error);

// Prints "quorvantel-cli COMMAND: text" on stderr: the one line every usage mistake gets.
void UsageError(const char* command, const std::string& text);

// ParseArgs for a command, with the outcomes every command shares: --help prints `help` and
// a mistake prints its line; both give nullopt and the exit code in *exitCode.
std::optional<ParsedArgs> ParseCommandArgs(const char* command, const QStringList& args,
                                           std::initializer_list<OptionDef> options,
                                           const char* help, int* exitCode);

// Whether both paths name one file (device and inode), through links too. False when either
// does not exist.
bool SameFile(const QString& a, const QString& b);

// The one positional FILE and the required "-o OUT" of the commands that turn a results file
// into another file. `verb` completes "the results file to ... is missing". "-o -" is standard
// output where `standardOutput` allows it, else refused. False after the usage line was
// printed.
bool InputAndOutput(const char* command, const ParsedArgs& parsed, const char* verb, QString* input,
                    QString* output, bool standardOutput = false);

// "12" -> 12; nullopt for anything but a whole decimal number in [min, max].
std::optional<int> ParseCount(const QString& text, int min, int max);

}  // namespace qv::cli

// A small reader of INI files with the semantics language and product files were written for:
// sections and keys match without regard to (ASCII) case, blanks around keys and values are
// trimmed, keys may hold "/" and inner blanks ("Unit-M/S_10", "msgFileSaveError_35   Error #10"),
// the first of duplicate sections or keys wins, lines starting with ';' are comments.
// Values are bytes; nothing is decoded.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qv {

class IniFile {
 public:
  IniFile() = default;
  // Reads the file; a missing or unreadable file gives an empty IniFile (Loaded() false).
  static IniFile Load(const std::string& path);
  static IniFile Parse(std::string_view bytes);
  // The whole content of a regular file; nullopt when it is missing or cannot be read.
  static std::optional<std::string> ReadFileBytes(const std::string& path);

  bool Loaded() const { return loaded_; }
  // Section names in file order, as written.
  std::vector<std::string> SectionNames() const;
  bool HasSection(std::string_view section) const;
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const;
  // Keys (as written) and values of a section in file order; empty for a missing section.
  std::vector<std::pair<std::string, std::string>> Entries(std::string_view section) const;

 private:
  struct Entry {
    std::string key;    // as written (trimmed)
    std::string lower;  // ASCII lower case, for matching
    std::string value;
  };
  struct Section {
    std::string name;
    std::string lower;
    std::vector<Entry> entries;
  };
  const Section* Find(std::string_view section) const;
  std::vector<Section> sections_;
  bool loaded_ = false;
};

}  // namespace qv

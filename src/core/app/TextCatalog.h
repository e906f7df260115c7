// Translation of text keys through the language file (section "Language").
#pragma once

#include "base/Types.h"

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace qv {

inline constexpr std::string_view kMissingText = "-----";

class TextCatalog {
 public:
  // An empty catalog: every key translates to "-----".
  TextCatalog();
  // The catalog of a language file. Loaded once per path and shared (a cache keyed on the
  // file, giving the same results as reading the file at every call).
  static TextCatalog FromFile(const std::string& path);
  // For tests: a catalog from the bytes of a language file.
  static TextCatalog FromBytes(std::string_view iniBytes);

  // The text of a key, or "-----" when the language file lacks it.
  Bytes Translate(std::string_view key) const;
  bool Has(std::string_view key) const;
  const std::string& Path() const { return path_; }

 private:
  std::shared_ptr<const std::unordered_map<std::string, Bytes>> texts_;  // lower-case keys
  std::string path_;
};

}  // namespace qv

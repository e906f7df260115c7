#include "app/TextCatalog.h"

#include "app/IniFile.h"

#include <map>
#include <mutex>
#include <optional>

namespace qv {
namespace {

using TextMap = std::unordered_map<std::string, Bytes>;

constexpr std::string_view kLanguageSection = "Language";

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// Keys are looked up as the INI reader matches them: blanks around them and case do not count.
std::string LookupKey(std::string_view key) {
  while (!key.empty() && (key.front() == ' ' || key.front() == '\t'))
    key.remove_prefix(1);
  while (!key.empty() && (key.back() == ' ' || key.back() == '\t'))
    key.remove_suffix(1);
  return Lower(key);
}

std::shared_ptr<const TextMap> BuildTexts(const IniFile& ini) {
  auto texts = std::make_shared<TextMap>();
  // Entries already hold the first of duplicate keys only, matched without regard to case.
  for (auto& [key, value] : ini.Entries(kLanguageSection))
    texts->emplace(Lower(key), value);
  return texts;
}

// The bytes a catalog was built from. A catalog is handed out again only for the very same
// bytes, so an edited or replaced file gives what a fresh read gives; reading a language
// file is cheap, building its table is what the cache saves.
struct CacheEntry {
  std::optional<std::string> bytes;  // nullopt: there was no readable file
  std::shared_ptr<const TextMap> texts;
};

std::mutex& CacheMutex() {
  static std::mutex m;
  return m;
}

std::map<std::string, CacheEntry>& Cache() {
  static std::map<std::string, CacheEntry> cache;
  return cache;
}

}  // namespace

TextCatalog::TextCatalog() : texts_(std::make_shared<const TextMap>()) {}

TextCatalog TextCatalog::FromFile(const std::string& path) {
  std::optional<std::string> bytes = IniFile::ReadFileBytes(path);
  TextCatalog catalog;
  catalog.path_ = path;
  {
    std::lock_guard<std::mutex> lock(CacheMutex());
    auto it = Cache().find(path);
    if (it != Cache().end() && it->second.bytes == bytes) {
      catalog.texts_ = it->second.texts;
      return catalog;
    }
  }
  catalog.texts_ = bytes ? BuildTexts(IniFile::Parse(*bytes)) : std::make_shared<TextMap>();
  std::lock_guard<std::mutex> lock(CacheMutex());
  Cache()[path] = CacheEntry{std::move(bytes), catalog.texts_};
  return catalog;
}

TextCatalog TextCatalog::FromBytes(std::string_view iniBytes) {
  TextCatalog catalog;
  catalog.texts_ = BuildTexts(IniFile::Parse(iniBytes));
  return catalog;
}

Bytes TextCatalog::Translate(std::string_view key) const {
  auto it = texts_->find(LookupKey(key));
  return it == texts_->end() ? Bytes(kMissingText) : it->second;
}

bool TextCatalog::Has(std::string_view key) const {
  return texts_->find(LookupKey(key)) != texts_->end();
}

}  // namespace qv

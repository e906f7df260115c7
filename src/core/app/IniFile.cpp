#include "app/IniFile.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace qv {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back()))
    s.remove_suffix(1);
  return s;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> IniFile::ReadFileBytes(const std::string& path) {
  std::error_code ec;
  // A folder opens as a stream on Linux and fails only at the first read: refuse it here.
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes;
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
    bytes.append(buffer, static_cast<size_t>(in.gcount()));
  if (in.bad()) return std::nullopt;
  return bytes;
}

IniFile IniFile::Load(const std::string& path) {
  const std::optional<std::string> bytes = ReadFileBytes(path);
  return bytes ? Parse(*bytes) : IniFile();
}

IniFile IniFile::Parse(std::string_view bytes) {
  IniFile ini;
  ini.loaded_ = true;
  // Language files are written in an 8-bit code page; an editor may still have put a UTF-8
  // mark in front of the first section, which would otherwise hide that section.
  if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) bytes.remove_prefix(kUtf8Bom.size());

  Section* current = nullptr;  // null before the first section and inside a repeated one
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t end = bytes.find('\n', pos);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = bytes.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = Trim(line);
    if (line.empty() || line.front() == ';') continue;

    if (line.front() == '[') {
      line.remove_prefix(1);
      const size_t close = line.find(']');
      const std::string_view name = Trim(line.substr(0, close));
      // The first of two sections with the same name is the one that is read.
      current = nullptr;
      if (ini.Find(name) == nullptr) {
        ini.sections_.push_back(Section{std::string(name), Lower(name), {}});
        current = &ini.sections_.back();
      }
      continue;
    }

    const size_t eq = line.find('=');
    if (eq == std::string_view::npos || current == nullptr) continue;
    const std::string_view key = Trim(line.substr(0, eq));
    if (key.empty()) continue;
    std::string lower = Lower(key);
    bool seen = false;
    for (const Entry& e : current->entries) {
      if (e.lower == lower) {
        seen = true;
        break;
      }
    }
    if (seen) continue;
    current->entries.push_back(
        Entry{std::string(key), std::move(lower), std::string(Trim(line.substr(eq + 1)))});
  }
  return ini;
}

std::vector<std::string> IniFile::SectionNames() const {
  std::vector<std::string> names;
  names.reserve(sections_.size());
  for (const Section& s : sections_)
    names.push_back(s.name);
  return names;
}

bool IniFile::HasSection(std::string_view section) const {
  return Find(section) != nullptr;
}

std::optional<std::string> IniFile::Value(std::string_view section, std::string_view key) const {
  const Section* s = Find(section);
  if (s == nullptr) return std::nullopt;
  const std::string wanted = Lower(Trim(key));
  for (const Entry& e : s->entries) {
    if (e.lower == wanted) return e.value;
  }
  return std::nullopt;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
  std::optional<std::string> v = Value(section, key);
  return v ? *v : std::string(fallback);
}

std::vector<std::pair<std::string, std::string>> IniFile::Entries(std::string_view section) const {
  std::vector<std::pair<std::string, std::string>> out;
  if (const Section* s = Find(section)) {
    out.reserve(s->entries.size());
    for (const Entry& e : s->entries)
      out.emplace_back(e.key, e.value);
  }
  return out;
}

const IniFile::Section* IniFile::Find(std::string_view section) const {
  const std::string_view wanted = Trim(section);
  for (const Section& s : sections_) {
    if (EqualNoCase(s.name, wanted)) return &s;
  }
  return nullptr;
}

}  // namespace qv

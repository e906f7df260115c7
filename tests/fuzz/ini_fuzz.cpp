// libFuzzer target for the INI reader and the text catalog built on it. What must hold: section
// names are unique without regard to case and each is found; keys are trimmed, unique within
// their section and give back their value; what was read, written out again as plain lines,
// reads back the same; the catalog translates exactly the keys of the "Language" section.
#include "FuzzCheck.h"
#include "app/IniFile.h"
#include "app/TextCatalog.h"

#include <string>
#include <string_view>

namespace {

bool Trimmed(std::string_view s) {
  return s.empty() ||
         (s.front() != ' ' && s.front() != '\t' && s.back() != ' ' && s.back() != '\t');
}

// CR LF line ends, so that a value's own trailing CR survives the reader's CR LF handling.
std::string Write(const qv::IniFile& ini) {
  std::string out;
  for (const std::string& name : ini.SectionNames()) {
    out += "[" + name + "]\r\n";
    for (const auto& [key, value] : ini.Entries(name))
      out += key + "=" + value + "\r\n";
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const qv::IniFile ini = qv::IniFile::Parse(bytes);
  QV_FUZZ_CHECK(ini.Loaded());

  const auto names = ini.SectionNames();
  for (size_t i = 0; i < names.size(); ++i) {
    QV_FUZZ_CHECK(ini.HasSection(names[i]));
    QV_FUZZ_CHECK(Trimmed(names[i]));
    const auto entries = ini.Entries(names[i]);
    for (const auto& [key, value] : entries) {
      QV_FUZZ_CHECK(!key.empty() && Trimmed(key) && Trimmed(value));
      QV_FUZZ_CHECK(key.find('=') == std::string::npos);
      QV_FUZZ_CHECK(ini.Value(names[i], key) == value);
    }
    QV_FUZZ_CHECK(ini.ReadString(names[i], "", "fallback") == "fallback");
  }

  const std::string written = Write(ini);
  const qv::IniFile again = qv::IniFile::Parse(written);
  QV_FUZZ_CHECK(again.SectionNames() == names);
  for (const std::string& name : names)
    QV_FUZZ_CHECK(again.Entries(name) == ini.Entries(name));
  QV_FUZZ_CHECK(Write(again) == written);

  const qv::TextCatalog texts = qv::TextCatalog::FromBytes(bytes);
  for (const auto& [key, value] : ini.Entries("Language")) {
    QV_FUZZ_CHECK(texts.Has(key));
    QV_FUZZ_CHECK(texts.Translate(key) == value);
    QV_FUZZ_CHECK(texts.Translate(" " + key + "\t") == value);
  }
  for (const char* key : {"File_10", "msgDataCorrupt_35", "Curr_5", "", "="}) {
    const std::optional<std::string> value = ini.Value("Language", key);
    QV_FUZZ_CHECK(texts.Has(key) == value.has_value());
    QV_FUZZ_CHECK(texts.Translate(key) == value.value_or(std::string(qv::kMissingText)));
  }
  return 0;
}

#include "print/HeaderSettings.h"

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace qv {
namespace {

constexpr std::array<const char*, PrintHeader::LineCount> kLineNames = {
    "Operator1", "Operator2", "TestSite1", "TestSite2", "Footer"};

// Probe name stems in the order of PrintHeader::Probe.
constexpr std::array<const char*, PrintHeader::ProbeCount> kProbeStems = {
    "TempPr", "HumPr", "AirVPr", "IllPr", "ThCoupPr", "GlPr", "LumPr", "CO2Pr", "COPr", "AdapPr"};

// The 25 value names of a family with the text each one holds, in the order the settings list
// them.
template <typename Header, typename Text>
std::vector<std::pair<std::string, Text*>> Fields(HeaderFamily family, Header& header) {
  const std::string suffix = family == HeaderFamily::Default ? "Def" : "";
  std::vector<std::pair<std::string, Text*>> fields;
  for (size_t i = 0; i < kLineNames.size(); ++i)
    fields.emplace_back(kLineNames[i] + suffix, &header.Lines[i]);
  for (size_t p = 0; p < kProbeStems.size(); ++p) {
    const std::string stem = kProbeStems[p];
    fields.emplace_back(stem + "SerNo" + suffix, &header.ProbeSerNo[p]);
    fields.emplace_back(stem + "Type" + suffix, &header.ProbeType[p]);
  }
  return fields;
}

}  // namespace

void LoadHeaderFamily(const SettingsStore& store, HeaderFamily family, PrintHeader& header) {
  for (const auto& [name, text] : Fields<PrintHeader, Bytes>(family, header))
    store.ReadText(name.c_str(), *text);
}

bool SaveHeaderFamily(const SettingsStore& store, HeaderFamily family, const PrintHeader& header) {
  const auto fields = Fields<const PrintHeader, const Bytes>(family, header);
  std::vector<std::pair<const char*, Bytes>> values;
  values.reserve(fields.size());
  for (const auto& [name, text] : fields)
    values.emplace_back(name.c_str(), *text);
  return store.WriteTexts(values);
}

PrintHeader CurrentHeaderTexts(const SettingsStore& store) {
  PrintHeader header;
  LoadHeaderFamily(store, HeaderFamily::Current, header);
  return header;
}

}  // namespace qv

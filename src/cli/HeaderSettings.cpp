#include "HeaderSettings.h"

#include <array>

namespace qv::cli {
namespace {

constexpr std::array<const char*, PrintHeader::LineCount> kLineNames = {
    "Operator1", "Operator2", "TestSite1", "TestSite2", "Footer"};

// Probe name stems in the order of PrintHeader::Probe.
constexpr std::array<const char*, PrintHeader::ProbeCount> kProbeStems = {
    "TempPr", "HumPr", "AirVPr", "IllPr", "ThCoupPr", "GlPr", "LumPr", "CO2Pr", "COPr", "AdapPr"};

}  // namespace

PrintHeader CurrentHeaderTexts(const SettingsStore& store) {
  PrintHeader header;
  for (size_t i = 0; i < kLineNames.size(); ++i)
    store.ReadText(kLineNames[i], header.Lines[i]);
  for (size_t p = 0; p < kProbeStems.size(); ++p) {
    const std::string stem = kProbeStems[p];
    store.ReadText((stem + "SerNo").c_str(), header.ProbeSerNo[p]);
    store.ReadText((stem + "Type").c_str(), header.ProbeType[p]);
  }
  return header;
}

}  // namespace qv::cli

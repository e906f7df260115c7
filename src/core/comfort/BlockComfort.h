// Thermal comfort of a logging block, sample by sample, with every input the analysis took and
// where it came from, and a summary: category shares, PMV, PPD and draught rate extremes and
// means, and the WBGT against its reference. SI units throughout; a block in US units is
// converted as it is read.
#pragma once

#include "comfort/ComfortIndices.h"
#include "store/Records.h"

#include <array>
#include <optional>
#include <vector>

namespace qv {

// The current values the analysis reads: air temperature, relative humidity, air velocity,
// globe temperature and WBGT.
inline constexpr int kComfortAirTempCode = 1;
inline constexpr int kComfortHumidityCode = 5;
inline constexpr int kComfortVelocityCode = 13;
inline constexpr int kComfortGlobeCode = 41;
inline constexpr int kComfortWbgtCode = 53;

// What stands in for an input the block does not log.
inline constexpr double kAssumedAirVelocity = 0.1;  // m/s

// The person's choices. Every unset optional leaves the block's own value (or, where the block
// has none, the default named); the plain numbers are the defaults themselves.
struct ComfortSettings {
  std::optional<double> MetabolicRate;  // met; unset: the block's parameter
  std::optional<double> Clothing;       // clo; unset: the block's parameter
  std::optional<double> AirVelocity;    // m/s for every sample; unset: logged, else 0.1
  std::optional<double> RadiantTemp;    // °C for every sample; unset: from the globe, else ta
  GlobeProbe Globe;                     // diameter 0.15 m, emissivity 0.95
  double Turbulence = 40;               // %, of the draught rate
  // The summary leaves out the samples of the first minutes: a globe takes about 20 minutes
  // to follow the room.
  double SkipMinutes = 0;
  bool Acclimatised = true;  // which WBGT reference values apply
};

// A setting outside what the analysis can work with: none, or the first such in the order
// below. Metabolic rate and clothing are any finite numbers (outside the ranges of ISO 7730
// they only give no PMV); velocities, turbulence and skipped minutes are not negative, the
// globe has a size and an emissivity in (0, 1].
enum class ComfortSettingProblem {
  None,
  MetabolicRate,
  Clothing,
  AirVelocity,
  RadiantTemp,
  GlobeDiameter,
  Emissivity,
  Turbulence,
  SkipMinutes,
};
ComfortSettingProblem CheckComfortSettings(const ComfortSettings& settings);

// The block's metabolic rate or clothing; nullopt when the block sets none (0 or -1).
std::optional<double> BlockMetabolicRate(const TLoggerRecord& block);
std::optional<double> BlockClothing(const TLoggerRecord& block);

// Where an input of the analysis came from.
enum class InputSource {
  Block,    // logged by the block, or set in its parameters
  Given,    // given by the person
  Assumed,  // the block has none: tr = ta, or va = 0.1 m/s
};

// What the analysis took, for showing beside its results.
struct ComfortInputs {
  double MetabolicRate = 0;
  InputSource MetabolicRateFrom = InputSource::Block;
  double Clothing = 0;
  InputSource ClothingFrom = InputSource::Block;
  // Block: from the logged globe; Given: the person's value; Assumed: equal to the air.
  InputSource RadiantFrom = InputSource::Assumed;
  // Block: logged; Given: the person's value; Assumed: kAssumedAirVelocity.
  InputSource VelocityFrom = InputSource::Assumed;
  GlobeProbe Globe;
  double Turbulence = 40;
  double SkipMinutes = 0;
  // The block's unit text is neither "SI" nor "US": its values were read as SI.
  bool UnitsUnknown = false;
  bool WbgtLogged = false;
  int MetabolicClass = 0;
  bool Acclimatised = true;
  bool WbgtAirMovement = false;  // the reference with sensible air movement (velocity logged)
  double WbgtReferenceValue = 0;

  // Not measured: every output marks these as assumed.
  bool RadiantAssumed() const { return RadiantFrom != InputSource::Block; }
  bool VelocityAssumed() const { return VelocityFrom != InputSource::Block; }
};

// What keeps a block from being analysed. The two logged quantities are missing from the
// block itself; metabolic rate and clothing are missing from its parameters and must be given.
struct MissingInputs {
  bool AirTemp = false;
  bool Humidity = false;
  bool MetabolicRate = false;
  bool Clothing = false;
  bool Any() const { return AirTemp || Humidity || MetabolicRate || Clothing; }
};

// One sample: the inputs in SI units and the indices. A value the sample lacks (not logged,
// "no sample" from the instrument, or no index by the rules) is nullopt; each index needs only
// its own inputs (the operative temperature ta, tr and va, the draught rate ta and va, the PMV
// all six).
struct ComfortSample {
  DateTime Time = 0;
  std::optional<double> AirTemp, RelHumidity, AirVelocity, GlobeTemp, RadiantTemp;
  std::optional<double> Operative, Pmv, Ppd, DraughtRate, Wbgt;
  PmvStatus Status = PmvStatus::OutsideRanges;  // Computed exactly when Pmv is set
  // Set exactly when Pmv is; the ISO 7730 category weighs the draught rate only when the air
  // velocity was logged.
  std::optional<Iso7730Category> Iso7730;
  std::optional<En16798Category> En16798;
};

struct ValueSpread {
  double Min = 0;
  double Mean = 0;
  double Max = 0;
};

// The samples after the skipped minutes. Shares are percentages of the evaluated samples
// (those with a PMV), each counted in its best category only; with no evaluated sample there
// are none.
struct ComfortSummary {
  int Samples = 0;  // after the skip
  int Skipped = 0;
  int Evaluated = 0;
  std::optional<std::array<double, 4>> Iso7730Shares;  // A, B, C, outside
  std::optional<std::array<double, 5>> En16798Shares;  // I, II, III, IV, outside
  std::optional<ValueSpread> Pmv, Ppd, DraughtRate;
  // Percentage of the samples with a WBGT value that lie above the reference; none when the
  // block logs no WBGT or holds no value of it.
  std::optional<double> WbgtAboveReference;
};

struct BlockComfort {
  MissingInputs Missing;  // when Any(), nothing else is filled
  ComfortInputs Inputs;
  std::vector<ComfortSample> Samples;  // every sample of the block
  ComfortSummary Summary;
  bool ok() const { return !Missing.Any(); }
};

// The analysis of a block. Settings that CheckComfortSettings refuses give indices only where
// they still make sense (no radiant temperature from a globe without a size, and so on).
BlockComfort AnalyseBlockComfort(const TLoggerRecord& block, const ComfortSettings& settings);

}  // namespace qv

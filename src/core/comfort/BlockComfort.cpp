#include "comfort/BlockComfort.h"

#include "format/DateTimeText.h"
#include "format/ValueFormat.h"
#include "store/SignalCatalog.h"

#include <algorithm>
#include <cmath>

namespace qv {
namespace {

enum class Units { SI, US, Unknown };

Units UnitsOf(const Bytes& text) {
  if (text == "SI") return Units::SI;
  if (text == "US") return Units::US;
  return Units::Unknown;
}

enum class Kind { Temperature, Humidity, Velocity };

// The logged current values of one code, read in SI units. Absent when the block does not log
// the code; a sample the arrays do not hold reads as no sample.
class LoggedSeries {
 public:
  LoggedSeries(const TLoggerRecord& block, int code, Kind kind, bool us) : kind_(kind), us_(us) {
    if (block.SignalPresent[static_cast<size_t>(code)] != 1) return;
    const std::vector<double>& v = block.Samples[static_cast<size_t>(StoragePos(code))];
    data_ = v.data();
    size_ = std::min(v.size(), static_cast<size_t>(std::max(block.SampleCount, 0)));
    logged_ = true;
  }
  bool Logged() const { return logged_; }
  std::optional<double> At(size_t i) const {
    if (i >= size_) return std::nullopt;
    const double raw = data_[i];
    // The instruments' "no sample" marks lie at 3e7 and above.
    if (!std::isfinite(raw) || raw >= NoValueThreshold) return std::nullopt;
    if (!us_) return raw;
    switch (kind_) {
      case Kind::Temperature:
        return (raw - 32) / 1.8;
      case Kind::Velocity:
        return raw / kFtPerMinPerMps;
      case Kind::Humidity:
        break;
    }
    return raw;
  }

 private:
  Kind kind_;
  bool us_;
  bool logged_ = false;
  const double* data_ = nullptr;
  size_t size_ = 0;
};

std::optional<double> BlockParameter(double value) {
  // 0 and -1 are what blocks without parameters carry.
  if (!std::isfinite(value) || value <= 0) return std::nullopt;
  return value;
}

bool Finite(const std::optional<double>& v) {
  return !v || std::isfinite(*v);
}

// Settings the analysis was not meant to get must not turn into numbers that are none.
std::optional<double> IfFinite(std::optional<double> v) {
  return Finite(v) ? v : std::nullopt;
}

// Minimum, mean and maximum of what `get` gives for the samples from `first`.
template <typename Get>
std::optional<ValueSpread> SpreadOf(const std::vector<ComfortSample>& samples, size_t first,
                                    Get get) {
  ValueSpread s{INFINITY, 0, -INFINITY};
  double sum = 0;
  int n = 0;
  for (size_t i = first; i < samples.size(); ++i) {
    const std::optional<double> v = get(samples[i]);
    if (!v) continue;
    s.Min = std::min(s.Min, *v);
    s.Max = std::max(s.Max, *v);
    sum += *v;
    ++n;
  }
  if (n == 0) return std::nullopt;
  s.Mean = sum / n;
  return s;
}

}  // namespace

ComfortSettingProblem CheckComfortSettings(const ComfortSettings& s) {
  using P = ComfortSettingProblem;
  if (!Finite(s.MetabolicRate)) return P::MetabolicRate;
  if (!Finite(s.Clothing)) return P::Clothing;
  if (s.AirVelocity && !(std::isfinite(*s.AirVelocity) && *s.AirVelocity >= 0)) {
    return P::AirVelocity;
  }
  if (!Finite(s.RadiantTemp)) return P::RadiantTemp;
  if (!(std::isfinite(s.Globe.Diameter) && s.Globe.Diameter > 0)) return P::GlobeDiameter;
  if (!(s.Globe.Emissivity > 0 && s.Globe.Emissivity <= 1)) return P::Emissivity;
  if (!(std::isfinite(s.Turbulence) && s.Turbulence >= 0)) return P::Turbulence;
  if (!(std::isfinite(s.SkipMinutes) && s.SkipMinutes >= 0)) return P::SkipMinutes;
  return P::None;
}

std::optional<double> BlockMetabolicRate(const TLoggerRecord& block) {
  return BlockParameter(block.Params.MetabolicRate);
}

std::optional<double> BlockClothing(const TLoggerRecord& block) {
  return BlockParameter(block.Params.Clothing);
}

BlockComfort AnalyseBlockComfort(const TLoggerRecord& block, const ComfortSettings& settings) {
  BlockComfort out;
  const Units units = UnitsOf(block.UnitSystem);
  const bool us = units == Units::US;
  const LoggedSeries ta(block, kComfortAirTempCode, Kind::Temperature, us);
  const LoggedSeries rh(block, kComfortHumidityCode, Kind::Humidity, us);
  const LoggedSeries va(block, kComfortVelocityCode, Kind::Velocity, us);
  const LoggedSeries tg(block, kComfortGlobeCode, Kind::Temperature, us);
  const LoggedSeries wbgt(block, kComfortWbgtCode, Kind::Temperature, us);

  ComfortInputs& in = out.Inputs;
  const std::optional<double> met =
      settings.MetabolicRate ? settings.MetabolicRate : BlockMetabolicRate(block);
  const std::optional<double> clo = settings.Clothing ? settings.Clothing : BlockClothing(block);
  out.Missing.AirTemp = !ta.Logged();
  out.Missing.Humidity = !rh.Logged();
  out.Missing.MetabolicRate = !met;
  out.Missing.Clothing = !clo;
  if (out.Missing.Any()) return out;

  in.MetabolicRate = *met;
  in.MetabolicRateFrom = settings.MetabolicRate ? InputSource::Given : InputSource::Block;
  in.Clothing = *clo;
  in.ClothingFrom = settings.Clothing ? InputSource::Given : InputSource::Block;
  in.RadiantFrom = settings.RadiantTemp ? InputSource::Given
                   : tg.Logged()        ? InputSource::Block
                                        : InputSource::Assumed;
  in.VelocityFrom = settings.AirVelocity ? InputSource::Given
                    : va.Logged()        ? InputSource::Block
                                         : InputSource::Assumed;
  in.Globe = settings.Globe;
  in.Turbulence = settings.Turbulence;
  in.SkipMinutes = settings.SkipMinutes;
  in.UnitsUnknown = units == Units::Unknown;
  in.WbgtLogged = wbgt.Logged();
  in.MetabolicClass = MetabolicClassOf(in.MetabolicRate);
  in.Acclimatised = settings.Acclimatised;
  in.WbgtAirMovement = va.Logged();
  in.WbgtReferenceValue = WbgtReference(in.MetabolicClass, in.Acclimatised, in.WbgtAirMovement);
  const bool draughtInCategories = in.VelocityFrom == InputSource::Block;

  const size_t count = static_cast<size_t>(std::max(block.SampleCount, 0));
  out.Samples.resize(count);
  for (size_t i = 0; i < count; ++i) {
    ComfortSample& s = out.Samples[i];
    s.Time = AddSeconds(block.BeginTime, static_cast<double>(block.IntervalSec) * i);
    s.AirTemp = ta.At(i);
    s.RelHumidity = rh.At(i);
    s.AirVelocity = settings.AirVelocity                    ? IfFinite(settings.AirVelocity)
                    : in.VelocityFrom == InputSource::Block ? va.At(i)
                                                            : kAssumedAirVelocity;
    s.GlobeTemp = tg.At(i);
    s.Wbgt = wbgt.At(i);
    if (settings.RadiantTemp) {
      s.RadiantTemp = IfFinite(settings.RadiantTemp);
    } else if (in.RadiantFrom == InputSource::Block) {
      if (s.GlobeTemp && s.AirTemp && s.AirVelocity) {
        s.RadiantTemp = MeanRadiantFromGlobe(*s.GlobeTemp, *s.AirTemp, *s.AirVelocity, in.Globe);
      }
    } else {
      s.RadiantTemp = s.AirTemp;
    }
    if (s.AirTemp && s.AirVelocity) {
      s.DraughtRate = DraughtRate(*s.AirTemp, *s.AirVelocity, in.Turbulence);
      if (s.RadiantTemp) {
        s.Operative = OperativeTemperature(*s.AirTemp, *s.RadiantTemp, *s.AirVelocity);
      }
    }
    if (!s.AirTemp || !s.RadiantTemp || !s.AirVelocity || !s.RelHumidity) continue;
    const PmvResult pmv = ComputePmv({*s.AirTemp, *s.RadiantTemp, *s.AirVelocity, *s.RelHumidity,
                                      in.MetabolicRate, in.Clothing});
    s.Status = pmv.Status;
    if (!pmv.Pmv) continue;
    s.Pmv = pmv.Pmv;
    s.Ppd = pmv.Ppd;
    s.Iso7730 =
        Iso7730CategoryOf(*s.Pmv, draughtInCategories ? s.DraughtRate : std::optional<double>());
    s.En16798 = En16798CategoryOf(*s.Pmv);
  }

  // The summary starts with the first sample taken after the skipped minutes.
  ComfortSummary& sum = out.Summary;
  const double skipSeconds = in.SkipMinutes * 60;
  size_t first = 0;
  while (first < count && static_cast<double>(block.IntervalSec) * first < skipSeconds)
    ++first;
  sum.Skipped = static_cast<int>(first);
  sum.Samples = static_cast<int>(count - first);
  std::array<int, 4> iso{};
  std::array<int, 5> en{};
  int wbgtSamples = 0;
  int wbgtAbove = 0;
  for (size_t i = first; i < count; ++i) {
    const ComfortSample& s = out.Samples[i];
    if (s.Wbgt) {
      ++wbgtSamples;
      if (*s.Wbgt > in.WbgtReferenceValue) ++wbgtAbove;
    }
    if (!s.Pmv) continue;
    ++sum.Evaluated;
    ++iso[static_cast<size_t>(*s.Iso7730)];
    ++en[static_cast<size_t>(*s.En16798)];
  }
  if (sum.Evaluated > 0) {
    const double n = sum.Evaluated;
    std::array<double, 4> isoShares{};
    std::array<double, 5> enShares{};
    for (size_t k = 0; k < iso.size(); ++k)
      isoShares[k] = 100.0 * iso[k] / n;
    for (size_t k = 0; k < en.size(); ++k)
      enShares[k] = 100.0 * en[k] / n;
    sum.Iso7730Shares = isoShares;
    sum.En16798Shares = enShares;
  }
  sum.Pmv = SpreadOf(out.Samples, first, [](const ComfortSample& s) { return s.Pmv; });
  sum.Ppd = SpreadOf(out.Samples, first, [](const ComfortSample& s) { return s.Ppd; });
  sum.DraughtRate =
      SpreadOf(out.Samples, first, [](const ComfortSample& s) { return s.DraughtRate; });
  if (wbgtSamples > 0) sum.WbgtAboveReference = 100.0 * wbgtAbove / wbgtSamples;
  return out;
}

}  // namespace qv

#include "comfort/ComfortIndices.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace qv {
namespace {

double Pow4(double x) {
  const double x2 = x * x;
  return x2 * x2;
}

// x^0.25 for x >= 0: two square roots are several times faster than pow, and the iteration
// below takes one per step.
double Root4(double x) {
  return std::sqrt(std::sqrt(x));
}

bool Within(double x, double low, double high) {
  return x >= low && x <= high;  // false for NaN
}

// The constants of ISO 7730 Annex D: 0.00015 between two steps, at most 150 steps.
constexpr double kSettled = 0.00015;
constexpr int kMaxSteps = 150;

// The standard works with 273, not 273.15: its table values are computed so.
constexpr double kKelvin = 273;

constexpr double kStefanBoltzmann = 5.67e-8;

}  // namespace

bool WithinPmvRanges(const ThermalConditions& c) {
  return Within(c.AirTemp, 10, 30) && Within(c.RadiantTemp, 10, 40) &&
         Within(c.AirVelocity, 0, 1) && Within(c.RelHumidity, 0, 100) &&
         Within(c.MetabolicRate, 0.8, 4) && Within(c.Clothing, 0, 2);
}

double PpdOf(double pmv) {
  const double p2 = pmv * pmv;
  return 100 - 95 * std::exp(-0.03353 * p2 * p2 - 0.2179 * p2);
}

PmvResult ComputePmv(const ThermalConditions& c) {
  PmvResult result;
  if (!WithinPmvRanges(c)) return result;
  const double ta = c.AirTemp;
  // Water vapour pressure (Pa) from the relative humidity.
  const double pa = c.RelHumidity * 10 * std::exp(16.6536 - 4030.183 / (ta + 235));
  const double icl = 0.155 * c.Clothing;     // m²K/W
  const double m = c.MetabolicRate * 58.15;  // W/m²
  const double mw = m;                       // no external work
  const double fcl = icl <= 0.078 ? 1 + 1.29 * icl : 1.05 + 0.645 * icl;
  const double hcf = 12.1 * std::sqrt(c.AirVelocity);
  const double taa = ta + kKelvin;
  const double tra = c.RadiantTemp + kKelvin;

  // Clothing surface temperature: the standard's iteration, in hundreds of kelvin, halving the
  // step between the last estimate and the new one.
  const double tcla = taa + (35.5 - ta) / (3.5 * icl + 0.1);
  const double p1 = icl * fcl;
  const double p2 = p1 * 3.96;
  const double p3 = p1 * 100;
  const double p4 = p1 * taa;
  const double p5 = 308.7 - 0.028 * mw + p2 * Pow4(tra / 100);
  double xn = tcla / 100;
  double xf = tcla / 50;
  double hc = 0;
  int steps = 0;
  do {
    if (++steps > kMaxSteps) {
      result.Status = PmvStatus::NoConvergence;
      return result;
    }
    xf = (xf + xn) / 2;
    const double hcn = 2.38 * Root4(std::fabs(100 * xf - taa));
    hc = std::max(hcf, hcn);
    xn = (p5 + p4 * hc - p2 * Pow4(xf)) / (100 + p3 * hc);
  } while (std::fabs(xn - xf) > kSettled);
  const double tcl = 100 * xn - kKelvin;

  const double skinDiffusion = 3.05e-3 * (5733 - 6.99 * mw - pa);
  const double sweating = mw > 58.15 ? 0.42 * (mw - 58.15) : 0;
  const double latentRespiration = 1.7e-5 * m * (5867 - pa);
  const double dryRespiration = 0.0014 * m * (34 - ta);
  const double radiation = 3.96 * fcl * (Pow4(xn) - Pow4(tra / 100));
  const double convection = fcl * hc * (tcl - ta);
  const double sensitivity = 0.303 * std::exp(-0.036 * m) + 0.028;
  const double pmv = sensitivity * (mw - skinDiffusion - sweating - latentRespiration -
                                    dryRespiration - radiation - convection);
  if (!Within(pmv, -2, 2)) {
    result.Status = PmvStatus::BeyondTwo;
    return result;
  }
  result.Status = PmvStatus::Computed;
  result.Pmv = pmv;
  result.Ppd = PpdOf(pmv);
  return result;
}

std::optional<double> MeanRadiantFromGlobe(double globeTemp, double airTemp, double airVelocity,
                                           const GlobeProbe& probe) {
  if (!(probe.Diameter > 0) || !(probe.Emissivity > 0) || !(airVelocity >= 0)) {
    return std::nullopt;
  }
  const double difference = globeTemp - airTemp;
  const double natural = 1.4 * Root4(std::fabs(difference) / probe.Diameter);
  const double forced = 6.3 * std::pow(airVelocity, 0.6) / std::pow(probe.Diameter, 0.4);
  const double h = std::max(natural, forced);
  const double fourth =
      Pow4(globeTemp + kKelvin) + h * difference / (probe.Emissivity * kStefanBoltzmann);
  if (!(fourth > 0) || !std::isfinite(fourth)) return std::nullopt;
  return Root4(fourth) - kKelvin;
}

std::optional<double> OperativeTemperature(double airTemp, double radiantTemp, double airVelocity) {
  if (!(airVelocity >= 0)) return std::nullopt;
  const double a = std::sqrt(10 * airVelocity);
  const double to = (airTemp * a + radiantTemp) / (1 + a);
  if (!std::isfinite(to)) return std::nullopt;
  return to;
}

std::optional<double> DraughtRate(double airTemp, double airVelocity, double turbulence) {
  if (!(airVelocity >= 0) || !(turbulence >= 0)) return std::nullopt;
  if (airTemp >= 34) return 0.0;
  const double v = std::max(airVelocity, 0.05);
  const double dr = (34 - airTemp) * std::pow(v - 0.05, 0.62) * (0.37 * v * turbulence + 3.14);
  return std::min(dr, 100.0);
}

Iso7730Category Iso7730CategoryOf(double pmv, std::optional<double> draughtRate) {
  const double p = std::fabs(pmv);
  // A draught rate that is not known passes every limit.
  const double dr = draughtRate.value_or(0);
  if (p < 0.2 && dr < 10) return Iso7730Category::A;
  if (p < 0.5 && dr < 20) return Iso7730Category::B;
  if (p < 0.7 && dr < 30) return Iso7730Category::C;
  return Iso7730Category::Outside;
}

En16798Category En16798CategoryOf(double pmv) {
  const double p = std::fabs(pmv);
  if (p < 0.2) return En16798Category::I;
  if (p < 0.5) return En16798Category::II;
  if (p < 0.7) return En16798Category::III;
  if (p < 1.0) return En16798Category::IV;
  return En16798Category::Outside;
}

std::string_view CategoryName(Iso7730Category c) {
  constexpr std::array<std::string_view, 4> kNames{"A", "B", "C", "-"};
  return kNames[static_cast<size_t>(c)];
}

std::string_view CategoryName(En16798Category c) {
  constexpr std::array<std::string_view, 5> kNames{"I", "II", "III", "IV", "-"};
  return kNames[static_cast<size_t>(c)];
}

int MetabolicClassOf(double met) {
  const double watts = 58.15 * 1.8 * met;
  if (watts <= 117) return 0;
  if (watts <= 234) return 1;
  if (watts <= 360) return 2;
  if (watts <= 468) return 3;
  return 4;
}

double WbgtReference(int metabolicClass, bool acclimatised, bool airMovement) {
  // By class 0..4: still air, then with sensible air movement (differs in classes 3 and 4).
  constexpr std::array<double, 5> kAcclimatised{33, 30, 28, 25, 23};
  constexpr std::array<double, 5> kAcclimatisedMoving{33, 30, 28, 26, 25};
  constexpr std::array<double, 5> kNotAcclimatised{32, 29, 26, 22, 18};
  constexpr std::array<double, 5> kNotAcclimatisedMoving{32, 29, 26, 23, 20};
  const size_t i = static_cast<size_t>(std::clamp(metabolicClass, 0, 4));
  if (acclimatised) return airMovement ? kAcclimatisedMoving[i] : kAcclimatised[i];
  return airMovement ? kNotAcclimatisedMoving[i] : kNotAcclimatised[i];
}

}  // namespace qv

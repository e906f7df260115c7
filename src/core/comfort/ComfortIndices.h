// Thermal comfort at one point: PMV and PPD (ISO 7730), mean radiant temperature from a globe
// (ISO 7726), operative temperature, draught rate, the comfort categories of ISO 7730 and
// EN 16798-1, and the WBGT reference values of ISO 7243. Pure functions in SI units: °C, m/s,
// %, met, clo, metres.
#pragma once

#include <optional>
#include <string_view>

namespace qv {

// The six inputs of the PMV. The measured air velocity is taken as the relative air velocity
// (sedentary and light work: no walking term); external work is 0.
struct ThermalConditions {
  double AirTemp = 0;        // ta, °C
  double RadiantTemp = 0;    // tr, mean radiant temperature, °C
  double AirVelocity = 0;    // va, m/s
  double RelHumidity = 0;    // rh, %
  double MetabolicRate = 0;  // met
  double Clothing = 0;       // clo
};

// Why there is a PMV or why not.
enum class PmvStatus {
  Computed,
  OutsideRanges,  // an input lies outside the validity ranges of ISO 7730
  BeyondTwo,      // the PMV lies outside -2..+2, where ISO 7730 gives none
  NoConvergence,  // the clothing surface temperature did not settle within 150 steps
};

struct PmvResult {
  PmvStatus Status = PmvStatus::OutsideRanges;
  // Both set exactly when Status is Computed.
  std::optional<double> Pmv;
  std::optional<double> Ppd;  // %
};

// Whether every input lies within the ranges ISO 7730 gives the PMV for: ta 10..30 °C,
// tr 10..40 °C, va 0..1 m/s, rh 0..100 %, met 0.8..4, clo 0..2 (limits included).
bool WithinPmvRanges(const ThermalConditions& c);

// PMV by the algorithm of ISO 7730 Annex D (the clothing surface temperature by its halving
// iteration, settled when two steps differ by at most 0.00015) and the PPD from it.
PmvResult ComputePmv(const ThermalConditions& c);

// PPD = 100 - 95 exp(-0.03353 PMV^4 - 0.2179 PMV^2), %.
double PpdOf(double pmv);

// The globe thermometer of ISO 7726.
struct GlobeProbe {
  double Diameter = 0.15;    // m
  double Emissivity = 0.95;  // of the globe's surface
};

// Mean radiant temperature from the globe temperature tg (ISO 7726), with the larger of the
// natural and the forced convection coefficient. nullopt for a probe without size or
// emissivity, a negative air velocity, or a globe so far below the air that no radiant
// temperature gives it.
std::optional<double> MeanRadiantFromGlobe(double globeTemp, double airTemp, double airVelocity,
                                           const GlobeProbe& probe = {});

// to = (ta sqrt(10 va) + tr) / (1 + sqrt(10 va)); nullopt for a negative air velocity or an
// input that is not a finite number.
std::optional<double> OperativeTemperature(double airTemp, double radiantTemp, double airVelocity);

// Draught rate DR (%) of ISO 7730 with turbulence intensity `turbulence` (%): velocities below
// 0.05 m/s count as 0.05, 0 at 34 °C and above, at most 100. nullopt for a negative velocity
// or turbulence.
std::optional<double> DraughtRate(double airTemp, double airVelocity, double turbulence = 40);

// ISO 7730 categories: A |PMV| < 0.2 and DR < 10 %, B < 0.5 and < 20 %, C < 0.7 and < 30 %;
// the draught rate takes part only when given (when the air velocity was measured). A PMV in
// none of them is Outside.
enum class Iso7730Category { A, B, C, Outside };
Iso7730Category Iso7730CategoryOf(double pmv, std::optional<double> draughtRate);

// EN 16798-1 categories by |PMV|: I < 0.2, II < 0.5, III < 0.7, IV < 1.0; else Outside.
enum class En16798Category { I, II, III, IV, Outside };
En16798Category En16798CategoryOf(double pmv);

// "A", "B", "C", "-" and "I", "II", "III", "IV", "-".
std::string_view CategoryName(Iso7730Category c);
std::string_view CategoryName(En16798Category c);

// ISO 7243: the metabolic rate class 0..4 of a person of 1.8 m² at `met` (M = 58.15 x 1.8 x met
// W; classes end at 117, 234, 360 and 468 W).
int MetabolicClassOf(double met);
// The WBGT reference value (°C) of a metabolic class 0..4, for acclimatised persons or not;
// `airMovement` takes the values with sensible air movement in classes 3 and 4.
double WbgtReference(int metabolicClass, bool acclimatised, bool airMovement);

}  // namespace qv

#include "graph/TimeTicks.h"

#include <cmath>
#include <iterator>

namespace qv {

double TimeTickStep(double rangeSeconds, double axisPixels, double labelPixels, double gapPixels) {
  constexpr double kMinute = 60, kHour = 3600, kDay = 86400;
  static constexpr double kSteps[] = {
      1,        2,           5,           10,           15,           30,
      kMinute,  2 * kMinute, 5 * kMinute, 10 * kMinute, 15 * kMinute, 30 * kMinute,
      kHour,    2 * kHour,   3 * kHour,   6 * kHour,    12 * kHour,   kDay,
      2 * kDay, 7 * kDay,    14 * kDay};
  constexpr double kLongest = 28 * kDay;
  if (!(rangeSeconds > 0)) return 1;
  // A label needs its own width and the gap; an axis without that much room shows one label.
  const double slot = std::max(1.0, labelPixels + gapPixels);
  const double needed =
      axisPixels > slot ? rangeSeconds * slot / axisPixels : std::max(rangeSeconds, 1.0);
  for (const double step : kSteps) {
    if (step >= needed) return step;
  }
  return kLongest * std::ceil(needed / kLongest);
}

}  // namespace qv

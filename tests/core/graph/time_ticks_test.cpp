// The time axis' label step: round steps, chosen from the labels' width.
#include "graph/TimeTicks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

namespace qv {
namespace {

TEST(TimeTicks, StepIsTheSmallestRoundStepAtWhichLabelsFit) {
  const struct {
    const char* what;
    double range, axis, label;
    double step;
  } cases[] = {
      {"8 hours on a wide chart: hourly labels", 8 * 3600.0, 1200, 124, 3600.0},
      {"8 hours on a narrow chart: 2 fit", 8 * 3600.0, 330, 124, 6 * 3600.0},
      {"10 minutes, plenty of room", 600, 1500, 124, 60},
      {"a few seconds never below one second", 3, 2000, 124, 1},
      {"a week of samples", 7 * 86400.0, 600, 124, 2 * 86400.0},
      {"a year needs multiples of 28 days", 365 * 86400.0, 300, 124, 7 * 28 * 86400.0},
      {"an axis narrower than one label shows one", 3600, 100, 124, 3600},
      {"an empty range", 0, 600, 124, 1},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(TimeTickStep(c.range, c.axis, c.label), c.step) << c.what;
  }
}

TEST(TimeTicks, LabelsNeverOverlapAndTheNextSmallerStepWouldOverlap) {
  // Over many axis widths: the chosen step leaves room for every label, and it is minimal among
  // the round steps (the next smaller one would crowd them).
  const double steps[] = {1,    2,    5,    10,    15,    30,    60,    120,    300,    600,    900,
                          1800, 3600, 7200, 10800, 21600, 43200, 86400, 172800, 604800, 1209600};
  const double range = 12 * 3600.0, label = 131, gap = 16;
  for (double axis = 150; axis <= 3000; axis += 37) {
    const double step = TimeTickStep(range, axis, label, gap);
    const double pixelsPerStep = axis * step / range;
    EXPECT_GE(pixelsPerStep, label + gap) << "axis " << axis;
    const double* it = std::find(std::begin(steps), std::end(steps), step);
    ASSERT_NE(it, std::end(steps)) << "axis " << axis;
    if (it != std::begin(steps)) {
      EXPECT_LT(axis * *(it - 1) / range, label + gap) << "axis " << axis;
    }
  }
}

}  // namespace
}  // namespace qv

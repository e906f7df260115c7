// Which quantities a logging block can graph.
#include "core/view/ViewTestSupport.h"
#include "graph/GraphParameters.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(GraphParameters, AQuantityNeedsALoggedStatisticWithOneValidSample) {
  // Air temperature (1..4): current logged with values. Humidity (5..8): only the maximum,
  // every sample "no value". Air velocity (13..16): average logged, present flag cleared.
  // CO (61..64): minimum with one valid sample after a "no value".
  Document doc = test::LoggingDocument(3, {1, 8, 15, 62});
  TLoggerRecord& b = doc.LoggerBlocks[0];
  for (int k = 0; k < 3; ++k)
    doc.StoreSample(0, 2, k, NoValue);
  b.SignalPresent[15] = 0;
  doc.StoreSample(0, 4, 0, 3e7);  // at the threshold: no value either
  const GraphParameters p = UpdateGraphParameters(&b);

  EXPECT_EQ(p[1], (GraphParameter{true, false, false}));
  for (int q : {2, 4}) {
    EXPECT_EQ(p[static_cast<size_t>(q)], (GraphParameter{false, true, false})) << q;
  }
  EXPECT_EQ(p[16], (GraphParameter{true, false, false}));
  for (int q : {3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}) {
    EXPECT_FALSE(p[static_cast<size_t>(q)].Enabled) << q;
  }
}

TEST(GraphParameters, NoBlockOrNoSamplesGraphsNothing) {
  Document doc = test::LoggingDocument(0, {1, 5});
  const std::vector<const TLoggerRecord*> blocks = {nullptr, doc.Current()};
  for (const TLoggerRecord* block : blocks) {
    const GraphParameters p = UpdateGraphParameters(block);
    for (int q = 1; q <= kGraphQuantities; ++q)
      EXPECT_FALSE(p[static_cast<size_t>(q)].Enabled) << q;
  }
}

}  // namespace
}  // namespace qv

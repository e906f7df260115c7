#include "graph/GraphParameters.h"

#include "store/SignalCatalog.h"

#include <algorithm>

namespace qv {
namespace {

bool HasValidSample(const TLoggerRecord& block, int code) {
  if (block.SignalPresent[static_cast<size_t>(code)] != 1) return false;
  const std::vector<double>& samples = block.Samples[static_cast<size_t>(StoragePos(code))];
  const size_t n = std::min(samples.size(), static_cast<size_t>(std::max(block.SampleCount, 0)));
  return std::any_of(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(n),
                     [](double v) { return v < NoValueThreshold; });
}

}  // namespace

GraphParameters UpdateGraphParameters(const TLoggerRecord* block) {
  GraphParameters p{};
  if (block == nullptr) return p;
  for (const int32_t code : block->SignalCodes) {
    if (code < 1 || code > kLoggerSignals) continue;
    GraphParameter& box = p[static_cast<size_t>((code + 3) / 4)];
    box.Enabled = true;
    box.AllowGrayed = false;
  }
  for (int q = 1; q <= kGraphQuantities; ++q) {
    bool valid = false;
    for (int statistic = 1; statistic <= 4 && !valid; ++statistic)
      valid = HasValidSample(*block, 4 * (q - 1) + statistic);
    if (!valid) p[static_cast<size_t>(q)] = GraphParameter{};
  }
  return p;
}

}  // namespace qv

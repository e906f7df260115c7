#include "view/ColumnShading.h"

#include "store/SignalCatalog.h"

#include <algorithm>

namespace qv {

void ShadeColumns(std::span<const int32_t> columns, std::span<uint8_t> flags) {
  bool flag = true;
  int highest = -1;
  bool first = true;
  for (const int32_t code : columns) {
    if (code < 1 || code >= static_cast<int>(flags.size())) continue;
    const int group = GroupOf(code);
    if (first) {
      first = false;
    } else if (group > highest) {
      flag = !flag;
    }
    highest = std::max(highest, group);
    flags[static_cast<size_t>(code)] = flag ? 1 : 0;
  }
}

void ComputeResultsShading(const Document& doc, TableState& state) {
  state.ResultsShade.fill(0);
  const int count = std::clamp(doc.ColumnCount, 0, kMaxSignalCode);
  ShadeColumns(std::span<const int32_t>(doc.ColumnSignals).subspan(1, static_cast<size_t>(count)),
               state.ResultsShade);
}

void ComputeBlockShading(TLoggerRecord& block) {
  block.ColumnShade.fill(0);
  const int count = std::clamp(block.SignalCount, 0, kLoggerSignals);
  ShadeColumns(std::span<const int32_t>(block.SignalCodes).first(static_cast<size_t>(count)),
               block.ColumnShade);
}

void ComputeColumnShading(Document& doc, TableState& state) {
  if (ActiveView(doc) == TableView::Results) {
    ComputeResultsShading(doc, state);
  } else if (TLoggerRecord* block = doc.Current()) {
    ComputeBlockShading(*block);
  }
}

}  // namespace qv

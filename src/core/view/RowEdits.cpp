#include "view/RowEdits.h"

#include <algorithm>

namespace qv {
namespace {

std::vector<TTestsRecord>::iterator Find(Document& doc, int recordIndex) {
  if (recordIndex < 0) return doc.AllTests.end();
  return std::find_if(doc.AllTests.begin(), doc.AllTests.end(),
                      [&](const TTestsRecord& t) { return t.RecordIndex == recordIndex; });
}

}  // namespace

void CopyRow(TableState& state) {
  if (state.SelectedRecordIndex < 0) return;
  state.HeldRow = state.SelectedRecordIndex;
  state.CutRow = -1;
}

void CutRow(TableState& state) {
  if (state.SelectedRecordIndex < 0) return;
  state.HeldRow = state.CutRow = state.SelectedRecordIndex;
}

bool PasteRow(Document& doc, TableState& state) {
  const auto held = Find(doc, state.HeldRow);
  const auto at = Find(doc, state.SelectedRecordIndex);
  if (held == doc.AllTests.end() || at == doc.AllTests.end()) return false;
  int32_t next = 0;
  for (const TTestsRecord& t : doc.AllTests)
    next = std::max(next, t.RecordIndex + 1);

  TTestsRecord copy = *held;
  copy.RecordIndex = next;
  copy.BuildingName = at->BuildingName;
  copy.RoomName = at->RoomName;
  copy.BuildingNo = at->BuildingNo;
  copy.RoomNo = at->RoomNo;
  doc.AllTests.insert(at + 1, std::move(copy));

  if (state.CutRow >= 0) {
    const auto cut = Find(doc, state.CutRow);
    if (cut != doc.AllTests.end()) doc.AllTests.erase(cut);
    state.CutRow = state.HeldRow = -1;
  }
  return true;
}

bool DeleteRow(Document& doc, TableState& state) {
  const int index = state.SelectedRecordIndex;
  const auto at = Find(doc, index);
  if (at == doc.AllTests.end()) return false;
  doc.AllTests.erase(at);
  if (state.HeldRow == index) state.HeldRow = -1;
  if (state.CutRow == index) state.CutRow = -1;
  return true;
}

}  // namespace qv

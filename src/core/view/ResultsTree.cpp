#include "view/ResultsTree.h"

#include "view/ColumnShading.h"

#include <algorithm>

namespace qv {

bool NodeHolds(const TreeNodeRef& node, const TTestsRecord& test) {
  switch (node.Level) {
    case 0:
      return true;
    case 1:
      return test.BuildingNo == node.BuildingNo;
    case 2:
      return test.BuildingNo == node.BuildingNo && test.RoomNo == node.RoomNo;
    default:
      return false;
  }
}

void BuildColumnMap(Document& doc) {
  std::array<bool, kMaxSignalCode + 1> present{};
  for (const int32_t index : doc.ShownTests) {
    const TTestsRecord& t = doc.AllTests[static_cast<size_t>(index)];
    for (int code = 1; code <= kMaxSignalCode; ++code)
      present[code] = present[code] || t.SignalPresent[code];
  }
  doc.ColumnSignals.fill(0);
  doc.ColumnCount = 0;
  for (int code = 1; code <= kMaxSignalCode; ++code) {
    if (present[code]) doc.ColumnSignals[++doc.ColumnCount] = code;
  }
}

int MeasureLocationWidth(const Document& doc, const TextWidthFn& textWidth) {
  int widest = 0;
  for (const int32_t index : doc.ShownTests) {
    const TTestsRecord& t = doc.AllTests[static_cast<size_t>(index)];
    widest = std::max({widest, textWidth(t.BuildingName), textWidth(t.RoomName)});
  }
  return widest;
}

void ShowTreeNode(Document& doc, TableState& state, const TreeNodeRef& node,
                  const TextWidthFn& textWidth) {
  doc.ShownTests.clear();
  for (size_t i = 0; i < doc.AllTests.size(); ++i) {
    if (NodeHolds(node, doc.AllTests[i])) doc.ShownTests.push_back(static_cast<int32_t>(i));
  }
  BuildColumnMap(doc);
  ComputeResultsShading(doc, state);
  doc.ClearReportChoice();
  state.WidestLocationText = MeasureLocationWidth(doc, textWidth);
}

namespace {

// Renames every test of `tests` that the edit matches.
void RenameTests(std::vector<TTestsRecord>& tests, const TreeNodeEdit& edit) {
  for (TTestsRecord& t : tests) {
    if (edit.Level == 1 && t.BuildingName == edit.OldText) {
      t.BuildingName = edit.NewText;
    } else if (edit.Level == 2 && t.RoomName == edit.OldText && t.BuildingName == edit.ParentText) {
      t.RoomName = edit.NewText;
    }
  }
}

}  // namespace

bool RenameTreeNode(Document& doc, const TreeNodeEdit& edit) {
  if (edit.Level != 1 && edit.Level != 2) return false;
  if (edit.NewText == edit.OldText) return false;
  RenameTests(doc.AllTests, edit);
  for (THouseTreeRecord& h : doc.BuildingTree) {
    if (edit.Level == 1) {
      if (h.BuildingName == edit.OldText) h.BuildingName = edit.NewText;
      continue;
    }
    if (h.BuildingName != edit.ParentText) continue;
    for (TTestTreeRecord& r : h.Rooms) {
      if (r.RoomName == edit.OldText) r.RoomName = edit.NewText;
    }
  }
  doc.DocModified = true;
  return true;
}

bool NodeFollowsRename(const TreeNodeEdit& edit, int level, const Bytes& text,
                       const Bytes& parentText) {
  if (edit.NewText == edit.OldText || level != edit.Level || text != edit.OldText) return false;
  return level == 1 || (level == 2 && parentText == edit.ParentText);
}

}  // namespace qv

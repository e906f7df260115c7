// The data side of the results tree: which tests a node shows, the columns they need, and
// the renaming of buildings and rooms in place.
#pragma once

#include "view/TableState.h"

namespace qv {

// What a tree node stands for.
struct TreeNodeRef {
  int Level = 0;  // 0 the root (all tests), 1 a building, 2 a room of a building
  int32_t BuildingNo = 0;
  int32_t RoomNo = 0;
};

// Whether a test belongs to the node: the root holds every test, a building the tests of its
// number, a room those of its building and room numbers.
bool NodeHolds(const TreeNodeRef& node, const TTestsRecord& test);

// The column map of the shown tests: every code 1..68 present in at least one of them,
// ascending, into ColumnSignals / ColumnCount.
void BuildColumnMap(Document& doc);

// The widest building or room name of the shown tests.
int MeasureLocationWidth(const Document& doc, const TextWidthFn& textWidth);

// A node was selected (the data part of the tree's selection change): the shown tests become
// the node's tests in AllTests order, the column map and the results shading follow them, the
// report choice is cleared and the widest location text is measured again. The caller then
// lays the table out.
void ShowTreeNode(Document& doc, TableState& state, const TreeNodeRef& node,
                  const TextWidthFn& textWidth);

// An in-place edit of a node's text.
struct TreeNodeEdit {
  int Level = 0;
  Bytes OldText;
  Bytes NewText;
  Bytes ParentText;  // the building's text, for a room
};

// Renames by name, not by number: a building edit renames every test whose building name is the old
// text; a room edit every test whose room name is the old text and whose building name is the
// parent's text. The building tree's names follow, so that nodes sharing the old name can be
// relabelled too. Sets DocModified and returns true when something was renamed that way; the root
// and an unchanged text change nothing.
bool RenameTreeNode(Document& doc, const TreeNodeEdit& edit);

// Whether another node of the tree shows the same data under the old name after an edit, and
// so takes the new text: a building node with the old text, or a room node with the old text
// under a building of the parent's text.
bool NodeFollowsRename(const TreeNodeEdit& edit, int level, const Bytes& text,
                       const Bytes& parentText);

}  // namespace qv

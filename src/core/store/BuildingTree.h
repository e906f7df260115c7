// The building/room tree of a results document and the tree order of its tests.
#pragma once

#include "store/Document.h"

namespace qv {

// Builds Document::BuildingTree from the first `testCount` tests: one building per building
// number, one room per room number within it, each named by the first test that introduced
// it; buildings and rooms in ascending number order. False when testCount exceeds the tests.
bool BuildBuildingTree(Document& doc, int testCount);

// Regroups AllTests by building in tree order, then by room in room order; tests of the same
// room keep their relative order. Every test is shown.
void SortTestsByTree(Document& doc);

}  // namespace qv

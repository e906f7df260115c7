#include "store/BuildingTree.h"

#include <algorithm>

namespace qv {

bool BuildBuildingTree(Document& doc, int testCount) {
  if (testCount < 0 || testCount > static_cast<int>(doc.AllTests.size())) return false;
  std::vector<THouseTreeRecord> tree;
  // Numbers are matched as they are, 0 and negatives included, so that no test is left
  // without a node (a placeholder entry numbered 0 would swallow such tests).
  for (int i = 0; i < testCount; ++i) {
    const TTestsRecord& t = doc.AllTests[i];
    auto b = std::find_if(tree.begin(), tree.end(),
                          [&](const THouseTreeRecord& h) { return h.BuildingNo == t.BuildingNo; });
    if (b == tree.end()) {
      tree.push_back({t.BuildingNo, t.BuildingName, {{t.RoomNo, t.RoomName}}});
      continue;
    }
    const bool known = std::any_of(b->Rooms.begin(), b->Rooms.end(),
                                   [&](const TTestTreeRecord& r) { return r.RoomNo == t.RoomNo; });
    if (!known) b->Rooms.push_back({t.RoomNo, t.RoomName});
  }
  std::stable_sort(tree.begin(), tree.end(),
                   [](const auto& a, const auto& b) { return a.BuildingNo < b.BuildingNo; });
  for (THouseTreeRecord& h : tree) {
    std::stable_sort(h.Rooms.begin(), h.Rooms.end(),
                     [](const auto& a, const auto& b) { return a.RoomNo < b.RoomNo; });
  }
  doc.BuildingTree = std::move(tree);
  return true;
}

void SortTestsByTree(Document& doc) {
  // Rank of each (building, room) in tree order; a stable sort on it keeps the order of the
  // tests of one room.
  auto rank = [&](const TTestsRecord& t) {
    int r = 0;
    for (const THouseTreeRecord& h : doc.BuildingTree) {
      for (const TTestTreeRecord& room : h.Rooms) {
        if (h.BuildingNo == t.BuildingNo && room.RoomNo == t.RoomNo) return r;
        ++r;
      }
    }
    return r;  // not in the tree: after every filed test
  };
  std::vector<std::pair<int, size_t>> order;
  order.reserve(doc.AllTests.size());
  for (size_t i = 0; i < doc.AllTests.size(); ++i)
    order.emplace_back(rank(doc.AllTests[i]), i);
  std::stable_sort(order.begin(), order.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<TTestsRecord> sorted;
  sorted.reserve(doc.AllTests.size());
  for (const auto& [r, i] : order)
    sorted.push_back(std::move(doc.AllTests[i]));
  doc.AllTests = std::move(sorted);
  doc.ShowAllTests();
}

}  // namespace qv

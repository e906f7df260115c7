#include "store/BuildingTree.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace qv {

namespace {

// One key per (building, room) pair of numbers.
int64_t PlaceKey(int32_t building, int32_t room) {
  return static_cast<int64_t>(static_cast<uint64_t>(static_cast<uint32_t>(building)) << 32 |
                              static_cast<uint32_t>(room));
}

// Moves element perm[k] to place k for every k, following the permutation's cycles so that
// no second copy of the list is needed (a record is some 800 bytes; documents reach 65536).
void Permute(std::vector<TTestsRecord>& tests, std::vector<size_t>& perm) {
  for (size_t k = 0; k < perm.size(); ++k) {
    if (perm[k] == k) continue;
    TTestsRecord held = std::move(tests[k]);
    size_t j = k;
    for (;;) {
      const size_t from = perm[j];
      perm[j] = j;
      if (from == k) {
        tests[j] = std::move(held);
        break;
      }
      tests[j] = std::move(tests[from]);
      j = from;
    }
  }
}

}  // namespace

bool BuildBuildingTree(Document& doc, int testCount) {
  if (testCount < 0 || testCount > static_cast<int>(doc.AllTests.size())) return false;
  std::vector<THouseTreeRecord> tree;
  // Lookups by number keep the rebuild linear: it runs after every row edit.
  std::unordered_map<int32_t, size_t> buildingAt;
  std::unordered_set<int64_t> places;
  // Numbers are matched as they are, 0 and negatives included, so that no test is left
  // without a node (a placeholder entry numbered 0 would swallow such tests).
  for (int i = 0; i < testCount; ++i) {
    const TTestsRecord& t = doc.AllTests[i];
    if (!places.insert(PlaceKey(t.BuildingNo, t.RoomNo)).second) continue;
    const auto [at, added] = buildingAt.try_emplace(t.BuildingNo, tree.size());
    if (added) {
      tree.push_back({t.BuildingNo, t.BuildingName, {{t.RoomNo, t.RoomName}}});
    } else {
      tree[at->second].Rooms.push_back({t.RoomNo, t.RoomName});
    }
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
  // tests of one room. A test not in the tree goes after every filed test.
  std::unordered_map<int64_t, int> rankOf;
  int rank = 0;
  for (const THouseTreeRecord& h : doc.BuildingTree) {
    for (const TTestTreeRecord& room : h.Rooms)
      rankOf.try_emplace(PlaceKey(h.BuildingNo, room.RoomNo), rank++);
  }
  std::vector<std::pair<int, size_t>> order;
  order.reserve(doc.AllTests.size());
  for (size_t i = 0; i < doc.AllTests.size(); ++i) {
    const TTestsRecord& t = doc.AllTests[i];
    const auto found = rankOf.find(PlaceKey(t.BuildingNo, t.RoomNo));
    order.emplace_back(found == rankOf.end() ? rank : found->second, i);
  }
  std::stable_sort(order.begin(), order.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<size_t> perm;
  perm.reserve(order.size());
  for (const auto& entry : order)
    perm.push_back(entry.second);
  order = {};
  Permute(doc.AllTests, perm);
  doc.ShowAllTests();
}

}  // namespace qv

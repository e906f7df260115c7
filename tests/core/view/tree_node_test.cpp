#include "ViewTestSupport.h"
#include "view/ResultsTree.h"

#include <gtest/gtest.h>

#include <vector>

namespace qv {
namespace {

using test::AddTest;
using test::CharWidth;

std::vector<int> Columns(const Document& doc) {
  return {doc.ColumnSignals.begin() + 1, doc.ColumnSignals.begin() + 1 + doc.ColumnCount};
}

// Two buildings; building 2 has rooms 1 and 2.
Document TwoBuildings() {
  Document doc;
  AddTest(doc, 1, 1, "North", "Hall", {{1, 20.0}, {2, 19.0}});
  AddTest(doc, 2, 1, "South", "Lab", {{13, 0.5}});
  AddTest(doc, 2, 2, "South", "Office with a long name", {{5, 40.0}, {68, 0}});
  AddTest(doc, 2, 1, "South", "Lab", {{1, 21.0}});
  doc.DocSignalCount = 5;
  doc.ShowAllTests();
  return doc;
}

TEST(TreeNode, NodeChoosesShownTestsColumnsAndShading) {
  struct Case {
    TreeNodeRef node;
    std::vector<int> testIndexes;
    std::vector<int> columns;
  };
  const Case cases[] = {
      {{0, 0, 0}, {0, 1, 2, 3}, {1, 2, 5, 13, 68}},
      {{1, 2, 0}, {1, 2, 3}, {1, 5, 13, 68}},
      {{2, 2, 1}, {1, 3}, {1, 13}},
      {{2, 1, 2}, {}, {}},  // a room number its building does not have
  };
  for (const Case& c : cases) {
    Document doc = TwoBuildings();
    TableState state;
    doc.ReportChosen[1] = true;
    doc.ReportCodes = {1};
    ShowTreeNode(doc, state, c.node, CharWidth);
    SCOPED_TRACE(testing::Message() << "level " << c.node.Level << " building " << c.node.BuildingNo
                                    << " room " << c.node.RoomNo);
    ASSERT_EQ(doc.ShownTests.size(), c.testIndexes.size());
    for (size_t i = 0; i < c.testIndexes.size(); ++i) {
      EXPECT_EQ(doc.ShownTest(static_cast<int>(i))->RecordIndex, c.testIndexes[i])
          << "AllTests order";
    }
    EXPECT_EQ(Columns(doc), c.columns);
    EXPECT_TRUE(doc.ReportCodes.empty());
    EXPECT_FALSE(doc.ReportChosen[1]);
  }
}

TEST(TreeNode, CodesOfOneQuantityShareAShade) {
  Document doc;
  AddTest(doc, 1, 1, "B", "R", {{1, 20.0}, {2, 19.0}, {13, 1.0}});
  TableState state;
  ShowTreeNode(doc, state, {0, 0, 0}, CharWidth);
  EXPECT_EQ(Columns(doc), (std::vector<int>{1, 2, 13}));
  EXPECT_EQ(state.ResultsShade[1], 1);
  EXPECT_EQ(state.ResultsShade[2], 1);
  EXPECT_EQ(state.ResultsShade[13], 0);
}

TEST(TreeNode, WidestLocationComesFromTheShownTestsOnly) {
  Document doc = TwoBuildings();
  TableState state;
  ShowTreeNode(doc, state, {2, 2, 1}, CharWidth);
  EXPECT_EQ(state.WidestLocationText, CharWidth("South"));
  ShowTreeNode(doc, state, {1, 2, 0}, CharWidth);
  EXPECT_EQ(state.WidestLocationText, CharWidth("Office with a long name"));
}

TEST(TreeNode, RenamingMatchesNamesNotNumbers) {
  // Buildings 1 and 3 share the name North; both have a room Hall. Building 2 has a Hall too.
  auto make = [] {
    Document doc;
    AddTest(doc, 1, 1, "North", "Hall", {{1, 1.0}});
    AddTest(doc, 2, 1, "South", "Hall", {{1, 1.0}});
    AddTest(doc, 3, 1, "North", "Hall", {{1, 1.0}});
    AddTest(doc, 3, 2, "North", "Lab", {{1, 1.0}});
    doc.ShownTests = {0, 1};
    doc.BuildingTree = {{1, "North", {{1, "Hall"}}},
                        {2, "South", {{1, "Hall"}}},
                        {3, "North", {{1, "Hall"}, {2, "Lab"}}}};
    return doc;
  };
  struct Case {
    const char* what;
    TreeNodeEdit edit;
    bool changed;
    std::vector<std::pair<const char*, const char*>> names;  // building, room of each test
  };
  const Case cases[] = {
      {"building",
       {1, "North", "East", ""},
       true,
       {{"East", "Hall"}, {"South", "Hall"}, {"East", "Hall"}, {"East", "Lab"}}},
      {"room under its building's name",
       {2, "Hall", "Foyer", "South"},
       true,
       {{"North", "Hall"}, {"South", "Foyer"}, {"North", "Hall"}, {"North", "Lab"}}},
      {"room shared by buildings of one name",
       {2, "Hall", "Foyer", "North"},
       true,
       {{"North", "Foyer"}, {"South", "Hall"}, {"North", "Foyer"}, {"North", "Lab"}}},
      {"root", {0, "All Tests", "Everything", ""}, false, {}},
      {"unchanged text", {1, "North", "North", ""}, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Document doc = make();
    const Document before = doc;
    EXPECT_EQ(RenameTreeNode(doc, c.edit), c.changed);
    EXPECT_EQ(doc.DocModified, c.changed);
    if (!c.changed) {
      for (size_t i = 0; i < doc.AllTests.size(); ++i) {
        EXPECT_EQ(doc.AllTests[i].BuildingName, before.AllTests[i].BuildingName);
        EXPECT_EQ(doc.AllTests[i].RoomName, before.AllTests[i].RoomName);
      }
      continue;
    }
    for (size_t i = 0; i < c.names.size(); ++i) {
      EXPECT_EQ(doc.AllTests[i].BuildingName, c.names[i].first) << "test " << i;
      EXPECT_EQ(doc.AllTests[i].RoomName, c.names[i].second) << "test " << i;
    }
    for (size_t i = 0; i < doc.ShownTests.size(); ++i) {
      EXPECT_EQ(doc.ShownTest(static_cast<int>(i))->BuildingName, c.names[i].first)
          << "shown " << i;
      EXPECT_EQ(doc.ShownTest(static_cast<int>(i))->RoomName, c.names[i].second) << "shown " << i;
    }
    // The tree's names follow the tests, so a rebuild and the other nodes agree with them.
    for (const THouseTreeRecord& h : doc.BuildingTree) {
      for (const TTestTreeRecord& r : h.Rooms) {
        for (const TTestsRecord& t : doc.AllTests) {
          if (t.BuildingNo != h.BuildingNo) continue;
          EXPECT_EQ(t.BuildingName, h.BuildingName);
          if (t.RoomNo == r.RoomNo) {
            EXPECT_EQ(t.RoomName, r.RoomName);
          }
        }
      }
    }
  }
}

TEST(TreeNode, OtherNodesFollowARename) {
  const TreeNodeEdit room{2, "Hall", "Foyer", "North"};
  EXPECT_TRUE(NodeFollowsRename(room, 2, "Hall", "North"));
  EXPECT_FALSE(NodeFollowsRename(room, 2, "Hall", "South"));
  EXPECT_FALSE(NodeFollowsRename(room, 1, "Hall", ""));
  const TreeNodeEdit building{1, "North", "East", ""};
  EXPECT_TRUE(NodeFollowsRename(building, 1, "North", "All Tests"));
  EXPECT_FALSE(NodeFollowsRename(building, 1, "South", "All Tests"));
}

}  // namespace
}  // namespace qv

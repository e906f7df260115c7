#include "store/Document.h"
#include "store/BuildingTree.h"
#include "store/SignalCatalog.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(Document, NewTestHasNoValuesAndNoFlags) {
  Document doc;
  const int i = doc.AddTestRecord();
  ASSERT_EQ(i, 0);
  const TTestsRecord& t = doc.AllTests[0];
  for (double v : t.Values)
    EXPECT_EQ(v, NoValue);
  for (uint8_t f : t.SignalPresent)
    EXPECT_EQ(f, 0);
  EXPECT_EQ(t.Params.DuctShape, 0);
  EXPECT_TRUE(t.BuildingName.empty());
}

TEST(Document, StoreTestValueUsesStoragePositionAndRefusesForeignCodes) {
  Document doc;
  doc.AddTestRecord();
  doc.AddTestRecord();
  EXPECT_TRUE(doc.StoreTestValue(1, 5, 45.5));
  EXPECT_TRUE(doc.StoreTestValue(1, 13, 0.25));
  EXPECT_TRUE(doc.StoreTestValue(1, 68, 99.0));
  const TTestsRecord& t = doc.AllTests[1];
  EXPECT_EQ(t.Values[8], 45.5);
  EXPECT_EQ(t.Values[4], 0.25);
  EXPECT_EQ(t.SignalPresent[68], 1);
  EXPECT_EQ(t.RecordIndex, 1);
  int stored = 0;
  for (double v : t.Values)
    stored += v != NoValue;
  EXPECT_EQ(stored, 2) << "code 68 has no value";

  const TTestsRecord before = doc.AllTests[0];
  for (int code : {0, -1, 69, 1000})
    EXPECT_FALSE(doc.StoreTestValue(0, code, 1.0));
  EXPECT_FALSE(doc.StoreTestValue(2, 1, 1.0));
  EXPECT_FALSE(doc.StoreTestValue(-1, 1, 1.0));
  EXPECT_EQ(doc.AllTests[0].Values, before.Values);
  EXPECT_EQ(doc.AllTests[0].SignalPresent, before.SignalPresent);
}

TEST(Document, SamplesStayWithinTheirArrays) {
  Document doc;
  TLoggerRecord& b = doc.LoggerBlocks.emplace_back();
  b.SignalCodes[0] = 1;
  b.SignalCodes[1] = 13;
  b.SignalCount = 2;
  doc.SizeSampleArrays(0, 3);
  EXPECT_EQ(b.Samples[StoragePos(1)].size(), 3u);
  EXPECT_EQ(b.Samples[StoragePos(13)].size(), 3u);
  EXPECT_TRUE(b.Samples[StoragePos(5)].empty());

  EXPECT_TRUE(doc.StoreSample(0, 2, 2, 1.5));
  EXPECT_EQ(b.Samples[StoragePos(13)][2], 1.5);
  EXPECT_FALSE(doc.StoreSample(0, 2, 3, 9.0)) << "index beyond the array";
  EXPECT_FALSE(doc.StoreSample(0, 2, -1, 9.0));
  EXPECT_FALSE(doc.StoreSample(0, 3, 0, 9.0)) << "list position beyond SignalCount";
  EXPECT_FALSE(doc.StoreSample(0, 65, 0, 9.0));
  EXPECT_FALSE(doc.StoreSample(1, 1, 0, 9.0));
  EXPECT_EQ(b.Samples[StoragePos(13)].size(), 3u);

  TLoggerRecord& empty = doc.LoggerBlocks.emplace_back();
  doc.SizeSampleArrays(1, 10);
  for (const auto& s : empty.Samples)
    EXPECT_TRUE(s.empty());
  EXPECT_FALSE(doc.StoreSample(1, 1, 0, 1.0));
}

TTestsRecord MakeTest(int building, const char* bname, int room, const char* rname, double begin) {
  TTestsRecord t;
  t.BuildingNo = building;
  t.BuildingName = bname;
  t.RoomNo = room;
  t.RoomName = rname;
  t.BeginTime = begin;
  return t;
}

TEST(BuildingTree, FirstNameWinsAndNumbersOrderTheTree) {
  Document doc;
  doc.AllTests = {MakeTest(3, "C", 2, "c2", 1), MakeTest(2, "North", 1, "n1", 2),
                  MakeTest(3, "C", 1, "c1", 3), MakeTest(2, "South", 5, "s5", 4),
                  MakeTest(1, "A", 1, "a1", 5), MakeTest(3, "C", 2, "x", 6)};
  ASSERT_TRUE(BuildBuildingTree(doc, 6));
  ASSERT_EQ(doc.BuildingTree.size(), 3u);
  EXPECT_EQ(doc.BuildingTree[0].BuildingNo, 1);
  EXPECT_EQ(doc.BuildingTree[1].BuildingName, "North");
  ASSERT_EQ(doc.BuildingTree[1].Rooms.size(), 2u);
  EXPECT_EQ(doc.BuildingTree[1].Rooms[1].RoomName, "s5");
  ASSERT_EQ(doc.BuildingTree[2].Rooms.size(), 2u);
  EXPECT_EQ(doc.BuildingTree[2].Rooms[0].RoomNo, 1);
  EXPECT_EQ(doc.BuildingTree[2].Rooms[1].RoomName, "c2");

  SortTestsByTree(doc);
  std::vector<double> order;
  for (const auto& t : doc.AllTests)
    order.push_back(t.BeginTime);
  EXPECT_EQ(order, (std::vector<double>{5, 2, 4, 3, 1, 6}));
  ASSERT_EQ(doc.ShownTests.size(), 6u);
  EXPECT_EQ(doc.ShownTest(0)->BeginTime, 5);
  EXPECT_FALSE(BuildBuildingTree(doc, 7));
}

TEST(BuildingTree, UnusualNumbersStillGetANode) {
  Document doc;
  doc.AllTests = {MakeTest(0, "zero", 0, "r0", 1), MakeTest(-2, "neg", 1, "r", 2),
                  MakeTest(1, "one", 1, "r", 3)};
  ASSERT_TRUE(BuildBuildingTree(doc, 3));
  ASSERT_EQ(doc.BuildingTree.size(), 3u);
  EXPECT_EQ(doc.BuildingTree[0].BuildingNo, -2);
  EXPECT_EQ(doc.BuildingTree[1].BuildingName, "zero");
  SortTestsByTree(doc);
  EXPECT_EQ(doc.AllTests.size(), 3u);
}

}  // namespace
}  // namespace qv

#include "TestSettings.h"

#include "app/InterfaceChoices.h"

#include <gtest/gtest.h>

#include <set>

namespace qv {
namespace {

using test::FreshSettings;
using test::WriteSettingsFile;

TEST(InterfaceChoices, GraphNamesCoverEveryQuantityOnce) {
  std::set<int> quantities;
  std::set<std::string> names;
  for (const GraphChoiceName& g : GraphChoiceNames()) {
    quantities.insert(g.quantity);
    names.insert(g.name);
  }
  EXPECT_EQ(quantities.size(), 16u);
  EXPECT_EQ(*quantities.begin(), 1);
  EXPECT_EQ(*quantities.rbegin(), 16);
  EXPECT_EQ(names.size(), 16u);
  // The stored names keep their historic spelling and their quantity.
  EXPECT_STREQ(GraphChoiceNames()[1].name, "GrAirVel");
  EXPECT_EQ(GraphChoiceNames()[1].quantity, 4);
  EXPECT_STREQ(GraphChoiceNames()[10].name, "GrGlogeTemp");
  EXPECT_EQ(GraphChoiceNames()[10].quantity, 11);
}

TEST(InterfaceChoices, PositionRules) {
  struct Case {
    int32_t stored;
    int expected;
  };
  const Case cases[] = {
      {0, 0}, {1, 1}, {2, 1}, {2147483647, 1}, {-1, -1}, {-2, -1}, {-2147483647 - 1, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ClampChoicePosition(c.stored, 2), c.expected) << c.stored;
  }
  EXPECT_EQ(ClampChoicePosition(5, 16), 5);
}

TEST(InterfaceChoices, SaveThenLoadRestoresEveryChoice) {
  const SettingsStore store = FreshSettings();
  InterfaceChoices saved;
  saved.DLSelect = 1;
  saved.UnitSel = 1;
  for (size_t i = 0; i < saved.Graph.size(); ++i)
    saved.Graph[i] = (i % 3 == 0);
  SaveInterfaceChoices(store, saved);

  InterfaceChoices loaded;
  loaded.Graph.fill(true);  // every box must be set from the store, not kept
  ASSERT_TRUE(LoadInterfaceChoices(store, loaded).ok());
  EXPECT_EQ(loaded.DLSelect, 1);
  EXPECT_EQ(loaded.UnitSel, 1);
  EXPECT_EQ(loaded.Graph, saved.Graph);

  // Each graph choice is stored under the name of its own quantity.
  bool dewPoint = false;
  ASSERT_TRUE(store.ReadBool("GrDewPoint", dewPoint).ok());
  EXPECT_EQ(dewPoint, saved.Graph[2]);
}

TEST(InterfaceChoices, StoredPositionsAreClampedAndMissingValuesKeepTheirChoice) {
  const SettingsStore store = FreshSettings();
  WriteSettingsFile(store, "[General]\nDLSelect=2\nUnitSel=-5\nGrCO=1\n");
  InterfaceChoices c;
  c.Graph[0] = true;  // air temperature: not stored, stays checked
  ASSERT_TRUE(LoadInterfaceChoices(store, c).ok());
  EXPECT_EQ(c.DLSelect, 1);  // beyond the two choices: the last one, logging memory
  EXPECT_EQ(c.UnitSel, -1);  // below -1: nothing selected
  EXPECT_TRUE(c.Graph[0]);
  EXPECT_TRUE(c.Graph[15]);
  EXPECT_FALSE(c.Graph[1]);
}

TEST(InterfaceChoices, WrongTypeStopsTheLoadAtThatValue) {
  const SettingsStore store = FreshSettings();
  // Load order: DLSelect, UnitSel, GrAirTemp, GrAirVel, GrRelHum, ...
  WriteSettingsFile(store,
                    "[General]\nDLSelect=1\nUnitSel=1\nGrAirTemp=1\nGrAirVel=abc\nGrRelHum=1\n"
                    "GrCO=1\n");
  InterfaceChoices c;
  const ReadResult r = LoadInterfaceChoices(store, c);
  EXPECT_EQ(r.status, ReadStatus::WrongType);
  EXPECT_NE(r.error.find("GrAirVel"), std::string::npos) << r.error;
  EXPECT_NE(r.error.find("abc"), std::string::npos) << r.error;
  // Values before it are applied, the value itself and those after it are not.
  EXPECT_EQ(c.DLSelect, 1);
  EXPECT_EQ(c.UnitSel, 1);
  EXPECT_TRUE(c.Graph[0]);
  EXPECT_FALSE(c.Graph[3]);
  EXPECT_FALSE(c.Graph[1]);
  EXPECT_FALSE(c.Graph[15]);
}

TEST(InterfaceChoices, LoadFromAnEmptyStoreChangesNothing) {
  const SettingsStore store = FreshSettings();
  InterfaceChoices c;
  c.DLSelect = 1;
  c.Graph[7] = true;
  EXPECT_TRUE(LoadInterfaceChoices(store, c).ok());
  EXPECT_EQ(c.DLSelect, 1);
  EXPECT_EQ(c.UnitSel, 0);
  EXPECT_TRUE(c.Graph[7]);
  EXPECT_FALSE(store.Exists()) << "loading must not create the store";
}

}  // namespace
}  // namespace qv

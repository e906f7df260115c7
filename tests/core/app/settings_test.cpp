#include "TestSettings.h"

#include "app/Settings.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qv {
namespace {

using test::FreshSettings;
using test::WriteSettingsFile;

TEST(Settings, LiveInTheTestFolderNamedAfterTheApplication) {
  const SettingsStore store("QuorvantelTest-location");
  EXPECT_EQ(store.Location(), test::RunFolder() + "/QuorvantelTest-location.conf");
}

TEST(Settings, ValuesRoundTripThroughTheStore) {
  const SettingsStore store = FreshSettings();
  EXPECT_FALSE(store.Exists());
  // "°" and "ä" are single bytes in the code page; a comma must not split the text.
  const Bytes text = "Dr. M\xE4rz, 23\xB0 room";
  ASSERT_TRUE(store.WriteText("Operator1", text));
  ASSERT_TRUE(store.WriteInt("COMPort", -7));
  ASSERT_TRUE(store.WriteInt("BaudRate", 2147483647));
  ASSERT_TRUE(store.WriteBool("GrCO", true));
  ASSERT_TRUE(store.WriteBool("GrCO2", false));
  EXPECT_TRUE(store.Exists());

  // A second store object reads what the first wrote, as the next run of the program would.
  const SettingsStore again(store);
  Bytes t;
  int32_t port = 0, baud = 0;
  bool co = false, co2 = true;
  EXPECT_TRUE(again.ReadText("Operator1", t).ok());
  EXPECT_TRUE(again.ReadInt("COMPort", port).ok());
  EXPECT_TRUE(again.ReadInt("BaudRate", baud).ok());
  EXPECT_TRUE(again.ReadBool("GrCO", co).ok());
  EXPECT_TRUE(again.ReadBool("GrCO2", co2).ok());
  EXPECT_EQ(t, text);
  EXPECT_EQ(port, -7);
  EXPECT_EQ(baud, 2147483647);
  EXPECT_TRUE(co);
  EXPECT_FALSE(co2);
}

TEST(Settings, AbsentValueLeavesTheTargetAlone) {
  const SettingsStore store = FreshSettings();
  ASSERT_TRUE(store.WriteInt("UnitSel", 1));
  Bytes text = "kept";
  int32_t number = 42;
  bool flag = true;
  EXPECT_EQ(store.ReadText("Footer", text).status, ReadStatus::Absent);
  EXPECT_EQ(store.ReadInt("DLSelect", number).status, ReadStatus::Absent);
  EXPECT_EQ(store.ReadBool("GrPMV", flag).status, ReadStatus::Absent);
  EXPECT_EQ(text, "kept");
  EXPECT_EQ(number, 42);
  EXPECT_TRUE(flag);
}

TEST(Settings, ValuesEditedByHandAreReadByTheirType) {
  struct Case {
    const char* line;  // the value as a person typed it into the file
    ReadStatus status;
    int32_t number;  // read when Ok
  };
  const Case cases[] = {
      {"0", ReadStatus::Ok, 0},
      {"1", ReadStatus::Ok, 1},
      {" 12 ", ReadStatus::Ok, 12},
      {"-2147483648", ReadStatus::Ok, -2147483647 - 1},
      {"abc", ReadStatus::WrongType, 0},
      {"", ReadStatus::WrongType, 0},
      {"1.5", ReadStatus::WrongType, 0},
      {"0x10", ReadStatus::WrongType, 0},
      {"2147483648", ReadStatus::WrongType, 0},
      {"4294967296", ReadStatus::WrongType, 0},
      {"1, 2", ReadStatus::WrongType, 0},
      {"@ByteArray(5)", ReadStatus::WrongType, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const SettingsStore store = FreshSettings();
    WriteSettingsFile(store, std::string("[General]\nUnitSel=") + c.line + "\n");
    int32_t number = 99;
    const ReadResult r = store.ReadInt("UnitSel", number);
    EXPECT_EQ(r.status, c.status);
    if (c.status == ReadStatus::Ok) {
      EXPECT_EQ(number, c.number);
      EXPECT_TRUE(r.error.empty());
    } else {
      EXPECT_EQ(number, 99) << "a failed read must not touch its target";
      // The message names the value and the file so that a person can mend it.
      EXPECT_NE(r.error.find("\"UnitSel\""), std::string::npos) << r.error;
      EXPECT_NE(r.error.find(store.Location()), std::string::npos) << r.error;
      EXPECT_NE(r.error.find("32-bit integer"), std::string::npos) << r.error;
    }
  }
}

TEST(Settings, BooleansAreIntegersAndAnyNonZeroIsTrue) {
  const SettingsStore store = FreshSettings();
  WriteSettingsFile(store, "[General]\nGrCO=7\nGrCO2=-1\nGrPMV=0\nGrPPD=true\n");
  bool co = false, co2 = false, pmv = true, ppd = false;
  EXPECT_TRUE(store.ReadBool("GrCO", co).ok());
  EXPECT_TRUE(store.ReadBool("GrCO2", co2).ok());
  EXPECT_TRUE(store.ReadBool("GrPMV", pmv).ok());
  EXPECT_TRUE(co);
  EXPECT_TRUE(co2);
  EXPECT_FALSE(pmv);
  const ReadResult r = store.ReadBool("GrPPD", ppd);
  EXPECT_EQ(r.status, ReadStatus::WrongType);
  EXPECT_NE(r.error.find("\"true\""), std::string::npos) << r.error;
  EXPECT_FALSE(ppd);
}

TEST(Settings, TextsTypedByHandAreEncodedInTheCodePage) {
  const SettingsStore store = FreshSettings();
  // The file is UTF-8; the program's texts are bytes of the code page. A text with commas
  // left unquoted comes back whole.
  WriteSettingsFile(store,
                    "[General]\nTestSite1=Gr\xC3\xBC"
                    "ne Halle\nFooter=a, b, c\n");
  Bytes site, footer;
  EXPECT_TRUE(store.ReadText("TestSite1", site).ok());
  EXPECT_TRUE(store.ReadText("Footer", footer).ok());
  EXPECT_EQ(site, "Gr\xFCne Halle");
  EXPECT_EQ(footer, "a, b, c");
}

TEST(Settings, UnwritableStoreReportsFailure) {
  const SettingsStore store = FreshSettings();
  // A folder where the file should be: the store can neither be read nor written.
  std::filesystem::create_directories(store.Location());
  EXPECT_FALSE(store.WriteInt("UnitSel", 1));
  int32_t v = 5;
  EXPECT_EQ(store.ReadInt("UnitSel", v).status, ReadStatus::Absent);
  EXPECT_EQ(v, 5);
}

}  // namespace
}  // namespace qv

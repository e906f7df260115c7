// The stored RS-232 choice and the names of detected devices.
#include "link/PortChoice.h"
#include "support/QtTestEnvironment.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace qv::test {
namespace {

namespace fs = std::filesystem;

class PortChoiceTest : public ::testing::Test {
 protected:
  SettingsStore store = FreshSettings();
};

TEST_F(PortChoiceTest, NothingStoredGivesTheDefaults) {
  PortChoice choice;
  EXPECT_TRUE(LoadPortChoice(store, choice).ok());
  EXPECT_EQ(choice.ComPort, 0);
  EXPECT_EQ(choice.BaudRate, 5);
  EXPECT_EQ(choice.BaudRateValue(), 38400);
  EXPECT_EQ(choice.Device(), "/dev/ttyS0");
}

TEST_F(PortChoiceTest, StoredPositionsAreClamped) {
  struct Case {
    int32_t comPort, baudRate;
    int32_t wantPort, wantBaud;
    const char* device;
    int32_t rate;
  };
  const Case cases[] = {
      {15, 7, 15, 6, "/dev/ttyS15", 57600},  // "BaudRate" 7 selects the last rate
      {3, 0, 3, 0, "/dev/ttyS3", 1200},      {40, 6, 15, 6, "/dev/ttyS15", 57600},
      {-1, -1, -1, -1, "/dev/ttyS0", 38400},  // nothing selected: the design choice
      {-9, -9, -1, -1, "/dev/ttyS0", 38400},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.comPort) + "/" + std::to_string(c.baudRate));
    ASSERT_TRUE(store.WriteInt("COMPort", c.comPort));
    ASSERT_TRUE(store.WriteInt("BaudRate", c.baudRate));
    PortChoice choice;
    ASSERT_TRUE(LoadPortChoice(store, choice).ok());
    EXPECT_EQ(choice.ComPort, c.wantPort);
    EXPECT_EQ(choice.BaudRate, c.wantBaud);
    EXPECT_EQ(choice.Device(), c.device);
    EXPECT_EQ(choice.BaudRateValue(), c.rate);
  }
}

TEST_F(PortChoiceTest, ChosenDeviceIsSavedAndLoaded) {
  PortChoice choice;
  choice.BaudRate = 6;
  choice.ChooseDevice("/dev/ttyS2");
  EXPECT_EQ(choice.ComPort, 2);
  choice.ChooseDevice("/dev/pts/7");  // not a standard port: the position stays
  EXPECT_EQ(choice.ComPort, 2);
  choice.ChooseDevice("/dev/ttyS16");  // beyond COM16
  EXPECT_EQ(choice.ComPort, 2);
  choice.ChooseDevice("/dev/pts/7");
  ASSERT_TRUE(SavePortChoice(store, choice));

  PortChoice loaded;
  ASSERT_TRUE(LoadPortChoice(store, loaded).ok());
  EXPECT_EQ(loaded.ComPort, 2);
  EXPECT_EQ(loaded.BaudRate, 6);
  EXPECT_EQ(loaded.PortDevice, "/dev/pts/7");
  EXPECT_EQ(loaded.Device(), "/dev/pts/7");
}

TEST_F(PortChoiceTest, ValueOfTheWrongTypeStopsTheLoad) {
  ASSERT_TRUE(store.WriteText("BaudRate", "fast"));
  PortChoice choice;
  const ReadResult r = LoadPortChoice(store, choice);
  EXPECT_EQ(r.status, ReadStatus::WrongType);
  EXPECT_FALSE(r.error.empty());
}

TEST(StableDevicePathTest, FindsTheByIdNameOfADevice) {
  // A fresh folder: one left behind by an earlier run would make create_symlink throw.
  std::string pattern = (fs::temp_directory_path() / "qv-by-id-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const fs::path root = pattern;
  fs::create_directories(root / "dev");
  fs::create_directories(root / "by-id");
  std::ofstream(root / "dev" / "ttyUSB0") << "";
  std::ofstream(root / "dev" / "ttyUSB1") << "";
  fs::create_symlink("../dev/ttyUSB1", root / "by-id" / "usb-Other_Cable-if00-port0");
  fs::create_symlink("../dev/ttyUSB0", root / "by-id" / "usb-Quorvantel_Bridge_A1-if00-port0");

  const std::string byId = (root / "by-id").string();
  EXPECT_EQ(StableDevicePath((root / "dev" / "ttyUSB0").string(), byId),
            (root / "by-id" / "usb-Quorvantel_Bridge_A1-if00-port0").string());
  EXPECT_EQ(StableDevicePath((root / "dev" / "ttyUSB9").string(), byId), "");
  EXPECT_EQ(StableDevicePath((root / "dev" / "ttyUSB0").string(), (root / "none").string()), "");
  fs::remove_all(root);
}

TEST(DetectPortsTest, EveryPortHasADevicePathAndItsStableNameLeadsThere) {
  for (const PortInfo& port : DetectPorts()) {
    SCOPED_TRACE(port.Name);
    EXPECT_EQ(port.SystemLocation.rfind("/dev/", 0), 0u);
    if (!port.StablePath.empty()) {
      EXPECT_EQ(fs::canonical(port.StablePath), fs::canonical(port.SystemLocation));
    }
  }
}

}  // namespace
}  // namespace qv::test

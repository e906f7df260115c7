// Why a serial device cannot be opened, and the port report, on a made-up system: a temporary
// folder stands in for /dev, /sys and /proc, and a made-up user asks.
#include "link/PortDiagnosis.h"
#include "link/PortReport.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace qv::test {
namespace {

namespace fs = std::filesystem;

class FakeSystem : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() /
           ("qv-ports-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    roots = {(root / "dev").string(), (root / "sys").string(), (root / "proc").string()};
    roots.lockDirs = {(root / "lock").string()};
    for (const std::string& folder : {roots.dev, roots.sys, roots.proc, roots.lockDirs[0]})
      fs::create_directories(folder);
    // The device nodes' group: dialout's number where we may give files away, else our own.
    deviceGid = geteuid() == 0 ? 20 : getegid();
    user.uid = 4242;
    user.gid = deviceGid + 1;
    user.groups = {deviceGid + 1};
    user.userName = "ana";
    user.lookupGroup = [this](uint32_t gid) -> std::optional<GroupInfo> {
      if (gid != deviceGid) return std::nullopt;
      return GroupInfo{"dialout", dialoutMembers};
    };
  }
  void TearDown() override { fs::remove_all(root); }

  static void Write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text << "\n";
  }

  std::string Dev(const std::string& name) const { return roots.dev + "/" + name; }

  // A device node as udev leaves it: root's, group dialout, mode `mode`.
  void Node(const std::string& name, mode_t mode = 0660) {
    const fs::path node = Dev(name);
    fs::create_directories(node.parent_path());
    std::ofstream(node).close();
    ASSERT_EQ(::chmod(node.c_str(), mode), 0);
    ASSERT_EQ(::chown(node.c_str(), static_cast<uid_t>(-1), deviceGid), 0);
  }

  // A USB adapter: the USB device with its ids and texts, the interface, the tty below it with
  // its driver, the class link and the by-id name.
  void UsbSerial(const std::string& name, const std::string& vendor, const std::string& product,
                 const std::string& productText, const std::string& driver, int port) {
    const fs::path usb =
        fs::path(roots.sys) / "devices/pci0000:00/usb1" / ("1-" + std::to_string(port));
    Write(usb / "idVendor", vendor);
    Write(usb / "idProduct", product);
    Write(usb / "product", productText);
    Write(usb / "manufacturer", "FTDI");
    Write(usb / "serial", "A10" + std::to_string(port));
    const fs::path iface = usb / ("1-" + std::to_string(port) + ":1.0");
    // ttyUSB sits below its own usb-serial port device; ttyACM's device is the interface.
    const bool acm = name.rfind("ttyACM", 0) == 0;
    const fs::path device = acm ? iface : iface / name;
    const fs::path driverDir = fs::path(roots.sys) / "bus/usb/drivers" / driver;
    fs::create_directories(device);
    fs::create_directories(driverDir);
    fs::create_symlink(driverDir, device / "driver");
    fs::create_directories(fs::path(roots.sys) / "class/tty" / name);
    fs::create_symlink(device, fs::path(roots.sys) / "class/tty" / name / "device");
    Node(name);
    fs::create_directories(fs::path(roots.ByIdFolder()));
    fs::create_symlink("../../" + name,
                       fs::path(roots.ByIdFolder()) / ("usb-FTDI_" + productText + "_A10" +
                                                       std::to_string(port) + "-if00-port0"));
  }

  // A ttyS node; type 0 means no UART is behind it.
  void StandardPort(const std::string& name, int type) {
    Write(fs::path(roots.sys) / "class/tty" / name / "type", std::to_string(type));
    Node(name);
  }

  void Process(int pid, const std::string& comm, const std::vector<std::string>& open = {}) {
    const fs::path dir = fs::path(roots.proc) / std::to_string(pid);
    Write(dir / "comm", comm);
    fs::create_directories(dir / "fd");
    int fd = 3;
    for (const std::string& target : open)
      fs::create_symlink(target, dir / "fd" / std::to_string(fd++));
  }

  std::string Diagnose(const std::string& device, OpenError error = OpenError::Denied,
                       DiagnosisOptions options = {}) const {
    return DiagnoseOpenFailure(device, error, roots, user, ProcessTable(roots), options);
  }

  fs::path root;
  DeviceRoots roots;
  UserIdentity user;
  uint32_t deviceGid = 0;
  std::vector<std::string> dialoutMembers;
};

TEST_F(FakeSystem, PermissionNamesTheGroupTheCommandAndTheNewLogin) {
  UsbSerial("ttyUSB0", "0403", "6001", "TRELVANIX", "ftdi_sio", 1);
  const std::string dev = Dev("ttyUSB0");
  const std::string lead = "Your user may not read and write " + dev + ": ";
  EXPECT_EQ(Diagnose(dev), lead +
                               "add it to the group \"dialout\" that owns the device "
                               "(sudo usermod -aG dialout $USER), then log out and log in again.");

  // Already added to the group, but this login started before: only a new login helps.
  dialoutMembers = {"bo", "ana"};
  EXPECT_EQ(Diagnose(dev), lead +
                               "it was added to the group \"dialout\" after this login began, "
                               "so log out and log in again.");

  // Through the by-id name: the same verdict, for the name the person chose.
  const std::string byId = roots.ByIdFolder() + "/usb-FTDI_TRELVANIX_A101-if00-port0";
  EXPECT_EQ(CheckAccess(byId, user).access, PortAccess::Permission);

  // A group that may not read and write itself: joining it would not help.
  ASSERT_EQ(::chmod(dev.c_str(), 0600), 0);
  EXPECT_EQ(Diagnose(dev), lead + "ask the administrator of this computer for access to it.");

  // A member of the group may use it, and then there is nothing to explain.
  ASSERT_EQ(::chmod(dev.c_str(), 0660), 0);
  user.groups.push_back(deviceGid);
  EXPECT_EQ(CheckAccess(dev, user).access, PortAccess::Ok);
  EXPECT_EQ(Diagnose(dev, OpenError::Other), "");
}

TEST_F(FakeSystem, BusyNamesTheProcessesHoldingTheDevice) {
  UsbSerial("ttyUSB0", "0403", "6001", "TRELVANIX", "ftdi_sio", 1);
  UsbSerial("ttyUSB1", "0403", "6001", "DARO", "ftdi_sio", 2);
  user.groups.push_back(deviceGid);
  Process(812, "minicom", {Dev("ttyUSB0"), "socket:[4711]"});
  Process(77, "screen", {Dev("ttyUSB1"), Dev("ttyUSB0"), Dev("ttyUSB0")});
  Process(90, "bash", {roots.dev + "/pts/1"});

  const std::string dev = Dev("ttyUSB0");
  EXPECT_EQ(Diagnose(dev),
            dev + " is held by processes 77 (screen), 812 (minicom): close them and try again.");
  // The by-id name leads to the same node and its holders.
  const std::string byId = roots.ByIdFolder() + "/usb-FTDI_DARO_A102-if00-port0";
  EXPECT_EQ(Diagnose(byId), byId +
                                " is held by process 77 (screen): close that program and try "
                                "again.");

  // Refused although nobody visible holds it: another user's program, or its lock.
  fs::remove_all(fs::path(roots.proc) / "77");
  EXPECT_EQ(Diagnose(Dev("ttyUSB1")), Dev("ttyUSB1") +
                                          " is in use by another program (sudo fuser "
                                          "-v " +
                                          Dev("ttyUSB1") + " names it).");
}

TEST_F(FakeSystem, GoneDeviceListsTheDevicesThereAreNow) {
  const std::string gone = Dev("ttyUSB0");
  const std::string lead = gone +
                           " does not exist: the adapter may be unplugged, or the system gave it "
                           "another name. ";
  EXPECT_EQ(Diagnose(gone, OpenError::NotFound), lead + "No serial device exists now.");

  UsbSerial("ttyUSB1", "0403", "6001", "KESU", "ftdi_sio", 2);
  StandardPort("ttyS0", 4);
  StandardPort("ttyS1", 0);
  EXPECT_EQ(Diagnose(gone, OpenError::NotFound),
            lead + "Serial devices now: " + Dev("ttyS0") + ", " + Dev("ttyUSB1") + ".");

  // A bridge library that does not give ttyUSB back: only plugging in again brings it.
  DiagnosisOptions keeps;
  keeps.bridgeKeepsSerialDevice = true;
  const std::string replug =
      " If the instrument was last reached through its USB bridge, the bridge library took the "
      "device away: unplug the adapter and plug it in again to get it back.";
  EXPECT_EQ(Diagnose(gone, OpenError::NotFound, keeps),
            lead + "Serial devices now: " + Dev("ttyS0") + ", " + Dev("ttyUSB1") + "." + replug);
  // Not for a device the bridge library never takes.
  EXPECT_EQ(Diagnose(Dev("ttyS3"), OpenError::NotFound, keeps).find("bridge"), std::string::npos);
}

TEST_F(FakeSystem, ServicesKnownToGrabAdaptersAreNamedForUsbDevices) {
  UsbSerial("ttyUSB0", "0403", "6001", "TRELVANIX", "ftdi_sio", 1);
  UsbSerial("ttyACM0", "2341", "0043", "Board", "cdc_acm", 2);
  StandardPort("ttyS0", 4);
  user.groups.push_back(deviceGid);
  Process(500, "ModemManager", {Dev("ttyACM0")});
  Process(501, "brltty");

  struct Case {
    const char* device;
    bool modemManager, brltty, held;
  };
  const Case cases[] = {
      {"ttyUSB0", true, true, false},
      {"ttyACM0", true, false, true},  // brltty takes ttyUSB adapters, not ACM ones
      {"ttyS0", false, false, false},  // neither touches a built-in port
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.device);
    const std::string text = Diagnose(Dev(c.device));
    EXPECT_EQ(text.find("ModemManager is running") != std::string::npos, c.modemManager) << text;
    EXPECT_EQ(text.find("brltty is running") != std::string::npos, c.brltty) << text;
    EXPECT_EQ(text.find("held by process 500 (ModemManager)") != std::string::npos, c.held) << text;
  }
  // The busy sentence comes first, the hint about the service after it.
  const std::string acm = Diagnose(Dev("ttyACM0"));
  EXPECT_LT(acm.find("held by"), acm.find("ModemManager is running"));
}

TEST_F(FakeSystem, ListingDescribesUsbAdaptersAndSkipsEmptyStandardPorts) {
  UsbSerial("ttyUSB10", "0403", "6015", "VENTA RQ", "ftdi_sio", 3);
  UsbSerial("ttyUSB2", "0403", "6001", "TRELVANIX", "ftdi_sio", 1);
  UsbSerial("ttyACM0", "2341", "0043", "Board", "cdc_acm", 2);
  StandardPort("ttyS0", 4);
  StandardPort("ttyS1", 0);
  StandardPort("ttyS2", 0);
  Node("tty0");
  Node("ttyprintk");
  fs::create_directories(Dev("ttyS9"));  // not a device node

  const SerialDeviceList list = ListSerialDevices(roots);
  std::vector<std::string> names;
  for (const SerialDeviceInfo& d : list.devices)
    names.push_back(d.name);
  EXPECT_EQ(names, (std::vector<std::string>{"ttyACM0", "ttyS0", "ttyUSB2", "ttyUSB10"}));
  EXPECT_EQ(list.emptyStandardPorts, 2);

  const SerialDeviceInfo& usb = list.devices[2];
  EXPECT_EQ(usb.path, Dev("ttyUSB2"));
  EXPECT_TRUE(usb.usb);
  EXPECT_EQ(usb.vendorId + ":" + usb.productId, "0403:6001");
  EXPECT_EQ(usb.product, "TRELVANIX");
  EXPECT_EQ(usb.manufacturer, "FTDI");
  EXPECT_EQ(usb.serial, "A101");
  EXPECT_EQ(usb.driver, "ftdi_sio");
  EXPECT_EQ(usb.byId,
            (std::vector<std::string>{roots.ByIdFolder() + "/usb-FTDI_TRELVANIX_A101-if00-port0"}));
  EXPECT_EQ(list.devices[0].driver, "cdc_acm");
  EXPECT_EQ(list.devices[0].vendorId, "2341");
  EXPECT_FALSE(list.devices[1].usb);
}

// A bridge library whose two bridges are one of the instrument's and one this user may not read.
int scanContext = 0;
FtdiDeviceList* scanEntries[2] = {reinterpret_cast<FtdiDeviceList*>(&scanEntries[0]),
                                  reinterpret_cast<FtdiDeviceList*>(&scanEntries[1])};

FtdiApi ScanTable(bool reattaches) {
  FtdiApi api;
  api.loaded = true;
  api.New = [] { return reinterpret_cast<FtdiContext*>(&scanContext); };
  api.Free = [](FtdiContext*) {};
  api.FindAll = [](FtdiContext*, FtdiDeviceList** list, int, int) {
    *list = scanEntries[0];
    return 2;
  };
  api.ListFree = [](FtdiDeviceList** list) { *list = nullptr; };
  api.ListNext = [](FtdiDeviceList* e) { return e == scanEntries[0] ? scanEntries[1] : nullptr; };
  api.GetStrings = [](FtdiContext*, FtdiDeviceList* e, char* m, int, char* d, int, char* s, int) {
    if (e != scanEntries[0]) return -4;
    std::strcpy(m, "FTDI");
    std::strcpy(d, "KESU");
    std::strcpy(s, "A7");
    return 0;
  };
  api.ErrorString = [](FtdiContext*) { return "libusb_open() failed"; };
  if (reattaches) api.SetModuleDetachMode = [](FtdiContext*, int) {};
  return api;
}

TEST_F(FakeSystem, ReportAsJsonCarriesEveryVerdict) {
  UsbSerial("ttyUSB0", "0403", "6001", "TRELVANIX", "ftdi_sio", 1);
  UsbSerial("ttyUSB1", "0403", "6001", "DARO", "ftdi_sio", 2);
  ASSERT_EQ(::chmod(Dev("ttyUSB1").c_str(), 0666), 0);
  Process(812, "minicom", {Dev("ttyUSB1")});
  Process(500, "ModemManager");

  const std::string missing = Dev("ttyUSB7");
  const std::string byId = roots.ByIdFolder() + "/usb-FTDI_DARO_A102-if00-port0";
  const PortReport report = BuildPortReport(roots, user, ScanTable(true), {byId, missing});
  QJsonParseError error;
  const QJsonDocument doc =
      QJsonDocument::fromJson(QByteArray::fromStdString(PortReportJson(report)), &error);
  ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
  const QJsonObject top = doc.object();

  const QJsonArray ports = top["serialDevices"].toArray();
  ASSERT_EQ(ports.size(), 3);
  const QJsonObject usb0 = ports[0].toObject();
  EXPECT_EQ(usb0["path"].toString().toStdString(), Dev("ttyUSB0"));
  EXPECT_FALSE(usb0["asked"].toBool());
  EXPECT_EQ(usb0["usb"]["vendorId"].toString(), "0403");
  EXPECT_EQ(usb0["usb"]["product"].toString(), "TRELVANIX");
  EXPECT_EQ(usb0["driver"].toString(), "ftdi_sio");
  EXPECT_FALSE(usb0["access"]["canOpen"].toBool());
  EXPECT_EQ(usb0["access"]["reason"].toString(), "permission");
  EXPECT_EQ(usb0["access"]["group"].toString(), "dialout");
  EXPECT_TRUE(usb0["heldBy"].toArray().isEmpty());

  // Asked for by its by-id name: the listed device, marked, not a second entry.
  const QJsonObject usb1 = ports[1].toObject();
  EXPECT_TRUE(usb1["asked"].toBool());
  EXPECT_TRUE(usb1["access"]["canOpen"].toBool());
  EXPECT_EQ(usb1["byId"].toArray().first().toString().toStdString(), byId);
  ASSERT_EQ(usb1["heldBy"].toArray().size(), 1);
  EXPECT_EQ(usb1["heldBy"][0]["pid"].toInt(), 812);
  EXPECT_EQ(usb1["heldBy"][0]["name"].toString(), "minicom");

  const QJsonObject gone = ports[2].toObject();
  EXPECT_EQ(gone["path"].toString().toStdString(), missing);
  EXPECT_EQ(gone["access"]["reason"].toString(), "missing");
  EXPECT_TRUE(gone["usb"].isNull());

  const QJsonObject bridges = top["usbBridges"].toObject();
  EXPECT_TRUE(bridges["libraryLoaded"].toBool());
  EXPECT_TRUE(bridges["returnsSerialDevice"].toBool());
  EXPECT_EQ(bridges["descriptionsTried"].toArray().size(), 4);
  const QJsonArray found = bridges["found"].toArray();
  ASSERT_EQ(found.size(), 2);
  EXPECT_EQ(found[0]["description"].toString(), "KESU");
  EXPECT_TRUE(found[0]["linkTries"].toBool());
  EXPECT_FALSE(found[1]["readable"].toBool());
  EXPECT_EQ(found[1]["error"].toString(), "libusb_open() failed");

  ASSERT_EQ(top["warnings"].toArray().size(), 1);
  EXPECT_TRUE(top["warnings"][0].toString().startsWith("ModemManager is running"));
}

TEST_F(FakeSystem, ReportTextSaysWhyNoBridgeCouldBeLookedAt) {
  struct Case {
    FtdiApi api;
    const char* says;
  };
  const Case cases[] = {
      {NoFtdi(), "the library libftdi1.so.2 could not be loaded"},
      {ScanTable(false), "plug the bridge in again to get it back"},
      {ScanTable(true), "\"KESU\" by FTDI, serial A7: one the link opens"},
  };
  for (const Case& c : cases) {
    const std::string text = PortReportText(BuildPortReport(roots, user, c.api));
    SCOPED_TRACE(text);
    EXPECT_NE(text.find(c.says), std::string::npos);
  }
}

// A lock file names the program that has the device; one whose process has ended holds
// nothing, is said to be stale, and is removed where this user may.
TEST_F(FakeSystem, LockFilesNameTheirProcessAndStaleOnesAreSeenThrough) {
  UsbSerial("ttyUSB0", "0403", "6001", "TRELVANIX", "ftdi_sio", 1);
  Node("pts/3");
  Node("pts/4");
  user.groups.push_back(deviceGid);
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  const fs::path lockDir = roots.lockDirs[0];
  // The number alone, padded, as many serial programs write it; Qt's form with its host; one
  // from another computer.
  Write(lockDir / "LCK..ttyUSB0", "      4242");
  Process(4242, "minicom");
  Write(lockDir / "LCK..pts_3", "31337\nquorvantel-cli\n" + std::string(host));
  Write(lockDir / "LCK..pts_4", "4242\nminicom\nfar-away");

  EXPECT_EQ(Diagnose(Dev("ttyUSB0")), Dev("ttyUSB0") + " is locked by process 4242 (minicom), " +
                                          "lock file " + (lockDir / "LCK..ttyUSB0").string() +
                                          ": close that program and try again.");
  const std::string stale = (lockDir / "LCK..pts_3").string();
  EXPECT_EQ(Diagnose(Dev("pts/3")),
            Dev("pts/3") + " is locked by " + stale +
                ", which process 31337 left behind: that process has ended and nothing holds the "
                "device. This user may not remove the stale lock; remove it (sudo rm " +
                stale + ") and try again.");
  EXPECT_NE(Diagnose(Dev("pts/4")).find("written on the computer far-away"), std::string::npos);

  const PortReport report = BuildPortReport(roots, user, ScanTable(true), {Dev("pts/3")});
  const std::string text = PortReportText(report);
  EXPECT_NE(text.find("    locked   stale lock file " + stale + ": process 31337 has ended"),
            std::string::npos)
      << text;
  const QJsonObject pts = QJsonDocument::fromJson(QByteArray::fromStdString(PortReportJson(report)))
                              .object()["serialDevices"]
                              .toArray()
                              .last()
                              .toObject();
  ASSERT_EQ(pts["locks"].toArray().size(), 1);
  EXPECT_TRUE(pts["locks"][0]["stale"].toBool());
  EXPECT_EQ(pts["locks"][0]["pid"].toInt(), 31337);

  // The link sees through the stale lock only: the other two stay.
  for (const char* name : {"ttyUSB0", "pts/3", "pts/4"})
    RemoveStaleSerialLocks(Dev(name), roots);
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(lockDir / "LCK..ttyUSB0"));
  EXPECT_TRUE(fs::exists(lockDir / "LCK..pts_4"));
  EXPECT_EQ(Diagnose(Dev("pts/3")), Dev("pts/3") + " is in use by another program (sudo fuser -v " +
                                        Dev("pts/3") + " names it).");
}

}  // namespace
}  // namespace qv::test

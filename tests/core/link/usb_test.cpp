// The USB bridge wrappers and the transport choice of Connect, through a fake table in the
// place of the bridge library.
#include "LinkTestSupport.h"
#include "link/Link.h"
#include "link/UsbBridge.h"

#include <gtest/gtest.h>

namespace qv::test {
namespace {

// One fake bridge for the whole program: the table holds plain function pointers.
struct FakeBridge {
  bool present = true;
  std::string description = "TRELVANIX";
  bool openNow = false;
  std::vector<std::string> calls;              // setup and release calls, in order
  std::vector<std::string> triedDescriptions;  // distinct, in order
  int findAllCalls = 0;
  std::string toHost;
  std::string fromHost;
  bool answerIdentification = true;
  int detachMode = 0;                 // the library's default: detach, never reattach
  std::vector<int> detachModeAtOpen;  // the mode in force at each open
};
FakeBridge* fake = nullptr;
int fakeContext = 0;

FtdiApi FakeTable() {
  FtdiApi api;
  api.loaded = true;
  api.New = [] { return reinterpret_cast<FtdiContext*>(&fakeContext); };
  api.Free = [](FtdiContext*) {};
  api.FindAll = [](FtdiContext*, FtdiDeviceList** list, int, int) {
    ++fake->findAllCalls;
    *list = nullptr;
    return fake->present ? 1 : 0;
  };
  api.ListFree = [](FtdiDeviceList**) {};
  api.OpenByDescription = [](FtdiContext*, int vendor, int, const char* desc, const char*) {
    auto& tried = fake->triedDescriptions;
    if (tried.empty() || tried.back() != desc) tried.push_back(desc);
    fake->detachModeAtOpen.push_back(fake->detachMode);
    if (vendor != kUsbVendor || !fake->present || fake->description != desc) return -3;
    fake->openNow = true;
    return 0;
  };
  api.Close = [](FtdiContext*) {
    fake->calls.push_back("close");
    fake->openNow = false;
    return 0;
  };
  api.SetBitMode = [](FtdiContext*, unsigned char mask, unsigned char mode) {
    fake->calls.push_back("bitmode " + std::to_string(mask) + " " + std::to_string(mode));
    return 0;
  };
  api.SetBaudRate = [](FtdiContext*, int baud) {
    fake->calls.push_back("baud " + std::to_string(baud));
    return 0;
  };
  api.SetLineProperty = [](FtdiContext*, int bits, int stop, int parity) {
    fake->calls.push_back("line " + std::to_string(bits) + std::to_string(stop) +
                          std::to_string(parity));
    return 0;
  };
  api.SetFlowControl = [](FtdiContext*, int flow) {
    fake->calls.push_back("flow " + std::to_string(flow));
    return 0;
  };
  api.SetLatencyTimer = [](FtdiContext*, unsigned char ms) {
    fake->calls.push_back("latency " + std::to_string(ms));
    return 0;
  };
  api.SetTimeouts = [](FtdiContext*, int r, int w) {
    fake->calls.push_back("timeouts " + std::to_string(r) + " " + std::to_string(w));
  };
  api.WriteData = [](FtdiContext*, const unsigned char* buf, int size) {
    const std::string bytes(reinterpret_cast<const char*>(buf), static_cast<size_t>(size));
    fake->fromHost += bytes;
    if (bytes == ":MRD\n" && fake->answerIdentification) fake->toHost += "SER";
    if (bytes == ":SE:R\n") fake->toHost += Ack(5) + "hello";
    return size;
  };
  api.ReadData = [](FtdiContext*, unsigned char* buf, int size) {
    const size_t n = std::min(fake->toHost.size(), static_cast<size_t>(size));
    std::copy_n(fake->toHost.begin(), n, buf);
    fake->toHost.erase(0, n);
    return static_cast<int>(n);
  };
  api.PurgeInput = [](FtdiContext*) {
    fake->toHost.clear();
    return 0;
  };
  api.SetModuleDetachMode = [](FtdiContext*, int mode) { fake->detachMode = mode; };
  return api;
}

class UsbTest : public ::testing::Test {
 protected:
  void SetUp() override { fake = &bridge; }
  void TearDown() override { fake = nullptr; }

  // A link whose RS-232 side is a scripted line that also identifies itself.
  std::unique_ptr<Link> MakeLink(const FtdiApi& api) {
    auto result = std::make_unique<Link>(host, api, clock);
    auto transport = std::make_unique<ScriptedTransport>(clock, [](const std::string& w, auto& l) {
      if (w == ":MRD\n") l.Reply("SER");
    });
    serial = transport.get();
    result->SetSerialTransport(std::move(transport), 38400);
    return result;
  }

  FakeBridge bridge;
  FakeClock clock;
  RecordingHost host;
  TextCatalog texts = LinkTexts();
  ScriptedTransport* serial = nullptr;
};

TEST_F(UsbTest, MissingLibraryMakesEveryWrapperReportStatus5) {
  UsbBridge usb(NoFtdi());
  uint8_t buf[4] = {};
  EXPECT_EQ(usb.UsbProbe(), kUsbNoLibrary);
  EXPECT_EQ(usb.UsbOpen("TRELVANIX"), kUsbNoLibrary);
  EXPECT_EQ(usb.UsbClose(), kUsbNoLibrary);
  EXPECT_EQ(usb.UsbSetup(), kUsbNoLibrary);
  EXPECT_EQ(usb.UsbRelease(), kUsbNoLibrary);
  // The data wrappers give the status negated, so that it never reads as a byte count.
  EXPECT_EQ(usb.UsbWrite(buf, 4), -kUsbNoLibrary);
  EXPECT_EQ(usb.UsbRead(buf, 4, SystemClock::Instance().Now()), -kUsbNoLibrary);
  EXPECT_FALSE(usb.Open().ok);
}

TEST_F(UsbTest, MissingLibraryOrBridgeMeansRs232) {
  for (const bool libraryThere : {false, true}) {
    SCOPED_TRACE(libraryThere);
    bridge.present = false;
    bridge.findAllCalls = 0;
    auto link = MakeLink(libraryThere ? FakeTable() : NoFtdi());
    EXPECT_TRUE(host.Told(link->Connect()));
    EXPECT_EQ(link->Kind(), LinkKind::Serial);
    EXPECT_TRUE(serial->IsOpen());
    // Three probes when the library is there; none can be made without it.
    EXPECT_EQ(bridge.findAllCalls, libraryThere ? 3 : 0);
    link->CloseLink();
  }
}

TEST_F(UsbTest, BridgeOfAnotherProductMeansRs232) {
  bridge.description = "SOMEONE ELSE'S CABLE";
  auto link = MakeLink(FakeTable());
  EXPECT_TRUE(host.Told(link->Connect()));
  EXPECT_EQ(link->Kind(), LinkKind::Serial);
  const std::vector<std::string> all(kUsbDescriptions.begin(), kUsbDescriptions.end());
  EXPECT_EQ(bridge.triedDescriptions, all);
}

TEST_F(UsbTest, BridgeIsFoundByDescriptionSetUpAndReleased) {
  bridge.description = "KESU";
  auto link = MakeLink(FakeTable());
  ASSERT_TRUE(host.Told(link->Connect()));
  EXPECT_EQ(link->Kind(), LinkKind::Usb);
  EXPECT_EQ(link->UsbDescription(), "KESU");
  EXPECT_EQ(bridge.triedDescriptions, (std::vector<std::string>{"TRELVANIX", "DARO", "KESU"}));
  EXPECT_TRUE(bridge.openNow);
  EXPECT_EQ(serial->opens, 0);
  EXPECT_EQ(bridge.fromHost, ":MRD\n");

  std::string block;
  ASSERT_TRUE(host.Told(link->ReadSettingsBlock(block)));
  EXPECT_EQ(block, "hello");

  link->CloseLink();
  EXPECT_FALSE(bridge.openNow);
  const std::vector<std::string> expected = {
      "close",  // the found description is closed again at once
      "bitmode 241 32", "baud 1000000",   "line 800", "flow 0", "timeouts 1000 1000",
      "latency 2",      "bitmode 240 32", "close"};
  EXPECT_EQ(bridge.calls, expected);
}

TEST_F(UsbTest, BridgeIsOpenedOnlyWithTheSerialDriverComingBack) {
  bridge.description = "KESU";
  auto link = MakeLink(FakeTable());
  ASSERT_TRUE(host.Told(link->Connect()));
  link->CloseLink();
  // Every open, the trial ones of the description search included, happened in reattach mode.
  ASSERT_GE(bridge.detachModeAtOpen.size(), 4u);
  for (const int mode : bridge.detachModeAtOpen)
    EXPECT_EQ(mode, kFtdiDetachAndReattach);
}

TEST_F(UsbTest, BridgeThisUserMayNotOpenIsNamedWhenTheSerialPortFailsToo) {
  FtdiApi refusing = FakeTable();
  refusing.OpenByDescription = [](FtdiContext*, int, int, const char* desc, const char*) {
    return std::string(desc) == "DARO" ? -8 : -3;
  };
  refusing.ErrorString = [](FtdiContext*) { return "usb_open() failed"; };
  auto link = MakeLink(refusing);
  serial->openSucceeds = false;
  serial->openHint = "The serial device said no.";
  EXPECT_FALSE(host.Told(link->Connect()));
  EXPECT_EQ(link->Kind(), LinkKind::Serial);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text,
            "Port not available\n\nThe serial device said no. The USB bridge \"DARO\" is "
            "connected but could not be opened (usb_open() failed): this user needs write access "
            "to its USB device, which the udev rule 70-quorvantel.rules gives; install it and plug "
            "the bridge in again.");
}

TEST_F(UsbTest, SilentBridgeEndsInConnectErrorAndIsReleased) {
  bridge.answerIdentification = false;
  auto link = MakeLink(FakeTable());
  EXPECT_FALSE(host.Told(link->Connect()));
  EXPECT_EQ(link->Kind(), LinkKind::Usb);
  EXPECT_FALSE(bridge.openNow);
  ASSERT_FALSE(bridge.calls.empty());
  EXPECT_EQ(bridge.calls[bridge.calls.size() - 2], "bitmode 240 32");
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "No instrument");
}

TEST_F(UsbTest, LongDescriptionIsCutTo49Characters) {
  const std::string longText(60, 'D');
  bridge.description = longText.substr(0, 49);
  UsbBridge usb(FakeTable());
  EXPECT_EQ(usb.UsbOpen(longText), kUsbOk);
  EXPECT_EQ(bridge.triedDescriptions.back(), longText.substr(0, 49));
  EXPECT_EQ(usb.Description().size(), 49u);
  EXPECT_EQ(usb.UsbClose(), kUsbOk);
}

}  // namespace
}  // namespace qv::test

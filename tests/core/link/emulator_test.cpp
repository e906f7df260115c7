// The protocol end to end: the link on a real pseudo-terminal (QSerialPort) against the
// instrument emulator program.
#include "EmulatorProcess.h"
#include "LinkTestSupport.h"
#include "link/Link.h"
#include "link/SerialTransport.h"
#include "memimage/MemoryImage.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

namespace qv::test {
namespace {

constexpr const char* kMemoryJson = R"({
  "identification": {"type": "QV-200", "code": "200", "serial": "20240117",
                     "resultsPercent": 3, "loggingPercent": 1},
  "results": [
    {"building": 1, "buildingName": "Town Hall", "room": 2, "roomName": "Office",
     "begin": "2024-03-05 09:15:00", "end": "2024-03-05 09:20:00", "unit": "SI",
     "values": {"AirTemp": [22.4, 22.1, 22.3, 22.6], "RelHum": 41.5}},
    {"building": 1, "buildingName": "Town Hall", "room": 3, "roomName": "Archive",
     "begin": "2024-03-05 10:00:00", "end": "2024-03-05 10:05:00", "unit": "US",
     "values": {"CO2": 640}}
  ],
  "logging": [
    {"interval": 60, "start": "2024-03-05 08:00:00", "quantities": ["AirTemp", "CO2"],
     "samples": [[21.5, 620], [21.6, 640], [21.7, 650]]}
  ]
})";

class EmulatorTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new std::filesystem::path(std::filesystem::temp_directory_path() /
                                        ("qv-link-test-" + std::to_string(getpid())));
    std::filesystem::create_directories(*folder_);
    std::ofstream(*folder_ / "memory.json") << kMemoryJson;
  }
  static void TearDownTestSuite() {
    std::filesystem::remove_all(*folder_);
    delete folder_;
  }

  // Starts the emulator on the test memory with further options and points the link at it.
  void Serve(std::vector<std::string> options = {}) {
    const std::string memory = (*folder_ / "memory.json").string();
    std::string error;
    auto loaded = emu::LoadMemoryFile(memory, &error);
    ASSERT_TRUE(loaded) << error;
    image = *loaded;
    options.insert(options.begin(), {"--memory", memory});
    ASSERT_TRUE(emulator.Start(std::string(QV_BIN_DIR) + "/quorvantel-emulator", options, &error))
        << error;
    link.SetSerialPort(emulator.Device(), 57600);
    link.SetTimings(ShortTimings());
  }
  static std::string Text(const emu::ByteVec& bytes) { return {bytes.begin(), bytes.end()}; }
  double Seconds(LinkClock::time_point since) const {
    return std::chrono::duration<double>(LinkClock::now() - since).count();
  }

  static std::filesystem::path* folder_;
  EmulatorProcess emulator;
  emu::MemoryImage image;
  RecordingHost host;
  TextCatalog texts = LinkTexts();
  Link link{host, NoFtdi()};
};
std::filesystem::path* EmulatorTest::folder_ = nullptr;

TEST_F(EmulatorTest, SettingsDirectoryAndPagesArriveAndCheck) {
  Serve();
  ASSERT_TRUE(host.Told(link.Connect()));
  EXPECT_EQ(link.Kind(), LinkKind::Serial);

  std::string settings;
  ASSERT_TRUE(host.Told(link.ReadSettingsBlock(settings)));
  EXPECT_EQ(settings, Text(image.settings));

  link.Buffer().Allocate(kDirectoryBufferSize);
  const AckResult dir = link.CommandWithAck(kDirectoryCommand);
  ASSERT_TRUE(host.Told(dir.outcome));
  ASSERT_EQ(dir.length, image.directory.size());
  ASSERT_TRUE(host.Told(link.ReceiveBlock(dir.length)));
  EXPECT_EQ(link.Buffer().View(), Text(image.directory));
  const size_t sumAt = dir.length - 4;
  EXPECT_EQ(link.ByteSum(0, sumAt), ReadBigEndian32(link.Buffer().Data() + sumAt));

  ASSERT_EQ(image.pages.size(), 5u);
  for (const auto& [address, page] : image.pages) {
    SCOPED_TRACE(address);
    ASSERT_TRUE(host.Told(link.RequestPage(static_cast<uint32_t>(address))));
    EXPECT_EQ(link.Buffer().View(), std::string(page.begin(), page.end()));
    EXPECT_EQ(link.ByteSum(4, kPageBytes - 4), ReadBigEndian32(link.Buffer().Data()));
  }
  EXPECT_TRUE(host.messages.empty());

  // The emulator serves the next connection after the host closed the device.
  link.CloseLink();
  ASSERT_TRUE(host.Told(link.Connect()));
  ASSERT_TRUE(link.RequestPage(static_cast<uint32_t>(image.pages.begin()->first)));
  link.CloseLink();
}

TEST_F(EmulatorTest, PageWithCorruptChecksumArrivesAndFailsItsCheck) {
  Serve({"--bad-checksum", "2"});
  ASSERT_TRUE(host.Told(link.Connect()));
  ASSERT_TRUE(host.Told(link.RequestPage(2)));
  EXPECT_NE(link.ByteSum(4, kPageBytes - 4), ReadBigEndian32(link.Buffer().Data()));
  ASSERT_TRUE(host.Told(link.RequestPage(1)));
  EXPECT_EQ(link.ByteSum(4, kPageBytes - 4), ReadBigEndian32(link.Buffer().Data()));
}

TEST_F(EmulatorTest, IdentificationReplies) {
  struct Case {
    std::vector<std::string> options;
    bool found;
  };
  const Case cases[] = {
      {{"--id", "SER 5.5 QV-200"}, true}, {{"--id", "SEX"}, false}, {{"--no-answer"}, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options.back());
    host.messages.clear();
    Serve(c.options);
    const auto start = LinkClock::now();
    EXPECT_EQ(host.Told(link.Connect()), c.found);
    if (c.found) {
      // The tail of the identification does not disturb the first command.
      std::string settings;
      EXPECT_TRUE(host.Told(link.ReadSettingsBlock(settings)));
      EXPECT_EQ(settings, Text(image.settings));
      EXPECT_TRUE(host.messages.empty());
    } else {
      EXPECT_GE(Seconds(start), 0.4);
      ASSERT_EQ(host.messages.size(), 1u);
      // An instrument that answered wrongly is not one that does not answer.
      EXPECT_EQ(host.messages[0].text,
                c.options[0] == "--id"
                    ? "Communication failed\n\nA device answered on " + emulator.Device() +
                          ", but not as a supported instrument does (it sent \"SEX\" where "
                          "\"SER\" was expected): check that the port is the instrument's and "
                          "the line speed is right."
                    : std::string("No instrument"));
    }
    link.CloseLink();
    emulator.Stop();
  }
}

TEST_F(EmulatorTest, DroppedAcknowledgementIsResent) {
  Serve({"--drop-ack-once"});
  ASSERT_TRUE(host.Told(link.Connect()));
  const auto start = LinkClock::now();
  std::string settings;
  EXPECT_TRUE(host.Told(link.ReadSettingsBlock(settings)));
  EXPECT_EQ(settings, Text(image.settings));
  // One attempt went unanswered before the command was sent again.
  EXPECT_GE(Seconds(start), 0.08);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(EmulatorTest, StallEndsTheBlockInError3AndTheNextCommandInError2C) {
  Serve({"--stall-at", "2"});
  ASSERT_TRUE(host.Told(link.Connect()));
  ASSERT_TRUE(host.Told(link.RequestPage(1)));
  EXPECT_FALSE(host.Told(link.RequestPage(2)));
  EXPECT_FALSE(host.Told(link.RequestPage(3)));
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[0].text, "Communication failed   Error #3");
  EXPECT_EQ(host.messages[1].text, "Communication failed   Error #2C");
}

TEST_F(EmulatorTest, CancelEndsTheWaitSilently) {
  Serve({"--stall-at", "1"});
  // A block limit no Cancel could be mistaken for.
  LinkTimings patient = ShortTimings();
  patient.BlockMinimum = 30s;
  link.SetTimings(patient);
  ASSERT_TRUE(host.Told(link.Connect()));
  const auto start = LinkClock::now();
  host.onPump = [&] {
    if (LinkClock::now() - start > 30ms) link.Cancel();
  };
  const LinkOutcome page = link.RequestPage(1);
  EXPECT_EQ(page.status, LinkStatus::Cancelled);
  EXPECT_FALSE(host.Told(page));
  EXPECT_LT(Seconds(start), 10.0) << "the 30 s limit, not the Cancel, ended the wait";
  EXPECT_TRUE(host.messages.empty());
  EXPECT_TRUE(link.Cancelled());
  link.CloseLink();
  EXPECT_FALSE(link.Cancelled());
}

TEST_F(EmulatorTest, ADeviceThatGoesAwayEndsTheExchangeAtOnce) {
  // Limits that only a wait for a device that is gone could reach.
  LinkTimings patient = ShortTimings();
  patient.BlockMinimum = 30s;
  patient.CommandTotal = 60s;
  for (const bool duringTheBlock : {false, true}) {
    SCOPED_TRACE(duringTheBlock ? "during a block" : "between exchanges");
    host.messages.clear();
    // A stalled page keeps the link waiting for its block until the device goes away.
    Serve(duringTheBlock ? std::vector<std::string>{"--stall-at", "1"}
                         : std::vector<std::string>{});
    link.SetTimings(patient);
    ASSERT_TRUE(host.Told(link.Connect()));
    auto start = LinkClock::now();
    if (duringTheBlock) {
      host.onPump = [&] {
        if (LinkClock::now() - start > 50ms) emulator.Stop();
      };
    } else {
      emulator.Stop();
    }
    start = LinkClock::now();
    const LinkOutcome page = link.RequestPage(1);
    host.onPump = nullptr;
    EXPECT_NE(page.status, LinkStatus::Ok);
    EXPECT_NE(page.status, LinkStatus::Cancelled);
    EXPECT_LT(Seconds(start), 5.0) << "waited out the limits of a device that is gone";
    EXPECT_FALSE(host.Told(page));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text.rfind("Communication failed   Error #", 0), 0u);
    link.CloseLink();
  }
}

TEST_F(EmulatorTest, WaitsEndAsSoonAsTheBytesAreThere) {
  Serve();
  ASSERT_TRUE(host.Told(link.Connect()));
  // 200 page round trips; waiting in fixed 10 ms sleeps would cost more than 2 s.
  const auto start = LinkClock::now();
  for (int i = 0; i < 200; ++i)
    ASSERT_TRUE(host.Told(link.RequestPage(1)));
  EXPECT_LT(Seconds(start), 1.0);
}

TEST_F(EmulatorTest, MissingOrBusyDeviceIsNotAvailableAndSaysWhy) {
  link.SetSerialPort("/dev/quorvantel-no-such-port", 38400);
  EXPECT_FALSE(host.Told(link.Connect()));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].icon, MessageIcon::Information);
  // Named, so that a person with several adapters knows which one to look at; why comes after.
  const std::string missing = "Port not available   /dev/quorvantel-no-such-port\n\n";
  EXPECT_EQ(host.messages[0].text.substr(0, missing.size()), missing);
  EXPECT_NE(host.messages[0].text.find("/dev/quorvantel-no-such-port does not exist"),
            std::string::npos);

  Serve();
  SerialTransport other(emulator.Device(), 57600);
  ASSERT_TRUE(other.Open().ok);
  EXPECT_FALSE(host.Told(link.Connect()));
  ASSERT_EQ(host.messages.size(), 2u);
  const std::string busy = "Port not available   " + emulator.Device() + "\n\n";
  EXPECT_EQ(host.messages[1].text.substr(0, busy.size()), busy);
  // This test program holds it through `other` (and the emulator, the other end, may too).
  EXPECT_NE(host.messages[1].text.find(std::to_string(getpid()) + " (qv_test_link)"),
            std::string::npos)
      << host.messages[1].text;
}

// A host killed while it had the device open never lifts its claim to exclusive use; the
// emulator's own descriptor keeps the terminal open, so the claim would refuse every later host
// (all but root, which the kernel lets through: hence the flag is read, not an open tried).
TEST_F(EmulatorTest, AHostThatDiesLeavesNoClaimOnTheDevice) {
  Serve();
  const auto claimed = [&] {
    const int fd = open(emulator.Device().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return errno == EBUSY;
    int exclusive = 0;
    const bool read = ioctl(fd, TIOCGEXCL, &exclusive) == 0;
    close(fd);
    return read && exclusive != 0;
  };
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const int fd = open(emulator.Device().c_str(), O_RDWR | O_NOCTTY);
    const char ok = fd >= 0 && ioctl(fd, TIOCEXCL) == 0 ? 'y' : 'n';
    if (write(ready[1], &ok, 1) != 1) _exit(1);
    for (;;)
      pause();
  }
  close(ready[1]);
  char ok = 0;
  ASSERT_EQ(read(ready[0], &ok, 1), 1);
  close(ready[0]);
  ASSERT_EQ(ok, 'y');
  // A living host keeps its claim, also when another process looks in meanwhile.
  EXPECT_TRUE(claimed());
  std::this_thread::sleep_for(100ms);
  EXPECT_TRUE(claimed());
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  // The emulator sees the close and lifts the claim at once.
  const auto start = LinkClock::now();
  while (claimed() && Seconds(start) < 3.0)
    std::this_thread::sleep_for(20ms);
  EXPECT_FALSE(claimed()) << "the dead host's claim still refuses the device";
  ASSERT_TRUE(host.Told(link.Connect()));
}

// --memory takes a regular file of bounded size only: a device would be read without end, a
// FIFO without a writer would block for good.
TEST_F(EmulatorTest, TheMemoryIsARegularFileOfBoundedSize) {
  const std::filesystem::path fifo = *folder_ / "fifo.json";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::filesystem::path huge = *folder_ / "huge.json";
  std::ofstream(huge).close();
  std::filesystem::resize_file(huge, (std::uintmax_t{128} << 20) + 1);  // sparse
  struct Case {
    std::string path;
    const char* says;
  };
  for (const Case& c :
       {Case{fifo.string(), "is not a regular file"}, Case{"/dev/zero", "is not a regular file"},
        Case{folder_->string(), "is a folder"}, Case{huge.string(), "is larger than 128 MB"}}) {
    SCOPED_TRACE(c.path);
    QProcess p;
    p.start(QStringLiteral(QV_BIN_DIR "/quorvantel-emulator"),
            {QStringLiteral("--memory"), QString::fromStdString(c.path)});
    ASSERT_TRUE(p.waitForFinished(10000)) << "read without end or blocked";
    EXPECT_EQ(p.exitCode(), 2);
    const std::string err = p.readAllStandardError().toStdString();
    EXPECT_NE(err.find(c.path + " " + c.says), std::string::npos) << err;
    EXPECT_TRUE(p.readAllStandardOutput().isEmpty()) << "served a memory";
  }
}

}  // namespace
}  // namespace qv::test

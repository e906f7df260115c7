// The command protocol against a scripted line on a clock the test moves: identification,
// acknowledgements, blocks, the real time limits to the tick, Cancel, refused lengths and the
// discarding of stale input.
#include "LinkTestSupport.h"
#include "link/Link.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <thread>

namespace qv::test {
namespace {

class ProtocolTest : public ::testing::Test {
 protected:
  void Use(ScriptedTransport::Responder responder) {
    auto transport = std::make_unique<ScriptedTransport>(clock, std::move(responder));
    line = transport.get();
    link.SetSerialTransport(std::move(transport), 57600);
  }
  // Connects over a line that identifies at once and then answers with `commands`.
  void Connected(ScriptedTransport::Responder commands) {
    Use([commands](const std::string& w, ScriptedTransport& l) {
      if (w == ":MRD\n") {
        l.Reply("SER");
      } else {
        commands(w, l);
      }
    });
    ASSERT_TRUE(host.Told(link.Connect()));
  }
  double Seconds(Clock::TimePoint since) const { return clock.Seconds(since); }

  const LinkTimings real;  // the protocol's own limits
  FakeClock clock;
  RecordingHost host;
  Link link{host, NoFtdi(), clock};
  ScriptedTransport* line = nullptr;
};

TEST_F(ProtocolTest, IdentificationNeedsSerAtTheStartOfTheReply) {
  struct Case {
    const char* reply;
    bool found;
    const char* told;  // the message when not found
  };
  const std::string wrong =
      "Communication failed\n\nA device answered, but not as a supported instrument does (it "
      "sent \"";
  for (const Case c :
       {Case{"SER", true, ""}, Case{"SER 4711 v2.3\r\n", true, ""}, Case{"SEX", false, "SEX"},
        Case{"SE", false, "SE"}, Case{"XSER", false, "XSE"}, Case{"", false, nullptr}}) {
    SCOPED_TRACE(c.reply);
    host.messages.clear();
    const std::string reply = c.reply;
    Use([reply](const std::string& w, ScriptedTransport& l) {
      if (w == ":MRD\n" && !reply.empty()) l.Reply(reply);
    });
    const auto start = clock.Now();
    const LinkOutcome connected = link.Connect();
    EXPECT_EQ(host.Told(connected), c.found);
    EXPECT_EQ(link.Kind(), LinkKind::Serial);
    if (c.found) {
      EXPECT_TRUE(host.messages.empty());
      EXPECT_TRUE(line->IsOpen());
      EXPECT_EQ(line->written.size(), 1u);
    } else {
      // Probed again until the whole 4.32 s, once per 0.864 s attempt also when a wrong answer
      // comes at once (not thousands of times), then told and closed.
      EXPECT_GE(Seconds(start), 4.32);
      EXPECT_LT(Seconds(start), 4.32 + 0.864);
      EXPECT_EQ(line->written.size(), 5u);
      EXPECT_FALSE(line->IsOpen());
      ASSERT_EQ(host.messages.size(), 1u);
      EXPECT_EQ(host.messages[0].icon, MessageIcon::Warning);
      if (c.told == nullptr) {
        EXPECT_EQ(connected.status, LinkStatus::NoInstrument);
        EXPECT_EQ(host.messages[0].text, "No instrument");
      } else {
        // Something answered: not "no instrument", but what it said and what to check.
        EXPECT_EQ(connected.status, LinkStatus::NotSupported);
        EXPECT_EQ(host.messages[0].text.substr(0, wrong.size() + strlen(c.told) + 1),
                  wrong + c.told + "\"");
      }
      EXPECT_FALSE(link.Cancelled());
    }
    link.CloseLink();
  }
}

TEST_F(ProtocolTest, TwoBytesDoNotEndAnAttempt) {
  Use([](const std::string& w, ScriptedTransport& l) {
    if (w == ":MRD\n") l.Reply("SE");
  });
  EXPECT_FALSE(host.Told(link.Connect()));
  // 4.32 s of 0.864 s attempts: the probe goes out once per attempt, not once per reply.
  EXPECT_EQ(line->written.size(), 5u);
}

TEST_F(ProtocolTest, PortThatCannotBeOpenedIsReportedWithItsHint) {
  Use([](const std::string&, ScriptedTransport&) {});
  line->openSucceeds = false;
  line->openHint = "Join the group.";
  EXPECT_FALSE(host.Told(link.Connect()));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].icon, MessageIcon::Information);
  EXPECT_EQ(host.messages[0].text, "Port not available\n\nJoin the group.");
  EXPECT_TRUE(line->written.empty());
}

TEST_F(ProtocolTest, AcknowledgementLengthIsBigEndian24) {
  struct Case {
    std::string ack;
    uint32_t length;
  };
  const Case cases[] = {{std::string("OK\r\n\x00\x01\x08", 7), 264},
                        {std::string("OK\r\n\x00\x00\x00", 7), 0},
                        {std::string("OK\r\n\x01\x00\x00", 7), 65536},
                        {std::string("OK\r\n\xFF\xFF\xFF", 7), 0xFFFFFF}};
  std::string ack;
  Connected([&ack](const std::string&, ScriptedTransport& l) { l.Reply(ack); });
  for (const Case& c : cases) {
    ack = c.ack;
    const AckResult r = link.CommandWithAck(":MEM:D\n");
    EXPECT_TRUE(host.Told(r.outcome));
    EXPECT_EQ(r.length, c.length);
  }
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(ProtocolTest, UnansweredCommandIsResent) {
  int commands = 0;
  Connected([&commands](const std::string& w, ScriptedTransport& l) {
    // The first acknowledgement is lost; the second time the command is answered.
    if (w == ":SE:R\n" && ++commands == 2) l.Reply(Ack(3) + "abc");
  });
  std::string block;
  EXPECT_TRUE(host.Told(link.ReadSettingsBlock(block)));
  EXPECT_EQ(block, "abc");
  EXPECT_EQ(commands, 2);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(ProtocolTest, WrongReplyEndsTheAttemptAndNoAckEndsInError2C) {
  int commands = 0;
  Connected([&commands](const std::string&, ScriptedTransport& l) {
    ++commands;
    l.Reply(std::string("NO\r\n\x00\x00\x07", 7));
  });
  // The whole limit is 57.6 minutes of resending; a shorter one shows the same in fewer turns.
  LinkTimings t;
  t.CommandTotal = 600ms;
  t.CommandAttempt = 80ms;
  link.SetTimings(t);
  const auto start = clock.Now();
  const AckResult r = link.CommandWithAck(":MEM:R\n");
  EXPECT_FALSE(host.Told(r.outcome));
  EXPECT_GE(Seconds(start), 0.6);
  EXPECT_LT(Seconds(start), 0.6 + 0.08);
  // Each wrong reply ends its attempt at once (the line's time only): far more than 600 ms /
  // 80 ms commands.
  EXPECT_GT(commands, 100);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].icon, MessageIcon::Warning);
  EXPECT_EQ(host.messages[0].text, "Communication failed   Error #2C");
}

TEST_F(ProtocolTest, StallEndsInError3AfterTheBlockLimit) {
  Connected([](const std::string& w, ScriptedTransport& l) {
    if (w == ":MEM:D\n") l.Reply(Ack(264));
    if (w.size() == 2) l.Reply(std::string(100, 'x'));  // then silence
  });
  std::vector<Clock::TimePoint> pumps;
  host.onPump = [this, &pumps] { pumps.push_back(clock.Now()); };
  const auto start = clock.Now();
  EXPECT_FALSE(host.Told(link.RequestPage(7)));
  // A page's limit at 57600 baud is the 2.592 s floor, from the page's request on.
  const double limit = std::chrono::duration<double>(real.BlockLimit(264, 57600)).count();
  EXPECT_NEAR(limit, 2.592, 1e-9);
  EXPECT_GE(Seconds(start), limit);
  EXPECT_LT(Seconds(start), limit + 0.011);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "Communication failed   Error #3");
  EXPECT_EQ(link.Buffer().Size(), 100u);
  // The wait hands control back every 10 ms slice, never once for the whole limit.
  ASSERT_GE(pumps.size(), 250u);
  for (size_t i = 1; i < pumps.size(); ++i)
    EXPECT_LE(pumps[i] - pumps[i - 1], real.PollSlice);
}

TEST_F(ProtocolTest, PageRequestSendsTheAddressHighByteFirst) {
  std::string page(264, '\0');
  for (size_t i = 0; i < page.size(); ++i)
    page[i] = static_cast<char>(i * 7);
  Connected([&page](const std::string& w, ScriptedTransport& l) {
    if (w == ":MEM:D\n") l.Reply(Ack(264));
    if (w.size() == 2) l.Reply(page, 5ms);
  });
  ASSERT_TRUE(host.Told(link.RequestPage(0x0102)));
  ASSERT_EQ(line->written.size(), 3u);
  EXPECT_EQ(line->written[2], std::string("\x01\x02", 2));
  EXPECT_EQ(link.Buffer().Capacity(), kPageBufferSize);
  EXPECT_EQ(link.Buffer().View(), page);
  EXPECT_EQ(link.ByteSum(4, 260),
            ByteSumOf(reinterpret_cast<const uint8_t*>(page.data()) + 4, 260));
}

TEST_F(ProtocolTest, LengthBeyondTheBufferFailsTheExchange) {
  Connected([](const std::string& w, ScriptedTransport& l) {
    if (w == ":SE:R\n") l.Reply(Ack(kSettingsBufferSize + 1) + std::string(10001, 'S'));
    if (w == ":MEM:D\n") l.Reply(Ack(kPageBufferSize + 1));
  });
  std::string block = "unchanged";
  EXPECT_FALSE(host.Told(link.ReadSettingsBlock(block)));
  EXPECT_EQ(block, "unchanged");
  EXPECT_FALSE(host.Told(link.RequestPage(1)));
  // The page address was never sent: the request stopped at its acknowledgement.
  EXPECT_EQ(line->written.back(), ":MEM:D\n");
  link.Buffer().Allocate(kDirectoryBufferSize);
  EXPECT_FALSE(host.Told(link.ReceiveBlock(kDirectoryBufferSize + 1)));
  ASSERT_EQ(host.messages.size(), 3u);
  for (const SeenMessage& m : host.messages) {
    EXPECT_EQ(m.text, "Communication failed   Error #3");
  }
}

TEST_F(ProtocolTest, StaleBytesAreDiscardedBeforeEachCommand) {
  int settings = 0;
  Connected([&settings](const std::string& w, ScriptedTransport& l) {
    if (w == ":SE:R\n") {
      // The first answer comes late, after the command was already sent again: two answers.
      l.Reply(Ack(4) + "SETS", ++settings == 1 ? 864ms + 120ms : 0ms);
    }
    if (w == ":MEM:R\n") l.Reply(Ack(12) + "directory123");
  });
  std::string block;
  ASSERT_TRUE(host.Told(link.ReadSettingsBlock(block)));
  EXPECT_EQ(block, "SETS");
  clock.Advance(150ms);  // the second answer has arrived by now
  link.Buffer().Allocate(kDirectoryBufferSize);
  const AckResult dir = link.CommandWithAck(":MEM:R\n");
  ASSERT_TRUE(host.Told(dir.outcome));
  EXPECT_EQ(dir.length, 12u);
  ASSERT_TRUE(host.Told(link.ReceiveBlock(dir.length)));
  EXPECT_EQ(link.Buffer().View(), "directory123");
}

TEST_F(ProtocolTest, IdentificationTailDoesNotShiftTheFirstAck) {
  Use([](const std::string& w, ScriptedTransport& l) {
    if (w == ":MRD\n") l.Reply("SER 4711\r\n");
    if (w == ":SE:R\n") l.Reply(Ack(2) + "ab", 2ms);
  });
  ASSERT_TRUE(host.Told(link.Connect()));
  clock.Advance(5ms);
  std::string block;
  EXPECT_TRUE(host.Told(link.ReadSettingsBlock(block)));
  EXPECT_EQ(block, "ab");
  EXPECT_EQ(line->written.size(), 2u);  // no resend needed
}

TEST_F(ProtocolTest, CancelEndsWaitsWithoutMessageAndCloseLinkClearsIt) {
  Connected([](const std::string& w, ScriptedTransport& l) {
    if (w == ":MEM:D\n") l.Reply(Ack(264));
  });
  host.onPump = [this] {
    if (host.pumps == 3) link.Cancel();
  };
  // During a block wait: it ends in the slice the Cancel came in, not at the 2.592 s limit.
  const auto start = clock.Now();
  const LinkOutcome page = link.RequestPage(1);
  EXPECT_EQ(page.status, LinkStatus::Cancelled);
  EXPECT_FALSE(host.Told(page));
  EXPECT_LT(Seconds(start), 0.05);
  EXPECT_TRUE(link.Cancelled());
  EXPECT_TRUE(host.messages.empty());
  // While cancelled, a command gives up at once, still without a message.
  EXPECT_FALSE(host.Told(link.CommandWithAck(":MEM:R\n").outcome));
  EXPECT_TRUE(host.messages.empty());
  link.CloseLink();
  EXPECT_FALSE(link.Cancelled());
  EXPECT_FALSE(line->IsOpen());
}

TEST_F(ProtocolTest, CancelDuringIdentificationIsSilentAndCleared) {
  Use([](const std::string&, ScriptedTransport&) {});
  host.onPump = [this] {
    if (host.pumps == 5) link.Cancel();
  };
  const auto start = clock.Now();
  const LinkOutcome connected = link.Connect();
  EXPECT_EQ(connected.status, LinkStatus::Cancelled);
  EXPECT_FALSE(host.Told(connected));
  EXPECT_LT(Seconds(start), 0.1) << "the 4.32 s limit, not the Cancel, ended the wait";
  EXPECT_TRUE(host.messages.empty());
  EXPECT_FALSE(link.Cancelled());
  EXPECT_FALSE(line->IsOpen());
}

TEST_F(ProtocolTest, ClosedLinkFailsAtOnce) {
  Use([](const std::string&, ScriptedTransport& l) { l.Reply(Ack(0)); });
  const auto start = clock.Now();
  EXPECT_FALSE(link.SendRaw("x"));
  EXPECT_FALSE(host.Told(link.CommandWithAck(":MEM:R\n").outcome));
  EXPECT_FALSE(host.Told(link.ReceiveBlock(1)));
  EXPECT_EQ(Seconds(start), 0.0) << "a closed line waited for its limits";
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[0].text, "Communication failed   Error #2C");
  EXPECT_EQ(host.messages[1].text, "Communication failed   Error #3");
}

TEST(LinkTimingsTest, BlockLimitGrowsWithLengthAboveItsFloor) {
  const LinkTimings t;
  struct Case {
    size_t n;
    int32_t rate;
    double seconds;
  };
  for (const Case c : {Case{264, 1000000, 2.592}, Case{264, 57600, 2.592}, Case{40000, 38400, 36.0},
                       Case{40000, 1200, 1152.0}, Case{10000, 9600, 36.0}}) {
    EXPECT_NEAR(std::chrono::duration<double>(t.BlockLimit(c.n, c.rate)).count(), c.seconds, 1e-5)
        << c.n << " bytes at " << c.rate;
  }
  EXPECT_EQ(t.IdentifyTotal, 4320ms);
  EXPECT_EQ(t.IdentifyAttempt, 864ms);
  EXPECT_EQ(t.CommandTotal, std::chrono::minutes(57) + 36s);
  EXPECT_EQ(t.PollSlice, 10ms);
}

TEST(LinkTimingsTest, WithinCapsEveryLimit) {
  const LinkTimings t = LinkTimings{}.Within(5s);
  EXPECT_EQ(t.IdentifyTotal, 4320ms);  // already shorter
  EXPECT_EQ(t.IdentifyAttempt, 864ms);
  EXPECT_EQ(t.CommandTotal, 5s);
  EXPECT_EQ(t.BlockMinimum, 2592ms);
  // A long block at a slow line would take 1152 s; a short one keeps its floor.
  EXPECT_EQ(t.BlockLimit(40000, 1200), 5s);
  EXPECT_EQ(t.BlockLimit(264, 57600), 2592ms);
  const LinkTimings tight = t.Within(1s);
  EXPECT_EQ(tight.IdentifyTotal, 1s);
  EXPECT_EQ(tight.BlockLimit(264, 57600), 1s);
}

// A streamed trace is the text the kept one would be, handed on event by event; only the event
// that may still grow is held.
TEST(LinkTraceTest, StreamedTextEqualsTheKeptText) {
  const auto record = [](LinkTrace& t) {
    t.Step("command :MEM:D");
    const uint8_t command[] = {':', 'M', 'E', 'M', ':', 'D', '\n'};
    t.Sent(command, sizeof command);
    std::this_thread::sleep_for(2ms);
    const std::string page(40, 'x');
    t.Received(reinterpret_cast<const uint8_t*>(page.data()), 20);
    t.Received(reinterpret_cast<const uint8_t*>(page.data()), 20);  // the same event
    std::this_thread::sleep_for(2ms);
    t.Step("time-out: 40 of 264 bytes");
  };
  LinkTrace kept;
  kept.Start();
  record(kept);
  std::string streamed;
  LinkTrace stream;
  stream.Start();
  stream.StreamTo([&](std::string_view text) { streamed += text; });
  record(stream);
  // Only the last event is held back, in case more bytes join it.
  const std::string held = stream.Text();
  EXPECT_EQ(held.find("-- time-out: 40 of 264 bytes"), 13u);
  EXPECT_EQ(std::count(held.begin(), held.end(), '\n'), 1);
  EXPECT_NE(streamed.find("|xxxxxxxxxxxxxxxx|"), std::string::npos);
  stream.Flush();
  // Times differ by microseconds between the two recordings; the lines do not.
  const auto withoutTimes = [](const std::string& text) {
    std::string out;
    size_t at = 0;
    while (at < text.size()) {
      const size_t end = text.find('\n', at);
      out += text.substr(at + 13, end - at - 13) + "\n";
      at = end + 1;
    }
    return out;
  };
  EXPECT_EQ(withoutTimes(streamed), withoutTimes(kept.Text()));
  EXPECT_EQ(std::count(streamed.begin(), streamed.end(), '\n'), 6);
}

TEST(WireTest, ByteSumAndSplitAddress) {
  const uint8_t bytes[] = {0xFF, 0xFF, 0x01, 0x00, 0x80};
  EXPECT_EQ(ByteSumOf(bytes, 5), 0x27Fu);
  EXPECT_EQ(ByteSumOf(bytes, 0), 0u);
  const std::vector<uint8_t> many(20000000, 0xFF);  // beyond 16 bits, well inside 32
  EXPECT_EQ(ByteSumOf(many.data(), many.size()), 20000000u * 255u);
  struct Case {
    uint32_t address;
    uint8_t high, low;
  };
  for (const Case c : {Case{0, 0, 0}, Case{255, 0, 255}, Case{256, 1, 0}, Case{0x0FFF, 0x0F, 0xFF},
                       Case{0xFFFF, 0xFF, 0xFF}}) {
    const PageAddressBytes s = SplitAddress(c.address);
    EXPECT_EQ(s.high, c.high) << c.address;
    EXPECT_EQ(s.low, c.low) << c.address;
  }
}

TEST(WireTest, LinkByteSumStaysInsideTheBuffer) {
  RecordingHost host;
  Link link(host, NoFtdi());
  link.Buffer().Allocate(10);
  std::fill_n(link.Buffer().Data(), 10, uint8_t{3});
  EXPECT_EQ(link.ByteSum(0, 10), 30u);
  EXPECT_EQ(link.ByteSum(8, 100), 6u);
  EXPECT_EQ(link.ByteSum(10, 5), 0u);
}

}  // namespace
}  // namespace qv::test

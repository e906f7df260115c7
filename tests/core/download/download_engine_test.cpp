// The download procedure end to end: the engine drives the link over a real pseudo-terminal
// (QSerialPort) against the instrument's state machine serving a memory description. What the
// description says is what the document must hold afterwards.
#include "DownloadTestSupport.h"

#include "download/DownloadEngine.h"
#include "store/SignalCatalog.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qv::test {
namespace {

// Result pages 1..6: page 2 arrives with a wrong checksum, page 4 is of kind 3 (not kept),
// page 6's entry belongs to neither memory. The good pages after the bad one must keep the
// building and room numbers of their own entries.
constexpr const char* kResultsMemory = R"({
  "identification": {"type": "QV-100", "code": "100", "serial": "77", "producer": "QI",
                     "firmware": "1.2"},
  "badChecksumPages": [2],
  "results": [
    {"page": 1, "building": 1, "buildingName": "North", "room": 1, "roomName": "R101",
     "begin": "2024-05-02 10:00:00", "values": {"AirTemp": [22.5, 22.0, 22.4, 23.0]}},
    {"page": 2, "building": 3, "buildingName": "East", "room": 2, "roomName": "R302",
     "begin": "2024-05-02 10:10:00", "values": {"RelHum": 45}},
    {"page": 3, "building": 3, "buildingName": "East", "room": 4, "roomName": "R304",
     "begin": "2024-05-02 10:20:00", "values": {"CO2": [900, 800, 850, 950]}},
    {"page": 4, "building": 2, "buildingName": "West", "room": 1, "roomName": "R201",
     "begin": "2024-05-02 10:30:00", "kind": 3},
    {"page": 5, "building": 2, "buildingName": "West", "room": 5, "roomName": "R205",
     "begin": "2024-05-02 10:40:00", "unit": "US",
     "values": {"AirVel": [120, 100, 118, 140], "MultiPoint": [118, 5300, 5]},
     "params": {"mode": 0, "altitude": 150, "radius": 0.5, "metabolicRate": 1.2,
                "clothing": 0.6}},
    {"page": 6, "building": 9, "buildingName": "Gone", "room": 9, "roomName": "R9",
     "begin": "2024-05-02 10:50:00", "deleted": true, "values": {"AirTemp": 20}}
  ],
  "logging": [{"interval": 60, "start": "2024-05-01 08:00:00", "quantities": ["AirTemp"],
               "samples": [[20.0], [20.1]], "pages": [20, 21]}]
})";

// Two blocks of number 1 kept apart by bit 7; a block whose pages wrap around the end of the
// memory (4094, 4095, 0, 2; page 0 corrupt) and one whose pages interleave with it (1, 3, 5).
constexpr const char* kLoggingMemory = R"({
  "badChecksumPages": [0],
  "logging": [
    {"number": 1, "endBit": true, "interval": 60, "start": "2024-06-01 10:00:00",
     "buildingName": "Depot", "roomName": "Hall", "quantities": ["AirTemp", "RelHum"],
     "samples": [[21.0, 50.0], [21.1, 50.5], [21.2, 51.0]], "pages": [10, 11, 12]},
    {"number": 1, "interval": 10, "start": "2024-06-01 11:00:00", "unit": "US",
     "buildingName": "Depot", "roomName": "Office", "quantities": ["AirTemp"],
     "samples": [[70.1], [70.3]], "pages": [13, 14]},
    {"number": 2, "interval": 5, "start": "2024-06-02 08:00:00", "buildingName": "Lab",
     "roomName": "A", "quantities": ["AirTemp", "CO2"],
     "samples": [[19.5, 500], [19.6, 510], [19.7, 520], [19.8, 530]],
     "pages": [4094, 4095, 0, 2]},
    {"number": 3, "interval": 30, "start": "2024-06-02 09:00:00", "buildingName": "Lab",
     "roomName": "B", "quantities": ["CO2"], "samples": [[600], [610], [620]],
     "pages": [1, 3, 5]}
  ]
})";

emu::MemoryModel Model(const std::string& json) {
  std::string error;
  auto model = emu::ParseMemoryJson(emu::ByteVec(json.begin(), json.end()), &error);
  EXPECT_TRUE(model) << error;
  return model ? *model : emu::MemoryModel{};
}

emu::MemoryImage Image(const emu::MemoryModel& model) {
  std::string error;
  auto image = emu::BuildImage(model, &error);
  EXPECT_TRUE(image) << error;
  return image ? *image : emu::MemoryImage{};
}

// The directory bytes with their checksum recomputed.
emu::ByteVec Sealed(emu::ByteVec entries) {
  const uint32_t sum = emu::ByteSum(entries.data(), entries.size());
  entries.resize(entries.size() + 4);
  emu::PutBe32(entries.data() + entries.size() - 4, sum);
  return entries;
}

double Single(float v) {
  return static_cast<double>(v);
}

class DownloadEngineTest : public ::testing::Test {
 protected:
  void Serve(emu::MemoryImage image, emu::InstrumentFaults faults = {}) {
    ASSERT_TRUE(instrument.Start(std::move(image), faults)) << "no pseudo-terminal";
    auto transport = std::make_unique<CountingTransport>(instrument.Device(), 57600);
    port = transport.get();
    link.SetSerialTransport(std::move(transport), 57600);
    link.SetTimings(ShortTimings());
    engine.SetPauses(DownloadPauses{0ms, 0ms, 0ms});
  }
  void ExpectLinkClosed() const {
    EXPECT_FALSE(port->IsOpen());
    EXPECT_EQ(port->opens, port->closes);
  }

  PtyInstrument instrument;
  TextCatalog texts = DownloadTexts();
  ScriptedHost host;
  DocumentWorkspace workspace{texts};
  Document& doc = workspace.Doc();
  Link link{host, NoFtdi()};
  DownloadEngine engine{link, host, texts};
  CountingTransport* port = nullptr;
};

TEST_F(DownloadEngineTest, ResultsKeepEachTestWithItsOwnEntryInTreeOrder) {
  const emu::MemoryModel model = Model(kResultsMemory);
  Serve(Image(model));
  doc.LoggerBlocks.resize(1);  // of the document the download replaces

  const DownloadResult result = RunDownload(engine, workspace, host);

  ASSERT_EQ(result.outcome, DownloadOutcome::Completed);
  EXPECT_EQ(result.badPages, 1);
  EXPECT_EQ(result.droppedPages, 1);
  // The page damaged in the memory itself was asked for again in vain, and is named with the
  // place of the test it held; the engine leaves the telling to its caller.
  EXPECT_EQ(result.resentPages, kPageAttempts - 1);
  ASSERT_EQ(result.lostTests.size(), 1u);
  EXPECT_EQ(result.lostTests[0].address, 2u);
  EXPECT_EQ(result.lostTests[0].buildingNo, 3);
  EXPECT_EQ(result.lostTests[0].roomNo, 2);
  EXPECT_TRUE(host.messages.empty());
  ExpectLinkClosed();
  EXPECT_TRUE(doc.ResultsDataLoaded());
  EXPECT_FALSE(doc.LoggerDataLoaded());
  EXPECT_TRUE(doc.DocNotSaved);
  EXPECT_TRUE(doc.LoggerBlocks.empty()) << "the new document holds what the download brought";
  EXPECT_EQ(doc.InstrumentInfo.InstrumentType, "QV-100");
  EXPECT_EQ(doc.InstrumentInfo.SerialNumber, "77");
  EXPECT_EQ(host.identified, "QV-100 77");
  EXPECT_EQ(host.progress.back(), 100);
  EXPECT_TRUE(workspace.Title().file);

  // Pages 1, 3 and 5 are kept; the tree puts building 1, then 2, then 3.
  const std::vector<int> order = {0, 4, 2};
  ASSERT_EQ(doc.AllTests.size(), order.size());
  EXPECT_EQ(doc.TestCount(), 3);
  EXPECT_EQ(doc.ShownTestCount(), 3);
  ASSERT_EQ(doc.ShownTests.size(), 3u);
  for (size_t i = 0; i < order.size(); ++i) {
    const emu::ResultTest& t = model.results[static_cast<size_t>(order[i])];
    const TTestsRecord& r = doc.AllTests[i];
    SCOPED_TRACE(t.roomName);
    EXPECT_EQ(r.BuildingNo, t.buildingNo);
    EXPECT_EQ(r.RoomNo, t.roomNo);
    EXPECT_EQ(r.BuildingName, t.buildingName);
    EXPECT_EQ(r.RoomName, t.roomName);
    EXPECT_NEAR(r.BeginTime, emu::StampToDayNumber(t.begin.stamp), 1e-9);
    EXPECT_EQ(r.UnitSystem, t.unitByte == 1 ? "SI" : "US");
    for (const emu::QuantityValues& q : t.values) {
      const int stats = q.quantity == emu::kMultipointQuantity ? 3 : 4;
      for (int s = 0; s < stats; ++s) {
        const int code =
            q.quantity == emu::kMultipointQuantity ? 65 + s : 4 * (q.quantity - 1) + s + 1;
        EXPECT_EQ(r.SignalPresent[static_cast<size_t>(code)], 1) << code;
        EXPECT_EQ(r.Values[static_cast<size_t>(StoragePos(code))],
                  Single(q.values[static_cast<size_t>(s)]))
            << code;
      }
    }
    EXPECT_EQ(doc.ShownTest(static_cast<int>(i))->BeginTime, r.BeginTime);
  }
  EXPECT_EQ(doc.AllTests[1].Params.DuctShape, 0);
  EXPECT_EQ(doc.AllTests[1].Params.Radius, 0.5);
  EXPECT_EQ(doc.AllTests[0].Params.DuctShape, -1);
  // Every kept test has an identity of its own for the row commands.
  std::vector<int32_t> ids;
  for (const TTestsRecord& r : doc.AllTests)
    ids.push_back(r.RecordIndex);
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, (std::vector<int32_t>{0, 1, 2}));

  // Air temperature, air velocity, CO2 and the multipoint group; the corrupt humidity page
  // contributes nothing.
  const std::vector<int> codes = {1, 2, 3, 4, 13, 14, 15, 16, 57, 58, 59, 60, 65, 66, 67};
  ASSERT_EQ(doc.DocSignalCount, static_cast<int>(codes.size()));
  EXPECT_EQ(doc.ColumnCount, doc.DocSignalCount);
  for (size_t i = 0; i < codes.size(); ++i) {
    EXPECT_EQ(doc.DocSignals[i + 1], codes[i]);
    EXPECT_EQ(doc.ColumnSignals[i + 1], codes[i]);
  }
  ASSERT_EQ(doc.BuildingTree.size(), 3u);
  EXPECT_EQ(doc.BuildingTree[2].BuildingName, "East");
}

TEST_F(DownloadEngineTest, LoggingFetchesExactlyTheListedPagesOfTheChosenBlocks) {
  const emu::MemoryModel model = Model(kLoggingMemory);
  Serve(Image(model));
  // The first DownLoad comes with nothing marked: the list is shown again.
  host.chooseDownload = [&](std::vector<TLoggerRecord>& blocks) {
    EXPECT_EQ(blocks.size(), 4u);
    if (host.downloadLists == 1) return true;
    blocks[0].Selected = blocks[2].Selected = blocks[3].Selected = 1;
    return true;
  };
  host.memory = MemoryChoice::Logging;

  const DownloadResult result = RunDownload(engine, workspace, host);

  ASSERT_EQ(result.outcome, DownloadOutcome::Completed);
  EXPECT_EQ(host.downloadLists, 2);
  EXPECT_EQ(host.showLists, 1);
  EXPECT_EQ(result.badPages, 1);
  EXPECT_EQ(host.messages, std::vector<Bytes>{"Corrupt logging pages (1)     Error #16"});
  ExpectLinkClosed();
  // The listed pages, and the corrupt one twice more.
  EXPECT_EQ(instrument.PagesSent(), 3 + 4 + 3 + (kPageAttempts - 1));
  EXPECT_TRUE(result.lostTests.empty());
  EXPECT_TRUE(doc.LoggerDataLoaded());
  EXPECT_TRUE(doc.DocNotSaved);
  EXPECT_TRUE(workspace.TableShown());
  EXPECT_EQ(doc.CurrentBlock, 2);

  const std::vector<size_t> kept = {0, 2, 3};
  ASSERT_EQ(doc.LoggerBlocks.size(), kept.size());
  for (size_t i = 0; i < kept.size(); ++i) {
    const emu::LoggingBlock& m = model.blocks[kept[i]];
    const TLoggerRecord& b = doc.LoggerBlocks[i];
    SCOPED_TRACE(m.roomName);
    EXPECT_EQ(b.Selected, i == 2 ? 1 : 0);  // the copies start unmarked; Show marked the last
    EXPECT_EQ(b.SampleCount, static_cast<int>(m.samples.size()));
    EXPECT_EQ(b.IntervalSec, m.intervalSec);
    EXPECT_NEAR(b.BeginTime, emu::StampToDayNumber(m.start), 1e-9);
    EXPECT_EQ(b.BuildingName, m.buildingName);
    EXPECT_EQ(b.RoomName, m.roomName);
    ASSERT_EQ(b.SignalCount, static_cast<int>(4 * m.quantities.size()));
    for (size_t q = 0; q < m.quantities.size(); ++q) {
      for (int s = 0; s < 4; ++s) {
        const int code = 4 * (m.quantities[q] - 1) + s + 1;
        EXPECT_EQ(b.SignalCodes[4 * q + static_cast<size_t>(s)], code);
        const std::vector<double>& samples = b.Samples[static_cast<size_t>(StoragePos(code))];
        ASSERT_EQ(samples.size(), m.samples.size());
        for (size_t k = 0; k < m.samples.size(); ++k) {
          const bool corrupt = m.pages[k] == 0;
          const double want = corrupt ? 0.0 : Single(m.samples[k][q][static_cast<size_t>(s)]);
          EXPECT_EQ(samples[k], want) << "code " << code << " sample " << k;
        }
      }
    }
  }
}

// A page damaged on the wire arrives whole when asked for again; one damaged for good is left
// out after kPageAttempts and told after the transfer, naming the page and its place.
TEST_F(DownloadEngineTest, ADamagedResultPageIsAskedForAgainAndToldWhenItStaysDamaged) {
  constexpr const char* kTwoResults = R"({"results": [
      {"page": 7, "building": 4, "room": 2, "begin": "2024-05-02 10:00:00",
       "values": {"AirTemp": 21}},
      {"page": 8, "building": 4, "room": 3, "begin": "2024-05-02 10:10:00",
       "values": {"RelHum": 40}}]})";
  struct Case {
    const char* name;
    bool once;
    int tests;
    int resent;
  };
  for (const Case c :
       {Case{"on the wire", true, 2, 1}, Case{"in the memory", false, 1, kPageAttempts - 1}}) {
    SCOPED_TRACE(c.name);
    emu::InstrumentFaults faults;
    (c.once ? faults.badChecksumOnce : faults.badChecksumPages) = {7};
    instrument.Stop();
    Serve(Image(Model(kTwoResults)), faults);
    workspace.Doc().DocNotSaved = false;

    const DownloadResult result = RunDownload(engine, workspace, host);

    ASSERT_EQ(result.outcome, DownloadOutcome::Completed);
    EXPECT_EQ(doc.TestCount(), c.tests);
    EXPECT_EQ(result.resentPages, c.resent);
    EXPECT_EQ(instrument.PagesSent(), 2 + c.resent);
    EXPECT_TRUE(host.messages.empty());
    const std::optional<Notice> told = LostTestsNotice(result);
    if (c.once) {
      EXPECT_TRUE(result.lostTests.empty());
      EXPECT_EQ(result.badPages, 0);
      EXPECT_FALSE(told);
    } else {
      ASSERT_TRUE(told);
      EXPECT_EQ(told->icon, MessageIcon::Warning);
      EXPECT_EQ(texts.Translate(told->key) + told->suffix,
                "Data corrupt (1)   Error #16\n\n1 test is missing: page 7 (building 4, room 2) "
                "arrived damaged each of 3 times.");
      EXPECT_EQ(doc.AllTests[0].RoomNo, 3);
    }
  }
}

struct RefusalCase {
  const char* name;
  const char* json;
  MemoryChoice memory;
  void (*bend)(emu::MemoryImage&);  // changes the directory the instrument sends
  const char* message;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
  *os << c.name;
}

class DownloadRefusalTest : public DownloadEngineTest,
                            public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(DownloadRefusalTest, StopsWithItsMessageAndClosesTheLink) {
  const RefusalCase& c = GetParam();
  emu::MemoryImage image = Image(Model(c.json));
  if (c.bend) c.bend(image);
  Serve(std::move(image));
  host.memory = c.memory;

  const DownloadResult result = RunDownload(engine, workspace, host);

  EXPECT_EQ(result.outcome, DownloadOutcome::Failed);
  EXPECT_EQ(host.messages, std::vector<Bytes>{c.message});
  ExpectLinkClosed();
  EXPECT_EQ(port->opens, 1);
  EXPECT_FALSE(host.transferShown);
  EXPECT_FALSE(workspace.Title().file);
  EXPECT_FALSE(doc.DocNotSaved);
  EXPECT_EQ(doc.Kind, DocumentKind::None) << "the open document stays as it was";
}

constexpr const char* kOneResult = R"({"results": [{"building": 1, "room": 1,
    "begin": "2024-05-02 10:00:00", "values": {"AirTemp": 21}}]})";
constexpr const char* kOneBlock = R"({"logging": [{"interval": 60,
    "start": "2024-05-02 10:00:00", "quantities": ["AirTemp"], "samples": [[21]]}]})";

INSTANTIATE_TEST_SUITE_P(
    Directory, DownloadRefusalTest,
    ::testing::Values(
        RefusalCase{"EmptyMemory", "{}", MemoryChoice::Results, nullptr, "No data to download"},
        RefusalCase{"LengthTen", kOneResult, MemoryChoice::Results,
                    [](emu::MemoryImage& m) {
                      m.directory = Sealed({0, 1, 1, 1, 0, 0});
                    },
                    "Data corrupt"},
        RefusalCase{"WrongChecksum", kOneResult, MemoryChoice::Results,
                    [](emu::MemoryImage& m) { m.directory.back() ^= 1; }, "Data corrupt"},
        RefusalCase{"ResultsButOnlyLogging", kOneBlock, MemoryChoice::Results, nullptr,
                    "No data to download"},
        RefusalCase{"LoggingButOnlyResults", kOneResult, MemoryChoice::Logging, nullptr,
                    "No data to download"}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

TEST_F(DownloadEngineTest, CancelStopsAfterThePageAndClosesTheLink) {
  const std::string json = R"({"logging": [{"interval": 10, "start": "2024-06-01 10:00:00",
      "quantities": ["AirTemp"], "generate": {"count": 60, "AirTemp": {"base": 20}}}]})";
  Serve(Image(Model(json)));
  host.memory = MemoryChoice::Logging;
  host.onProgress = [&](int percent) {
    if (percent >= 10) engine.Cancel();
  };

  const DownloadResult result = RunDownload(engine, workspace, host);

  EXPECT_EQ(result.outcome, DownloadOutcome::Cancelled);
  EXPECT_TRUE(host.messages.empty());
  ExpectLinkClosed();
  EXPECT_FALSE(link.Cancelled());
  EXPECT_LT(instrument.PagesSent(), 10);
  EXPECT_FALSE(workspace.TableShown());
  EXPECT_FALSE(host.transferShown);
  EXPECT_EQ(doc.Kind, DocumentKind::None) << "the open document stays as it was";
  EXPECT_FALSE(doc.DocNotSaved);
  EXPECT_EQ(host.showLists, 0);
}

TEST_F(DownloadEngineTest, ASecondStartWhileRunningIsRefused) {
  Serve(Image(Model(kOneResult)));
  std::optional<DownloadResult> nested;
  Document other;
  host.onPump = [&] {
    if (!nested) nested = engine.Run(other);
  };

  const DownloadResult result = RunDownload(engine, workspace, host);

  EXPECT_EQ(result.outcome, DownloadOutcome::Completed);
  ASSERT_TRUE(nested);
  EXPECT_EQ(nested->outcome, DownloadOutcome::Busy);
  EXPECT_FALSE(engine.Running());
  EXPECT_EQ(doc.TestCount(), 1);
}

TEST_F(DownloadEngineTest, ALostLinkIsToldAfterTheTransferBoxWentAway) {
  emu::MemoryImage image = Image(Model(kOneResult));
  emu::InstrumentFaults faults;
  faults.stallAtPage = image.pages.begin()->first;
  Serve(std::move(image), faults);

  const DownloadResult result = RunDownload(engine, workspace, host);

  EXPECT_EQ(result.outcome, DownloadOutcome::Failed);
  EXPECT_EQ(host.messages, std::vector<Bytes>{"Communication failed   Error #3"});
  // Nothing covers a question or a message, and the box is gone at the end.
  EXPECT_EQ(host.events, std::vector<std::string>{"message"});
  EXPECT_FALSE(host.transferShown);
  // The person saw that the program was connecting before anything was asked.
  ASSERT_GE(host.activities.size(), 2u);
  EXPECT_EQ(host.activities[0], "Connecting");
  ExpectLinkClosed();
}

TEST_F(DownloadEngineTest, AYesWhoseSaveFailsKeepsTheDocumentAndDoesNotConnect) {
  Serve(Image(Model(kOneResult)));
  doc.DocNotSaved = doc.DocModified = true;
  doc.Kind = DocumentKind::Logging;
  doc.LoggerBlocks.resize(2);
  host.answers = {true};
  host.saveSucceeds = false;

  const DownloadResult result = RunDownload(engine, workspace, host);

  EXPECT_EQ(result.outcome, DownloadOutcome::Declined);
  EXPECT_EQ(host.asked, std::vector<std::string>{"msgNotSaved_70"});
  EXPECT_EQ(host.saves, 1);
  EXPECT_EQ(port->opens, 0);
  EXPECT_TRUE(doc.DocNotSaved);
  EXPECT_TRUE(doc.DocModified);
  EXPECT_TRUE(doc.LoggerDataLoaded());
  EXPECT_EQ(doc.LoggerBlocks.size(), 2u);
}

TEST_F(DownloadEngineTest, AnUnconfirmedMemoryChoiceChangesNothing) {
  Serve(Image(Model(kOneResult)));
  doc.Kind = DocumentKind::Logging;
  host.memory = std::nullopt;

  const DownloadResult result = RunDownload(engine, workspace, host);

  EXPECT_EQ(result.outcome, DownloadOutcome::Declined);
  EXPECT_FALSE(result.memory);
  ExpectLinkClosed();
  EXPECT_EQ(port->opens, 1);
  EXPECT_FALSE(workspace.Title().file) << "the open document keeps its title";
  EXPECT_TRUE(doc.LoggerDataLoaded());
  EXPECT_FALSE(doc.ResultsDataLoaded());
}

TEST_F(DownloadEngineTest, CancellingTheShowListAsksBeforeTheBlocksGoAway) {
  Serve(Image(Model(kOneBlock)));
  host.memory = MemoryChoice::Logging;
  host.chooseShow = [](std::vector<TLoggerRecord>&) { return false; };

  const DownloadResult result = RunDownload(engine, workspace, host);

  EXPECT_EQ(result.outcome, DownloadOutcome::Declined);
  EXPECT_EQ(host.asked, std::vector<std::string>{"msgNotSaved_70"});
  EXPECT_FALSE(doc.DocNotSaved);
  EXPECT_EQ(doc.LoggerBlocks.size(), 1u);
  EXPECT_FALSE(workspace.TableShown());
  ExpectLinkClosed();
}

}  // namespace
}  // namespace qv::test

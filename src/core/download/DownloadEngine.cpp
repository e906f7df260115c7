#include "download/DownloadEngine.h"

#include "download/MemoryDecoder.h"
#include "format/DateTimeText.h"
#include "format/NumberText.h"

#include <algorithm>
#include <string>
#include <thread>
#include <utility>

namespace qv {
namespace {

// Clears the running mark on every way out of Run.
class RunningMark {
 public:
  explicit RunningMark(bool& running) : running_(running) { running_ = true; }
  ~RunningMark() { running_ = false; }
  RunningMark(const RunningMark&) = delete;
  RunningMark& operator=(const RunningMark&) = delete;

 private:
  bool& running_;
};

// A test as AddTestRecord makes it, filed under its own directory entry's numbers.
TTestsRecord NewResultRecord(const ResultEntry& entry) {
  TTestsRecord record;
  record.Values.fill(NoValue);
  record.BuildingNo = entry.buildingNo;
  record.RoomNo = entry.roomNo;
  return record;
}

int Percent(double part, double whole) {
  if (whole <= 0) return 100;
  return static_cast<int>(RoundHalfEven(100.0 / whole * part));
}

}  // namespace

std::optional<Notice> LostTestsNotice(const DownloadResult& result) {
  if (result.memory != MemoryChoice::Results || result.lostTests.empty()) return std::nullopt;
  const size_t n = result.lostTests.size();
  std::string detail =
      n == 1 ? "1 test is missing: page " : std::to_string(n) + " tests are missing: pages ";
  for (size_t i = 0; i < n; ++i) {
    const LostTest& t = result.lostTests[i];
    if (i > 0) detail += ", ";
    detail += std::to_string(t.address) + " (building " + std::to_string(t.buildingNo) + ", room " +
              std::to_string(t.roomNo) + ")";
  }
  const bool allSums = std::all_of(result.lostTests.begin(), result.lostTests.end(),
                                   [](const LostTest& t) { return t.sumWrong; });
  detail += allSums ? " arrived damaged each of " + std::to_string(kPageAttempts) + " times."
                    : " arrived damaged or unreadable.";
  return Notice{MessageIcon::Warning, kMsgDataCorrupt,
                " (" + std::to_string(n) + ")" + kSuffixCorruptPages + "\n\n" + detail};
}

DownloadEngine::DownloadEngine(DocumentWorkspace& workspace, Link& link, DownloadHost& host,
                               const TextCatalog& texts)
    : workspace_(workspace), doc_(workspace.Doc()), link_(link), host_(host), texts_(texts) {}

DownloadResult DownloadEngine::Run() {
  // The waits pump events, so the command that started this run can be clicked again.
  if (running_) {
    DownloadResult busy;
    busy.outcome = DownloadOutcome::Busy;
    return busy;
  }
  RunningMark mark(running_);
  return RunGuarded();
}

void DownloadEngine::Tell(std::string_view key, std::string_view suffix, MessageIcon icon) {
  host_.TransferEnded();
  Bytes text = texts_.Translate(key);
  text.append(suffix);
  host_.Message(icon, text);
}

void DownloadEngine::Pause(std::chrono::milliseconds ms) {
  const auto end = std::chrono::steady_clock::now() + ms;
  host_.Pump();
  while (std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
        std::chrono::milliseconds(10), end - std::chrono::steady_clock::now()));
    host_.Pump();
  }
}

LinkOutcome DownloadEngine::FetchPage(uint32_t address, DownloadResult& result, bool& sumHolds) {
  sumHolds = false;
  for (int attempt = 1;; ++attempt) {
    if (const LinkOutcome page = link_.RequestPage(address); !page) return page;
    sumHolds = CheckPage(link_.Buffer().Data(), kPageBytes);
    if (sumHolds || attempt == kPageAttempts || link_.Cancelled()) return {};
    ++result.resentPages;
    link_.Note("byte sum wrong: page " + std::to_string(address) + " asked for again (attempt " +
               std::to_string(attempt + 1) + " of " + std::to_string(kPageAttempts) + ")");
  }
}

DownloadResult DownloadEngine::Stop(DownloadResult result, DownloadOutcome outcome) {
  // A Cancel seen by a failing step is a Cancel, not an error (nothing was told).
  if (outcome == DownloadOutcome::Failed && link_.Cancelled()) outcome = DownloadOutcome::Cancelled;
  link_.CloseLink();
  host_.TransferEnded();
  result.outcome = outcome;
  return result;
}

DownloadResult DownloadEngine::Stop(DownloadResult result, const LinkOutcome& failure) {
  const bool cancelled = failure.status == LinkStatus::Cancelled || link_.Cancelled();
  link_.CloseLink();
  host_.TransferEnded();
  if (!cancelled) Tell(failure.notice);
  result.outcome = cancelled ? DownloadOutcome::Cancelled : DownloadOutcome::Failed;
  return result;
}

DownloadResult DownloadEngine::RunGuarded() {
  DownloadResult result;

  // A Yes whose save does not happen keeps the document and its flags: the download stops.
  if (!workspace_.ConfirmDiscard(host_, DiscardCommand::Replace)) {
    result.outcome = DownloadOutcome::Declined;
    return result;
  }
  workspace_.PrepareRowEditing();

  link_.PurgeSerialInput();
  host_.Connecting(texts_.Translate(kConnectActivity));
  if (const LinkOutcome connected = link_.Connect(); !connected) return Stop(result, connected);
  if (const LinkOutcome read = link_.ReadSettingsBlock(doc_.InstrumentInfo.SettingsBlock); !read) {
    return Stop(result, read);
  }
  if (capture_ != nullptr) capture_->SettingsBlock(doc_.InstrumentInfo.SettingsBlock);
  DecodeSettingsBlock(doc_.InstrumentInfo.SettingsBlock, doc_.InstrumentInfo);
  host_.InstrumentIdentified(doc_.InstrumentInfo);

  // The memory choice is a question: nothing may cover it.
  host_.TransferEnded();
  const std::optional<MemoryChoice> memory = host_.ChooseMemory();
  if (!memory) {
    workspace_.DownloadDeclined();
    return Stop(result, DownloadOutcome::Declined);
  }
  result.memory = memory;

  const DateTime today = Now();
  workspace_.BeginDownload(today, *memory == MemoryChoice::Results ? "Results" : "Logging");
  workspace_.InstrumentIdentified(today);
  host_.Pump();

  return *memory == MemoryChoice::Results ? Results(result) : Logging(result);
}

bool DownloadEngine::ReadDirectory(std::string& directory) {
  link_.Buffer().Allocate(kDirectoryBufferSize);
  const AckResult ack = link_.CommandWithAck(kDirectoryCommand);
  if (!ack) {
    if (!link_.Cancelled()) Tell(ack.outcome.notice);
    return false;
  }
  const uint32_t length = ack.length;
  if (length < 10) {
    Tell(kMsgNoDataToDownL);
    return false;
  }
  if (length % 8 != 4) {
    Tell(kMsgDataCorrupt);
    return false;
  }
  // A length beyond the buffer fails here without a byte read past it.
  if (const LinkOutcome received = link_.ReceiveBlock(length); !received) {
    Tell(received.notice);
    return false;
  }
  directory.assign(reinterpret_cast<const char*>(link_.Buffer().Data()), length);
  if (capture_ != nullptr) capture_->Directory(directory);
  if (!CheckDirectory(directory)) {
    Tell(kMsgDataCorrupt);
    return false;
  }
  return true;
}

DownloadResult DownloadEngine::Results(DownloadResult result) {
  doc_.ClearReportChoice();
  doc_.ResultsDataLoaded = true;
  doc_.AllTests.clear();
  doc_.ShownTests.clear();
  doc_.SignalGroupFlags.fill(false);

  host_.TransferStarted(texts_.Translate(kDownloadActivity));
  Pause(pauses_.BeforeResults);

  std::string directory;
  if (!ReadDirectory(directory)) return Stop(result, DownloadOutcome::Failed);

  // One record per result entry, carrying the entry's own building and room numbers; only the
  // records whose pages arrive good and of a kept kind go into the document, in page order.
  const std::vector<ResultEntry> entries = DecodeResultEntries(directory);
  if (entries.empty()) {
    Tell(kMsgNoDataToDownL);
    return Stop(result, DownloadOutcome::Failed);
  }
  const int n = static_cast<int>(entries.size());
  std::vector<TTestsRecord> kept;
  kept.reserve(entries.size());

  for (int k = 0; k < n; ++k) {
    const ResultEntry& entry = entries[static_cast<size_t>(k)];
    host_.RequestingPage(k + 1, n);
    bool sumHolds = false;
    if (const LinkOutcome page = FetchPage(static_cast<uint32_t>(entry.address), result, sumHolds);
        !page) {
      doc_.SetTests(std::move(kept));
      return Stop(result, page);
    }
    const uint8_t* page = link_.Buffer().Data();
    const LostTest lost{static_cast<uint32_t>(entry.address), entry.buildingNo, entry.roomNo,
                        !sumHolds};
    if (capture_ != nullptr) capture_->Page(entry.address, page, sumHolds);
    if (!sumHolds) {
      ++result.badPages;
      result.lostTests.push_back(lost);
    } else {
      TTestsRecord record = NewResultRecord(entry);
      switch (DecodeResultPage(page, record, doc_.SignalGroupFlags, kPageBytes)) {
        case PageOutcome::Kept:
          kept.push_back(std::move(record));
          break;
        case PageOutcome::Dropped:
          ++result.droppedPages;
          break;
        case PageOutcome::Bad:
          ++result.badPages;
          result.lostTests.push_back(lost);
          break;
      }
    }
    link_.Buffer().Free();
    if (link_.Cancelled()) {
      doc_.SetTests(std::move(kept));
      return Stop(result, DownloadOutcome::Cancelled);
    }
    host_.Progress(Percent(k + 1, n));
    host_.Pump();
  }

  Pause(pauses_.AfterTransfer);
  host_.TransferEnded();
  // The record index is a test's identity for the row commands: every kept test gets its own,
  // also one whose page carried no values.
  doc_.SetTests(std::move(kept));
  link_.CloseLink();

  DocSignalsFromGroupFlags(doc_);
  workspace_.ResultsDownloaded(host_);
  link_.CloseLink();
  result.outcome = DownloadOutcome::Completed;
  return result;
}

DownloadResult DownloadEngine::Logging(DownloadResult result) {
  doc_.LoggerDataLoaded = true;
  doc_.LoggerBlocks.clear();
  host_.TransferStarted(texts_.Translate(kDownloadActivity));
  Pause(pauses_.BeforeLogging);

  std::string directory;
  if (!ReadDirectory(directory)) return Stop(result, DownloadOutcome::Failed);

  doc_.LoggerBlocks = DecodeLoggingEntries(directory);
  // The person may take their time over the list: the instrument is not kept waiting.
  link_.CloseLink();
  if (doc_.LoggerBlocks.empty()) {
    Tell(kMsgNoDataToDownL);
    return Stop(result, DownloadOutcome::Failed);
  }

  int64_t totalPages = 0;
  for (;;) {
    // The list is a question: the transfer box must not cover it.
    host_.TransferEnded();
    if (!host_.ChooseBlocksToDownload(doc_.LoggerBlocks)) {
      return Stop(result, DownloadOutcome::Declined);
    }
    host_.TransferStarted(texts_.Translate(kDownloadActivity));
    host_.Pump();
    std::vector<TLoggerRecord> chosen;
    for (TLoggerRecord& b : doc_.LoggerBlocks) {
      if (b.Selected == 0) continue;
      chosen.push_back(std::move(b));
      chosen.back().Selected = 0;
      totalPages += chosen.back().SampleCount;
    }
    if (!chosen.empty()) {
      doc_.LoggerBlocks = std::move(chosen);
      break;
    }
    // Nothing was moved out: the list is shown again as it was.
  }

  if (const LinkOutcome connected = link_.Connect(); !connected) return Stop(result, connected);
  link_.PurgeSerialInput();

  int64_t pagesDone = 0;
  for (size_t b = 0; b < doc_.LoggerBlocks.size(); ++b) {
    TLoggerRecord& block = doc_.LoggerBlocks[b];
    block.BeginTime = 0;
    block.IntervalSec = 0;
    block.SignalCount = 0;
    // Exactly the pages the directory lists for the block, in directory order: a block's
    // pages need not be contiguous in memory.
    const std::vector<int32_t> pages = block.Pages;
    int sample = 0;
    for (const int32_t address : pages) {
      host_.RequestingPage(static_cast<int>(pagesDone + 1), static_cast<int>(totalPages));
      bool sumHolds = false;
      if (const LinkOutcome got = FetchPage(static_cast<uint32_t>(address), result, sumHolds);
          !got) {
        return Stop(result, got);
      }
      const uint8_t* page = link_.Buffer().Data();
      if (capture_ != nullptr) capture_->Page(static_cast<uint32_t>(address), page, sumHolds);
      if (!sumHolds || DecodeLoggingPage(page, doc_, static_cast<int>(b), address, sample,
                                         kPageBytes) == PageOutcome::Bad) {
        ++result.badPages;
      }
      ++sample;
      ++pagesDone;
      link_.Buffer().Free();
      if (link_.Cancelled()) return Stop(result, DownloadOutcome::Cancelled);
      host_.Progress(Percent(static_cast<double>(pagesDone), static_cast<double>(totalPages)));
      host_.Pump();
    }
  }

  host_.Progress(100);
  host_.Pump();
  Pause(pauses_.AfterTransfer);
  host_.TransferEnded();
  link_.CloseLink();

  if (result.badPages > 0) {
    Tell(kMsgCorupLogers,
         " (" + std::to_string(result.badPages) + ")  " + std::string(kSuffixCorruptPages));
  }

  if (doc_.LoggerBlocks.empty()) {
    Tell(kMsgNoDataToShow);
    return Stop(result, DownloadOutcome::Failed);
  }

  if (workspace_.LoggingDownloaded(host_) == LoadOutcome::Cancelled) {
    return Stop(result, DownloadOutcome::Declined);
  }
  link_.CloseLink();
  result.outcome = DownloadOutcome::Completed;
  return result;
}

}  // namespace qv

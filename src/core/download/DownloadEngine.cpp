#include "download/DownloadEngine.h"

#include "download/MemoryDecoder.h"
#include "format/DateTimeText.h"
#include "format/NumberText.h"
#include "workspace/DocumentWorkspace.h"

#include <algorithm>
#include <string>
#include <utility>

namespace qv {
namespace {

// Clears the running mark on every way out of Run.
class RunningMark {
 public:
  explicit RunningMark(std::atomic<bool>& running) : running_(running) {}
  ~RunningMark() { running_.store(false); }
  RunningMark(const RunningMark&) = delete;
  RunningMark& operator=(const RunningMark&) = delete;

 private:
  std::atomic<bool>& running_;
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

DownloadEngine::DownloadEngine(Link& link, DownloadHost& host, const TextCatalog& texts,
                               Clock& clock)
    : link_(link), host_(host), texts_(texts), clock_(clock) {}

DownloadResult DownloadEngine::Run(Document& doc) {
  if (running_.exchange(true)) {
    DownloadResult busy;
    busy.outcome = DownloadOutcome::Busy;
    return busy;
  }
  RunningMark mark(running_);
  cancel_.Clear();
  return RunGuarded(doc);
}

void DownloadEngine::Cancel() {
  cancel_.Raise();
  link_.Cancel();
}

void DownloadEngine::Tell(std::string_view key, std::string_view suffix, MessageIcon icon) {
  host_.TransferEnded();
  Bytes text = texts_.Translate(key);
  text.append(suffix);
  host_.Message(icon, text);
}

void DownloadEngine::Pause(std::chrono::milliseconds ms) {
  host_.Pump();
  // The engine's own Cancel wakes the wait at once; a signal handler's reaches only the link,
  // which is looked at between slices.
  const Clock::TimePoint end = clock_.Now() + ms;
  while (!Cancelled() && clock_.Now() < end) {
    clock_.WaitUntil(std::min(end, clock_.Now() + std::chrono::milliseconds(50)), cancel_);
    host_.Pump();
  }
}

LinkOutcome DownloadEngine::FetchPage(uint32_t address, DownloadResult& result, bool& sumHolds) {
  sumHolds = false;
  for (int attempt = 1;; ++attempt) {
    if (const LinkOutcome page = link_.RequestPage(address); !page) return page;
    sumHolds = CheckPage(link_.Buffer().Data(), kPageBytes);
    if (sumHolds || attempt == kPageAttempts || Cancelled()) return {};
    ++result.resentPages;
    link_.Note("byte sum wrong: page " + std::to_string(address) + " asked for again (attempt " +
               std::to_string(attempt + 1) + " of " + std::to_string(kPageAttempts) + ")");
  }
}

DownloadResult DownloadEngine::Stop(DownloadResult result, DownloadOutcome outcome) {
  // A Cancel seen by a failing step is a Cancel, not an error (nothing was told).
  if (outcome == DownloadOutcome::Failed && Cancelled()) outcome = DownloadOutcome::Cancelled;
  link_.CloseLink();
  host_.TransferEnded();
  result.outcome = outcome;
  return result;
}

DownloadResult DownloadEngine::Stop(DownloadResult result, const LinkOutcome& failure) {
  const bool cancelled = failure.status == LinkStatus::Cancelled || Cancelled();
  link_.CloseLink();
  host_.TransferEnded();
  if (!cancelled) Tell(failure.notice);
  result.outcome = cancelled ? DownloadOutcome::Cancelled : DownloadOutcome::Failed;
  return result;
}

DownloadResult DownloadEngine::RunGuarded(Document& doc) {
  DownloadResult result;
  link_.PurgeSerialInput();
  host_.Connecting(texts_.Translate(kConnectActivity));
  if (const LinkOutcome connected = link_.Connect(); !connected) return Stop(result, connected);
  if (const LinkOutcome read = link_.ReadSettingsBlock(doc.InstrumentInfo.SettingsBlock); !read) {
    return Stop(result, read);
  }
  if (capture_ != nullptr) capture_->SettingsBlock(doc.InstrumentInfo.SettingsBlock);
  DecodeSettingsBlock(doc.InstrumentInfo.SettingsBlock, doc.InstrumentInfo);
  host_.InstrumentIdentified(doc.InstrumentInfo);

  // The memory choice is a question: nothing may cover it.
  host_.TransferEnded();
  const std::optional<MemoryChoice> memory = host_.ChooseMemory();
  if (!memory) return Stop(result, DownloadOutcome::Declined);
  result.memory = memory;
  result.today = Now();
  host_.Pump();

  return *memory == MemoryChoice::Results ? Results(result, doc) : Logging(result, doc);
}

bool DownloadEngine::ReadDirectory(std::string& directory) {
  link_.Buffer().Allocate(kDirectoryBufferSize);
  const AckResult ack = link_.CommandWithAck(kDirectoryCommand);
  if (!ack) {
    if (!Cancelled()) Tell(ack.outcome.notice);
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

DownloadResult DownloadEngine::Results(DownloadResult result, Document& doc) {
  doc.Kind = DocumentKind::Results;

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
      doc.SetTests(std::move(kept));
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
      switch (DecodeResultPage(page, record, doc.SignalGroupFlags, kPageBytes)) {
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
    if (Cancelled()) {
      doc.SetTests(std::move(kept));
      return Stop(result, DownloadOutcome::Cancelled);
    }
    host_.Progress(Percent(k + 1, n));
    host_.Pump();
  }

  Pause(pauses_.AfterTransfer);
  host_.TransferEnded();
  // The record index is a test's identity for the row commands: every kept test gets its own,
  // also one whose page carried no values.
  doc.SetTests(std::move(kept));
  link_.CloseLink();

  DocSignalsFromGroupFlags(doc);
  result.outcome = DownloadOutcome::Completed;
  return result;
}

DownloadResult DownloadEngine::Logging(DownloadResult result, Document& doc) {
  doc.Kind = DocumentKind::Logging;
  host_.TransferStarted(texts_.Translate(kDownloadActivity));
  Pause(pauses_.BeforeLogging);

  std::string directory;
  if (!ReadDirectory(directory)) return Stop(result, DownloadOutcome::Failed);

  doc.LoggerBlocks = DecodeLoggingEntries(directory);
  // The person may take their time over the list: the instrument is not kept waiting.
  link_.CloseLink();
  if (doc.LoggerBlocks.empty()) {
    Tell(kMsgNoDataToDownL);
    return Stop(result, DownloadOutcome::Failed);
  }

  int64_t totalPages = 0;
  for (;;) {
    // The list is a question: the transfer box must not cover it.
    host_.TransferEnded();
    if (!host_.ChooseBlocksToDownload(doc.LoggerBlocks)) {
      return Stop(result, DownloadOutcome::Declined);
    }
    host_.TransferStarted(texts_.Translate(kDownloadActivity));
    host_.Pump();
    std::vector<TLoggerRecord> chosen;
    for (TLoggerRecord& b : doc.LoggerBlocks) {
      if (b.Selected == 0) continue;
      chosen.push_back(std::move(b));
      chosen.back().Selected = 0;
      totalPages += chosen.back().SampleCount;
    }
    if (!chosen.empty()) {
      doc.LoggerBlocks = std::move(chosen);
      break;
    }
    // Nothing was moved out: the list is shown again as it was.
  }

  if (const LinkOutcome connected = link_.Connect(); !connected) return Stop(result, connected);
  link_.PurgeSerialInput();

  int64_t pagesDone = 0;
  for (size_t b = 0; b < doc.LoggerBlocks.size(); ++b) {
    TLoggerRecord& block = doc.LoggerBlocks[b];
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
      if (!sumHolds || DecodeLoggingPage(page, doc, static_cast<int>(b), address, sample,
                                         kPageBytes) == PageOutcome::Bad) {
        ++result.badPages;
      }
      ++sample;
      ++pagesDone;
      link_.Buffer().Free();
      if (Cancelled()) return Stop(result, DownloadOutcome::Cancelled);
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

  if (doc.LoggerBlocks.empty()) {
    Tell(kMsgNoDataToShow);
    return Stop(result, DownloadOutcome::Failed);
  }
  result.outcome = DownloadOutcome::Completed;
  return result;
}

void InstallDownloaded(DownloadResult& result, Document doc, DocumentWorkspace& workspace,
                       DocumentHost& host) {
  if (!result.ok()) return;
  if (workspace.InstallDownload(std::move(doc), result.today, host) == LoadOutcome::Cancelled) {
    result.outcome = DownloadOutcome::Declined;
  }
}

DownloadResult RunDownload(DownloadEngine& engine, DocumentWorkspace& workspace,
                           DownloadHost& host) {
  if (!workspace.ConfirmDiscard(host, DiscardCommand::Replace)) {
    DownloadResult declined;
    declined.outcome = DownloadOutcome::Declined;
    return declined;
  }
  workspace.PrepareRowEditing();
  Document downloaded;
  DownloadResult result = engine.Run(downloaded);
  InstallDownloaded(result, std::move(downloaded), workspace, host);
  return result;
}

}  // namespace qv

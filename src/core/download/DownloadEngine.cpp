#include "download/DownloadEngine.h"

#include "download/BlockList.h"
#include "download/MemoryDecoder.h"
#include "format/NumberText.h"
#include "store/BuildingTree.h"

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

DownloadEngine::DownloadEngine(Document& doc, Link& link, DownloadHost& host,
                               const TextCatalog& texts)
    : doc_(doc), link_(link), host_(host), texts_(texts) {}

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

void DownloadEngine::Tell(std::string_view key, std::string_view suffix) {
  Bytes text = texts_.Translate(key);
  text.append(suffix);
  host_.Message(MessageIcon::Information, text);
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

DownloadResult DownloadEngine::Stop(DownloadResult result, DownloadOutcome outcome) {
  // A Cancel seen by a failing exchange is a Cancel, not an error (nothing was shown).
  if (outcome == DownloadOutcome::Failed && link_.Cancelled()) outcome = DownloadOutcome::Cancelled;
  link_.CloseLink();
  host_.SetBusyCursor(false);
  host_.HideTransferDialog();
  result.outcome = outcome;
  return result;
}

DownloadResult DownloadEngine::RunGuarded() {
  DownloadResult result;

  // A Yes whose save does not happen keeps the document and its flags: the download stops.
  if (!PromptBeforeDiscard(doc_, host_, DiscardCommand::Replace)) {
    result.outcome = DownloadOutcome::Declined;
    return result;
  }
  host_.PrepareRowEditing();

  link_.PurgeSerialInput();
  if (!link_.Connect()) return Stop(result, DownloadOutcome::Failed);

  host_.SetBusyCursor(true);
  if (!link_.ReadSettingsBlock(doc_.InstrumentInfo.SettingsBlock)) {
    return Stop(result, DownloadOutcome::Failed);
  }
  DecodeSettingsBlock(doc_.InstrumentInfo.SettingsBlock, doc_.InstrumentInfo);

  const std::optional<MemoryChoice> memory = host_.ChooseMemory();
  if (!memory) {
    host_.SetCaption(Caption::TitleAndFile);
    return Stop(result, DownloadOutcome::Declined);
  }
  result.memory = memory;

  doc_.LoggerDataLoaded = false;
  doc_.ResultsDataLoaded = false;
  host_.CloseViews();
  host_.SetCaption(Caption::Title);
  host_.InstrumentIdentified(doc_.InstrumentInfo);
  host_.Pump();

  return *memory == MemoryChoice::Results ? Results(result) : Logging(result);
}

bool DownloadEngine::ReadDirectory(std::string& directory) {
  link_.Buffer().Allocate(kDirectoryBufferSize);
  const AckResult ack = link_.CommandWithAck(kDirectoryCommand);
  if (!ack) return false;
  host_.SetBusyCursor(false);
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
  if (!link_.ReceiveBlock(length)) return false;
  directory.assign(reinterpret_cast<const char*>(link_.Buffer().Data()), length);
  if (!CheckDirectory(directory)) {
    Tell(kMsgDataCorrupt);
    return false;
  }
  return true;
}

DownloadResult DownloadEngine::Results(DownloadResult result) {
  doc_.ClearReportChoice();
  doc_.ResultsDataLoaded = true;
  host_.ResultsCleared();
  host_.SetBusyCursor(false);
  doc_.AllTests.clear();
  doc_.SignalGroupFlags.fill(false);

  host_.ShowTransferDialog(texts_.Translate(kDownloadActivity));
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
  auto keepWhatArrived = [&] {
    doc_.AllTests = kept;
    // The record index is a test's identity for the row commands: every kept test gets its
    // own, also one whose page carried no values.
    for (size_t i = 0; i < doc_.AllTests.size(); ++i) {
      doc_.AllTests[i].RecordIndex = static_cast<int32_t>(i);
    }
  };

  for (int k = 0; k < n; ++k) {
    const ResultEntry& entry = entries[static_cast<size_t>(k)];
    if (!link_.RequestPage(entry.address)) {
      keepWhatArrived();
      return Stop(result, DownloadOutcome::Failed);
    }
    host_.SetBusyCursor(false);
    const uint8_t* page = link_.Buffer().Data();
    if (!CheckPage(page, kPageBytes)) {
      ++result.badPages;
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
          break;
      }
    }
    link_.Buffer().Free();
    if (link_.Cancelled()) {
      keepWhatArrived();
      return Stop(result, DownloadOutcome::Cancelled);
    }
    host_.SetProgress(Percent(k + 1, n));
    host_.Pump();
  }

  Pause(pauses_.AfterTransfer);
  host_.HideTransferDialog();
  host_.SetBusyCursor(false);
  keepWhatArrived();
  doc_.TestCount = static_cast<int32_t>(kept.size());
  doc_.ShownTestCount = doc_.TestCount;
  link_.CloseLink();

  DocSignalsFromGroupFlags(doc_);

  if (!BuildBuildingTree(doc_, doc_.TestCount) || !host_.FillTreeView()) {
    Tell(kMsgNoDataToShow);
    return Stop(result, DownloadOutcome::Failed);
  }
  SortTestsByTree(doc_);
  host_.ComputeColumnShading();
  doc_.ShownTests = doc_.AllTests;

  if (host_.LayoutTable()) {
    host_.ShowResults();
    doc_.DocNotSaved = true;
  }
  host_.SetCaption(Caption::TitleAndFile);
  link_.CloseLink();
  result.outcome = DownloadOutcome::Completed;
  return result;
}

DownloadResult DownloadEngine::Logging(DownloadResult result) {
  doc_.LoggerDataLoaded = true;
  doc_.LoggerBlocks.clear();
  host_.ShowTransferDialog(texts_.Translate(kDownloadActivity));
  Pause(pauses_.BeforeLogging);

  std::string directory;
  if (!ReadDirectory(directory)) return Stop(result, DownloadOutcome::Failed);

  doc_.LoggerBlocks = DecodeLoggingEntries(directory);
  host_.SizeBlockList(static_cast<int>(doc_.LoggerBlocks.size()));
  // The person may take their time over the list: the instrument is not kept waiting.
  link_.CloseLink();
  if (doc_.LoggerBlocks.empty()) {
    Tell(kMsgNoDataToDownL);
    return Stop(result, DownloadOutcome::Failed);
  }

  int64_t totalPages = 0;
  for (;;) {
    if (!host_.ChooseBlocksToDownload(doc_.LoggerBlocks)) {
      return Stop(result, DownloadOutcome::Declined);
    }
    host_.ShowTransferDialog(texts_.Translate(kDownloadActivity));
    host_.SetBusyCursor(true);
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

  host_.HideTable();
  if (!link_.Connect()) return Stop(result, DownloadOutcome::Failed);
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
      if (!link_.RequestPage(static_cast<uint32_t>(address))) {
        return Stop(result, DownloadOutcome::Failed);
      }
      const uint8_t* page = link_.Buffer().Data();
      if (!CheckPage(page, kPageBytes) ||
          DecodeLoggingPage(page, doc_, static_cast<int>(b), address, sample, kPageBytes) ==
              PageOutcome::Bad) {
        ++result.badPages;
      }
      ++sample;
      ++pagesDone;
      link_.Buffer().Free();
      if (link_.Cancelled()) return Stop(result, DownloadOutcome::Cancelled);
      host_.SetProgress(Percent(static_cast<double>(pagesDone), static_cast<double>(totalPages)));
      host_.Pump();
    }
  }

  host_.SetProgress(100);
  host_.Pump();
  Pause(pauses_.AfterTransfer);
  host_.HideTransferDialog();
  host_.SetBusyCursor(false);
  link_.CloseLink();

  if (result.badPages > 0) {
    Tell(kMsgCorupLogers,
         " (" + std::to_string(result.badPages) + ")  " + std::string(kSuffixCorruptPages));
  }

  host_.SizeBlockList(static_cast<int>(doc_.LoggerBlocks.size()));
  if (doc_.LoggerBlocks.empty()) {
    Tell(kMsgNoDataToShow);
    return Stop(result, DownloadOutcome::Failed);
  }

  doc_.DocNotSaved = true;
  for (;;) {
    if (!host_.ChooseBlockToShow(doc_.LoggerBlocks)) {
      // The table is hidden here, so the data go away unless the person saves them now. A
      // Yes whose save does not happen keeps the flags set, so Save As can still be asked for.
      PromptBeforeDiscard(doc_, host_, DiscardCommand::Close);
      return Stop(result, DownloadOutcome::Declined);
    }
    const int chosen = LastSelectedBlock(doc_.LoggerBlocks);
    if (chosen < 0) continue;
    if (doc_.LoggerBlocks[static_cast<size_t>(chosen)].SampleCount < 1) {
      host_.HideTable();
      Tell(kMsgNoDataToShow);
      continue;
    }
    doc_.CurrentBlock = chosen;
    host_.HideTable();
    host_.Pump();
    host_.ComputeColumnShading();
    if (host_.LayoutTable()) host_.ShowTable();
    host_.CurrentBlockChosen();
    break;
  }

  host_.SetCaption(Caption::TitleAndFile);
  link_.CloseLink();
  result.outcome = DownloadOutcome::Completed;
  return result;
}

}  // namespace qv

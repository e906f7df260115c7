// The download: reads the instrument's results memory or chosen blocks of its logging memory
// into a new document, asking the host for every answer and showing it every step. The open
// document is not touched: whoever runs the download installs the new one in the workspace once
// the run completed.
//
// Phases: connect and identify, the memory choice, the directory, (logging) the block list, the
// pages with their decoding. The run goes on the thread that calls Run (in the application a
// worker); the host's questions and messages are asked from it, in order. Every way out closes
// the link; Cancel, from any thread, ends the run within a poll slice.
#pragma once

#include "app/TextCatalog.h"
#include "download/DownloadHost.h"
#include "link/Link.h"
#include "workspace/DocumentWorkspace.h"

#include <chrono>
#include <optional>
#include <string_view>
#include <vector>

namespace qv {

// Message keys of the download and their literal suffixes.
inline constexpr const char* kMsgNoDataToDownL = "msgNoDataToDownL_35";
inline constexpr const char* kMsgDataCorrupt = "msgDataCorrupt_35";
inline constexpr const char* kMsgCorupLogers = "msgCorupLogers_50";
inline constexpr const char* kSuffixCorruptPages = "   Error #16";
inline constexpr const char* kDownloadActivity = "DLoadData_35";
inline constexpr const char* kConnectActivity = "Connecting_35";

enum class DownloadOutcome {
  Completed,  // the new document holds the downloaded data, to be installed
  Declined,   // the person said no: a save prompt, the memory choice or a block list
  Cancelled,  // Cancel during the transfer
  Failed,     // an error, already told to the person
  Busy,       // a download was already running; nothing was done
};

// A page is asked for this many times in all while its byte sum comes wrong: a sum broken on the
// wire arrives whole when asked again, one broken in the instrument's memory never does.
inline constexpr int kPageAttempts = 3;

// A result page that did not become a test.
struct LostTest {
  uint32_t address = 0;  // the page's address, as the trace and a memory dump name it
  int32_t buildingNo = 0;
  int32_t roomNo = 0;
  bool sumWrong = true;  // false: the sum held but the page could not be read (impossible dates)
};

struct DownloadResult {
  DownloadOutcome outcome = DownloadOutcome::Failed;
  std::optional<MemoryChoice> memory;  // set once the memory was chosen
  int badPages = 0;                    // pages whose checksum failed (or impossible dates)
  int droppedPages = 0;                // result pages of kinds 2, 3 and 4
  int resentPages = 0;                 // pages asked for again because their sum was wrong
  std::vector<LostTest> lostTests;     // results: the bad pages, in transfer order
  DateTime today = 0;                  // when the memory was chosen: the file name, the report
  bool ok() const { return outcome == DownloadOutcome::Completed; }
};

// What a person is told after a results download that left tests out ("msgDataCorrupt_35", the
// count and "   Error #16", then which pages in plain words); nullopt when none was left out.
std::optional<Notice> LostTestsNotice(const DownloadResult& result);

// The pauses that let a person see the transfer dialog; tests set them to zero.
struct DownloadPauses {
  std::chrono::milliseconds BeforeResults{300};
  std::chrono::milliseconds BeforeLogging{500};
  std::chrono::milliseconds AfterTransfer{500};
};

// The memory as it comes over the wire, before any decoding: the settings block, the directory
// and each page (with whether its byte sum held). A dump of the instrument keeps these; a
// download does not need them.
class MemoryCapture {
 public:
  virtual ~MemoryCapture() = default;
  virtual void SettingsBlock(const std::string& bytes) = 0;
  virtual void Directory(const std::string& bytes) = 0;
  virtual void Page(uint32_t address, const uint8_t* bytes, bool sumHolds) = 0;
};

class DownloadEngine {
 public:
  // All must outlive the engine. `link` pumps `host` as well (its LinkHost). The pauses are
  // waited on `clock`.
  DownloadEngine(Link& link, DownloadHost& host, const TextCatalog& texts,
                 Clock& clock = SystemClock::Instance());

  // The whole download into `doc`, a new document (its kind, instrument, tests or blocks).
  DownloadResult Run(Document& doc);
  bool Running() const { return running_.load(); }
  // The transfer dialog's Cancel, from any thread: the run ends at the next poll or page.
  void Cancel();

  void SetPauses(const DownloadPauses& pauses) { pauses_ = pauses; }
  // Hands every block and page read to `capture` as well (null: none). It must outlive Run.
  void SetCapture(MemoryCapture* capture) { capture_ = capture; }

 private:
  DownloadResult RunGuarded(Document& doc);
  DownloadResult Results(DownloadResult result, Document& doc);
  DownloadResult Logging(DownloadResult result, Document& doc);
  bool Cancelled() const { return cancel_.Raised() || link_.Cancelled(); }
  // ":MEM:R\n" with its length and checksum tests; false once the person has been told why.
  bool ReadDirectory(std::string& directory);
  // Stops the run: link closed, transfer box gone.
  DownloadResult Stop(DownloadResult result, DownloadOutcome outcome);
  // Stops the run after a failed exchange: Cancelled, or Failed with its message told.
  DownloadResult Stop(DownloadResult result, const LinkOutcome& failure);
  // A message: the transfer box goes first, so that nothing covers the message.
  void Tell(std::string_view key, std::string_view suffix = {},
            MessageIcon icon = MessageIcon::Information);
  // A link's notice; one without a key (a Cancel) tells nothing.
  void Tell(const Notice& notice) {
    if (notice.key != nullptr) Tell(notice.key, notice.suffix, notice.icon);
  }
  // Waits on the clock; a Cancel ends the wait at once.
  void Pause(std::chrono::milliseconds ms);
  // Asks for the page until its byte sum holds, at most kPageAttempts times; the buffer holds
  // the last copy. `sumHolds` says whether it did in the end.
  LinkOutcome FetchPage(uint32_t address, DownloadResult& result, bool& sumHolds);

  Link& link_;
  DownloadHost& host_;
  const TextCatalog& texts_;
  Clock& clock_;
  DownloadPauses pauses_;
  std::atomic<bool> running_{false};
  CancelFlag cancel_;
  MemoryCapture* capture_ = nullptr;
};

// What follows a completed transfer, on the thread that owns the workspace: the new document
// installed (shown, or its block chosen). A block list cancelled there makes the run Declined.
void InstallDownloaded(DownloadResult& result, Document doc, DocumentWorkspace& workspace,
                       DocumentHost& host);

// The whole download on the caller's thread, as the command-line tool runs it: the save
// questions (a Yes whose save does not happen stops it), the transfer, the install.
DownloadResult RunDownload(DownloadEngine& engine, DocumentWorkspace& workspace,
                           DownloadHost& host);

}  // namespace qv

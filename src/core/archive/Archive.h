// The archive: every results file a person has collected, in one SQLite database per user,
// searchable by building, room, date and signal code, with the trend of a room across visits.
//
// What is kept: each file (path, size, SHA-256 of its bytes, when it was added, kind, format
// version, print-header texts, settings block), its instrument, and every test and logging
// block with its place, times, unit system, calculation parameters and values. Names are kept
// as the files' bytes and compared byte for byte; only the search index holds them decoded.
//
// Nothing is kept twice: a file whose bytes were added before is skipped, and a test or block
// that an earlier file brought (the same instrument serial, begin time, building, room and
// signals) is not stored again. Each file is added in one transaction, so that an interrupted
// run leaves every file before it complete and nothing of the one it was adding.
//
// An Archive is used from the thread that opened it (one Qt SQL connection each); a worker
// thread that adds files opens an Archive of its own on the same path. Two programs, or two
// threads, may use one database at once: a writer waits for the other's transaction (the busy
// timeout) instead of failing, and readers are never kept waiting by a writer.
#pragma once

#include "app/TextCodec.h"
#include "files/Outcome.h"
#include "store/Document.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace qv {

class ArchiveConnection;
class TextCatalog;

// The version of the database layout this program writes; older ones are upgraded on opening,
// newer ones refused.
inline constexpr int kArchiveVersion = 1;

// $XDG_DATA_HOME/quorvantel/archive.sqlite (~/.local/share/... without the variable).
QString DefaultArchivePath();

struct ArchiveOpenOptions {
  // Create the database (and its folder) when there is none; otherwise a missing database is
  // a failure, for commands that only read.
  bool create = true;
  // The code page of the stored names and comments: the search index holds them decoded with
  // it. Opening with another code page re-decodes the index.
  QByteArray codePage = kDefaultCodePage;
  // How long a write waits for another program's transaction before it fails.
  int busyTimeoutMs = 30000;
  // Full-text search with SQLite's FTS5 where the library has it; false, or a library without
  // it, gives a plain table searched with LIKE. Chosen when the database is created.
  bool fullText = true;
};

// What adding did with one file.
struct ArchiveFileResult {
  enum class Status { Added, Skipped, Failed };
  QString path;
  Status status = Status::Failed;
  int tests = 0;        // new tests stored
  int blocks = 0;       // new logging blocks stored
  int64_t samples = 0;  // values of the new blocks, "no value" ones included
  Bytes message;        // Failed: why, in the code page (system texts encoded)
};

struct ArchiveAddOptions {
  // After each file, with the count of files done and the total.
  std::function<void(const ArchiveFileResult&, int done, int total)> progress;
  // Set from anywhere to stop after the file being added.
  const std::atomic<bool>* cancel = nullptr;
};

struct ArchiveAddSummary {
  int addedFiles = 0;
  int skippedFiles = 0;
  int tests = 0;
  int blocks = 0;
  int64_t samples = 0;
  std::vector<ArchiveFileResult> errors;  // the files that could not be added
  bool cancelled = false;
  // Failed when the database itself failed (full disk, another program's lock held past the
  // busy timeout): adding stopped there, every file before it kept.
  Outcome outcome;
};

// What the listing and the query take. Names match exactly (bytes in the code page); times are
// day numbers, from <= t < to.
struct ArchiveFilter {
  std::optional<Bytes> building;
  std::optional<Bytes> room;
  std::optional<int> code;
  std::optional<DateTime> from;
  std::optional<DateTime> to;
  // Words that must all occur in the place's names or the file's header texts and comments
  // (listing only). With FTS5 each word matches the start of a word, case and accents
  // ignored; with LIKE anywhere, case ignored for ASCII letters.
  QString search;
};

// A test or a logging block as the listing shows it.
struct ArchiveItem {
  int64_t id = 0;
  DateTime begin = 0;
  DateTime end = 0;     // a block: the time of its last sample
  int sampleCount = 0;  // blocks
  int intervalSec = 0;  // blocks
  Bytes units;
  std::vector<int32_t> codes;  // a test: the codes present; a block: its signal list
  QString source;              // the file that brought it
};

// The tests and blocks of one room that began on one day.
struct ArchiveVisit {
  int day = 0;  // whole day number of the begin times
  std::vector<ArchiveItem> tests;
  std::vector<ArchiveItem> blocks;
};

struct ArchiveRoom {
  Bytes name;
  std::vector<ArchiveVisit> visits;  // by day
};

struct ArchiveBuilding {
  Bytes name;
  std::vector<ArchiveRoom> rooms;  // by name
};

// One value of a test or one logged sample. The references live for the callback only.
struct ArchiveRow {
  const Bytes& building;
  const Bytes& room;
  DateTime time;  // a test's begin, or the sample's time
  int code;
  double value;        // as the file holds it, in the record's unit system
  const Bytes& units;  // the record's unit system text ("SI", "US")
  const QString& source;
  bool logged;     // a sample of a logging block, not a test value
  DateTime begin;  // of the test or block: its visit is the day of this
};

// The values of one code in one room on one day, for a trend across visits.
struct ArchiveTrendSeries {
  int day = 0;
  Bytes units;
  std::vector<std::pair<DateTime, double>> points;  // by time
};

class Archive {
 public:
  // Opens or creates the database at `path`. Failed with a clear message when the driver is
  // missing, the file is not a database of this program, or it was written by a newer version
  // of the program (it is then left untouched).
  static std::unique_ptr<Archive> Open(const QString& path, const ArchiveOpenOptions& options,
                                       Outcome* outcome);
  ~Archive();
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;

  const QString& Path() const { return path_; }
  // Whether searches go through FTS5 (else LIKE).
  bool FullTextSearch() const { return fullText_; }

  // The results files among `paths`: files as given, folders searched recursively for names
  // ending in ".qvl" in any case; sorted, each once. Paths that do not exist come back in
  // `missing`.
  static QStringList CollectFiles(const QStringList& paths, QStringList* missing);

  // Adds the files (as CollectFiles gives them). `texts` translates the file reader's
  // messages. A file that cannot be read is listed in the errors and the others added.
  ArchiveAddSummary AddFiles(const QStringList& files, const TextCatalog& texts,
                             const ArchiveAddOptions& options = {});

  // Buildings -> rooms -> visits of what the filter selects (its code is not used).
  Outcome List(const ArchiveFilter& filter, std::vector<ArchiveBuilding>& out);

  // Every test value and logged sample the filter selects, by time (ties in the order of the
  // tests' and blocks' begin times, then codes). What the viewers show as no value is left
  // out: NoValue, anything at or above NoValueThreshold, numbers that are not finite. `each`
  // returns false to stop.
  Outcome Query(const ArchiveFilter& filter, const std::function<bool(const ArchiveRow&)>& each);

  // The values of `code` in one room, a series per visit.
  Outcome Trend(const Bytes& building, const Bytes& room, int code,
                std::vector<ArchiveTrendSeries>& out);

  // Tests (listing ids) as a results document or blocks as a logging document, in the order
  // given, as reading a file of them would give; the print header and the instrument are the
  // first one's file's. Any kind flags, records and header of `doc` are replaced.
  Outcome LoadTests(const std::vector<int64_t>& ids, Document& doc);
  Outcome LoadBlocks(const std::vector<int64_t>& ids, Document& doc);

 private:
  Archive() = default;
  std::unique_ptr<ArchiveConnection> impl_;
  QString path_;
  bool fullText_ = false;
};

// The unit text of a code in a record's unit system (its first letter, 'S' or 'U', as the
// table's captions go): translated, empty for codes without a unit.
Bytes UnitText(int code, const Bytes& units, const TextCatalog& texts);

}  // namespace qv

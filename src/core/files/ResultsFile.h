// The application's own results file ("QVL"): one document, results or logging blocks, with
// the print header and the instrument's settings block, as line-oriented 8-bit text.
//
// The writer always produces "Ver_3"; the reader also takes "Ver_1" and "Ver_2" (and reads any
// other version text as "Ver_1", naming it when that reading fails). Reals are written with the
// caller's decimal separator and read with either. Lines are written ending in CR LF; a file
// copied through another system is read with CR alone or LF alone as well.
#pragma once

#include "app/TextCodec.h"
#include "files/Outcome.h"
#include "store/Document.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <string_view>
#include <vector>

namespace qv {

class TextCatalog;

inline constexpr std::string_view kResultsFileVersion = "Ver_3";

// An instrument memory addresses at most 65536 pages and a logging block keeps one sample per
// page: a file naming more logged samples than that is not one this application wrote.
inline constexpr int kMaxLoggedSamplesInFile = 65536;

// An instrument holds at most 4999 results and a document grows past one download only by
// pasting rows one at a time: more tests than a memory has pages is not a document of ours.
// Each test costs the store about 800 bytes whatever its size in the file, so this count, not
// the file size, is what bounds the memory a results file can take.
inline constexpr int kMaxTestsInFile = 65536;

// The logging directory lists at most 4096 pages and every block has at least one.
inline constexpr int kMaxBlocksInFile = 4096;

// The largest file this program writes within those counts: 65536 tests of 68 values at the
// widest text a value can take (a float near its limit, printed in full) come to about 240 MB;
// 65536 samples of 64 signals to less. Anything larger is refused before it is read.
inline constexpr qint64 kMaxResultsFileBytes = qint64{256} * 1024 * 1024;

// The longest name (building, room) or other one-line text kept from a file: an instrument page
// holds fewer than 264 bytes and the tree's editor, a line edit, takes at most 32767 characters
// (one byte each in the code page). A longer text was not written by this program; it is cut to
// this length when read, with a warning, so that no command keeps or lays out more of it.
inline constexpr size_t kMaxNameBytes = 32767;

struct SaveOptions {
  char decimalSeparator = '.';  // the locale's
  // The results table shows nothing (the first rule of the refusal below).
  bool tableHidden = false;
  // Code page of the file-name line and of system error texts.
  QByteArray codePage = kDefaultCodePage;
};

// The translated "msgNoDataToSave_35" when the document may not be saved now, tested in this
// order: table hidden and DocNotSaved clear; no results and no logging blocks; results wanted
// (a results document) but none; logging blocks wanted but none.
// Callers ask before they show the save dialog.
std::optional<Bytes> SaveRefusal(const Document& doc, bool tableHidden, const TextCatalog& texts);

// The bytes of a file in three parts: lines 1 to 39, the instrument-data line with the empty
// line after it, and the measurements. nullopt when a logged sample cannot be formatted (a
// block whose sample arrays are shorter than its SampleCount).
struct ResultsFileParts {
  Bytes head;
  Bytes instrument;
  Bytes measurements;
};
std::optional<ResultsFileParts> ComposeResultsFile(const Document& doc, const Bytes& fileName,
                                                   char decimalSeparator);

// Saves the document to `path` (refusal test included). The file replaces an existing one only
// when it was written completely. On success DocNotSaved and DocModified are cleared; on any
// failure they stay and the previous file is untouched. Messages: "msgNoDataToSave_35"
// (Refused); "msgFileSaveError_35   Error #10" when writing the instrument data failed,
// "msgFileSaveError_35   Error #11" when a logged sample could not be formatted (translated
// keys), otherwise the system's error text.
Outcome SaveResultsFile(const QString& path, Document& doc, const TextCatalog& texts,
                        const SaveOptions& options = {});

enum class MeasurementsKind {
  None,    // a kind line other than the two: nothing loaded, the opening still completes
  Tests,   // "$QUOR-Tests%": a results document
  Logger,  // "$QUOR-Logger%": a logging document
};

struct OpenOutcome {
  Outcome outcome;
  Bytes fileName;     // as stored on the "$FileName%" line (for the caption)
  Bytes versionText;  // as stored on the version line; "Ver_1" when the file has none
  int version = 1;    // 1, 2 or 3: how the file was read
  MeasurementsKind kind = MeasurementsKind::None;
  int formatDigit = 0;  // the digit of the "$PROT%" line
  // What the person should know although the file was read (texts cut to kMaxNameBytes).
  std::vector<Bytes> warnings;
};

// Reads a results file's bytes into the document, which the workspace gives fresh and installs
// only when the reading succeeded. Its kind is cleared first; the print header, comments, settings
// block and identification texts, and the results (AllTests, ShownTests = AllTests, DocSignals,
// ColumnSignals, the counts) or the logging blocks are replaced as far as the file is read: a
// failure part-way leaves what was read. The report choice is cleared. The building tree, the block
// choice, CurrentBlock and HeaderLoadedFromFile are the caller's, once the opening completes.
// Failures (Failed): translated "msgFileNotCorrect_35" + "   Error #1A" / "   Error #1B" /
// "   Error #1" when the input ends before "$ProbesData%" / "$Comments%" / "$MEASUREMENTS%";
// a clear message naming the line for a number that cannot be read or a count out of range;
// a message naming a UTF-8 byte order mark at the start. Names and other one-line texts longer
// than kMaxNameBytes are cut, with a warning.
// Whatever the bytes, nothing is read outside `bytes` and no record is written outside.
OpenOutcome ReadResultsFile(std::string_view bytes, Document& doc, const TextCatalog& texts);

// The bytes of the file at `path`: a regular file of at most kMaxResultsFileBytes, read in
// place (a file that grows while it is read is still held to the limit); nullopt with the
// reason, in `codec`'s code page, in `error`.
std::optional<QByteArray> ReadResultsFileBytes(const QString& path, const TextCodec& codec,
                                               Bytes* error);

// Reads the file at `path` (its system error text, encoded with `codePage`, when it cannot be
// read) and then as ReadResultsFile.
OpenOutcome OpenResultsFile(const QString& path, Document& doc, const TextCatalog& texts,
                            const QByteArray& codePage = kDefaultCodePage);

// The identification texts of a stored settings block: DecodeSettingsBlock (memory/) on a copy
// whose NUL bytes are CR, so the texts of a file read as those of the download it came from.
void DecodeIdentification(const Bytes& settingsBlock, TInstrumentData& info);

}  // namespace qv

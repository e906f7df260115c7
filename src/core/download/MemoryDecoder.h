// Decoding of the instrument's data blocks: the settings block, the memory directory and the
// 264-byte memory pages, into the store's records.
//
// Every decoder works on the bytes it is given (pointer and length) and reads nothing beyond
// them nor beyond the 264 bytes of a page, whatever the bytes claim:
// - a page's data end E (data length + 6) beyond the page is cut at the page end, and an entry
//   that would run past the page ends the walk over the entries;
// - a text without its NUL within the page runs to the page end, and nothing follows it;
// - a directory's entries are the whole 8-byte entries before its 4-byte checksum;
// - a settings block that ends inside a text keeps that text up to the block's end.
// A page whose BCD date or time is impossible (month 13, 25 o'clock, a nibble above 9) is a bad
// page, treated like one whose checksum failed: nothing of it is stored.
#pragma once

#include "memory/PageFormat.h"
#include "memory/SettingsBlock.h"
#include "store/Document.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace qv {

// The settings block (DecodeSettingsBlock), the page size and the byte sum are in memory/.

// True when the last four bytes (big-endian) equal the sum of all bytes before them. A block
// shorter than four bytes is never good.
bool CheckDirectory(const uint8_t* directory, size_t size);
bool CheckDirectory(const Bytes& directory);

// One result entry of the directory.
struct ResultEntry {
  int32_t address = 0;
  int32_t buildingNo = 0;
  int32_t roomNo = 0;
};

// The result entries (flags: bit 6 clear and bits 0..5 all zero), in directory order.
std::vector<ResultEntry> DecodeResultEntries(const uint8_t* directory, size_t size);
std::vector<ResultEntry> DecodeResultEntries(const Bytes& directory);

// The logging blocks of the directory, in directory order: FirstPage, LastPage, SampleCount,
// Pages (every page address of the block, in directory order) and BeginTime = the block's
// date at midnight (0 when the entry's date is impossible). An entry continues the last block
// when its block number equals the whole flags byte of the entry before it (so bit 7 ends a
// block); entries with bit 6 set or block number 0 are passed over.
std::vector<TLoggerRecord> DecodeLoggingEntries(const uint8_t* directory, size_t size);
std::vector<TLoggerRecord> DecodeLoggingEntries(const Bytes& directory);

// True when bytes 0..3 (big-endian) equal the sum of bytes 4..263. A page shorter than 264
// bytes is never good.
bool CheckPage(const uint8_t* page, size_t size = kPageBytes);

enum class PageOutcome {
  Kept,     // decoded into the record or the block's sample
  Dropped,  // results: a page of kind 2, 3 or 4, nothing stored; logging: a page of another
            // kind than 1, times and texts taken, the sample stays 0
  Bad,      // an impossible date or time: nothing stored, as for a failed checksum
};

// Decodes a result page into the test at `recordIndex` of doc.AllTests (the record of the
// page's own directory entry) and sets the download signal-group flags of its value entries.
// Only a Kept outcome changes the record or the flags. Text widths are the view's business.
PageOutcome DecodeResultPage(const uint8_t* page, Document& doc, int recordIndex,
                             size_t size = kPageBytes);
// The same into a record that is not (yet) in the document; values are stored as
// Document::StoreTestValue stores them, RecordIndex is left to the caller.
PageOutcome DecodeResultPage(const uint8_t* page, TTestsRecord& record,
                             std::array<bool, 18>& groupFlags, size_t size = kPageBytes);

// Decodes a logging page as sample `sample` of block `block` of doc.LoggerBlocks. The first
// good page sets BeginTime and IntervalSec (when both are 0); every good page sets the texts;
// a kind-1 page read as the block's first page (address = FirstPage, or no signals yet) sets
// the block's signals and sizes its sample arrays, and every kind-1 page stores its values.
// Values are filed under the codes of their own quantity number, so a page whose entries stand
// in another order than the block's signals still files each value under its own code. Both
// walks take a parameter entry at its own length (23, 19 or 15 bytes), so an entry after it is
// not read out of step.
PageOutcome DecodeLoggingPage(const uint8_t* page, Document& doc, int block, int32_t address,
                              int sample, size_t size = kPageBytes);

// An IEEE 754 single sent most significant byte first, widened to double.
double DecodeFloat(const uint8_t bytes[4]);

// The download's DocSignals and ColumnSignals from the signal-group flags: for each set flag
// of t = 1..16 its four codes, for t = 17 the codes 65, 66, 67, ascending.
void DocSignalsFromGroupFlags(Document& doc);

// BCD date-times (page form: hour, minute, second, day, month, year - 2000) are decoded by
// DecodeBcdDateTime of format/DateTimeText.h.

}  // namespace qv

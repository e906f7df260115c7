// A document: results or logging blocks with everything the views share. A download, a file
// read or a conversion builds a new one; the workspace installs it whole.
#pragma once

#include "store/Records.h"

#include <array>
#include <vector>

namespace qv {

enum class DocumentKind { None, Results, Logging };

class Document {
 public:
  std::vector<TTestsRecord> AllTests;
  // The tests of the selected tree node: indexes into AllTests, in AllTests order. A test is
  // held once, so a rename or an edit reaches every view of it.
  std::vector<int32_t> ShownTests;
  std::vector<TLoggerRecord> LoggerBlocks;
  int32_t CurrentBlock = 0;
  std::vector<THouseTreeRecord> BuildingTree;
  TInstrumentData InstrumentInfo;
  std::array<int32_t, kMaxSignalCode + 1> DocSignals{};  // entries 1..DocSignalCount
  int32_t DocSignalCount = 0;
  std::array<int32_t, kMaxSignalCode + 1> ColumnSignals{};  // entries 1..ColumnCount
  int32_t ColumnCount = 0;

  // What it holds: tests or logging blocks, never both; None once closed (the data stay until
  // the next download or open replaces them).
  DocumentKind Kind = DocumentKind::None;
  bool ResultsDataLoaded() const { return Kind == DocumentKind::Results; }
  bool LoggerDataLoaded() const { return Kind == DocumentKind::Logging; }

  bool DocNotSaved = false;
  bool DocModified = false;
  bool HeaderLoadedFromFile = false;

  PrintHeader Header;

  // Codes chosen for the printed report by clicking column headers (at most four).
  std::array<bool, kMaxSignalCode + 1> ReportChosen{};
  std::vector<int> ReportCodes;  // ascending
  void ClearReportChoice();

  // Download signal-group flags by quantity number 1..17 ([0] unused).
  std::array<bool, 18> SignalGroupFlags{};

  int32_t TestCount() const { return static_cast<int32_t>(AllTests.size()); }
  int32_t ShownTestCount() const { return static_cast<int32_t>(ShownTests.size()); }
  // Shown test `row` (0-based); nullptr for a row beyond the shown tests or an index that no
  // longer names a test.
  const TTestsRecord* ShownTest(int row) const;
  // Every test shown, in AllTests order.
  void ShowAllTests();
  // Replaces the tests wholesale, all shown; each gets its position as its record index, the
  // identity the row commands go by.
  void SetTests(std::vector<TTestsRecord> tests);

  // Appends a test: texts empty, numbers 0, no signal present, every value NoValue, its index
  // as its record index. Returns its index.
  int AddTestRecord();
  // Stores a value of a code 1..68 into test `index` (68 sets only its flag). A code outside
  // 1..68 or an index outside AllTests stores nothing and returns false.
  bool StoreTestValue(int index, int code, double value);
  // Gives the sample arrays of the block's signals length n (new entries 0).
  void SizeSampleArrays(int block, int n);
  // Stores sample k of list position listPos (1-based) of a block. A position beyond
  // SignalCount, a code outside 1..64 or k beyond the arrays stores nothing (false).
  bool StoreSample(int block, int listPos, int k, double value);

  // The current block, or nullptr when there is none.
  const TLoggerRecord* Current() const;
  TLoggerRecord* Current();
};

// The last block marked Selected (the one a Show takes), or -1.
int LastSelectedBlock(const std::vector<TLoggerRecord>& blocks);

}  // namespace qv

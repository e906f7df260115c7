#include "store/Document.h"

#include "store/SignalCatalog.h"

#include <algorithm>
#include <utility>

namespace qv {

void Document::ClearReportChoice() {
  ReportChosen.fill(false);
  ReportCodes.clear();
}

const TTestsRecord* Document::ShownTest(int row) const {
  if (row < 0 || row >= static_cast<int>(ShownTests.size())) return nullptr;
  const int32_t index = ShownTests[static_cast<size_t>(row)];
  if (index < 0 || index >= static_cast<int32_t>(AllTests.size())) return nullptr;
  return &AllTests[static_cast<size_t>(index)];
}

void Document::ShowAllTests() {
  ShownTests.resize(AllTests.size());
  for (size_t i = 0; i < ShownTests.size(); ++i)
    ShownTests[i] = static_cast<int32_t>(i);
}

void Document::SetTests(std::vector<TTestsRecord> tests) {
  AllTests = std::move(tests);
  for (size_t i = 0; i < AllTests.size(); ++i)
    AllTests[i].RecordIndex = static_cast<int32_t>(i);
  ShowAllTests();
}

int Document::AddTestRecord() {
  const int index = static_cast<int>(AllTests.size());
  TTestsRecord& t = AllTests.emplace_back();
  t.Values.fill(NoValue);
  t.RecordIndex = index;
  return index;
}

bool Document::StoreTestValue(int index, int code, double value) {
  // Files may name any number: refuse what has no place in a record instead of writing past it.
  if (index < 0 || index >= static_cast<int>(AllTests.size())) return false;
  if (code < 1 || code > kMaxSignalCode) return false;
  TTestsRecord& t = AllTests[index];
  t.RecordIndex = index;
  t.SignalPresent[code] = 1;
  if (code <= kTestValueCount) t.Values[StoragePos(code)] = value;
  return true;
}

void Document::SizeSampleArrays(int block, int n) {
  if (block < 0 || block >= static_cast<int>(LoggerBlocks.size()) || n < 0) return;
  TLoggerRecord& b = LoggerBlocks[block];
  const int count = std::min(b.SignalCount, kLoggerSignals);
  for (int i = 0; i < count; ++i) {
    const int code = b.SignalCodes[i];
    if (code >= 1 && code <= kLoggerSignals) b.Samples[StoragePos(code)].resize(n, 0.0);
  }
}

bool Document::StoreSample(int block, int listPos, int k, double value) {
  if (block < 0 || block >= static_cast<int>(LoggerBlocks.size())) return false;
  if (listPos < 1 || listPos > kLoggerSignals) return false;
  TLoggerRecord& b = LoggerBlocks[block];
  const int code = b.SignalCodes[listPos - 1];
  if (code < 1 || code > kLoggerSignals) return false;
  std::vector<double>& samples = b.Samples[StoragePos(code)];
  // Samples beyond the sized arrays are dropped rather than growing a block past its count.
  if (k < 0 || k >= static_cast<int>(samples.size())) return false;
  samples[k] = value;
  return true;
}

const TLoggerRecord* Document::Current() const {
  if (CurrentBlock < 0 || CurrentBlock >= static_cast<int>(LoggerBlocks.size())) return nullptr;
  return &LoggerBlocks[CurrentBlock];
}

TLoggerRecord* Document::Current() {
  return const_cast<TLoggerRecord*>(std::as_const(*this).Current());
}

int LastSelectedBlock(const std::vector<TLoggerRecord>& blocks) {
  for (size_t i = blocks.size(); i-- > 0;) {
    if (blocks[i].Selected == 1) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace qv

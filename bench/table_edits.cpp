// Edit commands on the largest documents: Copy of a whole 4096 x 64 logging block (the text
// and its decoding for the clipboard), and Paste Row / Delete Row in a 5000-test document with
// the tree rebuilt and the tests sorted, as the workspace does after every row edit.
#include "LargeDocuments.h"
#include "app/TextCatalog.h"
#include "app/TextCodec.h"
#include "view/RowEdits.h"
#include "view/SelectionText.h"
#include "workspace/DocumentWorkspace.h"

#include <benchmark/benchmark.h>

namespace {

using namespace qv;

const TextCatalog& Texts() {
  static const TextCatalog texts;
  return texts;
}

void BM_CopyWholeBlock(benchmark::State& state) {
  static const Document doc = bench::LargeLogger();
  const CellContext ctx{Texts(), "SI", '.'};
  const TextCodec codec(kDefaultCodePage);
  size_t characters = 0;
  for (auto _ : state) {
    const Bytes text = SelectionText(doc, WholeTable(doc), ctx);
    const QString decoded = codec.Decode(text);
    characters = static_cast<size_t>(decoded.size());
    benchmark::DoNotOptimize(decoded);
  }
  state.counters["characters"] = static_cast<double>(characters);
}

// A workspace holding the 5000 tests as a download leaves them.
struct Workspace5000 {
  Workspace5000() : workspace(Texts()) {
    Document& doc = workspace.Doc();
    const Document large = bench::LargeResults();
    doc.SetTests(large.AllTests);
    doc.DocSignals = large.DocSignals;
    doc.ColumnSignals = large.ColumnSignals;
    doc.DocSignalCount = large.DocSignalCount;
    doc.ColumnCount = large.ColumnCount;
    workspace.TestsEdited();
  }
  DocumentWorkspace workspace;
};

// One paste of a copied row in the middle of the document, then the delete of the copy: each
// with the tree rebuilt. Reported per edit.
void BM_PasteAndDeleteRow(benchmark::State& state) {
  Workspace5000 w;
  Document& doc = w.workspace.Doc();
  TableState table;
  table.SelectedRow = 1;
  for (auto _ : state) {
    table.SelectedRecordIndex = doc.AllTests[2500].RecordIndex;
    CopyRow(table);
    if (!PasteRow(doc, table)) state.SkipWithError("paste refused");
    w.workspace.TestsEdited();
    int newest = 0;
    for (const TTestsRecord& t : doc.AllTests)
      newest = std::max(newest, t.RecordIndex);
    table.SelectedRecordIndex = newest;
    if (!DeleteRow(doc, table)) state.SkipWithError("delete refused");
    w.workspace.TestsEdited();
  }
  state.SetItemsProcessed(state.iterations() * 2);
  state.counters["tests"] = static_cast<double>(doc.TestCount());
}

BENCHMARK(BM_CopyWholeBlock)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PasteAndDeleteRow)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// Painting the owner-drawn table: the full viewport with a logging block of 4096 samples of
// all 64 logged signals and with a results node of 900 tests, once at the top and while
// scrolling from the top to the bottom a row at a time. "Paint" renders into an image (the
// raster engine the window's backing store uses); "Repaint" goes through the widget's own
// repaint of its viewport (with QT_QPA_PLATFORM=xcb under Xvfb it goes to an X server). The
// figure to read is per_frame, the processor time of one frame.
#include "app/LanguageChoice.h"
#include "common/AppContext.h"
#include "format/DateTimeText.h"
#include "store/SignalCatalog.h"
#include "view/ColumnShading.h"
#include "view/DrawTable.h"
#include "view/ResultsTree.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QWindow>

#include <memory>
#include <random>

namespace {

constexpr int kSamples = 4096;
constexpr int kTests = 900;
const QSize kViewport(1600, 1000);  // a maximised window on a 1920 x 1080 screen

// Values of each code inside its quantity's usual range, so that every pattern occurs.
double SampleValue(int code, std::mt19937& rng) {
  static const double kHigh[17] = {0,   35,   90, 25, 15,  2000, 1500, 300, 800,
                                   100, 1000, 40, 3,  100, 35,   3000, 100};
  std::uniform_real_distribution<double> d(0, kHigh[qv::QuantityOf(code)]);
  return static_cast<float>(d(rng));
}

struct Fixture {
  QTemporaryDir settings;
  std::unique_ptr<qv::AppContext> ctx;
  std::unique_ptr<qv::TDrawTable> table;
  int widestCaption = 0;

  Fixture() {
    qputenv("XDG_CONFIG_HOME", settings.path().toUtf8());
    ctx = std::make_unique<qv::AppContext>(
        qv::FindDataFolder(QCoreApplication::applicationDirPath().toStdString()),
        "QuorvantelBench");
    table = std::make_unique<qv::TDrawTable>(*ctx);
    const QFontMetrics m(table->font());
    for (int code = 1; code <= 36; ++code) {
      for (char letter : {'U', 'S'}) {
        qv::Bytes a, b;
        qv::GetSignalCaption(code, letter, ctx->Texts, a, b);
        widestCaption = std::max({widestCaption, m.horizontalAdvance(ctx->Decode(a)),
                                  m.horizontalAdvance(ctx->Decode(b))});
      }
    }
    table->resize(kViewport + QSize(table->frameWidth() * 2, table->frameWidth() * 2));
    // Shown, so that the viewport has its size, and exposed, so that it paints.
    table->show();
    for (int i = 0; i < 200 && !Exposed(); ++i)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }

  bool Exposed() const { return table->windowHandle() && table->windowHandle()->isExposed(); }

  void LoggingDocument() {
    qv::Document& doc = ctx->Doc;
    doc = qv::Document{};
    doc.Kind = qv::DocumentKind::Logging;
    qv::TLoggerRecord& b = doc.LoggerBlocks.emplace_back();
    b.UnitSystem = "SI";
    b.IntervalSec = 10;
    b.BeginTime = *qv::EncodeDateTime({2024, 3, 5, 8, 0, 0, 0});
    b.SampleCount = kSamples;
    for (int code = 1; code <= qv::kLoggerSignals; ++code) {
      b.SignalCodes[static_cast<size_t>(b.SignalCount++)] = code;
      b.SignalPresent[static_cast<size_t>(code)] = 1;
    }
    doc.SizeSampleArrays(0, kSamples);
    std::mt19937 rng(11);
    for (int pos = 1; pos <= b.SignalCount; ++pos) {
      for (int k = 0; k < kSamples; ++k)
        doc.StoreSample(0, pos, k, SampleValue(b.SignalCodes[pos - 1], rng));
    }
    qv::ComputeColumnShading(doc, table->State());
    table->ApplyLayout(*qv::LayoutLoggingTable(doc, table->Metrics(widestCaption), qv::Now()));
  }

  void ResultsDocument() {
    qv::Document& doc = ctx->Doc;
    doc = qv::Document{};
    doc.Kind = qv::DocumentKind::Results;
    std::mt19937 rng(5);
    for (int i = 0; i < kTests; ++i) {
      const int t = doc.AddTestRecord();
      qv::TTestsRecord& test = doc.AllTests[static_cast<size_t>(t)];
      test.UnitSystem = i % 3 ? "SI" : "US";
      test.BuildingNo = 1 + i / 100;
      test.RoomNo = 1 + i % 10;
      test.BuildingName = "Building " + std::to_string(test.BuildingNo);
      test.RoomName = "Room " + std::to_string(test.RoomNo);
      test.BeginTime = *qv::EncodeDateTime({2024, 3, 5, 8, 0, 0, 0}) + i / 96.0;
      test.EndTime = test.BeginTime + 1 / 288.0;
      for (int code = 1; code <= 36; ++code)
        doc.StoreTestValue(t, code, SampleValue(code, rng));
    }
    doc.DocSignalCount = 36;
    qv::ShowTreeNode(doc, table->State(), {0, 0, 0}, [this](const qv::Bytes& text) {
      return table->fontMetrics().horizontalAdvance(ctx->Decode(text));
    });
    table->ApplyLayout(*qv::LayoutResultsTable(doc, table->Metrics(widestCaption),
                                               table->State().WidestLocationText,
                                               ctx->Texts.Translate("Location_10"), qv::Now()));
  }
};

// Made at the first benchmark and destroyed before the application object, as widgets must.
std::unique_ptr<Fixture> g_fixture;

Fixture& Shared() {
  if (!g_fixture) g_fixture = std::make_unique<Fixture>();
  return *g_fixture;
}

void PaintFrame(Fixture& f, QImage& image) {
  QPainter p(&image);
  f.table->PaintCells(p, image.rect());
}

// One frame of the whole viewport at the top of the table.
void PaintTop(benchmark::State& state, bool logging) {
  Fixture& f = Shared();
  logging ? f.LoggingDocument() : f.ResultsDocument();
  QImage image(f.table->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    PaintFrame(f, image);
    benchmark::DoNotOptimize(image.constBits());
  }
  state.counters["per_frame"] =
      benchmark::Counter(static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Every scroll position from the first row to the last, one frame each.
void ScrollDown(benchmark::State& state, bool logging, bool repaint) {
  Fixture& f = Shared();
  logging ? f.LoggingDocument() : f.ResultsDocument();
  QImage image(f.table->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
  if (repaint && !f.Exposed()) {
    state.SkipWithError("the table window was never exposed");
    return;
  }
  const int last = f.table->Layout().RowCount - 1;
  int64_t frames = 0;
  for (auto _ : state) {
    for (int row = 1; row <= last; ++row) {
      f.table->ScrollToRow(row);
      if (f.table->TopRow() != row) break;  // the bottom is in sight
      if (repaint) {
        f.table->viewport()->repaint();
      } else {
        PaintFrame(f, image);
      }
      ++frames;
    }
    f.table->ScrollToRow(1);
  }
  state.counters["frames"] = static_cast<double>(frames) / static_cast<double>(state.iterations());
  state.counters["per_frame"] = benchmark::Counter(
      static_cast<double>(frames), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK_CAPTURE(PaintTop, logging_4096x64, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PaintTop, results_900, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ScrollDown, logging_4096x64_paint, true, false)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(ScrollDown, results_900_paint, false, false)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(ScrollDown, logging_4096x64_repaint, true, true)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(ScrollDown, results_900_repaint, false, true)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  g_fixture.reset();
  return 0;
}

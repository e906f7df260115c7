// The archive at the scale of years of surveys, with files written here by the application's
// own writer: 1000 files (500 of 10 tests, 500 of a logging block of 4000 samples: 5000
// tests and 2 M samples) added to a new archive; then 750 more logging files, 5 M samples in
// all, and queries for one room and one code. Each run prints its figures against the limits
// (adding under 60 s, a query under 200 ms, the database at most 1.5 times the files).
//   bench_archive [--benchmark_filter=...]   (files and databases in a temporary folder)
#include "archive/Archive.h"
#include "app/TextCatalog.h"
#include "files/ResultsFile.h"
#include "format/DateTimeText.h"
#include "store/SignalCatalog.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <random>

namespace {

using namespace qv;

constexpr int kTestFiles = 500;
constexpr int kTestsPerFile = 10;
constexpr int kLoggingFiles = 500;
constexpr int kMoreLoggingFiles = 750;
constexpr int kSamplesPerBlock = 500;  // time points; 8 codes each: 4000 samples a file
constexpr int kBuildings = 20;
constexpr int kRoomsPerBuilding = 10;

// Temperature, humidity, air velocity and CO2, four statistics each.
const std::vector<int> kTestCodes = {1, 2, 3, 4, 5, 6, 7, 8, 13, 14, 15, 16, 57, 58, 59, 60};
const std::vector<int> kLoggedCodes = {1, 2, 3, 4, 57, 58, 59, 60};

const TextCatalog& Texts() {
  static const TextCatalog texts;
  return texts;
}

Bytes Building(int i) {
  return "Building " + std::to_string(i % kBuildings + 1);
}

Bytes Room(int i) {
  return "Room " + std::to_string(i / kBuildings % kRoomsPerBuilding + 1);
}

// Readings that drift as a room's air does: a random walk in the steps the files print.
class Walk {
 public:
  explicit Walk(unsigned seed) : random_(seed) {}
  double Next(int code) {
    double& v = last_[code];
    std::uniform_int_distribution<int> step(-2, 2);
    switch (QuantityOf(code)) {
      case 15:  // CO2, whole ppm
        if (v == 0) v = 600;
        v = std::clamp(v + step(random_) * 3, 400.0, 3000.0);
        return v;
      case 4:  // air velocity, hundredths
        if (v == 0) v = 0.15;
        v = std::clamp(std::round((v + step(random_) * 0.01) * 100) / 100, 0.0, 2.0);
        return v;
      case 2:  // humidity, tenths
        if (v == 0) v = 45;
        v = std::clamp(std::round((v + step(random_) * 0.1) * 10) / 10, 10.0, 90.0);
        return v;
      default:  // temperatures, tenths
        if (v == 0) v = 21;
        v = std::clamp(std::round((v + step(random_) * 0.1) * 10) / 10, 5.0, 35.0);
        return v;
    }
  }

 private:
  std::mt19937 random_;
  std::map<int, double> last_;
};

// Settings block with the serial number: the archive tells instruments apart by it.
void Identify(Document& doc, int instrument) {
  using namespace std::string_literals;
  doc.InstrumentInfo.SettingsBlock =
      "QV-PRO 5\0"s
      "5025\0"s
      "Quorvantel Instruments\0"s
      "5.12\0"s
      "\0"s +
      std::to_string(24000000 + instrument) +
      "\0"s
      "3\0"s
      "1\0"s;
}

int64_t SaveDocument(const QString& path, Document& doc) {
  const Outcome saved = SaveResultsFile(path, doc, Texts());
  if (!saved.ok()) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    std::exit(1);
  }
  return QFileInfo(path).size();
}

// Visits of consecutive days from 2020 on; file i is visit i.
DateTime VisitDay(int i) {
  return *EncodeDateTime({2020, 1, 1, 9, 0, 0, 0}) + i;
}

int64_t WriteTestsFile(const QString& path, int i) {
  Document doc;
  Identify(doc, i % 3);
  doc.Kind = DocumentKind::Results;
  Walk walk(static_cast<unsigned>(i));
  for (int t = 0; t < kTestsPerFile; ++t) {
    const int index = doc.AddTestRecord();
    TTestsRecord& r = doc.AllTests[static_cast<size_t>(index)];
    const int place = i * kTestsPerFile + t;
    r.BuildingName = Building(place);
    r.RoomName = Room(place);
    r.BuildingNo = place % kBuildings + 1;
    r.RoomNo = place / kBuildings % kRoomsPerBuilding + 1;
    r.UnitSystem = "SI";
    r.BeginTime = VisitDay(i) + t / 96.0;
    r.EndTime = r.BeginTime + 1 / 288.0;
    r.Params.DuctShape = -1;
    r.Params.Altitude = r.Params.SideA = r.Params.SideB = r.Params.Radius = r.Params.MetabolicRate =
        r.Params.Clothing = -1;
    for (const int code : kTestCodes)
      doc.StoreTestValue(index, code, walk.Next(code));
  }
  for (const int code : kTestCodes) {
    ++doc.DocSignalCount;
    doc.DocSignals[doc.DocSignalCount] = doc.ColumnSignals[doc.DocSignalCount] = code;
  }
  doc.ColumnCount = doc.DocSignalCount;
  doc.ShowAllTests();
  return SaveDocument(path, doc);
}

int64_t WriteLoggingFile(const QString& path, int i) {
  Document doc;
  Identify(doc, i % 3);
  doc.Kind = DocumentKind::Logging;
  TLoggerRecord& b = doc.LoggerBlocks.emplace_back();
  b.BuildingName = Building(i * 7);
  b.RoomName = Room(i * 7);
  b.BeginTime = VisitDay(i);
  b.IntervalSec = 60;
  b.UnitSystem = "SI";
  b.SampleCount = kSamplesPerBlock;
  for (const int code : kLoggedCodes) {
    b.SignalCodes[static_cast<size_t>(b.SignalCount++)] = code;
    b.SignalPresent[static_cast<size_t>(code)] = 1;
  }
  doc.SizeSampleArrays(0, kSamplesPerBlock);
  Walk walk(static_cast<unsigned>(100000 + i));
  for (int s = 0; s < kSamplesPerBlock; ++s) {
    for (size_t k = 0; k < kLoggedCodes.size(); ++k)
      doc.StoreSample(0, static_cast<int>(k) + 1, s, walk.Next(kLoggedCodes[k]));
  }
  return SaveDocument(path, doc);
}

struct Corpus {
  QTemporaryDir dir;
  int64_t firstBytes = 0;  // the 1000 files
  int64_t allBytes = 0;    // with the 750 more
  QString First() const { return dir.filePath(QStringLiteral("first")); }
  QString More() const { return dir.filePath(QStringLiteral("more")); }
};

Corpus& Files() {
  static const std::unique_ptr<Corpus> corpus = [] {
    auto c = std::make_unique<Corpus>();
    QElapsedTimer timer;
    timer.start();
    QDir().mkpath(c->First());
    QDir().mkpath(c->More());
    for (int i = 0; i < kTestFiles; ++i) {
      c->firstBytes += WriteTestsFile(
          c->First() + QStringLiteral("/tests-%1.QVL").arg(i, 4, 10, QLatin1Char('0')), i);
    }
    for (int i = 0; i < kLoggingFiles; ++i) {
      c->firstBytes += WriteLoggingFile(
          c->First() + QStringLiteral("/logging-%1.QVL").arg(i, 4, 10, QLatin1Char('0')), i);
    }
    c->allBytes = c->firstBytes;
    for (int i = kLoggingFiles; i < kLoggingFiles + kMoreLoggingFiles; ++i) {
      c->allBytes += WriteLoggingFile(
          c->More() + QStringLiteral("/logging-%1.QVL").arg(i, 4, 10, QLatin1Char('0')), i);
    }
    std::fprintf(stderr, "files written in %.1f s: %d + %d, %.1f MB + %.1f MB\n",
                 timer.elapsed() / 1000.0, kTestFiles + kLoggingFiles, kMoreLoggingFiles,
                 c->firstBytes / 1e6, (c->allBytes - c->firstBytes) / 1e6);
    return c;
  }();
  return *corpus;
}

std::unique_ptr<Archive> OpenArchive(const QString& path) {
  Outcome outcome;
  std::unique_ptr<Archive> archive = Archive::Open(path, {}, &outcome);
  if (!archive) {
    std::fprintf(stderr, "%s\n", outcome.message.c_str());
    std::exit(1);
  }
  return archive;
}

// The database file once closed (the log checkpointed into it), with any log left beside it.
int64_t DatabaseBytes(const QString& path) {
  return QFileInfo(path).size() + QFileInfo(path + QStringLiteral("-wal")).size();
}

void BM_AddThousandFiles(benchmark::State& state) {
  Corpus& corpus = Files();
  ArchiveAddSummary summary;
  double seconds = 0;
  int64_t dbBytes = 0;
  for (auto _ : state) {
    QTemporaryDir dbDir;
    const QString path = dbDir.filePath(QStringLiteral("archive.sqlite"));
    QElapsedTimer timer;
    timer.start();
    {
      std::unique_ptr<Archive> archive = OpenArchive(path);
      summary = archive->AddFiles(Archive::CollectFiles({corpus.First()}, nullptr), Texts());
    }
    seconds = timer.elapsed() / 1000.0;
    dbBytes = DatabaseBytes(path);
    if (!summary.outcome.ok() || !summary.errors.empty()) {
      state.SkipWithError("adding failed");
      return;
    }
  }
  // Tests cost the database more per byte of file than logged samples: their ratio alone.
  {
    QTemporaryDir dbDir;
    const QString path = dbDir.filePath(QStringLiteral("tests.sqlite"));
    QStringList tests;
    int64_t testBytes = 0;
    for (const QString& f : Archive::CollectFiles({corpus.First()}, nullptr)) {
      if (!QFileInfo(f).fileName().startsWith(QLatin1String("tests-"))) continue;
      tests.append(f);
      testBytes += QFileInfo(f).size();
    }
    OpenArchive(path)->AddFiles(tests, Texts());
    std::fprintf(stderr, "the %lld test files alone: %.2f MB, database %.2f MB = %.2f x\n",
                 static_cast<long long>(tests.size()), testBytes / 1e6, DatabaseBytes(path) / 1e6,
                 static_cast<double>(DatabaseBytes(path)) / static_cast<double>(testBytes));
  }
  const double ratio = static_cast<double>(dbBytes) / static_cast<double>(corpus.firstBytes);
  state.counters["files"] = summary.addedFiles;
  state.counters["tests"] = summary.tests;
  state.counters["samples"] = static_cast<double>(summary.samples);
  state.counters["files_MB"] = corpus.firstBytes / 1e6;
  state.counters["db_MB"] = dbBytes / 1e6;
  state.counters["db_per_file_bytes"] = ratio;
  std::fprintf(stderr,
               "add: %d files (%d tests, %lld samples, %.1f MB) in %.1f s (limit 60 s); "
               "database %.2f MB = %.2f x the files (limit 1.5)\n",
               summary.addedFiles, summary.tests, static_cast<long long>(summary.samples),
               corpus.firstBytes / 1e6, seconds, dbBytes / 1e6, ratio);
}
BENCHMARK(BM_AddThousandFiles)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The archive of all 1750 files, made once.
struct Full {
  QTemporaryDir dir;
  QString path;
  int64_t samples = 0;
  int64_t bytes = 0;
};

Full& FullArchive() {
  static const std::unique_ptr<Full> full = [] {
    auto f = std::make_unique<Full>();
    Corpus& corpus = Files();
    f->path = f->dir.filePath(QStringLiteral("archive.sqlite"));
    QElapsedTimer timer;
    timer.start();
    {
      std::unique_ptr<Archive> archive = OpenArchive(f->path);
      for (const QString& folder : {corpus.First(), corpus.More()}) {
        const ArchiveAddSummary s =
            archive->AddFiles(Archive::CollectFiles({folder}, nullptr), Texts());
        f->samples += s.samples;
      }
    }
    f->bytes = DatabaseBytes(f->path);
    std::fprintf(stderr, "archive of %lld samples: added in %.1f s, %.2f MB = %.2f x the files\n",
                 static_cast<long long>(f->samples), timer.elapsed() / 1000.0, f->bytes / 1e6,
                 static_cast<double>(f->bytes) / static_cast<double>(corpus.allBytes));
    return f;
  }();
  return *full;
}

// One room and one code: the archive opened, the rows counted. A different room each time, so
// that SQLite's page cache and ours start cold for that room's records.
void BM_QueryRoomAndCode(benchmark::State& state) {
  Full& full = FullArchive();
  std::unique_ptr<Archive> archive = OpenArchive(full.path);
  int64_t rows = 0;
  int64_t queries = 0;
  double slowest = 0;
  int place = 0;
  for (auto _ : state) {
    ArchiveFilter filter;
    filter.building = Building(place);
    filter.room = Room(place);
    filter.code = state.range(0);
    place = (place + 37) % (kBuildings * kRoomsPerBuilding);
    QElapsedTimer timer;
    timer.start();
    const Outcome o = archive->Query(filter, [&](const ArchiveRow&) {
      ++rows;
      return true;
    });
    slowest = std::max(slowest, timer.nsecsElapsed() / 1e6);
    ++queries;
    if (!o.ok()) state.SkipWithError(o.message.c_str());
  }
  state.counters["rows_per_query"] = static_cast<double>(rows) / static_cast<double>(queries);
  state.counters["stored_samples"] = static_cast<double>(full.samples);
  state.counters["slowest_ms"] = slowest;
  std::fprintf(stderr,
               "query room + code %d over %lld stored samples: %.0f rows a query, slowest "
               "%.1f ms (limit 200 ms)\n",
               static_cast<int>(state.range(0)), static_cast<long long>(full.samples),
               static_cast<double>(rows) / static_cast<double>(queries), slowest);
}
BENCHMARK(BM_QueryRoomAndCode)->Arg(1)->Arg(57)->Unit(benchmark::kMillisecond)->UseRealTime();

// For comparison: one code in every room, every matching block decoded.
void BM_QueryCodeEverywhere(benchmark::State& state) {
  Full& full = FullArchive();
  std::unique_ptr<Archive> archive = OpenArchive(full.path);
  int64_t rows = 0;
  for (auto _ : state) {
    rows = 0;
    ArchiveFilter filter;
    filter.code = 57;
    const Outcome o = archive->Query(filter, [&](const ArchiveRow&) {
      ++rows;
      return true;
    });
    if (!o.ok()) state.SkipWithError(o.message.c_str());
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_QueryCodeEverywhere)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  // Qt SQL finds its SQLite driver through the application's plugin paths.
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

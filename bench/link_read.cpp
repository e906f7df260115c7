// Reading a whole 4096-page logging memory from the instrument emulator over a
// pseudo-terminal, one page request after the other as a download does.
//
//   no pacing      us_per_page: what the host adds to each page exchange (there is no wire)
//   57600 baud     ratio: measured time / wire time, wire time = bytes x 10 / baud with the
//                  bytes of both directions per page (7 command + 7 ack + 2 address + 264 page)
#include "../tests/core/link/EmulatorProcess.h"
#include "app/TextCatalog.h"
#include "download/DownloadEngine.h"
#include "link/Link.h"
#include "link/LinkTrace.h"
#include "memimage/MemoryImage.h"

#include <QCoreApplication>
#include <QThread>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>

namespace {

namespace fs = std::filesystem;

constexpr int kPages = 4096;
constexpr double kBytesPerPage = 7 + 7 + 2 + 264;

class QuietHost : public qv::LinkHost {};

fs::path ProgramFolder() {
  return fs::read_symlink("/proc/self/exe").parent_path();
}

// A logging memory of one block of kPages samples of three quantities.
std::string MemoryFile() {
  static const std::string path = [] {
    const fs::path file =
        fs::temp_directory_path() / ("qv-bench-memory-" + std::to_string(getpid()) + ".json");
    std::ofstream(file) << R"({"logging": [{"interval": 10, "start": "2024-03-06 00:00:00",
      "quantities": ["AirTemp", "RelHum", "CO2"],
      "generate": {"count": )"
                        << kPages << R"(,
        "AirTemp": {"base": 21.5, "amplitude": 1.2, "spread": 0.2},
        "RelHum": {"base": 45, "amplitude": 5, "spread": 1},
        "CO2": {"base": 600, "amplitude": 150, "spread": 20}}}]})";
    return file.string();
  }();
  return path;
}

void ReadAllPages(benchmark::State& state) {
  const int baud = static_cast<int>(state.range(0));
  std::string error;
  const auto image = qv::emu::LoadMemoryFile(MemoryFile(), &error);
  if (!image || image->pages.size() != kPages) {
    state.SkipWithError(("memory: " + error).c_str());
    return;
  }
  qv::test::EmulatorProcess emulator;
  std::vector<std::string> args = {"--memory", MemoryFile()};
  if (baud > 0) args.insert(args.end(), {"--baud", std::to_string(baud)});
  if (!emulator.Start((ProgramFolder() / "quorvantel-emulator").string(), args, &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  QuietHost host;
  qv::Link link(host, qv::NoFtdi());
  link.SetSerialPort(emulator.Device(), baud > 0 ? baud : 57600);
  if (!link.Connect()) {
    state.SkipWithError("no connection to the emulator");
    return;
  }

  double seconds = 0;
  int64_t pages = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    for (const auto& entry : image->pages) {
      if (const qv::LinkOutcome got = link.RequestPage(static_cast<uint32_t>(entry.first)); !got) {
        const std::string why = got.notice.key ? got.notice.key + got.notice.suffix : "cancelled";
        state.SkipWithError(("page " + std::to_string(entry.first) + ": " + why).c_str());
        return;
      }
      benchmark::DoNotOptimize(link.Buffer().Data());
    }
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    pages += kPages;
  }
  link.CloseLink();

  state.counters["us_per_page"] = seconds / static_cast<double>(pages) * 1e6;
  if (baud > 0) {
    const double wire = static_cast<double>(pages) * kBytesPerPage * 10.0 / baud;
    state.counters["wire_s"] = wire;
    state.counters["ratio"] = seconds / wire;
  }
}

// 0 = no pacing. A paced pass lasts over three minutes: one iteration.
BENCHMARK(ReadAllPages)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(ReadAllPages)->Arg(57600)->Unit(benchmark::kSecond)->Iterations(1);

// The engine's questions answered at once: the logging memory, every block.
class AnsweringHost : public qv::DownloadHost {
 public:
  bool Ask(std::string_view) override { return false; }
  bool SaveAs() override { return false; }
  void Message(qv::MessageIcon, const qv::Bytes&) override {}
  bool ChooseBlockToShow(std::vector<qv::TLoggerRecord>&) override { return false; }
  std::optional<qv::MemoryChoice> ChooseMemory() override { return qv::MemoryChoice::Logging; }
  bool ChooseBlocksToDownload(std::vector<qv::TLoggerRecord>& blocks) override {
    for (qv::TLoggerRecord& b : blocks)
      b.Selected = 1;
    return true;
  }
  void Progress(int percent) override { benchmark::DoNotOptimize(percent); }
};

// A whole logging download of the 4096 pages at 57600 baud as the application runs it: the
// engine on a worker thread of its own (connect, identify, settings, directory, every page with
// its byte sum and decoding), measured against the time all its bytes take on the wire. The
// pauses that let a person see the transfer box are left out.
void DownloadOnAWorker(benchmark::State& state) {
  constexpr int kBaud = 57600;
  std::string error;
  qv::test::EmulatorProcess emulator;
  if (!emulator.Start((ProgramFolder() / "quorvantel-emulator").string(),
                      {"--memory", MemoryFile(), "--baud", std::to_string(kBaud)}, &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  const qv::TextCatalog texts = qv::TextCatalog::FromBytes("[Language]\n");
  AnsweringHost host;
  qv::Link link(host, qv::NoFtdi());
  link.SetSerialPort(emulator.Device(), kBaud);
  // Every byte each way counts towards the wire time, the directory's too (32 KB here).
  int64_t bytes = 0;
  qv::LinkTrace trace;
  trace.StreamTo([&bytes](std::string_view text) {
    for (size_t at = 0; at < text.size();) {
      size_t end = text.find('\n', at);
      if (end == std::string_view::npos) end = text.size();
      const std::string_view line = text.substr(at, end - at);
      const size_t way = line.find_first_of("H<");
      if (way != std::string_view::npos &&
          (line.substr(way, 2) == "H>" || line.substr(way, 2) == "<I")) {
        const size_t bar = line.find('|', way);
        std::string_view hex =
            line.substr(way + 2, bar == std::string_view::npos ? line.npos : bar - way - 2);
        for (size_t i = 0; i + 1 < hex.size(); ++i)
          if (hex[i] != ' ' && hex[i + 1] != ' ' && (i == 0 || hex[i - 1] == ' ')) ++bytes;
      }
      at = end + 1;
    }
  });
  link.SetTrace(&trace);
  qv::DownloadEngine engine(link, host, texts);
  engine.SetPauses({{}, {}, {}});
  double seconds = 0;
  for (auto _ : state) {
    trace.Start();
    qv::Document doc;
    qv::DownloadResult result;
    const auto start = std::chrono::steady_clock::now();
    std::unique_ptr<QThread> worker(QThread::create([&] { result = engine.Run(doc); }));
    worker->start();
    worker->wait();
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!result.ok() || doc.LoggerBlocks.empty() || doc.LoggerBlocks[0].SampleCount != kPages) {
      state.SkipWithError("the download did not complete");
      return;
    }
  }
  trace.Flush();
  const double wire = static_cast<double>(bytes) * 10.0 / kBaud;
  state.counters["bytes"] = static_cast<double>(bytes);
  state.counters["wire_s"] = wire;
  state.counters["ratio"] = seconds / wire;
}
BENCHMARK(DownloadOnAWorker)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  // QSerialPort's device notifiers want an application object, as in the programs.
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  fs::remove(MemoryFile(), ec);
  return 0;
}

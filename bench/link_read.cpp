// Reading a whole 4096-page logging memory from the instrument emulator over a
// pseudo-terminal, one page request after the other as a download does.
//
//   no pacing      us_per_page: what the host adds to each page exchange (there is no wire)
//   57600 baud     ratio: measured time / wire time, wire time = bytes x 10 / baud with the
//                  bytes of both directions per page (7 command + 7 ack + 2 address + 264 page)
#include "../tests/core/link/EmulatorProcess.h"
#include "app/TextCatalog.h"
#include "link/Link.h"
#include "memimage/MemoryImage.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

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

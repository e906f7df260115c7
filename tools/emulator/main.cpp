// quorvantel-emulator: an indoor-climate instrument on a pseudo-terminal. Prints the device
// path on its first line of output, then answers the command protocol from a memory image
// until SIGTERM or SIGINT.
#include "Pty.h"
#include "QvVersion.h"
#include "memimage/Instrument.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <string>
#include <vector>

using namespace qv::emu;
using Clock = std::chrono::steady_clock;

namespace {

constexpr const char* kUsage = R"(Usage: quorvantel-emulator [options]

Serves an instrument memory on a new pseudo-terminal. The first line of output is the path of
the device to open (for example /dev/pts/5); the program then answers ":MRD", ":SE:R", ":MEM:R"
and ":MEM:D" until it receives SIGTERM or SIGINT. Hosts may open and close the device any
number of times.

Options:
  --memory FILE        memory to serve: a JSON description or a binary image (see README.md);
                       without it the memory is empty (identification and settings only)
  --baud RATE          pace the traffic like a serial line of RATE baud, 10 bits a byte, in
                       both directions; 0 (the default) sends at once
  --no-answer          never answer anything
  --id TEXT            answer ":MRD" with TEXT instead of "SER" (e.g. --id SEX)
  --bad-checksum LIST  send these pages (comma list of addresses) with a corrupt checksum
  --bad-checksum-once LIST
                       send these pages with a corrupt checksum the first time only; asked
                       again, they arrive intact (damage on the wire)
  --drop-ack-once      leave the first command that expects an acknowledgement unanswered once
  --stall-at PAGE      acknowledge a request for page PAGE, then stop answering for good
  --mute-after N       send N pages, then answer nothing at all (not even acknowledgements)
  --log FILE           write a hex log of the traffic to FILE ("-" for standard error)
  --dump-image FILE    write the memory as a binary image to FILE and exit
  --help               show this text
  --version            show the version
)";

volatile sig_atomic_t gStop = 0;
void OnSignal(int) {
  gStop = 1;
}

[[noreturn]] void Die(const std::string& text) {
  std::fprintf(stderr, "quorvantel-emulator: %s\n", text.c_str());
  std::exit(2);
}

int ParseInt(const std::string& text, const char* option, long lo, long hi) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || v < lo || v > hi)
    Die(std::string(option) + ": expected a whole number " + std::to_string(lo) + ".." +
        std::to_string(hi) + ", got \"" + text + "\"");
  return static_cast<int>(v);
}

// "3,7": page addresses.
std::vector<int> ParseList(const std::string& list, const char* option) {
  std::vector<int> pages;
  size_t at = 0;
  while (at <= list.size()) {
    const size_t comma = std::min(list.find(',', at), list.size());
    pages.push_back(ParseInt(list.substr(at, comma - at), option, 0, 0xFFFF));
    at = comma + 1;
  }
  return pages;
}

struct Options {
  std::string memory;
  long baud = 0;
  InstrumentFaults faults;
  std::string log;
  std::string dump;
};

Options ParseOptions(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) Die(arg + " needs a value");
      return argv[++i];
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else if (arg == "--version") {
      std::printf("quorvantel-emulator %s\n", qv::kProjectVersion);
      std::exit(0);
    } else if (arg == "--memory") {
      o.memory = value();
    } else if (arg == "--baud") {
      o.baud = ParseInt(value(), "--baud", 0, 100000000);
    } else if (arg == "--no-answer") {
      o.faults.noAnswer = true;
    } else if (arg == "--id") {
      o.faults.identReply = value();
    } else if (arg == "--bad-checksum") {
      for (const int page : ParseList(value(), "--bad-checksum"))
        o.faults.badChecksumPages.insert(page);
    } else if (arg == "--bad-checksum-once") {
      for (const int page : ParseList(value(), "--bad-checksum-once"))
        o.faults.badChecksumOnce.insert(page);
    } else if (arg == "--drop-ack-once") {
      o.faults.dropAckOnce = true;
    } else if (arg == "--stall-at") {
      o.faults.stallAtPage = ParseInt(value(), "--stall-at", 0, 0xFFFF);
    } else if (arg == "--mute-after") {
      o.faults.muteAfterPages = ParseInt(value(), "--mute-after", 0, 0xFFFF);
    } else if (arg == "--log") {
      o.log = value();
    } else if (arg == "--dump-image") {
      o.dump = value();
    } else {
      Die("unknown option " + arg + " (see --help)");
    }
  }
  return o;
}

timespec ToTimespec(Clock::duration d) {
  if (d < Clock::duration::zero()) d = Clock::duration::zero();
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
  return timespec{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
}

}  // namespace

int main(int argc, char** argv) {
  const Options opt = ParseOptions(argc, argv);

  MemoryImage image;
  std::string error;
  if (!opt.memory.empty()) {
    auto loaded = LoadMemoryFile(opt.memory, &error);
    if (!loaded) Die(error);
    image = std::move(*loaded);
  } else {
    image = *BuildImage(MemoryModel{}, &error);
  }
  if (!opt.dump.empty()) {
    const ByteVec bytes = SaveBinaryImage(image);
    std::ofstream out(opt.dump, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) Die("cannot write " + opt.dump);
    return 0;
  }

  FILE* log = nullptr;
  if (opt.log == "-") {
    log = stderr;
  } else if (!opt.log.empty()) {
    log = std::fopen(opt.log.c_str(), "w");
    if (!log) Die("cannot write " + opt.log + ": " + std::strerror(errno));
  }

  // The stop signals stay blocked except inside ppoll, so none can slip in between the check
  // of the flag and the wait.
  sigset_t blocked, waitMask;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGINT);
  sigaddset(&blocked, SIGTERM);
  sigaddset(&blocked, SIGHUP);
  sigprocmask(SIG_BLOCK, &blocked, &waitMask);
  sigdelset(&waitMask, SIGINT);
  sigdelset(&waitMask, SIGTERM);
  sigdelset(&waitMask, SIGHUP);
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  PseudoTerminal pty;
  if (!pty.Open(&error)) Die(error);
  std::printf("%s\n", pty.SlavePath().c_str());
  std::fflush(stdout);

  const Clock::time_point started = Clock::now();
  Instrument instrument(std::move(image), opt.faults);
  Clock::time_point feedTime = started;
  if (log) {
    instrument.onTraffic = [&](bool fromHost, const uint8_t* data, size_t n) {
      const double ms = std::chrono::duration<double, std::milli>(feedTime - started).count();
      std::fputs(FormatTraffic(ms, fromHost, data, n).c_str(), log);
      std::fflush(log);
    };
  }

  // Pacing: a byte is handed to the host only when its last bit would have arrived on a line
  // of the chosen rate, and host bytes count as received only when theirs would have. Both
  // directions keep their own clock, as on a full-duplex line; times are absolute, so waking
  // late never stretches the line.
  const bool paced = opt.baud > 0;
  const Clock::duration byteTime =
      paced ? std::chrono::duration_cast<Clock::duration>(
                  std::chrono::nanoseconds(static_cast<int64_t>(10'000'000'000LL / opt.baud)))
            : Clock::duration::zero();
  // Bytes go out in batches of about 5 ms, the last byte of a reply exactly when due: the host
  // still sees a reply trickle in, with few enough wake-ups on both sides that a busy machine
  // does not stretch the line (1 ms batches measured 5-8 % slower under load).
  const int64_t batch = paced ? std::max<int64_t>(1, std::chrono::milliseconds(5) / byteTime) : 0;

  struct Inbound {
    ByteVec bytes;
    Clock::time_point due;
  };
  std::deque<Inbound> inbound;
  Clock::time_point inClock{}, outStart{};
  ByteVec out;
  size_t outHead = 0;
  bool waitWritable = false;

  while (!gStop) {
    Clock::time_point now = Clock::now();
    while (!inbound.empty() && inbound.front().due <= now) {
      feedTime = inbound.front().due;
      const ByteVec& in = inbound.front().bytes;
      const ByteVec reply = instrument.Feed(in.data(), in.size(), feedTime);
      if (!reply.empty()) {
        if (outHead == out.size()) {
          out.clear();
          outHead = 0;
          outStart = std::max(outStart, feedTime);
        }
        out.insert(out.end(), reply.begin(), reply.end());
      }
      inbound.pop_front();
    }

    size_t pending = out.size() - outHead;
    if (pending && !waitWritable) {
      size_t due = pending;
      if (paced) due = std::min<size_t>(pending, std::max<int64_t>(0, (now - outStart) / byteTime));
      if (due) {
        const ssize_t w = write(pty.Master(), out.data() + outHead, due);
        if (w > 0) {
          outHead += static_cast<size_t>(w);
          outStart += byteTime * w;
          pending -= static_cast<size_t>(w);
        } else if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
          waitWritable = true;
        }
      }
    }

    std::optional<Clock::time_point> wake;
    if (!inbound.empty()) wake = inbound.front().due;
    if (pending && !waitWritable) {
      const Clock::time_point next =
          paced ? outStart + byteTime * std::min<int64_t>(static_cast<int64_t>(pending), batch)
                : now;
      wake = wake ? std::min(*wake, next) : next;
    }

    pollfd fds[2] = {{pty.Master(), static_cast<short>(POLLIN | (waitWritable ? POLLOUT : 0)), 0},
                     {pty.WatchFd(), POLLIN, 0}};
    const nfds_t nfds = pty.WatchFd() >= 0 ? 2 : 1;
    timespec timeout{};
    if (wake) timeout = ToTimespec(*wake - Clock::now());
    const int ready = ppoll(fds, nfds, wake ? &timeout : nullptr, &waitMask);
    if (ready < 0) {
      if (errno == EINTR) continue;
      Die(std::string("poll: ") + std::strerror(errno));
    }
    if (nfds == 2 && (fds[1].revents & POLLIN) && pty.HostEvents()) {
      // A host closed the device: what it did not read is lost, as on a real line, and the
      // next host starts with a clean exchange. Handled before reading, because bytes already
      // waiting may come from the next host.
      out.clear();
      outHead = 0;
      waitWritable = false;
      instrument.ResetLine();
      pty.DiscardUnread();
      pty.ReleaseExclusive();
    }
    if (fds[0].revents & POLLOUT) waitWritable = false;
    if (fds[0].revents & POLLIN) {
      uint8_t buf[4096];
      const ssize_t n = read(pty.Master(), buf, sizeof buf);
      if (n > 0) {
        const Clock::time_point t = Clock::now();
        Clock::time_point due = t;
        if (paced) due = inClock = std::max(inClock, t) + byteTime * n;
        inbound.push_back({ByteVec(buf, buf + n), due});
      }
    } else if (fds[0].revents & (POLLHUP | POLLERR)) {
      // Only without our own slave descriptor: no host; look again shortly.
      timespec pause{0, 10'000'000};
      nanosleep(&pause, nullptr);
    }
  }
  if (log && log != stderr) std::fclose(log);
  return 0;
}

// Shared pieces of the download tests: the instrument's state machine serving a memory on a
// real pseudo-terminal, a serial transport that counts opens and closes, and a host whose
// answers a test scripts and which records what a person would see.
#pragma once

#include "support/ScriptedHost.h"
#include "support/ShortTimings.h"

#include "app/TextCatalog.h"
#include "download/DownloadHost.h"
#include "link/Link.h"
#include "link/SerialTransport.h"
#include "memimage/Instrument.h"
#include "memimage/MemoryImage.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qv::test {

using namespace std::chrono_literals;

// An instrument on a pseudo-terminal, served by a thread of the test process.
class PtyInstrument {
 public:
  PtyInstrument() = default;
  PtyInstrument(const PtyInstrument&) = delete;
  PtyInstrument& operator=(const PtyInstrument&) = delete;
  ~PtyInstrument() { Stop(); }

  bool Start(emu::MemoryImage image, emu::InstrumentFaults faults = {}) {
    stop_ = false;
    instrument_ = std::make_unique<emu::Instrument>(std::move(image), faults);
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return false;
    const char* name = ptsname(master_);
    if (name == nullptr) return false;
    device_ = name;
    // Our own slave descriptor keeps the master readable between hosts; raw mode means no
    // echo of our replies back to us.
    slave_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0 || !MakeRaw(slave_) || !MakeRaw(master_)) return false;
    thread_ = std::thread([this] { Serve(); });
    return true;
  }

  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (slave_ >= 0) close(slave_);
    if (master_ >= 0) close(master_);
    slave_ = master_ = -1;
  }

  const std::string& Device() const { return device_; }
  int PagesSent() {
    std::lock_guard<std::mutex> lock(mutex_);
    return instrument_ ? instrument_->PagesSent() : 0;
  }

 private:
  static bool MakeRaw(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) return false;
    cfmakeraw(&t);
    return tcsetattr(fd, TCSANOW, &t) == 0;
  }

  void Serve() {
    uint8_t buf[512];
    while (!stop_) {
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, 20) <= 0 || (p.revents & POLLIN) == 0) continue;
      const ssize_t n = read(master_, buf, sizeof buf);
      if (n <= 0) continue;
      emu::ByteVec reply;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        reply = instrument_->Feed(buf, static_cast<size_t>(n));
      }
      size_t done = 0;
      while (done < reply.size() && !stop_) {
        const ssize_t w = write(master_, reply.data() + done, reply.size() - done);
        if (w > 0) done += static_cast<size_t>(w);
      }
    }
  }

  std::unique_ptr<emu::Instrument> instrument_;
  std::mutex mutex_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  int master_ = -1;
  int slave_ = -1;
  std::string device_;
};

// The RS-232 transport, counting how often the link opened and closed it.
class CountingTransport : public ByteTransport {
 public:
  CountingTransport(std::string device, int32_t baud) : port_(std::move(device), baud) {}
  OpenResult Open() override {
    const OpenResult r = port_.Open();
    if (r.ok) ++opens;
    return r;
  }
  void Close() override {
    if (port_.IsOpen()) ++closes;
    port_.Close();
  }
  bool IsOpen() const override { return port_.IsOpen(); }
  size_t Write(const uint8_t* data, size_t n) override { return port_.Write(data, n); }
  size_t Read(uint8_t* buf, size_t n, LinkClock::time_point deadline) override {
    return port_.Read(buf, n, deadline);
  }
  size_t BytesWaiting() override { return port_.BytesWaiting(); }
  void PurgeInput() override { port_.PurgeInput(); }

  int opens = 0;
  int closes = 0;

 private:
  SerialTransport port_;
};

inline TextCatalog DownloadTexts() {
  return TextCatalog::FromBytes(
      "[Language]\n"
      "msgNotAvailPort_35=Port not available\n"
      "Connecting_35=Connecting\n"
      "msgConnectError_35=No instrument\n"
      "msgCommunFail_35=Communication failed\n"
      "msgNoDataToDownL_35=No data to download\n"
      "msgDataCorrupt_35=Data corrupt\n"
      "msgNoDataToShow_35=No data to show\n"
      "msgCorupLogers_50=Corrupt logging pages\n"
      "DLoadData_35=Downloading\n");
}

}  // namespace qv::test

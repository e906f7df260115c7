#include "link/UsbBridge.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace qv {

UsbBridge::UsbBridge(const FtdiApi& api) : api_(api) {}

UsbBridge::~UsbBridge() {
  if (open_) UsbRelease();
  if (ctx_ != nullptr) api_.Free(ctx_);
}

FtdiContext* UsbBridge::Context() {
  if (ctx_ == nullptr && api_.loaded) ctx_ = api_.New();
  return ctx_;
}

void UsbBridge::SetDescription(std::string_view description) {
  description_ = std::string(description.substr(0, kUsbDescriptionMax));
}

int UsbBridge::UsbProbe() {
  if (!api_.loaded) return kUsbNoLibrary;
  FtdiContext* ctx = Context();
  if (ctx == nullptr) return kUsbNoLibrary;
  FtdiDeviceList* list = nullptr;
  const int found = api_.FindAll(ctx, &list, 0, 0);
  if (list != nullptr) api_.ListFree(&list);
  if (found > 0) return kUsbOk;
  return found == 0 ? kUsbDeviceNotFound : kUsbIoError;
}

int UsbBridge::UsbOpen(std::string_view description) {
  if (!api_.loaded) return kUsbNoLibrary;
  FtdiContext* ctx = Context();
  if (ctx == nullptr) return kUsbNoLibrary;
  if (open_) UsbClose();
  const std::string cut(description.substr(0, kUsbDescriptionMax));
  int status = kUsbDeviceNotFound;
  for (int product : kUsbProducts) {
    const int r = api_.OpenByDescription(ctx, kUsbVendor, product, cut.c_str(), nullptr);
    if (r == 0) {
      open_ = true;
      description_ = cut;
      pending_.clear();
      return kUsbOk;
    }
    // -3: no such device with these ids; anything else found one but could not open it.
    if (r != -3) status = kUsbDeviceNotOpened;
  }
  return status;
}

int UsbBridge::UsbClose() {
  if (!api_.loaded) return kUsbNoLibrary;
  if (!open_) return kUsbInvalidHandle;
  open_ = false;
  pending_.clear();
  return api_.Close(ctx_) == 0 ? kUsbOk : kUsbIoError;
}

int UsbBridge::UsbSetup() {
  if (!api_.loaded) return kUsbNoLibrary;
  if (!open_) return kUsbInvalidHandle;
  api_.SetBitMode(ctx_, kUsbPinsInUse, kUsbBitModeCbus);
  api_.SetBaudRate(ctx_, kUsbBaudRate);
  api_.SetLineProperty(ctx_, 8, 0, 0);
  api_.SetFlowControl(ctx_, 0);
  api_.SetTimeouts(ctx_, kUsbTimeoutMs, kUsbTimeoutMs);
  api_.SetLatencyTimer(ctx_, kUsbLatencyMs);
  return kUsbOk;
}

int UsbBridge::UsbRelease() {
  if (!api_.loaded) return kUsbNoLibrary;
  if (!open_) return kUsbInvalidHandle;
  api_.SetBitMode(ctx_, kUsbPinsReleased, kUsbBitModeCbus);
  return UsbClose();
}

int UsbBridge::UsbWrite(const uint8_t* data, size_t n) {
  if (!api_.loaded) return -kUsbNoLibrary;
  if (!open_) return -kUsbInvalidHandle;
  const int r = api_.WriteData(ctx_, data, static_cast<int>(n));
  return r < 0 ? -kUsbIoError : r;
}

int UsbBridge::UsbRead(uint8_t* buf, size_t n, LinkClock::time_point deadline) {
  if (!api_.loaded) return -kUsbNoLibrary;
  if (!open_) return -kUsbInvalidHandle;
  size_t got = std::min(n, pending_.size());
  std::memcpy(buf, pending_.data(), got);
  pending_.erase(0, got);
  while (got < n) {
    // The library waits on the bridge for at most its latency timer (2 ms) per call.
    const int r = api_.ReadData(ctx_, buf + got, static_cast<int>(n - got));
    if (r < 0) break;
    got += static_cast<size_t>(r);
    if (got >= n || LinkClock::now() >= deadline) break;
    if (r == 0) {
      // A bridge that answered at once with nothing: do not spin on it.
      std::this_thread::sleep_for(
          std::min<LinkClock::duration>(std::chrono::milliseconds(1), deadline - LinkClock::now()));
    }
  }
  return static_cast<int>(got);
}

OpenResult UsbBridge::Open() {
  if (description_.empty()) return {};
  if (UsbOpen(description_) != kUsbOk) return {};
  UsbSetup();
  return {true, {}};
}

void UsbBridge::Close() {
  if (open_) UsbRelease();
}

size_t UsbBridge::Write(const uint8_t* data, size_t n) {
  const int r = UsbWrite(data, n);
  return r < 0 ? 0 : static_cast<size_t>(r);
}

size_t UsbBridge::Read(uint8_t* buf, size_t n, LinkClock::time_point deadline) {
  const int r = UsbRead(buf, n, deadline);
  return r < 0 ? 0 : static_cast<size_t>(r);
}

size_t UsbBridge::BytesWaiting() {
  if (!open_) return 0;
  unsigned char chunk[512];
  const int r = api_.ReadData(ctx_, chunk, sizeof chunk);
  if (r > 0) pending_.append(reinterpret_cast<const char*>(chunk), static_cast<size_t>(r));
  return pending_.size();
}

void UsbBridge::PurgeInput() {
  pending_.clear();
  if (open_) api_.PurgeInput(ctx_);
}

}  // namespace qv

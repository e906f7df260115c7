#include "link/UsbBridge.h"

#include <algorithm>
#include <cstring>

namespace qv {

UsbBridge::UsbBridge(const FtdiApi& api, Clock& clock) : api_(api), clock_(clock) {}

UsbBridge::~UsbBridge() {
  if (open_) UsbRelease();
  if (ctx_ != nullptr) api_.Free(ctx_);
}

FtdiContext* UsbBridge::Context() {
  if (ctx_ == nullptr && api_.loaded) {
    ctx_ = api_.New();
    // Opening the bridge takes ttyUSB from the kernel; it must come back when the link is done.
    if (ctx_ != nullptr && api_.SetModuleDetachMode != nullptr) {
      api_.SetModuleDetachMode(ctx_, kFtdiDetachAndReattach);
    }
  }
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
  openError_.clear();
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
    if (r != -3) {
      status = kUsbDeviceNotOpened;
      if (api_.ErrorString != nullptr && api_.ErrorString(ctx) != nullptr) {
        openError_ = api_.ErrorString(ctx);
      }
    }
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

int UsbBridge::UsbRead(uint8_t* buf, size_t n, Clock::TimePoint deadline) {
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
    if (got >= n || clock_.Now() >= deadline) break;
    if (r == 0) {
      // A bridge that answered at once with nothing (the library has no wait for bytes): do not
      // spin on it.
      CancelFlag never;
      clock_.WaitUntil(std::min(deadline, clock_.Now() + std::chrono::milliseconds(1)), never);
    }
  }
  return static_cast<int>(got);
}

OpenResult UsbBridge::Open() {
  if (description_.empty()) return {};
  const int status = UsbOpen(description_);
  if (status == kUsbOk) {
    UsbSetup();
    return {true, {}};
  }
  if (status == kUsbDeviceNotFound) {
    return {false, "The USB bridge \"" + description_ + "\" is no longer connected."};
  }
  return {false, UsbAccessAdvice(description_, openError_)};
}

std::string UsbAccessAdvice(const std::string& description, const std::string& libraryError) {
  return "The USB bridge \"" + description + "\" is connected but could not be opened" +
         (libraryError.empty() ? std::string() : " (" + libraryError + ")") +
         ": this user needs write access to its USB device, which the udev rule "
         "70-quorvantel.rules gives; install it and plug the bridge in again.";
}

void UsbBridge::Close() {
  if (open_) UsbRelease();
}

size_t UsbBridge::Write(const uint8_t* data, size_t n) {
  const int r = UsbWrite(data, n);
  return r < 0 ? 0 : static_cast<size_t>(r);
}

size_t UsbBridge::Read(uint8_t* buf, size_t n, Clock::TimePoint deadline) {
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

UsbBridgeScan ScanUsbBridges(const FtdiApi& api) {
  UsbBridgeScan scan;
  if (!api.loaded) return scan;
  scan.libraryLoaded = true;
  FtdiContext* ctx = api.New();
  if (ctx == nullptr) {
    scan.error = "the library could not make a context";
    return scan;
  }
  FtdiDeviceList* list = nullptr;
  const int found = api.FindAll(ctx, &list, 0, 0);
  if (found < 0) {
    scan.error = api.ErrorString != nullptr && api.ErrorString(ctx) != nullptr
                     ? api.ErrorString(ctx)
                     : "the USB devices could not be listed";
  }
  for (FtdiDeviceList* entry = list; entry != nullptr; entry = api.ListNext(entry)) {
    UsbBridgeFound bridge;
    char manufacturer[128] = {};
    char description[128] = {};
    char serial[128] = {};
    const int r = api.GetStrings(ctx, entry, manufacturer, sizeof manufacturer, description,
                                 sizeof description, serial, sizeof serial);
    if (r < 0) {
      // Listing needs no access; reading the texts opens the USB device node.
      bridge.readable = false;
      bridge.error = api.ErrorString != nullptr && api.ErrorString(ctx) != nullptr
                         ? api.ErrorString(ctx)
                         : "its USB texts could not be read";
    } else {
      bridge.manufacturer = manufacturer;
      bridge.description = description;
      bridge.serial = serial;
      const std::string cut = bridge.description.substr(0, kUsbDescriptionMax);
      bridge.linkTries = std::find(kUsbDescriptions.begin(), kUsbDescriptions.end(), cut) !=
                         kUsbDescriptions.end();
    }
    scan.bridges.push_back(std::move(bridge));
  }
  if (list != nullptr) api.ListFree(&list);
  api.Free(ctx);
  return scan;
}

}  // namespace qv

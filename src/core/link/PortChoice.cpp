#include "link/PortChoice.h"

#include "app/InterfaceChoices.h"
#include "link/PortDiagnosis.h"

#include <QSerialPortInfo>

#include <algorithm>
#include <charconv>
#include <filesystem>

namespace qv {
namespace {

namespace fs = std::filesystem;

// n for /dev/ttyS<n>, else -1.
int StandardPortNumber(const std::string& path) {
  constexpr std::string_view prefix = "/dev/ttyS";
  if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0) return -1;
  int n = -1;
  const char* first = path.data() + prefix.size();
  const char* last = path.data() + path.size();
  const auto [end, ec] = std::from_chars(first, last, n);
  return (ec == std::errc() && end == last) ? n : -1;
}

}  // namespace

std::vector<PortInfo> DetectPorts() {
  std::vector<PortInfo> ports;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    PortInfo port;
    port.Name = info.portName().toStdString();
    port.SystemLocation = info.systemLocation().toStdString();
    port.Description = info.description().toStdString();
    port.Manufacturer = info.manufacturer().toStdString();
    port.SerialNumber = info.serialNumber().toStdString();
    port.HasIds = info.hasVendorIdentifier() && info.hasProductIdentifier();
    port.VendorId = info.vendorIdentifier();
    port.ProductId = info.productIdentifier();
    port.StablePath = StableDevicePath(port.SystemLocation);
    ports.push_back(std::move(port));
  }
  std::sort(ports.begin(), ports.end(), [](const PortInfo& a, const PortInfo& b) {
    return a.SystemLocation < b.SystemLocation;
  });
  return ports;
}

std::string StableDevicePath(const std::string& device, const std::string& byIdFolder) {
  std::error_code ec;
  const std::string target = ResolvedPath(device);
  fs::directory_iterator it(byIdFolder, ec);
  if (ec) return {};
  std::vector<std::string> matches;
  for (const fs::directory_entry& entry : it) {
    if (ResolvedPath(entry.path().string()) == target) matches.push_back(entry.path().string());
  }
  if (matches.empty()) return {};
  // Several names for one device (an adapter with several interfaces): take a fixed one.
  return *std::min_element(matches.begin(), matches.end());
}

int32_t PortChoice::BaudRateValue() const {
  if (BaudRate < 0 || BaudRate >= static_cast<int32_t>(kBaudRates.size())) {
    return kBaudRates[kDefaultBaudPosition];
  }
  return kBaudRates[static_cast<size_t>(BaudRate)];
}

std::string PortChoice::Device() const {
  if (!PortDevice.empty()) return PortDevice;
  return "/dev/ttyS" + std::to_string(std::clamp(ComPort, 0, kComPortCount - 1));
}

void PortChoice::ChooseDevice(const std::string& path) {
  PortDevice = path;
  int n = StandardPortNumber(path);
  if (n < 0) n = StandardPortNumber(ResolvedPath(path));
  if (n >= 0 && n < kComPortCount) ComPort = n;
}

ReadResult LoadPortChoice(const SettingsStore& store, PortChoice& choice) {
  int32_t value = 0;
  ReadResult r = store.ReadInt("COMPort", value);
  if (r.status == ReadStatus::WrongType) return r;
  if (r.ok()) choice.ComPort = ClampChoicePosition(value, kComPortCount);

  r = store.ReadInt("BaudRate", value);
  if (r.status == ReadStatus::WrongType) return r;
  choice.BaudRate = r.ok() ? ClampChoicePosition(value, static_cast<int>(kBaudRates.size()))
                           : kDefaultBaudPosition;

  Bytes device;
  r = store.ReadText("PortDevice", device);
  if (r.status == ReadStatus::WrongType) return r;
  if (r.ok()) choice.PortDevice = device;
  return {ReadStatus::Ok, {}};
}

bool SavePortChoice(const SettingsStore& store, const PortChoice& choice) {
  const bool port = store.WriteInt("COMPort", choice.ComPort);
  const bool baud = store.WriteInt("BaudRate", choice.BaudRate);
  const bool device = store.WriteText("PortDevice", choice.PortDevice);
  return port && baud && device;
}

}  // namespace qv

// The RS-232 port choice on Linux: the serial devices the system reports, and the stored
// choice of device and baud rate.
//
// Stored values (app/Settings.h):
//   "COMPort"    int   position 0..15 of the original port list COM1..COM16. A device path
//                      /dev/ttyS<n> with n < 16 stores n; other devices leave it as it was.
//                      Used only when "PortDevice" is empty: position n means /dev/ttyS<n>.
//   "BaudRate"   int   position 0..6 of 1200, 2400, 4800, 9600, 19200, 38400, 57600;
//                      default 5 (38400).
//   "PortDevice" text  the device path chosen or typed, e.g. /dev/serial/by-id/usb-...,
//                      /dev/ttyUSB0 or the /dev/pts/N of an emulator; empty = use "COMPort".
// A stored position beyond the end of its list selects the last entry; below -1 it selects
// nothing, which leaves the choice as it was.
#pragma once

#include "app/Settings.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qv {

inline constexpr std::array<int32_t, 7> kBaudRates = {1200, 2400, 4800, 9600, 19200, 38400, 57600};
inline constexpr int kDefaultBaudPosition = 5;
inline constexpr int kComPortCount = 16;
inline constexpr const char* kSerialByIdFolder = "/dev/serial/by-id";

struct PortInfo {
  std::string Name;            // "ttyUSB0"
  std::string SystemLocation;  // "/dev/ttyUSB0"
  std::string Description;
  std::string Manufacturer;
  std::string SerialNumber;
  bool HasIds = false;
  uint16_t VendorId = 0;
  uint16_t ProductId = 0;
  // The /dev/serial/by-id name that resolves to this device, or empty. It stays the same
  // when a USB adapter is plugged into another socket, so it is the better path to store.
  std::string StablePath;

  const std::string& PreferredPath() const {
    return StablePath.empty() ? SystemLocation : StablePath;
  }
};

// The serial devices the system reports (pseudo-terminals are not among them: a typed path
// serves for those), sorted by system location.
std::vector<PortInfo> DetectPorts();

// The entry of `byIdFolder` that resolves to `device`, or "".
std::string StableDevicePath(const std::string& device,
                             const std::string& byIdFolder = kSerialByIdFolder);

struct PortChoice {
  int32_t ComPort = 0;                      // "COMPort", -1 = none selected
  int32_t BaudRate = kDefaultBaudPosition;  // "BaudRate", -1 = none selected
  std::string PortDevice;                   // "PortDevice"

  // The numeric baud rate (BaudRateValue); 38400 when no rate is selected.
  int32_t BaudRateValue() const;
  // The device path to open.
  std::string Device() const;
  // Makes `path` the chosen device (and its COMPort position when it is /dev/ttyS0..15).
  void ChooseDevice(const std::string& path);
};

// Reads "COMPort", "BaudRate" (default position 5 when absent) and "PortDevice" into the
// choice, clamping positions; a missing value leaves its field unchanged. A value of the
// wrong type stops the load (the result says why).
ReadResult LoadPortChoice(const SettingsStore& store, PortChoice& choice);
// Writes the three values; false when the store could not be written.
bool SavePortChoice(const SettingsStore& store, const PortChoice& choice);

}  // namespace qv

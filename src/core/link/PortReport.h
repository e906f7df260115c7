// Everything about the serial devices and USB bridges of this computer that decides whether
// the link can reach an instrument: what is there, whether this user may open it, who holds
// it, and which services get in the way. As text for a person and as JSON for scripts.
#pragma once

#include "link/FtdiApi.h"
#include "link/PortDiagnosis.h"
#include "link/UsbBridge.h"

#include <string>
#include <vector>

namespace qv {

struct PortEntry {
  SerialDeviceInfo info;
  AccessVerdict access;
  std::vector<ProcessInfo> holders;
  std::vector<SerialLock> locks;
  bool asked = false;  // named by the caller rather than found in the device folder
};

struct PortReport {
  std::vector<PortEntry> ports;
  int emptyStandardPorts = 0;
  int unexaminedProcesses = 0;
  std::vector<std::string> warnings;  // services known to grab USB serial adapters
  UsbBridgeScan bridges;
  bool bridgeReturnsSerialDevice = false;  // the library gives ttyUSB back after a link
};

// The devices found below roots, then each of `asked` that is not among them (a pty, a
// by-id name, a device that is missing).
PortReport BuildPortReport(const DeviceRoots& roots, const UserIdentity& user, const FtdiApi& ftdi,
                           const std::vector<std::string>& asked = {});

std::string PortReportText(const PortReport& report);
std::string PortReportJson(const PortReport& report);

}  // namespace qv

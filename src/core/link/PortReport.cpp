#include "link/PortReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <algorithm>
#include <filesystem>

namespace qv {
namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

std::string TriedDescriptions() {
  std::string text;
  for (std::string_view d : kUsbDescriptions)
    text += (text.empty() ? "" : ", ") + Quoted(std::string(d));
  return text;
}

std::string AccessText(const PortEntry& port) {
  switch (port.access.access) {
    case PortAccess::Ok:
      return "yes";
    case PortAccess::Missing:
      return "no: " + port.info.path + " does not exist";
    case PortAccess::Permission:
      return "no: " + PermissionAdvice(port.info.path, port.access);
  }
  return {};
}

const char* AccessKey(PortAccess access) {
  switch (access) {
    case PortAccess::Ok:
      return "ok";
    case PortAccess::Missing:
      return "missing";
    case PortAccess::Permission:
      return "permission";
  }
  return "";
}

std::string HoldersText(const PortEntry& port, int unexamined) {
  if (port.holders.empty()) {
    return unexamined > 0 ? "not by any process this user may look at" : "no";
  }
  std::string text = "by ";
  for (size_t i = 0; i < port.holders.size(); ++i) {
    if (i > 0) text += ", ";
    text += "process " + std::to_string(port.holders[i].pid) + " (" + port.holders[i].name + ")";
  }
  return text;
}

std::string LockText(const SerialLock& lock) {
  if (lock.stale) {
    return "stale lock file " + lock.path + ": process " + std::to_string(lock.pid) +
           " has ended and nothing holds the device (the link removes it where this user may; "
           "else sudo rm " +
           lock.path + ")";
  }
  if (!lock.host.empty()) return "by " + lock.path + ", written on the computer " + lock.host;
  if (lock.pid == 0) return "by " + lock.path + ", which names no process";
  return "by process " + std::to_string(lock.pid) +
         (lock.process.empty() ? "" : " (" + lock.process + ")") + ", lock file " + lock.path;
}

std::string BridgeText(const UsbBridgeFound& bridge) {
  if (!bridge.readable) return "a bridge whose texts cannot be read: " + bridge.error;
  std::string text = Quoted(bridge.description);
  if (!bridge.manufacturer.empty()) text += " by " + bridge.manufacturer;
  if (!bridge.serial.empty()) text += ", serial " + bridge.serial;
  return text + (bridge.linkTries ? ": one the link opens" : ": not one the link opens");
}

}  // namespace

PortReport BuildPortReport(const DeviceRoots& roots, const UserIdentity& user, const FtdiApi& ftdi,
                           const std::vector<std::string>& asked) {
  PortReport report;
  const ProcessTable processes(roots);
  const SerialDeviceList list = ListSerialDevices(roots);
  report.emptyStandardPorts = list.emptyStandardPorts;
  report.unexaminedProcesses = processes.Unexamined();
  std::vector<SerialDeviceInfo> devices = list.devices;
  std::vector<bool> wasAsked(devices.size(), false);
  for (const std::string& path : asked) {
    std::error_code ec;
    const auto same = [&](const SerialDeviceInfo& d) {
      return d.path == path || std::filesystem::equivalent(d.path, path, ec);
    };
    const auto it = std::find_if(devices.begin(), devices.end(), same);
    if (it != devices.end()) {
      wasAsked[static_cast<size_t>(it - devices.begin())] = true;
      continue;
    }
    devices.push_back(DescribeSerialDevice(path, roots));
    devices.back().path = path;
    wasAsked.push_back(true);
  }
  for (size_t i = 0; i < devices.size(); ++i) {
    PortEntry entry;
    entry.info = devices[i];
    entry.access = CheckAccess(entry.info.path, user);
    if (entry.access.access != PortAccess::Missing) {
      entry.holders = processes.Holders(entry.info.path);
      entry.locks = FindSerialLocks(entry.info.path, roots);
    }
    entry.asked = wasAsked[i];
    report.ports.push_back(std::move(entry));
  }
  // Said whether or not an adapter is plugged in now: brltty may be why none shows up.
  report.warnings = ServiceWarnings("ttyUSB0", processes);
  report.bridges = ScanUsbBridges(ftdi);
  report.bridgeReturnsSerialDevice = ftdi.loaded && ftdi.SetModuleDetachMode != nullptr;
  return report;
}

std::string PortReportText(const PortReport& report) {
  std::string out = "Serial devices\n";
  if (report.ports.empty()) out += "  none\n";
  for (const PortEntry& port : report.ports) {
    const SerialDeviceInfo& d = port.info;
    out += "  " + d.path + "\n";
    for (const std::string& name : d.byId)
      out += "    also     " + name + "\n";
    if (d.usb) {
      out += "    usb      " + d.vendorId + ":" + d.productId;
      if (!d.product.empty()) out += " " + Quoted(d.product);
      if (!d.manufacturer.empty()) out += " by " + d.manufacturer;
      if (!d.serial.empty()) out += ", serial " + d.serial;
      out += "\n";
    }
    if (!d.driver.empty()) out += "    driver   " + d.driver + "\n";
    out += "    open     " + AccessText(port) + "\n";
    if (port.access.access != PortAccess::Missing) {
      out += "    in use   " + HoldersText(port, report.unexaminedProcesses) + "\n";
    }
    for (const SerialLock& lock : port.locks)
      out += "    locked   " + LockText(lock) + "\n";
  }
  if (report.emptyStandardPorts > 0) {
    out += "  (" + std::to_string(report.emptyStandardPorts) +
           " /dev/ttyS* nodes without a serial port behind them are not listed)\n";
  }

  out += "\nUSB bridges (libftdi, descriptions the link opens: " + TriedDescriptions() + ")\n";
  const UsbBridgeScan& scan = report.bridges;
  if (!scan.libraryLoaded) {
    out +=
        "  the library libftdi1.so.2 could not be loaded: no bridge can be looked at, and the "
        "link uses the serial device only\n";
  } else if (!scan.error.empty()) {
    out += "  the bridges could not be listed: " + scan.error + "\n";
  } else if (scan.bridges.empty()) {
    out += "  none found\n";
  }
  for (const UsbBridgeFound& bridge : scan.bridges)
    out += "  " + BridgeText(bridge) + "\n";
  if (scan.libraryLoaded && !report.bridgeReturnsSerialDevice) {
    out +=
        "  this libftdi keeps ttyUSB away after using a bridge: plug the bridge in again to "
        "get it back\n";
  }

  if (!report.warnings.empty()) {
    out += "\nNotes\n";
    for (const std::string& w : report.warnings)
      out += "  " + w + "\n";
  }
  return out;
}

std::string PortReportJson(const PortReport& report) {
  QJsonArray ports;
  for (const PortEntry& port : report.ports) {
    const SerialDeviceInfo& d = port.info;
    QJsonObject o;
    o["path"] = Q(d.path);
    o["name"] = Q(d.name);
    o["asked"] = port.asked;
    QJsonArray byId;
    for (const std::string& name : d.byId)
      byId.append(Q(name));
    o["byId"] = byId;
    if (d.usb) {
      o["usb"] = QJsonObject{{"vendorId", Q(d.vendorId)},
                             {"productId", Q(d.productId)},
                             {"product", Q(d.product)},
                             {"manufacturer", Q(d.manufacturer)},
                             {"serial", Q(d.serial)}};
    } else {
      o["usb"] = QJsonValue::Null;
    }
    o["driver"] = d.driver.empty() ? QJsonValue(QJsonValue::Null) : QJsonValue(Q(d.driver));
    QJsonObject access{{"canOpen", port.access.access == PortAccess::Ok},
                       {"reason", AccessKey(port.access.access)}};
    if (port.access.access == PortAccess::Permission) {
      access["group"] = Q(port.access.group);
      access["newLoginNeeded"] = port.access.joinedNotYet;
      access["advice"] = Q(PermissionAdvice(d.path, port.access));
    }
    o["access"] = access;
    QJsonArray holders;
    for (const ProcessInfo& p : port.holders)
      holders.append(QJsonObject{{"pid", p.pid}, {"name", Q(p.name)}});
    o["heldBy"] = holders;
    QJsonArray locks;
    for (const SerialLock& lock : port.locks) {
      QJsonObject l{{"path", Q(lock.path)}, {"stale", lock.stale}};
      l["pid"] = lock.pid > 0 ? QJsonValue(lock.pid) : QJsonValue(QJsonValue::Null);
      l["process"] =
          lock.process.empty() ? QJsonValue(QJsonValue::Null) : QJsonValue(Q(lock.process));
      l["host"] = lock.host.empty() ? QJsonValue(QJsonValue::Null) : QJsonValue(Q(lock.host));
      locks.append(l);
    }
    o["locks"] = locks;
    ports.append(o);
  }

  QJsonObject bridges{{"libraryLoaded", report.bridges.libraryLoaded},
                      {"returnsSerialDevice", report.bridgeReturnsSerialDevice}};
  if (!report.bridges.error.empty()) bridges["error"] = Q(report.bridges.error);
  QJsonArray tried;
  for (std::string_view d : kUsbDescriptions)
    tried.append(Q(std::string(d)));
  bridges["descriptionsTried"] = tried;
  QJsonArray found;
  for (const UsbBridgeFound& b : report.bridges.bridges) {
    QJsonObject o{{"readable", b.readable}};
    if (b.readable) {
      o["description"] = Q(b.description);
      o["manufacturer"] = Q(b.manufacturer);
      o["serial"] = Q(b.serial);
      o["linkTries"] = b.linkTries;
    } else {
      o["error"] = Q(b.error);
    }
    found.append(o);
  }
  bridges["found"] = found;

  QJsonArray warnings;
  for (const std::string& w : report.warnings)
    warnings.append(Q(w));
  const QJsonObject root{{"serialDevices", ports},
                         {"unlistedEmptyStandardPorts", report.emptyStandardPorts},
                         {"unexaminedProcesses", report.unexaminedProcesses},
                         {"usbBridges", bridges},
                         {"warnings", warnings}};
  return QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
}

}  // namespace qv

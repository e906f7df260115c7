// Why a serial device cannot be opened, in words a person in a plant room can act on: the
// device is gone, the user lacks the group that owns it, another process holds it, or a
// system service (ModemManager, brltty) is known to grab such adapters.
//
// Everything reads the device tree below DeviceRoots, so tests hand in a temporary folder in
// the place of /dev, /sys and /proc; the defaults are the real ones.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qv {

struct DeviceRoots {
  std::string dev = "/dev";
  std::string sys = "/sys";
  std::string proc = "/proc";
  // Where serial programs keep their lock files, in the order Qt's serial port looks.
  std::vector<std::string> lockDirs = {"/var/lock",         "/etc/locks", "/var/spool/locks",
                                       "/var/spool/uucp",   "/tmp",       "/var/tmp",
                                       "/var/lock/lockdev", "/run/lock"};

  std::string ByIdFolder() const { return dev + "/serial/by-id"; }
};

// The path with every link resolved; the path itself when it does not resolve.
std::string ResolvedPath(const std::string& path);

struct GroupInfo {
  std::string name;
  std::vector<std::string> members;  // listed members, not those for whom it is the main group
};

// Who is asking: the identity the kernel checks an open against.
struct UserIdentity {
  uint32_t uid = 0;
  uint32_t gid = 0;
  std::vector<uint32_t> groups;  // supplementary groups of this process
  std::string userName;
  // true: the verdict comes from access(2), which knows ACLs (a udev "uaccess" tag grants the
  // logged-in user one); the mode bits alone would call such a device forbidden.
  bool askKernel = false;
  std::function<std::optional<GroupInfo>(uint32_t gid)> lookupGroup;

  // This process, with the system's group database.
  static UserIdentity Current();
};

struct ProcessInfo {
  int pid = 0;
  std::string name;  // /proc/<pid>/comm
};

// The processes below roots.proc and the devices their open file descriptors point at, read
// once so that many devices can be checked against it.
class ProcessTable {
 public:
  explicit ProcessTable(const DeviceRoots& roots);
  // Processes with `device` (a path, resolved through links) open.
  std::vector<ProcessInfo> Holders(const std::string& device) const;
  bool Running(const std::string& name) const;
  // Processes whose descriptors this user may not read (other users' when not root).
  int Unexamined() const { return unexamined_; }

 private:
  std::vector<ProcessInfo> processes_;
  std::multimap<std::string, size_t> openFiles_;  // resolved target -> index in processes_
  int unexamined_ = 0;
};

enum class PortAccess { Ok, Missing, Permission };

struct AccessVerdict {
  PortAccess access = PortAccess::Ok;
  std::string group;          // Permission: the group owning the device ("" when root's)
  bool joinedNotYet = false;  // the user is listed in that group, but this login predates it
};

AccessVerdict CheckAccess(const std::string& device, const UserIdentity& user);

struct SerialDeviceInfo {
  std::string path;               // roots.dev + "/ttyUSB0"
  std::string name;               // "ttyUSB0"
  std::vector<std::string> byId;  // the /dev/serial/by-id names resolving to it
  bool usb = false;
  std::string vendorId;   // "0403"
  std::string productId;  // "6001"
  std::string product;    // the USB product text
  std::string manufacturer;
  std::string serial;
  std::string driver;  // "ftdi_sio", "cdc_acm", "serial8250"
};

// Facts about one device from roots.sys; `path` need not exist.
SerialDeviceInfo DescribeSerialDevice(const std::string& path, const DeviceRoots& roots);

struct SerialDeviceList {
  std::vector<SerialDeviceInfo> devices;  // ttyUSB*, ttyACM*, ttyS* with a port behind them
  int emptyStandardPorts = 0;             // ttyS* nodes with no UART behind them, not listed
};

SerialDeviceList ListSerialDevices(const DeviceRoots& roots);

// A lock file a serial program (Qt's serial port among them) keeps while it has the device open:
// "LCK.." and the device's name, holding the process number (and, from Qt, the program's name
// and the host's).
struct SerialLock {
  std::string path;
  int pid = 0;          // 0: no process number could be read
  std::string process;  // the name of the running process it names
  std::string host;     // the computer named in it, when it is not this one
  bool stale = false;   // the process it names has ended here: nothing holds the device
};

// The lock files of `device` in roots.lockDirs: for the name as given below roots.dev (a "/"
// becomes "_", as Qt writes it) and for the device it resolves to.
std::vector<SerialLock> FindSerialLocks(const std::string& device, const DeviceRoots& roots);

// Removes the stale lock files of `device` that this user may remove: a program that was
// killed leaves its lock behind, and the device is free all the same.
void RemoveStaleSerialLocks(const std::string& device, const DeviceRoots& roots = {});

// What the open call itself reported, as far as it tells the causes apart.
enum class OpenError { NotFound, Denied, Other };

struct DiagnosisOptions {
  // The USB bridge library is loaded but cannot give ttyUSB back to the kernel after using
  // the bridge: a vanished ttyUSB then returns only when the adapter is plugged in again.
  bool bridgeKeepsSerialDevice = false;
};

// One or two plain sentences per cause found; "" when nothing explains the failure.
std::string DiagnoseOpenFailure(const std::string& device, OpenError error,
                                const DeviceRoots& roots, const UserIdentity& user,
                                const ProcessTable& processes,
                                const DiagnosisOptions& options = {});

// The same, reading the real system.
std::string DiagnoseOpenFailure(const std::string& device, OpenError error,
                                const DiagnosisOptions& options = {});

// The sentence for a permission verdict (also shown by the port listing).
std::string PermissionAdvice(const std::string& device, const AccessVerdict& verdict);
// The sentences about services known to grab USB serial adapters, for a device of this name.
std::vector<std::string> ServiceWarnings(const std::string& name, const ProcessTable& processes);

}  // namespace qv

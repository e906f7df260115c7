#include "link/PortDiagnosis.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <utility>

namespace qv {
namespace {

namespace fs = std::filesystem;

std::string BaseName(const std::string& path) {
  return fs::path(path).filename().string();
}

// The first line of a small sysfs or procfs file, without its line end; "" when unreadable.
std::string FirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) {
    line.pop_back();
  }
  return line;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

// "ttyUSB12" -> ("ttyUSB", 12); the number -1 when the name does not end in digits.
std::pair<std::string, int> SplitNumber(const std::string& name) {
  size_t digits = name.size();
  while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9')
    --digits;
  int n = -1;
  if (digits < name.size()) std::from_chars(name.data() + digits, name.data() + name.size(), n);
  return {name.substr(0, digits), n};
}

bool IsSerialName(const std::string& name) {
  const auto [prefix, n] = SplitNumber(name);
  return n >= 0 && (prefix == "ttyUSB" || prefix == "ttyACM" || prefix == "ttyS");
}

// Adapters on USB: the devices ModemManager probes when they appear.
bool IsUsbSerialName(const std::string& name) {
  const auto [prefix, n] = SplitNumber(name);
  return n >= 0 && (prefix == "ttyUSB" || prefix == "ttyACM");
}

bool InGroup(const UserIdentity& user, uint32_t gid) {
  return user.gid == gid ||
         std::find(user.groups.begin(), user.groups.end(), gid) != user.groups.end();
}

std::string JoinList(const std::vector<std::string>& items) {
  std::string text;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += ", ";
    text += items[i];
  }
  return text;
}

}  // namespace

std::string ResolvedPath(const std::string& path) {
  std::error_code ec;
  const fs::path canonical = fs::canonical(path, ec);
  return ec ? path : canonical.string();
}

UserIdentity UserIdentity::Current() {
  UserIdentity user;
  user.uid = getuid();
  user.gid = getgid();
  const int count = getgroups(0, nullptr);
  if (count > 0) {
    std::vector<gid_t> groups(static_cast<size_t>(count));
    const int got = getgroups(count, groups.data());
    for (int i = 0; i < got; ++i)
      user.groups.push_back(groups[static_cast<size_t>(i)]);
  }
  if (const struct passwd* pw = getpwuid(user.uid); pw != nullptr && pw->pw_name != nullptr) {
    user.userName = pw->pw_name;
  }
  user.askKernel = true;
  user.lookupGroup = [](uint32_t gid) -> std::optional<GroupInfo> {
    const struct group* g = getgrgid(gid);
    if (g == nullptr || g->gr_name == nullptr) return std::nullopt;
    GroupInfo info{g->gr_name, {}};
    for (char** m = g->gr_mem; m != nullptr && *m != nullptr; ++m)
      info.members.emplace_back(*m);
    return info;
  };
  return user;
}

ProcessTable::ProcessTable(const DeviceRoots& roots) {
  std::error_code ec;
  // Only descriptors of device nodes matter; resolving every file of every process would not.
  const std::string devPrefix = roots.dev + "/";
  const std::string resolvedDevPrefix = ResolvedPath(roots.dev) + "/";
  for (const fs::directory_entry& entry : fs::directory_iterator(roots.proc, ec)) {
    const std::string pidText = entry.path().filename().string();
    int pid = 0;
    const auto [end, err] = std::from_chars(pidText.data(), pidText.data() + pidText.size(), pid);
    if (err != std::errc() || end != pidText.data() + pidText.size()) continue;
    const size_t index = processes_.size();
    processes_.push_back({pid, FirstLine(entry.path() / "comm")});
    std::error_code fdError;
    fs::directory_iterator fds(entry.path() / "fd", fdError);
    if (fdError) {
      // Another user's process, or one that ended meanwhile.
      if (fdError == std::errc::permission_denied) ++unexamined_;
      continue;
    }
    for (const fs::directory_entry& fd : fds) {
      std::error_code linkError;
      const std::string target = fs::read_symlink(fd.path(), linkError).string();
      if (linkError) continue;
      if (!StartsWith(target, devPrefix) && !StartsWith(target, resolvedDevPrefix)) continue;
      openFiles_.emplace(ResolvedPath(target), index);
    }
  }
}

std::vector<ProcessInfo> ProcessTable::Holders(const std::string& device) const {
  std::vector<ProcessInfo> holders;
  const auto [first, last] = openFiles_.equal_range(ResolvedPath(device));
  for (auto it = first; it != last; ++it) {
    const ProcessInfo& p = processes_[it->second];
    // One process with the device open twice is one holder.
    if (holders.empty() || holders.back().pid != p.pid) holders.push_back(p);
  }
  std::sort(holders.begin(), holders.end(),
            [](const ProcessInfo& a, const ProcessInfo& b) { return a.pid < b.pid; });
  return holders;
}

bool ProcessTable::Running(const std::string& name) const {
  return std::any_of(processes_.begin(), processes_.end(),
                     [&](const ProcessInfo& p) { return p.name == name; });
}

AccessVerdict CheckAccess(const std::string& device, const UserIdentity& user) {
  struct stat st {};
  if (::stat(device.c_str(), &st) != 0) return {PortAccess::Missing, {}, false};
  bool allowed = false;
  if (user.askKernel) {
    allowed = ::access(device.c_str(), R_OK | W_OK) == 0;
  } else if (user.uid == 0) {
    allowed = true;
  } else if (st.st_uid == user.uid) {
    allowed = (st.st_mode & (S_IRUSR | S_IWUSR)) == (S_IRUSR | S_IWUSR);
  } else if (InGroup(user, st.st_gid)) {
    allowed = (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
  } else {
    allowed = (st.st_mode & (S_IROTH | S_IWOTH)) == (S_IROTH | S_IWOTH);
  }
  if (allowed) return {};

  AccessVerdict verdict{PortAccess::Permission, {}, false};
  // Joining the group helps only where the group may read and write, and never for root's.
  const bool groupMayUse = (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
  if (st.st_gid == 0 || !groupMayUse || !user.lookupGroup) return verdict;
  const std::optional<GroupInfo> group = user.lookupGroup(st.st_gid);
  if (!group || group->name.empty()) return verdict;
  verdict.group = group->name;
  verdict.joinedNotYet = !InGroup(user, st.st_gid) && !user.userName.empty() &&
                         std::find(group->members.begin(), group->members.end(), user.userName) !=
                             group->members.end();
  return verdict;
}

std::string PermissionAdvice(const std::string& device, const AccessVerdict& verdict) {
  const std::string lead = "Your user may not read and write " + device + ": ";
  if (verdict.group.empty())
    return lead + "ask the administrator of this computer for access to it.";
  const std::string& g = verdict.group;
  if (verdict.joinedNotYet) {
    return lead + "it was added to the group \"" + g +
           "\" after this login began, so log out and log in again.";
  }
  return lead + "add it to the group \"" + g + "\" that owns the device (sudo usermod -aG " + g +
         " $USER), then log out and log in again.";
}

SerialDeviceInfo DescribeSerialDevice(const std::string& path, const DeviceRoots& roots) {
  SerialDeviceInfo info;
  info.path = path;
  const std::string target = ResolvedPath(path);
  info.name = BaseName(target);

  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(roots.ByIdFolder(), ec)) {
    if (ResolvedPath(entry.path().string()) == target) info.byId.push_back(entry.path().string());
  }
  std::sort(info.byId.begin(), info.byId.end());

  const fs::path classEntry = fs::path(roots.sys) / "class" / "tty" / info.name / "device";
  const fs::path device = fs::canonical(classEntry, ec);
  if (ec) return info;
  const fs::path driver = fs::read_symlink(device / "driver", ec);
  if (!ec) info.driver = driver.filename().string();
  // The USB device is the nearest folder above the tty's that carries the USB ids.
  const fs::path sysRoot = fs::canonical(roots.sys, ec);
  for (fs::path p = device; !p.empty() && p != p.root_path(); p = p.parent_path()) {
    if (!ec && !StartsWith(p.string(), sysRoot.string())) break;
    if (!fs::exists(p / "idVendor")) continue;
    info.usb = true;
    info.vendorId = FirstLine(p / "idVendor");
    info.productId = FirstLine(p / "idProduct");
    info.product = FirstLine(p / "product");
    info.manufacturer = FirstLine(p / "manufacturer");
    info.serial = FirstLine(p / "serial");
    break;
  }
  return info;
}

SerialDeviceList ListSerialDevices(const DeviceRoots& roots) {
  SerialDeviceList list;
  std::vector<std::string> names;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(roots.dev, ec)) {
    const std::string name = entry.path().filename().string();
    if (!IsSerialName(name) || entry.is_directory(ec)) continue;
    if (SplitNumber(name).first == "ttyS") {
      // The kernel makes ttyS nodes whether or not a UART is there; type 0 says none is.
      const std::string type = FirstLine(fs::path(roots.sys) / "class" / "tty" / name / "type");
      if (type == "0") {
        ++list.emptyStandardPorts;
        continue;
      }
    }
    names.push_back(name);
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return SplitNumber(a) < SplitNumber(b);
  });
  for (const std::string& name : names)
    list.devices.push_back(DescribeSerialDevice(roots.dev + "/" + name, roots));
  return list;
}

std::vector<std::string> ServiceWarnings(const std::string& name, const ProcessTable& processes) {
  std::vector<std::string> warnings;
  if (!IsUsbSerialName(name)) return warnings;
  if (processes.Running("ModemManager")) {
    warnings.push_back(
        "ModemManager is running: it probes every newly plugged serial adapter for a modem and "
        "holds it meanwhile, so wait half a minute and try again, or install the udev rule "
        "70-quorvantel.rules that tells it to leave the instrument's adapter alone.");
  }
  if (SplitNumber(name).first == "ttyUSB" && processes.Running("brltty")) {
    warnings.push_back(
        "brltty is running: it takes some USB serial adapters for braille displays and removes "
        "their ttyUSB device; unless a braille display is used here, remove it (sudo apt remove "
        "brltty) and plug the adapter in again.");
  }
  return warnings;
}

std::string DiagnoseOpenFailure(const std::string& device, OpenError error,
                                const DeviceRoots& roots, const UserIdentity& user,
                                const ProcessTable& processes, const DiagnosisOptions& options) {
  std::vector<std::string> sentences;
  const std::string name = BaseName(ResolvedPath(device));
  const AccessVerdict verdict = CheckAccess(device, user);
  if (verdict.access == PortAccess::Missing) {
    std::vector<std::string> present;
    for (const SerialDeviceInfo& d : ListSerialDevices(roots).devices)
      present.push_back(d.path);
    sentences.push_back(device +
                        " does not exist: the adapter may be unplugged, or the system gave it "
                        "another name. " +
                        (present.empty() ? std::string("No serial device exists now.")
                                         : "Serial devices now: " + JoinList(present) + "."));
    if (options.bridgeKeepsSerialDevice && SplitNumber(name).first == "ttyUSB") {
      sentences.push_back(
          "If the instrument was last reached through its USB bridge, the bridge library took "
          "the device away: unplug the adapter and plug it in again to get it back.");
    }
  } else if (verdict.access == PortAccess::Permission) {
    sentences.push_back(PermissionAdvice(device, verdict));
  } else if (const std::vector<ProcessInfo> holders = processes.Holders(device); !holders.empty()) {
    std::vector<std::string> named;
    for (const ProcessInfo& p : holders)
      named.push_back(std::to_string(p.pid) + " (" + p.name + ")");
    sentences.push_back(device + " is held by process" + (holders.size() > 1 ? "es " : " ") +
                        JoinList(named) +
                        (holders.size() > 1 ? ": close them and try again."
                                            : ": close that program and try again."));
  } else if (const std::vector<SerialLock> locks = FindSerialLocks(device, roots);
             error == OpenError::Denied && !locks.empty()) {
    const SerialLock& lock = locks.front();
    if (lock.stale) {
      sentences.push_back(device + " is locked by " + lock.path + ", which process " +
                          std::to_string(lock.pid) +
                          " left behind: that process has ended and nothing holds the device. "
                          "This user may not remove the stale lock; remove it (sudo rm " +
                          lock.path + ") and try again.");
    } else if (lock.pid > 0 && lock.host.empty()) {
      sentences.push_back(device + " is locked by process " + std::to_string(lock.pid) +
                          (lock.process.empty() ? "" : " (" + lock.process + ")") + ", lock file " +
                          lock.path + ": close that program and try again.");
    } else {
      sentences.push_back(device + " is locked by " + lock.path +
                          (!lock.host.empty() ? ", written on the computer " + lock.host
                                              : std::string(", which names no process")) +
                          ": if no program uses the device, remove the lock (sudo rm " + lock.path +
                          ") and try again.");
    }
  } else if (error == OpenError::Denied) {
    sentences.push_back(device + " is in use by another program (sudo fuser -v " + device +
                        " names it).");
  }
  for (std::string& warning : ServiceWarnings(name, processes))
    sentences.push_back(std::move(warning));

  std::string text;
  for (const std::string& s : sentences)
    text += (text.empty() ? "" : " ") + s;
  return text;
}

std::vector<SerialLock> FindSerialLocks(const std::string& device, const DeviceRoots& roots) {
  std::vector<std::string> names;
  const auto addName = [&](std::string name) {
    std::replace(name.begin(), name.end(), '/', '_');
    name = "LCK.." + name;
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  };
  // Qt names the lock after the path it was given, without "/dev/".
  const std::string devPrefix = roots.dev + "/";
  addName(StartsWith(device, devPrefix) ? device.substr(devPrefix.size()) : device);
  // Other programs after the device itself.
  addName(BaseName(ResolvedPath(device)));

  char host[256] = {};
  gethostname(host, sizeof host - 1);
  std::vector<SerialLock> locks;
  for (const std::string& folder : roots.lockDirs) {
    for (const std::string& name : names) {
      const fs::path file = fs::path(folder) / name;
      std::error_code ec;
      if (!fs::is_regular_file(file, ec)) continue;
      SerialLock lock;
      lock.path = file.string();
      if (std::any_of(locks.begin(), locks.end(),
                      [&](const SerialLock& l) { return fs::equivalent(l.path, lock.path, ec); })) {
        continue;
      }
      // Qt writes "pid\nprogram\nhost\n"; others the number alone, often padded with blanks.
      std::ifstream in(file);
      std::string pidLine, program, lockHost;
      std::getline(in, pidLine);
      std::getline(in, program);
      std::getline(in, lockHost);
      const size_t first = pidLine.find_first_not_of(' ');
      if (first != std::string::npos) {
        const char* begin = pidLine.data() + first;
        const char* end = pidLine.data() + pidLine.size();
        int pid = 0;
        const auto [stop, err] = std::from_chars(begin, end, pid);
        if (err == std::errc() && pid > 0 && (stop == end || *stop == ' ' || *stop == '\r'))
          lock.pid = pid;
      }
      // A number from another computer says nothing about the processes here.
      if (!lockHost.empty() && lockHost != host) lock.host = lockHost;
      if (lock.pid > 0 && lock.host.empty()) {
        const fs::path process = fs::path(roots.proc) / std::to_string(lock.pid);
        if (fs::exists(process, ec)) {
          lock.process = FirstLine(process / "comm");
        } else {
          lock.stale = true;
        }
      }
      locks.push_back(std::move(lock));
    }
  }
  return locks;
}

void RemoveStaleSerialLocks(const std::string& device, const DeviceRoots& roots) {
  for (const SerialLock& lock : FindSerialLocks(device, roots)) {
    std::error_code ec;
    if (lock.stale) fs::remove(lock.path, ec);
  }
}

std::string DiagnoseOpenFailure(const std::string& device, OpenError error,
                                const DiagnosisOptions& options) {
  const DeviceRoots roots;
  return DiagnoseOpenFailure(device, error, roots, UserIdentity::Current(), ProcessTable(roots),
                             options);
}

}  // namespace qv

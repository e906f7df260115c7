#include "Pty.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace qv::emu {

namespace {

bool MakeRaw(int fd) {
  termios t{};
  if (tcgetattr(fd, &t) != 0) return false;
  cfmakeraw(&t);
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  return tcsetattr(fd, TCSANOW, &t) == 0;
}

}  // namespace

PseudoTerminal::~PseudoTerminal() {
  if (watch_ >= 0) close(watch_);
  if (slave_ >= 0) close(slave_);
  if (master_ >= 0) close(master_);
}

bool PseudoTerminal::Open(std::string* error) {
  auto fail = [&](const char* what) {
    if (error) *error = std::string(what) + ": " + std::strerror(errno);
    return false;
  };
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0) return fail("posix_openpt");
  if (grantpt(master_) != 0) return fail("grantpt");
  if (unlockpt(master_) != 0) return fail("unlockpt");
  const char* name = ptsname(master_);
  if (!name) return fail("ptsname");
  slavePath_ = name;
  // Our own slave descriptor keeps the master from reading EIO between hosts, and its raw
  // mode means no echo: with echo on, our replies would come back to us as host bytes.
  slave_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_ < 0) return fail("open slave");
  if (!MakeRaw(slave_)) return fail("raw mode on the slave");
  if (!MakeRaw(master_)) return fail("raw mode on the master");
  const int flags = fcntl(master_, F_GETFL);
  if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) return fail("non-blocking");
  watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch_ >= 0 && inotify_add_watch(watch_, name, IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
    close(watch_);
    watch_ = -1;
  }
  return true;
}

void PseudoTerminal::DiscardUnread() {
  if (slave_ >= 0) tcflush(slave_, TCIFLUSH);
}

bool PseudoTerminal::OpenElsewhere() const {
  const std::string self = std::to_string(getpid());
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return false;
  bool found = false;
  while (!found) {
    const dirent* process = readdir(proc);
    if (process == nullptr) break;
    const std::string pid = process->d_name;
    if (pid.find_first_not_of("0123456789") != std::string::npos || pid == self) continue;
    const std::string fds = "/proc/" + pid + "/fd";
    DIR* dir = opendir(fds.c_str());
    if (dir == nullptr) continue;
    while (const dirent* fd = readdir(dir)) {
      char target[256];
      const std::string link = fds + "/" + fd->d_name;
      const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
      if (n > 0 && slavePath_ == std::string_view(target, static_cast<size_t>(n))) {
        found = true;
        break;
      }
    }
    closedir(dir);
  }
  closedir(proc);
  return found;
}

void PseudoTerminal::ReleaseExclusive() {
  // Only once no host has the device open: a living host keeps the claim it made.
  if (slave_ >= 0 && !OpenElsewhere()) ioctl(slave_, TIOCNXCL);
}

bool PseudoTerminal::HostEvents() {
  if (watch_ < 0) return false;
  alignas(inotify_event) char buf[4096];
  bool closed = false;
  for (;;) {
    const ssize_t n = read(watch_, buf, sizeof buf);
    if (n <= 0) break;
    for (ssize_t at = 0; at < n;) {
      const auto* e = reinterpret_cast<const inotify_event*>(buf + at);
      if (e->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) closed = true;
      at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
    }
  }
  return closed;
}

}  // namespace qv::emu

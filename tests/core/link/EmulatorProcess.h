// Runs the instrument emulator program as a child process for the length of a test or a
// benchmark: starts it, reads the device path it prints first, stops it with SIGTERM.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

namespace qv::test {

class EmulatorProcess {
 public:
  EmulatorProcess() = default;
  EmulatorProcess(const EmulatorProcess&) = delete;
  EmulatorProcess& operator=(const EmulatorProcess&) = delete;
  ~EmulatorProcess() { Stop(); }

  // Starts `program` with `args`; false (and `error` set) when it does not print a device
  // path within two seconds.
  bool Start(const std::string& program, const std::vector<std::string>& args, std::string* error) {
    Stop();
    device_.clear();
    int out[2];
    if (pipe(out) != 0) {
      *error = "pipe failed";
      return false;
    }
    pid_ = fork();
    if (pid_ < 0) {
      *error = "fork failed";
      return false;
    }
    if (pid_ == 0) {
      dup2(out[1], STDOUT_FILENO);
      close(out[0]);
      close(out[1]);
      std::vector<char*> argv;
      argv.push_back(const_cast<char*>(program.c_str()));
      for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
    close(out[1]);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    char c = 0;
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd p{out[0], POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      if (read(out[0], &c, 1) != 1) break;
      if (c == '\n') break;
      device_ += c;
    }
    close(out[0]);
    if (c != '\n' || device_.empty()) {
      *error = program + " printed no device path (built? run `ninja quorvantel-emulator`)";
      Stop();
      return false;
    }
    return true;
  }

  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
  }

  const std::string& Device() const { return device_; }

 private:
  pid_t pid_ = -1;
  std::string device_;
};

}  // namespace qv::test

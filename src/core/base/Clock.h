// The time the link and the download go by. The monotonic system clock in use; a clock a test
// moves by hand, so that time limits and pauses are tested exactly and at once. A wait wakes when
// its time comes or when it is cancelled, never after a fixed sleep.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace qv {

// Raised to stop a transfer: from another thread (the Cancel button) or from a signal handler.
class CancelFlag {
 public:
  // From a thread: wakes a wait at once.
  void Raise();
  // From a signal handler, where waking a waiter is not allowed: a wait sees it within its slice.
  void RaiseFromSignal() { raised_.store(true); }
  bool Raised() const { return raised_.load(); }
  void Clear() { raised_.store(false); }

 private:
  friend class SystemClock;
  std::atomic<bool> raised_{false};
  std::mutex mutex_;
  std::condition_variable wake_;
};

class Clock {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  using Duration = std::chrono::steady_clock::duration;
  virtual ~Clock() = default;
  virtual TimePoint Now() const = 0;
  // Waits until `t` or until `cancel` is raised; false when it was raised.
  virtual bool WaitUntil(TimePoint t, CancelFlag& cancel) = 0;
};

class SystemClock : public Clock {
 public:
  TimePoint Now() const override { return std::chrono::steady_clock::now(); }
  bool WaitUntil(TimePoint t, CancelFlag& cancel) override;
  // The one system clock.
  static SystemClock& Instance();
};

}  // namespace qv

#include "base/Clock.h"

#include <algorithm>

namespace qv {

void CancelFlag::Raise() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    raised_.store(true);
  }
  wake_.notify_all();
}

bool SystemClock::WaitUntil(TimePoint t, CancelFlag& cancel) {
  // A flag raised from a signal handler cannot wake the wait: it is looked at every 50 ms.
  constexpr auto kLongest = std::chrono::milliseconds(50);
  std::unique_lock<std::mutex> lock(cancel.mutex_);
  while (!cancel.Raised()) {
    const TimePoint now = Now();
    if (now >= t) return true;
    cancel.wake_.wait_until(lock, std::min(t, now + kLongest));
  }
  return false;
}

SystemClock& SystemClock::Instance() {
  static SystemClock clock;
  return clock;
}

}  // namespace qv

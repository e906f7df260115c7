// A clock a test moves by hand: a wait passes at once by moving the clock to its end, so that
// time limits and pauses are tested exactly, at full length and in no time at all.
#pragma once

#include "base/Clock.h"

namespace qv::test {

class FakeClock : public Clock {
 public:
  TimePoint Now() const override { return now_; }
  bool WaitUntil(TimePoint t, CancelFlag& cancel) override {
    if (cancel.Raised()) return false;
    AdvanceTo(t);
    return true;
  }
  void AdvanceTo(TimePoint t) {
    if (t > now_) now_ = t;
  }
  void Advance(Duration d) { now_ += d; }
  // Time passed since `since`, in seconds.
  double Seconds(TimePoint since) const {
    return std::chrono::duration<double>(now_ - since).count();
  }

 private:
  TimePoint now_{std::chrono::hours(1)};
};

}  // namespace qv::test

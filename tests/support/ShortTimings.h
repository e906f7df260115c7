// Time limits short enough for tests against a real line (a pseudo-terminal with the emulator),
// long enough for a busy machine; the ratios of the real ones kept roughly. Tests of the limits
// themselves run the real ones on a clock they move (FakeClock.h).
#pragma once

#include "link/Link.h"

namespace qv::test {

inline LinkTimings ShortTimings() {
  using namespace std::chrono_literals;
  LinkTimings t;
  t.IdentifyTotal = 1500ms;
  t.IdentifyAttempt = 300ms;
  t.CommandTotal = 1500ms;
  t.CommandAttempt = 300ms;
  t.BlockMinimum = 500ms;
  return t;
}

}  // namespace qv::test

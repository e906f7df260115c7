// A broken invariant in a fuzz target: say which, then abort so that libFuzzer keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>

#define QV_FUZZ_CHECK(condition)                                                             \
  do {                                                                                       \
    if (!(condition)) {                                                                      \
      std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                          \
    }                                                                                        \
  } while (0)

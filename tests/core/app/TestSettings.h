// Settings stores for tests. The per-user settings of every test program live in a temporary
// folder of the run (support/QtTestEnvironment.h), so no test ever reads or writes the real
// user's settings.
#pragma once

#include "support/QtTestEnvironment.h"

#include <fstream>
#include <string>

namespace qv::test {

// Writes the raw text of a store's file, as a person editing it would.
inline void WriteSettingsFile(const SettingsStore& store, const std::string& contents) {
  std::ofstream(store.Location(), std::ios::binary | std::ios::trunc) << contents;
}

}  // namespace qv::test

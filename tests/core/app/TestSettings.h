// Settings stores for tests. Every test program of this folder moves the per-user settings
// into a temporary folder before the first test (settings_environment.cpp), so no test ever
// reads or writes the real user's settings.
#pragma once

#include "app/Settings.h"

#include <string>

namespace qv::test {

// The temporary folder that holds the settings of this test run.
const std::string& SettingsFolder();

// A store of its own for each call, so that tests do not see each other's values.
SettingsStore FreshSettings();

// Writes the raw text of a store's file, as a person editing it would.
void WriteSettingsFile(const SettingsStore& store, const std::string& contents);

}  // namespace qv::test

// The environment every core test program that touches Qt runs in, set up once before its first
// test: a QCoreApplication for the whole run (QSerialPort watches its device with socket
// notifiers, which want one, as the GUI and the command-line tool have), and the per-user
// settings moved into a temporary folder of the run, so that no test reads or writes the real
// user's settings. Linking the qv_test_qt library is all a test program has to do.
#pragma once

#include "app/Settings.h"

#include <string>

namespace qv::test {

// The temporary folder of this run, removed after the last test; the per-user settings live in
// it. Files a test writes belong here, not under a fixed name in the system's temporary folder,
// where runs of other builds at the same time would meet them.
const std::string& RunFolder();

// A store of its own for each call, so that tests do not see each other's values.
SettingsStore FreshSettings();

}  // namespace qv::test

#include "TestSettings.h"

#include <QSettings>
#include <QString>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace qv::test {
namespace {

std::string& Folder() {
  static std::string folder;
  return folder;
}

class IsolatedSettings : public ::testing::Environment {
 public:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "qv-settings-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    Folder() = pattern;
    // Both: the variable for anything that reads it, setPath for QSettings, which may
    // already have taken its paths from the environment.
    setenv("XDG_CONFIG_HOME", pattern.c_str(), 1);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(pattern));
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(Folder(), ec);
  }
};

[[maybe_unused]] ::testing::Environment* const kIsolatedSettings =
    ::testing::AddGlobalTestEnvironment(new IsolatedSettings);

}  // namespace

const std::string& SettingsFolder() {
  return Folder();
}

SettingsStore FreshSettings() {
  static std::atomic<int> counter{0};
  return SettingsStore("QuorvantelTest-" + std::to_string(++counter));
}

void WriteSettingsFile(const SettingsStore& store, const std::string& contents) {
  std::ofstream(store.Location(), std::ios::binary | std::ios::trunc) << contents;
}

}  // namespace qv::test

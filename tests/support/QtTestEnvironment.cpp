#include "support/QtTestEnvironment.h"

#include <QCoreApplication>
#include <QSettings>
#include <QString>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace qv::test {
namespace {

std::string& Folder() {
  static std::string folder;
  return folder;
}

class QtTestEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "qv-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    Folder() = pattern;
    // Both: the variable for anything that reads it, setPath for QSettings, which may
    // already have taken its paths from the environment.
    setenv("XDG_CONFIG_HOME", pattern.c_str(), 1);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(pattern));
    static int argc = 1;
    static char name[] = "qv_test";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QCoreApplication>(argc, argv);
  }
  void TearDown() override {
    app_.reset();
    std::error_code ec;
    std::filesystem::remove_all(Folder(), ec);
  }

 private:
  std::unique_ptr<QCoreApplication> app_;
};

// qv_test_qt is an object library, so this registration is linked into every program that
// names it, although no test refers to it.
[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtTestEnvironment);

}  // namespace

const std::string& RunFolder() {
  return Folder();
}

SettingsStore FreshSettings() {
  static std::atomic<int> counter{0};
  return SettingsStore("QuorvantelTest-" + std::to_string(++counter));
}

}  // namespace qv::test

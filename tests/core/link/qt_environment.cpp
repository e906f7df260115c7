// QSerialPort watches its device with socket notifiers, which want a Qt application object
// in the program, as the GUI and the command-line tool have.
#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

class QtApplication : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "qv_test_link";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QCoreApplication>(argc, argv);
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<QCoreApplication> app_;
};

[[maybe_unused]] const auto* const registered =
    ::testing::AddGlobalTestEnvironment(new QtApplication);

}  // namespace

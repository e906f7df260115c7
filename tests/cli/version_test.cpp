// Every program says its version, the project's, and exits at once; the application answers
// --version and --help with no display at all, before it would open a window.
#include "QvVersion.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv::test {
namespace {

struct IdentityCase {
  const char* name;
  const char* program;
  const char* option;
  std::string expectedStart;  // the start of standard output
};

void PrintTo(const IdentityCase& c, std::ostream* os) {
  *os << c.name;
}

class ProgramIdentity : public ::testing::TestWithParam<IdentityCase> {};

TEST_P(ProgramIdentity, AnswersWithoutADisplayAndExitsZero) {
  const IdentityCase& c = GetParam();
  const QString program = QStringLiteral(QV_BIN_DIR "/") + QString::fromLatin1(c.program);
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    env.remove(QString::fromLatin1(name));
  env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
  p.setProcessEnvironment(env);
  p.start(program, {QString::fromLatin1(c.option)});
  ASSERT_TRUE(p.waitForFinished(10000));
  ASSERT_EQ(p.exitStatus(), QProcess::NormalExit);
  const std::string out = p.readAllStandardOutput().toStdString();
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  EXPECT_EQ(out.substr(0, c.expectedStart.size()), c.expectedStart) << out;
  // The version is one line and nothing else, for scripts that read it.
  if (std::string(c.option) == "--version") {
    EXPECT_EQ(out, c.expectedStart);
  }
}

std::vector<IdentityCase> Cases() {
  const std::string version = kProjectVersion;
  std::vector<IdentityCase> cases = {
      {"ToolVersion", "quorvantel-cli", "--version", "quorvantel-cli " + version + "\n"},
      {"EmulatorVersion", "quorvantel-emulator", "--version",
       "quorvantel-emulator " + version + "\n"}};
#ifdef QV_TEST_APPLICATION
  cases.push_back(
      {"ApplicationVersion", "quorvantel", "--version", "quorvantel " + version + "\n"});
  cases.push_back(
      {"ApplicationHelp", "quorvantel", "--help", "Usage: quorvantel [OPTIONS] [FILE]\n"});
#endif
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Cli, ProgramIdentity, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<IdentityCase>& info) {
                           return info.param.name;
                         });

}  // namespace
}  // namespace qv::test

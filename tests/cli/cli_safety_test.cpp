// The tool on hostile ground: an output folder that takes no file, a file size limit, an
// output that is the input, inputs that are not files. Nothing finished is lost, nothing is
// written under the wrong name, and every failure says why.
#include "core/link/EmulatorProcess.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <string>

namespace qv::test {
namespace {

struct Ran {
  int exitCode = -1;
  std::string err;
  double seconds = 0;
};

class CliSafety : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(work.isValid());
    input = work.filePath(QStringLiteral("in.QVL"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(QV_TEST_DATA_DIR "/files/ver1_results.qvl"), input));
  }
  // The tool under `sh -c`, so that a test can set limits first: `prefix` runs before it.
  Ran Run(const QString& prefix, const QStringList& args) {
    QString command = prefix + QStringLiteral(" exec \"$0\"");
    for (int i = 0; i < args.size(); ++i)
      command += QStringLiteral(" \"$%1\"").arg(i + 1);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), work.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    p.setProcessEnvironment(env);
    const auto start = std::chrono::steady_clock::now();
    p.start(QStringLiteral("/bin/sh"), QStringList{QStringLiteral("-c"), command,
                                                   QStringLiteral(QV_BIN_DIR "/quorvantel-cli")} +
                                           args);
    EXPECT_TRUE(p.waitForFinished(30000));
    Ran r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.err = p.readAllStandardError().toStdString();
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return r;
  }
  static QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  QTemporaryDir work;
  QString input;
};

TEST_F(CliSafety, AnOutputFolderThatTakesNoFileStopsTheDownloadBeforeTheInstrument) {
  // /proc takes no new file, for root too. The port does not exist: had the tool asked the
  // instrument first, it would say so.
  const Ran r = Run({}, {"download", "--port", "/dev/qv-no-such-port", "--memory", "results", "-o",
                         "/proc/qv-download.QVL"});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_NE(r.err.find("/proc/qv-download.QVL cannot be written"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("port"), std::string::npos) << r.err;
}

TEST_F(CliSafety, AFileSizeLimitIsToldAndTheFormerFileStays) {
  const QString out = work.filePath(QStringLiteral("out.txt"));
  {
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("former contents\n");
  }
  const Ran r = Run(QStringLiteral("ulimit -f 0;"), {"export", input, "-o", out});
  EXPECT_EQ(r.exitCode, 1) << "a signal instead of a message: " << r.err;
  EXPECT_NE(r.err.find("File too large"), std::string::npos) << r.err;
  EXPECT_EQ(Read(out), "former contents\n");
}

TEST_F(CliSafety, AnOutputThatIsTheInputIsRefused) {
  const QString link = work.filePath(QStringLiteral("link.QVL"));
  ASSERT_TRUE(QFile::link(input, link));
  const QByteArray before = Read(input);
  for (const char* command : {"export", "convert"}) {
    SCOPED_TRACE(command);
    QStringList args{QString::fromLatin1(command), input, QStringLiteral("-o"), link};
    if (std::string(command) == "convert") args << QStringLiteral("--block") << QStringLiteral("1");
    const Ran r = Run({}, args);
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_NE(r.err.find("is the results file being read"), std::string::npos) << r.err;
    EXPECT_EQ(Read(input), before);
  }
}

TEST_F(CliSafety, APipeADeviceOrAnOversizedFileIsNoResultsFile) {
  const QString fifo = work.filePath(QStringLiteral("fifo.QVL"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  for (const QString& path : {fifo, QStringLiteral("/dev/zero")}) {
    SCOPED_TRACE(path.toStdString());
    const Ran r = Run({}, {"info", path});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find("not a regular file"), std::string::npos) << r.err;
    EXPECT_LT(r.seconds, 10.0) << "read without end";
  }
  // A file past the largest one a results document can make is refused unread (a sparse file:
  // no disk is spent on it).
  QFile huge(work.filePath(QStringLiteral("huge.QVL")));
  ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
  ASSERT_TRUE(huge.resize(qint64{256} * 1024 * 1024 + 1));
  huge.close();
  const Ran r = Run({}, {"info", huge.fileName()});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_NE(r.err.find("larger than 256 MB"), std::string::npos) << r.err;
  EXPECT_LT(r.seconds, 10.0);
}

TEST_F(CliSafety, AFileNameThatIsNotUtf8IsRefusedNeverRenamed) {
  const QString cli = QStringLiteral(QV_BIN_DIR "/quorvantel-cli");
  const QStringList scripts = {
      // Input: a results file whose name holds the byte 0xFF.
      QStringLiteral("cd \"$1\" && f=$(printf 'n\\377.QVL') && cp in.QVL \"$f\" && "
                     "exec \"$0\" info \"$f\""),
      // Output: the same kind of name for the text file.
      QStringLiteral("cd \"$1\" && exec \"$0\" export in.QVL -o \"$(printf 'o\\377.txt')\"")};
  for (const QString& script : scripts) {
    SCOPED_TRACE(script.toStdString());
    const QStringList before = QDir(work.path()).entryList(QDir::Files);
    QProcess p;
    p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script, cli, work.path()});
    ASSERT_TRUE(p.waitForFinished(30000));
    const std::string err = p.readAllStandardError().toStdString();
    EXPECT_EQ(p.exitCode(), 2) << err;
    EXPECT_NE(err.find("is not valid UTF-8"), std::string::npos) << err;
    // Nothing written under a name of Qt's making.
    QStringList after = QDir(work.path()).entryList(QDir::Files);
    after.removeIf([](const QString& n) { return n.startsWith(QLatin1Char('n')); });
    EXPECT_EQ(after, before);
  }
}

TEST_F(CliSafety, ASilentInstrumentIsReportedAfterTenSecondsAndCtrlCStopsIt) {
  // One page, then not even an acknowledgement: the tool asks again for up to an hour.
  EmulatorProcess emulator;
  std::string error;
  ASSERT_TRUE(emulator.Start(QV_BIN_DIR "/quorvantel-emulator",
                             {"--memory", QV_BIN_DIR "/demo/demo-memory.json", "--mute-after", "1"},
                             &error))
      << error;
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), work.filePath(QStringLiteral("config")));
  env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
  p.setProcessEnvironment(env);
  p.start(QStringLiteral(QV_BIN_DIR "/quorvantel-cli"),
          {"download", "--port", QString::fromStdString(emulator.Device()), "--memory", "results",
           "-o", work.filePath(QStringLiteral("silent.QVL"))});
  ASSERT_TRUE(p.waitForStarted(5000));
  QByteArray err;
  const auto start = std::chrono::steady_clock::now();
  while (!err.contains("no answer to page 2 for 10 s, retrying; Ctrl+C stops") &&
         std::chrono::steady_clock::now() - start < std::chrono::seconds(30) &&
         p.state() == QProcess::Running) {
    p.waitForReadyRead(500);
    err += p.readAllStandardError();
  }
  EXPECT_TRUE(err.contains("no answer to page 2 for 10 s, retrying; Ctrl+C stops"))
      << err.toStdString();
  ::kill(static_cast<pid_t>(p.processId()), SIGINT);
  ASSERT_TRUE(p.waitForFinished(10000));
  err += p.readAllStandardError();
  EXPECT_EQ(p.exitCode(), 130) << err.toStdString();
  EXPECT_TRUE(err.contains("download cancelled; nothing was written")) << err.toStdString();
  EXPECT_FALSE(QFile::exists(work.filePath(QStringLiteral("silent.QVL"))));
}

}  // namespace
}  // namespace qv::test

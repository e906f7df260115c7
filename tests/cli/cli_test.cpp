// quorvantel-cli end to end: the tool's processes download from the emulator program on a
// pseudo-terminal, and the files they save must equal the files written out by the test from
// the memory description. The tool runs with its own settings folder and the C locale.
#include "ExpectedFiles.h"
#include "core/link/EmulatorProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <signal.h>

#include <memory>

namespace qv::test {
namespace {

constexpr const char* kIdentification = R"(
  "identification": {"type": "QV-PRO 5", "code": "5025", "producer": "Quorvantel Instruments",
                     "firmware": "5.12", "serial": "24031907", "resultsPercent": 3,
                     "loggingPercent": 1, "extraHex": "FF 00 0D 0A 41 FF"},)";

// Page 2 arrives corrupt and is followed by good pages of other rooms; page 4 is of kind 3.
const std::string kResultsMemory = std::string("{") + kIdentification + R"(
  "badChecksumPages": [2],
  "results": [
    {"page": 1, "building": 2, "buildingName": "Annex", "room": 1, "roomName": "Hall",
     "begin": "2024-03-04 09:05:00", "end": "2024-03-04 09:15:00",
     "values": {"AirTemp": [21.5, 21.0, 21.3, 22.0]}},
    {"page": 2, "building": 1, "buildingName": "Main", "room": 1, "roomName": "Lobby",
     "begin": "2024-03-04 09:20:00", "values": {"AirTemp": 20.0}},
    {"page": 3, "building": 1, "buildingName": "Main", "room": 2, "roomName": "Office",
     "begin": "2024-03-04 09:40:00", "duration": 300,
     "values": {"RelHum": [45.5, 44.0, 45.0, 47.0], "CO2": [800, 700, 750, 900]},
     "params": {"mode": 1, "altitude": 250, "sideA": 0.4, "sideB": 0.3, "metabolicRate": 1.2,
                "clothing": 0.7}},
    {"page": 4, "building": 1, "buildingName": "Main", "room": 3, "roomName": "Store",
     "begin": "2024-03-04 10:00:00", "kind": 3},
    {"page": 5, "building": 1, "buildingName": "Main", "room": 1, "roomName": "Lobby",
     "begin": "2024-03-04 10:30:00", "unit": "US", "values": {"AirVel": [120, 100, 118, 140]}}
  ]
})";
const std::vector<size_t> kKeptResults = {0, 2, 4};

// Two blocks of number 1 kept apart by bit 7, and a block with a corrupt page (42).
const std::string kLoggingMemory = std::string("{") + kIdentification + R"(
  "badChecksumPages": [42],
  "logging": [
    {"number": 1, "endBit": true, "interval": 60, "start": "2024-06-01 10:00:00",
     "buildingName": "Depot", "roomName": "Hall", "quantities": ["AirTemp", "RelHum"],
     "samples": [[21.0, 50.0], [21.1, 50.5], [21.2, 51.0]], "pages": [30, 31, 32]},
    {"number": 1, "interval": 10, "start": "2024-06-01 11:00:00", "unit": "US",
     "buildingName": "Depot", "roomName": "Office", "quantities": ["AirTemp"],
     "samples": [[70.1], [70.3]], "pages": [33, 34]},
    {"number": 2, "interval": 30, "start": "2024-06-02 08:00:00", "buildingName": "Lab",
     "roomName": "A", "quantities": ["CO2"],
     "samples": [[500], [[510, 505, 512, 520]], [520], [530]], "pages": [40, 41, 42, 43]}
  ]
})";

// The current print header in the settings: non-ASCII text is stored decoded and must reach
// the file in the language's code page (windows-1252).
constexpr const char* kSettings =
    "[General]\n"
    "Operator1=J\xC3\xBCrgen Weiss\n"
    "TestSite1=Depot 7\n"
    "Footer=Checked\n"
    "TempPrSerNo=T-100\n"
    "AdapPrType=AD\n";

HeaderTexts StoredHeader() {
  HeaderTexts h;
  h.lines = {"J\xFCrgen Weiss", "", "Depot 7", "", "Checked"};
  h.probes[0] = "T-100";
  h.probes[19] = "AD";
  return h;
}

struct CliRun {
  int exitCode = -1;
  std::string out;
  std::string err;
  // The lines that say something went wrong (progress lines aside).
  std::vector<std::string> Complaints() const {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < err.size()) {
      const size_t end = std::min(err.find('\n', at), err.size());
      if (err.compare(at, 14, "quorvantel-cli") == 0) lines.push_back(err.substr(at, end - at));
      at = end + 1;
    }
    return lines;
  }
};

std::string ReadFile(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QByteArray b = f.readAll();
  return std::string(b.constData(), static_cast<size_t>(b.size()));
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(work.isValid());
    QDir(work.path()).mkpath(QStringLiteral("config"));
    QFile conf(work.filePath(QStringLiteral("config/Quorvantel.conf")));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write(kSettings);
  }

  QString Path(const char* name) const { return work.filePath(QString::fromUtf8(name)); }

  QProcess* Start(const QStringList& args) {
    auto* p = new QProcess;
    processes.emplace_back(p);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), Path("config"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    if (!numericLocale.isEmpty()) {
      env.remove(QStringLiteral("LC_ALL"));
      env.insert(QStringLiteral("LC_NUMERIC"), numericLocale);
      env.insert(QStringLiteral("LOCPATH"), localeFolder);
    }
    p->setProcessEnvironment(env);
    p->start(QStringLiteral(QV_BIN_DIR "/quorvantel-cli"), args);
    EXPECT_TRUE(p->waitForStarted(5000));
    return p;
  }

  CliRun Cli(const QStringList& args) {
    QProcess* p = Start(args);
    EXPECT_TRUE(p->waitForFinished(60000));
    CliRun r;
    r.exitCode = p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1;
    r.out = p->readAllStandardOutput().toStdString();
    r.err = p->readAllStandardError().toStdString();
    return r;
  }

  // Serves the memory with the emulator program and keeps its description as the model.
  void Serve(const std::string& json, std::vector<std::string> options = {}) {
    const QString file = Path("memory.json");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(json.data(), static_cast<qint64>(json.size()));
    f.close();
    std::string error;
    auto parsed = emu::ParseMemoryJson(emu::ByteVec(json.begin(), json.end()), &error);
    ASSERT_TRUE(parsed) << error;
    model = *parsed;
    options.insert(options.begin(), {"--memory", file.toStdString()});
    ASSERT_TRUE(emulator.Start(QV_BIN_DIR "/quorvantel-emulator", options, &error)) << error;
  }
  QString Device() const { return QString::fromStdString(emulator.Device()); }

  QTemporaryDir work;
  QString numericLocale;  // LC_NUMERIC of the tool instead of LC_ALL=C, found in localeFolder
  QString localeFolder;
  EmulatorProcess emulator;
  emu::MemoryModel model;
  std::vector<std::unique_ptr<QProcess>> processes;
};

TEST_F(CliTest, ResultsDownloadSavesWhatSaveAsWrites) {
  Serve(kResultsMemory);
  const CliRun r =
      Cli({"download", "--port", Device(), "--memory", "results", "-o", Path("results.QVL")});
  ASSERT_EQ(r.exitCode, 0) << r.err;

  const std::string expected =
      FileHead("results.QVL", StoredHeader(), emu::BuildSettingsBlock(model.ident)) +
      ResultsSection(model, kKeptResults);
  EXPECT_EQ(ReadFile(Path("results.QVL")), expected);
  // The one test the damaged page held is missing, and said to be (no longer in silence).
  EXPECT_EQ(r.Complaints(),
            std::vector<std::string>{"quorvantel-cli: page 2 (building 1, room 1) arrived with a "
                                     "wrong byte sum each of the 3 times it was asked for: one "
                                     "test is missing from " +
                                     Path("results.QVL").toStdString()});
  EXPECT_NE(r.err.find("3 tests saved to "), std::string::npos) << r.err;

  const CliRun info = Cli({"info", Path("results.QVL")});
  ASSERT_EQ(info.exitCode, 0) << info.err;
  EXPECT_NE(info.out.find("Serial number: 24031907\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("Kind: results, 3 tests\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("Test 1: building 1 \"Main\", room 1 \"Lobby\", begin 2024-03-04 "
                          "10:30:00, end 2024-03-04 10:31:00, units US, signals 13,14,15,16\n"),
            std::string::npos)
      << info.out;

  // Building 1 holds two of the tests.
  const CliRun exported = Cli({"export", Path("results.QVL"), "-o", Path("b1.txt"), "--node", "1",
                               "--delimiter", "semicolon", "--eol", "lf"});
  ASSERT_EQ(exported.exitCode, 0) << exported.err;
  const std::string text = ReadFile(Path("b1.txt"));
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
  EXPECT_NE(text.find("\nMain;Lobby;04.03.24   10:30:00;04.03.24   10:31:00;"), std::string::npos)
      << text;
  EXPECT_EQ(text.find("Annex"), std::string::npos);
}

// A locale whose decimal separator is a comma, built for the tests: the tool must write the
// numbers of the results file with it.
TEST_F(CliTest, NumbersFollowTheLocale) {
  std::string def;
  for (const char* c :
       {"LC_CTYPE", "LC_COLLATE", "LC_TIME", "LC_MONETARY", "LC_MESSAGES", "LC_PAPER", "LC_NAME",
        "LC_ADDRESS", "LC_TELEPHONE", "LC_MEASUREMENT", "LC_IDENTIFICATION"}) {
    def += std::string(c) + "\ncopy \"POSIX\"\nEND " + c + "\n";
  }
  def += "LC_NUMERIC\ndecimal_point \"<U002C>\"\nthousands_sep \"\"\ngrouping -1\nEND LC_NUMERIC\n";
  QFile source(Path("comma.def"));
  ASSERT_TRUE(source.open(QIODevice::WriteOnly));
  source.write(def.data(), static_cast<qint64>(def.size()));
  source.close();
  QDir(work.path()).mkpath(QStringLiteral("locales"));
  QProcess localedef;
  localedef.start(QStringLiteral("localedef"),
                  {"-f", "UTF-8", "-i", Path("comma.def"), Path("locales/comma.UTF-8")});
  if (!localedef.waitForFinished(30000) || localedef.exitStatus() != QProcess::NormalExit ||
      !QFile::exists(Path("locales/comma.UTF-8/LC_NUMERIC"))) {
    GTEST_SKIP() << "localedef cannot build a test locale here";
  }
  numericLocale = QStringLiteral("comma.UTF-8");
  localeFolder = Path("locales");

  Serve(kResultsMemory);
  const CliRun r =
      Cli({"download", "--port", Device(), "--memory", "results", "-o", Path("comma.QVL")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadFile(Path("comma.QVL")),
            FileHead("comma.QVL", StoredHeader(), emu::BuildSettingsBlock(model.ident)) +
                ResultsSection(model, kKeptResults, ','));
}

TEST_F(CliTest, LoggingDownloadSavesTheChosenBlocks) {
  Serve(kLoggingMemory);
  const CliRun r = Cli({"download", "--port", Device(), "--memory", "logging", "--blocks", "1,3",
                        "-o", Path("logging.QVL")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // The corrupt page is told once, after the transfer.
  EXPECT_NE(r.err.find("quorvantel-cli: Logging pages damaged in transfer, samples set to 0 (1)  "
                       "   Error #16\n"),
            std::string::npos)
      << r.err;

  const std::string expected =
      FileHead("logging.QVL", StoredHeader(), emu::BuildSettingsBlock(model.ident)) +
      LoggerSection(model, {0, 2}, {42});
  EXPECT_EQ(ReadFile(Path("logging.QVL")), expected);

  // Samples 2 and 3 of the second saved block as two tests.
  const CliRun converted =
      Cli({"convert", Path("logging.QVL"), "--block", "2", "--range", "2-3", "-o", Path("c.QVL")});
  ASSERT_EQ(converted.exitCode, 0) << converted.err;
  const CliRun info = Cli({"info", Path("c.QVL")});
  EXPECT_NE(info.out.find("Kind: results, 2 tests\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("Test 2: building 1 \"Lab\", room 1 \"A\", begin 2024-06-02 08:01:00"),
            std::string::npos)
      << info.out;
}

// CSV and JSON of the demo instrument's documents, read by Python's csv and json modules.
TEST_F(CliTest, SpreadsheetAndScriptOutputOfTheDemoDocuments) {
  QFile demo(QStringLiteral(QV_SOURCE_DIR "/data/demo/demo-memory.json"));
  ASSERT_TRUE(demo.open(QIODevice::ReadOnly));
  Serve(demo.readAll().toStdString());
  for (const char* memory : {"results", "logging"}) {
    SCOPED_TRACE(memory);
    const QString file = Path(memory) + ".QVL";
    const CliRun download = Cli({"download", "--port", Device(), "--memory", memory, "-o", file});
    ASSERT_EQ(download.exitCode, 0) << download.err;
    const CliRun csv = Cli({"export", file, "--format", "csv", "-o", file + ".csv"});
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    const CliRun json = Cli({"info", file, "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const CliRun exported = Cli({"export", file, "--format", "json", "-o", file + ".json"});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_EQ(ReadFile(file + ".json"), json.out) << "info --json and export --format json";
    // "-o -": the same bytes on standard output, for each format.
    for (const char* format : {"text", "csv", "json"}) {
      const QString named = file + "." + format + ".out";
      ASSERT_EQ(Cli({"export", file, "--format", format, "-o", named}).exitCode, 0);
      const CliRun piped = Cli({"export", file, "--format", format, "-o", "-"});
      ASSERT_EQ(piped.exitCode, 0) << piped.err;
      EXPECT_EQ(piped.out, ReadFile(named)) << format;
    }
    const CliRun info = Cli({"info", file});
    QFile infoFile(file + ".info");
    ASSERT_TRUE(infoFile.open(QIODevice::WriteOnly));
    infoFile.write(info.out.data(), static_cast<qint64>(info.out.size()));
    infoFile.close();

    QProcess check;
    check.start(QStringLiteral("python3"),
                {QStringLiteral(QV_SOURCE_DIR "/tests/cli/check_data_export.py"),
                 QString::fromLatin1(std::string(memory) == "results" ? "tests" : "logging"),
                 file + ".csv", file + ".json", file + ".info"});
    ASSERT_TRUE(check.waitForFinished(30000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardError().toStdString();
  }
  const CliRun bad = Cli({"export", Path("results.QVL"), "--format", "xml", "-o", Path("x")});
  EXPECT_EQ(bad.exitCode, 2);
}

// The report of the demo instrument's results as a PDF: every page with its header, footer and
// number, the stored header texts on the first, every row with its location, times and values
// as the export shows them; then the refusals.
TEST_F(CliTest, ReportOfTheDemoResultsShowsEveryRow) {
  QFile demo(QStringLiteral(QV_SOURCE_DIR "/data/demo/demo-memory.json"));
  ASSERT_TRUE(demo.open(QIODevice::ReadOnly));
  Serve(demo.readAll().toStdString());
  const QString file = Path("results.QVL");
  const CliRun download = Cli({"download", "--port", Device(), "--memory", "results", "-o", file});
  ASSERT_EQ(download.exitCode, 0) << download.err;
  const CliRun exported = Cli({"export", file, "--eol", "lf", "-o", Path("results.txt")});
  ASSERT_EQ(exported.exitCode, 0) << exported.err;
  const QString pdf = Path("report.pdf");
  const CliRun report = Cli({"report", file, "--codes", "57,1,5,45", "-o", pdf});
  ASSERT_EQ(report.exitCode, 0) << report.err;

  QProcess info;
  info.start(QStringLiteral("pdfinfo"), {pdf});
  ASSERT_TRUE(info.waitForFinished(30000));
  const QString pdfInfo = QString::fromUtf8(info.readAllStandardOutput());
  EXPECT_TRUE(pdfInfo.contains(QRegularExpression(QStringLiteral("Page size:.*\\(A4\\)"))))
      << pdfInfo.toStdString();
  QProcess text;
  text.start(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), pdf, Path("report.txt")});
  ASSERT_TRUE(text.waitForFinished(30000));
  ASSERT_EQ(text.exitCode(), 0);
  QProcess check;
  check.start(QStringLiteral("python3"),
              {QStringLiteral(QV_SOURCE_DIR "/tests/cli/check_report.py"), Path("results.txt"),
               Path("report.txt"), QStringLiteral("Air temp. Curr. °C"),
               QStringLiteral("Rel. hum. Curr. %RH"), QStringLiteral("PMV Curr."),
               QStringLiteral("CO2 Curr. ppm"), QStringLiteral("--"),
               QStringLiteral("Jürgen Weiss"), QStringLiteral("Depot 7"), QStringLiteral("T-100"),
               QStringLiteral("AD"), QStringLiteral("Quorvantel Instruments")});
  ASSERT_TRUE(check.waitForFinished(30000));
  EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardError().toStdString();

  // A file of logging data has no report; a refused run leaves the earlier PDF alone.
  ASSERT_EQ(
      Cli({"download", "--port", Device(), "--memory", "logging", "-o", Path("log.QVL")}).exitCode,
      0);
  const std::string before = ReadFile(pdf);
  const CliRun logging = Cli({"report", Path("log.QVL"), "-o", pdf});
  EXPECT_EQ(logging.exitCode, 1);
  EXPECT_NE(logging.err.find("There are no data to preview. " + Path("log.QVL").toStdString() +
                             " holds logging blocks; the report covers results (tests) only."),
            std::string::npos)
      << logging.err;
  for (const char* codes : {"0", "1,2,3,4,5", "x"}) {
    const CliRun bad = Cli({"report", file, "--codes", codes, "-o", pdf});
    EXPECT_EQ(bad.exitCode, 2) << codes;
  }
  EXPECT_EQ(ReadFile(pdf), before);
}

// Graphs of the demo's first logging block: a PDF page per quantity, A4 landscape, with each
// window's title and time labels as text; pictures per quantity; then the refusals.
TEST_F(CliTest, GraphOfADemoBlockAsPagesAndPictures) {
  QFile demo(QStringLiteral(QV_SOURCE_DIR "/data/demo/demo-memory.json"));
  ASSERT_TRUE(demo.open(QIODevice::ReadOnly));
  Serve(demo.readAll().toStdString());
  const QString file = Path("log.QVL");
  ASSERT_EQ(Cli({"download", "--port", Device(), "--memory", "logging", "-o", file}).exitCode, 0);
  const QString pdf = Path("graphs.pdf");
  const CliRun graph = Cli({"graph", file, "--block", "1", "--codes", "1,57", "-o", pdf});
  ASSERT_EQ(graph.exitCode, 0) << graph.err;
  QProcess info;
  info.start(QStringLiteral("pdfinfo"), {pdf});
  ASSERT_TRUE(info.waitForFinished(30000));
  const QString pdfInfo = QString::fromUtf8(info.readAllStandardOutput());
  EXPECT_TRUE(pdfInfo.contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n"))))
      << pdfInfo.toStdString();
  EXPECT_TRUE(
      pdfInfo.contains(QRegularExpression(QStringLiteral("Page size:\\s+84[12][.0-9]* x 595"))))
      << "A4 landscape: " << pdfInfo.toStdString();
  QProcess text;
  text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
  ASSERT_TRUE(text.waitForFinished(30000));
  const QStringList pages = QString::fromUtf8(text.readAllStandardOutput()).split(QChar(0x0C));
  ASSERT_GE(pages.size(), 2);
  const QRegularExpression time(
      QStringLiteral("\\d\\d\\.\\d\\d\\.\\d\\d\\s+\\d{1,2}:\\d\\d:\\d\\d"));
  const char* titles[] = {"Air temperature", "CO2 concentration"};
  for (int page = 0; page < 2; ++page) {
    EXPECT_TRUE(pages[page].contains(QString::fromLatin1(titles[page])))
        << pages[page].toStdString();
    EXPECT_GE(pages[page].count(time), 3) << pages[page].toStdString();
  }

  // Pictures: one file per quantity, named by its first code when there are several.
  ASSERT_EQ(
      Cli({"graph", file, "--block", "1", "--code", "7", "--size", "800x500", "-o", Path("rh.png")})
          .exitCode,
      0);
  const std::string png = ReadFile(Path("rh.png"));
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  // Width and height, big-endian in the header chunk.
  const auto be32 = [&png](size_t at) {
    return (static_cast<uint32_t>(static_cast<uint8_t>(png[at])) << 24) |
           (static_cast<uint32_t>(static_cast<uint8_t>(png[at + 1])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(png[at + 2])) << 8) |
           static_cast<uint32_t>(static_cast<uint8_t>(png[at + 3]));
  };
  EXPECT_EQ(be32(16), 800u);
  EXPECT_EQ(be32(20), 500u);
  ASSERT_EQ(Cli({"graph", file, "--block", "1", "--codes", "1,5", "-o", Path("g.svg")}).exitCode,
            0);
  EXPECT_NE(ReadFile(Path("g-1.svg")).find("<svg"), std::string::npos);
  EXPECT_NE(ReadFile(Path("g-5.svg")).find("<svg"), std::string::npos);

  // Refusals leave the earlier file alone: a quantity the block does not log, a results file,
  // a wrong kind of output, a block that does not exist.
  const std::string before = ReadFile(pdf);
  const CliRun unlogged = Cli({"graph", file, "--block", "1", "--code", "13", "-o", pdf});
  EXPECT_EQ(unlogged.exitCode, 2);
  EXPECT_NE(unlogged.err.find("has no values of"), std::string::npos) << unlogged.err;
  ASSERT_EQ(
      Cli({"download", "--port", Device(), "--memory", "results", "-o", Path("r.QVL")}).exitCode,
      0);
  EXPECT_EQ(Cli({"graph", Path("r.QVL"), "--block", "1", "--code", "1", "-o", pdf}).exitCode, 1);
  EXPECT_EQ(Cli({"graph", file, "--block", "1", "--code", "1", "-o", Path("g.jpg")}).exitCode, 2);
  EXPECT_EQ(Cli({"graph", file, "--block", "99", "--code", "1", "-o", pdf}).exitCode, 1);
  EXPECT_EQ(Cli({"graph", file, "--block", "1", "--code", "1,5", "-o", pdf}).exitCode, 2);
  EXPECT_EQ(ReadFile(pdf), before);
}

// A trace of a download whose first acknowledgement is lost shows the time-out and the resend,
// byte for byte, in time order.
TEST_F(CliTest, TraceShowsTheResendOfALostAcknowledgement) {
  Serve(kResultsMemory, {"--drop-ack-once"});
  const CliRun r = Cli({"download", "--port", Device(), "--memory", "results", "--trace",
                        Path("trace.txt"), "-o", Path("r.QVL")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string trace = ReadFile(Path("trace.txt"));
  const size_t first = trace.find("-- command :SE:R\n");
  const size_t timeout = trace.find("-- time-out: 0 of 7 bytes\n", first);
  const size_t resend = trace.find("-- command :SE:R resent (attempt 2)\n", timeout);
  const size_t ack = trace.find("<I 4F 4B 0D 0A", resend);
  ASSERT_NE(first, std::string::npos) << trace.substr(0, 2000);
  EXPECT_NE(timeout, std::string::npos);
  EXPECT_NE(resend, std::string::npos);
  EXPECT_NE(ack, std::string::npos);
  EXPECT_NE(trace.find("H> 3A 53 45 3A 52 0A", resend), std::string::npos) << "the resent bytes";
  EXPECT_NE(trace.find("-- page 5\n"), std::string::npos);
  // Times never go back.
  double last = -1;
  size_t at = 0;
  while (at < trace.size()) {
    const double t = std::stod(trace.substr(at, 12));
    EXPECT_GE(t, last);
    last = t;
    at = trace.find('\n', at) + 1;
  }
}

// A dump served again by the emulator downloads to the same bytes as the instrument did, bad
// pages included.
TEST_F(CliTest, ADumpReplayedByTheEmulatorDownloadsIdentically) {
  for (const auto& [json, memory] :
       {std::pair{&kResultsMemory, "results"}, std::pair{&kLoggingMemory, "logging"}}) {
    SCOPED_TRACE(memory);
    emulator.Stop();
    Serve(*json);
    QDir(work.path()).mkpath(QStringLiteral("from-instrument"));
    QDir(work.path()).mkpath(QStringLiteral("from-dump"));
    const QString name = QStringLiteral("/%1.QVL").arg(QString::fromLatin1(memory));
    const CliRun direct = Cli(
        {"download", "--port", Device(), "--memory", memory, "-o", Path("from-instrument") + name});
    ASSERT_EQ(direct.exitCode, 0) << direct.err;
    const CliRun dump =
        Cli({"dump", "--port", Device(), "--memory", memory, "-o", Path("memory.img")});
    ASSERT_EQ(dump.exitCode, 0) << dump.err;
    const std::string bad = std::string(memory) == "results" ? "page 2" : "page 42";
    EXPECT_NE(dump.err.find(bad + ": byte sum wrong, kept as it arrived"), std::string::npos)
        << dump.err;

    EmulatorProcess replay;
    std::string error;
    ASSERT_TRUE(replay.Start(QV_BIN_DIR "/quorvantel-emulator",
                             {"--memory", Path("memory.img").toStdString()}, &error))
        << error;
    const CliRun again = Cli({"download", "--port", QString::fromStdString(replay.Device()),
                              "--memory", memory, "-o", Path("from-dump") + name});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(ReadFile(Path("from-dump") + name), ReadFile(Path("from-instrument") + name));
    EXPECT_FALSE(ReadFile(Path("from-dump") + name).empty());
  }
}

TEST_F(CliTest, CtrlCCancelsCleanly) {
  // A paced line: sixty pages take several seconds.
  const std::string json = std::string("{") + kIdentification + R"(
    "results": [{"building": 1, "room": 1, "begin": "2024-03-04 09:05:00",
                 "values": {"AirTemp": 21.5}}],
    "logging": [{"interval": 10, "start": "2024-06-01 10:00:00", "quantities": ["AirTemp"],
                 "generate": {"count": 60, "AirTemp": {"base": 20}}}]})";
  Serve(json, {"--baud", "19200"});
  QProcess* p =
      Start({"download", "--port", Device(), "--memory", "logging", "-o", Path("cancelled.QVL")});
  std::string err;
  QElapsedTimer waited;
  waited.start();
  while (err.find("10%") == std::string::npos && waited.elapsed() < 20000) {
    p->waitForReadyRead(100);
    err += p->readAllStandardError().toStdString();
  }
  ASSERT_NE(err.find("10%"), std::string::npos) << err;
  ::kill(static_cast<pid_t>(p->processId()), SIGINT);
  ASSERT_TRUE(p->waitForFinished(5000));
  EXPECT_EQ(p->exitCode(), 130);
  EXPECT_EQ(QDir(work.path()).entryList(QDir::Files), QStringList{"memory.json"});

  // The port was let go: the next download gets the instrument at once.
  const CliRun again =
      Cli({"download", "--port", Device(), "--memory", "results", "-o", Path("after.QVL")});
  EXPECT_EQ(again.exitCode, 0) << again.err;
}

// A page damaged on the wire is asked for again and arrives whole; one damaged in the memory
// stays damaged, is named, and costs its test only: the file holds every good test, byte for
// byte, and --strict turns the exit status to 3.
TEST_F(CliTest, ADamagedPageIsAskedForAgainAndOneThatStaysDamagedIsNamed) {
  Serve(kResultsMemory, {"--bad-checksum-once", "3"});
  const std::string expected =
      FileHead("r.QVL", StoredHeader(), emu::BuildSettingsBlock(model.ident)) +
      ResultsSection(model, kKeptResults);
  const std::string told =
      "quorvantel-cli: page 2 (building 1, room 1) arrived with a wrong byte sum each of the 3 "
      "times it was asked for: one test is missing from " +
      Path("r.QVL").toStdString();
  for (const bool strict : {false, true}) {
    SCOPED_TRACE(strict ? "--strict" : "");
    QStringList args{"download", "--port",          Device(), "--memory",   "results",
                     "--trace",  Path("trace.txt"), "-o",     Path("r.QVL")};
    if (strict) args << "--strict";
    const CliRun r = Cli(args);
    EXPECT_EQ(r.exitCode, strict ? 3 : 0) << r.err;
    EXPECT_EQ(ReadFile(Path("r.QVL")), expected);
    EXPECT_EQ(r.Complaints(), std::vector<std::string>{told});
    const std::string trace = ReadFile(Path("trace.txt"));
    // Page 3 came damaged once, the first time only; page 2 every time.
    EXPECT_EQ(trace.find("-- byte sum wrong: page 3 asked for again (attempt 2 of 3)") !=
                  std::string::npos,
              !strict)
        << trace.substr(0, 3000);
    EXPECT_NE(trace.find("-- byte sum wrong: page 2 asked for again (attempt 3 of 3)"),
              std::string::npos);
  }
}

// The path of the lock file Qt's serial port keeps for a device, found as Qt finds it.
QString LockFileOf(const std::string& device) {
  QString name = QString::fromStdString(device).mid(5);  // without "/dev/"
  name.replace(QLatin1Char('/'), QLatin1Char('_'));
  for (const char* folder : {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp",
                             "/tmp", "/var/tmp", "/var/lock/lockdev", "/run/lock"}) {
    const QFileInfo dir(QString::fromLatin1(folder));
    const QString file = dir.filePath() + QStringLiteral("/LCK..") + name;
    if (dir.isReadable() && (QFile::exists(file) || dir.isWritable())) return file;
  }
  return {};
}

// SIGTERM and SIGHUP cancel as Ctrl+C does: the port is let go (no lock file left), the trace is
// written, and the exit status says which signal. A SIGKILL leaves its lock behind: the port
// report calls it stale, and the next download goes ahead through it.
TEST_F(CliTest, StopSignalsCancelCleanlyAndAStaleLockIsSeenThrough) {
  // A paced line: sixty pages take several seconds.
  const std::string json = std::string("{") + kIdentification + R"(
    "results": [{"building": 1, "room": 1, "begin": "2024-03-04 09:05:00",
                 "values": {"AirTemp": 21.5}}],
    "logging": [{"interval": 10, "start": "2024-06-01 10:00:00", "quantities": ["AirTemp"],
                 "generate": {"count": 60, "AirTemp": {"base": 20}}}]})";
  Serve(json, {"--baud", "19200"});
  const QString lock = LockFileOf(emulator.Device());
  ASSERT_FALSE(lock.isEmpty());
  struct Case {
    int signal;
    int exitCode;
    const char* said;
  };
  for (const Case c : {Case{SIGTERM, 143, "download cancelled by SIGTERM; nothing was written"},
                       Case{SIGHUP, 129, "download cancelled by SIGHUP; nothing was written"},
                       Case{SIGKILL, -1, nullptr}}) {
    SCOPED_TRACE(c.signal);
    QFile::remove(Path("trace.txt"));
    QProcess* p = Start({"download", "--port", Device(), "--memory", "logging", "--trace",
                         Path("trace.txt"), "-o", Path("stopped.QVL")});
    std::string err;
    QElapsedTimer waited;
    waited.start();
    while (err.find("10%") == std::string::npos && waited.elapsed() < 20000) {
      p->waitForReadyRead(100);
      err += p->readAllStandardError().toStdString();
    }
    ASSERT_NE(err.find("10%"), std::string::npos) << err;
    EXPECT_TRUE(QFile::exists(lock)) << "the open port's lock file " << lock.toStdString();
    const auto pid = static_cast<pid_t>(p->processId());
    ::kill(pid, c.signal);
    ASSERT_TRUE(p->waitForFinished(5000));
    err += p->readAllStandardError().toStdString();
    EXPECT_FALSE(QFile::exists(Path("stopped.QVL")));
    if (c.said != nullptr) {
      EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
      EXPECT_EQ(p->exitCode(), c.exitCode);
      EXPECT_NE(err.find(c.said), std::string::npos) << err;
      EXPECT_FALSE(QFile::exists(lock)) << "left behind: " << lock.toStdString();
      // Every page asked for up to the signal: a tenth of sixty, at least.
      const std::string trace = ReadFile(Path("trace.txt"));
      size_t pages = 0;
      for (size_t at = trace.find("-- page "); at != std::string::npos;
           at = trace.find("-- page ", at + 1))
        ++pages;
      EXPECT_GE(pages, 6u) << trace.substr(0, 2000);
    } else {
      EXPECT_TRUE(QFile::exists(lock)) << "a killed process cannot clean up";
      const CliRun ports = Cli({"ports", "--json", Device()});
      QJsonObject pty;
      for (const QJsonValue& v :
           QJsonDocument::fromJson(QByteArray::fromStdString(ports.out))["serialDevices"].toArray())
        if (v["path"].toString() == Device()) pty = v.toObject();
      ASSERT_EQ(pty["locks"].toArray().size(), 1) << ports.out;
      EXPECT_TRUE(pty["locks"][0]["stale"].toBool()) << ports.out;
      EXPECT_EQ(pty["locks"][0]["pid"].toInt(), static_cast<int>(pid));
    }
    // The instrument is free at once for the next download.
    const CliRun again =
        Cli({"download", "--port", Device(), "--memory", "results", "-o", Path("after.QVL")});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_FALSE(QFile::exists(lock));
  }
}

// A muted instrument is given up after --timeout, not after the protocol's hour.
TEST_F(CliTest, TimeoutEndsADownloadFromAMutedInstrument) {
  Serve(kResultsMemory, {"--mute-after", "1"});
  QElapsedTimer took;
  took.start();
  const CliRun r = Cli({"download", "--port", Device(), "--memory", "results", "--timeout", "2",
                        "-o", Path("muted.QVL")});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_LT(took.elapsed(), 15000);
  EXPECT_EQ(r.Complaints(), std::vector<std::string>{"quorvantel-cli: Communication with the "
                                                     "instrument failed.   Error #2C"});
  EXPECT_FALSE(QFile::exists(Path("muted.QVL")));
  const CliRun bad = Cli({"download", "--port", Device(), "--memory", "results", "--timeout",
                          "3457", "-o", Path("muted.QVL")});
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_NE(bad.err.find("--timeout must be a number of seconds from 1 to 3456"),
            std::string::npos);
}

TEST_F(CliTest, PortsJsonNamesTheDevicesAskedForAndTheirHolders) {
  Serve(kResultsMemory);
  const CliRun r = Cli({"ports", "--json", Device(), "/dev/no-such-tty"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  QJsonParseError error;
  const QJsonObject top =
      QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error).object();
  ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out;
  QJsonObject found, gone;
  for (const QJsonValue& v : top["serialDevices"].toArray()) {
    const QJsonObject port = v.toObject();
    if (port["path"].toString() == Device()) found = port;
    if (port["path"].toString() == "/dev/no-such-tty") gone = port;
  }
  const QJsonObject pty = found, missing = gone;
  ASSERT_FALSE(pty.isEmpty()) << r.out;
  EXPECT_TRUE(pty["asked"].toBool());
  EXPECT_TRUE(pty["access"]["canOpen"].toBool());
  // The emulator keeps its end of the pseudo-terminal open: found through /proc.
  bool emulatorHolds = false;
  for (const QJsonValue& h : pty["heldBy"].toArray())
    emulatorHolds = emulatorHolds || h["name"].toString().startsWith("quorvantel-emu");
  EXPECT_TRUE(emulatorHolds) << r.out;
  ASSERT_FALSE(missing.isEmpty()) << r.out;
  EXPECT_EQ(missing["access"]["reason"].toString(), "missing");
  EXPECT_TRUE(top["usbBridges"]["libraryLoaded"].isBool());
  EXPECT_EQ(top["usbBridges"]["descriptionsTried"].toArray().size(), 4);
}

TEST_F(CliTest, PortFailureTellsWhyAfterTheMessage) {
  const CliRun r =
      Cli({"download", "--port", "/dev/no-such-tty", "--memory", "results", "-o", Path("x.QVL")});
  EXPECT_EQ(r.exitCode, 1);
  const std::string expected =
      "quorvantel-cli: The port cannot be opened.   /dev/no-such-tty\n\n/dev/no-such-tty does "
      "not exist: the adapter may be unplugged, or the system gave it another name.";
  EXPECT_EQ(r.err.substr(0, expected.size()), expected) << r.err;
}

struct FailureCase {
  const char* name;
  QStringList args;  // "DEVICE" is replaced by the emulator's device, "OUT" by the output file
  int exitCode;
  const char* message;  // the start of the one line on stderr
};

void PrintTo(const FailureCase& c, std::ostream* os) {
  *os << c.name;
}

class CliFailureTest : public CliTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(CliFailureTest, PrintsOneLineAndWritesNothing) {
  const FailureCase& c = GetParam();
  Serve(kLoggingMemory);
  QStringList args;
  for (const QString& a : c.args) {
    args << (a == "DEVICE" ? Device() : a == "OUT" ? Path("out.file") : a);
  }
  const CliRun r = Cli(args);
  EXPECT_EQ(r.exitCode, c.exitCode);
  const std::vector<std::string> complaints = r.Complaints();
  ASSERT_EQ(complaints.size(), 1u) << r.err;
  EXPECT_EQ(complaints[0].rfind(c.message, 0), 0u) << r.err;
  EXPECT_FALSE(QFile::exists(Path("out.file")));
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliFailureTest,
    ::testing::Values(
        FailureCase{"NoMemory",
                    {"download", "--port", "DEVICE", "-o", "OUT"},
                    2,
                    "quorvantel-cli download: --memory results|logging is required"},
        FailureCase{"UnknownMemory",
                    {"download", "--port", "DEVICE", "--memory", "flash", "-o", "OUT"},
                    2,
                    "quorvantel-cli download: --memory must be results or logging"},
        FailureCase{
            "BlockZero",
            {"download", "--port", "DEVICE", "--memory", "logging", "--blocks", "0", "-o", "OUT"},
            2,
            "quorvantel-cli download: --blocks must be"},
        FailureCase{"UnknownOption",
                    {"info", "--colour", "OUT"},
                    2,
                    "quorvantel-cli info: unknown option --colour"},
        FailureCase{"BadLineEnd",
                    {"export", "OUT", "-o", "OUT", "--eol", "crcr"},
                    2,
                    "quorvantel-cli export: --eol must be crlf, cr or lf"},
        FailureCase{
            "MissingFile", {"convert", "OUT", "--block", "1", "-o", "OUT"}, 1, "quorvantel-cli: "},
        FailureCase{"NoSuchPort",
                    {"download", "--port", "/dev/no-such-tty", "--memory", "results", "-o", "OUT"},
                    1,
                    "quorvantel-cli: The port cannot be opened."},
        FailureCase{
            "NoSuchBlock",
            {"download", "--port", "DEVICE", "--memory", "logging", "--blocks", "2,4", "-o", "OUT"},
            1,
            "quorvantel-cli: there is no logging block 4: the memory holds 3 blocks"},
        FailureCase{"NoResults",
                    {"download", "--port", "DEVICE", "--memory", "results", "-o", "OUT"},
                    1,
                    "quorvantel-cli: The instrument holds no data to download."}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

class QtApplication : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "qv_test_cli";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QCoreApplication>(argc, argv);
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<QCoreApplication> app_;
};

const auto* const registered = ::testing::AddGlobalTestEnvironment(new QtApplication);

}  // namespace
}  // namespace qv::test

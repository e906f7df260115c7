// quorvantel-cli archive end to end: results files written out from memory descriptions (as a
// download saves them), added, listed and queried by the tool's processes; the rows must be
// the numbers the files hold, and a tool killed while adding must leave a sound archive.
#include "ExpectedFiles.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <signal.h>

#include <set>

namespace qv::test {
namespace {

constexpr const char* kIdentification = R"(
  "identification": {"type": "QV-PRO 5", "code": "5025", "producer": "Quorvantel Instruments",
                     "firmware": "5.12", "serial": "24031907"},)";

const std::string kResultsMemory = std::string("{") + kIdentification + R"(
  "results": [
    {"building": 1, "buildingName": "School", "room": 1, "roomName": "Classroom 1A",
     "begin": "2024-03-04 09:05:00", "end": "2024-03-04 09:15:00",
     "values": {"AirTemp": [21.5, 21.0, 21.3, 22.0], "CO2": [800, 700, 750, 900]}},
    {"building": 1, "buildingName": "School", "room": 2, "roomName": "Office",
     "begin": "2024-03-04 10:00:00", "values": {"RelHum": [45.5, 44.0, 45.0, 47.0]}}
  ]
})";

const std::string kLoggingMemory = std::string("{") + kIdentification + R"(
  "logging": [
    {"number": 1, "interval": 60, "start": "2024-03-05 08:00:00", "buildingName": "School",
     "roomName": "Classroom 1A", "quantities": ["AirTemp", "CO2"],
     "samples": [[21.0, 650], [21.2, 700], [21.4, 720]]},
    {"number": 2, "interval": 600, "start": "2024-03-05 07:00:00", "buildingName": "Depot",
     "roomName": "Hall", "quantities": ["AirTemp"], "samples": [[12.5], [12.0]]}
  ]
})";

emu::MemoryModel Model(const std::string& json) {
  std::string error;
  auto model = emu::ParseMemoryJson(emu::ByteVec(json.begin(), json.end()), &error);
  EXPECT_TRUE(model) << error;
  return model ? *model : emu::MemoryModel{};
}

std::string ResultsFile(const std::string& json, const char* name) {
  const emu::MemoryModel model = Model(json);
  std::vector<size_t> all(model.results.size());
  for (size_t i = 0; i < all.size(); ++i)
    all[i] = i;
  return FileHead(name, {}, emu::BuildSettingsBlock(model.ident)) + ResultsSection(model, all);
}

std::string LoggingFile(const std::string& json, const char* name) {
  const emu::MemoryModel model = Model(json);
  std::vector<size_t> all(model.blocks.size());
  for (size_t i = 0; i < all.size(); ++i)
    all[i] = i;
  return FileHead(name, {}, emu::BuildSettingsBlock(model.ident)) + LoggerSection(model, all, {});
}

struct Ran {
  int exitCode = -1;
  std::string out;
  std::string err;
  QJsonObject Json() const {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(out), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << out;
    return doc.object();
  }
};

class CliArchive : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(work.isValid()); }

  QString Path(const QString& name) const { return work.filePath(name); }

  void Write(const QString& name, const std::string& bytes) {
    QDir().mkpath(QFileInfo(Path(name)).absolutePath());
    QFile f(Path(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes.data(), static_cast<qint64>(bytes.size()));
  }

  void Prepare(QProcess& p) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), Path("config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), Path("data"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    p.setProcessEnvironment(env);
  }

  // The tool with `args` after "archive"; the archive is the one under XDG_DATA_HOME.
  Ran Cli(const QStringList& args) {
    QProcess p;
    Prepare(p);
    p.start(QStringLiteral(QV_BIN_DIR "/quorvantel-cli"), QStringList{"archive"} + args);
    EXPECT_TRUE(p.waitForFinished(60000));
    Ran r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    return r;
  }

  void WriteSurvey() {
    Write("in/results.QVL", ResultsFile(kResultsMemory, "results.QVL"));
    Write("in/logging/logging.qvl", LoggingFile(kLoggingMemory, "logging.qvl"));
  }

  QTemporaryDir work;
};

TEST_F(CliArchive, AddsListsAndQueries) {
  WriteSurvey();
  Ran r = Cli({"add", "--json", Path("in")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(QFile::exists(Path("data/quorvantel/archive.sqlite")));
  EXPECT_EQ(r.Json(), QJsonObject({{"added_files", 2},
                                   {"skipped_files", 0},
                                   {"tests", 2},
                                   {"blocks", 2},
                                   {"samples", 8 * 3 + 4 * 2},
                                   {"errors", QJsonArray()}}));
  r = Cli({"add", "--json", Path("in")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.Json()["added_files"], 0);
  EXPECT_EQ(r.Json()["skipped_files"], 2);
  EXPECT_EQ(r.Json()["tests"].toInt() + r.Json()["blocks"].toInt(), 0);

  // A room's CO2 (code 57, the current value) across both visits, by time.
  r = Cli({"query", "--json", "--building", "School", "--room", "Classroom 1A", "--code", "57"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const QString results = Path("in/results.QVL");
  const QString logging = Path("in/logging/logging.qvl");
  const auto row = [](const char* time, double value, const QString& source) {
    return QJsonObject{{"building", "School"}, {"room", "Classroom 1A"}, {"time", time},
                       {"code", 57},           {"value", value},         {"unit", "ppm"},
                       {"source", source}};
  };
  EXPECT_EQ(r.Json(),
            QJsonObject({{"rows", QJsonArray{row("2024-03-04T09:05:00", 800, results),
                                             row("2024-03-05T08:00:00", 650, logging),
                                             row("2024-03-05T08:01:00", 700, logging),
                                             row("2024-03-05T08:02:00", 720, logging)}}}));

  // The temperatures of one day as CSV, values as the files write them.
  r = Cli({"query", "--code", "1", "--from", "2024-03-05", "--to", "2024-03-05"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string csvLogging = logging.toStdString();
  EXPECT_EQ(r.out,
            "building,room,time,code,value,unit,source\r\n"
            "Depot,Hall,2024-03-05T07:00:00,1,12.5,\xC2\xB0"
            "C," +
                csvLogging +
                "\r\n"
                "Depot,Hall,2024-03-05T07:10:00,1,12,\xC2\xB0"
                "C," +
                csvLogging +
                "\r\n"
                "School,Classroom 1A,2024-03-05T08:00:00,1,21,\xC2\xB0"
                "C," +
                csvLogging +
                "\r\n"
                "School,Classroom 1A,2024-03-05T08:01:00,1,21.2,\xC2\xB0"
                "C," +
                csvLogging +
                "\r\n"
                "School,Classroom 1A,2024-03-05T08:02:00,1,21.4,\xC2\xB0"
                "C," +
                csvLogging + "\r\n");

  r = Cli({"list", "--json", "--building", "School"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const QJsonArray buildings = r.Json()["buildings"].toArray();
  ASSERT_EQ(buildings.size(), 1);
  const QJsonArray rooms = buildings[0]["rooms"].toArray();
  ASSERT_EQ(rooms.size(), 2);
  EXPECT_EQ(rooms[0]["name"], "Classroom 1A");
  const QJsonArray visits = rooms[0]["visits"].toArray();
  ASSERT_EQ(visits.size(), 2);
  EXPECT_EQ(visits[0]["date"], "2024-03-04");
  ASSERT_EQ(visits[0]["tests"].toArray().size(), 1);
  const QJsonObject test = visits[0]["tests"].toArray()[0].toObject();
  EXPECT_EQ(test["begin"], "2024-03-04T09:05:00");
  EXPECT_EQ(test["end"], "2024-03-04T09:15:00");
  EXPECT_EQ(test["codes"], (QJsonArray{1, 2, 3, 4, 57, 58, 59, 60}));
  EXPECT_EQ(test["source"], results);
  EXPECT_EQ(visits[1]["date"], "2024-03-05");
  const QJsonObject block = visits[1]["blocks"].toArray()[0].toObject();
  EXPECT_EQ(block["start"], "2024-03-05T08:00:00");
  EXPECT_EQ(block["end"], "2024-03-05T08:02:00");
  EXPECT_EQ(block["interval"], 60);
  EXPECT_EQ(block["samples"], 3);
  EXPECT_EQ(rooms[1]["name"], "Office");

  r = Cli({"list"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "Depot\n"
            "  Hall\n"
            "    2024-03-05  1 block of 2 samples\n"
            "School\n"
            "  Classroom 1A\n"
            "    2024-03-04  1 test\n"
            "    2024-03-05  1 block of 3 samples\n"
            "  Office\n"
            "    2024-03-04  1 test\n");
}

// Names are the files' bytes in the language's code page (windows-1252 here): a typed name is
// encoded and matched exactly, and shown decoded.
TEST_F(CliArchive, NamesMatchExactlyInTheCodePage) {
  std::string file = ResultsFile(kResultsMemory, "results.QVL");
  const size_t at = file.find("RoomName: Office;");
  ASSERT_NE(at, std::string::npos);
  file.replace(at, 17, "RoomName: Caf\xE9;");
  Write("in/results.QVL", file);
  ASSERT_EQ(Cli({"add", Path("in")}).exitCode, 0);

  Ran r = Cli({"query", "--json", "--room", "Caf\xC3\xA9"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const QJsonArray rows = r.Json()["rows"].toArray();
  ASSERT_EQ(rows.size(), 4);  // four relative-humidity values
  EXPECT_EQ(rows[0]["room"], QString::fromUtf8("Caf\xC3\xA9"));
  EXPECT_EQ(rows[0]["unit"], "%RH");
  for (const char* other : {"caf\xC3\xA9", "Cafe", "Caf\xC3\xA9 "}) {
    r = Cli({"query", "--json", "--room", other});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.Json()["rows"].toArray().isEmpty()) << other;
  }
  r = Cli({"list", "--search", "caf\xC3\xA9"});
  EXPECT_NE(r.out.find("  Caf\xC3\xA9\n"), std::string::npos) << r.out << r.err;
}

TEST_F(CliArchive, ADamagedFileIsReportedAndTheOthersAdded) {
  WriteSurvey();
  std::string damaged = ResultsFile(kResultsMemory, "damaged.QVL");
  damaged.resize(damaged.find("$MEASUREMENTS%") - 10);
  Write("in/damaged.QVL", damaged);
  Ran r = Cli({"add", "--json", Path("in"), Path("absent.QVL")});
  EXPECT_EQ(r.exitCode, 1);
  const QJsonObject json = r.Json();
  EXPECT_EQ(json["added_files"], 2);
  EXPECT_EQ(
      json["errors"],
      (QJsonArray{QJsonObject{{"path", Path("absent.QVL")}, {"message", "No such file or folder"}},
                  QJsonObject{{"path", Path("in/damaged.QVL")},
                              {"message",
                               "This is not a valid results file.   "
                               "Error #1"}}}));
  // Without --json: a line per file and the summary.
  Write("in2/damaged.QVL", damaged);
  r = Cli({"add", Path("in2"), Path("in/results.QVL")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "skipped " + Path("in/results.QVL").toStdString() +
                       ": added before\n"
                       "0 files added (0 tests, 0 blocks, 0 logged values), 1 skipped, 1 failed\n");
  EXPECT_EQ(r.err, "quorvantel-cli: " + Path("in2/damaged.QVL").toStdString() +
                       ": This is not a valid results file.   Error #1\n");
}

TEST_F(CliArchive, TellsMistakesAndRefusesANewerArchive) {
  struct Case {
    QStringList args;
    int exitCode;
    const char* err;
  };
  for (const Case& c : std::vector<Case>{
           {{"query"}, 1, "There is no archive at "},
           {{"add"}, 2, "give the results files or folders to add"},
           {{"query", "--code", "70"}, 2, "--code must be a signal code from 1 to 67"},
           {{"query", "--from", "2024-02-30"}, 2, "--from must be a date YYYY-MM-DD"},
           {{"query", "--json", "--format", "csv"}, 2, "--json and --format csv disagree"},
           {{"remove"}, 2, "unknown subcommand \"remove\""},
       }) {
    const Ran r = Cli(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString();
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
  }
  // The newer database is one the tool made and a later version marked as its own.
  WriteSurvey();
  ASSERT_EQ(Cli({"add", Path("in"), "--archive", Path("db.sqlite")}).exitCode, 0);
  QFile db(Path("db.sqlite"));
  ASSERT_TRUE(db.open(QIODevice::ReadWrite));
  ASSERT_TRUE(db.seek(60));  // user_version in the database header, big-endian
  db.write(QByteArray("\0\0\0\x09", 4));
  db.close();
  const Ran r = Cli({"list", "--archive", Path("db.sqlite")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "quorvantel-cli: The archive " + Path("db.sqlite").toStdString() +
                       " was written by a newer version of Quorvantel (archive version 9; this "
                       "version reads versions up to 1). Open it with that version or a newer "
                       "one.\n");
}

// Killed while adding, the tool leaves a database that opens and holds every file it said it
// had added; adding again brings the rest, each file once.
TEST_F(CliArchive, KilledWhileAddingKeepsEveryFileAddedBefore) {
  const emu::MemoryModel base = Model(kResultsMemory);
  constexpr int kFiles = 400;
  for (int i = 0; i < kFiles; ++i) {
    emu::MemoryModel model = base;
    for (emu::ResultTest& t : model.results) {
      t.begin.stamp.day = 1 + i % 28;
      t.begin.stamp.month = 1 + i / 28 % 12;
      t.begin.stamp.year = 2020 + i / (28 * 12);
    }
    const QString name = QStringLiteral("in/f%1.QVL").arg(i, 3, 10, QLatin1Char('0'));
    Write(name, FileHead("f.QVL", {}, emu::BuildSettingsBlock(model.ident)) +
                    ResultsSection(model, {0, 1}));
  }
  QProcess p;
  Prepare(p);
  p.start(QStringLiteral(QV_BIN_DIR "/quorvantel-cli"), {"archive", "add", Path("in")});
  ASSERT_TRUE(p.waitForStarted(5000));
  std::set<std::string> reported;
  std::string pending;
  while (reported.size() < 30 && p.state() == QProcess::Running) {
    p.waitForReadyRead(5000);
    pending += p.readAllStandardOutput().toStdString();
    for (size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
      const std::string line = pending.substr(0, end);
      if (line.starts_with("added ")) reported.insert(line.substr(6, line.find(": ") - 6));
    }
  }
  ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
  p.waitForFinished(5000);
  ASSERT_GE(reported.size(), 30u) << "the tool finished before it was killed";

  Ran r = Cli({"list", "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::set<std::string> stored;
  for (const QJsonValue b : r.Json()["buildings"].toArray()) {
    for (const QJsonValue room : b["rooms"].toArray()) {
      for (const QJsonValue v : room["visits"].toArray()) {
        for (const QJsonValue t : v["tests"].toArray())
          stored.insert(t["source"].toString().toStdString());
      }
    }
  }
  for (const std::string& path : reported)
    EXPECT_EQ(stored.count(path), 1u) << path;
  ASSERT_LT(stored.size(), static_cast<size_t>(kFiles)) << "nothing was left to interrupt";

  r = Cli({"add", "--json", Path("in")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const QJsonObject json = r.Json();
  EXPECT_EQ(json["skipped_files"].toInt(), static_cast<int>(stored.size()));
  EXPECT_EQ(json["added_files"].toInt(), kFiles - static_cast<int>(stored.size()));
  r = Cli({"query", "--json", "--code", "57"});
  EXPECT_EQ(r.Json()["rows"].toArray().size(), kFiles);  // one CO2 value per file
}

}  // namespace
}  // namespace qv::test

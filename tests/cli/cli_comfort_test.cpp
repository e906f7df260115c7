// quorvantel-cli comfort end to end: a block made with every quantity comfort reads, the demo
// instrument's logging memory, and the point form, each downloaded from the emulator program
// and checked against the published values of ISO 7730 and ISO 7726 and against the memory.
#include "core/link/EmulatorProcess.h"
#include "memimage/MemoryImage.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace qv::test {
namespace {

// Samples 1-3 are ISO 7730 Table D.1 runs 1-3 with the globe at air temperature (tr = ta);
// sample 4 has no air temperature; sample 5 is the ISO 7726 globe case tg 53.2 °C at 30 °C
// air and 0.3 m/s, whose radiant temperature is far beyond the PMV's range.
constexpr const char* kComfortMemory = R"({
  "identification": {"type": "QV-PRO 5", "code": "5025", "producer": "Quorvantel Instruments",
                     "firmware": "5.12", "serial": "24031907", "resultsPercent": 0,
                     "loggingPercent": 1},
  "logging": [
    {"interval": 300, "start": "2024-06-01 10:00:00", "buildingName": "Depot",
     "roomName": "Hall", "unit": "SI",
     "quantities": ["AirTemp", "RelHum", "AirVel", "GlobeTemp", "WBGT"],
     "samples": [[22, 60, 0.1, 22, 25], [27, 60, 0.1, 27, 29.5], [27, 60, 0.3, 27, 31],
                 [3.4e38, 60, 0.1, 22, 25], [30, 60, 0.3, 53.2, 32]],
     "params": {"mode": 2, "altitude": 45, "metabolicRate": 1.2, "clothing": 0.5}}
  ]
})";

struct CliRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

class ComfortCli : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(work.isValid());
    QDir(work.path()).mkpath(QStringLiteral("config"));
  }
  QString Path(const char* name) const { return work.filePath(QString::fromUtf8(name)); }

  CliRun Cli(const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), Path("config"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(QV_BIN_DIR "/quorvantel-cli"), args);
    EXPECT_TRUE(p.waitForFinished(60000));
    CliRun r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    return r;
  }

  // The logging memory `json` downloaded from the emulator into `file`; its description in
  // `model`.
  void Download(const std::string& json, const QString& file) {
    std::string error;
    const auto parsed = emu::ParseMemoryJson(emu::ByteVec(json.begin(), json.end()), &error);
    ASSERT_TRUE(parsed) << error;
    model = *parsed;
    QFile f(Path("memory.json"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(json.data(), static_cast<qint64>(json.size()));
    f.close();
    ASSERT_TRUE(emulator.Start(QV_BIN_DIR "/quorvantel-emulator",
                               {"--memory", Path("memory.json").toStdString()}, &error))
        << error;
    const CliRun r = Cli({"download", "--port", QString::fromStdString(emulator.Device()),
                          "--memory", "logging", "-o", file});
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }

  static QJsonObject Json(const CliRun& r) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << r.out.substr(0, 2000);
    return doc.object();
  }

  QTemporaryDir work;
  EmulatorProcess emulator;
  emu::MemoryModel model;
};

TEST_F(ComfortCli, BlockWithEveryQuantityInJsonCsvAndText) {
  const QString file = Path("comfort.QVL");
  Download(kComfortMemory, file);

  const CliRun json = Cli({"comfort", file, "--block", "1", "--d", "0.1", "--json"});
  ASSERT_EQ(json.exitCode, 0) << json.err;
  const QJsonObject top = Json(json);
  EXPECT_EQ(top["block"].toInt(), 1);
  EXPECT_NEAR(top["met"].toDouble(), 1.2, 1e-6);
  EXPECT_NEAR(top["clo"].toDouble(), 0.5, 1e-6);
  EXPECT_EQ(top["assumed"]["tr"], QJsonValue(false));
  EXPECT_EQ(top["assumed"]["va"], QJsonValue(false));
  const QJsonArray samples = top["samples"].toArray();
  ASSERT_EQ(samples.size(), 5);
  const struct {
    const char* time;
    double pmv, ppd;
    const char* iso;
    const char* en;
  } table[] = {
      {"2024-06-01T10:00:00", -0.75, 17, "-", "IV"},
      {"2024-06-01T10:05:00", 0.77, 17, "-", "IV"},
      {"2024-06-01T10:10:00", 0.44, 9, "C", "II"},  // B by its PMV, C by a draught of 22 %
  };
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const QJsonObject s = samples[i].toObject();
    EXPECT_EQ(s["time"].toString(), table[i].time);
    EXPECT_NEAR(s["pmv"].toDouble(), table[i].pmv, 0.01);
    EXPECT_NEAR(s["ppd"].toDouble(), table[i].ppd, 1);
    EXPECT_DOUBLE_EQ(s["tr"].toDouble(), s["ta"].toDouble());
    EXPECT_EQ(s["iso7730"].toString(), table[i].iso);
    EXPECT_EQ(s["en16798"].toString(), table[i].en);
    // Unrounded: not the two decimals a person reads.
    const double pmv = s["pmv"].toDouble();
    EXPECT_NE(std::round(pmv * 100) / 100, pmv);
  }
  const QJsonObject noAir = samples[3].toObject();
  for (const char* key : {"ta", "tr", "to", "pmv", "ppd", "dr", "iso7730"})
    EXPECT_TRUE(noAir[key].isNull()) << key;
  EXPECT_DOUBLE_EQ(noAir["rh"].toDouble(), 60);
  const QJsonObject globe = samples[4].toObject();
  EXPECT_NEAR(globe["tr"].toDouble(), 74.8, 0.05);
  EXPECT_NEAR(globe["to"].toDouble(),
              (30 * std::sqrt(3.0) + globe["tr"].toDouble()) / (1 + std::sqrt(3.0)), 1e-6);
  EXPECT_TRUE(globe["pmv"].isNull());
  EXPECT_TRUE(globe["en16798"].isNull());

  const QJsonObject summary = top["summary"].toObject();
  EXPECT_EQ(summary["samples"].toInt(), 5);
  EXPECT_EQ(summary["evaluated"].toInt(), 3);
  EXPECT_NEAR(summary["iso7730"]["C"].toDouble(), 100.0 / 3, 1e-9);
  EXPECT_NEAR(summary["iso7730"]["-"].toDouble(), 200.0 / 3, 1e-9);
  EXPECT_DOUBLE_EQ(summary["iso7730"]["A"].toDouble(), 0);
  EXPECT_NEAR(summary["en16798"]["II"].toDouble(), 100.0 / 3, 1e-9);
  EXPECT_NEAR(summary["en16798"]["IV"].toDouble(), 200.0 / 3, 1e-9);
  EXPECT_NEAR(summary["pmv"]["min"].toDouble(), -0.75, 0.01);
  EXPECT_NEAR(summary["pmv"]["max"].toDouble(), 0.77, 0.01);
  // WBGT 25, 29.5, 31, 25, 32 against 30 °C (1.2 met: class 1, acclimatised).
  EXPECT_DOUBLE_EQ(summary["wbgt_above_reference"].toDouble(), 40);
  const CliRun notAcclimatised = Cli({"comfort", file, "--json", "--not-acclimatised"});
  const QJsonObject strangers = Json(notAcclimatised);  // 29 °C
  EXPECT_DOUBLE_EQ(strangers["summary"]["wbgt_above_reference"].toDouble(), 60);

  // Rounded for people.
  const CliRun csv = Cli({"comfort", file, "--format", "csv", "--d", "0.1"});
  ASSERT_EQ(csv.exitCode, 0) << csv.err;
  EXPECT_EQ(csv.out.substr(0, csv.out.find("\r\n2024-06-01T10:05")),
            "time,ta °C,rh %,va m/s,tg °C,tr °C,to °C,pmv,ppd %,dr %,iso7730,en16798\r\n"
            "2024-06-01T10:00:00,22.0,60.0,0.10,22.0,22.0,22.0,-0.75,16.9,8.7,-,IV");
  EXPECT_NE(csv.out.find("\r\n2024-06-01T10:15:00,,60.0,0.10,22.0,,,,,,,\r\n"), std::string::npos)
      << csv.out;
  EXPECT_EQ(std::count(csv.out.begin(), csv.out.end(), '\n'), 6);
  const CliRun text = Cli({"comfort", file, "--skip", "5"});
  ASSERT_EQ(text.exitCode, 0) << text.err;
  for (const char* line :
       {"Metabolic rate: 1.2 met (from the block)\n",
        "Mean radiant temperature: from the logged globe (diameter 0.15 m, emissivity 0.95)\n",
        "Air velocity: logged\n",
        "Summary of 4 samples after the first 5 min (1 skipped); 2 with a PMV\n",
        "ISO 7730 categories:    A 0.0 %  B 0.0 %  C 50.0 %  - 50.0 %\n",
        "EN 16798-1 categories:  I 0.0 %  II 50.0 %  III 0.0 %  IV 50.0 %  - 0.0 %\n"}) {
    EXPECT_NE(text.out.find(line), std::string::npos) << line << "\nin\n" << text.out;
  }
}

TEST_F(ComfortCli, DemoLoggingMemory) {
  QFile demo(QStringLiteral(QV_SOURCE_DIR "/data/demo/demo-memory.json"));
  ASSERT_TRUE(demo.open(QIODevice::ReadOnly));
  const QString file = Path("demo.QVL");
  Download(demo.readAll().toStdString(), file);

  // Block 1 logs air temperature and humidity and sets no parameters.
  const CliRun unset = Cli({"comfort", file});
  EXPECT_EQ(unset.exitCode, 2);
  EXPECT_EQ(unset.err,
            "quorvantel-cli comfort: block 1 sets no metabolic rate and no clothing: give them "
            "with --met M and --clo C\n");
  const CliRun noClothing = Cli({"comfort", file, "--met", "1.2"});
  EXPECT_NE(noClothing.err.find("block 1 sets no clothing: give it with --clo C"),
            std::string::npos)
      << noClothing.err;

  const CliRun office = Cli({"comfort", file, "--met", "1.2", "--clo", "0.7", "--json"});
  ASSERT_EQ(office.exitCode, 0) << office.err;
  const QJsonObject top = Json(office);
  EXPECT_EQ(top["assumed"]["tr"], QJsonValue(true));
  EXPECT_EQ(top["assumed"]["va"], QJsonValue(true));
  const QJsonArray samples = top["samples"].toArray();
  ASSERT_EQ(samples.size(), 576);
  int evaluated = 0;
  for (const QJsonValue& v : samples) {
    const QJsonObject s = v.toObject();
    EXPECT_EQ(s["tr"], s["ta"]);
    EXPECT_DOUBLE_EQ(s["va"].toDouble(), 0.1);
    EXPECT_TRUE(s["tg"].isNull());
    if (!s["pmv"].isNull()) ++evaluated;
  }
  EXPECT_GT(evaluated, 500);
  EXPECT_EQ(top["summary"]["evaluated"].toInt(), evaluated);
  EXPECT_TRUE(top["summary"]["wbgt_above_reference"].isNull()) << "no WBGT logged";
  const CliRun officeText = Cli({"comfort", file, "--met", "1.2", "--clo", "0.7"});
  for (const char* line :
       {"Clothing: 0.70 clo (given)\n",
        "Mean radiant temperature: assumed equal to the air temperature (no globe logged)\n",
        "Air velocity: assumed 0.10 m/s (no air velocity logged)\n",
        "(draught rate not weighed: velocity assumed)\n"}) {
    EXPECT_NE(officeText.out.find(line), std::string::npos) << line << "\nin\n" << officeText.out;
  }

  // Block 4 is in US units with a globe: read in °C, the velocity assumed.
  const CliRun us =
      Cli({"comfort", file, "--block", "4", "--met", "1.2", "--clo", "1.0", "--json"});
  ASSERT_EQ(us.exitCode, 0) << us.err;
  const QJsonObject usTop = Json(us);
  EXPECT_EQ(usTop["assumed"]["tr"], QJsonValue(false));
  EXPECT_EQ(usTop["assumed"]["va"], QJsonValue(true));
  const QJsonArray usSamples = usTop["samples"].toArray();
  const emu::LoggingBlock& logged = model.blocks.at(3);
  ASSERT_EQ(usSamples.size(), static_cast<qsizetype>(logged.samples.size()));
  // The file keeps the values as the instrument shows them (one decimal): that far from the
  // memory.
  constexpr double kStoredDegrees = 0.05 / 1.8 + 1e-6;
  for (qsizetype k = 0; k < usSamples.size(); ++k) {
    const QJsonObject s = usSamples[k].toObject();
    const auto& row = logged.samples[static_cast<size_t>(k)];  // AirTemp, RelHum, GlobeTemp
    EXPECT_NEAR(s["ta"].toDouble(), (double{row[0][0]} - 32) / 1.8, kStoredDegrees);
    EXPECT_NEAR(s["rh"].toDouble(), row[1][0], 0.05 + 1e-6);
    EXPECT_NEAR(s["tg"].toDouble(), (double{row[2][0]} - 32) / 1.8, kStoredDegrees);
  }

  // Blocks 3 (air velocity and flow) and 5 (air temperature, light) cannot be analysed.
  const CliRun gym = Cli({"comfort", file, "--block", "3", "--met", "2", "--clo", "0.5"});
  EXPECT_EQ(gym.exitCode, 1);
  EXPECT_EQ(gym.err,
            "quorvantel-cli: cannot compute comfort: the block logs no air temperature and no "
            "humidity\n");
  const CliRun surgery = Cli({"comfort", file, "--block", "5", "--met", "1.2", "--clo", "0.7"});
  EXPECT_EQ(surgery.exitCode, 1);
  EXPECT_EQ(surgery.err, "quorvantel-cli: cannot compute comfort: the block logs no humidity\n");
}

TEST_F(ComfortCli, OnePoint) {
  const CliRun run1 =
      Cli({"comfort", "--point", "ta=22,rh=60,va=0.1,met=1.2,clo=0.5,tr=22", "--json"});
  ASSERT_EQ(run1.exitCode, 0) << run1.err;
  const QJsonObject p = Json(run1);
  EXPECT_NEAR(p["pmv"].toDouble(), -0.75, 0.01);
  EXPECT_NEAR(p["ppd"].toDouble(), 17, 1);
  EXPECT_DOUBLE_EQ(p["operative"].toDouble(), 22);
  EXPECT_NEAR(p["draught_rate"].toDouble(), 8.65, 0.005);
  for (const char* key : {"ta", "tr", "va", "rh", "met", "clo"})
    EXPECT_TRUE(p[key].isDouble()) << key;

  // The ISO 7726 case at 0.1 m/s: tr 71.9 °C, far beyond the PMV's range.
  const CliRun hot = Cli(
      {"comfort", "--point", "ta=30,tg=55,d=0.1,va=0.1,rh=50,met=1.2,clo=0.5", "--format", "json"});
  ASSERT_EQ(hot.exitCode, 0) << hot.err;
  const QJsonObject h = Json(hot);
  EXPECT_NEAR(h["tr"].toDouble(), 71.9, 0.05);
  EXPECT_TRUE(h["pmv"].isNull());
  EXPECT_TRUE(h["ppd"].isNull());
  EXPECT_TRUE(h["operative"].isDouble());

  const CliRun text = Cli({"comfort", "--point", "ta=20,tr=20,va=0.15,rh=50,met=1.2,clo=1"});
  ASSERT_EQ(text.exitCode, 0) << text.err;
  EXPECT_NE(text.out.find("\nDraught rate: 18.0 % (turbulence intensity 40 %)\n"),
            std::string::npos)
      << text.out;
  const CliRun outside = Cli({"comfort", "--point", "ta=35,tr=35,va=0.1,rh=50,met=1.2,clo=0.5"});
  EXPECT_NE(outside.out.find("PMV: --- (an input lies outside the ranges of ISO 7730)\n"),
            std::string::npos)
      << outside.out;
}

TEST_F(ComfortCli, BadPointsAndOptionsAreNamed) {
  const struct {
    QStringList args;
    const char* message;
  } cases[] = {
      {{"--point", "ta=22,rh=60,met=1.2,clo=0.5"},
       "--point: missing va, tr or tg (give ta=T,rh=H,va=V,met=M,clo=C and tr=T or tg=T)"},
      {{"--point", "ta=22,rh=sixty,va=0.1,met=1.2,clo=0.5,tr=22"},
       "--point: rh is not a number: \"sixty\""},
      {{"--point", "ta=22,rh=60,va=0.1,met=1.2,clo=0.5,tr=nan"},
       "--point: tr is not a number: \"nan\""},
      {{"--point", "ta=22,rh=60,va=0.1,met=1.2,clo=0.5,tr=22,wind=3"},
       "--point: unknown field \"wind\""},
      {{"--point", "ta=22,ta=23,rh=60,va=0.1,met=1.2,clo=0.5,tr=22"}, "--point: ta is given twice"},
      {{"--point", "ta=22,rh=60,va=0.1,met=1.2,clo=0.5,tr=22,tg=24"},
       "--point: give tr or tg, not both"},
      {{"--point", "ta=22,rh=60,va=-0.1,met=1.2,clo=0.5,tr=22"},
       "--point: va must not be negative"},
      {{"--point", "ta=22,rh=60,va=0.1,met=1.2,clo=0.5,tr=22", "--met", "1"},
       "--met applies to a FILE"},
      {{"FILE", "--tu", "many"}, "--tu must be a number, not \"many\""},
      {{"FILE", "--emissivity", "1.5"}, "--emissivity must be above 0 and at most 1"},
      {{"FILE", "--format", "xml"}, "--format must be text, csv or json"},
      {{}, "give a results file or --point"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    const CliRun r = Cli(QStringList{"comfort"} + c.args);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err.rfind(std::string("quorvantel-cli comfort: ") + c.message, 0), 0u) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
  }
}

}  // namespace
}  // namespace qv::test

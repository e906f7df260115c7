// quorvantel-cli survey end to end: the demo instrument's logging memory downloaded from the
// emulator program, its survey JSON checked against numbers worked out by hand and against the
// memory description, the survey report read back with pdftotext, and the refusals.
#include "core/link/EmulatorProcess.h"
#include "memimage/MemoryImage.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace qv::test {
namespace {

struct CliRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

class SurveyCli : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // One download of the demo memory serves every test.
    shared_ = std::make_unique<QTemporaryDir>();
    ASSERT_TRUE(shared_->isValid());
    QFile demo(QStringLiteral(QV_SOURCE_DIR "/data/demo/demo-memory.json"));
    ASSERT_TRUE(demo.open(QIODevice::ReadOnly));
    const std::string json = demo.readAll().toStdString();
    std::string error;
    const auto parsed = emu::ParseMemoryJson(emu::ByteVec(json.begin(), json.end()), &error);
    ASSERT_TRUE(parsed) << error;
    model_ = *parsed;
    EmulatorProcess emulator;
    ASSERT_TRUE(emulator.Start(QV_BIN_DIR "/quorvantel-emulator",
                               {"--memory", QV_SOURCE_DIR "/data/demo/demo-memory.json"}, &error))
        << error;
    QDir(shared_->path()).mkpath(QStringLiteral("config"));
    const CliRun r = Run({"download", "--port", QString::fromStdString(emulator.Device()),
                          "--memory", "logging", "-o", Demo()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }

  static void TearDownTestSuite() { shared_.reset(); }

  static QString Demo() { return shared_->filePath(QStringLiteral("demo.QVL")); }
  QString Path(const char* name) const { return work_.filePath(QString::fromUtf8(name)); }

  static CliRun Run(const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), shared_->filePath(QStringLiteral("config")));
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

  static QJsonObject Json(const CliRun& r) {
    EXPECT_EQ(r.exitCode, 0) << r.err;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << r.out.substr(0, 2000);
    return doc.object();
  }

  static QString PdfText(const QString& pdf) {
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    EXPECT_TRUE(text.waitForFinished(30000));
    return QString::fromUtf8(text.readAllStandardOutput());
  }

  static inline std::unique_ptr<QTemporaryDir> shared_;
  static inline emu::MemoryModel model_;
  QTemporaryDir work_;
};

// An object has exactly these keys.
void Keys(const QJsonObject& o, QStringList expected) {
  QStringList keys = o.keys();
  keys.sort();
  expected.sort();
  EXPECT_EQ(keys, expected);
}

// Block 5 of the demo: five samples 30 s apart of air temperature, illuminance and luminance,
// worked out by hand.
TEST_F(SurveyCli, JsonOfADemoBlockAgreesWithTheHandComputation) {
  const CliRun r = Run({"survey", Demo(), "--block", "5", "--json", "--limit", "1:22.2",
                        "--limit-below", "1:22.1", "--limit=21:1000"});
  const QJsonObject top = Json(r);
  // The exact order of the keys, as scripts may read them.
  EXPECT_EQ(r.out.substr(0, 30), "{\n  \"block\": 5,\n  \"building\": ");
  Keys(top, {"block", "building", "room", "start", "end", "interval_s", "samples", "units",
             "quantities", "ach"});
  EXPECT_EQ(top["building"].toString(), "Harbour Clinic");
  EXPECT_EQ(top["room"].toString(), "Surgery");
  EXPECT_EQ(top["start"].toString(), "2024-03-09T14:00:00");
  EXPECT_EQ(top["end"].toString(), "2024-03-09T14:02:30");  // five samples of 30 s
  EXPECT_EQ(top["interval_s"].toInt(), 30);
  EXPECT_EQ(top["samples"].toInt(), 5);
  EXPECT_EQ(top["units"].toString(), "SI");
  EXPECT_EQ(top["ach"].toArray().size(), 0);

  // Current values: air temperature 22.1 22.1 22.2 22.2 22.3, illuminance 812 815 1020 1018
  // 640, luminance 140 141 176 175 112. 22.1 and 22.2 lie at the limits, not beyond them.
  const struct {
    int code;
    const char* name;
    const char* unit;
    double min, mean, max;
    QJsonValue upper, hoursAbove, shareAbove, lower, hoursBelow, shareBelow;
  } expected[] = {
      {1, "Air temperature", "\u00B0C", 22.1, 22.18, 22.3, 22.2, 30.0 / 3600, 20, 22.1, 0, 0},
      {21, "Illuminance", "lx", 640, 861, 1020, 1000, 60.0 / 3600, 40, QJsonValue::Null,
       QJsonValue::Null, QJsonValue::Null},
  };
  const QJsonArray quantities = top["quantities"].toArray();
  ASSERT_EQ(quantities.size(), 3);
  for (size_t i = 0; i < std::size(expected); ++i) {
    const auto& e = expected[i];
    const QJsonObject q = quantities[static_cast<qsizetype>(i)].toObject();
    SCOPED_TRACE(e.name);
    Keys(q, {"code", "name", "unit", "count", "min", "mean", "max", "limit"});
    EXPECT_EQ(q["code"].toInt(), e.code);
    EXPECT_EQ(q["name"].toString(), e.name);
    EXPECT_EQ(q["unit"].toString(), QString::fromUtf8(e.unit));
    EXPECT_EQ(q["count"].toInt(), 5);
    // The instrument's values are single precision.
    EXPECT_NEAR(q["min"].toDouble(), e.min, 1e-4);
    EXPECT_NEAR(q["mean"].toDouble(), e.mean, 1e-4);
    EXPECT_NEAR(q["max"].toDouble(), e.max, 1e-4);
    const QJsonObject limit = q["limit"].toObject();
    Keys(limit, {"upper", "hours_above", "share_above", "lower", "hours_below", "share_below"});
    for (const auto& [key, want] :
         {std::pair{"upper", e.upper}, std::pair{"hours_above", e.hoursAbove},
          std::pair{"share_above", e.shareAbove}, std::pair{"lower", e.lower},
          std::pair{"hours_below", e.hoursBelow}, std::pair{"share_below", e.shareBelow}}) {
      SCOPED_TRACE(key);
      ASSERT_EQ(limit[key].isNull(), want.isNull());
      if (!want.isNull()) {
        EXPECT_NEAR(limit[key].toDouble(), want.toDouble(), 1e-9);
      }
    }
  }
  const QJsonObject luminance = quantities[2].toObject();
  EXPECT_EQ(luminance["code"].toInt(), 25);
  EXPECT_NEAR(luminance["mean"].toDouble(), 148.8, 1e-4);
  EXPECT_TRUE(luminance["limit"].isNull());

  // A stretch: from the second to the fourth sample, in US units.
  const QJsonObject part =
      Json(Run({"survey", Demo(), "--block", "5", "--json", "--units", "US", "--from",
                "2024-03-09 14:00:30", "--to", "2024-03-09 14:01:45"}));
  EXPECT_EQ(part["samples"].toInt(), 3);
  EXPECT_EQ(part["start"].toString(), "2024-03-09T14:00:30");
  EXPECT_EQ(part["end"].toString(), "2024-03-09T14:02:00");
  const QJsonObject air = part["quantities"].toArray()[0].toObject();
  EXPECT_EQ(air["count"].toInt(), 3);
  EXPECT_EQ(air["unit"].toString(), QString::fromUtf8("\u00B0F"));
  EXPECT_NEAR(air["mean"].toDouble(), (22.1 + 22.2 + 22.2) / 3 * 1.8 + 32, 1e-4);
  EXPECT_NEAR(part["quantities"].toArray()[1].toObject()["min"].toDouble(), 815 * 0.0929, 1e-3);
}

// Block 1 of the demo: two days of CO2 every 5 minutes against the stored default limit and a
// limit given on the command line, and the air change rate of a falling afternoon, all
// against the values of the memory description.
TEST_F(SurveyCli, CarbonDioxideAgainstItsLimitsAndAnAirChangeRate) {
  const emu::LoggingBlock& block = model_.blocks.at(0);
  ASSERT_EQ(block.quantities, (std::vector<int>{1, 2, 15}));
  std::vector<double> co2;
  for (const auto& sample : block.samples)
    co2.push_back(sample[2][0]);

  const QJsonObject byDefault = Json(Run({"survey", Demo(), "--block", "1", "--json"}));
  EXPECT_EQ(byDefault["samples"].toInt(), 576);
  const QJsonObject carbon = byDefault["quantities"].toArray()[2].toObject();
  EXPECT_EQ(carbon["code"].toInt(), 57);
  EXPECT_EQ(carbon["count"].toInt(), 576);
  EXPECT_NEAR(carbon["max"].toDouble(), *std::max_element(co2.begin(), co2.end()), 1e-9);
  EXPECT_EQ(carbon["limit"]["upper"].toDouble(), 1000);
  // Other quantities have no limit by default.
  EXPECT_TRUE(byDefault["quantities"].toArray()[0].toObject()["limit"].isNull());

  int above = 0;
  for (const double v : co2)
    above += v > 900;
  ASSERT_GT(above, 0);
  const QJsonObject given =
      Json(Run({"survey", Demo(), "--block", "1", "--json", "--limit", "57:900"}));
  const QJsonObject limit = given["quantities"].toArray()[2].toObject()["limit"].toObject();
  EXPECT_EQ(limit["upper"].toDouble(), 900);
  EXPECT_NEAR(limit["hours_above"].toDouble(), above * 300.0 / 3600, 1e-9);
  EXPECT_NEAR(limit["share_above"].toDouble(), 100.0 * above / 576, 1e-9);
  // "none" drops the stored limit.
  const QJsonObject dropped =
      Json(Run({"survey", Demo(), "--block", "1", "--json", "--limit", "57:none"}));
  EXPECT_TRUE(dropped["quantities"].toArray()[2].toObject()["limit"].isNull());

  // Noon to 18:00 on the first day: samples 144 .. 216. The fit, worked out here by the
  // textbook formula of the slope; the file keeps the values to about seven digits, and a
  // sample more or less would move the rate by 1.5 %.
  const CliRun fitted = Run({"survey", Demo(), "--block", "1", "--json", "--ach",
                             "2024-03-07 12:00:00..2024-03-07 18:00:00", "--outdoor", "400"});
  const QJsonArray ach = Json(fitted)["ach"].toArray();
  ASSERT_EQ(ach.size(), 1);
  double st = 0, sy = 0, stt = 0, sty = 0;
  const int n = 73;
  for (int i = 144; i <= 216; ++i) {
    const double t = i * 300.0 / 3600, y = std::log(co2[static_cast<size_t>(i)] - 400);
    st += t;
    sy += y;
    stt += t * t;
    sty += t * y;
  }
  const double slope = (n * sty - st * sy) / (n * stt - st * st);
  EXPECT_NEAR(ach[0]["per_hour"].toDouble(), -slope, 1e-5 * std::fabs(slope));
  EXPECT_GT(ach[0]["r2"].toDouble(), 0.8);
  EXPECT_LE(ach[0]["r2"].toDouble(), 1.0);
  EXPECT_EQ(ach[0]["from"].toString(), "2024-03-07T12:00:00");
  EXPECT_EQ(ach[0]["to"].toString(), "2024-03-07T18:00:00");
}

// The report of block 1 as a PDF: the block's names, every quantity in the statistics and in
// a graph, the limit line named with its value; two graphs to a page.
TEST_F(SurveyCli, ReportOfADemoBlockReadBack) {
  const QString pdf = Path("survey.pdf");
  const CliRun r = Run({"survey", Demo(), "--block", "1", "--limit-below", "1:20.5", "--ach",
                        "2024-03-07 12:00..2024-03-07 18:00", "-o", pdf});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // Ligatures as their letters; blanks as pdftotext happens to space them do not matter.
  QStringList pages = PdfText(pdf).split(QChar(0x0C), Qt::SkipEmptyParts);
  for (QString& page : pages)
    page = page.normalized(QString::NormalizationForm_KC).simplified();
  ASSERT_EQ(pages.size(), 3);  // the text, then three graphs on two pages
  const QString& first = pages[0];
  for (const char* text :
       {"Indoor Climate Measurement Report", "Logging block 1", "Town Hall", "Office 2.14",
        "07.03.24 00:00:00", "09.03.24 00:00:00", "576", "Statistics", "Air temperature",
        "Relative humidity", "CO2 concentration", "> 1000", "Air change rate from the CO2 decay",
        "QV-PRO 5", "24031907"}) {
    EXPECT_TRUE(first.contains(QString::fromUtf8(text))) << text << "\n" << first.toStdString();
  }
  EXPECT_TRUE(first.contains(QRegularExpression(QStringLiteral("<\\s*20\\.5\\b"))))
      << first.toStdString();
  EXPECT_TRUE(first.contains(QRegularExpression(QStringLiteral("\\d\\.\\d\\d h"))))
      << first.toStdString();
  EXPECT_TRUE(pages[1].contains("Air temperature") && pages[1].contains("Relative humidity"))
      << pages[1].toStdString();
  EXPECT_TRUE(pages[1].contains("Lower limit 20.5 \u00B0C")) << pages[1].toStdString();
  EXPECT_TRUE(pages[2].contains("CO2 concentration")) << pages[2].toStdString();
  EXPECT_TRUE(pages[2].contains("Upper limit 1000 ppm")) << pages[2].toStdString();
  for (int page = 0; page < 3; ++page) {
    EXPECT_TRUE(
        pages[page].contains(QRegularExpression(QStringLiteral("Page\\s+%1\\b").arg(page + 1))))
        << page;
  }
}

// A block without samples, from a file of an older version: a report that says so, JSON with
// nothing counted; and a block with a sample without a value.
TEST_F(SurveyCli, EmptyBlockAndNoSampleValues) {
  const QString file = QStringLiteral(QV_TEST_DATA_DIR "/files/ver2_logger.qvl");
  const QString pdf = Path("empty.pdf");
  const CliRun report = Run({"survey", file, "--block", "2", "-o", pdf});
  ASSERT_EQ(report.exitCode, 0) << report.err;
  const QString text = PdfText(pdf);
  EXPECT_TRUE(text.contains("There are no samples in the surveyed period.")) << text.toStdString();
  EXPECT_TRUE(text.contains("Roof")) << text.toStdString();

  const QJsonObject empty = Json(Run({"survey", file, "--block", "2", "--json"}));
  EXPECT_EQ(empty["samples"].toInt(), 0);
  EXPECT_EQ(empty["units"].toString(), "US");
  const QJsonObject velocity = empty["quantities"].toArray()[0].toObject();
  EXPECT_EQ(velocity["code"].toInt(), 13);
  EXPECT_EQ(velocity["count"].toInt(), 0);
  EXPECT_TRUE(velocity["mean"].isNull());

  // Block 1: 21.5 21.6 21.7 and 40.1 --- 40.3.
  const QJsonObject block =
      Json(Run({"survey", file, "--block", "1", "--json", "--limit", "5:40.2"}));
  const QJsonArray q = block["quantities"].toArray();
  ASSERT_EQ(q.size(), 2);
  EXPECT_NEAR(q[0]["mean"].toDouble(), 21.6, 1e-9);
  EXPECT_EQ(q[1]["count"].toInt(), 2);
  EXPECT_NEAR(q[1]["mean"].toDouble(), 40.2, 1e-9);
  EXPECT_NEAR(q[1]["limit"]["hours_above"].toDouble(), 1.0 / 60, 1e-12);
  EXPECT_NEAR(q[1]["limit"]["share_above"].toDouble(), 50, 1e-12);
}

TEST_F(SurveyCli, BadInputIsNamedAndWritesNothing) {
  const QString pdf = Path("bad.pdf");
  const struct {
    QStringList args;
    int exitCode;
    const char* message;
  } cases[] = {
      {{"--block", "1", "--limit", "13:0.2"},
       2,
       "--limit 13:0.2: block 1 does not log Air velocity (code 13)"},
      {{"--block", "1", "--limit", "2:10"}, 2, "--limit 2:10: 2 is not the first signal code"},
      {{"--block", "1", "--limit", "65:10"}, 2, "65 is not the first signal code"},
      {{"--block", "1", "--limit-below", "1:cold"}, 2, "\"cold\" is not a number"},
      {{"--block", "1", "--limit", "57:900", "--limit", "57:800"}, 2, "names code 57 twice"},
      {{"--block", "1", "--from", "2024-03-06 23:59:59"},
       2,
       "--from/--to: 2024-03-06 23:59:59 lies before the start of block 1 (2024-03-07 00:00:00)"},
      {{"--block", "1", "--to", "2024-03-09 00:00:01"},
       2,
       "lies after the end of block 1 (2024-03-09 00:00:00)"},
      {{"--block", "1", "--from", "2024-03-08 10:00", "--to", "2024-03-08 09:00"},
       2,
       "the start 2024-03-08 10:00:00 lies after the end 2024-03-08 09:00:00"},
      {{"--block", "1", "--from", "2024-03-07 10:01", "--to", "2024-03-07 10:04"},
       2,
       "block 1 has no sample from"},
      {{"--block", "1", "--ach", "2024-03-07 00:00..2024-03-07 06:00"},
       2,
       "the CO2 concentration does not fall"},
      {{"--block", "1", "--ach", "2024-03-07 12:00..2024-03-07 12:15"},
       2,
       "4 CO2 samples with a value; the fit needs at least 5"},
      {{"--block", "1", "--ach", "2024-03-07 12:00..2024-03-07 23:55", "--outdoor", "500"},
       2,
       "a CO2 value at or below the outdoor 500 ppm"},
      {{"--block", "5", "--ach", "2024-03-09 14:00..2024-03-09 14:02"},
       2,
       "block 5 does not log CO2"},
      {{"--block", "1", "--ach", "yesterday"}, 2, "--ach must be FROM..TO"},
      {{"--block", "9"}, 1, "there is no logging block 9: the file holds 5 blocks"},
      {{"--block", "1", "--units", "metric"}, 2, "--units must be SI or US"},
  };
  for (const auto& c : cases) {
    QStringList args = {"survey", Demo(), "-o", pdf};
    args += c.args;
    SCOPED_TRACE(args.join(' ').toStdString());
    const CliRun r = Run(args);
    EXPECT_EQ(r.exitCode, c.exitCode);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_FALSE(QFile::exists(pdf));
  }
  EXPECT_EQ(Run({"survey", Demo(), "--block", "1"}).exitCode, 2);  // neither -o nor --json
  EXPECT_EQ(Run({"survey", Demo(), "--block", "1", "--json", "-o", pdf}).exitCode, 2);
  EXPECT_EQ(Run({"survey", Demo(), "--block", "1", "-o", Path("survey.png")}).exitCode, 2);
}

}  // namespace
}  // namespace qv::test

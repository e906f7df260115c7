// The archive against real results files written by the application's writer: adding, adding
// again, the same records in other files, damaged files, queries equal to what the files hold,
// listing, search, trends, documents read back, and two programs on one database.
#include "ArchiveTestSupport.h"

#include "archive/ArchiveSchema.h"

#include <QCryptographicHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>
#include <chrono>
#include <thread>

namespace qv::test {
namespace {

class ArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.isValid()); }

  QString Path(const QString& name) const { return dir.filePath(name); }

  std::unique_ptr<Archive> OpenArchive(ArchiveOpenOptions options = {}) {
    Outcome o;
    std::unique_ptr<Archive> a = Archive::Open(Path("db/archive.sqlite"), options, &o);
    EXPECT_TRUE(o.ok()) << o.message;
    return a;
  }

  ArchiveAddSummary Add(Archive& a, const QStringList& paths) {
    QStringList missing;
    const ArchiveAddSummary s = a.AddFiles(Archive::CollectFiles(paths, &missing), Texts());
    EXPECT_TRUE(missing.isEmpty());
    EXPECT_TRUE(s.outcome.ok()) << s.outcome.message;
    return s;
  }

  // Two visits of one classroom (tests, then a logging day), and an office. Times are exact
  // binary fractions of a day, so that they read back from the files as given here.
  void WriteSurvey() {
    Save(Path("in/tests.QVL"),
         TestsDocument({{"School", "Classroom 1A", Day(2024, 3, 4, 9), {{1, 21.5}, {57, 812}}},
                        {"School", "Office", Day(2024, 3, 4, 10, 30), {{1, 22.25}, {5, 45.5}}},
                        {"School", "Classroom 1A", Day(2024, 3, 4, 12), {{1, 23}, {57, 1410}}}},
                       "24031907", "Windows\r\nclosed"));
    Save(Path("in/sub/logging.qvl"),
         LoggingDocument({{"School",
                           "Classroom 1A",
                           Day(2024, 3, 5, 9),
                           60,
                           {1, 57},
                           {{20.5, 650}, {20.75, NoValue}, {21.0, 700}}},
                          {"Depot", "Hall", Day(2024, 3, 5, 7, 30), 600, {1}, {{12.5}, {12.0}}}}));
  }

  QTemporaryDir dir;
};

TEST_F(ArchiveTest, AddsFilesOnceAndListsThem) {
  WriteSurvey();
  std::unique_ptr<Archive> a = OpenArchive();
  ASSERT_TRUE(a);
  const ArchiveAddSummary first = Add(*a, {Path("in")});
  EXPECT_EQ(first.addedFiles, 2);
  EXPECT_EQ(first.skippedFiles, 0);
  EXPECT_EQ(first.tests, 3);
  EXPECT_EQ(first.blocks, 2);
  EXPECT_EQ(first.samples, 8);  // 3 samples x 2 codes + 2 x 1, "no value" included
  EXPECT_TRUE(first.errors.empty());

  // The same bytes again, under another name too: nothing is added.
  QFile::copy(Path("in/tests.QVL"), Path("in/copy.QVL"));
  const ArchiveAddSummary again = Add(*a, {Path("in")});
  EXPECT_EQ(again.addedFiles, 0);
  EXPECT_EQ(again.skippedFiles, 3);
  EXPECT_EQ(again.tests + again.blocks, 0);

  std::vector<ArchiveBuilding> tree;
  ASSERT_TRUE(a->List({}, tree).ok());
  ASSERT_EQ(tree.size(), 2u);
  EXPECT_EQ(tree[0].name, "Depot");
  ASSERT_EQ(tree[1].name, "School");
  ASSERT_EQ(tree[1].rooms.size(), 2u);
  const ArchiveRoom& classroom = tree[1].rooms[0];
  EXPECT_EQ(classroom.name, "Classroom 1A");
  ASSERT_EQ(classroom.visits.size(), 2u);
  EXPECT_EQ(classroom.visits[0].day, static_cast<int>(Day(2024, 3, 4)));
  EXPECT_EQ(classroom.visits[0].tests.size(), 2u);
  EXPECT_TRUE(classroom.visits[0].blocks.empty());
  EXPECT_EQ(classroom.visits[0].tests[0].codes, (std::vector<int32_t>{1, 57}));
  EXPECT_EQ(classroom.visits[0].tests[0].source, Path("in/tests.QVL"));
  ASSERT_EQ(classroom.visits[1].blocks.size(), 1u);
  const ArchiveItem& block = classroom.visits[1].blocks[0];
  EXPECT_EQ(block.sampleCount, 3);
  EXPECT_EQ(block.intervalSec, 60);
  EXPECT_EQ(block.end, AddSeconds(Day(2024, 3, 5, 9), 120));
  EXPECT_EQ(block.source, Path("in/sub/logging.qvl"));

  // A filter by room and dates keeps the matching visits only.
  ArchiveFilter filter;
  filter.building = "School";
  filter.room = "Classroom 1A";
  filter.from = Day(2024, 3, 5);
  ASSERT_TRUE(a->List(filter, tree).ok());
  ASSERT_EQ(tree.size(), 1u);
  ASSERT_EQ(tree[0].rooms.size(), 1u);
  ASSERT_EQ(tree[0].rooms[0].visits.size(), 1u);
  EXPECT_EQ(tree[0].rooms[0].visits[0].blocks.size(), 1u);
}

// A re-save and a copy hold tests and blocks an earlier file brought: only what is new counts.
TEST_F(ArchiveTest, TheSameTestOrBlockInAnotherFileIsStoredOnce) {
  const NewBlock hall{"Depot", "Hall", Day(2024, 6, 1, 10), 60, {1, 5}, {{21, 50}, {21.1, 50.5}}};
  const NewBlock lab{"Lab", "A", Day(2024, 6, 2, 8), 30, {57}, {{500}, {510}}};
  const NewTest lobby{"Main", "Lobby", Day(2024, 3, 4, 9), {{1, 20}}};
  const NewTest office{"Main", "Office", Day(2024, 3, 4, 10), {{1, 21}}};
  Save(Path("a/one.QVL"), LoggingDocument({hall}));
  Save(Path("b/two.QVL"), LoggingDocument({lab, hall}));
  Save(Path("a/t1.QVL"), TestsDocument({lobby}));
  Save(Path("b/t2.QVL"), TestsDocument({lobby, office}, "24031907", "other comments"));
  // The same times and places measured by another instrument are other records.
  Save(Path("c/other.QVL"), LoggingDocument({hall}, "99000001"));

  std::unique_ptr<Archive> a = OpenArchive();
  ASSERT_TRUE(a);
  const ArchiveAddSummary first = Add(*a, {Path("a")});
  EXPECT_EQ(first.blocks, 1);
  EXPECT_EQ(first.tests, 1);
  const ArchiveAddSummary second = Add(*a, {Path("b")});
  EXPECT_EQ(second.addedFiles, 2);
  EXPECT_EQ(second.blocks, 1);
  EXPECT_EQ(second.samples, 2);
  EXPECT_EQ(second.tests, 1);
  const ArchiveAddSummary third = Add(*a, {Path("c")});
  EXPECT_EQ(third.blocks, 1);

  ArchiveFilter filter;
  filter.building = "Depot";
  filter.room = "Hall";
  filter.code = 1;
  EXPECT_EQ(Rows(*a, filter).size(), 4u);  // two samples from each instrument
  filter.building = "Main";
  filter.room = "Lobby";
  EXPECT_EQ(Rows(*a, filter).size(), 1u);
}

TEST_F(ArchiveTest, ADamagedFileIsListedAndTheOthersAdded) {
  WriteSurvey();
  // Cut inside the measurements: the reader stops at a number it cannot read.
  QFile good(Path("in/tests.QVL"));
  ASSERT_TRUE(good.open(QIODevice::ReadOnly));
  QByteArray bytes = good.readAll();
  bytes.replace("21.5", "2x.5");
  QFile damaged(Path("in/damaged.QVL"));
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
  damaged.write(bytes);
  damaged.close();
  QFile notOurs(Path("in/notes.qvl"));
  ASSERT_TRUE(notOurs.open(QIODevice::WriteOnly));
  notOurs.write("shopping list\n");
  notOurs.close();
  QFile ignored(Path("in/readme.txt"));  // not a results file by its name: not even looked at
  ASSERT_TRUE(ignored.open(QIODevice::WriteOnly));
  ignored.close();

  std::unique_ptr<Archive> a = OpenArchive();
  ASSERT_TRUE(a);
  QStringList missing;
  const QStringList files = Archive::CollectFiles({Path("in"), Path("nowhere.QVL")}, &missing);
  EXPECT_EQ(missing, QStringList{Path("nowhere.QVL")});
  EXPECT_EQ(files.size(), 4);
  std::vector<int> progress;
  ArchiveAddOptions options;
  options.progress = [&](const ArchiveFileResult&, int done, int total) {
    EXPECT_EQ(total, 4);
    progress.push_back(done);
  };
  const ArchiveAddSummary s = a->AddFiles(files, Texts(), options);
  ASSERT_TRUE(s.outcome.ok()) << s.outcome.message;
  EXPECT_EQ(progress, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(s.addedFiles, 2);
  ASSERT_EQ(s.errors.size(), 2u);
  EXPECT_EQ(s.errors[0].path, Path("in/damaged.QVL"));
  EXPECT_NE(s.errors[0].message.find("'2x.5' is not a valid floating point value"),
            std::string::npos)
      << s.errors[0].message;
  EXPECT_EQ(s.errors[1].path, Path("in/notes.qvl"));
  EXPECT_EQ(s.errors[1].message, "Not a results file   Error #1A");
  // Nothing of a damaged file was kept: its good tests are not there.
  std::vector<ArchiveBuilding> tree;
  ASSERT_TRUE(a->List({}, tree).ok());
  for (const ArchiveBuilding& b : tree) {
    for (const ArchiveRoom& r : b.rooms) {
      for (const ArchiveVisit& v : r.visits) {
        for (const ArchiveItem& t : v.tests)
          EXPECT_EQ(t.source, Path("in/tests.QVL"));
      }
    }
  }
}

TEST_F(ArchiveTest, CancellingStopsAfterTheFileBeingAdded) {
  WriteSurvey();
  std::unique_ptr<Archive> a = OpenArchive();
  ASSERT_TRUE(a);
  std::atomic<bool> cancel{false};
  ArchiveAddOptions options;
  options.cancel = &cancel;
  options.progress = [&](const ArchiveFileResult&, int, int) { cancel = true; };
  const ArchiveAddSummary s =
      a->AddFiles(Archive::CollectFiles({Path("in")}, nullptr), Texts(), options);
  EXPECT_TRUE(s.cancelled);
  EXPECT_EQ(s.addedFiles, 1);
}

// Every value the files hold comes back, by time, with the filters as they read; the sample
// files of the three format versions and the comma decimals among them.
TEST_F(ArchiveTest, QueryRowsAreTheFilesValues) {
  WriteSurvey();
  for (const char* name : {"ver1_results.qvl", "ver2_logger.qvl", "ver3_results_comma.qvl"})
    QFile::copy(QStringLiteral(QV_TEST_DATA_DIR "/files/") + name, Path("in/") + name);
  std::unique_ptr<Archive> a = OpenArchive();
  ASSERT_TRUE(a);
  const ArchiveAddSummary s = Add(*a, {Path("in")});
  ASSERT_EQ(s.addedFiles, 5);

  std::vector<Row> expected;
  for (const QString& f : Archive::CollectFiles({Path("in")}, nullptr)) {
    const std::vector<Row> rows = RowsOfFile(f);
    expected.insert(expected.end(), rows.begin(), rows.end());
  }
  ASSERT_GT(expected.size(), 20u);
  const std::vector<Row> all = Rows(*a);
  EXPECT_TRUE(std::is_sorted(all.begin(), all.end(),
                             [](const Row& x, const Row& y) { return x.time < y.time; }));
  const auto sorted = [](std::vector<Row> rows) {
    std::sort(rows.begin(), rows.end(), [](const Row& x, const Row& y) {
      return std::tie(x.time, x.building, x.room, x.code, x.value) <
             std::tie(y.time, y.building, y.room, y.code, y.value);
    });
    return rows;
  };
  EXPECT_EQ(sorted(all), sorted(expected));

  struct Case {
    const char* what;
    ArchiveFilter filter;
  };
  ArchiveFilter room;
  room.building = "School";
  room.room = "Classroom 1A";
  room.code = 57;
  ArchiveFilter day;
  day.from = Day(2024, 3, 5, 9, 0, 30);  // the second sample of the classroom's block
  day.to = Day(2024, 3, 5, 9, 1, 30);
  ArchiveFilter noSuchRoom;
  noSuchRoom.room = "classroom 1a";  // names match exactly
  for (const Case& c :
       {Case{"room and code", room}, Case{"minutes", day}, Case{"other case", noSuchRoom}}) {
    std::vector<Row> want;
    for (const Row& r : expected) {
      const ArchiveFilter& f = c.filter;
      if ((f.building && r.building != *f.building) || (f.room && r.room != *f.room) ||
          (f.code && r.code != *f.code) || (f.from && r.time < *f.from) ||
          (f.to && r.time >= *f.to)) {
        continue;
      }
      want.push_back(r);
    }
    EXPECT_EQ(sorted(Rows(*a, c.filter)), sorted(want)) << c.what;
  }
  // The missing sample of the logged CO2 is left out; the others are the file's numbers.
  const std::vector<Row> co2 = Rows(*a, room);
  std::vector<double> values;
  for (const Row& r : co2)
    values.push_back(r.value);
  EXPECT_EQ(values, (std::vector<double>{812, 1410, 650, 700}));
}

TEST_F(ArchiveTest, TrendGivesASeriesPerVisit) {
  WriteSurvey();
  std::unique_ptr<Archive> a = OpenArchive();
  ASSERT_TRUE(a);
  Add(*a, {Path("in")});
  std::vector<ArchiveTrendSeries> trend;
  ASSERT_TRUE(a->Trend("School", "Classroom 1A", 1, trend).ok());
  ASSERT_EQ(trend.size(), 2u);
  EXPECT_EQ(trend[0].day, static_cast<int>(Day(2024, 3, 4)));
  EXPECT_EQ(trend[0].units, "SI");
  EXPECT_EQ(trend[0].points, (std::vector<std::pair<DateTime, double>>{{Day(2024, 3, 4, 9), 21.5},
                                                                       {Day(2024, 3, 4, 12), 23}}));
  ASSERT_EQ(trend[1].points.size(), 3u);
  EXPECT_EQ(trend[1].points[2],
            (std::pair<DateTime, double>{AddSeconds(Day(2024, 3, 5, 9), 120), 21.0}));
}

TEST_F(ArchiveTest, SearchFindsNamesAndComments) {
  WriteSurvey();
  for (const bool fullText : {true, false}) {
    SCOPED_TRACE(fullText ? "FTS5" : "LIKE");
    ArchiveOpenOptions options;
    options.fullText = fullText;
    Outcome o;
    std::unique_ptr<Archive> a =
        Archive::Open(Path(fullText ? "fts.sqlite" : "like.sqlite"), options, &o);
    ASSERT_TRUE(a) << o.message;
    EXPECT_EQ(a->FullTextSearch(), fullText);
    Add(*a, {Path("in")});
    struct Case {
      const char* words;
      std::vector<Bytes> rooms;
    };
    for (const Case& c : std::vector<Case>{
             {"classroom", {"Classroom 1A"}},
             {"Depot hall", {"Hall"}},
             {"closed", {"Classroom 1A", "Office"}},         // the comments of the tests' file
             {"J\xC3\xBCrgen", {"Classroom 1A", "Office"}},  // decoded from windows-1252
             {"closed OR kitchen", {}},  // what is typed is words, not query syntax
             {"\" * (", {}},
             {"kitchen", {}},
         }) {
      ArchiveFilter filter;
      filter.search = QString::fromUtf8(c.words);
      std::vector<ArchiveBuilding> tree;
      const Outcome listed = a->List(filter, tree);
      ASSERT_TRUE(listed.ok()) << listed.message;
      std::vector<Bytes> rooms;
      for (const ArchiveBuilding& b : tree) {
        for (const ArchiveRoom& r : b.rooms)
          rooms.push_back(r.name);
      }
      EXPECT_EQ(rooms, c.rooms) << c.words;
    }
  }
}

// A visit opened from the archive is the document its file gave: saved again, the same
// measurements, header and instrument.
TEST_F(ArchiveTest, RecordsComeBackAsTheyWereRead) {
  WriteSurvey();
  std::unique_ptr<Archive> a = OpenArchive();
  ASSERT_TRUE(a);
  Add(*a, {Path("in")});
  std::vector<ArchiveBuilding> tree;
  ASSERT_TRUE(a->List({}, tree).ok());
  std::vector<int64_t> tests, blocks;
  for (const ArchiveBuilding& b : tree) {
    for (const ArchiveRoom& r : b.rooms) {
      for (const ArchiveVisit& v : r.visits) {
        for (const ArchiveItem& t : v.tests)
          tests.push_back(t.id);
        for (const ArchiveItem& k : v.blocks)
          blocks.push_back(k.id);
      }
    }
  }
  std::sort(tests.begin(), tests.end());  // file order
  std::sort(blocks.begin(), blocks.end());
  for (const auto& [file, ids, isTests] :
       {std::tuple{"in/tests.QVL", tests, true}, std::tuple{"in/sub/logging.qvl", blocks, false}}) {
    Document original;
    ASSERT_TRUE(OpenResultsFile(Path(file), original, Texts()).outcome.ok());
    Document loaded;
    const Outcome o = isTests ? a->LoadTests(ids, loaded) : a->LoadBlocks(ids, loaded);
    ASSERT_TRUE(o.ok()) << o.message;
    const auto was = ComposeResultsFile(original, "x.QVL", '.');
    const auto is = ComposeResultsFile(loaded, "x.QVL", '.');
    ASSERT_TRUE(was && is);
    EXPECT_EQ(is->measurements, was->measurements) << file;
    EXPECT_EQ(is->head, was->head) << file;
    EXPECT_EQ(is->instrument, was->instrument) << file;
  }
  Document doc;
  EXPECT_FALSE(a->LoadTests({999}, doc).ok());
}

TEST_F(ArchiveTest, UnitsFollowTheRecordsSystem) {
  struct Case {
    int code;
    Bytes units;
    Bytes text;
  };
  for (const Case& c : std::vector<Case>{{1, "SI",
                                          "\xB0"
                                          "C"},
                                         {1, "US",
                                          "\xB0"
                                          "F"},
                                         {1, "", ""},  // no system: no unit
                                         {5, "", "%RH"},
                                         {57, "US", "ppm"},
                                         {65, "US", "ft/min"},
                                         {67, "SI", ""},
                                         {37, "SI", ""}}) {  // contrast has none
    EXPECT_EQ(UnitText(c.code, c.units, Texts()), c.text) << c.code << " " << c.units;
  }
}

// The files and folders given: folders searched for ".qvl" in any case; files as named.
TEST_F(ArchiveTest, CollectsResultsFilesFromFolders) {
  for (const char* name : {"a/x.QVL", "a/b/y.qvl", "a/b/z.Qvl", "a/b/skip.txt", "a/.hidden.qvl"}) {
    QDir().mkpath(QFileInfo(Path(name)).absolutePath());
    QFile f(Path(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  QFile other(Path("named.dat"));
  ASSERT_TRUE(other.open(QIODevice::WriteOnly));
  const QStringList files =
      Archive::CollectFiles({Path("a"), Path("named.dat"), Path("a/x.QVL")}, nullptr);
  EXPECT_EQ(files, (QStringList{Path("a/.hidden.qvl"), Path("a/b/y.qvl"), Path("a/b/z.Qvl"),
                                Path("a/x.QVL"), Path("named.dat")}));
}

QByteArray Sha(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// A raw connection to the database, outside the archive.
class RawDatabase {
 public:
  explicit RawDatabase(const QString& path, const QString& name = QStringLiteral("raw")) {
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db_.setDatabaseName(path);
    EXPECT_TRUE(db_.open());
  }
  ~RawDatabase() {
    const QString name = db_.connectionName();
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
  }
  void Exec(const QString& sql) {
    QSqlQuery q(db_);
    EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
  }
  QVariant Value(const QString& sql) {
    QSqlQuery q(db_);
    EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
    return q.next() ? q.value(0) : QVariant();
  }
  QSqlDatabase& Db() { return db_; }

 private:
  QSqlDatabase db_;
};

TEST_F(ArchiveTest, RefusesDatabasesItCannotRead) {
  const QString path = Path("db/archive.sqlite");
  { ASSERT_TRUE(OpenArchive()); }
  {
    RawDatabase raw(path);
    raw.Exec(QStringLiteral("PRAGMA user_version = %1").arg(kArchiveVersion + 1));
  }
  const QByteArray before = Sha(path);
  Outcome o;
  EXPECT_FALSE(Archive::Open(path, {}, &o));
  EXPECT_EQ(o.message,
            "The archive " + path.toStdString() +
                " was written by a newer version of Quorvantel (archive version " +
                std::to_string(kArchiveVersion + 1) + "; this version reads versions up to " +
                std::to_string(kArchiveVersion) + "). Open it with that version or a newer one.");
  EXPECT_EQ(Sha(path), before);  // untouched

  {
    RawDatabase other(Path("other.sqlite"), QStringLiteral("other"));
    other.Exec(QStringLiteral("CREATE TABLE notes(text)"));
  }
  QFile text(Path("text.sqlite"));
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write(QByteArray(4096, 'x'));
  text.close();
  for (const auto& [name, message] :
       {std::pair{"other.sqlite", "is a SQLite database of another program"},
        std::pair{"text.sqlite", "cannot be used: file is not a database"},
        std::pair{"missing.sqlite", "There is no archive at"}}) {
    ArchiveOpenOptions options;
    options.create = false;
    EXPECT_FALSE(Archive::Open(Path(name), options, &o));
    EXPECT_NE(o.message.find(message), std::string::npos) << o.message;
  }
  EXPECT_FALSE(QFile::exists(Path("missing.sqlite")));
}

// The layout of a database of every earlier version, opened, is the layout of a new one; the
// database of version 1 kept in the test data still reads as it did.
TEST_F(ArchiveTest, UpgradesFromEveryOlderVersion) {
  const auto schema = [](const QString& path) {
    RawDatabase raw(path, QStringLiteral("schema"));
    QSqlQuery q(raw.Db());
    EXPECT_TRUE(
        q.exec(QStringLiteral("SELECT type, name, sql FROM sqlite_master ORDER BY type, name")));
    QStringList rows;
    while (q.next())
      rows << q.value(0).toString() + ' ' + q.value(1).toString() + ' ' + q.value(2).toString();
    q.finish();
    rows << QStringLiteral("user_version %1").arg(raw.Value("PRAGMA user_version").toInt());
    rows << QStringLiteral("application_id %1").arg(raw.Value("PRAGMA application_id").toInt());
    return rows;
  };
  { ASSERT_TRUE(OpenArchive()); }
  const QStringList fresh = schema(Path("db/archive.sqlite"));
  ASSERT_TRUE(fresh.contains(QStringLiteral("user_version %1").arg(kArchiveVersion)));

  for (int version = 0; version < kArchiveVersion; ++version) {
    SCOPED_TRACE(version);
    const QString path = Path(QStringLiteral("v%1.sqlite").arg(version));
    {
      RawDatabase raw(path, QStringLiteral("old"));
      raw.Exec(QStringLiteral("BEGIN"));
      if (version > 0) {
        ASSERT_FALSE(UpgradeArchiveSchema(raw.Db(), 0, version, true));
      }
      raw.Exec(QStringLiteral("COMMIT"));
    }
    Outcome o;
    ASSERT_TRUE(Archive::Open(path, {}, &o)) << o.message;
    EXPECT_EQ(schema(path), fresh);
  }

  // Made by this version from tests/data/files (the results file of version 1 and the logging
  // file of version 2), kept as it was written.
  const QString kept = Path("kept.sqlite");
  ASSERT_TRUE(QFile::copy(QStringLiteral(QV_TEST_DATA_DIR "/archive/archive-v1.sqlite"), kept));
  QFile::setPermissions(kept, QFile::ReadOwner | QFile::WriteOwner);
  Outcome o;
  std::unique_ptr<Archive> a = Archive::Open(kept, {}, &o);
  ASSERT_TRUE(a) << o.message;
  std::vector<Row> expected;
  for (const char* name : {"ver1_results.qvl", "ver2_logger.qvl"}) {
    const std::vector<Row> rows = RowsOfFile(QStringLiteral(QV_TEST_DATA_DIR "/files/") + name);
    expected.insert(expected.end(), rows.begin(), rows.end());
  }
  std::vector<Row> rows = Rows(*a);
  const auto order = [](const Row& x, const Row& y) {
    return std::tie(x.time, x.building, x.room, x.code) <
           std::tie(y.time, y.building, y.room, y.code);
  };
  std::sort(rows.begin(), rows.end(), order);
  std::sort(expected.begin(), expected.end(), order);
  EXPECT_EQ(rows, expected);
}

// Another program's write transaction makes adding wait, not fail; past the busy timeout the
// add stops with a message and the archive keeps nothing half-written.
TEST_F(ArchiveTest, WaitsForAnotherWriter) {
  WriteSurvey();
  { ASSERT_TRUE(OpenArchive()); }
  const QString path = Path("db/archive.sqlite");
  const auto holdLock = [&](std::chrono::milliseconds hold, std::atomic<bool>& locked) {
    return std::thread([&, hold] {
      RawDatabase raw(path, QStringLiteral("holder"));
      raw.Exec(QStringLiteral("BEGIN IMMEDIATE"));
      raw.Exec(QStringLiteral("INSERT INTO meta(key, value) VALUES ('holder', 1)"));
      locked = true;
      std::this_thread::sleep_for(hold);
      raw.Exec(QStringLiteral("ROLLBACK"));
    });
  };
  {
    std::atomic<bool> locked{false};
    std::thread holder = holdLock(std::chrono::milliseconds(200), locked);
    while (!locked)
      std::this_thread::yield();
    ArchiveOpenOptions options;
    options.busyTimeoutMs = 5000;
    std::unique_ptr<Archive> a = OpenArchive(options);
    ASSERT_TRUE(a);
    const ArchiveAddSummary s = a->AddFiles(Archive::CollectFiles({Path("in")}, nullptr), Texts());
    holder.join();
    EXPECT_TRUE(s.outcome.ok()) << s.outcome.message;
    EXPECT_EQ(s.addedFiles, 2);
  }
  {
    Save(Path("later/t.QVL"), TestsDocument({{"Main", "Lobby", Day(2024, 1, 1), {{1, 20}}}}));
    ArchiveOpenOptions options;
    options.busyTimeoutMs = 50;
    std::unique_ptr<Archive> a = OpenArchive(options);
    ASSERT_TRUE(a);
    std::atomic<bool> locked{false};
    std::thread holder = holdLock(std::chrono::milliseconds(1000), locked);
    while (!locked)
      std::this_thread::yield();
    const ArchiveAddSummary s =
        a->AddFiles(Archive::CollectFiles({Path("later")}, nullptr), Texts());
    holder.join();
    EXPECT_FALSE(s.outcome.ok());
    EXPECT_NE(s.outcome.message.find("database is locked"), std::string::npos) << s.outcome.message;
    EXPECT_EQ(s.addedFiles, 0);
    const ArchiveAddSummary retry =
        a->AddFiles(Archive::CollectFiles({Path("later")}, nullptr), Texts());
    EXPECT_EQ(retry.addedFiles, 1);
  }
}

}  // namespace
}  // namespace qv::test

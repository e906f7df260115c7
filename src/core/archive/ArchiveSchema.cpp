#include "archive/ArchiveSchema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <vector>

namespace qv {
namespace {

// Version 1. Names and texts from files are BLOBs: the files' bytes, compared byte for byte.
// Times are day numbers. A test or block is one row whatever its values: they sit in BLOBs
// (archive/ValueCodec.h), a logged series per block and code.
const std::vector<const char*> kVersion1 = {
    R"(CREATE TABLE meta(key TEXT PRIMARY KEY, value) WITHOUT ROWID)",
    R"(CREATE TABLE instrument(
         id INTEGER PRIMARY KEY,
         serial BLOB NOT NULL UNIQUE,
         type BLOB NOT NULL,
         model BLOB NOT NULL,
         producer BLOB NOT NULL,
         firmware BLOB NOT NULL))",
    R"(CREATE TABLE file(
         id INTEGER PRIMARY KEY,
         path TEXT NOT NULL,
         size INTEGER NOT NULL,
         sha256 BLOB NOT NULL UNIQUE,
         added TEXT NOT NULL,
         kind TEXT NOT NULL CHECK(kind IN ('tests', 'logging')),
         version INTEGER NOT NULL,
         file_name BLOB NOT NULL,
         instrument_id INTEGER NOT NULL REFERENCES instrument(id),
         settings BLOB NOT NULL,
         signals BLOB,
         operator1 BLOB NOT NULL,
         operator2 BLOB NOT NULL,
         site1 BLOB NOT NULL,
         site2 BLOB NOT NULL,
         footer BLOB NOT NULL,
         comments BLOB NOT NULL))",
    R"(CREATE TABLE probe(
         file_id INTEGER NOT NULL REFERENCES file(id) ON DELETE CASCADE,
         probe INTEGER NOT NULL,
         serial BLOB NOT NULL,
         type BLOB NOT NULL,
         PRIMARY KEY(file_id, probe)) WITHOUT ROWID)",
    R"(CREATE TABLE place(
         id INTEGER PRIMARY KEY,
         building BLOB NOT NULL,
         room BLOB NOT NULL,
         UNIQUE(building, room)))",
    R"(CREATE TABLE test(
         id INTEGER PRIMARY KEY,
         file_id INTEGER NOT NULL REFERENCES file(id) ON DELETE CASCADE,
         instrument_id INTEGER NOT NULL REFERENCES instrument(id),
         place_id INTEGER NOT NULL REFERENCES place(id),
         building_no INTEGER NOT NULL,
         room_no INTEGER NOT NULL,
         begin REAL NOT NULL,
         end REAL NOT NULL,
         units BLOB NOT NULL,
         duct_shape INTEGER NOT NULL,
         altitude REAL NOT NULL,
         side_a REAL NOT NULL,
         side_b REAL NOT NULL,
         radius REAL NOT NULL,
         metabolic_rate REAL NOT NULL,
         clothing REAL NOT NULL,
         signals BLOB NOT NULL,
         value_data BLOB NOT NULL,
         UNIQUE(instrument_id, place_id, begin, signals)))",
    R"(CREATE INDEX test_place ON test(place_id, begin))",
    R"(CREATE INDEX test_file ON test(file_id))",
    R"(CREATE TABLE block(
         id INTEGER PRIMARY KEY,
         file_id INTEGER NOT NULL REFERENCES file(id) ON DELETE CASCADE,
         instrument_id INTEGER NOT NULL REFERENCES instrument(id),
         place_id INTEGER NOT NULL REFERENCES place(id),
         begin REAL NOT NULL,
         end REAL NOT NULL,
         interval_sec INTEGER NOT NULL,
         sample_count INTEGER NOT NULL,
         units BLOB NOT NULL,
         duct_shape INTEGER NOT NULL,
         altitude REAL NOT NULL,
         side_a REAL NOT NULL,
         side_b REAL NOT NULL,
         radius REAL NOT NULL,
         metabolic_rate REAL NOT NULL,
         clothing REAL NOT NULL,
         signals BLOB NOT NULL,
         UNIQUE(instrument_id, place_id, begin, signals)))",
    R"(CREATE INDEX block_place ON block(place_id, begin))",
    R"(CREATE INDEX block_file ON block(file_id))",
    R"(CREATE TABLE series(
         id INTEGER PRIMARY KEY,
         block_id INTEGER NOT NULL REFERENCES block(id) ON DELETE CASCADE,
         code INTEGER NOT NULL,
         data BLOB NOT NULL,
         UNIQUE(block_id, code)))",
};

std::optional<QString> Run(QSqlDatabase& db, const QString& sql) {
  QSqlQuery q(db);
  if (!q.exec(sql)) return q.lastError().text() + QStringLiteral(" (") + sql.simplified() + ')';
  return std::nullopt;
}

std::optional<QString> ToVersion1(QSqlDatabase& db, bool fullText) {
  if (auto error = Run(db, QStringLiteral("PRAGMA application_id = %1").arg(kArchiveApplicationId)))
    return error;
  for (const char* sql : kVersion1) {
    if (auto error = Run(db, QString::fromLatin1(sql))) return error;
  }
  // The search index: a row per place (its names) and per file (header texts and comments),
  // decoded for the tokenizer.
  const bool fts = fullText && SqliteHasFts5(db);
  if (auto error = Run(db, fts ? QStringLiteral("CREATE VIRTUAL TABLE search USING fts5(body, "
                                                "place_id UNINDEXED, file_id UNINDEXED, "
                                                "tokenize = 'unicode61 remove_diacritics 2')")
                               : QStringLiteral("CREATE TABLE search(body TEXT NOT NULL, "
                                                "place_id INTEGER, file_id INTEGER)"))) {
    return error;
  }
  QSqlQuery q(db);
  q.prepare(QStringLiteral("INSERT INTO meta(key, value) VALUES ('search', ?)"));
  q.addBindValue(fts ? QStringLiteral("fts5") : QStringLiteral("like"));
  if (!q.exec()) return q.lastError().text();
  return std::nullopt;
}

}  // namespace

bool SqliteHasFts5(QSqlDatabase& db) {
  QSqlQuery q(db);
  if (!q.exec(QStringLiteral("CREATE VIRTUAL TABLE temp.qv_fts5_probe USING fts5(x)"))) {
    return false;
  }
  q.exec(QStringLiteral("DROP TABLE temp.qv_fts5_probe"));
  return true;
}

std::optional<QString> UpgradeArchiveSchema(QSqlDatabase& db, int from, int to, bool fullText) {
  // Step v takes a database of version v - 1 to version v; a step is added for every change
  // of the layout, and none is ever edited once released.
  for (int v = from + 1; v <= to; ++v) {
    std::optional<QString> error;
    switch (v) {
      case 1:
        error = ToVersion1(db, fullText);
        break;
      default:
        error = QStringLiteral("no step to archive version %1").arg(v);
    }
    if (error) return error;
  }
  return Run(db, QStringLiteral("PRAGMA user_version = %1").arg(to));
}

}  // namespace qv

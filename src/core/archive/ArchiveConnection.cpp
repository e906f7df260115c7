#include "archive/ArchiveConnection.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QVariant>

namespace qv {

Bytes BytesOf(const QVariant& v) {
  const QByteArray b = v.toByteArray();
  return Bytes(b.constData(), static_cast<size_t>(b.size()));
}

QVariant BlobValue(const Bytes& b) {
  // A QByteArray, not a text: the driver binds it as a BLOB, so that bytes compare as bytes.
  return QVariant(QByteArray(b.data(), static_cast<qsizetype>(b.size())));
}

QVariant BlobValue(const QByteArray& b) {
  // An empty one is still a value: a null QByteArray would be bound as NULL.
  return b.isNull() ? QVariant(QByteArray("", 0)) : QVariant(b);
}

ArchiveConnection::ArchiveConnection(QString connectionName, QByteArray codePage)
    : connection(std::move(connectionName)), codec(std::move(codePage)) {}

ArchiveConnection::~ArchiveConnection() {
  if (db.isValid()) db.close();
  db = QSqlDatabase();
  QSqlDatabase::removeDatabase(connection);
}

QSqlQuery ArchiveConnection::Prepare(const QString& sql) {
  QSqlQuery q(db);
  if (!q.prepare(sql)) throw SqlFailure{q.lastError().text()};
  return q;
}

void ArchiveConnection::Exec(QSqlQuery& q) {
  if (!q.exec()) throw SqlFailure{q.lastError().text()};
}

QSqlQuery ArchiveConnection::Exec(const QString& sql) {
  QSqlQuery q(db);
  if (!q.exec(sql)) throw SqlFailure{q.lastError().text()};
  return q;
}

void ArchiveConnection::Begin() {
  Exec(QStringLiteral("BEGIN IMMEDIATE"));
}

void ArchiveConnection::Commit() {
  Exec(QStringLiteral("COMMIT"));
}

void ArchiveConnection::Rollback() {
  QSqlQuery q(db);
  q.exec(QStringLiteral("ROLLBACK"));
}

Outcome ArchiveConnection::Failure(const QString& text) const {
  return Outcome::Failure(codec.Encode(QStringLiteral("Archive: ") + text));
}

const ArchiveConnection::Place& ArchiveConnection::PlaceOf(int64_t id) {
  auto it = places_.find(id);
  if (it != places_.end()) return it->second;
  QSqlQuery q = Prepare(QStringLiteral("SELECT building, room FROM place WHERE id = ?"));
  q.addBindValue(static_cast<qlonglong>(id));
  Exec(q);
  Place place;
  if (q.next()) place = {BytesOf(q.value(0)), BytesOf(q.value(1))};
  return places_.emplace(id, std::move(place)).first->second;
}

const QString& ArchiveConnection::PathOf(int64_t fileId) {
  auto it = paths_.find(fileId);
  if (it != paths_.end()) return it->second;
  QSqlQuery q = Prepare(QStringLiteral("SELECT path FROM file WHERE id = ?"));
  q.addBindValue(static_cast<qlonglong>(fileId));
  Exec(q);
  QString path;
  if (q.next()) path = q.value(0).toString();
  return paths_.emplace(fileId, std::move(path)).first->second;
}

void ArchiveConnection::IndexPlace(int64_t id, const Bytes& building, const Bytes& room) {
  QSqlQuery q = Prepare(QStringLiteral("INSERT INTO search(body, place_id) VALUES (?, ?)"));
  q.addBindValue(codec.Decode(building) + QLatin1Char('\n') + codec.Decode(room));
  q.addBindValue(static_cast<qlonglong>(id));
  Exec(q);
}

void ArchiveConnection::IndexFile(int64_t id, const std::vector<Bytes>& texts) {
  QString body;
  for (const Bytes& text : texts) {
    if (text.empty()) continue;
    if (!body.isEmpty()) body += QLatin1Char('\n');
    body += codec.Decode(text);
  }
  if (body.isEmpty()) return;
  QSqlQuery q = Prepare(QStringLiteral("INSERT INTO search(body, file_id) VALUES (?, ?)"));
  q.addBindValue(body);
  q.addBindValue(static_cast<qlonglong>(id));
  Exec(q);
}

namespace {

const char* const kIndexedFileTexts =
    "SELECT id, operator1, operator2, site1, site2, footer, comments FROM file";

}  // namespace

void ArchiveConnection::RebuildSearch() {
  Exec(QStringLiteral("DELETE FROM search"));
  QSqlQuery places = Exec(QStringLiteral("SELECT id, building, room FROM place"));
  std::vector<std::pair<int64_t, Place>> rows;
  while (places.next())
    rows.push_back(
        {places.value(0).toLongLong(), {BytesOf(places.value(1)), BytesOf(places.value(2))}});
  places.finish();
  for (const auto& [id, place] : rows)
    IndexPlace(id, place.building, place.room);
  QSqlQuery files = Exec(QString::fromLatin1(kIndexedFileTexts));
  std::vector<std::pair<int64_t, std::vector<Bytes>>> texts;
  while (files.next()) {
    std::vector<Bytes> t;
    for (int i = 1; i <= 6; ++i)
      t.push_back(BytesOf(files.value(i)));
    texts.emplace_back(files.value(0).toLongLong(), std::move(t));
  }
  files.finish();
  for (const auto& [id, t] : texts)
    IndexFile(id, t);
  QSqlQuery meta = Prepare(
      QStringLiteral("INSERT OR REPLACE INTO meta(key, value) VALUES ('search_code_page', ?)"));
  meta.addBindValue(QString::fromLatin1(codec.CodePage()));
  Exec(meta);
}

std::optional<ArchiveConnection::Matches> ArchiveConnection::Search(const QString& words) {
  const QStringList list =
      words.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
  if (list.isEmpty()) return std::nullopt;
  QString sql = QStringLiteral("SELECT place_id, file_id FROM search WHERE ");
  QVariantList binds;
  if (fullText) {
    // Each word a quoted prefix: what the person typed is never read as query syntax. The
    // tokenizer keeps letters and digits only; a word of none would be an empty phrase, which
    // nothing holds.
    static const QRegularExpression wordCharacter(QStringLiteral("[\\p{L}\\p{N}]"));
    QString match;
    for (const QString& w : list) {
      if (!w.contains(wordCharacter)) return Matches{};
      if (!match.isEmpty()) match += QLatin1Char(' ');
      match += QLatin1Char('"') + QString(w).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
               QStringLiteral("\"*");
    }
    sql += QStringLiteral("search MATCH ?");
    binds << match;
  } else {
    for (qsizetype i = 0; i < list.size(); ++i) {
      if (i > 0) sql += QStringLiteral(" AND ");
      sql += QStringLiteral("body LIKE ? ESCAPE '\\'");
      QString w = list[i];
      w.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
          .replace(QLatin1Char('%'), QStringLiteral("\\%"))
          .replace(QLatin1Char('_'), QStringLiteral("\\_"));
      binds << QStringLiteral("%") + w + QStringLiteral("%");
    }
  }
  QSqlQuery q = Prepare(sql);
  for (const QVariant& b : binds)
    q.addBindValue(b);
  Exec(q);
  Matches m;
  while (q.next()) {
    if (!q.value(0).isNull()) m.places.insert(q.value(0).toLongLong());
    if (!q.value(1).isNull()) m.files.insert(q.value(1).toLongLong());
  }
  return m;
}

}  // namespace qv

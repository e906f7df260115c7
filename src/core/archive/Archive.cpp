#include "archive/Archive.h"

#include "app/TextCatalog.h"
#include "archive/ArchiveImpl.h"
#include "archive/ArchiveSchema.h"
#include "store/SignalCatalog.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QStandardPaths>
#include <QVariant>

#include <atomic>

namespace qv {

Bytes BytesOf(const QVariant& v) {
  const QByteArray b = v.toByteArray();
  return Bytes(b.constData(), static_cast<size_t>(b.size()));
}

QByteArray Blob(const Bytes& b) {
  // QByteArray, not a text: the driver binds it as a BLOB, so that bytes compare as bytes.
  return QByteArray(b.data(), static_cast<qsizetype>(b.size()));
}

Archive::Impl::Impl(QString connectionName, QByteArray codePage)
    : connection(std::move(connectionName)), codec(std::move(codePage)) {}

Archive::Impl::~Impl() {
  if (db.isValid()) db.close();
  db = QSqlDatabase();
  QSqlDatabase::removeDatabase(connection);
}

QSqlQuery Archive::Impl::Prepare(const QString& sql) {
  QSqlQuery q(db);
  if (!q.prepare(sql)) throw SqlFailure{q.lastError().text()};
  return q;
}

void Archive::Impl::Exec(QSqlQuery& q) {
  if (!q.exec()) throw SqlFailure{q.lastError().text()};
}

QSqlQuery Archive::Impl::Exec(const QString& sql) {
  QSqlQuery q(db);
  if (!q.exec(sql)) throw SqlFailure{q.lastError().text()};
  return q;
}

void Archive::Impl::Begin() {
  Exec(QStringLiteral("BEGIN IMMEDIATE"));
}

void Archive::Impl::Commit() {
  Exec(QStringLiteral("COMMIT"));
}

void Archive::Impl::Rollback() {
  QSqlQuery q(db);
  q.exec(QStringLiteral("ROLLBACK"));
}

Outcome Archive::Impl::Failure(const QString& text) const {
  return Outcome::Failure(codec.Encode(QStringLiteral("Archive: ") + text));
}

const Archive::Impl::Place& Archive::Impl::PlaceOf(int64_t id) {
  auto it = places_.find(id);
  if (it != places_.end()) return it->second;
  QSqlQuery q = Prepare(QStringLiteral("SELECT building, room FROM place WHERE id = ?"));
  q.addBindValue(static_cast<qlonglong>(id));
  Exec(q);
  Place place;
  if (q.next()) place = {BytesOf(q.value(0)), BytesOf(q.value(1))};
  return places_.emplace(id, std::move(place)).first->second;
}

const QString& Archive::Impl::PathOf(int64_t fileId) {
  auto it = paths_.find(fileId);
  if (it != paths_.end()) return it->second;
  QSqlQuery q = Prepare(QStringLiteral("SELECT path FROM file WHERE id = ?"));
  q.addBindValue(static_cast<qlonglong>(fileId));
  Exec(q);
  QString path;
  if (q.next()) path = q.value(0).toString();
  return paths_.emplace(fileId, std::move(path)).first->second;
}

void Archive::Impl::IndexPlace(int64_t id, const Bytes& building, const Bytes& room) {
  QSqlQuery q = Prepare(QStringLiteral("INSERT INTO search(body, place_id) VALUES (?, ?)"));
  q.addBindValue(codec.Decode(building) + QLatin1Char('\n') + codec.Decode(room));
  q.addBindValue(static_cast<qlonglong>(id));
  Exec(q);
}

void Archive::Impl::IndexFile(int64_t id, const std::vector<Bytes>& texts) {
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

void Archive::Impl::RebuildSearch() {
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

std::optional<Archive::Impl::Matches> Archive::Impl::Search(const QString& words) {
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

QString DefaultArchivePath() {
  // As the base directory rules say: a relative $XDG_DATA_HOME is ignored.
  QString base = qEnvironmentVariable("XDG_DATA_HOME");
  if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
    base = QDir::homePath() + QStringLiteral("/.local/share");
  }
  return base + QStringLiteral("/quorvantel/archive.sqlite");
}

Archive::~Archive() = default;

std::unique_ptr<Archive> Archive::Open(const QString& path, const ArchiveOpenOptions& options,
                                       Outcome* outcome) {
  const TextCodec codec(options.codePage);
  const QString shown = QDir::toNativeSeparators(path);
  auto fail = [&](const QString& text) {
    *outcome = Outcome::Failure(codec.Encode(text));
    return nullptr;
  };
  if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
    return fail(QStringLiteral(
        "The archive needs the SQLite driver of Qt SQL (QSQLITE, in Debian the package "
        "libqt6sql6-sqlite), which is not installed."));
  }
  const QFileInfo info(path);
  if (info.exists() && !info.isFile()) {
    return fail(QStringLiteral("%1 is not a file; an archive is one SQLite file.").arg(shown));
  }
  if (!info.exists()) {
    if (!options.create) {
      return fail(
          QStringLiteral("There is no archive at %1 yet; add files to it first.").arg(shown));
    }
    if (!QDir().mkpath(info.absolutePath())) {
      return fail(QStringLiteral("The folder %1 cannot be made.")
                      .arg(QDir::toNativeSeparators(info.absolutePath())));
    }
  }

  static std::atomic<int> connections{0};
  std::unique_ptr<Archive> archive(new Archive);
  archive->path_ = path;
  archive->impl_ = std::make_unique<Impl>(
      QStringLiteral("qv-archive-%1").arg(connections.fetch_add(1)), options.codePage);
  Impl& impl = *archive->impl_;
  impl.db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), impl.connection);
  impl.db.setDatabaseName(path);
  impl.db.setConnectOptions(
      QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(std::max(0, options.busyTimeoutMs)));
  if (!impl.db.open()) {
    return fail(QStringLiteral("The archive %1 cannot be opened: %2")
                    .arg(shown, impl.db.lastError().text()));
  }
  try {
    // Looked at before anything is written: a database this program cannot read stays as it is.
    QSqlQuery id = impl.Exec(QStringLiteral("PRAGMA application_id"));
    const int applicationId = id.next() ? id.value(0).toInt() : 0;
    id.finish();
    QSqlQuery version = impl.Exec(QStringLiteral("PRAGMA user_version"));
    const int userVersion = version.next() ? version.value(0).toInt() : 0;
    version.finish();
    QSqlQuery tables = impl.Exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    const int tableCount = tables.next() ? tables.value(0).toInt() : 0;
    tables.finish();
    const bool empty = applicationId == 0 && userVersion == 0 && tableCount == 0;
    if (!empty && applicationId != kArchiveApplicationId) {
      return fail(QStringLiteral("%1 is a SQLite database of another program, not an archive "
                                 "of Quorvantel measurements.")
                      .arg(shown));
    }
    if (userVersion > kArchiveVersion) {
      return fail(QStringLiteral("The archive %1 was written by a newer version of Quorvantel "
                                 "(archive version %2; this version reads versions up to %3). "
                                 "Open it with that version or a newer one.")
                      .arg(shown)
                      .arg(userVersion)
                      .arg(kArchiveVersion));
    }

    impl.Exec(QStringLiteral("PRAGMA foreign_keys = ON"));
    QSqlQuery journal = impl.Exec(QStringLiteral("PRAGMA journal_mode = WAL"));
    const QString mode = journal.next() ? journal.value(0).toString() : QString();
    journal.finish();
    if (mode.compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
      return fail(QStringLiteral("The archive %1 cannot use a write-ahead log (journal mode "
                                 "\"%2\"); is its folder on a network share?")
                      .arg(shown, mode));
    }
    // With the log, a commit survives the program being killed; only a power cut may take the
    // last files back, which are then simply added again.
    impl.Exec(QStringLiteral("PRAGMA synchronous = NORMAL"));

    if (userVersion < kArchiveVersion) {
      impl.Begin();
      try {
        // Another program may have created or upgraded it while we waited for the lock.
        QSqlQuery again = impl.Exec(QStringLiteral("PRAGMA user_version"));
        const int current = again.next() ? again.value(0).toInt() : 0;
        again.finish();
        if (current < kArchiveVersion) {
          if (auto error =
                  UpgradeArchiveSchema(impl.db, current, kArchiveVersion, options.fullText)) {
            throw SqlFailure{*error};
          }
        }
        impl.Commit();
      } catch (...) {
        impl.Rollback();
        throw;
      }
    }

    QSqlQuery meta =
        impl.Exec(QStringLiteral("SELECT key, value FROM meta WHERE key LIKE 'search%'"));
    QString searchKind, searchCodePage;
    while (meta.next()) {
      if (meta.value(0).toString() == QLatin1String("search")) {
        searchKind = meta.value(1).toString();
      } else {
        searchCodePage = meta.value(1).toString();
      }
    }
    meta.finish();
    impl.fullText = searchKind == QLatin1String("fts5");
    if (impl.fullText && !SqliteHasFts5(impl.db)) {
      return fail(QStringLiteral("The archive %1 has a full-text index (FTS5), which this "
                                 "SQLite library lacks.")
                      .arg(shown));
    }
    if (searchCodePage != QString::fromLatin1(impl.codec.CodePage())) {
      impl.Begin();
      try {
        impl.RebuildSearch();
        impl.Commit();
      } catch (...) {
        impl.Rollback();
        throw;
      }
    }
  } catch (const SqlFailure& f) {
    return fail(QStringLiteral("The archive %1 cannot be used: %2").arg(shown, f.text));
  }
  archive->fullText_ = impl.fullText;
  *outcome = Outcome::Success();
  return archive;
}

QStringList Archive::CollectFiles(const QStringList& paths, QStringList* missing) {
  QStringList files;
  for (const QString& path : paths) {
    const QFileInfo info(path);
    if (!info.exists()) {
      if (missing != nullptr) missing->append(path);
      continue;
    }
    if (!info.isDir()) {
      files.append(info.absoluteFilePath());
      continue;
    }
    // Symbolic links to folders are not followed: a link back up would never end.
    QDirIterator it(path, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QFileInfo found(it.next());
      if (found.suffix().compare(QLatin1String("qvl"), Qt::CaseInsensitive) == 0) {
        files.append(found.absoluteFilePath());
      }
    }
  }
  files.sort();
  files.removeDuplicates();
  return files;
}

Bytes UnitText(int code, const Bytes& units, const TextCatalog& texts) {
  int quantity = QuantityOf(code);
  if (code == 65) quantity = 4;  // multipoint air velocity
  if (code == 66) quantity = 5;  // multipoint volume flow
  if (quantity < 1 || quantity > kQuantityCount) return {};
  const char letter = units.empty() ? '\0' : units[0];
  const std::string_view si = UnitKey(quantity, 'S');
  const std::string_view us = UnitKey(quantity, 'U');
  if (si.empty()) return {};
  // A quantity whose unit depends on the system has none for an unknown system.
  if (si != us && letter != 'S' && letter != 'U') return {};
  return texts.Translate(letter == 'U' ? us : si);
}

}  // namespace qv

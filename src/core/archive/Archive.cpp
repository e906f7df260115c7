#include "archive/Archive.h"

#include "app/TextCatalog.h"
#include "archive/ArchiveConnection.h"
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
  archive->impl_ = std::make_unique<ArchiveConnection>(
      QStringLiteral("qv-archive-%1").arg(connections.fetch_add(1)), options.codePage);
  ArchiveConnection& impl = *archive->impl_;
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

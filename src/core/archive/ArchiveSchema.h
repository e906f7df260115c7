// The layout of the archive database and the steps that bring an older one up to date.
#pragma once

#include <QSqlDatabase>
#include <QString>
#include <optional>

namespace qv {

// PRAGMA application_id of an archive ("QVLA"): another program's SQLite file is refused.
inline constexpr int kArchiveApplicationId = 0x51564C41;

// Whether this SQLite library has FTS5 (a temporary table is made and dropped to find out).
bool SqliteHasFts5(QSqlDatabase& db);

// Applies the steps from version `from` to version `to` (1 creates the database) and sets
// user_version to `to`. The caller holds the write transaction. `fullText` chooses an FTS5
// search index for a database created here. An error text when a statement failed.
std::optional<QString> UpgradeArchiveSchema(QSqlDatabase& db, int from, int to, bool fullText);

}  // namespace qv

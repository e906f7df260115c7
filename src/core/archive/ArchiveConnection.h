// What the archive's source files share: the connection and its statements.
#pragma once

#include "app/TextCodec.h"
#include "files/Outcome.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <map>
#include <set>
#include <vector>

namespace qv {

// A statement that failed; thrown inside the archive, turned into a Failed outcome at its
// functions' boundary.
struct SqlFailure {
  QString text;
};

class ArchiveConnection {
 public:
  ArchiveConnection(QString connectionName, QByteArray codePage);
  ~ArchiveConnection();

  QSqlQuery Prepare(const QString& sql);
  void Exec(QSqlQuery& q);
  QSqlQuery Exec(const QString& sql);
  // BEGIN IMMEDIATE: the write lock at once, so that another writer makes us wait at the
  // start (the busy timeout) instead of failing half-way.
  void Begin();
  void Commit();
  void Rollback();
  Outcome Failure(const QString& text) const;
  Outcome Failure(const SqlFailure& f) const { return Failure(f.text); }

  struct Place {
    Bytes building;
    Bytes room;
  };
  // Committed rows never change: what was read once is kept.
  const Place& PlaceOf(int64_t id);
  const QString& PathOf(int64_t fileId);

  // The places and files whose indexed text holds every word; nullopt for no words.
  struct Matches {
    std::set<int64_t> places;
    std::set<int64_t> files;
  };
  std::optional<Matches> Search(const QString& words);
  void IndexPlace(int64_t id, const Bytes& building, const Bytes& room);
  void IndexFile(int64_t id, const std::vector<Bytes>& texts);
  // The index anew from the stored bytes, decoded with `codec`.
  void RebuildSearch();

  QString connection;
  QSqlDatabase db;
  TextCodec codec;
  bool fullText = false;

 private:
  std::map<int64_t, Place> places_;
  std::map<int64_t, QString> paths_;
};

// A BLOB column's bytes, and bytes bound as a BLOB.
Bytes BytesOf(const QVariant& v);
QVariant BlobValue(const Bytes& b);
QVariant BlobValue(const QByteArray& b);

}  // namespace qv

// Adding files to the archive without holding up the GUI thread. One worker thread takes the
// jobs one after the other with a connection of its own to the database (a connection belongs
// to the thread that opened it); the archive window reads through another one on the GUI
// thread. The database lets both work at once: the reader sees every file committed so far.
//
// Two kinds of job: what the person adds in the archive window (files, or folders searched
// through; those can be cancelled) and the files the application saves or opens, added on their
// own while the setting is on.
#pragma once

#include "archive/Archive.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <mutex>
#include <set>

class QThread;

namespace qv {

struct AppContext;

// How a job ended.
struct ArchiveJobResult {
  int job = 0;
  bool automatic = false;  // a saved or opened file, not the person's own adding
  // Failed when the database could not be opened; nothing was added then.
  Outcome opened;
  ArchiveAddSummary summary;
  QStringList missing;  // paths that did not exist
};

// The settings value of the automatic adding (boolean, on when absent).
inline constexpr const char* kArchiveAutoAddSetting = "ArchiveAutoAdd";

class ArchiveService : public QObject {
  Q_OBJECT
 public:
  explicit ArchiveService(AppContext& ctx, QObject* parent = nullptr);
  // Cancels the person's jobs, lets a saved or opened file's job end, and waits for the worker.
  ~ArchiveService() override;

  // The database: the context's archive path, else the per-user default.
  QString Path() const;

  // Adds files and folders on the worker; returns the job's number at once. Progress and end
  // come as signals.
  int Add(const QStringList& paths);
  // Stops job `job` after the file it is adding (or before it starts); every file added before
  // stays. Callable from any thread.
  void Cancel(int job);
  // Jobs waiting or running.
  int PendingJobs() const { return pending_; }

  // The automatic adding of saved and opened files (stored in the settings).
  bool AutoAdd() const;
  void SetAutoAdd(bool on);
  // A results file the application wrote or read: added while the setting is on.
  void FileUsed(const QString& path);
  // What went wrong in adding a saved or opened file, translated for a status line; empty when
  // it was added or skipped, and for the person's own adding.
  QString QuietReport(const ArchiveJobResult& result) const;

 signals:
  // Emitted on the worker thread after each file of a job (queued to receivers on the GUI
  // thread): `done` of `total` files.
  void fileDone(int job, int done, int total);
  // On the GUI thread, after the job's last fileDone.
  void jobFinished(const qv::ArchiveJobResult& result);

 private:
  int Start(const QStringList& paths, bool automatic);
  // On the worker thread.
  void Run(int job, const QStringList& paths, bool automatic, const QString& path,
           const QByteArray& codePage);

  AppContext& ctx_;
  // The worker's own: its connection and a copy of the texts it translates the reader's
  // messages with.
  std::unique_ptr<Archive> archive_;
  std::unique_ptr<TextCatalog> texts_;
  QThread* thread_ = nullptr;
  QObject* worker_ = nullptr;  // lives on the thread: the jobs run in its event loop
  int nextJob_ = 0;
  int pending_ = 0;

  std::mutex mutex_;
  int running_ = 0;
  std::set<int> cancelled_;
  std::set<int> automatic_;  // jobs the destructor lets end
  std::atomic<bool> stop_{false};
};

}  // namespace qv

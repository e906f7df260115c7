#include "archive/ArchiveService.h"

#include "common/AppContext.h"

#include <QThread>

namespace qv {

ArchiveService::ArchiveService(AppContext& ctx, QObject* parent)
    : QObject(parent), ctx_(ctx), texts_(std::make_unique<TextCatalog>(ctx.Texts)) {
  thread_ = new QThread(this);
  thread_->setObjectName(QStringLiteral("archive"));
  worker_ = new QObject;
  worker_->moveToThread(thread_);
  thread_->start();
}

ArchiveService::~ArchiveService() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (int job = 1; job <= nextJob_; ++job) {
      if (automatic_.count(job) == 0) cancelled_.insert(job);
    }
    if (running_ != 0 && automatic_.count(running_) == 0) stop_ = true;
  }
  // After the jobs before it: the connection is closed on the thread that opened it.
  QMetaObject::invokeMethod(worker_, [this] {
    archive_.reset();
    QThread::currentThread()->quit();
  });
  thread_->wait();
  delete worker_;
}

QString ArchiveService::Path() const {
  return ctx_.ArchivePath.isEmpty() ? DefaultArchivePath() : ctx_.ArchivePath;
}

bool ArchiveService::AutoAdd() const {
  bool on = true;
  ctx_.Settings.ReadBool(kArchiveAutoAddSetting, on);
  return on;
}

void ArchiveService::SetAutoAdd(bool on) {
  ctx_.Settings.WriteBool(kArchiveAutoAddSetting, on);
}

void ArchiveService::FileUsed(const QString& path) {
  if (AutoAdd()) Start({path}, true);
}

QString ArchiveService::QuietReport(const ArchiveJobResult& result) const {
  if (!result.automatic) return {};
  const ArchiveAddSummary& s = result.summary;
  Bytes reason;
  if (!result.opened.ok()) {
    reason = result.opened.message;
  } else if (!s.outcome.ok()) {
    reason = s.outcome.message;
  } else if (!s.errors.empty()) {
    reason = s.errors.front().message;
  } else {
    return {};
  }
  return ctx_.Tr("ArchiveAutoFailed_60") + QStringLiteral(": ") + ctx_.Decode(reason);
}

int ArchiveService::Add(const QStringList& paths) {
  return Start(paths, false);
}

int ArchiveService::Start(const QStringList& paths, bool automatic) {
  const int job = ++nextJob_;
  ++pending_;
  if (automatic) {
    const std::lock_guard<std::mutex> lock(mutex_);
    automatic_.insert(job);
  }
  // Taken now: the worker reads nothing of the context.
  const QString path = Path();
  const QByteArray codePage = ctx_.Codec.CodePage();
  QMetaObject::invokeMethod(worker_, [this, job, paths, automatic, path, codePage] {
    Run(job, paths, automatic, path, codePage);
  });
  return job;
}

void ArchiveService::Cancel(int job) {
  const std::lock_guard<std::mutex> lock(mutex_);
  cancelled_.insert(job);
  if (running_ == job) stop_ = true;
}

void ArchiveService::Run(int job, const QStringList& paths, bool automatic, const QString& path,
                         const QByteArray& codePage) {
  ArchiveJobResult result;
  result.job = job;
  result.automatic = automatic;
  bool skip = false;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    running_ = job;
    skip = cancelled_.count(job) != 0;
    stop_ = skip;
  }
  if (skip) {
    result.summary.cancelled = true;
  } else {
    if (archive_ == nullptr || archive_->Path() != path) {
      archive_.reset();
      ArchiveOpenOptions options;
      options.codePage = codePage;
      archive_ = Archive::Open(path, options, &result.opened);
    }
    if (archive_ != nullptr) {
      const QStringList files = Archive::CollectFiles(paths, &result.missing);
      ArchiveAddOptions options;
      options.cancel = &stop_;
      options.progress = [this, job](const ArchiveFileResult&, int done, int total) {
        emit fileDone(job, done, total);
      };
      result.summary = archive_->AddFiles(files, *texts_, options);
      // A database that failed (a full disk, say) is opened again for the next job.
      if (!result.summary.outcome.ok()) archive_.reset();
    }
  }
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    running_ = 0;
    cancelled_.erase(job);
    automatic_.erase(job);
    stop_ = false;
  }
  QMetaObject::invokeMethod(this, [this, result] {
    --pending_;
    emit jobFinished(result);
  });
}

}  // namespace qv

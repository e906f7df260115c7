// The desktop side of a download. The save questions come first, on the GUI thread; then the
// engine runs on a worker thread of its own, with the link (the serial port object) it owns for
// the whole run. What the engine tells and asks reaches the GUI thread in order: its activity
// and progress as queued events for the transfer box, its questions (memory choice, block list)
// and messages as queued calls whose answers the worker waits for. The GUI thread's event loop
// runs on undisturbed meanwhile. When the worker is done, the new document is installed in the
// workspace on the GUI thread, and finished() follows.
#pragma once

#include "common/AppContext.h"
#include "common/Prompter.h"
#include "download/DownloadEngine.h"
#include "link/Link.h"

#include <QObject>
#include <QThread>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>

namespace qv {

class TfrmDLSelect;
class TfrmDownLoadList;
class TfrmTransfering;

class GuiDownload : public QObject, public DownloadHost {
  Q_OBJECT
 public:
  // Everything must outlive the download. `documentHost` answers the save questions, shows
  // the block list in show mode and the messages.
  GuiDownload(AppContext& ctx, DocumentHost& documentHost, TfrmDLSelect& memoryChoice,
              TfrmDownLoadList& blockList, TfrmTransfering& transfer);
  // A transfer still running is cancelled and waited for.
  ~GuiDownload() override;

  Link& LinkObject() { return *link_; }
  DownloadEngine& Engine() { return *engine_; }
  // From the start of the transfer to the installing of its document.
  bool Running() const { return running_; }
  // Every byte and step of the last transfer, kept until the next one starts.
  const LinkTrace& LastTrace() const { return trace_; }
  // Puts a port choice into effect on the link (never while a transfer runs).
  void ApplyPortChoice(const PortChoice& choice);
  // Instrument > DownLoad: the save questions, then the transfer on the worker. Returns at once;
  // finished() tells the end. Nothing happens while a transfer runs.
  void Start();
  // The transfer dialog's Cancel.
  void Cancel();

 signals:
  // A transfer started (true) or came to its end, its document installed (false).
  void runningChanged(bool running);
  void finished(const qv::DownloadResult& result);

 public:
  // LinkHost and DownloadHost: called on the worker thread.
  void Pump() override {}
  bool Ask(std::string_view key) override;
  bool SaveAs() override;
  void Message(MessageIcon icon, const Bytes& text) override;
  bool ChooseBlockToShow(std::vector<TLoggerRecord>& blocks) override;
  std::optional<MemoryChoice> ChooseMemory() override;
  bool ChooseBlocksToDownload(std::vector<TLoggerRecord>& blocks) override;
  void Connecting(const Bytes& activity) override;
  void TransferStarted(const Bytes& activity) override;
  void Progress(int percent) override;
  void TransferEnded() override;

 private:
  // Runs `event` on the GUI thread after what was posted before it; does not wait.
  template <typename F>
  void Post(F event) {
    QMetaObject::invokeMethod(this, std::move(event), Qt::QueuedConnection);
  }
  // Runs `question` on the GUI thread after what was posted before it and waits for its answer;
  // `fallback` when the download is being torn down meanwhile.
  template <typename R, typename F>
  R AskOnGuiThread(F question, R fallback);
  // On the GUI thread, once the worker is done: its document installed, the lost tests told.
  void Finish(const DownloadResult& result, const std::shared_ptr<Document>& doc);
  // The hourglass while the program works on its own; the arrow while a person is asked.
  void SetBusyCursor(bool busy);
  void ShowTransfer(const Bytes& activity);
  void HideTransfer();

  AppContext& ctx_;
  DocumentHost& documentHost_;
  TfrmDLSelect& memoryChoice_;
  TfrmDownLoadList& blockList_;
  TfrmTransfering& transfer_;
  std::unique_ptr<Link> link_;
  LinkTrace trace_;
  std::unique_ptr<DownloadEngine> engine_;
  // The transfer's thread: a QThread, because the serial port it opens waits on the device with
  // the toolkit's notifiers, which only such a thread may have.
  std::unique_ptr<QThread> worker_;
  bool running_ = false;
  std::atomic<bool> abandoned_{false};
  bool busy_ = false;
};

template <typename R, typename F>
R GuiDownload::AskOnGuiThread(F question, R fallback) {
  auto answer = std::make_shared<std::promise<R>>();
  std::future<R> future = answer->get_future();
  Post([answer, question]() mutable { answer->set_value(question()); });
  while (future.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
    if (abandoned_.load()) return fallback;
  }
  return future.get();
}

}  // namespace qv

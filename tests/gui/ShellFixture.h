// A started application: data folder, settings of its own, the main window with its
// dialogs, and a prompter that answers from a script.
#pragma once

#include "GuiTestSupport.h"
#include "app/MainForm.h"
#include "download/GuiDownload.h"
#include "graph/GraphWindow.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

namespace qv::test {

// Runs `act` on the next modal dialog as soon as it is shown (within 30 s: a download
// connects to the instrument first, which takes a while on a busy machine).
inline void OnNextModal(std::function<void(QDialog*)> act) {
  auto* timer = new QTimer;
  auto ticks = std::make_shared<int>(0);
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, ticks, act] {
    if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      act(d);
    } else if (++*ticks > 6000) {
      timer->stop();
      timer->deleteLater();
      ADD_FAILURE() << "no modal dialog appeared";
    }
  });
  timer->start();
}

// Instrument > DownLoad (or what `start` does to begin one) as a person starts it, the event loop
// running meanwhile as it does for a person; returns once the download has ended and its
// document was installed (within 60 s).
inline DownloadResult DownloadAndWait(TfrmMainForm& form, const std::function<void()>& start = {}) {
  DownloadResult result;
  bool done = false;
  QEventLoop loop;
  const QMetaObject::Connection finished = QObject::connect(
      &form.Download(), &GuiDownload::finished, &loop, [&](const DownloadResult& r) {
        result = r;
        done = true;
        loop.quit();
      });
  if (start) {
    start();
  } else {
    form.mmInstrDownLoadClick();
  }
  if (!done) {
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
  }
  QObject::disconnect(finished);
  EXPECT_TRUE(done) << "the download did not end";
  return result;
}

// Answers the workspace where a test puts a document on show without a person: every
// question No, every message noted.
class QuietDocumentHost : public DocumentHost {
 public:
  bool Ask(std::string_view) override { return false; }
  bool SaveAs() override { return false; }
  void Message(MessageIcon, const Bytes& text) override { messages.push_back(text); }
  bool ChooseBlockToShow(std::vector<TLoggerRecord>&) override { return false; }
  std::vector<Bytes> messages;
};

class ShellTest : public ::testing::Test {
 protected:
  // Starts the application on `data` (the shipped files when null) with the settings store
  // `settingsName` (a fresh one when empty).
  void Start(std::unique_ptr<DataFolder> data = nullptr, std::string settingsName = {}) {
    form_.reset();
    ctx_.reset();
    data_ = data ? std::move(data) : DataFolder::Shipped();
    settingsName_ = settingsName.empty() ? FreshSettingsName() : settingsName;
    ctx_ = std::make_unique<AppContext>(data_->Path(), settingsName_);
    form_ = std::make_unique<TfrmMainForm>(*ctx_, prompter_);
    started_ = form_->CreateDialogs();
  }
  void TearDown() override {
    form_.reset();
    ctx_.reset();
  }
  // Opens a menu as a person does and closes it again; the opening evaluates its entries.
  void OpenMenu(QMenu* menu) {
    menu->popup(QPoint(10, 10));
    QApplication::processEvents();
    menu->hide();
  }
  bool Enabled(const char* action) const { return form_->Action(action)->isEnabled(); }
  // The graph windows in the order they were made.
  std::vector<TfrmGraphChild*> Windows() const {
    std::vector<TfrmGraphChild*> w;
    for (QMdiSubWindow* s : form_->MdiArea()->subWindowList(QMdiArea::CreationOrder))
      w.push_back(qobject_cast<TfrmGraphChild*>(s->widget()));
    return w;
  }

  std::unique_ptr<DataFolder> data_;
  std::string settingsName_;
  std::unique_ptr<AppContext> ctx_;
  ScriptedPrompter prompter_;
  std::unique_ptr<TfrmMainForm> form_;
  QuietDocumentHost quiet_;
  bool started_ = false;
};

}  // namespace qv::test

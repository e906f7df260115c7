// The progress window of a transfer: a tool window over the main window without a close
// box, a gauge, a line telling what is being done, and Cancel, which asks the link to stop
// at its next poll.
#pragma once

#include "common/AppContext.h"

#include <QDialog>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace qv {

class TfrmTransfering : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmTransfering(const AppContext& ctx, QWidget* parent = nullptr);

  // What Cancel sets (the link's cancel flag).
  void SetCancelHandler(std::function<void()> cancel) { cancel_ = std::move(cancel); }
  void SetProgress(int percent);
  int Progress() const;
  void SetActivity(const QString& text);
  void SetCancelEnabled(bool enabled);

  // Cancel: sets the flag and hides the window.
  void btnCancelClick();

 protected:
  void reject() override;  // Escape works as Cancel
  void closeEvent(QCloseEvent* event) override;

 private:
  std::function<void()> cancel_;
  QProgressBar* gauge_;
  QLabel* lbDownLoading_;
  QPushButton* btnCancel_;
};

}  // namespace qv

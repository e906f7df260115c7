// The memory choice of a download: results memory or logging memory.
#pragma once

#include "common/AppContext.h"
#include "common/Prompter.h"

#include <QDialog>

class QButtonGroup;
class QGroupBox;
class QPushButton;

namespace qv {

class TfrmDLSelect : public QDialog {
  Q_OBJECT
 public:
  TfrmDLSelect(AppContext& ctx, Prompter& prompter, QWidget* parent = nullptr);

  // Shows the dialog on the stored choice; stores the choice whatever the button. The
  // chosen position (0 results memory, 1 logging memory), or -1 when not confirmed or
  // nothing is chosen.
  int Choose();

  int ControlPosition() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

 private:
  void ShowPosition(int position);

  AppContext& ctx_;
  Prompter& prompter_;
  QGroupBox* gbTypesDL_;
  QButtonGroup* buttons_;
  QPushButton* btnDownLoad_;
  QPushButton* btnCancel_;
};

}  // namespace qv

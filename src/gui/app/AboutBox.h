// Help > About: product name, version and the project's web and e-mail addresses.
#pragma once

#include "common/AppContext.h"
#include "common/Prompter.h"

#include <QDialog>
#include <QUrl>
#include <functional>

class QLabel;

namespace qv {

// "Can not open " and the target: what the person is told when the desktop cannot open it.
QString CanNotOpenText(const QString& target);

// Opens a web or mail address or a file in the desktop's handler; when that fails the person
// is told which target could not be opened.
bool OpenTarget(const QUrl& url, const QString& target, Prompter& prompter, QWidget* parent);

class TfrmAbout : public QDialog {
  Q_OBJECT
 public:
  TfrmAbout(const AppContext& ctx, Prompter& prompter, QWidget* parent = nullptr);
  // Sets the product name label and shows the box modally.
  void ShowAbout();

  // Replaces the desktop's opener (tests).
  void SetOpener(std::function<bool(const QUrl&)> open) { open_ = std::move(open); }
  void OpenWeb();
  void OpenMail();

 private:
  Prompter& prompter_;
  std::function<bool(const QUrl&)> open_;
  QLabel* labProdName_;
};

}  // namespace qv

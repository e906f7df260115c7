// Help > Contents and Index: the bundled help page in a window of the application, so that help
// opens whether or not the desktop has a browser. Links inside the page move within it; links
// to other places go to the desktop.
#pragma once

#include <QDialog>

class QTextBrowser;

namespace qv {

class THelpWindow : public QDialog {
  Q_OBJECT
 public:
  explicit THelpWindow(QWidget* parent = nullptr);

  // Shows `page` at `anchor` (empty: its top). False when the page cannot be read.
  bool ShowPage(const QString& page, const QString& anchor);
  QTextBrowser* Browser() const { return browser_; }

 private:
  QTextBrowser* browser_;
};

}  // namespace qv

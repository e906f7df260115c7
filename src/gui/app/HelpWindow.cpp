#include "app/HelpWindow.h"

#include <QFileInfo>
#include <QScrollBar>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace qv {

THelpWindow::THelpWindow(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmHelp"));
  // A window of its own beside the main window, not a modal box in front of it.
  setWindowFlags(Qt::Window);
  setModal(false);
  browser_ = new QTextBrowser(this);
  browser_->setObjectName(QStringLiteral("tbHelp"));
  browser_->setOpenExternalLinks(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  resize(720, 640);
}

bool THelpWindow::ShowPage(const QString& page, const QString& anchor) {
  if (!QFileInfo(page).isFile() || !QFileInfo(page).isReadable()) return false;
  const QUrl url = QUrl::fromLocalFile(page);
  if (browser_->source().adjusted(QUrl::RemoveFragment) != url) browser_->setSource(url);
  if (browser_->document()->isEmpty()) return false;
  setWindowTitle(browser_->documentTitle().isEmpty() ? QFileInfo(page).fileName()
                                                     : browser_->documentTitle());
  if (anchor.isEmpty()) {
    browser_->verticalScrollBar()->setValue(0);
  } else {
    browser_->scrollToAnchor(anchor);
  }
  show();
  raise();
  activateWindow();
  return true;
}

}  // namespace qv

#include "common/Prompter.h"

#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "common/AppContext.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFileDialog>

namespace qv {

bool Prompter::Question(QWidget* parent, const QString& text, QMessageBox::Icon icon) {
  QMessageBox box(icon, QString::fromLatin1(kApplicationTitle), text,
                  QMessageBox::Yes | QMessageBox::No, parent);
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

void Prompter::Message(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                       const QString& caption) {
  QMessageBox box(icon, caption.isEmpty() ? QString::fromLatin1(kApplicationTitle) : caption, text,
                  QMessageBox::Ok, parent);
  box.exec();
}

bool Prompter::ChoosePrinter(QPrinter& printer, QWidget* parent) {
  QPrintDialog dialog(&printer, parent);
  return dialog.exec() == QDialog::Accepted;
}

void Prompter::ShowPreview(QPrintPreviewDialog& preview) {
  preview.exec();
}

QString Prompter::ChooseFile(QFileDialog& dialog) {
  const int result = dialog.exec();
  // Return in the name field can close the dialog while the name completer's popup is open,
  // and folder listings the completer asked for arrive later and open it again. Detached
  // from its field the completer stays quiet; the field takes it back when it next gets the
  // focus.
  for (QCompleter* completer : dialog.findChildren<QCompleter*>()) {
    completer->setWidget(nullptr);
    if (completer->popup()) completer->popup()->hide();
  }
  if (result != QDialog::Accepted) return {};
  const QStringList files = dialog.selectedFiles();
  return files.isEmpty() ? QString() : files.first();
}

}  // namespace qv

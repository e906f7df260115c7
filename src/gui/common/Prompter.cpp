#include "common/Prompter.h"

#include "common/AppContext.h"

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

QString Prompter::ChooseFile(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList files = dialog.selectedFiles();
  return files.isEmpty() ? QString() : files.first();
}

}  // namespace qv

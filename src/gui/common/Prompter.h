// Every modal message box and file dialog of the application goes through one object, so
// that tests can answer them.
#pragma once

#include <QMessageBox>
#include <QString>

class QFileDialog;
class QPrintPreviewDialog;
class QPrinter;
class QWidget;

namespace qv {

class Prompter {
 public:
  virtual ~Prompter() = default;
  // A Yes/No question; true for Yes.
  virtual bool Question(QWidget* parent, const QString& text, QMessageBox::Icon icon);
  // A message with an OK button. An empty caption gives the application title.
  virtual void Message(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                       const QString& caption = QString());
  // Runs a prepared file dialog; the chosen path, or empty when cancelled.
  virtual QString ChooseFile(QFileDialog& dialog);
  // The print dialog for `printer` (a PDF file when no printer is installed); true to print.
  virtual bool ChoosePrinter(QPrinter& printer, QWidget* parent);
  // Runs a prepared print preview until the person closes it.
  virtual void ShowPreview(QPrintPreviewDialog& preview);
};

}  // namespace qv

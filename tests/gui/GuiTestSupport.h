// Helpers of the GUI tests: a prompter that answers from a script and records what was
// shown, and data folders with product and language files.
#pragma once

#include "common/AppContext.h"
#include "common/Prompter.h"

#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qv::test {

// Time limits are checked in the optimised build only: the sanitizer build runs unoptimised
// under instrumentation, many times slower.
#ifdef NDEBUG
inline constexpr bool kTimedBuild = true;
#else
inline constexpr bool kTimedBuild = false;
#endif

class ScriptedPrompter : public Prompter {
 public:
  struct Shown {
    QString text;
    QMessageBox::Icon icon;
    QString caption;
    bool question;
  };

  bool Question(QWidget* parent, const QString& text, QMessageBox::Icon icon) override;
  void Message(QWidget* parent, const QString& text, QMessageBox::Icon icon,
               const QString& caption) override;
  QString ChooseFile(QFileDialog& dialog) override;
  // Prints to the next of `printFiles` as PDF; none left: cancelled.
  bool ChoosePrinter(QPrinter& printer, QWidget* parent) override;
  std::deque<QString> printFiles;
  // A print preview: handed to `onPreview` (when set) instead of waiting for a person.
  void ShowPreview(QPrintPreviewDialog& preview) override;
  std::function<void(QPrintPreviewDialog&)> onPreview;
  int previews = 0;

  // Answers of the next questions (true = Yes); a question without an answer gets No.
  std::deque<bool> answers;
  // Paths the next file dialogs return; empty = cancelled.
  std::deque<QString> files;
  // Called as each message or question is shown, before it is answered.
  std::function<void(QWidget* parent)> onShow;
  std::vector<Shown> shown;
  QStringList fileDialogTitles;
  // The file name each file dialog proposed when it opened.
  QStringList proposedNames;

  QStringList Texts() const;
};

// A folder with a product file and language files. `languages` are section name, display
// name pairs; each gets a language file named after its section, except those listed in
// `withoutFile`. The English texts come from the shipped English.ini unless `englishText`
// is given.
class DataFolder {
 public:
  DataFolder();
  // The shipped product file, English (or every shipped language) and every help page.
  static std::unique_ptr<DataFolder> Shipped(bool allLanguages = false);

  void Write(const QString& name, const QByteArray& bytes);
  std::string Path() const { return dir_.path().toStdString(); }
  QString QPath() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
};

// The shipped English.ini.
QByteArray ShippedEnglish();
// A settings store name no other test uses.
std::string FreshSettingsName();

}  // namespace qv::test

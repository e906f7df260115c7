// The language choice (Config > Language). The choice is stored at once and used from the
// next start.
#pragma once

#include "common/AppContext.h"
#include "common/Prompter.h"

#include <QDialog>
#include <string>
#include <vector>

class QButtonGroup;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace qv {

class TfrmLanguage : public QDialog {
  Q_OBJECT
 public:
  // Design height of the radio group; the dialog is 2.3 times as high.
  static constexpr int kDesignGroupHeight = 100;
  static constexpr int kDialogHeight = 230;
  static constexpr int kDialogWidth = 250;

  // False (after the fixed message "Language Error !") when the language file is missing:
  // the application cannot start without it.
  static bool CheckLanguageFile(const AppContext& ctx, Prompter& prompter);

  TfrmLanguage(AppContext& ctx, Prompter& prompter, QWidget* parent = nullptr);

  // Config > Language: shows the dialog; on OK with another language stores it and tells
  // the person it applies from the next start.
  void mmConfigLanguageClick();

  int SelectedIndex() const;
  void SelectIndex(int index);
  int EntryCount() const;
  QGroupBox* Group() const { return rgLanguage_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void AddEntry(const QString& text);
  void LayoutEntries();
  // The stored "LangIndex", or -1 when there is none.
  int StoredIndex() const;

  AppContext& ctx_;
  Prompter& prompter_;
  QGroupBox* rgLanguage_;
  QButtonGroup* buttons_;
  std::vector<QRadioButton*> entries_;
  // The installed languages behind the entries; empty while only the design entry shows.
  std::vector<LanguageEntry> languages_;
  QPushButton* btnOK_;
  QPushButton* btnCancel_;
};

}  // namespace qv

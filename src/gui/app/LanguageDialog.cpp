#include "app/LanguageDialog.h"

#include "app/IniFile.h"
#include "common/WindowLook.h"

#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <algorithm>

namespace qv {
namespace {

constexpr int kMargin = 10;
constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 28;
constexpr int kDefaultLanguageIndex = 0;

}  // namespace

bool TfrmLanguage::CheckLanguageFile(const AppContext& ctx, Prompter& prompter) {
  if (QFileInfo::exists(QString::fromStdString(ctx.LanguageFilePath()))) return true;
  // The language file is what every other text comes from: this one text is fixed.
  prompter.Message(nullptr, QStringLiteral("Language Error !"), QMessageBox::Warning);
  return false;
}

TfrmLanguage::TfrmLanguage(AppContext& ctx, Prompter& prompter, QWidget* parent)
    : QDialog(parent), ctx_(ctx), prompter_(prompter) {
  setObjectName(QStringLiteral("frmLanguage"));
  rgLanguage_ = new QGroupBox(this);
  rgLanguage_->setObjectName(QStringLiteral("rgLanguage"));
  buttons_ = new QButtonGroup(this);
  const OkCancel okCancel = MakeOkCancel(ctx_, this);
  btnOK_ = okCancel.ok;
  btnCancel_ = okCancel.cancel;

  setWindowTitle(ctx_.Tr("frmLanguage_25"));
  rgLanguage_->setTitle(QStringLiteral("  ") + ctx_.Tr("rgLang_15") + QStringLiteral("  "));
  AddEntry(ctx_.Tr("rgLangEn_15"));  // the design entry

  int languages = 1;
  const std::string folder = ctx_.DataFolder;
  const IniFile product =
      IniFile::Load(QDir(QString::fromStdString(folder)).filePath(kProductIniName).toStdString());
  if (product.HasSection(ctx_.Language.LanguageName)) {
    for (QRadioButton* b : entries_)
      delete b;
    entries_.clear();
    languages_ = ListLanguages(product, folder);
    // Each name in its own language's code page: "Slovenščina" reads rightly under English.
    for (const LanguageEntry& e : languages_)
      AddEntry(TextCodec(e.CodePage).Decode(e.DispName));
    languages = static_cast<int>(entries_.size());
  } else {
    prompter_.Message(this, ctx_.Tr("msgLangError_30"), QMessageBox::Warning);
  }

  // The design width, or more where a translated caption needs it: nothing is cut.
  const int button =
      std::max({kButtonWidth, btnOK_->sizeHint().width(), btnCancel_->sizeHint().width()});
  int width = std::max(kDialogWidth, 2 * (kMargin + button) + kMargin);
  width = std::max(
      width, rgLanguage_->fontMetrics().horizontalAdvance(rgLanguage_->title()) + 2 * kMargin + 24);
  for (const QRadioButton* entry : entries_)
    width = std::max(width, entry->sizeHint().width() + 2 * kMargin + 24);
  const int groupHeight = 10 * languages + 90;
  rgLanguage_->setGeometry(kMargin, kMargin, width - 2 * kMargin, groupHeight);
  LayoutEntries();
  // The dialog keeps its design height; only a list too long for it makes it grow, so
  // that no entry or button is ever cut off.
  const int buttonsTop =
      std::max(kDialogHeight - kMargin - kButtonHeight, rgLanguage_->geometry().bottom() + kMargin);
  btnCancel_->setGeometry(width - kMargin - button, buttonsTop, button, kButtonHeight);
  btnOK_->setGeometry(width - 2 * (kMargin + button), buttonsTop, button, kButtonHeight);
  setFixedSize(width, buttonsTop + kButtonHeight + kMargin);
  ApplyDialogLook(this);

  const int stored = StoredIndex();
  SelectIndex(stored >= 0 ? stored : kDefaultLanguageIndex);
}

void TfrmLanguage::AddEntry(const QString& text) {
  auto* b = new QRadioButton(text, rgLanguage_);
  buttons_->addButton(b, static_cast<int>(entries_.size()));
  entries_.push_back(b);
}

void TfrmLanguage::LayoutEntries() {
  // Entries share the group's height below its title evenly, as a radio group lays them out.
  const int top = rgLanguage_->fontMetrics().height() + 6;
  const int n = std::max<int>(1, static_cast<int>(entries_.size()));
  const int pitch = (rgLanguage_->height() - top - 6) / n;
  for (size_t i = 0; i < entries_.size(); ++i) {
    QRadioButton* b = entries_[i];
    const int h = b->sizeHint().height();
    b->setGeometry(12, top + static_cast<int>(i) * pitch + (pitch - h) / 2,
                   rgLanguage_->width() - 24, h);
  }
}

int TfrmLanguage::StoredIndex() const {
  int32_t index = -1;
  if (!ctx_.Settings.ReadInt("LangIndex", index).ok()) return -1;
  return index;
}

int TfrmLanguage::SelectedIndex() const {
  return buttons_->checkedId();
}

void TfrmLanguage::SelectIndex(int index) {
  const int position = ClampChoicePosition(index, EntryCount());
  if (position < 0) {
    buttons_->setExclusive(false);
    for (QRadioButton* b : entries_)
      b->setChecked(false);
    buttons_->setExclusive(true);
    return;
  }
  entries_[static_cast<size_t>(position)]->setChecked(true);
}

int TfrmLanguage::EntryCount() const {
  return static_cast<int>(entries_.size());
}

void TfrmLanguage::showEvent(QShowEvent* event) {
  const int stored = StoredIndex();
  if (stored >= 0) SelectIndex(stored);
  btnOK_->setFocus();
  QDialog::showEvent(event);
}

void TfrmLanguage::mmConfigLanguageClick() {
  if (exec() == QDialog::Accepted) {
    // Stores the section name, not the displayed name: the next start looks the language
    // up by it in the product file.
    if (StoreLanguageChoice(ctx_.Settings, SelectedIndex(), languages_)) {
      prompter_.Message(this, ctx_.Tr("msgChangeLanguage_70"), QMessageBox::Information);
    }
    return;
  }
  const int stored = StoredIndex();
  if (stored >= 0) SelectIndex(stored);
}

}  // namespace qv

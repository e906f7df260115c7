#include "common/WindowLook.h"

#include "common/AppContext.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGroupBox>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>

#include <optional>

namespace qv {

void SetApplicationIdentity() {
  QApplication::setApplicationName(QStringLiteral("quorvantel"));
  QApplication::setApplicationVersion(QString::fromLatin1(kVersionText));
  QApplication::setDesktopFileName(QStringLiteral("quorvantel"));
  // Empty, not unset: every title then "ends with" it and nothing is appended. The name the
  // desktop shows for the program comes from the desktop file.
  QApplication::setApplicationDisplayName(QString());
}

OkCancel MakeOkCancel(AppContext& ctx, QDialog* dialog, const char* okKey, const char* okName) {
  OkCancel buttons;
  buttons.ok = new QPushButton(ctx.Tr(okKey), dialog);
  buttons.ok->setObjectName(QString::fromLatin1(okName));
  buttons.ok->setDefault(true);
  buttons.cancel = new QPushButton(ctx.Tr("btnCancel_8"), dialog);
  buttons.cancel->setObjectName(QStringLiteral("btnCancel"));
  QObject::connect(buttons.ok, &QPushButton::clicked, dialog, &QDialog::accept);
  QObject::connect(buttons.cancel, &QPushButton::clicked, dialog, &QDialog::reject);
  return buttons;
}

QDialogButtonBox* OkCancelButtons(AppContext& ctx, QDialog* dialog) {
  auto* box = new QDialogButtonBox(dialog);
  const OkCancel buttons = MakeOkCancel(ctx, dialog);
  // The roles only place them; the buttons' own connections close the dialog.
  box->addButton(buttons.ok, QDialogButtonBox::AcceptRole);
  box->addButton(buttons.cancel, QDialogButtonBox::RejectRole);
  return box;
}

RadioGroup MakeRadioGroup(QWidget* parent, const char* name, const QString& title,
                          const QStringList& items, Qt::Orientation orientation) {
  RadioGroup radio;
  radio.box = new QGroupBox(QStringLiteral(" ") + title + QStringLiteral(" "), parent);
  radio.box->setObjectName(QString::fromLatin1(name));
  radio.group = new QButtonGroup(radio.box);
  QBoxLayout* line = orientation == Qt::Vertical
                         ? static_cast<QBoxLayout*>(new QVBoxLayout(radio.box))
                         : static_cast<QBoxLayout*>(new QHBoxLayout(radio.box));
  for (const QString& item : items) {
    auto* b = new QRadioButton(item, radio.box);
    radio.group->addButton(b, static_cast<int>(radio.group->buttons().size()));
    line->addWidget(b);
  }
  if (orientation == Qt::Vertical) line->addStretch(1);
  return radio;
}

namespace {

// A dialog made once and shown many times is centred on its parent at every showing; once it has
// been seen it opens again where the person left it.
class KeepPlace : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || event->spontaneous()) return false;
    if (event->type() == QEvent::Hide) {
      place_ = widget->pos();
    } else if (event->type() == QEvent::Show && place_) {
      widget->move(*place_);
    }
    return false;
  }

 private:
  std::optional<QPoint> place_;
};

}  // namespace

void ApplyDialogLook(QDialog* dialog, Qt::WindowFlags flags) {
  dialog->setWindowFlags(flags);
  dialog->installEventFilter(new KeepPlace(dialog));
  if (QLayout* layout = dialog->layout()) {
    layout->setSizeConstraint(QLayout::SetFixedSize);
  } else if (dialog->minimumSize() != dialog->maximumSize()) {
    dialog->setFixedSize(dialog->size());
  }
}

void ReadOnlyLook(QLineEdit* box) {
  box->setReadOnly(true);
  box->setFocusPolicy(Qt::ClickFocus);
  QPalette look = box->palette();
  look.setColor(QPalette::Base, look.color(QPalette::Button));
  box->setPalette(look);
}

QAbstractButton* FirstChoice(const QButtonGroup* group) {
  if (QAbstractButton* checked = group->checkedButton()) return checked;
  const QList<QAbstractButton*> buttons = group->buttons();
  return buttons.isEmpty() ? nullptr : buttons.first();
}

}  // namespace qv

#include "common/WindowLook.h"

#include "common/AppContext.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QDialog>
#include <QEvent>
#include <QDialogButtonBox>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>

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

QDialogButtonBox* OkCancelButtons(AppContext& ctx, QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(dialog);
  QPushButton* ok = buttons->addButton(ctx.Tr("btnOK_8"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("btnOK"));
  ok->setDefault(true);
  QPushButton* cancel = buttons->addButton(ctx.Tr("btnCancel_8"), QDialogButtonBox::RejectRole);
  cancel->setObjectName(QStringLiteral("btnCancel"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
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

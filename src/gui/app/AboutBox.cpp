#include "app/AboutBox.h"

#include "common/WindowLook.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv {

QString CanNotOpenText(const QString& target) {
  return QStringLiteral("Can not open ") + target;
}

bool OpenTarget(const QUrl& url, const QString& target, Prompter& prompter, QWidget* parent) {
  if (QDesktopServices::openUrl(url)) return true;
  prompter.Message(parent, CanNotOpenText(target), QMessageBox::Warning, QStringLiteral("Error"));
  return false;
}

TfrmAbout::TfrmAbout(const AppContext& ctx, Prompter& prompter, QWidget* parent)
    : QDialog(parent),
      prompter_(prompter),
      open_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(ctx.Tr("frmAbout_20"));

  auto* icon = new QLabel(this);
  icon->setPixmap(QIcon(QStringLiteral(":/icons/quorvantel.svg")).pixmap(64, 64));
  icon->setAlignment(Qt::AlignTop);

  labProdName_ = new QLabel(ctx.Tr("labProdName_12"), this);
  labProdName_->setObjectName(QStringLiteral("labProdName"));
  QFont big = labProdName_->font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.3);
  labProdName_->setFont(big);

  auto* web = new QLabel(this);
  web->setObjectName(QStringLiteral("labWeb"));
  web->setText(QStringLiteral("<a href=\"web\">%1</a>").arg(QString::fromLatin1(kWebAddress)));
  connect(web, &QLabel::linkActivated, this, &TfrmAbout::OpenWeb);
  auto* mail = new QLabel(this);
  mail->setObjectName(QStringLiteral("labMail"));
  mail->setText(QStringLiteral("<a href=\"mail\">%1</a>").arg(QString::fromLatin1(kMailAddress)));
  connect(mail, &QLabel::linkActivated, this, &TfrmAbout::OpenMail);

  auto* facts = new QGridLayout;
  auto addRow = [&](int row, const char* key, QWidget* value) {
    auto* caption = new QLabel(ctx.Tr(key), this);
    caption->setObjectName(QString::fromLatin1(key).section(QLatin1Char('_'), 0, 0));
    facts->addWidget(caption, row, 0, Qt::AlignLeft | Qt::AlignTop);
    facts->addWidget(value, row, 1, Qt::AlignLeft | Qt::AlignTop);
  };
  auto* version = new QLabel(QString::fromLatin1(kVersionText), this);
  version->setObjectName(QStringLiteral("labVersion"));
  addRow(0, "labVers_12", version);
  addRow(1, "labInternet_20", web);
  facts->addWidget(mail, 2, 1, Qt::AlignLeft | Qt::AlignTop);
  facts->setHorizontalSpacing(16);

  auto* text = new QVBoxLayout;
  text->addWidget(labProdName_);
  text->addSpacing(8);
  text->addLayout(facts);

  auto* top = new QHBoxLayout;
  top->addWidget(icon);
  top->addSpacing(12);
  top->addLayout(text, 1);

  auto* btnOK = new QPushButton(ctx.Tr("btnOK_8"), this);
  btnOK->setObjectName(QStringLiteral("btnOK"));
  btnOK->setDefault(true);
  connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOK);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addSpacing(8);
  layout->addLayout(buttons);
  ApplyDialogLook(this);
}

void TfrmAbout::ShowAbout() {
  labProdName_->setText(QString::fromLatin1(kMainTitle));
  exec();
}

void TfrmAbout::OpenWeb() {
  const QString target = QString::fromLatin1(kWebAddress);
  if (!open_(QUrl(target))) {
    prompter_.Message(this, CanNotOpenText(target), QMessageBox::Warning, QStringLiteral("Error"));
  }
}

void TfrmAbout::OpenMail() {
  const QString target = QStringLiteral("mailto:") + QString::fromLatin1(kMailAddress);
  if (!open_(QUrl(target))) {
    prompter_.Message(this, CanNotOpenText(target), QMessageBox::Warning, QStringLiteral("Error"));
  }
}

}  // namespace qv

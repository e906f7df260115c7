// File dialogs run through the prompter as a person uses them: a full path typed into the
// name field and Return.
#include "common/Prompter.h"

#include <gtest/gtest.h>
#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace qv {
namespace {

// Every popup window on screen, wherever it came from.
QList<QWidget*> VisiblePopups() {
  QList<QWidget*> popups;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible() && w->windowType() == Qt::Popup) popups << w;
  }
  return popups;
}

// Types `path` into the name field of the dialog that opens next and presses Return. The
// keys go where the platform sends them: to the completer's popup while it is open.
void TypeIntoNextFileDialog(const QString& path) {
  QTimer::singleShot(0, [path] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    edit->clear();  // the name of the last run, typed over
    QTest::keyClicks(edit, path);
    QWidget* popup = QApplication::activePopupWidget();
    EXPECT_NE(popup, nullptr) << "no completion offered";
    QTest::keyClick(popup ? popup : edit, Qt::Key_Return);
  });
}

class FileDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QDir(dir_.path()).mkpath(QStringLiteral("Measured/Hall")));
    for (const char* name : {"Hall.QVL", "Hallway.QVL", "Hangar.QVL"}) {
      QFile f(dir_.filePath(QStringLiteral("Measured/Hall/") + QLatin1String(name)));
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
  }
  QTemporaryDir dir_;
  Prompter prompter_;
};

TEST_F(FileDialogs, TypedFullPathLeavesNoCompletionPopupBehind) {
  QFileDialog dialog(nullptr, QStringLiteral("Open"), dir_.path(),
                     QStringLiteral("Quorvantel Files (*.QVL *.qvl)"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  const QString target = dir_.filePath(QStringLiteral("Measured/Hall/Hallway.QVL"));

  for (int round = 0; round < 2; ++round) {  // the dialogs live on and are run again
    TypeIntoNextFileDialog(target);
    EXPECT_EQ(prompter_.ChooseFile(dialog), target) << round;
    // The folder listings the completer asked for arrive after the dialog has closed.
    QTest::qWait(400);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << round;
    EXPECT_TRUE(VisiblePopups().isEmpty()) << round;
    for (QCompleter* c : dialog.findChildren<QCompleter*>())
      EXPECT_FALSE(c->popup()->isVisible()) << round;
  }
}

}  // namespace
}  // namespace qv

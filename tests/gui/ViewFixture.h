// The view tests' application: the shell of ShellFixture.h with an instrument emulator on a
// pseudo-terminal behind the download command, and helpers that read the table as drawn.
#pragma once

#include "../core/link/EmulatorProcess.h"
#include "ShellFixture.h"
#include "download/GuiDownload.h"
#include "view/DocumentViews.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <map>
#include <optional>
#include <string>

namespace qv::test {

inline void ClickButton(QDialog* d, const char* name) {
  QPushButton* b = d->findChild<QPushButton*>(name);
  ASSERT_NE(b, nullptr) << name;
  b->click();
}

class ViewTest : public ShellTest {
 protected:
  void SetUp() override {
    Start();
    ASSERT_TRUE(started_);
    // What the clicks allow the row and copy commands, whether or not those are built yet.
    QObject::connect(&form_->Views(), &TDocumentViews::tableClicked, [this](const ClickEffects& e) {
      auto note = [this](std::initializer_list<const char*> names, std::optional<bool> on) {
        for (const char* n : names) {
          if (on) allowed_[n] = *on;
        }
      };
      note({"ppCutRow", "ppCopyRow", "ppDeleteRow"}, e.RowCommands);
      note({"ppPasteRow"}, e.PasteRow);
      note({"ppCopy", "ppSelectAll"}, e.CopySelectAll);
      note({"ppSaveSelAsRes"}, e.SaveSelAsRes);
    });
    form_->setWindowState(Qt::WindowNoState);
    form_->resize(1000, 700);
    form_->show();
    Activate();
  }

  // Clicks give the table the keyboard focus only in the active window, which a dialog
  // leaves inactive behind it.
  void Activate() {
    form_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  }

  // Serves `json` (a memory description) on a pseudo-terminal and points the link at it.
  void StartInstrument(const QByteArray& json) {
    const QString path = dir_.filePath(QStringLiteral("memory.json"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(json);
    f.close();
    std::string error;
    ASSERT_TRUE(emulator_.Start(QV_BIN_DIR "/quorvantel-emulator", {"--memory", path.toStdString()},
                                &error))
        << error;
    PortChoice port;
    port.ChooseDevice(emulator_.Device());
    form_->Download().ApplyPortChoice(port);
    using std::chrono::milliseconds;
    form_->Download().Engine().SetPauses({milliseconds(0), milliseconds(0), milliseconds(0)});
  }

  // Instrument > DownLoad through its menu entry, choosing memory `memory` (0 results,
  // 1 logging) in the memory-choice dialog.
  void DownloadThroughMenu(int memory) {
    OnNextModal([memory](QDialog* d) {
      d->findChildren<QRadioButton*>()[memory]->click();
      ClickButton(d, "btnDownLoad");
    });
    test::DownloadAndWait(*form_, [this] { form_->Action("mmInstrDownLoad")->trigger(); });
    Activate();
  }

  TDocumentViews& Views() { return form_->Views(); }
  // Whether the table's clicks allow a pop-up command now.
  bool Allowed(const char* command) const {
    const auto it = allowed_.find(command);
    return it != allowed_.end() && it->second;
  }
  std::map<std::string, bool> allowed_;
  TDrawTable* Table() { return Views().Table(); }
  TResultsTree* Tree() { return Views().Tree(); }

  // The texts of a cell as the table draws them, decoded.
  QStringList CellTexts(int column, int row) {
    const CellContext context{ctx_->Texts, ctx_->DisplayUnits(), '.'};
    const CellDrawing d = TableCell(ctx_->Doc, Table()->State(), context, column, row);
    QStringList texts;
    for (int i = 0; i < d.LineCount; ++i)
      texts << ctx_->Decode(d.Lines[static_cast<size_t>(i)].Text);
    return texts;
  }

  // The table's viewport as painted.
  QImage Grab() {
    QApplication::processEvents();
    return Table()->viewport()->grab().toImage();
  }
  // Pixels of `color` inside `rect` of `image`.
  static int CountColor(const QImage& image, const QRect& rect, const QColor& color) {
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
      for (int x = rect.left(); x <= rect.right(); ++x)
        n += image.pixelColor(x, y) == color;
    }
    return n;
  }
  void ClickCell(int column, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    Table()->MakeVisible(column, row);
    const QRect r = Table()->CellRect(column, row);
    ASSERT_TRUE(r.isValid()) << "cell " << column << "," << row << " not in sight; viewport "
                             << Table()->viewport()->width() << "x" << Table()->viewport()->height()
                             << " top row " << Table()->TopRow();
    QTest::mouseClick(Table()->viewport(), Qt::LeftButton, modifiers, r.center());
  }

  // Writes the main window to $QV_SCREENS_DIR/<name>.png when that is set.
  void SaveScreen(const char* name) {
    const QByteArray folder = qgetenv("QV_SCREENS_DIR");
    if (folder.isEmpty()) return;
    QDir().mkpath(QString::fromLocal8Bit(folder));
    QApplication::processEvents();
    form_->grab().save(QDir(QString::fromLocal8Bit(folder))
                           .filePath(QString::fromLatin1(name) + QStringLiteral(".png")));
  }

  QTemporaryDir dir_;
  EmulatorProcess emulator_;
};

}  // namespace qv::test

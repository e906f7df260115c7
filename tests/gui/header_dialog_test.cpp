// File > Header Setup as a person uses it: what the dialog opens on, what typing is refused,
// what OK applies and stores, and that nothing but OK changes the document's header.
#include "ShellFixture.h"
#include "format/DateTimeText.h"
#include "print/HeaderDialog.h"
#include "print/HeaderSettings.h"

#include <QDateEdit>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBlock>

namespace qv {
namespace {

using test::OnNextModal;

constexpr const char* kResultsFile = QV_SOURCE_DIR "/tests/data/files/ver3_results_comma.qvl";

class HeaderDialog : public test::ShellTest {
 protected:
  void SetUp() override {
    Start();
    ASSERT_TRUE(started_);
    form_->show();
    // A message is followed by the dialog again: cancelled, unless a test answers it.
    prompter_.onShow = [](QWidget*) { OnNextModal([](QDialog* again) { again->reject(); }); };
  }
  // File > Header Setup from the menu; `act` runs on the dialog once it shows and closes it.
  void HeaderSetup(const std::function<void(QDialog*)>& act) {
    OpenMenu(form_->Menu("mmFile"));
    ASSERT_TRUE(Enabled("mmFileHeadSetUp"));
    bool acted = false;
    OnNextModal([&](QDialog* d) {
      acted = true;
      EXPECT_EQ(d, form_->Forms().Header);
      act(d);
    });
    form_->Action("mmFileHeadSetUp")->trigger();
    EXPECT_TRUE(acted);
    EXPECT_TRUE(form_->Forms().Header->isHidden());
  }
  static QLineEdit* Edit(QDialog* d, const char* name) {
    auto* e = d->findChild<QLineEdit*>(name);
    EXPECT_NE(e, nullptr) << name;
    return e;
  }
  static QPlainTextEdit* Comment(QDialog* d) {
    return d->findChild<QPlainTextEdit*>("memComments");
  }
  static void Click(QDialog* d, const char* name) { d->findChild<QPushButton*>(name)->click(); }
  // Key clicks of any Latin-1 letters (QTest::keyClicks takes ASCII only).
  static void Type(QWidget* w, const QString& text) {
    for (const QChar c : text) {
      QTest::sendKeyEvent(QTest::Click, w, static_cast<Qt::Key>(c.toUpper().unicode()), QString(c),
                          Qt::NoModifier);
    }
  }
  // Types `lines` into the comment, a line break between them.
  static void TypeLines(QPlainTextEdit* memo, int lines) {
    for (int i = 1; i <= lines; ++i) {
      if (i > 1) QTest::keyClick(memo, Qt::Key_Return);
      QTest::keyClicks(memo, QString::number(i));
    }
  }
  // The lines of `file` from the print header to the end of the comments.
  static QByteArray HeaderLines(const QString& file) {
    QFile f(file);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
    const QByteArray all = f.readAll();
    const qsizetype begin = all.indexOf("$PrintHeader%");
    const qsizetype end = all.indexOf("$InstrData%");
    EXPECT_GE(begin, 0);
    EXPECT_GT(end, begin);
    return all.mid(begin, end - begin);
  }
  void OpenFile(const QString& path) {
    prompter_.files = {path};
    form_->mmFileOpenClick();
    ASSERT_TRUE(form_->TableVisible());
    ASSERT_TRUE(ctx_->Workspace.HeaderLoadedFromFile());
  }
  Bytes Stored(const char* name) const {
    Bytes text = "(none)";
    ctx_->Settings.ReadText(name, text);
    return text;
  }
};

TEST_F(HeaderDialog, OkAppliesTheTextsAndDateAndStoresTheCurrentTexts) {
  const DateTime chosen = *EncodeDateTime({2024, 5, 3});
  PrintHeader typed;
  HeaderSetup([&](QDialog* d) {
    Type(Edit(d, "edtOperator1"), QString::fromUtf8("Jürgen Weiß"));
    QTest::keyClicks(Edit(d, "edtTestSite2"), "Hall 2, north wing");
    QTest::keyClicks(Edit(d, "edtTypeGl"), "GL-150");
    QTest::keyClicks(Edit(d, "edtSerNoAdap"), "A0012345");
    QTest::keyClicks(Edit(d, "edtFooter"), "Quorvantel report");
    QPlainTextEdit* memo = Comment(d);
    QTest::keyClicks(memo, "Windows open");
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, "Heating off");
    d->findChild<QDateEdit*>("dtpDate")->setDate(QDate(2024, 5, 3));
    typed = form_->Forms().Header->Texts();
    Click(d, "btnOK");
  });
  EXPECT_TRUE(prompter_.shown.empty());
  const PrintHeader& header = ctx_->Doc.Header;
  EXPECT_EQ(header.Lines[PrintHeader::Operator1], "J\xFCrgen Wei\xDF");
  EXPECT_EQ(header.Lines[PrintHeader::TestSite2], "Hall 2, north wing");
  EXPECT_EQ(header.ProbeType[PrintHeader::Globe], "GL-150");
  EXPECT_EQ(header.ProbeSerNo[PrintHeader::Adap], "A0012345");
  EXPECT_EQ(header.Lines[PrintHeader::Footer], "Quorvantel report");
  // Files and the report keep CR LF between comment lines; a comment enables the comment block.
  EXPECT_EQ(header.Comments, "Windows open\r\nHeating off");
  const ReportHeader& report = ctx_->Workspace.Report();
  EXPECT_EQ(report.Texts.Lines, header.Lines);
  EXPECT_EQ(report.Texts.ProbeType, header.ProbeType);
  EXPECT_EQ(report.Texts.Comments, header.Comments);
  EXPECT_EQ(report.Date, chosen);
  EXPECT_FALSE(ctx_->Doc.DocModified);
  EXPECT_FALSE(ctx_->Doc.DocNotSaved);

  // All 25 current values are written, empty ones too; the comment is not stored.
  const PrintHeader stored = CurrentHeaderTexts(ctx_->Settings);
  EXPECT_EQ(stored.Lines, typed.Lines);
  EXPECT_EQ(stored.ProbeType, typed.ProbeType);
  EXPECT_EQ(stored.ProbeSerNo, typed.ProbeSerNo);
  EXPECT_EQ(Stored("AdapPrType"), "");
  EXPECT_EQ(Stored("Comments"), "(none)");
  EXPECT_EQ(Stored("Operator1Def"), "(none)");

  // The next opening shows the date OK applied; an emptied comment disables the block.
  HeaderSetup([&](QDialog* d) {
    EXPECT_EQ(d->findChild<QDateEdit*>("dtpDate")->date(), QDate(2024, 5, 3));
    EXPECT_EQ(Edit(d, "edtOperator1")->text(), QString::fromUtf8("Jürgen Weiß"));
    QPlainTextEdit* memo = Comment(d);
    EXPECT_EQ(memo->toPlainText(), "Windows open\nHeating off");
    EXPECT_EQ(memo->textCursor().position(), 0) << "the caret starts at the comment's start";
    QTest::keyClick(memo, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(memo, Qt::Key_Delete);
    Click(d, "btnOK");
  });
  EXPECT_EQ(ctx_->Doc.Header.Comments, "");
  EXPECT_EQ(ctx_->Workspace.Report().Texts.Comments, "");
}

TEST_F(HeaderDialog, TypingRefusesA15thCommentLineAndTooWideALine) {
  HeaderSetup([&](QDialog* d) {
    QPlainTextEdit* memo = Comment(d);
    TypeLines(memo, 14);
    const QString fourteen = memo->toPlainText();
    EXPECT_EQ(memo->blockCount(), 14);
    // A 15th line, at the end or in the middle, is undone with the caret where it was.
    QTest::keyClick(memo, Qt::Key_Return);
    EXPECT_EQ(memo->toPlainText(), fourteen);
    QTest::keyClick(memo, Qt::Key_Up);
    QTest::keyClick(memo, Qt::Key_Home);
    const int caret = memo->textCursor().position();
    QTest::keyClick(memo, Qt::Key_Return);
    EXPECT_EQ(memo->toPlainText(), fourteen);
    EXPECT_EQ(memo->textCursor().position(), caret);
    QTest::keyClicks(memo, "x");
    EXPECT_EQ(memo->document()->findBlockByNumber(12).text(), "x13");

    // Wide letters on the first line stop before the line is wider than the report takes.
    memo->moveCursor(QTextCursor::Start);
    QTest::keyClicks(memo, QString(120, 'W'));
    const QString first = memo->document()->firstBlock().text();
    EXPECT_GT(first.size(), 20);
    EXPECT_LT(first.size(), 121);
    EXPECT_EQ(memo->toPlainText().count('\n'), 13);
    Click(d, "btnOK");
  });
  // What typing took passes OK.
  EXPECT_TRUE(prompter_.shown.empty());
  EXPECT_EQ(CommentLineCount(ctx_->Doc.Header.Comments), 14);
}

TEST_F(HeaderDialog, AFooterTypedToItsLimitPassesOk) {
  QString typed;
  HeaderSetup([&](QDialog* d) {
    QLineEdit* footer = Edit(d, "edtFooter");
    QTest::keyClicks(footer, QString(150, 'M'));
    typed = footer->text();
    EXPECT_GT(typed.size(), 20);
    EXPECT_LT(typed.size(), 150) << "typing stops before the footer outgrows the page";
    EXPECT_EQ(footer->cursorPosition(), typed.size());
    Click(d, "btnOK");
  });
  EXPECT_TRUE(prompter_.shown.empty());
  EXPECT_EQ(ctx_->Doc.Header.Lines[PrintHeader::Footer], typed.toStdString());
  EXPECT_EQ(Stored("Footer"), typed.toStdString());
}

TEST_F(HeaderDialog, ATooLongFooterIsToldAndTheDialogReopensWithWhatWasTyped) {
  // Stored by hand: loaded texts are not cut, OK tells.
  const Bytes longFooter(120, 'W');
  ASSERT_TRUE(ctx_->Settings.WriteText("Footer", longFooter));
  int showings = 0;
  prompter_.onShow = [&](QWidget*) {
    OnNextModal([&](QDialog* again) {
      ++showings;
      EXPECT_EQ(Edit(again, "edtFooter")->text().toStdString(), longFooter);
      EXPECT_EQ(Edit(again, "edtOperator1")->text(), "Typed before OK");
      Click(again, "btnCancel");
    });
  };
  HeaderSetup([&](QDialog* d) {
    ++showings;
    EXPECT_EQ(Edit(d, "edtFooter")->text().toStdString(), longFooter);
    QTest::keyClicks(Edit(d, "edtOperator1"), "Typed before OK");
    Click(d, "btnOK");
  });
  EXPECT_EQ(showings, 2);
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].text, ctx_->Tr("msgFooterLong_35"));
  EXPECT_EQ(prompter_.shown[0].icon, QMessageBox::Information);
  // Cancelled in the end: nothing applied, nothing stored.
  EXPECT_EQ(ctx_->Doc.Header.Lines[PrintHeader::Operator1], "");
  EXPECT_EQ(ctx_->Workspace.Report().Texts.Lines[PrintHeader::Footer], "");
  EXPECT_EQ(Stored("Operator1"), "(none)");
}

TEST_F(HeaderDialog, DefaultsAreLoadedOnlyWhenStoredAndSavedAtOnce) {
  HeaderSetup([&](QDialog* d) {
    QTest::keyClicks(Edit(d, "edtOperator1"), "Anna Berg");
    QTest::keyClicks(Edit(d, "edtTypeTemp"), "T-200");
    const PrintHeader before = form_->Forms().Header->Texts();
    Click(d, "btnLoadDefault");
    EXPECT_EQ(form_->Forms().Header->Texts().Lines, before.Lines);
    EXPECT_EQ(form_->Forms().Header->Texts().ProbeType, before.ProbeType);

    Click(d, "btnSaveDefault");
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(Stored("Operator1Def"), "Anna Berg");
    EXPECT_EQ(Stored("TempPrTypeDef"), "T-200");
    Edit(d, "edtOperator1")->clear();
    QTest::keyClicks(Edit(d, "edtTypeTemp"), "X");
    Click(d, "btnLoadDefault");
    EXPECT_EQ(Edit(d, "edtOperator1")->text(), "Anna Berg");
    EXPECT_EQ(Edit(d, "edtTypeTemp")->text(), "T-200");
    Click(d, "btnCancel");
  });
  EXPECT_EQ(Stored("Operator1"), "(none)") << "the current texts follow OK only";
  EXPECT_EQ(ctx_->Doc.Header.Lines[PrintHeader::Operator1], "");
}

TEST_F(HeaderDialog, AnOpenedFilesHeaderIsShownAndOnlyOkChangesIt) {
  QTemporaryDir folder;
  const QString original = folder.filePath("Original.QVL");
  ASSERT_TRUE(QFile::copy(kResultsFile, original));
  ASSERT_TRUE(ctx_->Settings.WriteText("Operator1", "Stored operator"));
  ASSERT_TRUE(ctx_->Settings.WriteText("TempPrSerNo", "S-stored"));
  OpenFile(original);

  // First the file's texts, as they came.
  HeaderSetup([&](QDialog* d) {
    EXPECT_EQ(Edit(d, "edtOperator1")->text(), "A");
    EXPECT_EQ(Edit(d, "edtFooter")->text(), "E");
    EXPECT_EQ(Edit(d, "edtSerNoTemp")->text(), "P1");
    EXPECT_EQ(Edit(d, "edtTypeAdap")->text(), "P20");
    EXPECT_EQ(d->findChild<QDateEdit*>("dtpDate")->date(), QDate::currentDate());
    Click(d, "btnCancel");
  });
  EXPECT_FALSE(ctx_->Workspace.HeaderLoadedFromFile());
  // Then the stored current texts over them; cancelled too.
  HeaderSetup([&](QDialog* d) {
    EXPECT_EQ(Edit(d, "edtOperator1")->text(), "Stored operator");
    EXPECT_EQ(Edit(d, "edtSerNoTemp")->text(), "S-stored");
    EXPECT_EQ(Edit(d, "edtOperator2")->text(), "B");
    Click(d, "btnCancel");
  });
  EXPECT_EQ(ctx_->Workspace.Report().Texts.Lines[PrintHeader::Operator1], "A");
  EXPECT_EQ(Stored("Operator2"), "(none)");

  // The file saved again carries its own header, byte for byte.
  const QString cancelled = folder.filePath("Cancelled.QVL");
  prompter_.files = {cancelled};
  ASSERT_TRUE(form_->mmFileSaveAsClick());
  EXPECT_EQ(HeaderLines(cancelled), HeaderLines(original));

  // OK makes the shown texts the document's: the next save writes them.
  HeaderSetup([&](QDialog* d) { Click(d, "btnOK"); });
  const QString confirmed = folder.filePath("Confirmed.QVL");
  prompter_.files = {confirmed};
  ASSERT_TRUE(form_->mmFileSaveAsClick());
  const QByteArray written = HeaderLines(confirmed);
  EXPECT_TRUE(written.startsWith("$PrintHeader%\r\nStored operator\r\nB\r\n")) << written.data();
  EXPECT_TRUE(written.contains("$ProbesData%\r\nS-stored\r\nP2\r\n")) << written.data();
}

}  // namespace
}  // namespace qv

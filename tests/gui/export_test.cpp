// File > Export through its two dialogs, and logged samples saved as results from the File
// menu and the pop-up: what is written, what is refused and what the open document keeps.
#include "ShellFixture.h"
#include "view/DocumentViews.h"

#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

namespace qv {
namespace {

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class Export : public test::ShellTest {
 protected:
  void SetUp() override {
    QLocale::setDefault(QLocale::c());
    Start();
    ASSERT_TRUE(started_);
    form_->show();
  }
  // The results file `name` of the test data, opened through File > Open.
  void OpenDataFile(const char* name) {
    const QString copy = files_.filePath(QString::fromLatin1(name));
    ASSERT_TRUE(QFile::copy(QStringLiteral(QV_SOURCE_DIR "/tests/data/files/") + name, copy));
    prompter_.files = {copy};
    form_->mmFileOpenClick();
    ASSERT_TRUE(form_->TableVisible());
  }
  // A logging document with one block of `samples` samples of code 1, on show.
  void Logging(int samples) {
    Document& doc = ctx_->Doc;
    TLoggerRecord& b = doc.LoggerBlocks.emplace_back();
    b.UnitSystem = "SI";
    b.IntervalSec = 60;
    b.BeginTime = 45000;
    b.BuildingName = "Plant";
    b.RoomName = "Boiler";
    b.SignalCodes[0] = 1;
    b.SignalCount = 1;
    b.SignalPresent[1] = 1;
    b.SampleCount = samples;
    doc.SizeSampleArrays(0, samples);
    for (int k = 0; k < samples; ++k)
      doc.StoreSample(0, 1, k, 20 + k);
    doc.Kind = DocumentKind::Logging;
    doc.DocNotSaved = true;
    ctx_->Workspace.PrepareRowEditing();
    ASSERT_TRUE(ctx_->Workspace.ShowBlock(0, quiet_));
  }
  // Answers the export options dialog: delimiter item, line-end item, then OK or Cancel.
  void AnswerOptions(int delimiter, int lineEnd, bool ok = true) {
    test::OnNextModal([=](QDialog* d) {
      d->findChild<QGroupBox*>("rgDelimiter")->findChildren<QRadioButton*>()[delimiter]->click();
      d->findChild<QGroupBox*>("rgEOLSign")->findChildren<QRadioButton*>()[lineEnd]->click();
      d->findChild<QPushButton*>(ok ? "btnOK" : "btnCancel")->click();
    });
  }
  void Trigger(const char* entry) {
    OpenMenu(form_->Menu("mmFile"));
    ASSERT_TRUE(form_->Action(entry)->isEnabled()) << entry;
    form_->Action(entry)->trigger();
  }
  QStringList Messages() const { return prompter_.Texts(); }
  QTemporaryDir files_;
};

TEST_F(Export, WritesWhatTheCommandLineToolWritesForTheSameOptions) {
  OpenDataFile("ver3_results_comma.qvl");
  const QString out = files_.filePath("gui.txt");
  AnswerOptions(1, 2);  // semicolon, LF
  prompter_.files = {out};
  Trigger("mmFileExport");
  ASSERT_TRUE(QFile::exists(out)) << Messages().join('|').toStdString();

  QProcess cli;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
  cli.setProcessEnvironment(env);
  const QString reference = files_.filePath("cli.txt");
  cli.start(QStringLiteral(QV_BIN_DIR "/quorvantel-cli"),
            {QStringLiteral("export"), files_.filePath("ver3_results_comma.qvl"),
             QStringLiteral("-o"), reference, QStringLiteral("--delimiter"),
             QStringLiteral("semicolon"), QStringLiteral("--eol"), QStringLiteral("lf")});
  ASSERT_TRUE(cli.waitForFinished(30000));
  ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
  EXPECT_EQ(ReadAll(out), ReadAll(reference));
  EXPECT_TRUE(ReadAll(out).contains(";\n"));

  // The dialog keeps the choice; a cancelled file dialog writes nothing.
  test::OnNextModal([](QDialog* d) {
    EXPECT_TRUE(
        d->findChild<QGroupBox*>("rgDelimiter")->findChildren<QRadioButton*>()[1]->isChecked());
    d->findChild<QPushButton*>("btnOK")->click();
  });
  prompter_.files = {QString()};
  QFile::remove(out);
  Trigger("mmFileExport");
  EXPECT_FALSE(QFile::exists(out));
}

TEST_F(Export, TheThirdChoiceWritesCsvAsTheToolDoes) {
  OpenDataFile("ver3_results_comma.qvl");
  const QString out = files_.filePath("gui.csv");
  test::OnNextModal([](QDialog* d) {
    d->findChild<QGroupBox*>("rgDelimiter")->findChildren<QRadioButton*>()[2]->click();
    EXPECT_FALSE(
        d->findChild<QGroupBox*>("rgEOLSign")->findChildren<QRadioButton*>()[0]->isEnabled());
    d->findChild<QPushButton*>("btnOK")->click();
  });
  prompter_.files = {out};
  Trigger("mmFileExport");
  EXPECT_EQ(form_->findChild<QFileDialog*>("sdExportDialog")->defaultSuffix(), "csv");

  QProcess cli;
  const QString reference = files_.filePath("cli.csv");
  cli.start(QStringLiteral(QV_BIN_DIR "/quorvantel-cli"),
            {QStringLiteral("export"), files_.filePath("ver3_results_comma.qvl"),
             QStringLiteral("-o"), reference, QStringLiteral("--format"), QStringLiteral("csv")});
  ASSERT_TRUE(cli.waitForFinished(30000));
  ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
  EXPECT_EQ(ReadAll(out), ReadAll(reference));
  EXPECT_TRUE(ReadAll(out).startsWith("\xEF\xBB\xBF"));
}

TEST_F(Export, RefusalsAndFailuresAreTold) {
  form_->mmFileCloseClick();
  prompter_.shown.clear();
  form_->Action("mmFileExport")->trigger();
  EXPECT_EQ(Messages(), QStringList{ctx_->Tr("msgNoDatToExp_50")});
  EXPECT_TRUE(prompter_.fileDialogTitles.isEmpty());

  OpenDataFile("ver1_results.qvl");
  prompter_.shown.clear();
  AnswerOptions(0, 0);
  const QString nowhere = files_.filePath("no-such-folder/x.txt");
  prompter_.files = {nowhere};
  Trigger("mmFileExport");
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].icon, QMessageBox::Warning);
  EXPECT_FALSE(prompter_.shown[0].text.isEmpty());
  EXPECT_FALSE(QFile::exists(nowhere));
}

TEST_F(Export, SavingLoggingAsResultsLeavesTheLoggingDocumentUnsaved) {
  Logging(30);
  const QString whole = files_.filePath("whole.QVL");
  prompter_.files = {whole};
  Trigger("mmFileSaveLogAsRes");
  const QByteArray file = ReadAll(whole);
  EXPECT_TRUE(file.contains("$QUOR-Tests%"));
  EXPECT_EQ(file.count("\r\nBuildingName: Plant;"), 30);
  EXPECT_TRUE(ctx_->Doc.DocNotSaved);
  EXPECT_TRUE(ctx_->Doc.LoggerDataLoaded());
  EXPECT_FALSE(form_->windowTitle().contains(QStringLiteral("whole")));

  // The selected rows of the pop-up: rows 11 to 20 become ten results.
  TableState& state = form_->Views().Table()->State();
  state.RangeFirst = 11;
  state.RangeLast = 20;
  const QString some = files_.filePath("some.QVL");
  prompter_.files = {some};
  form_->Action("ppSaveSelAsRes")->setEnabled(true);
  form_->Action("ppSaveSelAsRes")->trigger();
  EXPECT_EQ(ReadAll(some).count("\r\nBuildingName: Plant;"), 10);

  // Closing still asks about the logging blocks.
  prompter_.shown.clear();
  prompter_.answers = {false};
  form_->mmFileCloseClick();
  EXPECT_EQ(Messages(), QStringList{ctx_->Tr("msgNotSaved_70")});
}

TEST_F(Export, MoreThan1500SamplesAreRefusedBeforeTheSaveDialog) {
  Logging(1501);
  Trigger("mmFileSaveLogAsRes");
  EXPECT_EQ(Messages(), QStringList{ctx_->Tr("msgMaxLogRow")});
  EXPECT_TRUE(prompter_.fileDialogTitles.isEmpty());
}

}  // namespace
}  // namespace qv

// File > Print Preview and File > Export Report as PDF with the real main window: their
// refusals, the preview's pages and how soon the first one is on screen, and the PDF read back
// with pdftotext.
#include "ShellFixture.h"
#include "app/ReportCommands.h"
#include "report/ReportPainter.h"
#include "support/Downloaded.h"

#include <QElapsedTimer>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace qv {
namespace {

constexpr std::array<int, 4> kCodes = {1, 5, 45, 57};

class Report : public test::ShellTest {
 protected:
  void SetUp() override {
    Start();
    ASSERT_TRUE(started_);
    form_->show();
  }
  // `count` tests in buildings of 30 rooms, each with a value of the four codes.
  void Results(int count) {
    Document& doc = ctx_->Doc;
    for (int i = 0; i < count; ++i) {
      const int t = doc.AddTestRecord();
      TTestsRecord& test = doc.AllTests[static_cast<size_t>(t)];
      test.UnitSystem = "SI";
      test.BuildingName = "Building " + std::to_string(i / 30 + 1);
      test.RoomName = "Room " + std::to_string(i + 1);
      test.BuildingNo = i / 30 + 1;
      test.RoomNo = i % 30 + 1;
      test.BeginTime = 45000 + i / 24.0;
      test.EndTime = test.BeginTime + 0.01;
      doc.StoreTestValue(t, 1, 20 + (i % 50) / 10.0);
      doc.StoreTestValue(t, 5, 40 + i % 7);
      doc.StoreTestValue(t, 45, -0.5);
      doc.StoreTestValue(t, 57, 400 + i);
    }
    doc.DocSignalCount = 0;
    for (const int code : kCodes)
      doc.DocSignals[static_cast<size_t>(++doc.DocSignalCount)] = code;
    ASSERT_EQ(test::InstallAsDownloaded(ctx_->Workspace, DocumentKind::Results, quiet_),
              LoadOutcome::Shown);
  }
  void Choose() { ctx_->Doc.ReportCodes.assign(kCodes.begin(), kCodes.end()); }
  QString Pdf(const QString& path) const {
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), path, QStringLiteral("-")});
    EXPECT_TRUE(text.waitForFinished(30000));
    return QString::fromUtf8(text.readAllStandardOutput());
  }
  int PdfPages(const QString& path) const {
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {path});
    EXPECT_TRUE(info.waitForFinished(30000));
    const QString out = QString::fromUtf8(info.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QRegularExpression(QStringLiteral("Page size:.*\\(A4\\)"))))
        << out.toStdString();
    return QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(out).captured(1).toInt();
  }
};

TEST_F(Report, RefusedWithoutATableOrWithoutChosenColumns) {
  for (const char* action : {"mmFilePreview", "mmFileExportReport"}) {
    prompter_.shown.clear();
    form_->Action(QString::fromLatin1(action))->trigger();
    ASSERT_EQ(prompter_.shown.size(), 1u) << action;
    EXPECT_EQ(prompter_.shown[0].text, ctx_->Tr("msgNoDataToPrew_35"));
  }
  Results(3);
  prompter_.shown.clear();
  form_->Action(QStringLiteral("mmFilePreview"))->trigger();
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].text, ctx_->Tr("msgNoSignSelect_35"));
  EXPECT_EQ(prompter_.shown[0].icon, QMessageBox::Information);
  EXPECT_EQ(prompter_.previews, 0);
}

// 900 tests, four codes: the preview holds every page and shows the first within a second.
TEST_F(Report, PreviewShowsEveryPageAndTheFirstQuickly) {
  Results(900);
  Choose();
  int pages = 0;
  int rendered = 0;
  qint64 firstPageMs = 0;
  QElapsedTimer clock;
  prompter_.onPreview = [&](QPrintPreviewDialog& preview) {
    preview.show();
    auto* widget = preview.findChild<QPrintPreviewWidget*>();
    ASSERT_NE(widget, nullptr);
    QApplication::processEvents();
    preview.grab();
    firstPageMs = clock.elapsed();
    pages = widget->pageCount();
    rendered = widget->currentPage();
    preview.close();
  };
  clock.start();
  form_->Action(QStringLiteral("mmFilePreview"))->trigger();
  ASSERT_EQ(prompter_.previews, 1);
  const ReportPainter painter(TReportCommands(form_.get(), *ctx_, prompter_).Source());
  EXPECT_EQ(pages, painter.PageCount());
  EXPECT_GT(pages, 30) << "900 rows of three lines";
  EXPECT_EQ(rendered, 1);
  std::printf("[ timing ] preview of 900 tests, %d pages: first page on screen after %lld ms\n",
              pages, static_cast<long long>(firstPageMs));
  if (test::kTimedBuild) {
    EXPECT_LT(firstPageMs, 1000);
  }
}

TEST_F(Report, ExportAsPdfWritesTheSamePagesWithEveryRow) {
  Results(45);
  Choose();
  PrintHeader header;
  header.Lines[PrintHeader::Operator1] = "J\xFCrgen Weiss";
  header.Lines[PrintHeader::TestSite2] = "Depot 7, hall B";
  header.Lines[PrintHeader::Footer] = "Checked by the lab";
  header.ProbeType[PrintHeader::Temp] = "T-100";
  header.Comments = "First remark\r\nSecond remark";
  ctx_->Workspace.SetReportHeader(header, 45000);
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("report.pdf"));
  prompter_.files = {path};
  form_->Action(QStringLiteral("mmFileExportReport"))->trigger();
  EXPECT_TRUE(prompter_.shown.empty()) << prompter_.Texts().join(QLatin1Char('|')).toStdString();
  const ReportPainter painter(TReportCommands(form_.get(), *ctx_, prompter_).Source());
  const int pages = PdfPages(path);
  EXPECT_EQ(pages, painter.PageCount());
  ASSERT_GE(pages, 2);
  const QStringList text = Pdf(path).split(QLatin1Char('\f'));
  for (int n = 1; n <= pages; ++n) {
    EXPECT_TRUE(text.value(n - 1).contains(QStringLiteral("Page %1").arg(n))) << n;
    EXPECT_TRUE(text.value(n - 1).contains(ctx_->Tr("qrlPageHeader_50"))) << n;
    EXPECT_TRUE(text.value(n - 1).contains(QStringLiteral("Checked by the lab"))) << n;
  }
  for (const QString& first : {QStringLiteral("J\u00FCrgen Weiss"),
                               QStringLiteral("Depot 7, hall B"), QStringLiteral("T-100")})
    EXPECT_TRUE(text.value(0).contains(first)) << first.toStdString();
  // The comment block after the last row.
  const QString last = text.value(pages - 1);
  EXPECT_TRUE(
      last.contains(ctx_->Tr("Comment_15") + QStringLiteral("\nFirst remark\nSecond remark")))
      << last.toStdString();
  EXPECT_LT(last.indexOf(QStringLiteral("Room 45")), last.indexOf(QStringLiteral("First remark")));
  // Row by row, in order: location, times, the four values.
  const QString all = text.join(QLatin1Char('\n'));
  qsizetype at = 0;
  for (int i = 0; i < 45; ++i) {
    const QString row = QStringLiteral("Room %1\n").arg(i + 1);
    at = all.indexOf(row, at);
    ASSERT_GE(at, 0) << "row " << i + 1;
    const QString values = QStringLiteral(" %1 %2 -0.5 %3\n")
                               .arg(20 + (i % 50) / 10.0, 0, 'f', 1)
                               .arg(40.0 + i % 7, 0, 'f', 1)
                               .arg(QString::number(400 + i));
    const qsizetype line = all.indexOf(QLatin1Char('\n'), at + row.size());
    EXPECT_TRUE(all.mid(at + row.size(), line - at - row.size() + 1).endsWith(values))
        << "row " << i + 1 << ": " << all.mid(at, line - at).toStdString();
  }

  // A failed write says why and leaves the earlier file alone.
  const QByteArray before = [&] {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }();
  prompter_.files = {dir.filePath(QStringLiteral("no-such-folder/report.pdf"))};
  form_->Action(QStringLiteral("mmFileExportReport"))->trigger();
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].icon, QMessageBox::Warning);
  QFile again(path);
  ASSERT_TRUE(again.open(QIODevice::ReadOnly));
  EXPECT_EQ(again.readAll(), before);
}

}  // namespace
}  // namespace qv

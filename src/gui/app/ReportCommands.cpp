#include "app/ReportCommands.h"

#include "common/Cursors.h"
#include "common/LocaleNumbers.h"
#include "format/DateTimeText.h"
#include "view/TableState.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace qv {

TReportCommands::TReportCommands(QWidget* window, AppContext& ctx, Prompter& prompter)
    : window_(window), ctx_(ctx), prompter_(prompter) {}

ReportSource TReportCommands::Source() const {
  ReportSource source;
  source.Doc = &ctx_.Workspace.Doc();
  source.Header = &ctx_.Workspace.Report();
  source.Texts = &ctx_.Texts;
  source.Codec = &ctx_.Codec;
  source.DisplayUnits = std::string(ctx_.DisplayUnits());
  source.DecimalSeparator = LocaleDecimalSeparator();
  source.Now = Now();
  source.LocaleName = ctx_.Language.LocaleName;
  return source;
}

bool TReportCommands::CanReport() {
  const DocumentWorkspace& workspace = ctx_.Workspace;
  if (!workspace.TableShown() || ActiveView(workspace.Doc()) != TableView::Results) {
    prompter_.Message(window_, ctx_.Tr("msgNoDataToPrew_35"), QMessageBox::Information);
    return false;
  }
  if (workspace.Doc().ReportCodes.empty()) {
    prompter_.Message(window_, ctx_.Tr("msgNoSignSelect_35"), QMessageBox::Information);
    return false;
  }
  return true;
}

void TReportCommands::mmFilePreviewClick() {
  if (!CanReport()) return;
  QPrinter printer(QPrinter::HighResolution);
  SetReportPageLayout(printer);
  std::optional<ReportPainter> report;
  {
    const BusyCursor busy;
    report.emplace(Source());
  }
  QPrintPreviewDialog preview(&printer, window_);
  preview.setObjectName(QStringLiteral("frmReportPreview"));
  preview.setWindowTitle(ctx_.Tr("mmFilePreview_15").remove(QLatin1Char('&')));
  QObject::connect(&preview, &QPrintPreviewDialog::paintRequested,
                   [&report](QPrinter* target) { report->Print(*target); });
  preview.resize(window_->size() * 9 / 10);
  const ArrowWhileAsking arrow;
  prompter_.ShowPreview(preview);
}

void TReportCommands::mmFileExportReportClick() {
  if (!CanReport()) return;
  QFileDialog dialog(window_,
                     ctx_.Tr("mmFileExportReport_25")
                         .remove(QStringLiteral("..."))
                         .remove(QLatin1Char('&')),
                     TestResultsFolder(), QStringLiteral("PDF (*.pdf *.PDF)"));
  dialog.setObjectName(QStringLiteral("sdReportDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("pdf"));
  const QString name =
      QFileInfo(QString::fromStdString(ctx_.Workspace.SuggestedFileName())).completeBaseName();
  dialog.selectFile((name.isEmpty() ? QStringLiteral("report") : name) + QStringLiteral(".pdf"));
  QString path;
  {
    const ArrowWhileAsking arrow;
    path = prompter_.ChooseFile(dialog);
  }
  if (path.isEmpty()) return;
  Outcome written;
  {
    const BusyCursor busy;
    written = WriteReportPdf(path, Source());
  }
  if (!written.ok()) prompter_.Message(window_, ctx_.Decode(written.message), QMessageBox::Warning);
}

}  // namespace qv

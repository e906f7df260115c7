#include "app/ReportCommands.h"

#include "common/Cursors.h"
#include "common/LocaleNumbers.h"
#include "format/DateTimeText.h"
#include "survey/LimitSettings.h"
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

bool TReportCommands::ShowsLogging() const {
  const DocumentWorkspace& workspace = ctx_.Workspace;
  return workspace.TableShown() && ActiveView(workspace.Doc()) == TableView::Logging &&
         workspace.Doc().Current() != nullptr;
}

SurveySource TReportCommands::Survey() const {
  SurveySource source;
  const Document& doc = ctx_.Workspace.Doc();
  source.Block = ShowsLogging() ? doc.Current() : nullptr;
  source.BlockNumber = doc.CurrentBlock + 1;
  source.Header = &ctx_.Workspace.Report();
  source.Texts = &ctx_.Texts;
  source.Codec = &ctx_.Codec;
  source.Request.DisplayUnits = std::string(ctx_.DisplayUnits());
  source.Request.Range = source.Block ? WholeBlock(*source.Block) : SampleRange{};
  // Values the settings hold that are not numbers keep their defaults; Settings > Limits
  // names them.
  source.Request.Limits = LimitsInUnits(LoadLimits(ctx_.Settings).Limits, ctx_.DisplayUnits());
  for (const auto& [block, request] : airChanges_) {
    if (block == doc.CurrentBlock) source.Request.AirChanges.push_back(request);
  }
  source.DecimalSeparator = LocaleDecimalSeparator();
  source.LocaleName = ctx_.Language.LocaleName;
  return source;
}

void TReportCommands::AddAirChange(const AirChangeRequest& request) {
  const int block = ctx_.Workspace.Doc().CurrentBlock;
  for (auto& [b, earlier] : airChanges_) {
    if (b == block && earlier.Range == request.Range) {
      earlier = request;
      return;
    }
  }
  airChanges_.emplace_back(block, request);
}

void TReportCommands::PreviewSurvey() {
  // The preview paints while it is open, and a download may install a new document meanwhile:
  // it paints copies.
  SurveySource source = Survey();
  const TLoggerRecord block = *source.Block;
  const ReportHeader header = *source.Header;
  source.Block = &block;
  source.Header = &header;
  QPrinter printer(QPrinter::HighResolution);
  SetReportPageLayout(printer);
  std::optional<SurveyPainter> report;
  {
    const BusyCursor busy;
    report.emplace(source);
  }
  QPrintPreviewDialog preview(&printer, window_);
  preview.setObjectName(QStringLiteral("frmSurveyPreview"));
  preview.setWindowTitle(ctx_.Tr("mmFilePreview_15").remove(QLatin1Char('&')));
  QObject::connect(&preview, &QPrintPreviewDialog::paintRequested,
                   [&report](QPrinter* target) { report->Print(*target); });
  preview.resize(window_->size() * 9 / 10);
  const ArrowWhileAsking arrow;
  prompter_.ShowPreview(preview);
}

void TReportCommands::mmFileExportSurveyClick() {
  if (!ShowsLogging()) {
    prompter_.Message(window_, ctx_.Tr("msgNoDataToPrew_35"), QMessageBox::Information);
    return;
  }
  QFileDialog dialog(
      window_,
      ctx_.Tr("mmFileExportSurvey_25").remove(QStringLiteral("...")).remove(QLatin1Char('&')),
      TestResultsFolder(), QStringLiteral("PDF (*.pdf *.PDF)"));
  dialog.setObjectName(QStringLiteral("sdSurveyDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("pdf"));
  const QString name =
      QFileInfo(QString::fromStdString(ctx_.Workspace.SuggestedFileName())).completeBaseName();
  dialog.selectFile((name.isEmpty() ? QStringLiteral("survey") : name + QStringLiteral("-survey")) +
                    QStringLiteral(".pdf"));
  QString path;
  {
    const ArrowWhileAsking arrow;
    path = prompter_.ChooseFile(dialog);
  }
  if (path.isEmpty()) return;
  Outcome written;
  {
    const BusyCursor busy;
    written = WriteSurveyPdf(path, Survey());
  }
  if (!written.ok()) prompter_.Message(window_, ctx_.Decode(written.message), QMessageBox::Warning);
}

void TReportCommands::mmFilePreviewClick() {
  if (ShowsLogging()) {
    PreviewSurvey();
    return;
  }
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
  QFileDialog dialog(
      window_,
      ctx_.Tr("mmFileExportReport_25").remove(QStringLiteral("...")).remove(QLatin1Char('&')),
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

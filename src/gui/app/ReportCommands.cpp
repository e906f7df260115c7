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

void TReportCommands::ShowPreview(const char* objectName,
                                  const std::function<void(QPrinter&)>& paint) {
  QPrinter printer(QPrinter::HighResolution);
  SetReportPageLayout(printer);
  QPrintPreviewDialog preview(&printer, window_);
  preview.setObjectName(QString::fromLatin1(objectName));
  preview.setWindowTitle(ctx_.Tr("mmFilePreview_15").remove(QLatin1Char('&')));
  QObject::connect(&preview, &QPrintPreviewDialog::paintRequested,
                   [&paint](QPrinter* target) { paint(*target); });
  preview.resize(window_->size() * 9 / 10);
  const ArrowWhileAsking arrow;
  prompter_.ShowPreview(preview);
}

void TReportCommands::ExportPdf(const char* captionKey, const char* objectName,
                                const QString& fileName,
                                const std::function<Outcome(const QString&)>& write) {
  QFileDialog dialog(window_,
                     ctx_.Tr(captionKey).remove(QStringLiteral("...")).remove(QLatin1Char('&')),
                     TestResultsFolder(), QStringLiteral("PDF (*.pdf *.PDF)"));
  dialog.setObjectName(QString::fromLatin1(objectName));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("pdf"));
  dialog.selectFile(fileName);
  QString path;
  {
    const ArrowWhileAsking arrow;
    path = prompter_.ChooseFile(dialog);
  }
  if (path.isEmpty()) return;
  Outcome written;
  {
    const BusyCursor busy;
    written = write(path);
  }
  if (!written.ok()) prompter_.Message(window_, ctx_.Decode(written.message), QMessageBox::Warning);
}

QString TReportCommands::DocumentBaseName() const {
  return QFileInfo(QString::fromStdString(ctx_.Workspace.SuggestedFileName())).completeBaseName();
}

void TReportCommands::PreviewSurvey() {
  // The preview paints while it is open, and a download may install a new document meanwhile:
  // it paints copies.
  SurveySource source = Survey();
  const TLoggerRecord block = *source.Block;
  const ReportHeader header = *source.Header;
  source.Block = &block;
  source.Header = &header;
  std::optional<SurveyPainter> report;
  {
    const BusyCursor busy;
    report.emplace(source);
  }
  ShowPreview("frmSurveyPreview", [&report](QPrinter& target) { report->Print(target); });
}

void TReportCommands::mmFileExportSurveyClick() {
  if (!ShowsLogging()) {
    prompter_.Message(window_, ctx_.Tr("msgNoDataToPrew_35"), QMessageBox::Information);
    return;
  }
  const QString name = DocumentBaseName();
  ExportPdf("mmFileExportSurvey_25", "sdSurveyDialog",
            (name.isEmpty() ? QStringLiteral("survey") : name + QStringLiteral("-survey")) +
                QStringLiteral(".pdf"),
            [this](const QString& path) { return WriteSurveyPdf(path, Survey()); });
}

void TReportCommands::mmFilePreviewClick() {
  if (ShowsLogging()) {
    PreviewSurvey();
    return;
  }
  if (!CanReport()) return;
  std::optional<ReportPainter> report;
  {
    const BusyCursor busy;
    report.emplace(Source());
  }
  ShowPreview("frmReportPreview", [&report](QPrinter& target) { report->Print(target); });
}

void TReportCommands::mmFileExportReportClick() {
  if (!CanReport()) return;
  const QString name = DocumentBaseName();
  ExportPdf("mmFileExportReport_25", "sdReportDialog",
            (name.isEmpty() ? QStringLiteral("report") : name) + QStringLiteral(".pdf"),
            [this](const QString& path) { return WriteReportPdf(path, Source()); });
}

}  // namespace qv

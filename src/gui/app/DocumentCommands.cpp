#include "app/DocumentCommands.h"

#include "app/ExportDialog.h"
#include "common/Cursors.h"
#include "common/LocaleNumbers.h"
#include "download/DownLoadListDialog.h"
#include "files/DataExport.h"
#include "files/LoggerAsResults.h"
#include "files/ResultsFile.h"
#include "files/TextExport.h"
#include "format/DateTimeText.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>

namespace qv {

TDocumentCommands::TDocumentCommands(QWidget* window, AppContext& ctx, Prompter& prompter)
    : QObject(window), window_(window), ctx_(ctx), prompter_(prompter) {
  const QString folder = TestResultsFolder();
  // Both spellings of the extension: file names are case-sensitive here, and a file someone
  // named "x.qvl" is still ours.
  const QString filter = QStringLiteral("Quorvantel Files (*.QVL *.qvl)");
  sdSaveDialog_ = new QFileDialog(window, ctx_.Tr("SaveTitle_15"), folder, filter);
  sdSaveDialog_->setObjectName(QStringLiteral("sdSaveDialog"));
  sdSaveDialog_->setAcceptMode(QFileDialog::AcceptSave);
  sdSaveDialog_->setFileMode(QFileDialog::AnyFile);
  sdSaveDialog_->setDefaultSuffix(QStringLiteral("QVL"));
  odOpenDialog_ = new QFileDialog(window, ctx_.Tr("OpenTitle_15"), folder, filter);
  odOpenDialog_->setObjectName(QStringLiteral("odOpenDialog"));
  odOpenDialog_->setAcceptMode(QFileDialog::AcceptOpen);
  odOpenDialog_->setFileMode(QFileDialog::ExistingFile);
  odOpenDialog_->setDefaultSuffix(QStringLiteral("QVL"));
  // Overwriting asks first (the dialog's default); the folder must exist.
  sdExportDialog_ = new QFileDialog(window, QStringLiteral("Export to TXT  File"), folder,
                                    QStringLiteral("Text Files (*.TXT *.txt)"));
  sdExportDialog_->setObjectName(QStringLiteral("sdExportDialog"));
  sdExportDialog_->setAcceptMode(QFileDialog::AcceptSave);
  sdExportDialog_->setFileMode(QFileDialog::AnyFile);
  frmExport_ = new TfrmExport(ctx_, window);
}

// ---- DocumentHost ----

bool TDocumentCommands::Ask(std::string_view key) {
  const ArrowWhileAsking arrow;
  return prompter_.Question(window_, ctx_.Tr(key), QMessageBox::Information);
}

void TDocumentCommands::Message(MessageIcon icon, const Bytes& text) {
  const ArrowWhileAsking arrow;
  prompter_.Message(window_, ctx_.Decode(text),
                    icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::Information);
}

bool TDocumentCommands::ChooseBlockToShow(std::vector<TLoggerRecord>& blocks) {
  if (blockList_ == nullptr) return false;
  const ArrowWhileAsking arrow;
  blockList_->SetBlocks(&blocks);
  blockList_->SetMode(ListMode::Show);
  blockList_->SizeBlockList(static_cast<int>(blocks.size()));
  return blockList_->ShowModal();
}

// ---- Commands ----

bool TDocumentCommands::mmFileSaveAsClick() {
  return SaveDocument(nullptr);
}

bool TDocumentCommands::SaveDocument(Document* converted) {
  DocumentWorkspace& workspace = ctx_.Workspace;
  Document& doc = converted != nullptr ? *converted : workspace.Doc();
  // Converted samples come from the block on show.
  const bool tableHidden = converted == nullptr && !workspace.TableShown();
  if (const std::optional<Bytes> refusal = SaveRefusal(doc, tableHidden, ctx_.Texts)) {
    Message(MessageIcon::Information, *refusal);
    return false;
  }
  // The name of the document being saved, not of one saved or opened before it.
  sdSaveDialog_->selectFile(QString::fromStdString(workspace.SuggestedFileName()));
  QString path;
  {
    const ArrowWhileAsking arrow;
    path = prompter_.ChooseFile(*sdSaveDialog_);
  }
  if (path.isEmpty()) return false;

  SaveOptions options;
  options.decimalSeparator = LocaleDecimalSeparator();
  options.tableHidden = tableHidden;
  options.codePage = ctx_.Codec.CodePage();
  Outcome outcome;
  {
    BusyCursor busy;
    outcome = SaveResultsFile(path, doc, ctx_.Texts, options);
  }
  if (!outcome.ok()) {
    Message(outcome.status == Outcome::Status::Refused ? MessageIcon::Information
                                                       : MessageIcon::Warning,
            outcome.message);
    return false;
  }
  // A converted copy is another document: the open one keeps its name and its flags.
  if (converted != nullptr) return true;
  const QString name = QFileInfo(path).fileName();
  workspace.Saved(ctx_.Codec.Encode(name), name.toStdString());
  emit documentFileUsed(path);
  return true;
}

void TDocumentCommands::mmFileSaveLogAsResClick() {
  const Document& doc = ctx_.Workspace.Doc();
  if (!doc.LoggerDataLoaded()) return;
  SaveConverted(ConvertBlockToResults(doc, doc.CurrentBlock, ctx_.Texts));
}

void TDocumentCommands::ppSaveSelAsResClick(int first, int last) {
  const Document& doc = ctx_.Workspace.Doc();
  if (!doc.LoggerDataLoaded() || first < 1 || last < first) return;
  SaveConverted(ConvertSamplesToResults(doc, doc.CurrentBlock, first, last, ctx_.Texts));
}

void TDocumentCommands::SaveConverted(ConvertedResults converted) {
  if (!converted.outcome.ok()) {
    Message(MessageIcon::Information, converted.outcome.message);
    return;
  }
  SaveDocument(&converted.doc);
}

void TDocumentCommands::mmFileExportClick() {
  DocumentWorkspace& workspace = ctx_.Workspace;
  if (!workspace.TableShown()) {
    Message(MessageIcon::Information, ctx_.Texts.Translate("msgNoDatToExp_50"));
    return;
  }
  {
    const ArrowWhileAsking arrow;
    if (frmExport_->exec() != QDialog::Accepted) return;
  }
  ExportOptions options;
  options.delimiter = frmExport_->Delimiter();
  options.lineEnd = frmExport_->LineEnd();
  options.displayUnits = Bytes(ctx_.DisplayUnits());
  options.decimalSeparator = LocaleDecimalSeparator();
  options.codePage = ctx_.Codec.CodePage();
  const bool csv = frmExport_->Csv();
  sdExportDialog_->setDirectory(TestResultsFolder());
  sdExportDialog_->setDefaultSuffix(csv ? QStringLiteral("csv") : QStringLiteral("txt"));
  sdExportDialog_->setNameFilter(csv ? QStringLiteral("CSV Files (*.csv *.CSV)")
                                     : QStringLiteral("Text Files (*.TXT *.txt)"));
  QString path;
  {
    const ArrowWhileAsking arrow;
    path = prompter_.ChooseFile(*sdExportDialog_);
  }
  if (path.isEmpty()) return;
  Outcome outcome;
  {
    const BusyCursor busy;
    if (csv) {
      DataExportOptions data;
      data.displayUnits = options.displayUnits;
      data.codePage = options.codePage;
      outcome = ExportData(path, DataFormat::Csv, workspace.Doc(), ctx_.Texts, data);
    } else {
      outcome = ExportTable(path, workspace.Doc(), ctx_.Texts, options);
    }
  }
  if (!outcome.ok()) {
    Message(outcome.status == Outcome::Status::Refused ? MessageIcon::Information
                                                       : MessageIcon::Warning,
            outcome.message);
  }
}

void TDocumentCommands::mmFileOpenClick() {
  DocumentWorkspace& workspace = ctx_.Workspace;
  if (!workspace.ConfirmDiscard(*this, DiscardCommand::Replace)) return;
  const QString path = prompter_.ChooseFile(*odOpenDialog_);
  if (path.isEmpty()) return;
  OpenPath(path);
}

void TDocumentCommands::OpenPath(const QString& path) {
  DocumentWorkspace& workspace = ctx_.Workspace;
  OpenOptions options;
  options.codePage = ctx_.Codec.CodePage();
  options.today = Now();
  OpenedDocument opened;
  {
    BusyCursor busy;
    opened = workspace.Open(path, *this, options);
  }
  if (!opened.read.ok()) {
    Message(MessageIcon::Warning, opened.read.message);
    return;
  }
  emit documentFileUsed(path);
}

void TDocumentCommands::mmFileCloseClick() {
  ctx_.Workspace.Close(*this);
}

void TDocumentCommands::ppLogListClick() {
  ctx_.Workspace.ChooseBlock(*this);
}

}  // namespace qv

// The File menu's document commands (Open, Save As, Close) and the list of loggings, and the
// one place where the application answers the document workspace: save questions, messages
// and the block list in show mode all come here.
#pragma once

#include "common/AppContext.h"
#include "common/Prompter.h"
#include "files/LoggerAsResults.h"

#include <QObject>

class QFileDialog;
class QWidget;

namespace qv {

class TfrmDownLoadList;
class TfrmExport;

class TDocumentCommands : public QObject, public DocumentHost {
  Q_OBJECT
 public:
  // `window` parents the boxes and dialogs; the block list is set once the dialogs exist.
  TDocumentCommands(QWidget* window, AppContext& ctx, Prompter& prompter);

  void SetBlockList(TfrmDownLoadList* list) { blockList_ = list; }
  QFileDialog* SaveDialog() const { return sdSaveDialog_; }
  QFileDialog* OpenDialog() const { return odOpenDialog_; }
  QFileDialog* ExportSaveDialog() const { return sdExportDialog_; }
  TfrmExport* ExportDialog() const { return frmExport_; }

  // Commands.
  void mmFileOpenClick();
  // Opens `path` as File > Open does once a file was chosen (the save questions come first).
  void OpenPath(const QString& path);
  bool mmFileSaveAsClick();
  void mmFileCloseClick();
  void ppLogListClick();
  // File > Export: the options, the file, the text of what the table shows.
  void mmFileExportClick();
  // The current logging block, or its samples first..last (1-based), saved as a results file.
  // The logging document stays open and as unsaved as it was.
  void mmFileSaveLogAsResClick();
  void ppSaveSelAsResClick(int first, int last);

  // DocumentHost
  bool Ask(std::string_view key) override;
  bool SaveAs() override { return mmFileSaveAsClick(); }
  void Message(MessageIcon icon, const Bytes& text) override;
  bool ChooseBlockToShow(std::vector<TLoggerRecord>& blocks) override;

 signals:
  // A results file was read by File > Open or written by Save As of the document: the archive
  // takes it in.
  void documentFileUsed(const QString& path);

 private:
  // Save As of the document, or (`converted`) of the results converted from logged samples.
  // Save As of the open document, or of results converted from its logging block.
  bool SaveDocument(Document* converted);
  void SaveConverted(ConvertedResults converted);

  QWidget* window_;
  AppContext& ctx_;
  Prompter& prompter_;
  TfrmDownLoadList* blockList_ = nullptr;
  QFileDialog* sdSaveDialog_;
  QFileDialog* odOpenDialog_;
  QFileDialog* sdExportDialog_;
  TfrmExport* frmExport_;
};

}  // namespace qv

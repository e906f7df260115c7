// The document workspace: owns the open document and performs, in one place, every step that
// follows a change of what is loaded or shown. Downloads, File > Open, the list of loggings
// and the row edits come here; the views, the main window and the command-line tool learn
// what changed through WorkspaceObserver and read the document when they draw.
#pragma once

#include "app/TextCatalog.h"
#include "files/ResultsFile.h"
#include "graph/GraphParameters.h"
#include "print/ReportHeader.h"
#include "store/Document.h"
#include "workspace/DocumentHost.h"

#include <QByteArray>
#include <QString>

#include <string>
#include <vector>

namespace qv {

inline constexpr const char* kMsgNoDataToShow = "msgNoDataToShow_35";
inline constexpr const char* kMsgNoFileOpened = "msgNoFileOpened_35";

// What the table shows: nothing, the tests of the selected tree node, or the current block.
enum class ShownView { None, Results, Logging };

// The main window's caption after the application title: nothing, or the "File_10" text,
// optionally followed by a blank and the document's file name.
struct DocumentTitle {
  bool file = false;
  bool named = false;
  Bytes name;  // in the language's code page, as files store it
  friend bool operator==(const DocumentTitle&, const DocumentTitle&) = default;
};

// How a load ended.
enum class LoadOutcome {
  Shown,          // the table shows the new document
  NothingToShow,  // loaded, but nothing can be shown (the person was told)
  Cancelled,      // the person cancelled the block list
  Failed,         // nothing loaded (the caller tells why)
};

class WorkspaceObserver {
 public:
  virtual ~WorkspaceObserver() = default;
  // The document is being replaced or was closed: everything drawn from it is stale (tree,
  // table layout, graph windows, row selections). What is shown now is Shown().
  virtual void DocumentReplaced() {}
  // A logging block became current: its table, graphs and parameters follow it.
  virtual void CurrentBlockChanged() {}
  // The tests changed (a load, a paste, a delete, a conversion): the building tree was rebuilt.
  virtual void TestsChanged() {}
  // DocNotSaved, DocModified, the loaded flags, what is shown or the title changed.
  virtual void FlagsChanged() {}
};

struct OpenOptions {
  QByteArray codePage;  // of the language, for the stored texts
  DateTime today = 0;   // the report's header date
  // A person looks at the table: a logging file asks for the block to show, and a results
  // document with nothing to show says so. The command-line tool chooses and checks itself.
  bool interactive = true;
};

struct OpenedDocument {
  LoadOutcome load = LoadOutcome::Failed;
  Outcome read;  // the reader's outcome; its message when it failed
  MeasurementsKind kind = MeasurementsKind::None;
  Bytes storedName;  // the "$FileName%" line
};

class DocumentWorkspace {
 public:
  // `texts` must outlive the workspace.
  explicit DocumentWorkspace(const TextCatalog& texts);
  DocumentWorkspace(const DocumentWorkspace&) = delete;
  DocumentWorkspace& operator=(const DocumentWorkspace&) = delete;

  Document& Doc() { return doc_; }
  const Document& Doc() const { return doc_; }
  ShownView Shown() const { return shown_; }
  bool TableShown() const { return shown_ != ShownView::None; }
  const DocumentTitle& Title() const { return title_; }
  // Which quantities the current block can graph (recomputed whenever a block becomes current).
  const GraphParameters& GraphAvailability() const { return graph_; }
  const ReportHeader& Report() const { return report_; }
  // The name the save dialog proposes: the opened file's, or one made for a download. Local
  // file-name text (UTF-8).
  const std::string& SuggestedFileName() const { return suggestedName_; }
  // The row-editing entries of the table's pop-up are shown from the first download or open on.
  bool RowEditingShown() const { return rowEditingShown_; }

  void AddObserver(WorkspaceObserver& observer);
  void RemoveObserver(WorkspaceObserver& observer);

  // ---- Replacing the document ----
  // The save questions before the document goes away (DiscardCommand says which rules).
  bool ConfirmDiscard(PromptHost& host, DiscardCommand command);
  // A download is about to ask the instrument: the row-editing entries appear.
  void PrepareRowEditing();
  // A download came to its end: its document (tests in page order with their signals, or the
  // chosen blocks) replaces the open one whole. The old views close; the print header stays the
  // person's; the report takes the instrument and `today`. Results: tree built and sorted, all
  // tests shown, DocNotSaved set when there is something to show. Logging: DocNotSaved set, the
  // person chooses the block to show; a cancelled list asks the save questions (the data go
  // away). Until then, whatever the download came to, the open document is not touched.
  LoadOutcome InstallDownload(Document doc, DateTime today, DocumentHost& host);
  // File > Open of `path` (the save questions were asked before the path was chosen). The file
  // is read into a new document, installed whole once it was read; a read failure leaves the
  // open document, its title and its flags as they were, and is returned, not told. Every other
  // message goes to `host`.
  OpenedDocument Open(const QString& path, DocumentHost& host, const OpenOptions& options);
  // A document read elsewhere (the archive's tests or blocks) shown as an opened file is: it
  // replaces the open one whole, the title shows `name` (code page text), the next save proposes
  // `localName`, and the report takes its header and instrument. As with Open, the save
  // questions were asked before it was read, and a failed read never comes here, so that the
  // open document stays as it was. Nothing is marked unsaved: the data are kept where they came
  // from.
  LoadOutcome InstallRead(Document doc, const Bytes& name, const std::string& localName,
                          DocumentHost& host, const OpenOptions& options);
  // File > Close: "msgNoFileOpened_35" when nothing is shown, then the save questions, then
  // nothing shown. False when the person kept the document.
  bool Close(DocumentHost& host);

  // ---- Choosing what is shown ----
  // The list of loggings: the person chooses another block of the document.
  LoadOutcome ChooseBlock(DocumentHost& host);
  // Block `index` becomes current; "msgNoDataToShow_35" when it has no samples.
  bool ShowBlock(int index, DocumentHost& host);

  // ---- Edits ----
  // The document was saved under `name` (code page text; `localName` for the save dialog):
  // the title shows it.
  void Saved(const Bytes& name, const std::string& localName);
  // AllTests were edited (paste, delete, conversion): tree rebuilt, every test shown,
  // DocModified set, whatever the rebuild came to. False when the tree could not be built.
  bool TestsEdited();
  // A flag was changed in place (a rename set DocModified, a save cleared DocNotSaved).
  void FlagsEdited() { NotifyFlags(); }

  // ---- Print header ----
  // The header dialog was confirmed: the document keeps `texts` (the next save writes them) and
  // the report shows them, with the instrument's texts and `date`. The header is not data the
  // person would lose, so the document is not marked changed.
  void SetReportHeader(const PrintHeader& texts, DateTime date);
  // Set by a completed open: the next opening of the header dialog shows the file's texts
  // instead of the stored ones. Each opening of the dialog clears it.
  bool HeaderLoadedFromFile() const { return doc_.HeaderLoadedFromFile; }
  void ClearHeaderLoadedFromFile() { doc_.HeaderLoadedFromFile = false; }

 private:
  void Tell(DocumentHost& host, const char* key);
  void SetShown(ShownView shown);
  void SetTitle(const DocumentTitle& title);
  void Replace();
  LoadOutcome ResultsDownloaded(DocumentHost& host);
  LoadOutcome LoggingDownloaded(DocumentHost& host);
  // Builds and sorts the tree and shows every test; false when the tree cannot be built.
  bool InstallTests();
  LoadOutcome ShowInstalledTests(DocumentHost& host);
  LoadOutcome ChooseBlockLoop(DocumentHost& host);
  // The steps after a document was read in: shown by its kind, titled `name`.
  LoadOutcome ShowRead(MeasurementsKind kind, const Bytes& name, DocumentHost& host,
                       const OpenOptions& options);
  void MakeCurrent(int index);
  void NotifyFlags();

  const TextCatalog& texts_;
  Document doc_;
  ShownView shown_ = ShownView::None;
  DocumentTitle title_;
  GraphParameters graph_{};
  ReportHeader report_;
  std::string suggestedName_;
  bool rowEditingShown_ = false;
  std::vector<WorkspaceObserver*> observers_;
};

}  // namespace qv

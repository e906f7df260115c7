#include "workspace/DocumentWorkspace.h"

#include "format/DateTimeText.h"
#include "store/BuildingTree.h"
#include "view/TableLayout.h"

#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace qv {
namespace {

// "Results 2026-12-10.QVL": a name that says what a download holds and when it was made.
std::string DownloadFileName(const char* memory, DateTime today) {
  const DateTimeParts d = DecodeDateTime(today);
  char name[64];
  std::snprintf(name, sizeof name, "%s %04d-%02d-%02d.QVL", memory, d.year, d.month, d.day);
  return name;
}

}  // namespace

DocumentWorkspace::DocumentWorkspace(const TextCatalog& texts) : texts_(texts) {}

void DocumentWorkspace::AddObserver(WorkspaceObserver& observer) {
  if (std::find(observers_.begin(), observers_.end(), &observer) == observers_.end()) {
    observers_.push_back(&observer);
  }
}

void DocumentWorkspace::RemoveObserver(WorkspaceObserver& observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), &observer), observers_.end());
}

void DocumentWorkspace::NotifyFlags() {
  for (WorkspaceObserver* o : observers_)
    o->FlagsChanged();
}

void DocumentWorkspace::Tell(DocumentHost& host, const char* key) {
  host.Message(MessageIcon::Information, texts_.Translate(key));
}

void DocumentWorkspace::SetShown(ShownView shown) {
  if (shown_ == shown) return;
  shown_ = shown;
  NotifyFlags();
}

void DocumentWorkspace::SetTitle(const DocumentTitle& title) {
  if (title_ == title) return;
  title_ = title;
  NotifyFlags();
}

void DocumentWorkspace::Replace() {
  shown_ = ShownView::None;
  title_ = DocumentTitle{};
  graph_ = GraphParameters{};
  for (WorkspaceObserver* o : observers_)
    o->DocumentReplaced();
  NotifyFlags();
}

bool DocumentWorkspace::ConfirmDiscard(PromptHost& host, DiscardCommand command) {
  const bool notSaved = doc_.DocNotSaved;
  const bool modified = doc_.DocModified;
  const bool goOn = PromptBeforeDiscard(doc_, host, command);
  if (notSaved != doc_.DocNotSaved || modified != doc_.DocModified) NotifyFlags();
  return goOn;
}

void DocumentWorkspace::PrepareRowEditing() {
  if (rowEditingShown_) return;
  rowEditingShown_ = true;
  NotifyFlags();
}

LoadOutcome DocumentWorkspace::InstallDownload(Document doc, DateTime today, DocumentHost& host) {
  // The header is the person's, kept in the header dialog: a download brings none.
  doc.Header = doc_.Header;
  doc.HeaderLoadedFromFile = doc_.HeaderLoadedFromFile;
  const bool results = doc.ResultsDataLoaded();
  doc_ = std::move(doc);
  suggestedName_ = DownloadFileName(results ? "Results" : "Logging", today);
  Replace();
  CopyInstrumentToReport(doc_.InstrumentInfo, today, report_);
  return results ? ResultsDownloaded(host) : LoggingDownloaded(host);
}

bool DocumentWorkspace::InstallTests() {
  if (!BuildBuildingTree(doc_, doc_.TestCount())) return false;
  SortTestsByTree(doc_);
  doc_.ShowAllTests();
  return true;
}

LoadOutcome DocumentWorkspace::ShowInstalledTests(DocumentHost& host) {
  // The table refuses a document without shown tests or signals; so does its Save As.
  const bool data = ResultsHaveData(doc_);
  shown_ = data ? ShownView::Results : ShownView::None;
  for (WorkspaceObserver* o : observers_)
    o->TestsChanged();
  NotifyFlags();
  if (data) return LoadOutcome::Shown;
  Tell(host, kMsgNoDataToShow);
  return LoadOutcome::NothingToShow;
}

LoadOutcome DocumentWorkspace::ResultsDownloaded(DocumentHost& host) {
  if (!InstallTests()) {
    Tell(host, kMsgNoDataToShow);
    return LoadOutcome::NothingToShow;
  }
  if (ResultsHaveData(doc_)) doc_.DocNotSaved = true;
  title_ = {true, false, {}};
  return ShowInstalledTests(host);
}

void DocumentWorkspace::MakeCurrent(int index) {
  doc_.CurrentBlock = index;
  graph_ = UpdateGraphParameters(doc_.Current());
  shown_ = LoggingHasData(doc_) ? ShownView::Logging : ShownView::None;
  for (WorkspaceObserver* o : observers_)
    o->CurrentBlockChanged();
  NotifyFlags();
}

LoadOutcome DocumentWorkspace::ChooseBlockLoop(DocumentHost& host) {
  for (;;) {
    if (!host.ChooseBlockToShow(doc_.LoggerBlocks)) return LoadOutcome::Cancelled;
    const int chosen = LastSelectedBlock(doc_.LoggerBlocks);
    if (chosen < 0) continue;
    if (doc_.LoggerBlocks[static_cast<size_t>(chosen)].SampleCount < 1) {
      SetShown(ShownView::None);
      Tell(host, kMsgNoDataToShow);
      continue;
    }
    MakeCurrent(chosen);
    return LoadOutcome::Shown;
  }
}

LoadOutcome DocumentWorkspace::LoggingDownloaded(DocumentHost& host) {
  doc_.DocNotSaved = true;
  NotifyFlags();
  const LoadOutcome outcome = ChooseBlockLoop(host);
  if (outcome == LoadOutcome::Cancelled) {
    // No table is shown, so the data go away unless the person saves them now.
    ConfirmDiscard(host, DiscardCommand::Close);
    return outcome;
  }
  SetTitle({true, false, {}});
  return outcome;
}

OpenedDocument DocumentWorkspace::Open(const QString& path, DocumentHost& host,
                                       const OpenOptions& options) {
  OpenedDocument result;
  // Texts an older file does not carry keep the person's.
  Document read;
  read.Header = doc_.Header;
  const OpenOutcome opened = OpenResultsFile(path, read, texts_, options.codePage);
  PrepareRowEditing();
  result.read = opened.outcome;
  result.kind = opened.kind;
  result.storedName = opened.fileName;
  if (!opened.outcome.ok()) return result;
  // Texts cut to the longest this program writes: said before anything is shown.
  for (const Bytes& warning : opened.warnings)
    host.Message(MessageIcon::Warning, warning);
  doc_ = std::move(read);
  // The opened file's name is proposed when it is saved again, whatever the opening comes to.
  suggestedName_ = QFileInfo(path).fileName().toStdString();
  result.load = ShowRead(opened.kind, opened.fileName, host, options);
  return result;
}

LoadOutcome DocumentWorkspace::InstallRead(Document doc, const Bytes& name,
                                           const std::string& localName, DocumentHost& host,
                                           const OpenOptions& options) {
  PrepareRowEditing();
  const MeasurementsKind kind = doc.ResultsDataLoaded()  ? MeasurementsKind::Tests
                                : doc.LoggerDataLoaded() ? MeasurementsKind::Logger
                                                         : MeasurementsKind::None;
  doc.DocNotSaved = doc.DocModified = false;
  doc_ = std::move(doc);
  suggestedName_ = localName;
  return ShowRead(kind, name, host, options);
}

LoadOutcome DocumentWorkspace::ShowRead(MeasurementsKind kind, const Bytes& name,
                                        DocumentHost& host, const OpenOptions& options) {
  Replace();
  CopyHeaderToReport(doc_.InstrumentInfo, doc_.Header, options.today, report_);

  LoadOutcome load = LoadOutcome::NothingToShow;
  if (kind == MeasurementsKind::Tests) {
    if (!InstallTests()) {
      Tell(host, kMsgNoDataToShow);
      return LoadOutcome::NothingToShow;
    }
    if (options.interactive) {
      load = ShowInstalledTests(host);
    } else {
      shown_ = ResultsHaveData(doc_) ? ShownView::Results : ShownView::None;
      load = TableShown() ? LoadOutcome::Shown : LoadOutcome::NothingToShow;
    }
  } else if (kind == MeasurementsKind::Logger) {
    if (doc_.LoggerBlocks.empty()) {
      Tell(host, kMsgNoDataToShow);
      return LoadOutcome::NothingToShow;
    }
    if (options.interactive) {
      load = ChooseBlockLoop(host);
      if (load == LoadOutcome::Cancelled) {
        ConfirmDiscard(host, DiscardCommand::Close);
        return load;
      }
    }
  }
  doc_.HeaderLoadedFromFile = true;
  SetTitle({true, true, name});
  return load;
}

void DocumentWorkspace::SetReportHeader(const PrintHeader& texts, DateTime date) {
  doc_.Header = texts;
  CopyHeaderToReport(doc_.InstrumentInfo, texts, date, report_);
}

bool DocumentWorkspace::Close(DocumentHost& host) {
  if (!TableShown()) {
    Tell(host, kMsgNoFileOpened);
    return false;
  }
  if (!ConfirmDiscard(host, DiscardCommand::Close)) return false;
  doc_.Kind = DocumentKind::None;
  // The store keeps its data until the next download or open replaces them.
  Replace();
  return true;
}

LoadOutcome DocumentWorkspace::ChooseBlock(DocumentHost& host) {
  if (doc_.LoggerBlocks.empty()) {
    Tell(host, kMsgNoDataToShow);
    return LoadOutcome::NothingToShow;
  }
  const LoadOutcome outcome = ChooseBlockLoop(host);
  if (outcome == LoadOutcome::Cancelled && !TableShown()) {
    ConfirmDiscard(host, DiscardCommand::Keep);
  }
  return outcome;
}

bool DocumentWorkspace::ShowBlock(int index, DocumentHost& host) {
  if (index < 0 || index >= static_cast<int>(doc_.LoggerBlocks.size()) ||
      doc_.LoggerBlocks[static_cast<size_t>(index)].SampleCount < 1) {
    Tell(host, kMsgNoDataToShow);
    return false;
  }
  MakeCurrent(index);
  return true;
}

void DocumentWorkspace::Saved(const Bytes& name, const std::string& localName) {
  suggestedName_ = localName;
  // The save cleared DocNotSaved and DocModified too: one notification for both.
  title_ = {true, true, name};
  NotifyFlags();
}

bool DocumentWorkspace::TestsEdited() {
  // Set first: an edit whose rebuild fails is still an edit the person must be asked about.
  doc_.DocModified = true;
  const bool built = InstallTests();
  for (WorkspaceObserver* o : observers_)
    o->TestsChanged();
  NotifyFlags();
  return built;
}

}  // namespace qv

// File > Measurement Archive...: the archive's buildings, their rooms and the visits to each room
// (the tests, or the logging blocks, of one day) as a tree; a search over names, print headers
// and comments; a visit opened into the main window with a double click; the trend of a room's
// quantity across its visits; and files and folders added on the archive's worker thread, with
// progress and Cancel, while the window and the main window stay live.
#pragma once

#include "archive/Archive.h"
#include "common/AppContext.h"
#include "common/Prompter.h"
#include "graph/GraphWindow.h"

#include <QDialog>
#include <QPointer>

#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace qv {

class ArchiveService;
class DocumentHost;
class TfrmGraphChild;
struct ArchiveJobResult;

class TfrmArchive : public QDialog {
  Q_OBJECT
 public:
  // `host` answers the save questions and messages of opening a visit, as for File > Open.
  TfrmArchive(AppContext& ctx, Prompter& prompter, DocumentHost& host, ArchiveService& service,
              QWidget* parent = nullptr);
  ~TfrmArchive() override;

  // File > Measurement Archive...: the window, its tree read afresh.
  void ShowArchive();
  // Reads the tree again with the search box's words, keeping the selected line where it is
  // still listed.
  void Refresh();
  // While a download runs, a visit cannot replace the document it is about to install.
  void TransferRunning(bool running);

  // For tests and pictures.
  QTreeWidget* Tree() const { return tree_; }
  QLineEdit* SearchBox() const { return search_; }
  QComboBox* QuantityBox() const { return quantity_; }
  QProgressBar* Progress() const { return progress_; }
  QLabel* Status() const { return status_; }
  // The trend window opened last, while it is open.
  TfrmGraphChild* LastTrend() const { return lastTrend_; }
  // The visit lines, in tree order: their item, building and room names and whether they
  // hold logging blocks.
  QTreeWidgetItem* FindVisit(const Bytes& building, const Bytes& room, int line) const;
  // Adds files and folders as Add Files and Add Folder do once chosen; the job's number.
  int AddPaths(const QStringList& paths);
  // The job of the window's adding that runs, 0 when none does.
  int RunningJob() const { return job_; }
  // Opens the visit of a visit line, as a double click does.
  void OpenVisit(QTreeWidgetItem* item);
  // The trend of the selected room and quantity in a graph window, as the Trend button draws
  // it.
  void ShowTrend();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Room {
    Bytes building;
    Bytes room;
    std::vector<int> quantities;  // the graph quantities of its tests' and blocks' codes
  };
  struct Visit {
    int room = 0;  // index in rooms_
    int day = 0;
    bool blocks = false;
    std::vector<int64_t> ids;
  };

  bool OpenArchive();
  void Fill(const std::vector<ArchiveBuilding>& tree);
  void SelectionChanged();
  void UpdateButtons();
  const Room* SelectedRoom() const;
  void AddFiles();
  void AddFolder();
  void FileDone(int job, int done, int total);
  void JobFinished(const ArchiveJobResult& result);

  AppContext& ctx_;
  Prompter& prompter_;
  DocumentHost& host_;
  ArchiveService& service_;
  // The window's own connection, on the GUI thread: reading only.
  std::unique_ptr<Archive> archive_;
  std::vector<Room> rooms_;
  std::vector<Visit> visits_;
  int job_ = 0;
  bool transferRunning_ = false;
  QPointer<TfrmGraphChild> lastTrend_;

  QLineEdit* search_;
  QTimer* searchTimer_;
  QTreeWidget* tree_;
  QComboBox* quantity_;
  QPushButton* trend_;
  QPushButton* open_;
  QPushButton* addFiles_;
  QPushButton* addFolder_;
  QProgressBar* progress_;
  QPushButton* cancel_;
  QCheckBox* autoAdd_;
  QLabel* status_;
};

}  // namespace qv

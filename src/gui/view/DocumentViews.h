// The document's views in the main panel: the results tree and the owner-drawn table. They
// observe the document workspace: a replaced document hides them, new tests refill the tree,
// a new current block lays the table out; between those they handle the person's clicks,
// tree selections and renames.
#pragma once

#include "common/AppContext.h"
#include "common/Prompter.h"
#include "view/DrawTable.h"
#include "view/TreeWidget.h"

#include <QObject>

#include <functional>

class QSplitter;

namespace qv {

class TDocumentViews : public QObject, private WorkspaceObserver {
  Q_OBJECT
 public:
  // Creates the tree and the table in `splitter`, both hidden. `widestSignalCaption` gives the
  // widest caption line measured at start-up.
  TDocumentViews(AppContext& ctx, Prompter& prompter, QSplitter* splitter,
                 std::function<int()> widestSignalCaption, QObject* parent = nullptr);
  ~TDocumentViews() override;

  TResultsTree* Tree() const { return tvTree_; }
  TDrawTable* Table() const { return dgrdDrawTable_; }
  bool TableVisible() const { return !dgrdDrawTable_->isHidden(); }
  // The result row selected by a click in the number column; -1 for none, also once the
  // table lost the focus.
  int SelectedRow() const { return selectedRow_; }

  // The texts of the selected node and its parent when it was last selected, so that a
  // rebuilt tree can select the same node again.
  const QString& SelectedNodeText() const { return selectedNodeText_; }
  const QString& SelectedParentText() const { return selectedParentText_; }

  // Draws the table again (a new unit system: the layout stays).
  void Repaint();

  // ---- Edit commands ----
  // Copy: the selected cells on the clipboard as text (all of them, decoded for display).
  void ppCopyClick();
  // Select All: every data cell of the table.
  void ppSelectAllClick();
  // The row commands of the results view. Paste and Delete hand the edited tests to the
  // workspace, which rebuilds the tree; the node shown before is selected again, and the row
  // with the same number (Delete: the last one when that is gone) is selected whole.
  void ppCutRowClick();
  void ppCopyRowClick();
  void ppPasteRowClick();
  void ppDeleteRowClick();
  // The tree's width when the main window is first shown: the translations of "AllTests_15",
  // "HouseName_8" and "RoomName_8" and the text "999" in the table's font.
  int FirstShowTreeWidth() const;

 signals:
  // A click changed what the row and copy commands may do.
  void tableClicked(const qv::ClickEffects& effects);
  // The person wants the table's pop-up menu at a global position.
  void popupRequested(const QPoint& globalPos);

 private:
  // WorkspaceObserver
  void DocumentReplaced() override;
  void TestsChanged() override;
  void CurrentBlockChanged() override;
  void FlagsChanged() override;

  void tvTreeChange(QTreeWidgetItem* node);
  void tvTreeEdited(QTreeWidgetItem* node, const QString& oldText, const QString& newText);
  // Lays the table out for the active view; false, after "msgNoDataToShow_35", when there is
  // nothing to show.
  bool LayoutTable();
  void ShowTable();
  void HideAll();
  // The splitter gives the shown views their room: the tree its width (the first-show width
  // when it has none), the table the rest, or all of it when the tree is hidden.
  void PlaceSplitter();
  int TextWidth(const Bytes& text) const;
  // After a row edit: the whole row `row` selected, or nothing when the table has no rows.
  void SelectRowAfterEdit(int row);
  void AllowPaste();

  AppContext& ctx_;
  Prompter& prompter_;
  QSplitter* splitter_;
  std::function<int()> widestSignalCaption_;
  TResultsTree* tvTree_;
  TDrawTable* dgrdDrawTable_;
  QString selectedNodeText_;
  QString selectedParentText_;
  // False until a node was selected in this document: a new document shows the root.
  bool nodeRemembered_ = false;
  int selectedRow_ = -1;
};

}  // namespace qv

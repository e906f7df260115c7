// The document's views in the main panel: the results tree and the owner-drawn table, and
// the commands that drive them (tree selection and renaming, table layout, clicks, the list
// of loggings). The main window owns one and forwards its view steps here.
#pragma once

#include "app/AppContext.h"
#include "app/Prompter.h"
#include "view/DrawTable.h"
#include "view/TreeWidget.h"

#include <QObject>

class QSplitter;

namespace qv {

class TfrmMainForm;

class TDocumentViews : public QObject {
  Q_OBJECT
 public:
  // Creates the tree and the table in `splitter`, both hidden.
  TDocumentViews(TfrmMainForm& form, AppContext& ctx, Prompter& prompter, QSplitter* splitter);

  TResultsTree* Tree() const { return tvTree_; }
  TDrawTable* Table() const { return dgrdDrawTable_; }
  // Connects the menu entries of the list of loggings; after the menus exist.
  void ConnectCommands();

  // The texts of the selected node and its parent when it was last selected, so that a
  // rebuilt tree can select the same node again.
  const QString& SelectedNodeText() const { return selectedNodeText_; }
  const QString& SelectedParentText() const { return selectedParentText_; }

  // ---- View steps of a download or an open ----
  // Builds the tree's nodes from the document's building tree.
  bool FillTreeView();
  // Shading of the active view.
  void ComputeColumnShading();
  // Lays the table out for the active view; false, after "msgNoDataToShow_35", when there is
  // nothing to show.
  bool LayoutTable();
  // A results document: the tree (filled when it is not yet), its root selected (which lays
  // out and shows the table), expanded and shown.
  void ShowResults();
  // A logging document: the current block's shading and layout; the table shown if that
  // succeeded.
  bool ShowCurrentBlock();
  // The table shown as it is laid out, with the splitter giving it its room.
  void ShowTable();
  // Table, tree and splitter hidden; the layout forgotten.
  void HideAll();
  // The row selections and the row clipboard end (a new document).
  void ResetSelections();
  // Draws the table again (a new unit system: the layout stays).
  void Repaint();
  // The tree's width when the main window is first shown: the translations of "AllTests_15",
  // "HouseName_8" and "RoomName_8" and the text "999" in the table's font.
  int FirstShowTreeWidth() const;

  // ---- Commands ----
  void tvTreeChange(QTreeWidgetItem* node);
  void tvTreeEdited(QTreeWidgetItem* node, const QString& oldText, const QString& newText);
  void ppLogListClick();
  void dgrdDrawTableExit();

 private:
  // The splitter gives the shown views their room: the tree its width (the first-show width
  // when it has none), the table the rest, or all of it when the tree is hidden.
  void PlaceSplitter();
  void ApplyClick(const ClickEffects& effects);
  void EnableAction(const char* name, bool on);
  int TextWidth(const Bytes& text) const;

  TfrmMainForm& form_;
  AppContext& ctx_;
  Prompter& prompter_;
  QSplitter* splitter_;
  TResultsTree* tvTree_;
  TDrawTable* dgrdDrawTable_;
  bool treeFilled_ = false;
  QString selectedNodeText_;
  QString selectedParentText_;
};

}  // namespace qv

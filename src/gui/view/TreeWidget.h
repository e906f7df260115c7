// The results tree of the main window (tvTree): the root "AllTests_15", the buildings in
// number order and their rooms in number order, each node carrying what it stands for.
// Building and room texts can be edited in place; the owner renames the data.
#pragma once

#include "common/AppContext.h"
#include "view/ResultsTree.h"

#include <QTreeWidget>

namespace qv {

class TResultsTree : public QTreeWidget {
  Q_OBJECT
 public:
  explicit TResultsTree(AppContext& ctx, QWidget* parent = nullptr);

  // Builds the nodes from the building tree. `progress` gets the share of rooms done.
  void FillTreeView(const std::vector<THouseTreeRecord>& tree, int testCount,
                    const std::function<void(int percent)>& progress = {});
  QTreeWidgetItem* Root() const { return topLevelItemCount() ? topLevelItem(0) : nullptr; }
  // The width the expanded nodes need, indentation included.
  int ContentWidth() const { return sizeHintForColumn(0) + 2 * frameWidth(); }
  // What a node stands for.
  static TreeNodeRef NodeOf(const QTreeWidgetItem* item);
  // The node whose text and parent's text are these, the root left out (first match);
  // the root when none matches.
  QTreeWidgetItem* FindNode(const QString& text, const QString& parentText) const;
  // Gives every other node that shows the renamed data the new text.
  void RelabelFollowers(const TreeNodeEdit& edit, const QTreeWidgetItem* edited);

 signals:
  // A node's text was edited in place: the text before and after, decoded for display.
  void nodeEdited(QTreeWidgetItem* item, const QString& oldText, const QString& newText);

 private:
  QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, const QString& text, int level,
                           int32_t building, int32_t room);
  void ItemChanged(QTreeWidgetItem* item, int column);

  AppContext& ctx_;
  bool filling_ = false;
};

}  // namespace qv

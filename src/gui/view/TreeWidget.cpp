#include "view/TreeWidget.h"

#include "format/NumberText.h"

#include <QPalette>

namespace qv {
namespace {

enum Role {
  kLevelRole = Qt::UserRole,
  kBuildingRole,
  kRoomRole,
  kCommittedRole,  // the text the data carry, to tell an edit from its old text
};

}  // namespace

TResultsTree::TResultsTree(AppContext& ctx, QWidget* parent) : QTreeWidget(parent), ctx_(ctx) {
  setObjectName(QStringLiteral("tvTree"));
  setHeaderHidden(true);
  setColumnCount(1);
  QFont f(QStringLiteral("Arial"));
  f.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                 QStringLiteral("DejaVu Sans"), QStringLiteral("Sans")});
  f.setPixelSize(12);
  setFont(f);
  setIndentation(19);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setAllColumnsShowFocus(true);
  setMouseTracking(true);  // hot tracking
  setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
  QPalette p = palette();
  p.setColor(QPalette::Base, QColor(255, 255, 225));
  // The selection stays visible while another control has the focus.
  for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText}) {
    p.setColor(QPalette::Inactive, role, p.color(QPalette::Active, role));
  }
  setPalette(p);
  resize(144, height());
  connect(this, &QTreeWidget::itemChanged, this, &TResultsTree::ItemChanged);
}

QTreeWidgetItem* TResultsTree::AddNode(QTreeWidgetItem* parent, const QString& text, int level,
                                       int32_t building, int32_t room) {
  auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
  item->setText(0, text);
  item->setData(0, kLevelRole, level);
  item->setData(0, kBuildingRole, building);
  item->setData(0, kRoomRole, room);
  item->setData(0, kCommittedRole, text);
  item->setFlags(item->flags() | Qt::ItemIsEditable);
  return item;
}

void TResultsTree::FillTreeView(const std::vector<THouseTreeRecord>& tree, int testCount,
                                const std::function<void(int)>& progress) {
  filling_ = true;
  const bool signalsWereBlocked = blockSignals(true);
  clear();
  QTreeWidgetItem* root = AddNode(nullptr, ctx_.Tr("AllTests_15"), 0, 0, 0);
  int rooms = 0;
  for (const THouseTreeRecord& h : tree) {
    QTreeWidgetItem* building = AddNode(root, ctx_.Decode(h.BuildingName), 1, h.BuildingNo, 0);
    for (const TTestTreeRecord& r : h.Rooms) {
      AddNode(building, ctx_.Decode(r.RoomName), 2, h.BuildingNo, r.RoomNo);
      ++rooms;
      if (progress && testCount > 0) {
        progress(static_cast<int>(RoundHalfEven(100.0 * rooms / testCount)));
      }
    }
  }
  blockSignals(signalsWereBlocked);
  filling_ = false;
}

TreeNodeRef TResultsTree::NodeOf(const QTreeWidgetItem* item) {
  if (item == nullptr) return {};
  return {item->data(0, kLevelRole).toInt(), item->data(0, kBuildingRole).toInt(),
          item->data(0, kRoomRole).toInt()};
}

QTreeWidgetItem* TResultsTree::FindNode(const QString& text, const QString& parentText) const {
  QTreeWidgetItem* root = Root();
  if (root == nullptr || root->childCount() == 0) return root;
  for (QTreeWidgetItemIterator it(root->child(0)); *it; ++it) {
    QTreeWidgetItem* item = *it;
    if (item->text(0) == text && item->parent() && item->parent()->text(0) == parentText) {
      return item;
    }
  }
  return root;
}

void TResultsTree::RelabelFollowers(const TreeNodeEdit& edit, const QTreeWidgetItem* edited) {
  const bool signalsWereBlocked = blockSignals(true);
  const QString newText = ctx_.Decode(edit.NewText);
  for (QTreeWidgetItemIterator it(this); *it; ++it) {
    QTreeWidgetItem* item = *it;
    if (item == edited) continue;
    const Bytes text = ctx_.Codec.Encode(item->data(0, kCommittedRole).toString());
    const Bytes parent = item->parent() ? ctx_.Codec.Encode(item->parent()->text(0)) : Bytes();
    if (NodeFollowsRename(edit, NodeOf(item).Level, text, parent)) {
      item->setText(0, newText);
      item->setData(0, kCommittedRole, newText);
    }
  }
  blockSignals(signalsWereBlocked);
}

void TResultsTree::ItemChanged(QTreeWidgetItem* item, int column) {
  if (filling_ || column != 0) return;
  const QString before = item->data(0, kCommittedRole).toString();
  const QString after = item->text(0);
  if (before == after) return;
  {
    const bool signalsWereBlocked = blockSignals(true);
    item->setData(0, kCommittedRole, after);
    blockSignals(signalsWereBlocked);
  }
  emit nodeEdited(item, before, after);
}

}  // namespace qv

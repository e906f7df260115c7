#include "view/DocumentViews.h"

#include "common/Cursors.h"
#include "format/DateTimeText.h"
#include "view/ColumnShading.h"
#include "view/ResultsTree.h"
#include "view/RowEdits.h"
#include "view/TableLayout.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QSignalBlocker>

#include <QSplitter>
#include <unordered_map>

namespace qv {

TDocumentViews::TDocumentViews(AppContext& ctx, Prompter& prompter, QSplitter* splitter,
                               std::function<int()> widestSignalCaption, QObject* parent)
    : QObject(parent),
      ctx_(ctx),
      prompter_(prompter),
      splitter_(splitter),
      widestSignalCaption_(std::move(widestSignalCaption)) {
  tvTree_ = new TResultsTree(ctx_, splitter_);
  dgrdDrawTable_ = new TDrawTable(ctx_, splitter_);
  tvTree_->hide();
  dgrdDrawTable_->hide();
  connect(tvTree_, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current) { tvTreeChange(current); });
  connect(tvTree_, &TResultsTree::nodeEdited, this, &TDocumentViews::tvTreeEdited);
  connect(dgrdDrawTable_, &TDrawTable::clicked, this, [this](const ClickEffects& e) {
    selectedRow_ = dgrdDrawTable_->State().SelectedRow;
    emit tableClicked(e);
    if (e.OverSelection) {
      prompter_.Message(splitter_->window(), ctx_.Tr(kMsgOverSelSign), QMessageBox::Information);
    }
  });
  connect(dgrdDrawTable_, &TDrawTable::exited, this, [this] { selectedRow_ = -1; });
  connect(dgrdDrawTable_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    emit popupRequested(dgrdDrawTable_->viewport()->mapToGlobal(pos));
  });
  ctx_.Workspace.AddObserver(*this);
}

TDocumentViews::~TDocumentViews() {
  ctx_.Workspace.RemoveObserver(*this);
}

int TDocumentViews::TextWidth(const Bytes& text) const {
  return dgrdDrawTable_->fontMetrics().horizontalAdvance(ctx_.Decode(text));
}

// ---- Reactions to the workspace ----

void TDocumentViews::DocumentReplaced() {
  HideAll();
  // A new document: no row selected, nothing held for pasting, no widest location yet.
  dgrdDrawTable_->State().ResetSelections();
  dgrdDrawTable_->State().WidestLocationText = 0;
  selectedRow_ = -1;
  nodeRemembered_ = false;
}

void TDocumentViews::TestsChanged() {
  const Document& doc = ctx_.Doc;
  tvTree_->FillTreeView(doc.BuildingTree, doc.TestCount());
  if (ctx_.Workspace.Shown() != ShownView::Results) return;
  // A rebuilt tree after an edit shows the node shown before, if it is still there.
  QTreeWidgetItem* node =
      nodeRemembered_ ? tvTree_->FindNode(selectedNodeText_, selectedParentText_) : tvTree_->Root();
  {
    const QSignalBlocker quiet(tvTree_);
    tvTree_->setCurrentItem(node);
  }
  tvTreeChange(node);
  tvTree_->expandAll();
  tvTree_->show();
  PlaceSplitter();
  // Names longer than the usual width would be cut: the tree grows to show them, up to a
  // third of the panel.
  const int needed = tvTree_->ContentWidth() + 4;
  const QList<int> sizes = splitter_->sizes();
  const int total = sizes.value(0) + sizes.value(1);
  const int tree = std::min(needed, total / 3);
  if (tree > sizes.value(0)) splitter_->setSizes({tree, std::max(1, total - tree)});
}

void TDocumentViews::CurrentBlockChanged() {
  dgrdDrawTable_->hide();
  if (ctx_.Workspace.Shown() != ShownView::Logging) return;
  ComputeColumnShading(ctx_.Doc, dgrdDrawTable_->State());
  if (LayoutTable()) ShowTable();
}

void TDocumentViews::FlagsChanged() {
  switch (ctx_.Workspace.Shown()) {
    case ShownView::None:
      dgrdDrawTable_->hide();
      tvTree_->hide();
      break;
    case ShownView::Logging:
      tvTree_->hide();
      break;
    case ShownView::Results:
      break;
  }
}

// ---- Layout ----

bool TDocumentViews::LayoutTable() {
  const Document& doc = ctx_.Doc;
  const TableMetrics metrics = dgrdDrawTable_->Metrics(widestSignalCaption_());
  const std::optional<TableLayout> layout =
      ActiveView(doc) == TableView::Results
          ? LayoutResultsTable(doc, metrics, dgrdDrawTable_->State().WidestLocationText,
                               ctx_.Texts.Translate("Location_10"), Now())
          : LayoutLoggingTable(doc, metrics, Now());
  if (!layout) {
    prompter_.Message(splitter_->window(), ctx_.Tr(kMsgNoDataToShowKey), QMessageBox::Information);
    return false;
  }
  dgrdDrawTable_->ApplyLayout(*layout);
  return true;
}

void TDocumentViews::ShowTable() {
  dgrdDrawTable_->show();
  PlaceSplitter();
}

int TDocumentViews::FirstShowTreeWidth() const {
  const QString sample = ctx_.Tr("AllTests_15") + ctx_.Tr("HouseName_8") + ctx_.Tr("RoomName_8") +
                         QStringLiteral("999");
  return dgrdDrawTable_->fontMetrics().horizontalAdvance(sample);
}

void TDocumentViews::PlaceSplitter() {
  const int total = std::max(2, splitter_->width() - splitter_->handleWidth());
  const QList<int> sizes = splitter_->sizes();
  int tree = tvTree_->isHidden() ? 0 : sizes.value(0);
  if (!tvTree_->isHidden() && tree <= 0) tree = std::min(FirstShowTreeWidth(), total - 1);
  if (tree == sizes.value(0) && sizes.value(1) > 0) return;
  splitter_->setSizes({tree, std::max(1, total - tree)});
}

void TDocumentViews::HideAll() {
  dgrdDrawTable_->hide();
  tvTree_->hide();
  dgrdDrawTable_->ClearLayout();
}

void TDocumentViews::Repaint() {
  dgrdDrawTable_->viewport()->update();
}

// ---- The person's actions ----

void TDocumentViews::tvTreeChange(QTreeWidgetItem* node) {
  if (node == nullptr || ActiveView(ctx_.Doc) != TableView::Results) return;
  dgrdDrawTable_->hide();
  selectedNodeText_ = node->text(0);
  nodeRemembered_ = true;
  selectedParentText_ = node->parent() ? node->parent()->text(0) : QString();
  // Names repeat from test to test: each is measured once.
  std::unordered_map<Bytes, int> widths;
  ShowTreeNode(ctx_.Doc, dgrdDrawTable_->State(), TResultsTree::NodeOf(node),
               [this, &widths](const Bytes& text) {
                 const auto [at, added] = widths.try_emplace(text, 0);
                 if (added) at->second = TextWidth(text);
                 return at->second;
               });
  selectedRow_ = -1;
  if (LayoutTable()) ShowTable();
}

void TDocumentViews::tvTreeEdited(QTreeWidgetItem* node, const QString& oldText,
                                  const QString& newText) {
  TreeNodeEdit edit;
  edit.Level = TResultsTree::NodeOf(node).Level;
  edit.OldText = ctx_.Codec.Encode(oldText);
  edit.NewText = ctx_.Codec.Encode(newText);
  if (node->parent()) edit.ParentText = ctx_.Codec.Encode(node->parent()->text(0));
  if (!RenameTreeNode(ctx_.Doc, edit)) return;
  ctx_.Workspace.FlagsEdited();
  tvTree_->RelabelFollowers(edit, node);
  tvTreeChange(tvTree_->currentItem());
}

// ---- Edit commands ----

void TDocumentViews::ppCopyClick() {
  if (!TableVisible()) return;
  const BusyCursor busy;
  QGuiApplication::clipboard()->setText(ctx_.Decode(dgrdDrawTable_->SelectionText()));
}

void TDocumentViews::ppSelectAllClick() {
  if (!TableVisible()) return;
  dgrdDrawTable_->SelectAll();
  ClickEffects e;
  // The whole table, not a row: Copy and Select All stay, the row commands wait for a row.
  e.CopySelectAll = true;
  emit tableClicked(e);
}

void TDocumentViews::ppCutRowClick() {
  CutRow(dgrdDrawTable_->State());
  AllowPaste();
}

void TDocumentViews::ppCopyRowClick() {
  CopyRow(dgrdDrawTable_->State());
  dgrdDrawTable_->ScrollToColumn(1);
  AllowPaste();
}

void TDocumentViews::AllowPaste() {
  // The row is still selected: it can take the held row at once, without another click.
  ClickEffects e;
  e.PasteRow = dgrdDrawTable_->State().HeldRow >= 0 && dgrdDrawTable_->State().SelectedRow >= 1;
  emit tableClicked(e);
}

void TDocumentViews::ppPasteRowClick() {
  TableState& state = dgrdDrawTable_->State();
  if (ActiveView(ctx_.Doc) != TableView::Results || state.SelectedRow < 1) return;
  const BusyCursor busy;
  const int row = state.SelectedRow;
  if (!PasteRow(ctx_.Doc, state)) return;
  ctx_.Workspace.TestsEdited();
  SelectRowAfterEdit(row);
}

void TDocumentViews::ppDeleteRowClick() {
  TableState& state = dgrdDrawTable_->State();
  if (ActiveView(ctx_.Doc) != TableView::Results || state.SelectedRow < 1) return;
  const int row = state.SelectedRow;
  if (!DeleteRow(ctx_.Doc, state)) return;
  ctx_.Workspace.TestsEdited();
  SelectRowAfterEdit(std::min(row, ctx_.Doc.ShownTestCount()));
  dgrdDrawTable_->setFocus();
}

void TDocumentViews::SelectRowAfterEdit(int row) {
  if (!TableVisible() || row < 1 || ctx_.Doc.ShownTestCount() == 0) {
    selectedRow_ = -1;
    ClickEffects none;
    none.RowCommands = false;
    none.PasteRow = false;
    emit tableClicked(none);
    return;
  }
  // The table emits the click's effects: the row commands follow the new selection.
  dgrdDrawTable_->SelectWholeRow(row);
}

}  // namespace qv

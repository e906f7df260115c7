#include "view/DocumentViews.h"

#include "app/InterfaceChoices.h"
#include "app/MainForm.h"
#include "download/DownLoadListDialog.h"
#include "format/DateTimeText.h"
#include "link/TransferDialog.h"
#include "view/ColumnShading.h"
#include "view/LogList.h"

#include <QAction>
#include <QCoreApplication>
#include <QSignalBlocker>
#include <QSplitter>

namespace qv {
namespace {

// The list of loggings on the main window's dialogs and table.
class GuiLogListHost : public LogListHost {
 public:
  GuiLogListHost(TfrmMainForm& form, AppContext& ctx, Prompter& prompter, TDocumentViews& views)
      : form_(form), ctx_(ctx), prompter_(prompter), views_(views) {}

  bool Ask(std::string_view key) override {
    return prompter_.Question(&form_, ctx_.Tr(key), QMessageBox::Information);
  }
  bool SaveAs() override { return form_.mmFileSaveAsClick(); }
  void SizeBlockList(int n) override { form_.Forms().DownLoadList->SizeBlockList(n); }
  bool ShowBlockList(std::vector<TLoggerRecord>& blocks) override {
    TfrmDownLoadList* list = form_.Forms().DownLoadList;
    list->SetBlocks(&blocks);
    list->SetMode(ListMode::Show);
    return list->ShowModal();
  }
  void Inform(std::string_view key) override {
    prompter_.Message(&form_, ctx_.Tr(key), QMessageBox::Information);
  }
  bool TableVisible() const override { return form_.TableVisible(); }
  void HideTable() override { views_.Table()->hide(); }
  void ShowTable() override { views_.ShowTable(); }
  void Pump() override { QCoreApplication::processEvents(); }
  bool LayoutCurrentBlock() override {
    views_.ComputeColumnShading();
    return views_.LayoutTable();
  }
  void CurrentBlockChosen() override { SaveInterfaceChoices(ctx_.Settings, ctx_.Choices); }

 private:
  TfrmMainForm& form_;
  AppContext& ctx_;
  Prompter& prompter_;
  TDocumentViews& views_;
};

}  // namespace

TDocumentViews::TDocumentViews(TfrmMainForm& form, AppContext& ctx, Prompter& prompter,
                               QSplitter* splitter)
    : QObject(&form), form_(form), ctx_(ctx), prompter_(prompter), splitter_(splitter) {
  tvTree_ = new TResultsTree(ctx_, splitter_);
  dgrdDrawTable_ = new TDrawTable(ctx_, splitter_);
  tvTree_->hide();
  dgrdDrawTable_->hide();
  connect(tvTree_, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current) { tvTreeChange(current); });
  connect(tvTree_, &TResultsTree::nodeEdited, this, &TDocumentViews::tvTreeEdited);
  connect(dgrdDrawTable_, &TDrawTable::clicked, this, &TDocumentViews::ApplyClick);
  connect(dgrdDrawTable_, &TDrawTable::exited, this, &TDocumentViews::dgrdDrawTableExit);
}

void TDocumentViews::ConnectCommands() {
  for (const char* name : {"mmConfigLogList", "ppLogList"}) {
    if (QAction* a = form_.Action(QString::fromLatin1(name))) {
      connect(a, &QAction::triggered, this, &TDocumentViews::ppLogListClick);
    }
  }
}

int TDocumentViews::TextWidth(const Bytes& text) const {
  return dgrdDrawTable_->fontMetrics().horizontalAdvance(ctx_.Decode(text));
}

// ---- View steps ----

bool TDocumentViews::FillTreeView() {
  TfrmTransfering* transfer = form_.Forms().Transfering;
  const bool dialog = transfer != nullptr && transfer->isVisible();
  if (dialog) {
    transfer->SetActivity(ctx_.Tr("SortDatToShow_60"));
    transfer->SetProgress(0);
  }
  std::function<void(int)> progress;
  if (dialog) progress = [transfer](int percent) { transfer->SetProgress(percent); };
  tvTree_->FillTreeView(ctx_.Doc.BuildingTree, ctx_.Doc.TestCount, progress);
  if (dialog) transfer->hide();
  treeFilled_ = true;
  return true;
}

void TDocumentViews::ComputeColumnShading() {
  qv::ComputeColumnShading(ctx_.Doc, dgrdDrawTable_->State());
}

bool TDocumentViews::LayoutTable() {
  const Document& doc = ctx_.Doc;
  const TableMetrics metrics = dgrdDrawTable_->Metrics(form_.WidestSignalCaption());
  const std::optional<TableLayout> layout =
      ActiveView(doc) == TableView::Results
          ? LayoutResultsTable(doc, metrics, dgrdDrawTable_->State().WidestLocationText,
                               ctx_.Texts.Translate("Location_10"), Now())
          : LayoutLoggingTable(doc, metrics, Now());
  if (!layout) {
    prompter_.Message(&form_, ctx_.Tr(kMsgNoDataToShowKey), QMessageBox::Information);
    return false;
  }
  dgrdDrawTable_->ApplyLayout(*layout);
  return true;
}

void TDocumentViews::ShowResults() {
  if (!treeFilled_) FillTreeView();
  QTreeWidgetItem* root = tvTree_->Root();
  {
    const QSignalBlocker quiet(tvTree_);
    tvTree_->setCurrentItem(root);
  }
  tvTreeChange(root);
  tvTree_->expandAll();
  tvTree_->show();
  PlaceSplitter();
}

bool TDocumentViews::ShowCurrentBlock() {
  ComputeColumnShading();
  if (!LayoutTable()) return false;
  ShowTable();
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
  treeFilled_ = false;
}

void TDocumentViews::ResetSelections() {
  dgrdDrawTable_->State().ResetSelections();
  form_.SetSelectedRow(-1);
}

void TDocumentViews::Repaint() {
  dgrdDrawTable_->viewport()->update();
}

// ---- Commands ----

void TDocumentViews::tvTreeChange(QTreeWidgetItem* node) {
  if (node == nullptr || ActiveView(ctx_.Doc) != TableView::Results) return;
  dgrdDrawTable_->hide();
  selectedNodeText_ = node->text(0);
  selectedParentText_ = node->parent() ? node->parent()->text(0) : QString();
  ShowTreeNode(ctx_.Doc, dgrdDrawTable_->State(), TResultsTree::NodeOf(node),
               [this](const Bytes& text) { return TextWidth(text); });
  form_.SetSelectedRow(-1);
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
  tvTree_->RelabelFollowers(edit, node);
  tvTreeChange(tvTree_->currentItem());
}

void TDocumentViews::ppLogListClick() {
  GuiLogListHost host(form_, ctx_, prompter_, *this);
  qv::ppLogListClick(ctx_.Doc, host);
}

void TDocumentViews::dgrdDrawTableExit() {
  form_.SetSelectedRow(-1);
}

void TDocumentViews::EnableAction(const char* name, bool on) {
  if (QAction* a = form_.Action(QString::fromLatin1(name))) a->setEnabled(on);
}

void TDocumentViews::ApplyClick(const ClickEffects& e) {
  if (e.RowCommands) {
    for (const char* name : {"ppCutRow", "ppCopyRow", "ppDeleteRow"})
      EnableAction(name, *e.RowCommands);
  }
  if (e.PasteRow) EnableAction("ppPasteRow", *e.PasteRow);
  if (e.CopySelectAll) {
    EnableAction("ppCopy", *e.CopySelectAll);
    EnableAction("ppSelectAll", *e.CopySelectAll);
  }
  if (e.SaveSelAsRes) EnableAction("ppSaveSelAsRes", *e.SaveSelAsRes);
  form_.SetSelectedRow(dgrdDrawTable_->State().SelectedRow);
  if (e.OverSelection) {
    prompter_.Message(&form_, ctx_.Tr(kMsgOverSelSign), QMessageBox::Information);
  }
}

}  // namespace qv

#include "archive/ArchiveWindow.h"

#include "app/MenuRules.h"
#include "archive/ArchiveService.h"
#include "archive/ArchiveTrend.h"
#include "common/Cursors.h"
#include "format/DateTimeText.h"
#include "graph/GraphData.h"
#include "workspace/DocumentHost.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

namespace qv {
namespace {

enum Line { kBuildingLine, kRoomLine, kVisitLine };
constexpr int kLineRole = Qt::UserRole;
constexpr int kIndexRole = Qt::UserRole + 1;
// The search starts once the typing pauses.
constexpr int kSearchPauseMs = 300;
// A message names at most this many files that could not be added; the count says the rest.
constexpr int kListedFailures = 10;

QString IsoDate(int day) {
  const DateTimeParts d = DecodeDateTime(day);
  return QStringLiteral("%1-%2-%3")
      .arg(d.year, 4, 10, QLatin1Char('0'))
      .arg(d.month, 2, 10, QLatin1Char('0'))
      .arg(d.day, 2, 10, QLatin1Char('0'));
}

QString TimeOfDay(DateTime t) {
  const DateTimeParts d = DecodeDateTime(t + 0.5 / 86400000.0);
  return QStringLiteral("%1:%2")
      .arg(d.hour, 2, 10, QLatin1Char('0'))
      .arg(d.minute, 2, 10, QLatin1Char('0'));
}

}  // namespace

TfrmArchive::TfrmArchive(AppContext& ctx, Prompter& prompter, DocumentHost& host,
                         ArchiveService& service, QWidget* parent)
    : QDialog(parent), ctx_(ctx), prompter_(prompter), host_(host), service_(service) {
  setObjectName(QStringLiteral("frmArchive"));
  setWindowTitle(ctx_.Tr("frmArchive_30"));
  // A window to browse beside the main one: resizable, never modal.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint);
  setModal(false);

  auto* searchLabel = new QLabel(ctx_.Tr("lblArchiveSearch_20"), this);
  searchLabel->setObjectName(QStringLiteral("lblArchiveSearch"));
  search_ = new QLineEdit(this);
  search_->setObjectName(QStringLiteral("edArchiveSearch"));
  search_->setPlaceholderText(ctx_.Tr("ArchiveSearchHint_50"));
  search_->setClearButtonEnabled(true);
  searchLabel->setBuddy(search_);
  searchTimer_ = new QTimer(this);
  searchTimer_->setSingleShot(true);
  searchTimer_->setInterval(kSearchPauseMs);
  connect(search_, &QLineEdit::textChanged, searchTimer_, qOverload<>(&QTimer::start));
  connect(searchTimer_, &QTimer::timeout, this, &TfrmArchive::Refresh);

  tree_ = new QTreeWidget(this);
  tree_->setObjectName(QStringLiteral("tvArchive"));
  tree_->setColumnCount(3);
  tree_->setHeaderLabels({ctx_.Tr("colArchivePlace_30"), ctx_.Tr("colArchiveContents_30"),
                          ctx_.Tr("colArchiveSource_20")});
  tree_->setUniformRowHeights(true);
  tree_->setAlternatingRowColors(true);
  tree_->header()->setStretchLastSection(true);
  connect(tree_, &QTreeWidget::currentItemChanged, this, &TfrmArchive::SelectionChanged);
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    if (item->data(0, kLineRole).toInt() == kVisitLine) OpenVisit(item);
  });

  auto* quantityLabel = new QLabel(ctx_.Tr("lblArchiveQuantity_20"), this);
  quantityLabel->setObjectName(QStringLiteral("lblArchiveQuantity"));
  quantity_ = new QComboBox(this);
  quantity_->setObjectName(QStringLiteral("cbArchiveQuantity"));
  quantity_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  quantity_->setMinimumContentsLength(18);
  quantityLabel->setBuddy(quantity_);
  trend_ = new QPushButton(ctx_.Tr("btnArchiveTrend_15"), this);
  trend_->setObjectName(QStringLiteral("btnArchiveTrend"));
  connect(trend_, &QPushButton::clicked, this, &TfrmArchive::ShowTrend);
  open_ = new QPushButton(ctx_.Tr("btnArchiveOpen_15"), this);
  open_->setObjectName(QStringLiteral("btnArchiveOpen"));
  connect(open_, &QPushButton::clicked, this, [this] { OpenVisit(tree_->currentItem()); });

  addFiles_ = new QPushButton(ctx_.Tr("btnArchiveAddFiles_20"), this);
  addFiles_->setObjectName(QStringLiteral("btnArchiveAddFiles"));
  connect(addFiles_, &QPushButton::clicked, this, &TfrmArchive::AddFiles);
  addFolder_ = new QPushButton(ctx_.Tr("btnArchiveAddFolder_20"), this);
  addFolder_->setObjectName(QStringLiteral("btnArchiveAddFolder"));
  connect(addFolder_, &QPushButton::clicked, this, &TfrmArchive::AddFolder);
  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("pbArchiveAdding"));
  progress_->setVisible(false);
  progress_->setTextVisible(true);
  progress_->setFormat(QStringLiteral("%v / %m"));
  cancel_ = new QPushButton(ctx_.Tr("btnCancel_8"), this);
  cancel_->setObjectName(QStringLiteral("btnArchiveCancel"));
  cancel_->setVisible(false);
  connect(cancel_, &QPushButton::clicked, this, [this] {
    if (job_ == 0) return;
    service_.Cancel(job_);
    cancel_->setEnabled(false);
  });

  autoAdd_ = new QCheckBox(ctx_.Tr("cbArchiveAuto_60"), this);
  autoAdd_->setObjectName(QStringLiteral("cbArchiveAuto"));
  autoAdd_->setChecked(service_.AutoAdd());
  connect(autoAdd_, &QCheckBox::toggled, this, [this](bool on) { service_.SetAutoAdd(on); });

  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("lblArchiveStatus"));
  status_->setWordWrap(true);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* close = new QPushButton(ctx_.Tr("btnArchiveClose_15"), this);
  close->setObjectName(QStringLiteral("btnArchiveClose"));
  close->setAutoDefault(false);
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  for (QPushButton* b : {trend_, open_, addFiles_, addFolder_, cancel_})
    b->setAutoDefault(false);

  auto* layout = new QVBoxLayout(this);
  auto* searchRow = new QHBoxLayout;
  searchRow->addWidget(searchLabel);
  searchRow->addWidget(search_, 1);
  layout->addLayout(searchRow);
  layout->addWidget(tree_, 1);
  auto* visitRow = new QHBoxLayout;
  visitRow->addWidget(quantityLabel);
  visitRow->addWidget(quantity_, 1);
  visitRow->addWidget(trend_);
  visitRow->addSpacing(16);
  visitRow->addWidget(open_);
  layout->addLayout(visitRow);
  auto* addRow = new QHBoxLayout;
  addRow->addWidget(addFiles_);
  addRow->addWidget(addFolder_);
  addRow->addWidget(progress_, 1);
  addRow->addWidget(cancel_);
  addRow->addStretch();
  layout->addLayout(addRow);
  layout->addWidget(autoAdd_);
  auto* statusRow = new QHBoxLayout;
  statusRow->addWidget(status_, 1);
  statusRow->addWidget(close, 0, Qt::AlignBottom);
  layout->addLayout(statusRow);

  connect(&service_, &ArchiveService::fileDone, this, &TfrmArchive::FileDone);
  connect(&service_, &ArchiveService::jobFinished, this, &TfrmArchive::JobFinished);
  resize(780, 540);
  UpdateButtons();
}

TfrmArchive::~TfrmArchive() = default;

void TfrmArchive::ShowArchive() {
  show();
  raise();
  activateWindow();
  Refresh();
}

void TfrmArchive::closeEvent(QCloseEvent* event) {
  // The adding goes on without the window; its end shows when the window opens again.
  searchTimer_->stop();
  QDialog::closeEvent(event);
}

bool TfrmArchive::OpenArchive() {
  const QString path = service_.Path();
  if (archive_ != nullptr && archive_->Path() == path) return true;
  archive_.reset();
  ArchiveOpenOptions options;
  options.codePage = ctx_.Codec.CodePage();
  Outcome outcome;
  archive_ = Archive::Open(path, options, &outcome);
  if (archive_ == nullptr) status_->setText(ctx_.Decode(outcome.message));
  return archive_ != nullptr;
}

void TfrmArchive::Refresh() {
  searchTimer_->stop();
  std::vector<ArchiveBuilding> tree;
  if (OpenArchive()) {
    ArchiveFilter filter;
    filter.search = search_->text().trimmed();
    const Outcome listed = archive_->List(filter, tree);
    if (!listed.ok()) status_->setText(ctx_.Decode(listed.message));
  }
  Fill(tree);
}

void TfrmArchive::Fill(const std::vector<ArchiveBuilding>& tree) {
  // The line selected before, found again by its place and day.
  QStringList selected;
  for (QTreeWidgetItem* item = tree_->currentItem(); item != nullptr; item = item->parent())
    selected.prepend(item->text(0) + QLatin1Char('\t') + item->text(1));

  tree_->setUpdatesEnabled(false);
  tree_->clear();
  rooms_.clear();
  visits_.clear();
  QTreeWidgetItem* reselect = nullptr;
  const auto matches = [&](QTreeWidgetItem* item, int depth) {
    return depth < selected.size() &&
           selected[depth] == item->text(0) + QLatin1Char('\t') + item->text(1);
  };
  const QString tests = ctx_.Tr("ArchiveTests_20");
  const QString blocks = ctx_.Tr("ArchiveBlocks_20");
  const QString samples = ctx_.Tr("ArchiveSamples_20");
  for (const ArchiveBuilding& building : tree) {
    auto* b = new QTreeWidgetItem(tree_, {ctx_.Decode(building.name)});
    b->setData(0, kLineRole, kBuildingLine);
    const bool inBuilding = matches(b, 0);
    if (inBuilding && selected.size() == 1) reselect = b;
    for (const ArchiveRoom& room : building.rooms) {
      Room r{building.name, room.name, {}};
      std::set<int> quantities;
      for (const ArchiveVisit& v : room.visits) {
        for (const auto* items : {&v.tests, &v.blocks}) {
          for (const ArchiveItem& item : *items) {
            for (const int32_t c : item.codes) {
              const int q = (c - 1) / kStatistics + 1;
              if (c >= 1 && GraphQuantityOf(q) != nullptr) quantities.insert(q);
            }
          }
        }
      }
      r.quantities.assign(quantities.begin(), quantities.end());
      rooms_.push_back(std::move(r));
      const int roomIndex = static_cast<int>(rooms_.size()) - 1;
      auto* roomItem = new QTreeWidgetItem(b, {ctx_.Decode(room.name)});
      roomItem->setData(0, kLineRole, kRoomLine);
      roomItem->setData(0, kIndexRole, roomIndex);
      const bool inRoom = inBuilding && matches(roomItem, 1);
      if (inRoom && selected.size() == 2) reselect = roomItem;
      for (const ArchiveVisit& v : room.visits) {
        for (const bool logged : {false, true}) {
          const std::vector<ArchiveItem>& items = logged ? v.blocks : v.tests;
          if (items.empty()) continue;
          Visit visit{roomIndex, v.day, logged, {}};
          QStringList sources;
          QString files;
          DateTime first = items.front().begin, last = items.front().end;
          int sampleCount = 0;
          for (const ArchiveItem& item : items) {
            visit.ids.push_back(item.id);
            first = std::min(first, item.begin);
            last = std::max(last, item.end);
            sampleCount += item.sampleCount;
            if (!sources.contains(item.source)) sources.push_back(item.source);
          }
          for (const QString& s : sources)
            files += (files.isEmpty() ? QString() : QStringLiteral(", ")) + QFileInfo(s).fileName();
          QString contents =
              (logged ? blocks : tests) + QStringLiteral(": ") + QString::number(items.size());
          if (logged)
            contents += QStringLiteral(", ") + samples + QStringLiteral(": ") +
                        QString::number(sampleCount);
          contents +=
              QStringLiteral("   ") + TimeOfDay(first) + QStringLiteral(" - ") + TimeOfDay(last);
          auto* visitItem = new QTreeWidgetItem(
              roomItem, {QString::fromStdString(ShortDateText(v.day, ctx_.Language.LocaleName)),
                         contents, files});
          QStringList shown;
          for (const QString& s : sources)
            shown.push_back(QDir::toNativeSeparators(s));
          visitItem->setToolTip(2, shown.join(QLatin1Char('\n')));
          visitItem->setData(0, kLineRole, kVisitLine);
          visitItem->setData(0, kIndexRole, static_cast<int>(visits_.size()));
          visits_.push_back(std::move(visit));
          if (inRoom && selected.size() == 3 && matches(visitItem, 2)) reselect = visitItem;
        }
      }
    }
  }
  tree_->expandAll();
  // The places and contents in full; the file names take what is left.
  for (const int column : {0, 1}) {
    tree_->resizeColumnToContents(column);
    tree_->setColumnWidth(column, tree_->columnWidth(column) + 16);
  }
  tree_->setUpdatesEnabled(true);
  if (reselect != nullptr) {
    tree_->setCurrentItem(reselect);
  } else {
    SelectionChanged();
  }
  if (job_ == 0 && archive_ != nullptr) {
    int visitCount = static_cast<int>(visits_.size());
    status_->setText(
        ctx_.Tr("ArchiveBuildings_20") + QStringLiteral(": ") + QString::number(tree.size()) +
        QStringLiteral("    ") + ctx_.Tr("ArchiveRooms_20") + QStringLiteral(": ") +
        QString::number(rooms_.size()) + QStringLiteral("    ") + ctx_.Tr("ArchiveVisits_20") +
        QStringLiteral(": ") + QString::number(visitCount));
  }
}

const TfrmArchive::Room* TfrmArchive::SelectedRoom() const {
  QTreeWidgetItem* item = tree_->currentItem();
  if (item == nullptr) return nullptr;
  if (item->data(0, kLineRole).toInt() == kVisitLine) item = item->parent();
  if (item == nullptr || item->data(0, kLineRole).toInt() != kRoomLine) return nullptr;
  const int index = item->data(0, kIndexRole).toInt();
  return index >= 0 && index < static_cast<int>(rooms_.size()) ? &rooms_[static_cast<size_t>(index)]
                                                               : nullptr;
}

void TfrmArchive::SelectionChanged() {
  const int before = quantity_->currentData().toInt();
  quantity_->clear();
  if (const Room* room = SelectedRoom()) {
    for (const int q : room->quantities)
      quantity_->addItem(ctx_.Tr(GraphQuantityOf(q)->TitleKey), q);
    const int again = quantity_->findData(before);
    if (again >= 0) quantity_->setCurrentIndex(again);
  }
  UpdateButtons();
}

void TfrmArchive::UpdateButtons() {
  const QTreeWidgetItem* item = tree_->currentItem();
  const bool visit = item != nullptr && item->data(0, kLineRole).toInt() == kVisitLine;
  open_->setEnabled(visit && !(transferRunning_ && LockedWhileTransferring("btnArchiveOpen")));
  trend_->setEnabled(quantity_->count() > 0);
  quantity_->setEnabled(quantity_->count() > 0);
  addFiles_->setEnabled(job_ == 0);
  addFolder_->setEnabled(job_ == 0);
}

void TfrmArchive::TransferRunning(bool running) {
  transferRunning_ = running;
  UpdateButtons();
}

QTreeWidgetItem* TfrmArchive::FindVisit(const Bytes& building, const Bytes& room, int line) const {
  for (int b = 0; b < tree_->topLevelItemCount(); ++b) {
    QTreeWidgetItem* buildingItem = tree_->topLevelItem(b);
    if (buildingItem->text(0) != ctx_.Decode(building)) continue;
    for (int r = 0; r < buildingItem->childCount(); ++r) {
      QTreeWidgetItem* roomItem = buildingItem->child(r);
      if (roomItem->text(0) == ctx_.Decode(room) && line >= 0 && line < roomItem->childCount()) {
        return roomItem->child(line);
      }
    }
  }
  return nullptr;
}

void TfrmArchive::OpenVisit(QTreeWidgetItem* item) {
  if (item == nullptr || item->data(0, kLineRole).toInt() != kVisitLine) return;
  if (transferRunning_ && LockedWhileTransferring("btnArchiveOpen")) return;
  const int index = item->data(0, kIndexRole).toInt();
  if (index < 0 || index >= static_cast<int>(visits_.size()) || archive_ == nullptr) return;
  const Visit visit = visits_[static_cast<size_t>(index)];
  const Room room = rooms_[static_cast<size_t>(visit.room)];
  DocumentWorkspace& workspace = ctx_.Workspace;
  if (!workspace.ConfirmDiscard(host_, DiscardCommand::Replace)) return;
  // Read whole into a document of its own first: what cannot be read leaves the open one.
  Document doc;
  Outcome read;
  {
    const BusyCursor busy;
    read =
        visit.blocks ? archive_->LoadBlocks(visit.ids, doc) : archive_->LoadTests(visit.ids, doc);
  }
  if (!read.ok()) {
    host_.Message(MessageIcon::Warning, read.message);
    return;
  }
  const QString date = IsoDate(visit.day);
  const Bytes title = room.room + " " + date.toStdString();
  QString local = ctx_.Decode(room.room) + QLatin1Char(' ') + date + QStringLiteral(".QVL");
  local.replace(QLatin1Char('/'), QLatin1Char('-'));
  OpenOptions options;
  options.codePage = ctx_.Codec.CodePage();
  options.today = Now();
  const BusyCursor busy;
  workspace.InstallRead(std::move(doc), title, local.toStdString(), host_, options);
}

void TfrmArchive::ShowTrend() {
  const Room* room = SelectedRoom();
  if (room == nullptr || quantity_->count() == 0 || archive_ == nullptr) return;
  const int q = quantity_->currentData().toInt();
  ArchiveTrend trend;
  Outcome loaded;
  {
    const BusyCursor busy;
    loaded = LoadTrend(*archive_, room->building, room->room, q, ctx_.DisplayUnits(), trend);
  }
  if (!loaded.ok()) {
    prompter_.Message(this, ctx_.Decode(loaded.message), QMessageBox::Warning);
    return;
  }
  if (trend.values == 0) {
    prompter_.Message(this, ctx_.Tr("msgArchiveNoValues_50"), QMessageBox::Information);
    return;
  }
  // A window of its own beside the archive's: the main window's graph area belongs to the
  // open document's block, which Graph > Refresh draws again.
  auto* window = new TfrmGraphChild(ctx_, prompter_, q, trend.points, this);
  window->setWindowFlags(Qt::Window);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setObjectName(QStringLiteral("frmArchiveTrend"));
  window->setWindowTitle(ctx_.Tr("frmArchiveTrend_20") + QStringLiteral(": ") +
                         ctx_.Decode(room->building) + QStringLiteral(" / ") +
                         ctx_.Decode(room->room) + QStringLiteral(" - ") +
                         ctx_.Tr(GraphQuantityOf(q)->TitleKey));
  window->setWindowIcon(windowIcon());
  window->resize(820, 560);
  window->show();
  lastTrend_ = window;
  if (job_ == 0) {
    status_->setText(ctx_.Tr("ArchiveValues_20") + QStringLiteral(": ") +
                     QString::number(trend.values) + QStringLiteral("    ") +
                     ctx_.Tr("ArchiveVisits_20") + QStringLiteral(": ") +
                     QString::number(trend.visits));
  }
}

void TfrmArchive::AddFiles() {
  QFileDialog dialog(
      this, ctx_.Tr("btnArchiveAddFiles_20").remove(QLatin1Char('&')).remove(QStringLiteral("...")),
      TestResultsFolder(), QStringLiteral("Quorvantel Files (*.QVL *.qvl)"));
  dialog.setObjectName(QStringLiteral("odArchiveFiles"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  const QString first = prompter_.ChooseFile(dialog);
  if (first.isEmpty()) return;
  QStringList files = dialog.selectedFiles();
  if (!files.contains(first)) files = {first};
  AddPaths(files);
}

void TfrmArchive::AddFolder() {
  QFileDialog dialog(
      this,
      ctx_.Tr("btnArchiveAddFolder_20").remove(QLatin1Char('&')).remove(QStringLiteral("...")),
      TestResultsFolder());
  dialog.setObjectName(QStringLiteral("odArchiveFolder"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  const QString folder = prompter_.ChooseFile(dialog);
  if (!folder.isEmpty()) AddPaths({folder});
}

int TfrmArchive::AddPaths(const QStringList& paths) {
  if (job_ != 0 || paths.isEmpty()) return 0;
  job_ = service_.Add(paths);
  // Busy until the first file tells how many there are.
  progress_->setRange(0, 0);
  progress_->setVisible(true);
  cancel_->setVisible(true);
  cancel_->setEnabled(true);
  status_->setText(ctx_.Tr("ArchiveAdding_30"));
  UpdateButtons();
  return job_;
}

void TfrmArchive::FileDone(int job, int done, int total) {
  if (job != job_) return;
  progress_->setRange(0, total);
  progress_->setValue(done);
}

void TfrmArchive::JobFinished(const ArchiveJobResult& result) {
  const bool mine = result.job == job_ && job_ != 0;
  if (mine) {
    job_ = 0;
    progress_->setVisible(false);
    cancel_->setVisible(false);
  }
  if (isVisible()) Refresh();
  UpdateButtons();
  if (result.automatic) {
    // A saved or opened file: said in the status lines only when it failed, never in a box.
    const QString report = service_.QuietReport(result);
    if (!report.isEmpty()) status_->setText(report);
    return;
  }
  if (!result.opened.ok()) {
    status_->setText(ctx_.Decode(result.opened.message));
    if (mine) prompter_.Message(this, ctx_.Decode(result.opened.message), QMessageBox::Warning);
    return;
  }
  const ArchiveAddSummary& s = result.summary;
  if (!mine) return;
  QString text =
      ctx_.Tr("ArchiveAddedFiles_20") + QStringLiteral(": ") + QString::number(s.addedFiles) +
      QStringLiteral("    ") + ctx_.Tr("ArchiveSkippedFiles_30") + QStringLiteral(": ") +
      QString::number(s.skippedFiles) + QStringLiteral("    ") + ctx_.Tr("ArchiveFailedFiles_20") +
      QStringLiteral(": ") + QString::number(s.errors.size() + result.missing.size());
  if (s.cancelled) text += QStringLiteral("\n") + ctx_.Tr("ArchiveCancelled_60");
  status_->setText(text);
  QStringList failures;
  for (const QString& m : result.missing)
    failures.push_back(QDir::toNativeSeparators(m));
  for (const ArchiveFileResult& r : s.errors)
    failures.push_back(QDir::toNativeSeparators(r.path) + QStringLiteral(": ") +
                       ctx_.Decode(r.message));
  if (!s.outcome.ok()) failures.push_back(ctx_.Decode(s.outcome.message));
  if (failures.isEmpty()) return;
  const qsizetype all = failures.size();
  if (all > kListedFailures) {
    failures = failures.mid(0, kListedFailures);
    failures.push_back(QStringLiteral("(+%1)").arg(all - kListedFailures));
  }
  prompter_.Message(
      this,
      ctx_.Tr("msgArchiveNotAdded_50") + QStringLiteral("\n\n") + failures.join(QLatin1Char('\n')),
      QMessageBox::Warning);
}

}  // namespace qv

#include "download/BlockGrid.h"

#include "format/DateTimeText.h"

#include <QDate>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

namespace qv {
namespace {

const QColor kNavy(0, 0, 128);
const QColor kBlue(0, 0, 255);
constexpr int kGridLine = 1;

}  // namespace

BlockGrid::BlockGrid(const AppContext& ctx, QWidget* parent)
    : QAbstractScrollArea(parent), ctx_(ctx) {
  setObjectName(QStringLiteral("sgLoggList"));
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(2);
  setFocusPolicy(Qt::ClickFocus);  // not a tab stop
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  viewport()->setAutoFillBackground(true);
  QPalette pal = viewport()->palette();
  pal.setColor(QPalette::Window, pal.color(QPalette::Base));
  viewport()->setPalette(pal);
  viewport()->setBackgroundRole(QPalette::Window);
}

void BlockGrid::SetBlocks(const std::vector<TLoggerRecord>* blocks) {
  blocks_ = blocks;
  UpdateScrollRange();
  viewport()->update();
}

void BlockGrid::SetGeometryRules(const BlockListGeometry& geometry) {
  geometry_ = geometry;
  UpdateScrollRange();
  viewport()->update();
}

int BlockGrid::BlockCount() const {
  const int shown = geometry_.RowCount - 1;
  const int held = blocks_ ? static_cast<int>(blocks_->size()) : 0;
  return std::min(shown, held);
}

int BlockGrid::TopRow() const {
  return 1 + verticalScrollBar()->value();
}

void BlockGrid::UpdateScrollRange() {
  const int pitch = geometry_.RowHeight + kGridLine;
  const int visible = pitch > 0 ? std::max(1, viewport()->height() / pitch - 1) : 1;
  const int scrollable = std::max(0, geometry_.RowCount - 1 - visible);
  verticalScrollBar()->setRange(0, scrollable);
  verticalScrollBar()->setPageStep(visible);
  verticalScrollBar()->setSingleStep(1);
}

void BlockGrid::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollRange();
}

int BlockGrid::ColumnLeft(int column) const {
  int x = 0;
  for (int c = 0; c < column; ++c)
    x += geometry_.ColumnWidths[static_cast<size_t>(c)] + kGridLine;
  return x;
}

QRect BlockGrid::CellRect(int row, int column) const {
  const int pitch = geometry_.RowHeight + kGridLine;
  const int y = row == 0 ? 0 : (row - TopRow() + 1) * pitch;
  return QRect(ColumnLeft(column), y, geometry_.ColumnWidths[static_cast<size_t>(column)],
               geometry_.RowHeight);
}

QPoint BlockGrid::CellAt(const QPoint& pos) const {
  const int pitch = geometry_.RowHeight + kGridLine;
  if (pitch <= 0 || pos.x() < 0 || pos.y() < 0) return {-1, -1};
  int column = -1;
  for (int c = 0; c < 4; ++c) {
    const int left = ColumnLeft(c);
    if (pos.x() >= left && pos.x() < left + geometry_.ColumnWidths[static_cast<size_t>(c)]) {
      column = c;
    }
  }
  const int line = pos.y() / pitch;
  const int row = line == 0 ? 0 : TopRow() + line - 1;
  if (column < 0 || row > BlockCount()) return {-1, -1};
  return {column, row};
}

QString BlockGrid::CellText(int row, int column) const {
  if (row < 1 || row > BlockCount()) return {};
  const TLoggerRecord& block = (*blocks_)[static_cast<size_t>(row - 1)];
  switch (column) {
    case 0:
      return QString::number(row);
    case 1:
      return ctx_.Tr("Logging_10") + QLatin1Char(' ') + QString::number(row);
    case 2:
      return QString::fromStdString(ShortDateText(block.BeginTime, ctx_.Language.LocaleName));
    case 3:
      return QString::fromLatin1(MemoryShareText(block.SampleCount));
  }
  return {};
}

void BlockGrid::DrawFace(QPainter& p, const QRect& r, bool sunken) const {
  const QColor face = palette().color(QPalette::Button);
  const QColor light = Qt::white;
  const QColor shadow = palette().color(QPalette::Dark);
  p.fillRect(r, face);
  const QColor& upperLeft = sunken ? shadow : light;
  const QColor& lowerRight = sunken ? light : shadow;
  p.setPen(upperLeft);
  p.drawLine(r.topLeft(), r.topRight());
  p.drawLine(r.topLeft(), r.bottomLeft());
  p.setPen(lowerRight);
  p.drawLine(r.bottomLeft(), r.bottomRight());
  p.drawLine(r.topRight(), r.bottomRight());
}

void BlockGrid::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  const QFont normal = font();
  QFont bold = normal;
  bold.setBold(true);
  const int pitch = geometry_.RowHeight + kGridLine;
  const int voffset = (geometry_.RowHeight - QFontMetrics(normal).height()) / 2;
  const QColor gridLine = palette().color(QPalette::Mid);

  auto drawCentred = [&](const QRect& cell, const QString& text, const QFont& f, int dx, int dy) {
    p.setFont(f);
    const int width = QFontMetrics(f).horizontalAdvance(text);
    const int x = cell.left() + qRound((cell.width() - width) / 2.0) + dx;
    p.drawText(QRect(x, cell.top() + voffset + dy, width + 2, cell.height()),
               Qt::AlignLeft | Qt::AlignTop, text);
  };

  // Block rows first, then the header row over them.
  const int lastVisible = TopRow() + viewport()->height() / std::max(1, pitch);
  for (int row = TopRow(); row <= std::min(BlockCount(), lastVisible); ++row) {
    const bool selected = (*blocks_)[static_cast<size_t>(row - 1)].Selected == 1;
    for (int c = 0; c < 4; ++c) {
      const QRect cell = CellRect(row, c);
      p.setPen(gridLine);
      p.drawLine(cell.right() + 1, cell.top(), cell.right() + 1, cell.bottom() + 1);
      p.drawLine(cell.left(), cell.bottom() + 1, cell.right() + 1, cell.bottom() + 1);
      if (c == 0) {
        DrawFace(p, cell, selected);
        p.setPen(selected ? kBlue : palette().color(QPalette::ButtonText));
        drawCentred(cell, CellText(row, 0), bold, selected ? 1 : 0, selected ? 1 : 0);
        continue;
      }
      p.fillRect(cell, selected ? kNavy : QColor(Qt::white));
      p.setPen(selected ? QColor(Qt::white) : QColor(Qt::black));
      drawCentred(cell, CellText(row, c), normal, 0, 0);
    }
  }
  static const char* const kHeaderKeys[] = {"No_3", "Logging_10", "Date_10", "Memory_10"};
  for (int c = 0; c < 4; ++c) {
    const QRect cell = CellRect(0, c);
    p.setPen(gridLine);
    p.drawLine(cell.right() + 1, cell.top(), cell.right() + 1, cell.bottom() + 1);
    p.drawLine(cell.left(), cell.bottom() + 1, cell.right() + 1, cell.bottom() + 1);
    DrawFace(p, cell, false);
    p.setPen(palette().color(QPalette::ButtonText));
    drawCentred(cell, ctx_.Tr(kHeaderKeys[c]), bold, 0, 0);
  }
}

void BlockGrid::mousePressEvent(QMouseEvent* event) {
  wheelGuard_ = false;
  const QPoint cell = CellAt(event->position().toPoint());
  if (cell.y() >= 0) emit cellPressed(cell.y(), cell.x());
  event->accept();
}

void BlockGrid::wheelEvent(QWheelEvent* event) {
  wheelGuard_ = true;
  QAbstractScrollArea::wheelEvent(event);
}

void BlockGrid::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Left:
      // Turned into Left, which has nowhere to go: the keyboard never moves through the
      // rows, so it can never mark a block by accident.
      event->accept();
      return;
    default:
      QAbstractScrollArea::keyPressEvent(event);
  }
}

}  // namespace qv

#include "view/DrawTable.h"

#include "common/LocaleNumbers.h"
#include "view/SelectionText.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QRawFont>
#include <QScrollBar>
#include <QtMath>

#include <algorithm>

namespace qv {
namespace {

constexpr int kLine = 1;  // grid line width
const QColor kDataLine(192, 192, 192);
const QColor kFixedLine(0, 0, 0);
const QColor kBevelLight(255, 255, 255);
const QColor kBevelDark(128, 128, 128);

MouseButton ButtonOf(Qt::MouseButton b) {
  switch (b) {
    case Qt::LeftButton:
      return MouseButton::Left;
    case Qt::RightButton:
      return MouseButton::Right;
    default:
      return MouseButton::Other;
  }
}

}  // namespace

// Shaping a text is most of the cost of drawing it, and a table frame draws hundreds of
// numbers. Texts of the characters up to U+00FF (what the single-byte code pages give for
// digits, signs and the Latin letters) are laid out here from each character's glyph and
// advance instead; others go through the usual shaping.
struct TDrawTable::GlyphCache {
  explicit GlyphCache(const QFont& font) : raw(QRawFont::fromFont(font)) {
    if (!raw.isValid()) return;
    for (int c = 0; c < 256; ++c) {
      const QChar ch(c);
      quint32 glyph = 0;
      int n = 1;
      if (!raw.glyphIndexesForChars(&ch, 1, &glyph, &n) || n != 1 || glyph == 0) continue;
      QPointF advance;
      if (!raw.advancesForGlyphIndexes(&glyph, &advance, 1)) continue;
      glyphs[static_cast<size_t>(c)] = glyph;
      advances[static_cast<size_t>(c)] = advance.x();
    }
  }

  // Glyphs and pen positions of a text; false when a character is not in the cache.
  bool Layout(const QString& text, QList<quint32>& outGlyphs, QList<QPointF>& positions,
              qreal& width) const {
    outGlyphs.resize(text.size());
    positions.resize(text.size());
    qreal x = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
      const char16_t c = text[i].unicode();
      if (c > 0xFF || glyphs[c] == 0) return false;
      outGlyphs[i] = glyphs[c];
      positions[i] = QPointF(x, 0);
      x += advances[c];
    }
    width = x;
    return true;
  }

  QRawFont raw;
  std::array<quint32, 256> glyphs{};
  std::array<qreal, 256> advances{};
};

TDrawTable::~TDrawTable() = default;

TDrawTable::TDrawTable(AppContext& ctx, QWidget* parent) : QAbstractScrollArea(parent), ctx_(ctx) {
  setObjectName(QStringLiteral("dgrdDrawTable"));
  // The family the table was designed with, then look-alikes that Linux desktops carry.
  QFont f(QStringLiteral("MS Sans Serif"));
  f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                 QStringLiteral("DejaVu Sans"), QStringLiteral("Sans")});
  f.setPixelSize(12);
  setFont(f);
  bold_ = f;
  bold_.setBold(true);
  const QFontMetrics m(f);
  h_ = m.height();
  w_ = m.horizontalAdvance(QLatin1Char('H'));
  ascent_ = m.ascent();
  boldAscent_ = QFontMetrics(bold_).ascent();
  glyphs_ = std::make_unique<GlyphCache>(f);
  boldGlyphs_ = std::make_unique<GlyphCache>(bold_);

  setFocusPolicy(Qt::StrongFocus);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  viewport()->setAutoFillBackground(false);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  setContextMenuPolicy(Qt::CustomContextMenu);
}

CellContext TDrawTable::Context() const {
  return {ctx_.Texts, ctx_.DisplayUnits(), LocaleDecimalSeparator()};
}

TableMetrics TDrawTable::Metrics(int widestSignalCaption) const {
  const QFontMetrics m(font());
  const TextCodec& codec = ctx_.Codec;
  return {h_, w_, widestSignalCaption,
          [m, &codec](const Bytes& text) { return m.horizontalAdvance(codec.Decode(text)); }};
}

void TDrawTable::ApplyLayout(const TableLayout& layout) {
  layout_ = layout;
  ResetForLayout(state_, layout_.RowCount);
  cursorColumn_ = cursorRow_ = 1;
  UpdateScrollBars();
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  viewport()->update();
}

void TDrawTable::ClearLayout() {
  ApplyLayout(TableLayout{});
}

int TDrawTable::ColumnWidth(int column) const {
  return column >= 0 && column < static_cast<int>(layout_.ColumnWidths.size())
             ? layout_.ColumnWidths[static_cast<size_t>(column)]
             : 0;
}

int TDrawTable::VisibleRows() const {
  const int below = viewport()->height() - (layout_.HeaderRowHeight + kLine);
  return std::max(0, below / (layout_.DefaultRowHeight + kLine));
}

int TDrawTable::FittingColumns(int left) const {
  int room = viewport()->width() - (ColumnWidth(0) + kLine);
  int n = 0;
  for (int c = left; c < layout_.ColumnCount; ++c) {
    room -= ColumnWidth(c) + kLine;
    if (room < 0) break;
    ++n;
  }
  return n;
}

void TDrawTable::UpdateScrollBars() {
  const int dataRows = std::max(0, layout_.RowCount - 1);
  const int rows = std::max(1, VisibleRows());
  verticalScrollBar()->setRange(0, std::max(0, dataRows - rows));
  verticalScrollBar()->setPageStep(rows);
  verticalScrollBar()->setSingleStep(1);

  // The last left column from which every remaining column fits.
  int lastLeft = 1;
  if (layout_.ColumnCount > 1) {
    lastLeft = layout_.ColumnCount - 1;
    while (lastLeft > 1 && FittingColumns(lastLeft - 1) >= layout_.ColumnCount - lastLeft + 1) {
      --lastLeft;
    }
  }
  horizontalScrollBar()->setRange(0, lastLeft - 1);
  horizontalScrollBar()->setPageStep(std::max(1, FittingColumns(LeftColumn())));
  horizontalScrollBar()->setSingleStep(1);
}

int TDrawTable::TopRow() const {
  return 1 + verticalScrollBar()->value();
}

int TDrawTable::LeftColumn() const {
  return 1 + horizontalScrollBar()->value();
}

void TDrawTable::ScrollToRow(int row) {
  verticalScrollBar()->setValue(row - 1);
}

void TDrawTable::ScrollToColumn(int column) {
  horizontalScrollBar()->setValue(column - 1);
}

void TDrawTable::MakeVisible(int column, int row) {
  if (row >= 1) {
    const int rows = std::max(1, VisibleRows());
    if (row < TopRow()) {
      ScrollToRow(row);
    } else if (row >= TopRow() + rows) {
      ScrollToRow(row - rows + 1);
    }
  }
  if (column >= 1) {
    if (column < LeftColumn()) {
      ScrollToColumn(column);
    } else {
      while (LeftColumn() < column && column >= LeftColumn() + FittingColumns(LeftColumn())) {
        const int before = LeftColumn();
        ScrollToColumn(before + 1);
        if (LeftColumn() == before) break;
      }
    }
  }
}

QRect TDrawTable::CellRect(int column, int row) const {
  if (column < 0 || row < 0 || column >= layout_.ColumnCount || row >= layout_.RowCount) {
    return {};
  }
  int y = 0;
  int height = layout_.HeaderRowHeight;
  if (row > 0) {
    if (row < TopRow()) return {};
    y = layout_.HeaderRowHeight + kLine + (row - TopRow()) * (layout_.DefaultRowHeight + kLine);
    height = layout_.DefaultRowHeight;
  }
  int x = 0;
  if (column > 0) {
    if (column < LeftColumn()) return {};
    x = ColumnWidth(0) + kLine;
    for (int c = LeftColumn(); c < column; ++c)
      x += ColumnWidth(c) + kLine;
  }
  const QRect r(x, y, ColumnWidth(column), height);
  return r.intersects(viewport()->rect()) ? r : QRect();
}

bool TDrawTable::CellAt(const QPoint& p, int& column, int& row) const {
  column = row = -1;
  if (layout_.RowCount == 0 || p.x() < 0 || p.y() < 0) return false;
  if (p.y() < layout_.HeaderRowHeight + kLine) {
    row = 0;
  } else {
    row = TopRow() + (p.y() - layout_.HeaderRowHeight - kLine) / (layout_.DefaultRowHeight + kLine);
  }
  int x = ColumnWidth(0) + kLine;
  if (p.x() < x) {
    column = 0;
  } else {
    for (int c = LeftColumn(); c < layout_.ColumnCount; ++c) {
      x += ColumnWidth(c) + kLine;
      if (p.x() < x) {
        column = c;
        break;
      }
    }
  }
  if (column < 0 || row >= layout_.RowCount) {
    column = row = -1;
    return false;
  }
  return true;
}

// ---- Painting ----

void TDrawTable::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  PaintCells(painter, event->rect());
}

void TDrawTable::PaintCells(QPainter& painter, const QRect& area) {
  if (layout_.RowCount == 0 || layout_.ColumnCount == 0) {
    painter.fillRect(area, BackgroundColor());
    return;
  }
  const Document& doc = ctx_.Doc;
  const CellContext context = Context();
  const int viewW = viewport()->width();
  const int viewH = viewport()->height();

  // Rows and columns in sight, with their positions.
  rows_.clear();
  rows_.emplace_back(0, 0);
  int bottom = layout_.HeaderRowHeight + kLine;
  for (int r = TopRow(); r < layout_.RowCount && bottom < viewH; ++r) {
    rows_.emplace_back(r, bottom);
    bottom += layout_.DefaultRowHeight + kLine;
  }
  columns_.clear();
  columns_.emplace_back(0, 0);
  int right = ColumnWidth(0) + kLine;
  for (int c = LeftColumn(); c < layout_.ColumnCount && right < viewW; ++c) {
    columns_.emplace_back(c, right);
    right += ColumnWidth(c) + kLine;
  }
  // The cells cover the rest: only what lies beyond them gets the plain background.
  painter.fillRect(area.intersected(QRect(right, 0, viewW, viewH)), BackgroundColor());
  painter.fillRect(area.intersected(QRect(0, bottom, right, viewH)), BackgroundColor());

  fontBold_ = -1;
  for (const auto& [row, top] : rows_) {
    const int height = row == 0 ? layout_.HeaderRowHeight : layout_.DefaultRowHeight;
    if (top > area.bottom() || top + height + kLine <= area.top()) continue;
    for (const auto& [column, left] : columns_) {
      const int width = ColumnWidth(column);
      const QRect rect(left, top, width, height);
      if (left > area.right() || left + width + kLine <= area.left()) continue;
      const CellDrawing cell = TableCell(doc, state_, context, column, row);
      if (cell.Fill == CellFill::None) {
        painter.fillRect(QRect(left, top, width + kLine, height + kLine), BackgroundColor());
        continue;
      }
      DrawCell(painter, rect, cell);
      // The grid line right of and below the cell.
      const QColor& line = cell.Fill == CellFill::Fixed ? kFixedLine : kDataLine;
      painter.fillRect(QRect(rect.right() + 1, top, kLine, height + kLine), line);
      painter.fillRect(QRect(left, rect.bottom() + 1, width, kLine), line);
    }
  }
}

void TDrawTable::DrawCell(QPainter& painter, const QRect& rect, const CellDrawing& cell) {
  QColor background;
  switch (cell.Fill) {
    case CellFill::Fixed:
      background = palette().color(QPalette::Button);
      break;
    case CellFill::Location:
      background = LocationColor();
      break;
    case CellFill::Shaded:
      background = ShadedColor();
      break;
    default:
      background = PlainColor();
      break;
  }
  const bool selected = cell.Selected && cell.Fill != CellFill::Fixed;
  if (selected) background = SelectedColor();
  painter.fillRect(rect, background);
  if (cell.Fill == CellFill::Fixed) {
    // A raised edge, as fixed cells of a grid have.
    painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), kBevelLight);
    painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), kBevelLight);
    painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), kBevelDark);
    painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), kBevelDark);
  }
  if (cell.LineCount == 0) return;

  QColor text = Qt::black;
  if (selected) {
    text = Qt::white;
  } else if (cell.Chosen) {
    text = ChosenColor();
  }
  painter.setPen(text);
  for (int i = 0; i < cell.LineCount; ++i) {
    const CellLine& line = cell.Lines[static_cast<size_t>(i)];
    if (!line.Text.empty()) {
      DrawText(painter, ctx_.Decode(line.Text), cell.Bold, rect, line.X, line.Y);
    }
  }
}

void TDrawTable::DrawText(QPainter& painter, const QString& text, bool bold, const QRect& clip,
                          double xW, double yH) {
  const GlyphCache& cache = bold ? *boldGlyphs_ : *glyphs_;
  qreal advance = 0;
  const bool cached =
      cache.raw.isValid() && cache.Layout(text, glyphBuffer_, positionBuffer_, advance);
  if (!cached) {
    if (fontBold_ != static_cast<int>(bold)) {
      painter.setFont(bold ? bold_ : font());
      fontBold_ = bold;
    }
    advance = painter.fontMetrics().horizontalAdvance(text);
  }
  const int width = qCeil(advance);
  const int x = xW < 0 ? qRound(clip.left() + clip.width() / 2.0 - advance / 2.0)
                       : clip.left() + qRound(xW * w_);
  const int y = clip.top() + qRound(yH * h_);
  const bool fits = x >= clip.left() && x + width <= clip.left() + clip.width() &&
                    y + h_ <= clip.top() + clip.height();
  if (!fits) {
    painter.save();
    painter.setClipRect(clip);
  }
  const QPoint baseline(x, y + (bold ? boldAscent_ : ascent_));
  if (cached) {
    QGlyphRun run;
    run.setRawFont(cache.raw);
    run.setGlyphIndexes(glyphBuffer_);
    run.setPositions(positionBuffer_);
    painter.drawGlyphRun(baseline, run);
  } else {
    painter.drawText(baseline, text);
  }
  if (!fits) painter.restore();
}

void TDrawTable::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void TDrawTable::scrollContentsBy(int, int) {
  // Scrolling goes by whole rows and columns: everything moves.
  horizontalScrollBar()->setPageStep(std::max(1, FittingColumns(LeftColumn())));
  viewport()->update();
}

// ---- Mouse and keyboard ----

void TDrawTable::SelectWholeRow(int row) {
  ScrollToColumn(1);
  MakeVisible(1, row);
  Press(MouseButton::Left, false, 0, row);
}

void TDrawTable::SelectAll() {
  const qv::CellRect all = WholeTable(ctx_.Doc);
  if (all.Right < 1 || all.Bottom < 1) return;
  state_.Selection = all;
  state_.AnchorColumn = state_.AnchorRow = 1;
  cursorColumn_ = all.Right;
  cursorRow_ = all.Bottom;
  viewport()->update();
}

Bytes TDrawTable::SelectionText() const {
  return qv::SelectionText(ctx_.Doc, state_.Selection, Context());
}

void TDrawTable::Press(MouseButton button, bool shift, int column, int row) {
  const int columns = layout_.ColumnCount;
  const int rows = layout_.RowCount;
  const ClickEffects effects =
      ActiveView(ctx_.Doc) == TableView::Results
          ? ResultsMouseDown(ctx_.Doc, state_, button, column, row, columns, rows)
          : LoggingMouseDown(state_, button, shift, column, row, columns, rows);
  if (button == MouseButton::Left && column == 0 && state_.Selection.Top == row) {
    cursorColumn_ = state_.Selection.Right;
    cursorRow_ = row;
  }
  viewport()->update();
  emit clicked(effects);
}

void TDrawTable::mousePressEvent(QMouseEvent* event) {
  // A grid takes the focus with any press, so that leaving it is noticed.
  if (!hasFocus()) setFocus(Qt::MouseFocusReason);
  int column = -1;
  int row = -1;
  CellAt(event->position().toPoint(), column, row);
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  if (event->button() == Qt::LeftButton && column >= 1 && row >= 1) {
    PressCell(state_, column, row, layout_.ColumnCount, layout_.RowCount, shift);
    cursorColumn_ = column;
    cursorRow_ = row;
    dragging_ = true;
  }
  Press(ButtonOf(event->button()), shift, column, row);
  event->accept();
}

void TDrawTable::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_ || !(event->buttons() & Qt::LeftButton)) return;
  const QPoint p = event->position().toPoint();
  // Beyond the edges the drag scrolls, a row or column at a time.
  if (p.y() >= viewport()->height()) ScrollToRow(TopRow() + 1);
  if (p.y() < layout_.HeaderRowHeight && TopRow() > 1) ScrollToRow(TopRow() - 1);
  if (p.x() >= viewport()->width()) ScrollToColumn(LeftColumn() + 1);
  if (p.x() < ColumnWidth(0) && LeftColumn() > 1) ScrollToColumn(LeftColumn() - 1);
  int column = -1;
  int row = -1;
  const QPoint inside(std::clamp(p.x(), ColumnWidth(0) + kLine, viewport()->width() - 1),
                      std::clamp(p.y(), layout_.HeaderRowHeight + kLine, viewport()->height() - 1));
  if (!CellAt(inside, column, row)) {
    // Past the last row or column: the last one.
    column = column < 0 ? layout_.ColumnCount - 1 : column;
    row = row < 0 ? layout_.RowCount - 1 : row;
  }
  if (DragToCell(state_, column, row, layout_.ColumnCount, layout_.RowCount)) {
    cursorColumn_ = state_.Selection.Left == state_.AnchorColumn ? state_.Selection.Right
                                                                 : state_.Selection.Left;
    cursorRow_ =
        state_.Selection.Top == state_.AnchorRow ? state_.Selection.Bottom : state_.Selection.Top;
    viewport()->update();
  }
}

void TDrawTable::mouseReleaseEvent(QMouseEvent* event) {
  dragging_ = false;
  QAbstractScrollArea::mouseReleaseEvent(event);
}

void TDrawTable::keyPressEvent(QKeyEvent* event) {
  const int lastColumn = layout_.ColumnCount - 1;
  const int lastRow = layout_.RowCount - 1;
  if (lastColumn < 1 || lastRow < 1) {
    QAbstractScrollArea::keyPressEvent(event);
    return;
  }
  int column = cursorColumn_;
  int row = cursorRow_;
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  switch (event->key()) {
    case Qt::Key_Up:
      --row;
      break;
    case Qt::Key_Down:
      ++row;
      break;
    case Qt::Key_Left:
      --column;
      break;
    case Qt::Key_Right:
      ++column;
      break;
    case Qt::Key_PageUp:
      row -= std::max(1, VisibleRows());
      break;
    case Qt::Key_PageDown:
      row += std::max(1, VisibleRows());
      break;
    case Qt::Key_Home:
      if (ctrl) {
        row = 1;
      } else {
        column = 1;
      }
      break;
    case Qt::Key_End:
      if (ctrl) {
        row = lastRow;
      } else {
        column = lastColumn;
      }
      break;
    default:
      QAbstractScrollArea::keyPressEvent(event);
      return;
  }
  column = std::clamp(column, 1, lastColumn);
  row = std::clamp(row, 1, lastRow);
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  PressCell(state_, column, row, layout_.ColumnCount, layout_.RowCount, shift);
  cursorColumn_ = column;
  cursorRow_ = row;
  MakeVisible(column, row);
  // Moving the cell ends a row selection as a click on a cell does.
  Press(MouseButton::Left, false, column, row);
  event->accept();
}

void TDrawTable::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  // A pop-up menu or another window taking the keyboard leaves the table the current control.
  if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason) {
    return;
  }
  dragging_ = false;
  TableExit(state_);
  emit exited();
}

}  // namespace qv

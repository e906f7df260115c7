// The owner-drawn table of the main window (dgrdDrawTable): a scroll area whose viewport
// paints only the cells in sight, one fixed header row and one fixed number column, scrolled
// by whole rows and columns. It draws the active view of the document and applies the views'
// click rules; what a click enables or disables elsewhere goes out as a signal.
#pragma once

#include "common/AppContext.h"
#include "view/TableCells.h"
#include "view/TableLayout.h"
#include "view/TableMouse.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QList>
#include <QPointF>

#include <memory>
#include <utility>
#include <vector>

class QPainter;

namespace qv {

class TDrawTable : public QAbstractScrollArea {
  Q_OBJECT
 public:
  // Colours of the drawing tables.
  static QColor BackgroundColor() { return {255, 255, 225}; }
  static QColor SelectedColor() { return {0, 0, 128}; }
  static QColor LocationColor() { return {206, 255, 255}; }
  static QColor ShadedColor() { return {238, 255, 255}; }
  static QColor PlainColor() { return {206, 255, 255}; }
  static QColor ChosenColor() { return {255, 0, 0}; }

  explicit TDrawTable(AppContext& ctx, QWidget* parent = nullptr);
  ~TDrawTable() override;

  TableState& State() { return state_; }
  const TableState& State() const { return state_; }
  const TableLayout& Layout() const { return layout_; }

  // The measures the layout rules take from the table's font.
  TableMetrics Metrics(int widestSignalCaption) const;
  // Takes a layout; the table scrolls back to its first data row and column and the selection
  // returns to the first data cell.
  void ApplyLayout(const TableLayout& layout);
  // No rows and columns: nothing is drawn.
  void ClearLayout();

  // The first data row and column in sight.
  int TopRow() const;
  int LeftColumn() const;
  void ScrollToRow(int row);
  void ScrollToColumn(int column);
  // Scrolls so that a data cell is fully in sight.
  void MakeVisible(int column, int row);
  // Selects data row `row` whole, as a click in its number does, in sight from the first data
  // column.
  void SelectWholeRow(int row);
  // Every data cell becomes the selection (Select All).
  void SelectAll();
  // The text of the selection as Copy gives it, in the language's code page.
  Bytes SelectionText() const;
  // The cell under a viewport point; false outside the cells.
  bool CellAt(const QPoint& point, int& column, int& row) const;
  // A cell's rectangle in viewport coordinates; empty when it is not in sight.
  QRect CellRect(int column, int row) const;

  // Paints what lies in `area` (viewport coordinates): the painting of the viewport, also
  // used to measure it.
  void PaintCells(QPainter& painter, const QRect& area);

 signals:
  // A press was handled by the view's rules: the owner updates the commands and tells the
  // person about a refusal.
  void clicked(const qv::ClickEffects& effects);
  // The table lost the focus to another control (dgrdDrawTableExit).
  void exited();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void UpdateScrollBars();
  // Data rows that fit below the header, and the columns from `left` that fit beside column 0.
  int VisibleRows() const;
  int FittingColumns(int left) const;
  int ColumnWidth(int column) const;
  void DrawCell(QPainter& painter, const QRect& rect, const CellDrawing& cell);
  // Draws a text with its top left corner at (x, y), clipped to `clip` when it does not fit.
  void DrawText(QPainter& painter, const QString& text, bool bold, const QRect& clip, double xW,
                double yH);
  // Applies the view's rules to a press on (column, row) and reports the effects.
  void Press(MouseButton button, bool shift, int column, int row);
  CellContext Context() const;

  AppContext& ctx_;
  TableState state_;
  TableLayout layout_;
  QFont bold_;
  // Glyphs of the normal and the bold font: most texts are drawn without shaping them.
  struct GlyphCache;
  std::unique_ptr<GlyphCache> glyphs_;
  std::unique_ptr<GlyphCache> boldGlyphs_;
  int h_ = 0;
  int w_ = 0;
  int ascent_ = 0;
  int boldAscent_ = 0;
  // Working lists of a paint, kept to spare their allocation.
  std::vector<std::pair<int, int>> rows_;     // row, top
  std::vector<std::pair<int, int>> columns_;  // column, left
  QList<quint32> glyphBuffer_;
  QList<QPointF> positionBuffer_;
  int fontBold_ = -1;  // the painter's font: 0 normal, 1 bold, -1 not set yet
  bool dragging_ = false;
  // The moving corner of the selection (the anchor is the other one), for the keyboard.
  int cursorColumn_ = 1;
  int cursorRow_ = 1;
};

}  // namespace qv

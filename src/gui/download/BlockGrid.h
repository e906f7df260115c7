// The grid of the logging-block list: a header row that stays in place, one row per block,
// owner-drawn cells. It only draws and reports clicks; the dialog applies the rules.
#pragma once

#include "common/AppContext.h"
#include "download/BlockList.h"

#include <QAbstractScrollArea>
#include <vector>

namespace qv {

class BlockGrid : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit BlockGrid(const AppContext& ctx, QWidget* parent = nullptr);

  void SetBlocks(const std::vector<TLoggerRecord>* blocks);
  void SetGeometryRules(const BlockListGeometry& geometry);
  const BlockListGeometry& GeometryRules() const { return geometry_; }

  // Set by a wheel step, cleared by a mouse button press and when the list is shown.
  bool WheelGuard() const { return wheelGuard_; }
  void ClearWheelGuard() { wheelGuard_ = false; }

  // The cell under a point of the viewport; row -1 / column -1 outside the cells.
  QPoint CellAt(const QPoint& viewportPos) const;
  // The rectangle of a cell in viewport coordinates (rows scroll, row 0 stays on top).
  QRect CellRect(int row, int column) const;
  int TopRow() const;  // first block row shown below the header row

  // Texts of a block row's cells 1..3, as drawn.
  QString CellText(int row, int column) const;

 signals:
  // A press on cell (row, column); the dialog decides what it does.
  void cellPressed(int row, int column);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void UpdateScrollRange();
  int BlockCount() const;
  int ColumnLeft(int column) const;
  void DrawFace(QPainter& p, const QRect& r, bool sunken) const;

  const AppContext& ctx_;
  const std::vector<TLoggerRecord>* blocks_ = nullptr;
  BlockListGeometry geometry_;
  bool wheelGuard_ = false;
};

}  // namespace qv

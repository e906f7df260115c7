// The trend of one signal code in one room across its visits: every test value and logged
// sample the archive holds of it, over dates, in the display unit system. Tests are single
// points; each logging block is a line of its own. The chart looks as the graph windows do
// (title in its frame, legend above the plot, drag to zoom, right click for the whole range).
#pragma once

#include "archive/Archive.h"
#include "common/AppContext.h"

#include <qcustomplot.h>

#include <QWidget>

#include <utility>
#include <vector>

class QLabel;

namespace qv {

// What a trend shows, in the display unit system; times are day numbers.
struct TrendData {
  std::vector<std::pair<double, double>> tests;
  std::vector<std::vector<std::pair<double, double>>> blocks;  // by begin
  int visits = 0;  // days with a test or block begun
  int values = 0;
};

// The values of `code` in the room, converted from each record's unit system to `displayUnits`.
Outcome LoadTrend(Archive& archive, const Bytes& building, const Bytes& room, int code,
                  std::string_view displayUnits, TrendData& out);

// The chart's title: the code's quantity and statistic.
QString TrendCaption(const AppContext& ctx, int code);

class TTrendChart : public QCustomPlot {
  Q_OBJECT
 public:
  TTrendChart(const AppContext& ctx, int code, const TrendData& data, QWidget* parent = nullptr);
  // The points drawn: one per value.
  int PointCount() const;
  QStringList LegendNames() const;
  // The time axis' labels as drawn now.
  QStringList TimeLabels() const;
  void Unzoom();

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QCPRange timeRange_;
  QCPRange valueRange_;
};

class TfrmArchiveTrend : public QWidget {
  Q_OBJECT
 public:
  TfrmArchiveTrend(AppContext& ctx, const Bytes& building, const Bytes& room, int code,
                   const TrendData& data, QWidget* parent = nullptr);
  TTrendChart* Chart() const { return chart_; }
  QString StatusText() const;

 private:
  TTrendChart* chart_;
  QLabel* status_;
};

}  // namespace qv

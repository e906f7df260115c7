// The chart of one quantity of a logging block (chLoger): the title in its red frame, the legend
// in a row of its own above the plot, the time axis with labels that never crowd, the value axis
// with its fixed bounds and floor, the four statistic series and a cursor line on a layer of its
// own. The graph window puts boxes and a status bar around it; the command-line tool paints it
// without a window. Printing and pictures go through one routine, so that what the tool writes
// is what Graph > Print prints.
#pragma once

#include "graph/GraphData.h"

#include <qcustomplot.h>

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <string_view>
#include <vector>

class QPagedPaintDevice;

namespace qv {

class TextCatalog;
class TextCodec;
class TimeAxisTicker;

// The chart's translated texts for a display unit system.
struct GraphChartTexts {
  QString Title;
  QString TimeAxis;
  QString ValueAxis;
  std::array<QString, kStatistics> Series;  // Current, Minimum, Average, Maximum
};
GraphChartTexts ChartTextsFor(int q, std::string_view displayUnits, const TextCatalog& texts,
                              const TextCodec& codec);

// What a chart draws, made ready: the statistics of a logged quantity, or a series computed from
// the block's samples (drawn as its Current statistic).
struct ChartContent {
  GraphChartTexts Texts;
  AxisBounds Bounds;
  std::array<StatisticBox, kStatistics> Boxes{};
  // The points of the checked statistics; a value above 1.05 x the upper bound is drawn at it.
  GraphSeriesData Data;
  // Points gathered across visits: no line joins two days, and where the time labels are a day
  // or more apart they show the date alone.
  bool SeparateDays = false;
};
// The chart of quantity `q` of `block` in `displayUnits`.
ChartContent LoggedChartContent(const GraphChartTexts& texts, const TLoggerRecord& block, int q,
                                std::string_view displayUnits);
// The chart of quantity `q` from points gathered elsewhere (a room's values across visits, in
// `displayUnits`); a statistic with points is shown.
ChartContent TrendChartContent(const GraphChartTexts& texts, int q, const GraphSeriesData& points,
                               std::string_view displayUnits);

class TGraphChart : public QCustomPlot {
  Q_OBJECT
 public:
  // The chart of quantity `q` of `block` in `displayUnits`.
  TGraphChart(const GraphChartTexts& texts, const TLoggerRecord& block, int q,
              std::string_view displayUnits, QWidget* parent = nullptr);
  // A chart of prepared content; `q` is what Quantity() gives.
  TGraphChart(const ChartContent& content, int q, QWidget* parent = nullptr);

  int Quantity() const { return q_; }
  const AxisBounds& Bounds() const { return bounds_; }
  const GraphSeriesData& Data() const { return data_; }
  // The statistic boxes as the block allows them at the start.
  const std::array<StatisticBox, kStatistics>& InitialBoxes() const { return boxes_; }

  // Shows or hides a statistic's series; the points stay. The legend names the shown ones,
  // always in the order Current, Minimum, Average, Maximum (then the limit lines).
  void SetStatisticShown(int statistic, bool shown);
  bool StatisticShown(int statistic) const;
  QStringList LegendNames() const;

  // A limit of the quantity (display units) as a horizontal line across the block in a colour
  // of its own, named in the legend after the statistics; none removes it. The window's value
  // range widens to show the line, and so does the view when it showed the whole range.
  enum class LimitSide { Upper, Lower };
  void SetLimitLine(LimitSide side, std::optional<double> value, const QString& legendName = {});
  std::optional<double> LimitLine(LimitSide side) const;
  static QColor LimitLineColour(LimitSide side);

  // A curve fitted to part of the block (times in date-time days, values in the display units),
  // drawn in a colour of its own and named in the legend after the limit lines; no points
  // remove it.
  void SetFitCurve(const std::vector<GraphPoint>& points, const QString& legendName = {});
  bool FitCurveShown() const;
  static QColor FitCurveColour();

  // The statistics' markers at every point (as a new chart has them) or lines alone.
  void SetMarkersShown(bool shown);

  // Back to the whole block and the window's value range.
  void Unzoom();
  // The cursor line at `time` (date-time, days); none hides it. Only the line's own layer is
  // drawn again: a whole replot per mouse move is too slow.
  void ShowCursor(std::optional<double> time);
  bool CursorShown() const;
  // The chart's background: the window's colour on screen, white on paper.
  void SetPaperLook(bool paper);
  // Texts and legend for a chart of `size` (its own on screen, a page's or a picture's when it
  // is painted there): smaller titles in small charts, the value title giving way to its unit,
  // the legend in two rows where one does not fit.
  void FitTexts(QSize size);

  // The time-axis labels as drawn now: their texts and pixel spans (for checks of overlap).
  struct TickLabel {
    QString Text;
    double Left = 0;
    double Right = 0;
  };
  std::vector<TickLabel> TimeLabels();

  // Axis-time conversions: the chart counts seconds since 1970, the store days since 1899.
  static double ToAxis(double days);
  static double FromAxis(double seconds);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void RebuildLegend();
  // The legend's width in one row, taken again when its entries change.
  void MeasureLegend();
  QCPRange ValueRange() const;

  int q_;
  AxisBounds bounds_;
  GraphSeriesData data_;
  std::array<StatisticBox, kStatistics> boxes_{};
  std::array<QCPGraph*, kStatistics> graphs_{};
  std::array<bool, kStatistics> shown_{};
  QCPTextElement* title_ = nullptr;
  QString valueTitle_;
  int legendFullWidth_ = 0;  // the legend with every statistic in one row
  QSharedPointer<TimeAxisTicker> ticker_;
  QCPLayer* cursorLayer_ = nullptr;
  QCPItemStraightLine* cursor_ = nullptr;
  std::array<QCPGraph*, 2> limitGraphs_{};  // upper, lower; created when first set
  std::array<std::optional<double>, 2> limits_;
  QCPGraph* fit_ = nullptr;    // created when first set
  double floor_ = 0;           // the value axis never goes below it
  bool separateDays_ = false;  // no line joins points of different days
};

// Paints `chart` into `target` (device coordinates) as it looks on screen: laid out anew at the
// target's size in screen pixels (96 per inch), so that its fonts and lines keep their on-screen
// sizes while it fills the whole rectangle. No cursor line, white background. `painter` must be
// active on the target device.
void PaintChart(TGraphChart& chart, QCPPainter& painter, const QRect& target, double deviceDpi);

// One landscape page per chart on a printer or PDF writer, each chart filling its page.
bool PrintCharts(const std::vector<TGraphChart*>& charts, QPagedPaintDevice& device);

// The chart as a picture; the kind follows the name's suffix (.png, .svg, .pdf). `size` (empty:
// the chart's own) is the picture's size in screen pixels. False, with the reason in `error`,
// when it could not be written; an earlier file of that name is then left as it was.
bool SaveChartImage(TGraphChart& chart, const QString& path, QSize size, QString* error);

}  // namespace qv

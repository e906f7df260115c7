// A graph window (frmGraphChild): the chart of one quantity of the current logging block, boxes
// that show and hide its four statistics, drag-to-zoom above the value floor, right-click
// un-zoom, and in the active window the read-out of the values under the mouse with a cursor
// line. Below the chart the survey of the stretch shown (minimum, mean, maximum, time beyond
// the quantity's limits, which the chart draws as lines); a CO2 window fits the air change
// rate to a stretch dragged over with Shift held.
#pragma once

#include "chart/GraphChart.h"
#include "common/AppContext.h"
#include "common/Prompter.h"
#include "survey/Survey.h"

#include <QWidget>
#include <array>
#include <functional>
#include <optional>

class QCheckBox;
class QDoubleSpinBox;
class QGridLayout;
class QLabel;
class QPrinter;

namespace qv {

class TfrmGraphChild : public QWidget {
  Q_OBJECT
 public:
  // Builds the window of quantity `q` for `block` in the display unit system.
  // `prompter` answers the picture's save dialog.
  TfrmGraphChild(AppContext& ctx, Prompter& prompter, int q, const TLoggerRecord& block,
                 QWidget* parent = nullptr);
  // The window of a series computed from the block: `id` (below 1, what Quantity() gives)
  // names no logged quantity; `statusSuffix` follows the statistic names in the status panels
  // (" %: ").
  TfrmGraphChild(AppContext& ctx, Prompter& prompter, int id, const QString& caption,
                 const ChartContent& content, const Bytes& statusSuffix, QWidget* parent = nullptr);
  // A window of points gathered elsewhere (a room's values across visits, display units).
  TfrmGraphChild(AppContext& ctx, Prompter& prompter, int q, const GraphSeriesData& points,
                 QWidget* parent = nullptr);

  int Quantity() const { return q_; }
  // A window of a computed series rather than of a logged quantity.
  bool Computed() const { return q_ < 1; }
  TGraphChart* Plot() const { return plot_; }
  // The chart never shrinks below this, however many windows share the area.
  void SetMinimumChartSize(const QSize& size);
  QCheckBox* StatisticBox(int statistic) const { return boxes_[static_cast<size_t>(statistic)]; }
  // The five status panels: the four statistics, then the date and time.
  QString StatusText(int panel) const;
  QLabel* StatusPanel(int panel) const { return status_[static_cast<size_t>(panel)]; }
  // The read-out for a mouse at time `x` (date-time, days): as a mouse move over the plot.
  void ShowReadout(double x);
  // The status texts at rest, no cursor line.
  void ResetReadout();
  const AxisBounds& Bounds() const { return plot_->Bounds(); }
  // The chart on `printer`, scaled into the whole page, without the cursor line.
  bool Print(QPrinter& printer);
  // The chart as a picture file; the kind follows the name's suffix (.png, .svg, .pdf).
  // False, with the reason in `error`, when it could not be written.
  bool SaveImage(const QString& path, QString* error);
  // Graph > Save Graph as Image: asks for the file (PNG, SVG or PDF) and writes it.
  void SaveImageAs();
  bool CursorShown() const;
  // Whether this window is the active graph window: only that one follows the mouse.
  bool IsActiveGraph() const;

  // The quantity's limits in the display units: drawn as lines, counted in the statistics of
  // the stretch shown.
  void SetLimits(const QuantityLimits& limits);
  // The statistics of the samples the time axis shows now, and the panel that shows them.
  QuantityStatistics ShownStatistics() const;
  SampleRange ShownSamples() const;
  QLabel* StatisticsPanel() const { return rangePanel_; }

  // CO2 windows: the air change rate over the samples from `from` to `to` (date-time, days), as
  // a Shift-drag over the chart fits it, with the outdoor concentration of the window's box.
  // Every other window has no air change panel and ignores it.
  void FitAirChange(double from, double to);
  bool HasAirChangePanel() const { return airChangePanel_ != nullptr; }
  QLabel* AirChangePanel() const { return airChangePanel_; }
  QDoubleSpinBox* OutdoorBox() const { return outdoor_; }
  // The last fit, whether it succeeded or not; none before the first.
  const std::optional<AirChangeOutcome>& LastAirChange() const { return airChange_; }
  // Called with each successful fit (the survey report lists them).
  void SetAirChangeHandler(std::function<void(const AirChangeRequest&)> handler) {
    airChangeHandler_ = std::move(handler);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 public:
  // Room for the chart's minimum size with the survey panels wrapped at the narrowest width the
  // chart allows: tiling and cascading never make a window that squeezes them onto the chart.
  QSize minimumSizeHint() const override;

 protected:
 private:
  void StatisticToggled(int statistic);
  void ShowContextMenu(const QPoint& globalPos);
  // Narrow windows: the status panels in two rows.
  void FitStatusPanels();
  // The survey panels' heights for their wrapped texts at the window's width.
  void FitSurveyPanels();
  // How much taller the survey panels are at content width `width` than they are now.
  int SurveyPanelsGrowth(int width) const;
  // The width a survey panel gets beside its neighbours in a content width of `contentWidth`.
  int PanelWidth(const QLabel* panel, int contentWidth) const;
  void ShowShownStatistics();
  void ShowAirChange();
  void EndFitDrag();
  QString Number(double v, int decimals) const;
  QString UnitText() const;

  AppContext& ctx_;
  Prompter& prompter_;
  int q_;
  TGraphChart* plot_;
  std::array<QCheckBox*, kStatistics> boxes_{};
  std::array<QLabel*, 5> status_{};
  QGridLayout* statusGrid_ = nullptr;
  bool statusInTwoRows_ = false;
  Bytes suffix_;

  // The block's times and this quantity's current values (the statistics and the fit read
  // them; the document may be replaced while the window is open).
  TLoggerRecord block_;
  std::string units_;
  QuantityLimits limits_;
  QLabel* rangePanel_ = nullptr;
  QLabel* airChangePanel_ = nullptr;
  QDoubleSpinBox* outdoor_ = nullptr;
  bool fitDrag_ = false;  // the selection rectangle being dragged is a fit's, not a zoom's
  std::optional<AirChangeOutcome> airChange_;
  std::function<void(const AirChangeRequest&)> airChangeHandler_;
};

}  // namespace qv

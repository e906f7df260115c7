#include "survey/SurveyPainter.h"

#include "chart/GraphChart.h"
#include "format/DateTimeText.h"
#include "format/NumberText.h"
#include "graph/GraphData.h"
#include "report/ReportPainter.h"
#include "view/CalcParameters.h"

#include <qcustomplot.h>

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace qv {
namespace {

const QColor kBandGrey(0xC0, 0xC0, 0xC0);
constexpr double kLine = 1.0;  // pen width of the report's lines, in report pixels
constexpr double kLeft = 12;   // the tables' left and right edges inside the page frame
constexpr double kRight = kReportBandWidth - 12;
constexpr int kTextPx = 12;
constexpr int kHeadingPx = 13;
constexpr int kSmallestPx = 9;
constexpr double kRowH = 20;             // a table row of one line
constexpr double kLineH = 19;            // a line of the description and the comfort summary
constexpr double kGap = 8;               // between the page header and the first piece, and so on
constexpr double kGraphGap = 14;         // between the two graphs of a page
constexpr int kMostMarkedSamples = 240;  // a third of the graph's width in pixels

// The statistics table's columns: quantity, unit, samples, minimum, mean, maximum, limit, hours
// beyond, share beyond (widths in report pixels, kLeft to kRight).
constexpr std::array<double, 9> kStatColumns = {160, 46, 64, 68, 66, 70, 68, 72, 80};
// The air change table's: start, end, samples, outdoor CO2, rate, R².
constexpr std::array<double, 6> kAchColumns = {150, 150, 70, 94, 130, 100};

template <size_t N>
std::array<double, N + 1> Edges(const std::array<double, N>& widths) {
  std::array<double, N + 1> edges{};
  edges[0] = kLeft;
  for (size_t i = 0; i < N; ++i)
    edges[i + 1] = edges[i] + widths[i];
  return edges;
}

// A text wider than its room is drawn smaller, down to a readable size, and then cut short.
QFont Fitted(const QFont& f, const QString& text, double room) {
  const double width = QFontMetricsF(f).horizontalAdvance(text);
  if (width <= room || room <= 0) return f;
  QFont smaller = f;
  smaller.setPixelSize(std::max(std::min(kSmallestPx, f.pixelSize()),
                                static_cast<int>(f.pixelSize() * room / width)));
  return smaller;
}

// Text in a cell, vertically centred on `middle`, a few pixels clear of its sides.
void DrawCell(QPainter& p, const QFont& font, double left, double right, double middle,
              const QString& text, Qt::Alignment align = Qt::AlignHCenter) {
  const double room = right - left - 8;
  const QFont f = Fitted(font, text, room);
  const QFontMetricsF m(f);
  const QString shown = room > 0 ? m.elidedText(text, Qt::ElideRight, room) : text;
  const double width = m.horizontalAdvance(shown);
  const double x = align == Qt::AlignLeft ? left + 4 : std::round((left + right - width) / 2);
  p.setFont(f);
  p.drawText(QPointF(x, std::round(middle - m.height() / 2 + m.ascent())), shown);
}

// Text with its top at y, cut short at `room`.
void DrawAt(QPainter& p, const QFont& font, double x, double y, const QString& text, double room) {
  const QFont f = Fitted(font, text, room);
  const QFontMetricsF m(f);
  p.setFont(f);
  p.drawText(QPointF(x, y + m.ascent()), m.elidedText(text, Qt::ElideRight, room));
}

void HLine(QPainter& p, double x1, double x2, double y) {
  p.drawLine(QPointF(x1, y), QPointF(x2, y));
}

// The grey header of a table: its captions centred and wrapped in their columns.
// An empty caption joins its column to the one before.
template <size_t N>
void PaintTableHeader(QPainter& p, double top, double height, const std::array<double, N>& edges,
                      const std::vector<QString>& captions) {
  p.fillRect(QRectF(edges.front(), top, edges.back() - edges.front(), height), kBandGrey);
  HLine(p, edges.front(), edges.back(), top);
  HLine(p, edges.front(), edges.back(), top + height);
  const QFont f = SansFont(kTextPx, true);
  for (size_t i = 0; i + 1 < edges.size(); ++i) {
    size_t end = i + 1;
    while (end + 1 < edges.size() && end < captions.size() && captions[end].isEmpty())
      ++end;
    p.drawLine(QPointF(edges[i], top), QPointF(edges[i], top + height));
    const QString caption = i < captions.size() ? captions[i] : QString();
    const QRectF cell(edges[i] + 2, top + 2, edges[end] - edges[i] - 4, height - 4);
    // Shrunk until it fits its cell wrapped at the blanks, down to a readable size.
    QFont fitted = f;
    for (;;) {
      const QRectF need =
          QFontMetricsF(fitted).boundingRect(cell, Qt::AlignCenter | Qt::TextWordWrap, caption);
      if (fitted.pixelSize() <= kSmallestPx ||
          (need.height() <= cell.height() && need.width() <= cell.width()))
        break;
      fitted.setPixelSize(fitted.pixelSize() - 1);
    }
    p.setFont(fitted);
    p.drawText(cell, Qt::AlignCenter | Qt::TextWordWrap, caption);
    i = end - 1;
  }
  p.drawLine(QPointF(edges.back(), top), QPointF(edges.back(), top + height));
}

template <size_t N>
void PaintRowLines(QPainter& p, double top, double height, const std::array<double, N>& edges) {
  HLine(p, edges.front(), edges.back(), top + height);
  for (const double x : edges)
    p.drawLine(QPointF(x, top), QPointF(x, top + height));
}

// "Metabolic rate:" as a label of its own: the colon the dialog puts after it goes.
QString WithoutColon(QString text) {
  text = text.trimmed();
  while (text.endsWith(QLatin1Char(':')))
    text.chop(1);
  return text.trimmed();
}

}  // namespace

SurveyPainter::SurveyPainter(const SurveySource& source) : source_(source) {
  const TLoggerRecord& block = *source_.Block;
  survey_ = ComputeSurvey(block, source_.Request);
  for (const QuantityStatistics& s : survey_.Quantities)
    codes_.push_back(FirstCodeOf(s.Quantity));

  if (source_.Comfort && survey_.Range.Count > 0) {
    const bool whole = survey_.Range == WholeBlock(block);
    BlockComfort result =
        whole ? AnalyseBlockComfort(block, *source_.Comfort)
              : AnalyseBlockComfort(SliceBlock(block, survey_.Range), *source_.Comfort);
    if (result.ok()) {
      result.Samples = {};  // the summary is all the report shows
      comfort_ = std::move(result);
    } else {
      comfortMissingParameters_ = !result.Missing.AirTemp && !result.Missing.Humidity;
    }
  }

  AddDescription();
  if (survey_.Range.Count == 0) {
    AddPiece(2 * kLineH, [this](QPainter& p, double top) {
      DrawAt(p, SansFont(kTextPx, true), kLeft, top + kLineH / 2, Tr("msgSurveyNoSamples_50"),
             kRight - kLeft);
    });
  } else {
    AddStatistics();
    AddComfort();
    AddAirChanges();
  }
  const double textEnd = Paginate(bands_.PageHeader + bands_.Title + kGap);
  if (survey_.Range.Count > 0) PlaceGraphs(textEnd);
}

SurveyPainter::~SurveyPainter() = default;

std::vector<int> SurveyPainter::GraphsOnPage(int page) const {
  std::vector<int> quantities;
  if (page < 0 || page >= PageCount()) return quantities;
  for (const PlacedGraph& graph : pages_[static_cast<size_t>(page)].Graphs)
    quantities.push_back(graph.Quantity);
  return quantities;
}

QString SurveyPainter::Tr(const char* key) const {
  return source_.Codec->Decode(source_.Texts->Translate(key));
}

QString SurveyPainter::Text(const Bytes& bytes) const {
  return source_.Codec->Decode(bytes);
}

QString SurveyPainter::Number(double v, int decimals) const {
  return Text(FormatFixed(v, decimals, source_.DecimalSeparator));
}

QString SurveyPainter::When(DateTime t) const {
  return Text(FormatDayTime(t, 2));
}

QString SurveyPainter::UnitOf(int q) const {
  const GraphQuantity* g = GraphQuantityOf(q);
  const char* key = g == nullptr                           ? nullptr
                    : source_.Request.DisplayUnits == "US" ? g->UnitKeyUS
                                                           : g->UnitKeySI;
  return key == nullptr ? QString() : Tr(key);
}

void SurveyPainter::AddPiece(double height, std::function<void(QPainter&, double)> paint,
                             bool keepWithNext, int repeatHeader) {
  pieces_.push_back({height, keepWithNext, repeatHeader, std::move(paint)});
}

void SurveyPainter::AddHeading(const QString& text) {
  const QFont f = SansFont(kHeadingPx, true, true, true);
  const double h = QFontMetricsF(f).height();
  AddPiece(
      kGap + h + 6,
      [f, text](QPainter& p, double top) { DrawAt(p, f, kLeft, top + kGap, text, kRight - kLeft); },
      true);
}

void SurveyPainter::AddDescription() {
  const TLoggerRecord& block = *source_.Block;
  AddHeading(Tr("qrlSurveyBlock_30") + QLatin1Char(' ') + QString::number(source_.BlockNumber));

  using Pair = std::pair<QString, QString>;
  std::vector<Pair> left = {
      {Tr("HouseName_8"), Text(block.BuildingName)},
      {Tr("RoomName_8"), Text(block.RoomName)},
      {Tr("BeginTime_10"), When(survey_.Start)},
      {Tr("EndTime_10"), When(survey_.End)},
  };
  if (!(survey_.Range == WholeBlock(block))) {
    left.emplace_back(Tr("qrlSurveyWholeBlock_30"),
                      When(block.BeginTime) + QStringLiteral(" \u2013 ") + When(BlockEnd(block)));
  }
  QString units = QString::fromStdString(source_.Request.DisplayUnits);
  if (Text(block.UnitSystem) != units && !block.UnitSystem.empty())
    units += QStringLiteral(" (") + Text(block.UnitSystem) + QLatin1Char(')');
  std::vector<Pair> right = {
      {Tr("lbLogInter_20"), QString::number(block.IntervalSec) + QStringLiteral(" s")},
      {Tr("lbNumOfRes_20"), QString::number(survey_.Range.Count)},
      {Tr("lbLogUnits_20"), units},
  };
  // A block without calculation parameters carries zeros (or -1) in every field.
  const bool parameters = block.Params.Altitude > 0 || block.Params.SideA > 0 ||
                          block.Params.SideB > 0 || block.Params.Radius > 0 ||
                          block.Params.MetabolicRate > 0 || block.Params.Clothing > 0;
  if (parameters) {
    const ParameterTexts params = DescribeParameters(block.Params, source_.DecimalSeparator);
    const auto add = [&](const char* key, const Bytes& value, const char* unit = "") {
      if (!value.empty())
        right.emplace_back(WithoutColon(Tr(key)), Text(value) + QString::fromLatin1(unit));
    };
    add("lbAltitude1_15", params.Altitude);
    if (params.SidesEnabled) {
      add("lbSide_a1_15", params.SideA);
      add("lbSide_b1_15", params.SideB);
    }
    if (params.RadiusEnabled) add("lbRadius_r1_15", params.Radius);
    if (BlockMetabolicRate(block)) add("lbMetabolic1_15", params.MetabolicRate, " met");
    // Clothing as the comfort summary gives it, to the hundredth (0.75 clo).
    if (const std::optional<double> clo = BlockClothing(block))
      right.emplace_back(WithoutColon(Tr("lbClothing1_15")),
                         Number(*clo, 2) + QStringLiteral(" clo"));
  }

  const QFont label = SansFont(kTextPx, false, true);
  const QFont value = SansFont(kTextPx);
  const auto labelWidth = [&](const std::vector<Pair>& pairs) {
    double w = 0;
    for (const Pair& pair : pairs)
      w = std::max(w, QFontMetricsF(label).horizontalAdvance(pair.first));
    return std::min(w + 12, 170.0);
  };
  const double middle = kReportBandWidth / 2.0;
  const double leftLabels = labelWidth(left);
  const double rightLabels = labelWidth(right);
  const size_t rows = std::max(left.size(), right.size());
  AddPiece(static_cast<double>(rows) * kLineH + 4, [=](QPainter& p, double top) {
    const auto column = [&](const std::vector<Pair>& pairs, double x, double labels, double end) {
      double y = top + 2;
      for (const Pair& pair : pairs) {
        DrawAt(p, label, x, y, pair.first, labels - 8);
        DrawAt(p, value, x + labels, y, pair.second, end - x - labels);
        y += kLineH;
      }
    };
    column(left, kLeft + 4, leftLabels, middle - 8);
    column(right, middle + 4, rightLabels, kRight);
  });
}

void SurveyPainter::AddStatistics() {
  if (survey_.Quantities.empty()) return;
  AddHeading(Tr("qrlSurveyStatistics_30"));
  const auto edges = Edges(kStatColumns);
  const std::vector<QString> captions = {Tr("qrlSurveyQuantity_20"), QString(),
                                         Tr("qrlSurveySamples_20"),  Tr("LogSerTit2_8"),
                                         Tr("LogSerTit3_8"),         Tr("LogSerTit4_8"),
                                         Tr("qrlSurveyLimit_20"),    Tr("qrlSurveyHours_20"),
                                         Tr("qrlSurveyShare_20")};
  const int header = static_cast<int>(pieces_.size());
  AddPiece(
      36,
      [edges, captions](QPainter& p, double top) { PaintTableHeader(p, top, 36, edges, captions); },
      true);

  for (const QuantityStatistics& s : survey_.Quantities) {
    const GraphQuantity* g = GraphQuantityOf(s.Quantity);
    const int decimals = SurveyDecimals(s.Quantity, source_.Request.DisplayUnits);
    const auto value = [&](const std::optional<double>& v, int d) {
      return v ? Number(*v, d) : QStringLiteral("---");
    };
    std::vector<QString> cells = {Tr(g->CaptionKey),           UnitOf(s.Quantity),
                                  QString::number(s.Count),    value(s.Min, decimals),
                                  value(s.Mean, decimals + 1), value(s.Max, decimals)};
    // One line per limit: "> 1000" with the hours and share above it, "< 18.0" below.
    std::vector<std::array<QString, 3>> limits;
    if (s.Limit) {
      const LimitResult& l = *s.Limit;
      const auto share = [&](const std::optional<double>& v) {
        return v ? Number(*v, 1) + QStringLiteral(" %") : QStringLiteral("---");
      };
      const auto limitText = [&](double v) {
        QString t = Number(v, decimals + 2);
        if (t.contains(QLatin1Char(source_.DecimalSeparator))) {
          while (t.endsWith(QLatin1Char('0')))
            t.chop(1);
          if (t.endsWith(QLatin1Char(source_.DecimalSeparator))) t.chop(1);
        }
        return t;
      };
      if (l.Upper)
        limits.push_back({QStringLiteral("> ") + limitText(*l.Upper), Number(l.HoursAbove, 2),
                          share(l.ShareAbove)});
      if (l.Lower)
        limits.push_back({QStringLiteral("< ") + limitText(*l.Lower), Number(l.HoursBelow, 2),
                          share(l.ShareBelow)});
    }
    const double height = kRowH * static_cast<double>(std::max<size_t>(1, limits.size()));
    AddPiece(
        height,
        [edges, cells, limits, height](QPainter& p, double top) {
          PaintRowLines(p, top, height, edges);
          const QFont f = SansFont(kTextPx);
          const double middle = top + height / 2;
          DrawCell(p, SansFont(kTextPx, true), edges[0], edges[1], middle, cells[0], Qt::AlignLeft);
          for (size_t c = 1; c < cells.size(); ++c)
            DrawCell(p, f, edges[c], edges[c + 1], middle, cells[c]);
          if (limits.empty()) {
            for (size_t c = 6; c < 9; ++c)
              DrawCell(p, f, edges[c], edges[c + 1], middle, QStringLiteral("---"));
          }
          for (size_t k = 0; k < limits.size(); ++k) {
            const double lineMiddle = top + kRowH * (static_cast<double>(k) + 0.5);
            for (size_t c = 0; c < 3; ++c)
              DrawCell(p, f, edges[c + 6], edges[c + 7], lineMiddle, limits[k][c]);
          }
        },
        false, header);
  }
}

void SurveyPainter::AddComfort() {
  if (comfortMissingParameters_) {
    const QFont f = SansFont(kTextPx, false, true);
    const QString text = Tr("qrlComfortNoInputs_70");
    AddPiece(kGap + kLineH + 4, [f, text](QPainter& p, double top) {
      DrawAt(p, f, kLeft, top + kGap + 2, text, kRight - kLeft);
    });
    return;
  }
  if (!comfort_) return;
  const ComfortInputs& in = comfort_->Inputs;
  const ComfortSummary& sum = comfort_->Summary;
  AddHeading(Tr("qrlSurveyComfort_50"));
  const auto given = [&](InputSource from) {
    return from == InputSource::Given
               ? QStringLiteral(" (") + Tr("qrlComfortGiven_20") + QLatin1Char(')')
               : QString();
  };
  std::vector<std::pair<QString, QString>> lines;
  lines.emplace_back(
      WithoutColon(Tr("lbMetabolic1_15")),
      Number(in.MetabolicRate, 1) + QStringLiteral(" met") + given(in.MetabolicRateFrom));
  lines.emplace_back(WithoutColon(Tr("lbClothing1_15")),
                     Number(in.Clothing, 2) + QStringLiteral(" clo") + given(in.ClothingFrom));
  const QString celsius = Tr("Unit-Cels_10");
  switch (in.RadiantFrom) {
    case InputSource::Block:
      lines.emplace_back(Tr("qrlComfortRadiant_40"), Tr("qrlComfortFromGlobe_40"));
      break;
    case InputSource::Given:
      lines.emplace_back(Tr("qrlComfortRadiant_40"),
                         Number(source_.Comfort->RadiantTemp.value_or(0), 1) + QLatin1Char(' ') +
                             celsius + given(InputSource::Given));
      break;
    case InputSource::Assumed:
      lines.emplace_back(Tr("qrlComfortRadiant_40"), Tr("qrlComfortAsAir_50"));
      break;
  }
  switch (in.VelocityFrom) {
    case InputSource::Block:
      lines.emplace_back(Tr("labAirVel_25"), Tr("qrlComfortLogged_20"));
      break;
    case InputSource::Given:
      lines.emplace_back(Tr("labAirVel_25"), Number(source_.Comfort->AirVelocity.value_or(0), 2) +
                                                 QStringLiteral(" m/s") +
                                                 given(InputSource::Given));
      break;
    case InputSource::Assumed:
      lines.emplace_back(Tr("labAirVel_25"), Number(kAssumedAirVelocity, 2) +
                                                 QStringLiteral(" m/s (") +
                                                 Tr("qrlComfortAssumed_20") + QLatin1Char(')'));
      break;
  }
  lines.emplace_back(
      Tr("qrlComfortEvaluated_40"),
      QString::number(sum.Evaluated) + QStringLiteral(" / ") + QString::number(sum.Samples));
  const QString outside = Tr("qrlComfortOutside_20");
  const auto shares = [&](const auto& values, const std::vector<QString>& names) {
    if (!values) return QStringLiteral("---");
    QString text;
    for (size_t k = 0; k < names.size(); ++k) {
      if (k > 0) text += QStringLiteral("    ");
      text += names[k] + QLatin1Char(' ') + Number((*values)[k], 1) + QStringLiteral(" %");
    }
    return text;
  };
  lines.emplace_back(QStringLiteral("ISO 7730"),
                     shares(sum.Iso7730Shares, {QStringLiteral("A"), QStringLiteral("B"),
                                                QStringLiteral("C"), outside}));
  lines.emplace_back(
      QStringLiteral("EN 16798-1"),
      shares(sum.En16798Shares, {QStringLiteral("I"), QStringLiteral("II"), QStringLiteral("III"),
                                 QStringLiteral("IV"), outside}));
  const auto spread = [&](const std::optional<ValueSpread>& v, int decimals, const QString& unit) {
    if (!v) return QStringLiteral("---");
    const QString u = unit.isEmpty() ? QString() : QLatin1Char(' ') + unit;
    return Tr("LogSerTit2_8") + QLatin1Char(' ') + Number(v->Min, decimals) + u +
           QStringLiteral("    ") + Tr("LogSerTit3_8") + QLatin1Char(' ') +
           Number(v->Mean, decimals) + u + QStringLiteral("    ") + Tr("LogSerTit4_8") +
           QLatin1Char(' ') + Number(v->Max, decimals) + u;
  };
  lines.emplace_back(Tr("labPMV_25"), spread(sum.Pmv, 2, QString()));
  lines.emplace_back(Tr("labPPD_25"), spread(sum.Ppd, 1, QStringLiteral("%")));
  lines.emplace_back(Tr("qrlComfortDraught_30"), spread(sum.DraughtRate, 1, QStringLiteral("%")));
  if (in.WbgtLogged) {
    lines.emplace_back(
        Tr("qrlComfortWbgtAbove_50") + QStringLiteral(" (") + Number(in.WbgtReferenceValue, 1) +
            QLatin1Char(' ') + celsius + QLatin1Char(')'),
        sum.WbgtAboveReference ? Number(*sum.WbgtAboveReference, 1) + QStringLiteral(" %")
                               : QStringLiteral("---"));
  }
  const QFont label = SansFont(kTextPx, false, true);
  const QFont value = SansFont(kTextPx);
  double labels = 0;
  for (const auto& line : lines)
    labels = std::max(labels, QFontMetricsF(label).horizontalAdvance(line.first));
  labels = std::min(labels + 14, 300.0);
  AddPiece(static_cast<double>(lines.size()) * kLineH + 4, [=](QPainter& p, double top) {
    double y = top + 2;
    for (const auto& [text, shown] : lines) {
      DrawAt(p, label, kLeft + 4, y, text, labels - 10);
      DrawAt(p, value, kLeft + 4 + labels, y, shown, kRight - kLeft - 4 - labels);
      y += kLineH;
    }
  });
}

void SurveyPainter::AddAirChanges() {
  if (survey_.AirChanges.empty()) return;
  AddHeading(Tr("qrlSurveyAirChange_50"));
  const auto edges = Edges(kAchColumns);
  const std::vector<QString> captions = {Tr("BeginTime_10"),        Tr("EndTime_10"),
                                         Tr("qrlSurveySamples_20"), Tr("qrlOutdoorCo2_30"),
                                         Tr("qrlAirChangeRate_30"), QStringLiteral("R\u00B2")};
  const int header = static_cast<int>(pieces_.size());
  AddPiece(
      36,
      [edges, captions](QPainter& p, double top) { PaintTableHeader(p, top, 36, edges, captions); },
      true);
  const QString ppm = Tr("Unit-Ppm_10");
  for (const AirChangeOutcome& a : survey_.AirChanges) {
    std::vector<QString> cells = {When(a.From), When(a.To), QString::number(a.Fit.Samples),
                                  Number(a.Request.OutdoorPpm, 0) + QLatin1Char(' ') + ppm};
    QString refusal;
    switch (a.Fit.Problem) {
      case AirChangeProblem::None:
        cells.push_back(Number(a.Fit.PerHour, 2) + QStringLiteral(" h\u207B\u00B9"));
        cells.push_back(Number(a.Fit.R2, 3));
        break;
      case AirChangeProblem::TooFewSamples:
        refusal = Tr("qrlAchTooFew_50");
        break;
      case AirChangeProblem::NotFalling:
        refusal = Tr("qrlAchRising_50");
        break;
      case AirChangeProblem::AtOrBelowOutdoor:
        refusal = Tr("qrlAchOutdoor_60");
        break;
    }
    AddPiece(
        kRowH,
        [edges, cells, refusal](QPainter& p, double top) {
          PaintRowLines(p, top, kRowH, edges);
          const QFont f = SansFont(kTextPx);
          const double middle = top + kRowH / 2;
          for (size_t c = 0; c < cells.size(); ++c)
            DrawCell(p, f, edges[c], edges[c + 1], middle, cells[c]);
          if (!refusal.isEmpty()) {
            // The reason spans the rate and R² columns.
            p.fillRect(QRectF(edges[4] + 0.5, top + 0.5, edges[6] - edges[4] - 1, kRowH - 1),
                       Qt::white);
            DrawCell(p, SansFont(kTextPx, false, true), edges[4], edges[6], middle, refusal);
          }
        },
        false, header);
  }
}

double SurveyPainter::Paginate(double firstTop) {
  const double top = bands_.PageHeader + kGap;
  const double bottom = bands_.Page - bands_.FooterChild - bands_.PageFooter - kGap;
  pages_.emplace_back();
  double y = firstTop;
  for (size_t i = 0; i < pieces_.size(); ++i) {
    // A heading or a table header comes with what follows it.
    double need = pieces_[i].Height;
    for (size_t k = i; k + 1 < pieces_.size() && pieces_[k].KeepWithNext; ++k)
      need += pieces_[k + 1].Height;
    if (y + need > bottom && !pages_.back().Pieces.empty()) {
      pages_.emplace_back();
      y = top;
      const int header = pieces_[i].RepeatHeader;
      if (header >= 0) {
        pages_.back().Pieces.push_back({header, y});
        y += pieces_[static_cast<size_t>(header)].Height;
      }
    }
    pages_.back().Pieces.push_back({static_cast<int>(i), y});
    y += pieces_[i].Height;
  }
  return y;
}

void SurveyPainter::PlaceGraphs(double textEnd) {
  // Two graphs fill a page; the first may stand below the text where the page has room left.
  const double top = bands_.PageHeader + kGap;
  const double bottom = bands_.Page - bands_.FooterChild - bands_.PageFooter - kGap;
  const double height = (bottom - top - kGraphGap) / 2;
  double y = textEnd + kGraphGap;
  for (const QuantityStatistics& s : survey_.Quantities) {
    if (y + height > bottom + 0.5) {
      pages_.emplace_back();
      y = top;
    }
    pages_.back().Graphs.push_back({s.Quantity, y});
    y += height + kGraphGap;
  }
}

bool SurveyPainter::Print(QPagedPaintDevice& device) const {
  QCPPainter p;
  if (!p.begin(&device)) return false;
  const double sx = device.logicalDpiX() / 96.0;
  const double sy = device.logicalDpiY() / 96.0;
  for (int page = 0; page < PageCount(); ++page) {
    if (page > 0 && !device.newPage()) {
      p.end();
      return false;
    }
    p.save();
    p.scale(sx, sy);
    PaintPage(p, page);
    p.restore();
  }
  return p.end();
}

void SurveyPainter::PaintPage(QCPPainter& p, int page) const {
  p.setPen(QPen(Qt::black, kLine));
  p.setBrush(Qt::NoBrush);
  PaintReportPageHeader(p, bands_, Tr("qrlPageHeader_50"));
  if (page == 0) {
    PaintReportTitle(p, bands_.PageHeader, *source_.Header, codes_, *source_.Texts, *source_.Codec,
                     source_.LocaleName);
  }
  if (page >= 0 && page < PageCount()) {
    const Page& content = pages_[static_cast<size_t>(page)];
    for (const Placed& placed : content.Pieces) {
      p.save();
      p.setPen(QPen(Qt::black, kLine));
      pieces_[static_cast<size_t>(placed.Piece)].Paint(p, placed.Top);
      p.restore();
    }
    const double top = bands_.PageHeader + kGap;
    const double bottom = bands_.Page - bands_.FooterChild - bands_.PageFooter - kGap;
    const double height = (bottom - top - kGraphGap) / 2;
    for (const PlacedGraph& graph : content.Graphs)
      PaintGraph(p, graph.Quantity, QRectF(6, graph.Top, kReportBandWidth - 12, height));
  }
  p.setPen(QPen(Qt::black, kLine));
  PaintReportPageFooter(p, bands_, Text(source_.Header->Texts.Lines[PrintHeader::Footer]),
                        Tr("qrlPage_12"), page + 1);
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(0, 0, kReportBandWidth, bands_.Page));
}

void SurveyPainter::PaintGraph(QCPPainter& p, int q, const QRectF& area) const {
  const std::string& units = source_.Request.DisplayUnits;
  TGraphChart chart(ChartTextsFor(q, units, *source_.Texts, *source_.Codec), *source_.Block, q,
                    units);
  const QuantityLimits& limits = source_.Request.Limits[static_cast<size_t>(q - 1)];
  const QString unit = UnitOf(q);
  const auto name = [&](const char* key, double v) {
    QString text = Tr(key) + QLatin1Char(' ') + Text(FormatGeneral(v, source_.DecimalSeparator));
    if (!unit.isEmpty()) text += QLatin1Char(' ') + unit;
    return text;
  };
  if (limits.Upper)
    chart.SetLimitLine(TGraphChart::LimitSide::Upper, limits.Upper,
                       name("qrlUpperLimit_20", *limits.Upper));
  if (limits.Lower)
    chart.SetLimitLine(TGraphChart::LimitSide::Lower, limits.Lower,
                       name("qrlLowerLimit_20", *limits.Lower));
  chart.xAxis->setRange(TGraphChart::ToAxis(survey_.Start), TGraphChart::ToAxis(survey_.End));
  // Markers where they can be told apart; denser samples would only thicken the line, at the
  // cost of a marker each in the file.
  chart.SetMarkersShown(survey_.Range.Count <= kMostMarkedSamples);
  // Device pixels: the chart lays itself out at the target's size in screen pixels.
  const QTransform& t = p.transform();
  const QRect target = t.mapRect(area).toAlignedRect();
  const double dpi = 96.0 * std::hypot(t.m11(), t.m12());
  p.save();
  p.resetTransform();
  PaintChart(chart, p, target, dpi);
  p.restore();
}

Outcome WriteSurveyPdf(const QString& path, const SurveySource& source) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    return Outcome::Failure(file.errorString().toLocal8Bit().toStdString());
  {
    QPdfWriter pdf(&file);
    pdf.setCreator(QStringLiteral("Quorvantel"));
    pdf.setTitle(source.Codec->Decode(source.Texts->Translate("qrlPageHeader_50")));
    SetReportPageLayout(pdf);
    if (!SurveyPainter(source).Print(pdf)) {
      file.cancelWriting();
      return Outcome::Failure("The survey report could not be painted into " + path.toStdString());
    }
  }
  if (!file.commit()) return Outcome::Failure(file.errorString().toLocal8Bit().toStdString());
  return Outcome::Success();
}

}  // namespace qv

#include "report/ReportPainter.h"

#include "format/DateTimeText.h"
#include "print/HeaderLimits.h"
#include "store/SignalCatalog.h"

#include <QDate>
#include <QFontMetricsF>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_map>

namespace qv {
namespace {

const QColor kBandGrey(0xC0, 0xC0, 0xC0);
constexpr double kLine = 1.0;      // pen width of the report's lines, in report pixels
constexpr size_t kMaxColumns = 4;  // the table header's choice
constexpr int kCaptionPx = 12;
constexpr int kLabelPx = 13;
constexpr int kPageTitlePx = 16;
constexpr double kProbeWidth = 74;  // a probe's column less a gap, so that names never overlap

constexpr std::array<const char*, kReportProbes> kProbeNames = {
    "lbTemp_12",  "lbHum_12", "lbAirV_12", "lbIlum_12", "lbThCoup_12",
    "lbGlobe_12", "lbLum_12", "lbCO2_12",  "lbCO_12",   "lbAdap_12"};

QFont Font(const ReportFont& font) {
  return SansFont(font.Px, font.Bold);
}

double Ascent(const QFont& f) {
  return QFontMetricsF(f).ascent();
}

// Text with its top at y, as the report's labels place it.
void DrawAt(QPainter& p, const QFont& f, double x, double y, const QString& text) {
  p.setFont(f);
  p.drawText(QPointF(x, y + Ascent(f)), text);
}

// A text wider than its room is drawn smaller rather than across its neighbours or the frame
// (the desktop's sans-serif fonts run wider than the one the layout was drawn for); below a
// readable size it is cut short instead.
constexpr int kSmallestPx = 9;

QFont Fitted(const QFont& f, const QString& text, double room) {
  const double width = QFontMetricsF(f).horizontalAdvance(text);
  if (width <= room || room <= 0) return f;
  QFont smaller = f;
  smaller.setPixelSize(std::max(std::min(kSmallestPx, f.pixelSize()),
                                static_cast<int>(f.pixelSize() * room / width)));
  return smaller;
}

QString Shortened(const QFont& f, const QString& text, double room) {
  return room > 0 ? QFontMetricsF(f).elidedText(text, Qt::ElideRight, room) : text;
}

// Text centred between left and right, whole pixels as a row's texts.
void DrawCentred(QPainter& p, const QFont& font, double left, double right, double y,
                 const QString& text) {
  // A few pixels clear of the separators and the frame on either side.
  const double room = right - left - 8;
  // Nearly every text fits: measured once and drawn (a report of 65536 tests draws half a
  // million of them).
  const QFontMetricsF metrics(font);
  const double natural = metrics.horizontalAdvance(text);
  if (natural <= room || room <= 0) {
    p.setFont(font);
    p.drawText(QPointF(std::round(left + (right - left) / 2 - natural / 2), y + metrics.ascent()),
               text);
    return;
  }
  const QFont f = Fitted(font, text, room);
  const QString shown = Shortened(f, text, room);
  const double width = QFontMetricsF(f).horizontalAdvance(shown);
  DrawAt(p, f, std::round(left + (right - left) / 2 - width / 2), y, shown);
}

// Text at x within a room of the given width.
void DrawWithin(QPainter& p, const QFont& font, double x, double y, double room,
                const QString& text) {
  const QFont f = Fitted(font, text, room);
  DrawAt(p, f, x, y, Shortened(f, text, room));
}

void HLine(QPainter& p, double x1, double x2, double y) {
  p.drawLine(QPointF(x1, y), QPointF(x2, y));
}

}  // namespace

QFont SansFont(int pixelSize, bool bold, bool italic, bool underline) {
  QFont f(QStringLiteral("MS Sans Serif"));
  f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                 QStringLiteral("DejaVu Sans"), QStringLiteral("Sans")});
  f.setPixelSize(pixelSize);
  f.setBold(bold);
  f.setItalic(italic);
  f.setUnderline(underline);
  return f;
}

void SetReportPageLayout(QPagedPaintDevice& device) {
  device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                   QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
}

ReportPainter::ReportPainter(const ReportSource& source) : source_(source), rowFont_(SansFont(12)) {
  const Document& doc = *source_.Doc;
  codes_ = doc.ReportCodes;
  if (codes_.size() > kMaxColumns) codes_.resize(kMaxColumns);

  const QFontMetricsF m(rowFont_);
  rowH_ = m.height();
  const auto width = [&](const Bytes& text) { return m.horizontalAdvance(Text(text)); };

  ReportColumnMetrics metrics;
  metrics.W = m.horizontalAdvance(QLatin1Char('H'));
  metrics.CaptionWidth = WidestSignalCaption(
      *source_.Texts, [&](const Bytes& line) { return static_cast<int>(std::ceil(width(line))); });
  // Names repeat from test to test: each is measured once.
  std::unordered_map<Bytes, double> measured;
  for (int row = 0; row < doc.ShownTestCount(); ++row) {
    const TTestsRecord* test = doc.ShownTest(row);
    if (test == nullptr) continue;
    for (const Bytes* name : {&test->BuildingName, &test->RoomName}) {
      const auto [at, added] = measured.try_emplace(*name, 0.0);
      if (added) at->second = width(*name);
      metrics.WidestLocation = std::max(metrics.WidestLocation, at->second);
    }
  }
  metrics.LocationCaption =
      QFontMetricsF(SansFont(kCaptionPx, true)).horizontalAdvance(Tr("Location_10"));
  metrics.TimeText = width(FormatDayTime(source_.Now, 2));
  edges_ = LayoutReportColumns(metrics, static_cast<int>(codes_.size()));

  bands_.Row = static_cast<int>(std::lround(3 * m.height()));
  // The lines the header dialog measured, so that what it let through fits here.
  for (const Bytes& line : CommentLines(source_.Header->Texts.Comments))
    comments_.push_back(Text(line));
  if (!comments_.empty()) {
    bands_.Summary = static_cast<int>(std::ceil(
        16 + QFontMetricsF(SansFont(kLabelPx, true, true, true)).height() +
        static_cast<double>(comments_.size()) * QFontMetricsF(Font(kCommentFont)).height()));
  }
  pages_ = PaginateReport(doc.ShownTestCount(), bands_);
  int first = 0;
  for (const int rows : pages_) {
    firstRow_.push_back(first);
    first += rows;
  }
}

QString ReportPainter::Tr(const char* key) const {
  return source_.Codec->Decode(source_.Texts->Translate(key));
}

QString ReportPainter::Text(const Bytes& bytes) const {
  return source_.Codec->Decode(bytes);
}

bool ReportPainter::Print(QPagedPaintDevice& device) const {
  QPainter p;
  if (!p.begin(&device)) return false;
  const double sx = device.logicalDpiX() / 96.0;
  const double sy = device.logicalDpiY() / 96.0;
  for (int page = 0; page < PageCount(); ++page) {
    if (page > 0 && !device.newPage()) return false;
    p.save();
    p.scale(sx, sy);
    PaintPage(p, page);
    p.restore();
  }
  return p.end();
}

void ReportPainter::PaintPage(QPainter& p, int page) const {
  p.setPen(QPen(Qt::black, kLine));
  double y = 0;
  PaintPageHeader(p);
  y += bands_.PageHeader;
  if (page == 0) {
    PaintTitle(p, y);
    y += bands_.Title;
  }
  PaintColumnHeader(p, y);
  y += bands_.ColumnHeader;
  const int rows = pages_[static_cast<size_t>(page)];
  for (int r = 0; r < rows; ++r) {
    PaintRow(p, y, firstRow_[static_cast<size_t>(page)] + r);
    y += bands_.Row;
  }
  if (page == PageCount() - 1 && bands_.Summary > 0) PaintSummary(p, y);
  PaintPageFooter(p, page);
  // The frame around the printable area.
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(0, 0, kReportBandWidth, bands_.Page));
}

void ReportPainter::PaintPageHeader(QPainter& p) const {
  PaintReportPageHeader(p, bands_, Tr("qrlPageHeader_50"));
}

void PaintReportPageHeader(QPainter& p, const ReportBands& bands, const QString& title) {
  p.fillRect(QRectF(0, 0, kReportBandWidth, bands.PageHeader), kBandGrey);
  HLine(p, 0, kReportBandWidth, bands.PageHeader);
  const QFont f = SansFont(kPageTitlePx, true, true);
  DrawCentred(p, f, 0, kReportBandWidth, (bands.PageHeader - QFontMetricsF(f).height()) / 2, title);
}

void ReportPainter::PaintTitle(QPainter& p, double top) const {
  PaintReportTitle(p, top, *source_.Header, codes_, *source_.Texts, *source_.Codec,
                   source_.LocaleName);
}

void PaintReportTitle(QPainter& p, double top, const ReportHeader& h, const std::vector<int>& codes,
                      const TextCatalog& texts, const TextCodec& codec,
                      const std::string& localeName) {
  const auto Tr = [&](const char* key) { return codec.Decode(texts.Translate(key)); };
  const auto Text = [&](const Bytes& bytes) { return codec.Decode(bytes); };
  const PrintHeader& t = h.Texts;
  const QFont label = SansFont(kLabelPx, true, true, true);
  const QFont caption = SansFont(kCaptionPx, false, true, true);
  const QFont value = SansFont(kLabelPx);
  const QFont probe = Font(kProbeTextFont);
  const auto at = [&](const QFont& f, double x, double y, const QString& text) {
    DrawAt(p, f, x, top + y, text);
  };
  const auto within = [&](const QFont& f, double x, double y, double room, const QString& text) {
    DrawWithin(p, f, x, top + y, room, text);
  };

  at(label, 40, 17, Tr("qrlOperator_30"));
  within(Font(kOperator1Font), 24, 40, 350, Text(t.Lines[PrintHeader::Operator1]));
  within(Font(kOperator2Font), 24, 64, 350, Text(t.Lines[PrintHeader::Operator2]));
  at(label, 398, 16, Tr("qrlTestSite_30"));
  within(Font(kTestSite1Font), 382, 40, 330, Text(t.Lines[PrintHeader::TestSite1]));
  within(Font(kTestSite2Font), 382, 64, 330, Text(t.Lines[PrintHeader::TestSite2]));
  p.fillRect(QRectF(25, top + 98, 669, 2), Qt::black);

  at(label, 41, 110, Tr("qrlInstrumentsData_30"));
  at(caption, 41, 134, Tr("qrlType_8"));
  within(value, 94, 132, 140, Text(h.InstrumentType));
  at(caption, 238, 134, Tr("qrlSerNo_12"));
  within(value, 306, 132, 190, Text(h.SerialNumber));
  at(caption, 41, 156, Tr("qrlCode_8"));
  within(value, 94, 156, 140, Text(h.InstrumentCode));
  at(caption, 238, 156, Tr("qrlProducer_12"));
  within(value, 306, 156, 385, Text(h.Producer));
  at(label, 500, 110, Tr("qrlTestDate_30"));
  if (h.Date > 0) at(value, 502, 135, QString::fromStdString(ShortDateText(h.Date, localeName)));
  p.fillRect(QRectF(25, top + 181, 669, 2), Qt::black);

  at(label, 41, 192, Tr("gbProbeData_30"));
  const QFont name = SansFont(kCaptionPx, false, true);
  const QFontMetricsF nameMetrics(name);
  const double captions = std::max(nameMetrics.horizontalAdvance(Tr("qrlType_8")),
                                   nameMetrics.horizontalAdvance(Tr("qrlSerNo_12")));
  const ProbeBlock block =
      FitProbeBlock(LayoutProbeBlock(codes), captions, kProbeWidth, kReportBandWidth);
  if (block.Shown.empty()) return;
  const double captionRoom = block.Lefts.front() - 41 - 4;
  within(name, 41, 242, captionRoom, Tr("qrlType_8"));
  within(name, 41, 265, captionRoom, Tr("qrlSerNo_12"));
  // Narrower columns where more probes than usual share the band, their names in one size.
  const double width = block.Lefts.size() > 1
                           ? std::min(kProbeWidth, block.Lefts[1] - block.Lefts[0] - 2.0)
                           : kProbeWidth;
  // Down to 8 pixels (6 points on paper) there: ten names share the width of eight.
  QFont names = name;
  if (width < kProbeWidth) {
    for (const ReportProbe shown : block.Shown) {
      const QString text = Tr(kProbeNames[static_cast<size_t>(shown)]);
      while (names.pixelSize() > 8 && QFontMetricsF(names).horizontalAdvance(text) > width)
        names.setPixelSize(names.pixelSize() - 1);
    }
  }
  for (size_t i = 0; i < block.Shown.size(); ++i) {
    const size_t k = static_cast<size_t>(block.Shown[i]);
    const double left = block.Lefts[i];
    DrawWithin(p, names, left, top + 219, width, Tr(kProbeNames[k]));
    DrawWithin(p, probe, left, top + 242, width, Text(t.ProbeType[k]));
    DrawWithin(p, probe, left, top + 265, width, Text(t.ProbeSerNo[k]));
  }
  HLine(p, block.Lefts.front(), block.Lefts.front() + block.RuleLength, top + 235);
}

void ReportPainter::Separators(QPainter& p, double top, double bottom) const {
  // After location, begin and end and after every code column but the last: the band's frame
  // closes the last one.
  const size_t count = edges_.size() >= 2 ? edges_.size() - 2 : 0;
  for (size_t k = 0; k < count; ++k)
    p.drawLine(QPointF(edges_[k], top), QPointF(edges_[k], bottom));
}

void ReportPainter::PaintColumnHeader(QPainter& p, double top) const {
  const double h = bands_.ColumnHeader;
  p.fillRect(QRectF(0, top, kReportBandWidth, h), kBandGrey);
  HLine(p, 0, kReportBandWidth, top);
  HLine(p, 0, kReportBandWidth, top + h);
  Separators(p, top, top + h);
  const QFont f = SansFont(kCaptionPx, true);
  const double third = std::round(h / 3);
  DrawCentred(p, f, 0, edges_[0], top + third, Tr("Location_10"));
  DrawCentred(p, f, edges_[0], edges_[1], top + third, Tr("BeginTime_10"));
  DrawCentred(p, f, edges_[1], edges_[2], top + third, Tr("EndTime_10"));
  const char letter = source_.DisplayUnits == "US" ? 'U' : 'S';
  const std::vector<std::array<Bytes, 2>> captions =
      ReportColumnHeaders(codes_, letter, *source_.Texts);
  if (edges_.size() < 4) return;
  const double columnWidth = edges_[3] - edges_[2];
  for (size_t k = 0; k < captions.size(); ++k) {
    const double left = edges_[2] + static_cast<double>(k) * columnWidth;
    DrawCentred(p, f, left, left + columnWidth, top + std::round(h / 11), Text(captions[k][0]));
    DrawCentred(p, f, left, left + columnWidth, top + std::round(h * 6 / 11), Text(captions[k][1]));
  }
}

void ReportPainter::PaintRow(QPainter& p, double top, int row) const {
  HLine(p, 0, kReportBandWidth, top + bands_.Row);
  Separators(p, top, top + bands_.Row);
  const TTestsRecord* test = source_.Doc->ShownTest(row);
  if (test == nullptr) return;
  const ReportRow texts =
      ReportRowTexts(*test, codes_, source_.DisplayUnits, source_.DecimalSeparator);
  const RowOffsets at = ReportRowOffsets(static_cast<int>(std::lround(rowH_)));
  const double hw = QFontMetricsF(rowFont_).horizontalAdvance(QLatin1Char('H'));
  DrawAt(p, rowFont_, hw, top + at.Building, Text(texts.Building));
  DrawAt(p, rowFont_, 2 * hw, top + at.Room, Text(texts.Room));
  DrawCentred(p, rowFont_, edges_[0], edges_[1], top + at.Values, Text(texts.Begin));
  DrawCentred(p, rowFont_, edges_[1], edges_[2], top + at.Values, Text(texts.End));
  for (size_t k = 0; k < texts.Values.size() && k + 3 < edges_.size(); ++k)
    DrawCentred(p, rowFont_, edges_[k + 2], edges_[k + 3], top + at.Values, Text(texts.Values[k]));
}

void ReportPainter::PaintSummary(QPainter& p, double top) const {
  HLine(p, 0, kReportBandWidth, top);
  HLine(p, 0, kReportBandWidth, top + bands_.Summary);
  const QFont label = SansFont(kLabelPx, true, true, true);
  DrawAt(p, label, 24, top + 6, Tr("Comment_15"));
  const QFont f = Font(kCommentFont);
  const double line = QFontMetricsF(f).height();
  double y = top + 10 + QFontMetricsF(label).height();
  for (const QString& text : comments_) {
    DrawAt(p, f, 24, y, text);
    y += line;
  }
}

void ReportPainter::PaintPageFooter(QPainter& p, int page) const {
  PaintReportPageFooter(p, bands_, Text(source_.Header->Texts.Lines[PrintHeader::Footer]),
                        Tr("qrlPage_12"), page + 1);
}

void PaintReportPageFooter(QPainter& p, const ReportBands& bands, const QString& footerText,
                           const QString& pageLabel, int pageNumber) {
  const double child = bands.Page - bands.FooterChild;
  const double top = child - bands.PageFooter;
  p.fillRect(QRectF(0, top, kReportBandWidth, bands.Page - top), kBandGrey);
  HLine(p, 0, kReportBandWidth, top);
  HLine(p, 0, kReportBandWidth, child);
  const QFont footer = Font(kFooterFont);
  DrawCentred(p, footer, 0, kReportBandWidth,
              top + (bands.PageFooter - QFontMetricsF(footer).height()) / 2, footerText);
  const QFont f = SansFont(kLabelPx);
  const double y = child + (bands.FooterChild - QFontMetricsF(f).height()) / 2;
  DrawAt(p, f, 365 - QFontMetricsF(f).horizontalAdvance(pageLabel), y, pageLabel);
  DrawAt(p, f, 371, y, QString::number(pageNumber));
}

Outcome WriteReportPdf(const QString& path, const ReportSource& source) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    return Outcome::Failure(file.errorString().toLocal8Bit().toStdString());
  {
    QPdfWriter pdf(&file);
    pdf.setCreator(QStringLiteral("Quorvantel"));
    pdf.setTitle(source.Codec->Decode(source.Texts->Translate("qrlPageHeader_50")));
    SetReportPageLayout(pdf);
    if (!ReportPainter(source).Print(pdf)) {
      file.cancelWriting();
      return Outcome::Failure("The report could not be painted into " + path.toStdString());
    }
  }
  if (!file.commit()) return Outcome::Failure(file.errorString().toLocal8Bit().toStdString());
  return Outcome::Success();
}

}  // namespace qv

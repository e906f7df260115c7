#include "comfort/ShareBar.h"

#include <QFontMetrics>
#include <QPainter>

#include <cmath>

namespace qv {
namespace {

const QColor kBest(46, 139, 87);
const QColor kGood(140, 198, 90);
const QColor kFair(238, 204, 72);
const QColor kPoor(240, 150, 60);
const QColor kOutside(205, 82, 72);

}  // namespace

TShareBar::TShareBar(QWidget* parent) : QWidget(parent) {
  setMinimumHeight(22);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

std::vector<QColor> TShareBar::Iso7730Colours() {
  return {kBest, kGood, kFair, kOutside};
}

std::vector<QColor> TShareBar::En16798Colours() {
  return {kBest, kGood, kFair, kPoor, kOutside};
}

void TShareBar::SetParts(std::vector<Part> parts) {
  parts_ = std::move(parts);
  update();
}

QSize TShareBar::sizeHint() const {
  return {300, 22};
}

void TShareBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  p.fillRect(frame, palette().color(QPalette::Base));
  double total = 0;
  for (const Part& part : parts_)
    total += part.Share;
  // Parts start and end on whole pixels from the running sum, so that they always fill the bar
  // exactly, however the shares round.
  const double width = frame.width();
  double sum = 0;
  const QFontMetrics metrics(font());
  for (const Part& part : parts_) {
    if (total <= 0) break;
    const double left = std::round(frame.left() + width * sum / total);
    sum += part.Share;
    const double right = std::round(frame.left() + width * sum / total);
    if (right <= left) continue;
    const QRectF area(left, frame.top(), right - left, frame.height());
    p.fillRect(area, part.Colour);
    const QString& text = part.Text.isEmpty() ? part.Name : part.Text;
    const QString shown = metrics.horizontalAdvance(text) + 6 <= area.width()        ? text
                          : metrics.horizontalAdvance(part.Name) + 4 <= area.width() ? part.Name
                                                                                     : QString();
    if (shown.isEmpty()) continue;
    // Dark text on the light colours, white on the dark ones.
    p.setPen(part.Colour.lightness() > 150 ? Qt::black : Qt::white);
    p.drawText(area, Qt::AlignCenter, shown);
  }
  p.setPen(palette().color(QPalette::Mid));
  p.setBrush(Qt::NoBrush);
  p.drawRect(frame);
}

}  // namespace qv

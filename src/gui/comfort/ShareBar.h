// A bar split into the shares of the comfort categories, best first, each in its colour with
// its name and percentage where the part is wide enough; an empty frame when there are none.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <vector>

namespace qv {

class TShareBar : public QWidget {
  Q_OBJECT
 public:
  struct Part {
    QString Name;
    double Share = 0;  // %
    QColor Colour;
    // What the part reads where it is wide enough ("B 49.8 %"), in the dialog's number format,
    // so that the bar and the legend beneath it give the same figure.
    QString Text;
  };
  explicit TShareBar(QWidget* parent = nullptr);

  void SetParts(std::vector<Part> parts);
  const std::vector<Part>& Parts() const { return parts_; }
  // The category colours, best first: of ISO 7730 (A, B, C, outside) and EN 16798-1 (I to IV,
  // outside).
  static std::vector<QColor> Iso7730Colours();
  static std::vector<QColor> En16798Colours();

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<Part> parts_;
};

}  // namespace qv

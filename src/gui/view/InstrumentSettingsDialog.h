// The calculation parameters of the selected test or the current block: altitude, duct shape
// and size, metabolic rate and clothing. Read-only.
#pragma once

#include "common/AppContext.h"
#include "view/CalcParameters.h"

#include <QDialog>
#include <QPen>
#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;

namespace qv {

// A duct's outline in the face colour; the duct the record uses is drawn thick and black.
class TDuctShape : public QWidget {
  Q_OBJECT
 public:
  enum class Kind { Rectangle, Circle };
  TDuctShape(Kind kind, QWidget* parent = nullptr);

  void SetHighlighted(bool on);
  const QPen& Pen() const { return pen_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Kind kind_;
  QPen pen_;
};

class TfrmInstrumentSettings : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmInstrumentSettings(AppContext& ctx, QWidget* parent = nullptr);

  // Fills the dialog for the table's selection (the record index of the selected results
  // row, -1 for none) and shows it modally.
  void ppInstrumentSettingsClick(int selectedRecordIndex);
  // Fills the labels and shapes without showing the dialog; nothing of an earlier filling
  // stays.
  void Fill(const Document& doc, int selectedRecordIndex);

  TDuctShape* Rectangle() const { return shRectangle_; }
  TDuctShape* Circle() const { return shCircle_; }

 private:
  QGroupBox* AddGroup(const char* name, const char* key);
  QLabel* AddLabel(QWidget* parent, const char* name, const char* key = nullptr);

  AppContext& ctx_;
  QLabel* lbAltitude_;
  QLabel* lbSide_a1_;
  QLabel* lbSide_a_;
  QLabel* lbSide_b1_;
  QLabel* lbSide_b_;
  QLabel* lbRadius_r1_;
  QLabel* lbRadius_r_;
  QLabel* lbMetabolic_;
  QLabel* lbClothing_;
  TDuctShape* shRectangle_;
  TDuctShape* shCircle_;
  QPushButton* btnOK_;
};

}  // namespace qv

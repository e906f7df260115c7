// File Info: the instrument's identity, the current block's particulars or the number of
// tests, and the probes that delivered the document's signals. Read-only.
#pragma once

#include "common/AppContext.h"
#include "view/FileInfo.h"

#include <QDialog>
#include <array>
#include <vector>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qv {

class TfrmInfo : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmInfo(AppContext& ctx, QWidget* parent = nullptr);

  // Fills the dialog from the open document and shows it modally.
  void ppFileInfoClick();
  // Fills the boxes from `doc` without showing the dialog. A results document hides the
  // logging panels and the dialog shrinks by them.
  void Fill(const Document& doc);

  QCheckBox* ProbeBox(Probe probe) const { return probeBoxes_[static_cast<size_t>(probe)]; }

 private:
  QFrame* AddPanel(const char* name);
  QLineEdit* AddRow(QFrame* panel, const char* label, const char* edit, const char* key);
  void AddProbe(const char* box, const char* label, const char* key, Probe probe, int row,
                int column);
  // Every panel shown again, so the next opening starts from the full layout.
  void RestorePanels();

  AppContext& ctx_;
  QFrame* panInfo2_ = nullptr;
  QFrame* panInfo3_ = nullptr;
  QLineEdit* edtSerNo_ = nullptr;
  QLineEdit* edtFirmwVer_ = nullptr;
  QLineEdit* edtLogUnits_ = nullptr;
  QLineEdit* edtLogInter_ = nullptr;
  QLineEdit* edtBegT_ = nullptr;
  QLineEdit* edtEndT_ = nullptr;
  QLineEdit* edtLogBuild_ = nullptr;
  QLineEdit* edtLogRoom_ = nullptr;
  QLineEdit* edtNumOfRes_ = nullptr;
  QGroupBox* gbProbe_ = nullptr;
  std::array<QCheckBox*, kProbeCount> probeBoxes_{};
  std::vector<QLabel*> rowLabels_;
  QPushButton* btnCancel_ = nullptr;
};

}  // namespace qv

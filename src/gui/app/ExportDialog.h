// File > Export's options (frmExport): the field delimiter and the line end, or CSV for
// spreadsheets (comma, UTF-8, its own line ends). Created once, so the choice stays for the next
// export.
#pragma once

#include "common/AppContext.h"
#include "files/TextExport.h"

#include <QDialog>

class QButtonGroup;

namespace qv {

class TfrmExport : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmExport(AppContext& ctx, QWidget* parent = nullptr);

  ExportDelimiter Delimiter() const;
  ExportLineEnd LineEnd() const;
  bool Csv() const;

 private:
  QButtonGroup* rgDelimiter_;
  QButtonGroup* rgEOLSign_;
};

}  // namespace qv

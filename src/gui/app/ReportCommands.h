// File > Print Preview and File > Export Report as PDF: the printed report of the tests the
// table shows, with the header the workspace holds.
#pragma once

#include "common/AppContext.h"
#include "common/Prompter.h"
#include "report/ReportPainter.h"

class QWidget;

namespace qv {

class TReportCommands {
 public:
  TReportCommands(QWidget* window, AppContext& ctx, Prompter& prompter);

  // The preview, from which the person prints.
  void mmFilePreviewClick();
  // The same pages as a PDF file, without a printer.
  void mmFileExportReportClick();

  // What the report would show now.
  ReportSource Source() const;

 private:
  // The results table shows and at least one code is chosen; else the message why not.
  bool CanReport();

  QWidget* window_;
  AppContext& ctx_;
  Prompter& prompter_;
};

}  // namespace qv

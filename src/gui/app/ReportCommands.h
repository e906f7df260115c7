// File > Print Preview and File > Export Report as PDF: the printed report of the tests the
// table shows, with the header the workspace holds; for a logging block the preview and File >
// Export Survey Report as PDF show its survey report.
#pragma once

#include "common/AppContext.h"
#include "common/Prompter.h"
#include "report/ReportPainter.h"
#include "survey/SurveyPainter.h"

#include <functional>
#include <utility>
#include <vector>

class QPrinter;
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

  // The survey report of the logging block on show as a PDF file.
  void mmFileExportSurveyClick();
  // What the survey report would show now: the whole block in the display units with the
  // stored limits and the air change rates fitted to it. Null Block when no block is on show.
  SurveySource Survey() const;
  // An air change rate fitted in the CO2 window of the block on show, for the survey report; a
  // fit of the same stretch replaces the earlier one.
  void AddAirChange(const AirChangeRequest& request);
  // A new document: no fits.
  void ClearAirChanges() { airChanges_.clear(); }

 private:
  // The results table shows and at least one code is chosen; else the message why not.
  bool CanReport();
  // The table shows a logging block.
  bool ShowsLogging() const;
  void PreviewSurvey();
  // The print preview of A4 report pages that `paint` draws, named `objectName`.
  void ShowPreview(const char* objectName, const std::function<void(QPrinter&)>& paint);
  // Asks where to save a PDF (the file dialog named `objectName`, captioned by the menu entry
  // `captionKey`, proposing `fileName`) and writes it with `write`; a failure is told.
  void ExportPdf(const char* captionKey, const char* objectName, const QString& fileName,
                 const std::function<Outcome(const QString&)>& write);
  // The open document's file name without its folder and extension; empty before a save.
  QString DocumentBaseName() const;

  QWidget* window_;
  AppContext& ctx_;
  Prompter& prompter_;
  // By block index: the stretches fitted and their outdoor concentration.
  std::vector<std::pair<int, AirChangeRequest>> airChanges_;
};

}  // namespace qv

// The printed report painted: one routine for the preview, the printer and PDF files, in report
// pixels (1/96 inch) on an A4 page with 10 mm margins. Needs QtGui only, so the command-line tool
// renders the same pages without a display.
#pragma once

#include "app/TextCatalog.h"
#include "app/TextCodec.h"
#include "files/Outcome.h"
#include "print/ReportHeader.h"
#include "print/ReportLayout.h"
#include "store/Document.h"

#include <QFont>
#include <QString>

#include <string>
#include <vector>

class QPagedPaintDevice;
class QPainter;

namespace qv {

// What a report shows. The report reads the document when it paints; it keeps no copy.
struct ReportSource {
  const Document* Doc = nullptr;  // its shown tests in table order, its ReportCodes
  const ReportHeader* Header = nullptr;
  const TextCatalog* Texts = nullptr;
  const TextCodec* Codec = nullptr;
  std::string DisplayUnits = "SI";
  char DecimalSeparator = '.';
  DateTime Now = 0;        // its "dd.mm.yy  hh:mm:ss" text sizes the time columns
  std::string LocaleName;  // of the language, for the names of months in dates
};

// The report's fonts: the desktop's sans-serif family (the look-alikes of the family the report
// was designed with first), never an empty family, which the print preview cannot record.
QFont SansFont(int pixelSize, bool bold = false, bool italic = false, bool underline = false);

// A4 portrait, 10 mm margins on every side.
void SetReportPageLayout(QPagedPaintDevice& device);

class ReportPainter {
 public:
  explicit ReportPainter(const ReportSource& source);

  int PageCount() const { return static_cast<int>(pages_.size()); }
  // The right edges of the columns (report pixels), for a look at the layout.
  const std::vector<double>& ColumnEdges() const { return edges_; }

  // Every page onto a paged device (printer, preview, PDF) whose page layout is already set.
  // false when the device cannot be painted on.
  bool Print(QPagedPaintDevice& device) const;
  // Page `page` (0-based) onto a painter whose unit is the report pixel and whose origin is the
  // top left of the printable area.
  void PaintPage(QPainter& painter, int page) const;

 private:
  QString Tr(const char* key) const;
  QString Text(const Bytes& bytes) const;
  void PaintPageHeader(QPainter& p) const;
  void PaintTitle(QPainter& p, double top) const;
  void PaintColumnHeader(QPainter& p, double top) const;
  void PaintRow(QPainter& p, double top, int row) const;
  void PaintSummary(QPainter& p, double top) const;
  void PaintPageFooter(QPainter& p, int page) const;
  void Separators(QPainter& p, double top, double bottom) const;

  ReportSource source_;
  std::vector<int> codes_;
  QFont rowFont_;
  double rowH_ = 0;  // the row font's "H" height in report pixels
  ReportBands bands_;
  std::vector<double> edges_;
  std::vector<int> pages_;     // rows per page
  std::vector<int> firstRow_;  // first row (0-based) of each page
  std::vector<QString> comments_;
};

// The bands every printed page shares, for the reports that are not tables of tests, in report
// pixels from the top left of the printable area: the grey page header with its title; the
// title band at `top` (operator, test site, the instrument, the test date and the probes of
// `codes`, ReportBands::Title high); the grey footer with its text and the page number.
void PaintReportPageHeader(QPainter& painter, const ReportBands& bands, const QString& title);
void PaintReportTitle(QPainter& painter, double top, const ReportHeader& header,
                      const std::vector<int>& codes, const TextCatalog& texts,
                      const TextCodec& codec, const std::string& localeName);
void PaintReportPageFooter(QPainter& painter, const ReportBands& bands, const QString& footerText,
                           const QString& pageLabel, int pageNumber);

// The report of `source` as a PDF file at `path`. A file already there is replaced only when
// the new one is complete.
Outcome WriteReportPdf(const QString& path, const ReportSource& source);

}  // namespace qv

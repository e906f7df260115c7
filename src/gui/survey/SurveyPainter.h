// The survey report of a logging block painted: one routine for the preview, the printer and PDF
// files, A4 portrait in report pixels (1/96 inch) with the results report's page header, title
// band and footer. The first pages describe the block and the stretch surveyed, list the
// statistics of every logged quantity against its limits, the thermal comfort summary when the
// block allows one and the air change rates of the chosen CO2 decays; the graphs of the logged
// quantities follow, two to a page, with their limit lines.
#pragma once

#include "app/TextCatalog.h"
#include "app/TextCodec.h"
#include "comfort/BlockComfort.h"
#include "files/Outcome.h"
#include "print/ReportHeader.h"
#include "print/ReportLayout.h"
#include "survey/Survey.h"

#include <QRectF>
#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QCPPainter;
class QPagedPaintDevice;
class QPainter;

namespace qv {

// What a survey report shows. The report reads the block when it paints; it keeps no copy.
struct SurveySource {
  const TLoggerRecord* Block = nullptr;
  int BlockNumber = 1;  // as the block list counts, from 1
  const ReportHeader* Header = nullptr;
  const TextCatalog* Texts = nullptr;
  const TextCodec* Codec = nullptr;
  // The display units, the stretch, the limits in the display units and the CO2 decays
  // (WholeBlockSurvey gives the whole block with the stored limits).
  SurveyRequest Request;
  // The comfort analysis' settings; none leaves the comfort summary out. The summary needs the
  // air temperature and humidity logged and a metabolic rate and clothing (the block's or
  // these).
  std::optional<ComfortSettings> Comfort = ComfortSettings{};
  char DecimalSeparator = '.';
  std::string LocaleName;  // of the language, for the test date
};

class SurveyPainter {
 public:
  explicit SurveyPainter(const SurveySource& source);
  ~SurveyPainter();
  SurveyPainter(const SurveyPainter&) = delete;
  SurveyPainter& operator=(const SurveyPainter&) = delete;

  const Survey& Result() const { return survey_; }
  // Whether the comfort summary is part of the report.
  bool HasComfortSummary() const { return comfort_.has_value(); }
  int PageCount() const { return static_cast<int>(pages_.size()); }
  // The quantities whose graphs page `page` (0-based) carries, top first.
  std::vector<int> GraphsOnPage(int page) const;

  // Every page onto a paged device (printer, preview, PDF) whose page layout is already set
  // (SetReportPageLayout). False when the device cannot be painted on.
  bool Print(QPagedPaintDevice& device) const;
  // Page `page` (0-based) onto a painter whose unit is the report pixel (a scale, no rotation)
  // and whose origin is the top left of the printable area. The graphs are drawn through
  // QCustomPlot's painter, hence its type.
  void PaintPage(QCPPainter& painter, int page) const;

 private:
  struct Piece {
    double Height = 0;
    bool KeepWithNext = false;  // a heading stays with what it heads
    int RepeatHeader = -1;      // a table row: the piece to repeat above it on a new page
    std::function<void(QPainter&, double top)> Paint;
  };
  struct Placed {
    int Piece = 0;
    double Top = 0;
  };
  struct PlacedGraph {
    int Quantity = 0;
    double Top = 0;
  };
  struct Page {
    std::vector<Placed> Pieces;
    std::vector<PlacedGraph> Graphs;
  };

  QString Tr(const char* key) const;
  QString Text(const Bytes& bytes) const;
  QString Number(double v, int decimals) const;
  QString When(DateTime t) const;
  QString UnitOf(int q) const;

  void AddPiece(double height, std::function<void(QPainter&, double)> paint,
                bool keepWithNext = false, int repeatHeader = -1);
  void AddHeading(const QString& text);
  void AddDescription();
  void AddStatistics();
  void AddComfort();
  void AddAirChanges();
  // Returns where the last page's text ends.
  double Paginate(double firstTop);
  void PlaceGraphs(double textEnd);
  void PaintGraph(QCPPainter& painter, int q, const QRectF& area) const;

  SurveySource source_;
  Survey survey_;
  std::vector<int> codes_;  // the first codes of the logged quantities, for the probes
  std::optional<BlockComfort> comfort_;
  bool comfortMissingParameters_ = false;
  ReportBands bands_;
  std::vector<Piece> pieces_;
  std::vector<Page> pages_;
};

// The survey report of `source` as a PDF file at `path`. A file already there is replaced only
// when the new one is complete.
Outcome WriteSurveyPdf(const QString& path, const SurveySource& source);

}  // namespace qv

// Text export of what the table shows: the shown tests of the selected tree node, or the
// samples of the current logging block, as delimited text for spreadsheets. Every field, the
// header's included, is followed by the delimiter; no quoting of any kind.
#pragma once

#include "app/TextCodec.h"
#include "files/Outcome.h"
#include "files/OutputSink.h"
#include "store/Document.h"

#include <QByteArray>
#include <QString>
#include <string_view>

namespace qv {

class TextCatalog;

enum class ExportDelimiter { Tab, Semicolon };  // rgDelimiter items 0, 1
enum class ExportLineEnd { CrLf, Cr, Lf };      // rgEOLSign items 0, 1, 2

struct ExportOptions {
  ExportDelimiter delimiter = ExportDelimiter::Tab;
  ExportLineEnd lineEnd = ExportLineEnd::CrLf;
  Bytes displayUnits = "SI";               // the display unit system, "SI" or "US"
  char decimalSeparator = '.';             // the locale's
  QByteArray codePage = kDefaultCodePage;  // of system error texts
};

char DelimiterChar(ExportDelimiter d);
std::string_view LineEndText(ExportLineEnd e);

// The results part: a header line, then one line per test of ShownTests with the columns of
// ColumnSignals (1..ColumnCount), handed to `out` line by line.
void WriteResultsText(ByteSink& out, const Document& doc, const TextCatalog& texts,
                      const ExportOptions& options);
// The logging part for one block: a header line, then one line per sample.
void WriteLoggerText(ByteSink& out, const TLoggerRecord& block, const TextCatalog& texts,
                     const ExportOptions& options);
// The same parts as one text.
Bytes ExportResultsText(const Document& doc, const TextCatalog& texts,
                        const ExportOptions& options);
Bytes ExportLoggerText(const TLoggerRecord& block, const TextCatalog& texts,
                       const ExportOptions& options);

// ExportTable: the results part of a results document, the logging part of the current block
// of a logging document, written so that a failure never leaves a half-written file in place
// of an earlier one (the system's error text). Refused with the translated "msgNoDatToExp_50"
// when there is nothing of either kind to export.
Outcome ExportTable(const QString& path, const Document& doc, const TextCatalog& texts,
                    const ExportOptions& options = {});
// The same parts into a sink (standard output); the refusal as above. Whether the bytes arrived
// is the sink's to tell.
Outcome ExportTable(ByteSink& out, const Document& doc, const TextCatalog& texts,
                    const ExportOptions& options = {});

}  // namespace qv

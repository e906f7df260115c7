// Output for spreadsheets and scripts beside the delimited text export: RFC 4180 CSV of what
// the table shows, and JSON of the whole document. Both are UTF-8, with times in ISO 8601,
// "." decimals and values in the display unit system, as the table rounds them.
#pragma once

#include "app/TextCodec.h"
#include "files/Outcome.h"
#include "files/OutputSink.h"
#include "store/Document.h"

#include <QByteArray>
#include <QString>

namespace qv {

class TextCatalog;

struct DataExportOptions {
  Bytes displayUnits = "SI";  // "SI" or "US"
  bool byteOrderMark = true;  // CSV: spreadsheets take the file as UTF-8 with it
  // Code page of the stored texts (names, captions) and of system error texts.
  QByteArray codePage = kDefaultCodePage;
};

// "2007-02-28T14:35:09" (local time as the instrument stored it; no zone).
QByteArray IsoDateTime(DateTime t);

// One CSV line per shown test (building, room, begin, end, then the table's columns) or per
// sample of the current block (time, then the block's signals), after a header naming each
// column with its unit. A value is a number; a marked value is text with its mark ("> 60.0");
// no value is an empty cell. Fields are quoted where RFC 4180 asks for it; lines end in CR LF.
QByteArray ExportCsvText(const Document& doc, const TextCatalog& texts,
                         const DataExportOptions& options);
void WriteCsv(ByteSink& out, const Document& doc, const TextCatalog& texts,
              const DataExportOptions& options);

// The whole document: instrument, kind, and every test (with its present values) or every block
// (its signals and samples). Values are numbers or null; marks ride beside them.
// Laid out as Qt's QJsonDocument::toJson(Indented) lays it out, written as it is made.
QByteArray ExportJsonText(const Document& doc, const TextCatalog& texts,
                          const DataExportOptions& options);
void WriteJson(ByteSink& out, const Document& doc, const TextCatalog& texts,
               const DataExportOptions& options);

enum class DataFormat { Csv, Json };

// Written as ExportTable writes: a failure leaves no half-written file in place of an old one.
// Refused with the translated "msgNoDatToExp_50" when there is nothing to export.
Outcome ExportData(const QString& path, DataFormat format, const Document& doc,
                   const TextCatalog& texts, const DataExportOptions& options = {});
// The same into a sink (standard output); whether the bytes arrived is the sink's to tell.
Outcome ExportData(ByteSink& out, DataFormat format, const Document& doc, const TextCatalog& texts,
                   const DataExportOptions& options = {});

}  // namespace qv

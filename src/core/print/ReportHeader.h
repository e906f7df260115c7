// The texts at the head of the printed report: the instrument's identification, the header
// date and the texts of the print header. Kept as data so that the report and the header
// dialog read one copy.
#pragma once

#include "store/Records.h"

namespace qv {

struct ReportHeader {
  Bytes InstrumentType;
  Bytes InstrumentCode;
  Bytes SerialNumber;
  Bytes Producer;
  DateTime Date = 0;
  PrintHeader Texts;  // operator, test site, footer, probes and comments as the report shows them
};

// A download identified the instrument: its four identification texts and the date go to the
// report; every text the person entered stays.
void CopyInstrumentToReport(const TInstrumentData& info, DateTime date, ReportHeader& report);

// A file was read: the instrument texts, the date and every header text go to the report.
void CopyHeaderToReport(const TInstrumentData& info, const PrintHeader& header, DateTime date,
                        ReportHeader& report);

}  // namespace qv

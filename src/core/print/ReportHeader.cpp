#include "print/ReportHeader.h"

namespace qv {
namespace {

void CopyInstrument(const TInstrumentData& info, DateTime date, ReportHeader& report) {
  report.InstrumentType = info.InstrumentType;
  report.InstrumentCode = info.InstrumentCode;
  report.SerialNumber = info.SerialNumber;
  report.Producer = info.Producer;
  report.Date = date;
}

}  // namespace

void CopyInstrumentToReport(const TInstrumentData& info, DateTime date, ReportHeader& report) {
  // Operator, site, probes, comment and footer are the person's, kept in the header dialog: a
  // download does not know them and leaves them as they are.
  CopyInstrument(info, date, report);
}

void CopyHeaderToReport(const TInstrumentData& info, const PrintHeader& header, DateTime date,
                        ReportHeader& report) {
  CopyInstrument(info, date, report);
  report.Texts = header;
}

}  // namespace qv

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
  CopyInstrument(info, date, report);
  // The footer and the comments belong to the person, not to the instrument: they stay.
  for (const PrintHeader::Line line : {PrintHeader::Operator1, PrintHeader::Operator2,
                                       PrintHeader::TestSite1, PrintHeader::TestSite2}) {
    report.Texts.Lines[line].clear();
  }
  report.Texts.ProbeSerNo = {};
  report.Texts.ProbeType = {};
}

void CopyHeaderToReport(const TInstrumentData& info, const PrintHeader& header, DateTime date,
                        ReportHeader& report) {
  CopyInstrument(info, date, report);
  report.Texts = header;
}

}  // namespace qv

#include "view/CalcParameters.h"

#include "format/NumberText.h"
#include "view/TableState.h"

namespace qv {
namespace {

// What a record stored when it had no parameters to store.
constexpr double kNone = -1;

// Tests and blocks carry the same seven fields and are shown by the same rule: a block read
// from an old file holds -1 just as such a test does.
template <class Record>
ParameterTexts Describe(const Record& r, char separator) {
  ParameterTexts t;
  auto metres = [separator](double v, int decimals) {
    return FormatFixed(v, decimals, separator) + " m";
  };
  if (r.Altitude != kNone) t.Altitude = metres(r.Altitude, 0);
  if (r.DuctShape == 1) {
    t.SidesEnabled = true;
    t.SideA = metres(r.SideA, 2);
    t.SideB = metres(r.SideB, 2);
    t.Highlight = DuctHighlight::Rectangle;
  } else if (r.DuctShape == 0) {
    t.RadiusEnabled = true;
    t.Radius = metres(r.Radius, 2);
    t.Highlight = DuctHighlight::Circle;
  }
  if (r.MetabolicRate != kNone) t.MetabolicRate = FormatFixed(r.MetabolicRate, 1, separator);
  if (r.Clothing != kNone) t.Clothing = FormatFixed(r.Clothing, 1, separator);
  return t;
}

}  // namespace

ParameterTexts DescribeParameters(const TTestsRecord& test, char decimalSeparator) {
  return Describe(test, decimalSeparator);
}

ParameterTexts DescribeParameters(const TLoggerRecord& block, char decimalSeparator) {
  return Describe(block, decimalSeparator);
}

ParameterTexts DescribeSelectedParameters(const Document& doc, int selectedRecordIndex,
                                          char decimalSeparator) {
  if (ActiveView(doc) == TableView::Logging) {
    const TLoggerRecord* block = doc.Current();
    return block ? DescribeParameters(*block, decimalSeparator) : ParameterTexts{};
  }
  if (selectedRecordIndex < 0) return {};
  for (int row = 0; row < doc.ShownTestCount(); ++row) {
    const TTestsRecord* test = doc.ShownTest(row);
    if (test && test->RecordIndex == selectedRecordIndex)
      return DescribeParameters(*test, decimalSeparator);
  }
  return {};
}

}  // namespace qv

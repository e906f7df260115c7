#include "view/CalcParameters.h"

#include "format/NumberText.h"
#include "view/TableState.h"

namespace qv {
namespace {

// What a record stored when it had no parameters to store.
constexpr double kNone = -1;

}  // namespace

// Tests and blocks carry the same parameters and are shown by the same rule: a block read from an
// old file holds -1 just as such a test does.
ParameterTexts DescribeParameters(const TCalcParameters& p, char separator) {
  ParameterTexts t;
  auto metres = [separator](double v, int decimals) {
    return FormatFixed(v, decimals, separator) + " m";
  };
  if (p.Altitude != kNone) t.Altitude = metres(p.Altitude, 0);
  if (p.DuctShape == 1) {
    t.SidesEnabled = true;
    t.SideA = metres(p.SideA, 2);
    t.SideB = metres(p.SideB, 2);
    t.Highlight = DuctHighlight::Rectangle;
  } else if (p.DuctShape == 0) {
    t.RadiusEnabled = true;
    t.Radius = metres(p.Radius, 2);
    t.Highlight = DuctHighlight::Circle;
  }
  if (p.MetabolicRate != kNone) t.MetabolicRate = FormatFixed(p.MetabolicRate, 1, separator);
  if (p.Clothing != kNone) t.Clothing = FormatFixed(p.Clothing, 1, separator);
  return t;
}

ParameterTexts DescribeSelectedParameters(const Document& doc, int selectedRecordIndex,
                                          char decimalSeparator) {
  if (ActiveView(doc) == TableView::Logging) {
    const TLoggerRecord* block = doc.Current();
    return block ? DescribeParameters(block->Params, decimalSeparator) : ParameterTexts{};
  }
  if (selectedRecordIndex < 0) return {};
  for (int row = 0; row < doc.ShownTestCount(); ++row) {
    const TTestsRecord* test = doc.ShownTest(row);
    if (test && test->RecordIndex == selectedRecordIndex)
      return DescribeParameters(test->Params, decimalSeparator);
  }
  return {};
}

}  // namespace qv

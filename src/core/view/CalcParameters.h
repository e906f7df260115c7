// What the calculation-parameters dialog shows: the duct, altitude, metabolic-rate and
// clothing parameters of the selected test (results view) or of the current block (logging
// view), as the value labels' texts, the enabled dimension captions and the highlighted duct.
#pragma once

#include "store/Document.h"

namespace qv {

enum class DuctHighlight { None, Rectangle, Circle };

struct ParameterTexts {
  Bytes Altitude;
  Bytes SideA;
  Bytes SideB;
  Bytes Radius;
  Bytes MetabolicRate;
  Bytes Clothing;
  bool SidesEnabled = false;   // captions of sides a and b
  bool RadiusEnabled = false;  // caption of radius r
  DuctHighlight Highlight = DuctHighlight::None;
  friend bool operator==(const ParameterTexts&, const ParameterTexts&) = default;
};

// The parameters of one test or block. -1 (no parameter entry, or a file of an older
// version) leaves altitude, metabolic rate and clothing empty; a duct shape other than
// 1 (rectangle) or 0 (circle) shows no dimensions.
ParameterTexts DescribeParameters(const TCalcParameters& params, char decimalSeparator);

// The record the table's selection names: in the results view the first shown test whose
// record index is `selectedRecordIndex`, in the logging view the current block. Everything
// empty when there is no such record.
ParameterTexts DescribeSelectedParameters(const Document& doc, int selectedRecordIndex,
                                          char decimalSeparator);

}  // namespace qv

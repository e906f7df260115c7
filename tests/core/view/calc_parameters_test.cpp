#include "ViewTestSupport.h"
#include "view/CalcParameters.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

struct Seven {
  int32_t shape;
  double altitude, sideA, sideB, radius, metabolic, clothing;
};

TCalcParameters Stored(const Seven& s) {
  TCalcParameters p;
  p.DuctShape = s.shape;
  p.Altitude = s.altitude;
  p.SideA = s.sideA;
  p.SideB = s.sideB;
  p.Radius = s.radius;
  p.MetabolicRate = s.metabolic;
  p.Clothing = s.clothing;
  return p;
}

ParameterTexts Texts(const char* altitude, const char* a, const char* b, const char* r,
                     const char* metabolic, const char* clothing, DuctHighlight h) {
  ParameterTexts t{altitude, a, b, r, metabolic, clothing};
  t.SidesEnabled = h == DuctHighlight::Rectangle;
  t.RadiusEnabled = h == DuctHighlight::Circle;
  t.Highlight = h;
  return t;
}

std::string Show(const ParameterTexts& t) {
  return "[" + t.Altitude + "|" + t.SideA + "|" + t.SideB + "|" + t.Radius + "|" + t.MetabolicRate +
         "|" + t.Clothing + "] sides " + std::to_string(t.SidesEnabled) + " radius " +
         std::to_string(t.RadiusEnabled) + " shape " +
         std::to_string(static_cast<int>(t.Highlight));
}

// Tests and blocks carry one parameter record, shown by one rule.
TEST(CalcParameters, TheSevenFieldsAreShownByOneRule) {
  constexpr DuctHighlight Rect = DuctHighlight::Rectangle;
  constexpr DuctHighlight Circ = DuctHighlight::Circle;
  constexpr DuctHighlight None = DuctHighlight::None;
  struct Case {
    Seven stored;
    ParameterTexts shown;
  };
  // Shape, altitude, sides a and b, radius, metabolic rate, clothing.
  const Case cases[] = {
      // No parameter entry, or a file of an older version.
      {{-1, -1, -1, -1, -1, -1, -1}, Texts("", "", "", "", "", "", None)},
      {{1, 312, 0.5, 0.25, 0.3, 1.2, 0.5},
       Texts("312 m", "0.50 m", "0.25 m", "", "1.2", "0.5", Rect)},
      // Rounded half to even on the binary value.
      {{0, 1499.6, 9, 9, 0.125, 2.04, 1.06}, Texts("1500 m", "", "", "0.12 m", "2.0", "1.1", Circ)},
      // A measuring mode without duct dimensions.
      {{2, 100, 0.5, 0.5, 0.5, 1.0, 0.7}, Texts("100 m", "", "", "", "1.0", "0.7", None)},
      // Downloaded without a parameter entry: zeros, shown as stored.
      {{0, 0, 0, 0, 0, 0, 0}, Texts("0 m", "", "", "0.00 m", "0.0", "0.0", Circ)},
      // Only altitude, metabolic rate and clothing treat -1 as none.
      {{1, -1, -1, 2, 0, -1, 0}, Texts("", "-1.00 m", "2.00 m", "", "", "0.0", Rect)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    EXPECT_EQ(Show(DescribeParameters(Stored(c.stored), '.')), Show(c.shown));
  }

  EXPECT_EQ(Show(DescribeParameters(Stored({1, 312, 0.5, 0.25, 0.3, 1.2, 0.5}), ',')),
            Show(Texts("312 m", "0,50 m", "0,25 m", "", "1,2", "0,5", Rect)));
}

// Results view: the first shown test carrying the selected row's record index, not the test
// at that position nor one that is not shown.
TEST(CalcParameters, SelectionNamesTheTestOrTheCurrentBlock) {
  Document doc;
  doc.Kind = DocumentKind::Results;
  for (int i = 0; i < 4; ++i) {
    const int t = test::AddTest(doc, 1, 1, "North", "Hall", {{1, 20.0}});
    doc.AllTests[static_cast<size_t>(t)].Params = Stored({2, 100.0 + t, 0, 0, 0, 1, 1});
  }
  doc.AllTests[3].RecordIndex = 1;  // a pasted test can share a record index
  doc.AllTests[2].RecordIndex = 7;
  doc.ShownTests = {3, 1, 0};

  EXPECT_EQ(DescribeSelectedParameters(doc, 1, '.').Altitude, "103 m");
  EXPECT_EQ(DescribeSelectedParameters(doc, 0, '.').Altitude, "100 m");
  for (int hidden : {7, 2, -1, 99})
    EXPECT_EQ(DescribeSelectedParameters(doc, hidden, '.'), ParameterTexts{}) << hidden;
  doc.ShownTests = {3, 1, 25};  // an index that no longer names a test
  EXPECT_EQ(DescribeSelectedParameters(doc, 25, '.'), ParameterTexts{});

  Document logging = test::LoggingDocument(3, {1});
  logging.LoggerBlocks[0].Params = Stored({1, 5, 1, 2, 0, 1, 1});
  logging.LoggerBlocks.push_back(logging.LoggerBlocks[0]);
  logging.LoggerBlocks[1].Params.Altitude = 6;
  logging.CurrentBlock = 1;
  // The row selection of a results table does not reach the logging view.
  EXPECT_EQ(DescribeSelectedParameters(logging, -1, '.').Altitude, "6 m");
  for (int current : {-1, 2}) {
    logging.CurrentBlock = current;
    EXPECT_EQ(DescribeSelectedParameters(logging, 0, '.'), ParameterTexts{}) << current;
  }
}

}  // namespace
}  // namespace qv

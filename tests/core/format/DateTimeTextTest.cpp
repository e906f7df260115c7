#include "format/DateTimeText.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <cmath>
#include <limits>

namespace qv {
namespace {

DateTimeParts Parts(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  DateTimeParts p;
  p.year = y;
  p.month = mo;
  p.day = d;
  p.hour = h;
  p.minute = mi;
  p.second = s;
  p.msec = ms;
  return p;
}

void ExpectParts(const DateTimeParts& got, const DateTimeParts& want) {
  EXPECT_EQ(got.year, want.year);
  EXPECT_EQ(got.month, want.month);
  EXPECT_EQ(got.day, want.day);
  EXPECT_EQ(got.hour, want.hour);
  EXPECT_EQ(got.minute, want.minute);
  EXPECT_EQ(got.second, want.second);
  EXPECT_EQ(got.msec, want.msec);
}

TEST(DateTimeTest, DayNumbersCountFromThe30thOfDecember1899) {
  struct Case {
    DateTimeParts parts;
    double value;
  };
  const Case cases[] = {
      {Parts(1899, 12, 30), 0},
      {Parts(1900, 1, 1), 2},
      {Parts(1900, 3, 1), 61},  // 1900 is no leap year
      {Parts(2000, 1, 1), 36526},
      {Parts(2007, 2, 28, 14, 35, 9), 39141 + 52509.0 / 86400},
      {Parts(2008, 2, 29, 12), 39507.5},
      {Parts(2099, 12, 31, 23, 59, 59), 73050 + 86399.0 / 86400},
      // Before day 0 the time of day is subtracted from the (negative) day.
      {Parts(1899, 12, 29, 6), -1.25},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    const std::optional<DateTime> v = EncodeDateTime(c.parts);
    ASSERT_TRUE(v.has_value());
    EXPECT_DOUBLE_EQ(*v, c.value);
    ExpectParts(DecodeDateTime(c.value), c.parts);
  }
}

TEST(DateTimeTest, ImpossibleDatesAndTimesAreRejected) {
  const DateTimeParts bad[] = {
      Parts(2007, 13, 1),
      Parts(2007, 0, 1),
      Parts(2007, 2, 29),
      Parts(2008, 2, 30),
      Parts(1900, 2, 29),
      Parts(2007, 4, 31),
      Parts(2007, 1, 0),
      Parts(0, 1, 1),
      Parts(10000, 1, 1),
      Parts(2007, 1, 1, 24),
      Parts(2007, 1, 1, 0, 60),
      Parts(2007, 1, 1, 0, 0, 60),
      Parts(2007, 1, 1, 0, 0, 0, 1000),
      Parts(2007, 1, 1, -1),
  };
  for (const DateTimeParts& p : bad) {
    SCOPED_TRACE(::testing::Message() << p.year << "-" << p.month << "-" << p.day << " " << p.hour
                                      << ":" << p.minute << ":" << p.second);
    EXPECT_FALSE(EncodeDateTime(p).has_value());
  }
}

TEST(DateTimeTest, TimeIsRoundedToMillisecondsWithCarryIntoTheNextDay) {
  // Day 1 keeps sub-millisecond fractions exact enough to test the rounding.
  ExpectParts(DecodeDateTime(1 + 0.4 / 86400000), Parts(1899, 12, 31, 0, 0, 0, 0));
  ExpectParts(DecodeDateTime(1 + 1.4 / 86400000), Parts(1899, 12, 31, 0, 0, 0, 1));
  ExpectParts(DecodeDateTime(1 + 1.6 / 86400000), Parts(1899, 12, 31, 0, 0, 0, 2));
  ExpectParts(DecodeDateTime(1 + (86400000 - 0.4) / 86400000), Parts(1900, 1, 1));
  // Every second of a whole day decodes to itself.
  const double day = 39141;  // 28.02.2007
  for (int s = 0; s < 86400; ++s) {
    const DateTimeParts p = DecodeDateTime(day + s / 86400.0);
    ASSERT_EQ((p.hour * 60 + p.minute) * 60 + p.second, s);
    ASSERT_EQ(p.msec, 0);
  }
}

TEST(DateTimeTest, DaysRoundTripOverCenturies) {
  for (int d = -700000; d <= 2958465; d += 997) {
    const DateTimeParts p = DecodeDateTime(d);
    const std::optional<DateTime> back = EncodeDateTime(p);
    ASSERT_TRUE(back.has_value()) << d;
    ASSERT_EQ(*back, d < -693593 ? 0 : d) << d;
  }
}

TEST(DateTimeTest, ValuesWithoutADateDecodeAsDayZero) {
  for (double v : {std::numeric_limits<double>::quiet_NaN(),
                   std::numeric_limits<double>::infinity(), 1e300, -1e300, 3.4E38}) {
    ExpectParts(DecodeDateTime(v), Parts(1899, 12, 30));
    EXPECT_EQ(FormatDayTime(v, 1), "30.12.99 00:00:00");
  }
}

TEST(DateTimeTest, FormatDayTimeTexts) {
  const double t = *EncodeDateTime(Parts(2007, 2, 28, 14, 35, 9));
  EXPECT_EQ(FormatDayTime(t, 1), "28.02.07 14:35:09");
  EXPECT_EQ(FormatDayTime(t, 2), "28.02.07  14:35:09");
  EXPECT_EQ(FormatDayTime(t, 3), "28.02.07   14:35:09");
  EXPECT_EQ(FormatDayTime(*EncodeDateTime(Parts(1999, 1, 2, 3, 4, 5)), 2), "02.01.99  03:04:05");
  // Milliseconds are not shown and never round the seconds up.
  EXPECT_EQ(FormatDayTime(*EncodeDateTime(Parts(2010, 5, 6, 7, 8, 9, 999)), 1),
            "06.05.10 07:08:09");
  // Adding a logging interval runs past midnight into the next day.
  EXPECT_EQ(FormatDayTime(AddSeconds(*EncodeDateTime(Parts(2008, 2, 28, 23, 59)), 120), 1),
            "29.02.08 00:01:00");
  EXPECT_EQ(FormatDayTime(AddSeconds(*EncodeDateTime(Parts(2007, 12, 31, 23, 0)), 3600), 1),
            "01.01.08 00:00:00");
}

TEST(BcdTest, Digits) {
  EXPECT_EQ(BcdValue(0x00), 0);
  EXPECT_EQ(BcdValue(0x59), 59);
  EXPECT_EQ(BcdValue(0x99), 99);
  EXPECT_FALSE(BcdValue(0x5A).has_value());
  EXPECT_FALSE(BcdValue(0xA0).has_value());
  EXPECT_FALSE(BcdValue(0xFF).has_value());
}

TEST(BcdTest, PageDateTime) {
  const uint8_t good[6] = {0x14, 0x35, 0x09, 0x28, 0x02, 0x07};
  const std::optional<DateTime> t = DecodeBcdDateTime(good);
  ASSERT_TRUE(t.has_value());
  EXPECT_EQ(FormatDayTime(*t, 1), "28.02.07 14:35:09");
  EXPECT_EQ(*t, *EncodeDateTime(Parts(2007, 2, 28, 14, 35, 9)));

  const uint8_t leapDay[6] = {0x00, 0x00, 0x00, 0x29, 0x02, 0x08};
  EXPECT_TRUE(DecodeBcdDateTime(leapDay).has_value());

  struct Bad {
    int index;
    uint8_t byte;
  };
  const Bad bad[] = {
      {0, 0x1A}, {1, 0xB0}, {2, 0x0F}, {3, 0xF1}, {4, 0x0C}, {5, 0xA7},  // not BCD
      {0, 0x24}, {1, 0x60}, {2, 0x60},                                   // impossible time
      {4, 0x13}, {4, 0x00}, {3, 0x00}, {3, 0x29}, {3, 0x30},             // impossible date
  };
  for (const Bad& b : bad) {
    SCOPED_TRACE(::testing::Message() << "byte " << b.index << " = " << int(b.byte));
    uint8_t bytes[6] = {0x14, 0x35, 0x09, 0x28, 0x02, 0x07};
    bytes[b.index] = b.byte;
    EXPECT_FALSE(DecodeBcdDateTime(bytes).has_value());
  }
}

TEST(BcdTest, DirectoryDate) {
  const uint8_t good[3] = {0x31, 0x12, 0x99};
  const std::optional<DateTime> d = DecodeBcdDate(good);
  ASSERT_TRUE(d.has_value());
  EXPECT_EQ(FormatDayTime(*d, 2), "31.12.99  00:00:00");
  EXPECT_EQ(*d, *EncodeDateTime(Parts(2099, 12, 31)));
  const uint8_t bad[][3] = {
      {0x31, 0x11, 0x07}, {0x01, 0x13, 0x07}, {0x3A, 0x01, 0x07}, {0x01, 0x01, 0xF0}};
  for (const auto& b : bad)
    EXPECT_FALSE(DecodeBcdDate(b).has_value());
}

// Dates keep the person's regional pattern, but their month names follow the chosen language.
TEST(ShortDateTest, MonthNamesFollowTheLanguagePatternTheRegion) {
  const QLocale before;
  QLocale::setDefault(QLocale::c());  // a pattern with the month's name: "d MMM yyyy"
  const DateTime march5 = *EncodeDateTime(Parts(2024, 3, 5));
  EXPECT_EQ(ShortDateText(march5, ""), "5 Mar 2024");
  EXPECT_EQ(ShortDateText(march5, "de"), "5 M\xC3\xA4rz 2024");
  EXPECT_EQ(ShortDateText(march5, "fr"), "5 mars 2024");
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));  // "dd.MM.yy"
  EXPECT_EQ(ShortDateText(march5, "en"), "05.03.24");
  QLocale::setDefault(before);
}

}  // namespace
}  // namespace qv

// What of a print header fits the report, with widths that are easy to count: every character
// is as wide as its font's pixel size, so a footer character is 13 wide and a comment one 12.
#include "print/HeaderLimits.h"

#include <gtest/gtest.h>

#include <string>

namespace qv {
namespace {

double CharsTimesPixels(const Bytes& text, const ReportFont& font) {
  return static_cast<double>(text.size()) * font.Px;
}

Bytes Lines(int count, const Bytes& line = "x") {
  Bytes text;
  for (int i = 0; i < count; ++i)
    text += (i ? "\r\n" : "") + line;
  return text;
}

TEST(HeaderLimits, BandSharesAreRoundedFromTheBandWidth) {
  EXPECT_EQ(kHeaderOkWidth, 646);
  EXPECT_EQ(kFooterTypingWidth, 574);
  EXPECT_EQ(kCommentLineTypingWidth, 610);
}

TEST(HeaderLimits, OkMeasuresTheFooterAndEachCommentLineInTheirFonts) {
  struct Case {
    const char* what;
    size_t footerChars;  // x 13
    Bytes comment;       // characters x 12 per line
    bool footerTooLong;
    bool commentTooLong;
    const char* message;
  };
  const Bytes fits(53, 'c');     // 636
  const Bytes tooWide(54, 'c');  // 648
  const Case cases[] = {
      {"both fit", 49, fits + "\r\n" + fits, false, false, nullptr},  // footer 637
      {"empty", 0, "", false, false, nullptr},
      {"footer one over", 50, fits, true, false, kMsgFooterLong},  // 650
      {"last comment line over", 10, fits + "\r\n\r\n" + tooWide, false, true, kMsgCommentLong},
      {"a line ending the text over", 10, tooWide + "\r\n", false, true, kMsgCommentLong},
      {"both over", 60, tooWide, true, true, kMsgFooterCommentLong},
      // Lines are measured one by one, not the text as a whole.
      {"many short lines", 10, Lines(14, Bytes(50, 'c')), false, false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PrintHeader header;
    header.Lines[PrintHeader::Footer] = Bytes(c.footerChars, 'f');
    // The other lines are never measured.
    header.Lines[PrintHeader::Operator1] = Bytes(200, 'o');
    header.Comments = c.comment;
    const HeaderFit fit = CheckHeaderFit(header, CharsTimesPixels);
    EXPECT_EQ(fit.FooterTooLong, c.footerTooLong);
    EXPECT_EQ(fit.CommentTooLong, c.commentTooLong);
    EXPECT_EQ(fit.Fits(), !c.footerTooLong && !c.commentTooLong);
    const char* message = HeaderFitMessage(fit);
    EXPECT_STREQ(message, c.message);
  }
}

TEST(HeaderLimits, TypingStopsBeforeTheLimitsOfOk) {
  // The footer: 44 x 13 = 572 is taken, 45 x 13 = 585 is not; what was taken passes OK.
  EXPECT_TRUE(FooterFitsWhileTyping(Bytes(44, 'f'), CharsTimesPixels));
  EXPECT_FALSE(FooterFitsWhileTyping(Bytes(45, 'f'), CharsTimesPixels));
  PrintHeader header;
  header.Lines[PrintHeader::Footer] = Bytes(44, 'f');
  EXPECT_TRUE(CheckHeaderFit(header, CharsTimesPixels).Fits());

  struct Case {
    const char* what;
    Bytes comment;
    bool taken;
  };
  const Case cases[] = {
      {"empty", "", true},
      {"14 lines", Lines(14), true},
      {"14 lines and a line break: a 15th line", Lines(14) + "\r\n", false},
      {"15 lines", Lines(15), false},
      {"13 lines and an empty 14th", Lines(13) + "\n", true},
      {"a line of 50 x 12 = 600", Lines(3, Bytes(50, 'c')), true},
      {"a line of 51 x 12 = 612", "short\r\n" + Bytes(51, 'c'), false},
      {"editor line breaks", "a\nb\n" + Bytes(51, 'c'), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(CommentFitsWhileTyping(c.comment, CharsTimesPixels), c.taken);
  }
}

TEST(HeaderLimits, CommentLinesAndLineBreaks) {
  struct Case {
    Bytes comment;
    int count;
    std::vector<Bytes> lines;
  };
  const Case cases[] = {
      {"", 0, {}},
      {"one", 1, {"one"}},
      {"a\r\nb", 2, {"a", "b"}},
      {"a\nb", 2, {"a", "b"}},
      {"a\r\nb\r\n", 3, {"a", "b"}},
      {"\r\n", 2, {""}},
      {"a\r\n\r\nb", 3, {"a", "", "b"}},
      {"cr\ralone", 1, {"cr\ralone"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.comment);
    EXPECT_EQ(CommentLineCount(c.comment), c.count);
    EXPECT_EQ(CommentLines(c.comment), c.lines);
  }
  // Documents keep CR LF, the editor LF; a lone CR is a character of the text.
  EXPECT_EQ(CommentWithLf("a\r\nb\r\n\r\nc\rd"), "a\nb\n\nc\rd");
  EXPECT_EQ(CommentWithCrLf("a\nb\n\nc\rd"), "a\r\nb\r\n\r\nc\rd");
  EXPECT_EQ(CommentWithCrLf("kept\r\nas is\n"), "kept\r\nas is\r\n");
}

}  // namespace
}  // namespace qv

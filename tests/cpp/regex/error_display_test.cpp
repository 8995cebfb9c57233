#include <gtest/gtest.h>

#include <string>

#include "regex/check_text.h"
#include "regex/syntax.h"

// The exact layout of error texts: indentation, carets under the offending
// characters (counted in characters, not bytes), a second mark for repeated
// flags and names, and the numbered layout for patterns with line feeds.

namespace {

using kelp::regex_testing::check_text;

std::string err(std::string_view pattern) {
  std::optional<std::string> e = check_text(pattern, {});
  return e ? *e : std::string("<accepted>");
}

TEST(ErrorDisplay, SingleLinePatternWithCaretLine) {
  EXPECT_EQ(err("a(b"),
            "regex parse error:\n"
            "    a(b\n"
            "     ^\n"
            "error: unclosed group");
}

TEST(ErrorDisplay, SpanOfSeveralCharacters) {
  EXPECT_EQ(err("x{2,1}"),
            "regex parse error:\n"
            "    x{2,1}\n"
            "     ^^^^^\n"
            "error: invalid repetition count range, the start must be <= the "
            "end");
}

TEST(ErrorDisplay, EmptySpanAtTheEndGetsOneCaret) {
  EXPECT_EQ(err("(?P<abc"),
            "regex parse error:\n"
            "    (?P<abc\n"
            "           ^\n"
            "error: unclosed capture group name");
}

TEST(ErrorDisplay, ColumnsCountCharactersNotBytes) {
  EXPECT_EQ(err("\u00e9\u00e9\U0001F600[z-a]"),
            "regex parse error:\n"
            "    \u00e9\u00e9\U0001F600[z-a]\n"
            "        ^^^\n"
            "error: invalid character class range, the start must be <= the "
            "end");
}

TEST(ErrorDisplay, RepeatedFlagMarksBothPlaces) {
  EXPECT_EQ(err("(?im-i)"),
            "regex parse error:\n"
            "    (?im-i)\n"
            "      ^  ^\n"
            "error: duplicate flag");
}

TEST(ErrorDisplay, RepeatedNameMarksBothNames) {
  EXPECT_EQ(err("(?P<word>a)|(?<word>b)"),
            "regex parse error:\n"
            "    (?P<word>a)|(?<word>b)\n"
            "        ^^^^       ^^^^\n"
            "error: duplicate capture group name");
}

TEST(ErrorDisplay, PatternWithLineFeedsIsNumbered) {
  EXPECT_EQ(err("ab\ncd\n(ef"),
            "regex parse error:\n" +
                std::string(79, '~') +
                "\n"
                "1: ab\n"
                "2: cd\n"
                "3: (ef\n"
                "   ^\n" +
                std::string(79, '~') +
                "\n"
                "error: unclosed group");
}

TEST(ErrorDisplay, LineNumbersArePaddedToTheWidestNumber) {
  std::string pattern = "a";
  for (int i = 0; i < 10; ++i) pattern += "\n";
  pattern += ")";
  std::string expected = "regex parse error:\n" + std::string(79, '~') + "\n";
  expected += " 1: a\n";
  for (int i = 2; i <= 9; ++i) {
    expected += " ";
    expected += std::to_string(i);
    expected += ": \n";
  }
  expected += "10: \n";
  expected += "11: )\n    ^\n" + std::string(79, '~') + "\nerror: unopened group";
  EXPECT_EQ(err(pattern), expected);
}

TEST(ErrorDisplay, SpansOnDifferentLinesAreEachMarked) {
  EXPECT_EQ(err("(?P<a>x)\n(?P<a>y)"),
            "regex parse error:\n" + std::string(79, '~') +
                "\n"
                "1: (?P<a>x)\n"
                "       ^\n"
                "2: (?P<a>y)\n"
                "       ^\n" +
                std::string(79, '~') + "\nerror: duplicate capture group name");
}

TEST(ErrorDisplay, SpanOverSeveralLinesIsDescribed) {
  EXPECT_EQ(err("a{5,\n2}"),
            "regex parse error:\n" + std::string(79, '~') +
                "\n"
                "1: a{5,\n"
                "2: 2}\n" +
                std::string(79, '~') +
                "\n"
                "on line 1 (column 2) through line 2 (column 2)\n"
                "error: invalid repetition count range, the start must be <= "
                "the end");
}

TEST(ErrorDisplay, CarriageReturnBeforeLineFeedIsNotPrinted) {
  EXPECT_EQ(err("a\r\n("),
            "regex parse error:\n" + std::string(79, '~') +
                "\n"
                "1: a\n"
                "2: (\n"
                "   ^\n" +
                std::string(79, '~') + "\nerror: unclosed group");
}

TEST(ErrorDisplay, TrailingLineFeedCountsAsALine) {
  EXPECT_EQ(err("(\n"),
            "regex parse error:\n" + std::string(79, '~') +
                "\n"
                "1: (\n"
                "   ^\n" +
                std::string(79, '~') + "\nerror: unclosed group");
}

TEST(ErrorDisplay, TranslationErrorsUseTheSameLayout) {
  EXPECT_EQ(err("ab\\p{Nope}"),
            "regex parse error:\n"
            "    ab\\p{Nope}\n"
            "      ^^^^^^^^\n"
            "error: Unicode property not found");
}

TEST(ErrorDisplay, SizeLimitHasItsOwnSentence) {
  EXPECT_EQ(err("\\pL{1000}"),
            "Compiled regex exceeds size limit of 10485760 bytes.");
}

// The typed error the text is rendered from: its kind, the places it marks
// and the pattern it shows.
using kelp::regex::check;
using kelp::regex::ErrorKind;

TEST(CompileError, HoldsKindSpansAndPattern) {
  auto checked = check("(?ii)", {});
  ASSERT_FALSE(checked);
  const kelp::regex::CompileError& e = checked.error();
  EXPECT_EQ(e.kind, ErrorKind::FlagDuplicate);
  EXPECT_EQ(e.span.start.offset, 3u);
  EXPECT_EQ(e.span.start.column, 4u);
  EXPECT_EQ(e.span.end.column, 5u);
  ASSERT_TRUE(e.aux_span.has_value());
  EXPECT_EQ(e.aux_span->start.offset, 2u);
  EXPECT_EQ(e.pattern, "(?ii)");
}

TEST(CompileError, PositionsCountLines) {
  auto checked = check("a\n(", {});
  ASSERT_FALSE(checked);
  EXPECT_EQ(checked.error().kind, ErrorKind::GroupUnclosed);
  EXPECT_EQ(checked.error().span.start.offset, 2u);
  EXPECT_EQ(checked.error().span.start.line, 2u);
  EXPECT_EQ(checked.error().span.start.column, 1u);
  EXPECT_FALSE(checked.error().aux_span.has_value());
}

TEST(CompileError, SizeLimitKeepsNoPattern) {
  auto checked = check("\\pL{1000}", {});
  ASSERT_FALSE(checked);
  EXPECT_EQ(checked.error().kind, ErrorKind::SizeLimitExceeded);
  EXPECT_TRUE(checked.error().pattern.empty());
  EXPECT_EQ(kelp::regex::error_text(checked.error()),
            "Compiled regex exceeds size limit of 10485760 bytes.");
}

TEST(CompileError, NoneWhenThePatternCompiles) {
  EXPECT_TRUE(check("^(?i:ok|fine)\\s+\\w+$", {}).has_value());
}

}  // namespace

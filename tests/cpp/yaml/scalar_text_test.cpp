#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "yaml/reader.h"

namespace kelp::yaml {
namespace {

using namespace std::string_literals;

// The text of the value of key `x`, read from a one-key mapping.
struct TextCase {
  const char* name;
  std::string yaml;
  std::string expected;
};
void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

class ScalarText : public ::testing::TestWithParam<TextCase> {};

TEST_P(ScalarText, ReadsExactly) {
  const TextCase& c = GetParam();
  auto value = read_json_value(c.yaml);
  ASSERT_TRUE(value.has_value()) << value.error().display();
  const JsonValue* x = value->get("x");
  ASSERT_NE(x, nullptr);
  ASSERT_TRUE(x->is_string());
  EXPECT_EQ(x->as_string(), c.expected) << c.yaml;
}

auto case_name = [](const ::testing::TestParamInfo<TextCase>& case_info) { return std::string(case_info.param.name); };

INSTANTIATE_TEST_SUITE_P(
    Quoted, ScalarText,
    ::testing::Values(
        TextCase{"DoubledQuotesInSingleQuotes", "x: 'a''''b'\n", "a''b"},
        TextCase{"DoubledQuotesBeforeMultiByte", "x: 'a''''b\xC3\xA9'\n", "a''b\xC3\xA9"},
        TextCase{"EscapedBackslashThenEscapedBreak", "x: \"a\\\\\\\n  b\"\n", "a\\b"},
        TextCase{"BlanksBeforeAnEscapedBreakStay", "x: \"a \\\n  b\"\n", "a b"},
        TextCase{"EmptyRowsAfterAnEscapedBreak", "x: \"a\\\n\n\n  b\"\n", "a\n\nb"},
        TextCase{"SingleQuotedFolding", "x: 'a\n  b\n\n  c  '\n", "a b\nc  "},
        TextCase{"DoubleQuotedFoldingTrimsBlanks", "x: \"a  \n   b\"\n", "a b"},
        TextCase{"EveryOneCharacterEscape",
                 "x: \"\\0\\a\\b\\t\\\t\\n\\v\\f\\r\\e\\ \\\"\\/\\\\\\N\\_\\L\\P\"\n",
                 "\0\a\b\t\t\n\v\f\r\x1B \"/\\\xC2\x85\xC2\xA0\xE2\x80\xA8\xE2\x80\xA9"s},
        TextCase{"HexEscapes", "x: \"\\x41\\u00e9\\U0001F355\"\n", "A\xC3\xA9\xF0\x9F\x8D\x95"},
        TextCase{"SurrogatePairEscape", "x: \"\\ud83c\\udf55\"\n", "\xF0\x9F\x8D\x95"},
        TextCase{"HashAndColonInsideQuotes", "x: 'a #b: c'\n", "a #b: c"}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    Plain, ScalarText,
    ::testing::Values(TextCase{"HashWithoutBlankIsText", "x: a#b\n", "a#b"},
                      TextCase{"ColonWithoutBlankIsText", "x: a:b\n", "a:b"},
                      TextCase{"FoldedOverRows", "x: a\n  b\n\n  c\n", "a b\nc"},
                      TextCase{"InnerBlanksKept", "x: a \t b\n", "a \t b"},
                      TextCase{"FlowIndicatorsInBlockContext", "x: a, [b] {c}\n", "a, [b] {c}"}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    Block, ScalarText,
    ::testing::Values(
        TextCase{"LiteralClip", "x: |\n  a\n   b\n\n", "a\n b\n"},
        TextCase{"LiteralStrip", "x: |-\n  a\n\n", "a"},
        TextCase{"LiteralKeep", "x: |+\n  a\n\n\n", "a\n\n\n"},
        TextCase{"ExplicitIndentation", "x: |2\n   a\n  b\n", " a\nb\n"},
        TextCase{"IndicatorsInEitherOrder", "x: |-1\n  a\n", " a"},
        TextCase{"FoldedJoinsRows", "x: >\n  a\n  b\n\n  c\n", "a b\nc\n"},
        TextCase{"FoldedKeepsMoreIndentedRows", "x: >-\n  a\n    b\n  c\n", "a\n  b\nc"},
        TextCase{"FoldedEmptyRowsBeforeAMoreIndentedRow", "x: >-\n  - \"\n\n\n\n   ''\"\n",
                 "- \"\n\n\n\n ''\""},
        TextCase{"LastRowWithoutBreakEndsAsIfBroken", "x: |\n  a", "a\n"},
        TextCase{"CarriageReturnBreaks", "x: |\r\n  a\r\n  b\r\n", "a\nb\n"},
        TextCase{"CommentAfterTheHeader", "x: > # note\n  a\n", "a\n"}),
    case_name);

// Faults of scalar syntax are refused with their own message.
struct BadText {
  const char* name;
  std::string yaml;
  std::string message;
};
void PrintTo(const BadText& c, std::ostream* os) { *os << c.name; }

class ScalarTextFaults : public ::testing::TestWithParam<BadText> {};

TEST_P(ScalarTextFaults, AreRefused) {
  const BadText& c = GetParam();
  auto value = read_json_value(c.yaml);
  ASSERT_FALSE(value.has_value());
  const std::string error = value.error().display();
  EXPECT_EQ(error.substr(0, error.find('\n')), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ScalarTextFaults,
    ::testing::Values(
        BadText{"UnknownEscape", "x: \"a\\qb\"\n", "unknown escape sequence at line 1, column 6"},
        BadText{"ShortHexEscape", "x: \"\\x4\"\n", "malformed escape sequence at line 1, column 5"},
        BadText{"LoneSurrogate", "x: \"\\ud800\"\n", "escape sequence names no valid character at line 1, column 5"},
        BadText{"UnclosedDoubleQuote", "x: \"abc\n",
                "double-quoted scalar without its closing quote at line 1, column 4"},
        BadText{"UnclosedSingleQuote", "x: 'abc\n",
                "single-quoted scalar without its closing quote at line 1, column 4"},
        BadText{"QuotedRowNotIndented", "x: 'a\nb'\n",
                "quoted scalar continuation is not indented enough at line 2, column 1"},
        BadText{"DocumentMarkerInQuotes", "'a\n---\nb'\n",
                "document marker inside a quoted scalar at line 2, column 1"},
        BadText{"TextAfterBlockHeader", "x: | a\n  b\n",
                "unexpected text after a block scalar header at line 1, column 6"},
        BadText{"ZeroIndentationIndicator", "x: |0\n  a\n",
                "block scalar indentation indicator 0 at line 1, column 5"},
        BadText{"LeadingEmptyRowIndentedFurther", "x: |\n     \n  a\n",
                "leading empty row of a block scalar is indented more than its text at line 2, column 1"}),
    [](const ::testing::TestParamInfo<BadText>& case_info) { return std::string(case_info.param.name); });

}  // namespace
}  // namespace kelp::yaml

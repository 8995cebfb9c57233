#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>

#include "common/case_name.h"
#include "json/reader.h"
#include "json/writer.h"
#include "unicode/text.h"

using kelp::JsonValue;
namespace json = kelp::json;

namespace {

std::string error_of(std::string_view text) {
  auto r = json::parse_value(text);
  return r ? std::string("ok") : r.error().display();
}

std::string round_trip(std::string_view text) {
  auto r = json::parse_value(text);
  if (!r) return r.error().display();
  std::string out;
  json::write_compact(out, *r);
  return out;
}

}  // namespace

TEST(JsonReader, ValueKinds) {
  EXPECT_EQ(json::parse_value("1")->kind(), JsonValue::Kind::U64);
  EXPECT_EQ(json::parse_value("-1")->kind(), JsonValue::Kind::I64);
  EXPECT_EQ(json::parse_value("-0")->kind(), JsonValue::Kind::F64);
  EXPECT_TRUE(std::signbit(json::parse_value("-0")->as_f64()));
  EXPECT_EQ(json::parse_value("18446744073709551615")->as_u64(), 18446744073709551615ULL);
  EXPECT_EQ(json::parse_value("18446744073709551616")->kind(), JsonValue::Kind::F64);
  EXPECT_EQ(json::parse_value("-9223372036854775808")->as_i64(), INT64_MIN);
  EXPECT_EQ(json::parse_value("-9223372036854775809")->kind(), JsonValue::Kind::F64);
  EXPECT_EQ(json::parse_value("1e-400")->as_f64(), 0.0);
  EXPECT_EQ(json::parse_value("2.5E+1")->as_f64(), 25.0);
}

TEST(JsonReader, ObjectsSortKeysAndKeepTheLaterDuplicate) {
  EXPECT_EQ(round_trip(R"( {"b":1,"a":[true,false,null],"b":"x","\u00e9":{}} )"),
            R"({"a":[true,false,null],"b":"x","é":{}})");
}

TEST(JsonReader, StringEscapes) {
  EXPECT_EQ(round_trip(R"("\"\\\/\b\f\n\r\t\u0041\u00e9\ud83d\ude00\u0000")"),
            "\"\\\"\\\\/\\b\\f\\n\\r\\tA\u00e9\U0001F600\\u0000\"");
}

TEST(JsonReader, NestingLimit) {
  std::string ok = std::string(127, '[') + std::string(127, ']');
  EXPECT_EQ(error_of(ok), "ok");
  std::string deep = std::string(128, '[') + std::string(128, ']');
  EXPECT_EQ(error_of(deep), "recursion limit exceeded at line 1 column 128");
  std::string hostile(100000, '{');
  EXPECT_EQ(error_of(hostile), "key must be a string at line 1 column 2");
  std::string hostile_arrays(100000, '[');
  EXPECT_EQ(error_of(hostile_arrays), "recursion limit exceeded at line 1 column 128");
}

struct ErrorCase {
  const char* text;
  const char* error;
};

class JsonErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(JsonErrors, TextAndPosition) { EXPECT_EQ(error_of(GetParam().text), GetParam().error); }

INSTANTIATE_TEST_SUITE_P(
    JsonReader, JsonErrors,
    ::testing::Values(
        ErrorCase{"", "EOF while parsing a value at line 1 column 0"},
        ErrorCase{"\n\n", "EOF while parsing a value at line 3 column 0"},
        ErrorCase{"[1,2", "EOF while parsing a list at line 1 column 4"},
        ErrorCase{"{\"a\":1", "EOF while parsing an object at line 1 column 6"},
        ErrorCase{"{\"a\"", "EOF while parsing an object at line 1 column 4"},
        ErrorCase{"[1 2]", "expected `,` or `]` at line 1 column 4"},
        ErrorCase{"{\"a\":1 \"b\"}", "expected `,` or `}` at line 1 column 8"},
        ErrorCase{"[1,]", "trailing comma at line 1 column 4"},
        ErrorCase{"{\"a\":1,}", "trailing comma at line 1 column 8"},
        ErrorCase{"1 2", "trailing characters at line 1 column 3"},
        ErrorCase{"nul", "EOF while parsing a value at line 1 column 3"},
        ErrorCase{"nulL", "expected ident at line 1 column 4"},
        ErrorCase{"x", "expected value at line 1 column 1"},
        ErrorCase{"-", "EOF while parsing a value at line 1 column 1"},
        ErrorCase{"-x", "invalid number at line 1 column 2"},
        ErrorCase{"1.", "EOF while parsing a value at line 1 column 2"},
        ErrorCase{"1.x", "invalid number at line 1 column 3"},
        ErrorCase{"1e", "EOF while parsing a value at line 1 column 2"},
        ErrorCase{"1e+x", "invalid number at line 1 column 4"},
        ErrorCase{"1e309", "number out of range at line 1 column 5"},
        ErrorCase{"-1e309", "number out of range at line 1 column 6"},
        ErrorCase{"\"\\u12x3\"", "invalid escape at line 1 column 7"},
        ErrorCase{"\"\\u12", "EOF while parsing a string at line 1 column 5"},
        ErrorCase{"\"\\ud800\\n\"", "unexpected end of hex escape at line 1 column 9"},
        ErrorCase{"\"a\nb\"", "control character (\\u0000-\\u001F) found while parsing a string at line 2 column 0"},
        ErrorCase{"{\"a\" 1}", "expected `:` at line 1 column 6"}),
    KELP_CASE_NAMES(p.error));

// Positions of faults that are only judged after more text was taken: the
// four characters of a \u escape, the digits of an exponent, and a control
// character inside a value that is skipped rather than read.
struct PositionCase {
  const char* name;
  std::string_view text;
  const char* error;
};

void PrintTo(const PositionCase& c, std::ostream* os) { *os << kelp::unicode::quoted(c.text); }

class ReadPositions : public ::testing::TestWithParam<PositionCase> {};

TEST_P(ReadPositions, ReportTheStatedPlace) { EXPECT_EQ(error_of(GetParam().text), GetParam().error); }

INSTANTIATE_TEST_SUITE_P(
    UnicodeEscape, ReadPositions,
    ::testing::Values(
        PositionCase{"BadThirdDigit", R"("\u12G4")", "invalid escape at line 1 column 7"},
        PositionCase{"BadFirstDigit", R"("\uG234")", "invalid escape at line 1 column 7"},
        PositionCase{"BadTrailingSurrogate", R"("\ud800\uzzzz")", "invalid escape at line 1 column 13"},
        PositionCase{"QuoteAmongTheFour", R"(["\u12"])", "invalid escape at line 1 column 8"},
        PositionCase{"FewerThanFourLeft", R"("\u1G)", "EOF while parsing a string at line 1 column 5"},
        PositionCase{"SecondLineColumn", "\n \"\\uabcX\"", "invalid escape at line 2 column 8"}),
    KELP_CASE_NAMES(p.name));

INSTANTIATE_TEST_SUITE_P(
    ExponentOverflow, ReadPositions,
    ::testing::Values(
        PositionCase{"DigitPastInt32Max", "1e999999999999999999999", "number out of range at line 1 column 12"},
        PositionCase{"JustPastInt32Max", "1e2147483648", "number out of range at line 1 column 12"},
        PositionCase{"ExplicitPlus", "[-2.5E+99999999999]", "number out of range at line 1 column 17"},
        PositionCase{"NonZeroFraction", "0.001e99999999999", "number out of range at line 1 column 16"},
        PositionCase{"FitsButTooLarge", "1e2147483647", "number out of range at line 1 column 12"}),
    KELP_CASE_NAMES(p.name));

struct ValueCase {
  const char* name;
  std::string_view text;
  double value;
};

class ExponentValues : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ExponentValues, AreTheNearestDouble) {
  auto parsed = json::parse_value(GetParam().text);
  ASSERT_TRUE(parsed) << parsed.error().display();
  EXPECT_EQ(parsed->as_f64(), GetParam().value);
  EXPECT_EQ(std::signbit(parsed->as_f64()), std::signbit(GetParam().value));
}

INSTANTIATE_TEST_SUITE_P(
    Overflowing, ExponentValues,
    ::testing::Values(ValueCase{"ZeroSignificand", "0e999999999999999999", 0.0},
                      ValueCase{"ZeroFraction", "-0.000e+99999999999", -0.0},
                      ValueCase{"NegativeExponent", "1e-999999999999999999", 0.0},
                      ValueCase{"NegativeNumberNegativeExponent", "-7e-99999999999", -0.0},
                      ValueCase{"LargestDouble", "1.7976931348623158e308", 1.7976931348623158e308},
                      ValueCase{"Int32MaxNegative", "1e-2147483647", 0.0}),
    KELP_CASE_NAMES(p.name));

// Skipped values go through Reader::ignore_value, as the unknown members of
// the input records do.
std::string skip_error(std::string_view text) {
  json::Reader reader(text);
  if (reader.ignore_value() && reader.end_of_input()) return "ok";
  return reader.take_error().display();
}

class SkipPositions : public ::testing::TestWithParam<PositionCase> {};

TEST_P(SkipPositions, ReportTheStatedPlace) { EXPECT_EQ(skip_error(GetParam().text), GetParam().error); }

INSTANTIATE_TEST_SUITE_P(
    ControlCharacter, SkipPositions,
    ::testing::Values(
        PositionCase{"TabInString", "\"a\tb\"",
                     "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 2"},
        PositionCase{"NewlineInNestedKey", "{\"x\":[{\"k\n\":1}]}",
                     "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 9"},
        PositionCase{"RightAfterQuote", std::string_view("[\"\x01\"]", 5),
                     "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 2"}),
    KELP_CASE_NAMES(p.name));

INSTANTIATE_TEST_SUITE_P(
    UnicodeEscape, SkipPositions,
    ::testing::Values(PositionCase{"BadThirdDigit", R"(["\u12G4"])", "invalid escape at line 1 column 8"},
                      PositionCase{"QuoteAmongTheFour", R"({"x":"\u12"})", "invalid escape at line 1 column 12"},
                      PositionCase{"FewerThanFourLeft", R"("\u12")", "EOF while parsing a string at line 1 column 6"}),
    KELP_CASE_NAMES(p.name));

TEST(ReadPositions, ControlCharacterInAReadStringIsAtTheCharacter) {
  EXPECT_EQ(error_of("\"a\tb\""), "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 3");
}

#include "yaml/scalar.h"

#include <gtest/gtest.h>

#include "common/case_name.h"

#include <cmath>
#include <limits>

namespace kelp::yaml {
namespace {

struct PlainCase {
  const char* text;
  JsonValue expected;
};

class PlainScalarTyping : public ::testing::TestWithParam<PlainCase> {};

TEST_P(PlainScalarTyping, ResolvesInOrder) {
  const PlainCase& c = GetParam();
  JsonValue got = resolve_plain_scalar(c.text);
  EXPECT_EQ(got.kind(), c.expected.kind()) << c.text;
  EXPECT_EQ(got, c.expected) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Booleans, PlainScalarTyping,
    ::testing::Values(PlainCase{"y", true}, PlainCase{"Y", true}, PlainCase{"yes", true},
                      PlainCase{"YeS", true}, PlainCase{"on", true}, PlainCase{"ON", true},
                      PlainCase{"true", true}, PlainCase{"True", true}, PlainCase{"n", false},
                      PlainCase{"no", false}, PlainCase{"Off", false}, PlainCase{"FALSE", false},
                      PlainCase{"yess", "yess"}, PlainCase{"t", "t"}, PlainCase{"0", std::uint64_t{0}}), KELP_CASE_NAMES(p.text));

INSTANTIATE_TEST_SUITE_P(Nulls, PlainScalarTyping,
                         ::testing::Values(PlainCase{"", nullptr}, PlainCase{"~", nullptr},
                                           PlainCase{"null", nullptr}, PlainCase{"NULL", nullptr},
                                           PlainCase{"nUlL", nullptr}, PlainCase{"~~", "~~"},
                                           PlainCase{"nil", "nil"}), KELP_CASE_NAMES(p.text));

INSTANTIATE_TEST_SUITE_P(
    Integers, PlainScalarTyping,
    ::testing::Values(PlainCase{"12", std::uint64_t{12}}, PlainCase{"+12", std::uint64_t{12}},
                      PlainCase{"007", std::uint64_t{7}}, PlainCase{"-12", std::int64_t{-12}},
                      PlainCase{"-0", std::int64_t{0}},
                      PlainCase{"18446744073709551615", std::numeric_limits<std::uint64_t>::max()},
                      PlainCase{"-9223372036854775808", std::numeric_limits<std::int64_t>::min()},
                      // Too large for either integer type: the float parse takes it.
                      PlainCase{"18446744073709551616", 18446744073709551616.0},
                      PlainCase{"-9223372036854775809", -9223372036854775809.0}), KELP_CASE_NAMES(p.text));

INSTANTIATE_TEST_SUITE_P(
    Floats, PlainScalarTyping,
    ::testing::Values(PlainCase{"1.5", 1.5}, PlainCase{"-1.5", -1.5}, PlainCase{"+1.5", 1.5},
                      PlainCase{".5", 0.5}, PlainCase{"5.", 5.0}, PlainCase{"1e3", 1000.0},
                      PlainCase{"1.5E-3", 0.0015}, PlainCase{"-.5e+1", -5.0},
                      PlainCase{"1e400", std::numeric_limits<double>::infinity()},
                      PlainCase{"-1e400", -std::numeric_limits<double>::infinity()},
                      PlainCase{"1e-400", 0.0}, PlainCase{"0.0000e999", 0.0},
                      PlainCase{".inf", std::numeric_limits<double>::infinity()},
                      PlainCase{"+.Inf", std::numeric_limits<double>::infinity()},
                      PlainCase{"-.INF", -std::numeric_limits<double>::infinity()}), KELP_CASE_NAMES(p.text));

INSTANTIATE_TEST_SUITE_P(
    Strings, PlainScalarTyping,
    ::testing::Values(PlainCase{"1.2.3", "1.2.3"}, PlainCase{"0x1F", "0x1F"},
                      PlainCase{"1_000", "1_000"}, PlainCase{"inf", "inf"}, PlainCase{"nan", "nan"},
                      PlainCase{"infinity", "infinity"}, PlainCase{".", "."}, PlainCase{"e5", "e5"},
                      PlainCase{"1e", "1e"}, PlainCase{"+", "+"}, PlainCase{"-", "-"},
                      PlainCase{"- 1", "- 1"}, PlainCase{"+-1", "+-1"}, PlainCase{"-.nan", "-.nan"},
                      PlainCase{".Nan", ".Nan"}, PlainCase{"hello world", "hello world"}), KELP_CASE_NAMES(p.text));

TEST(PlainScalarTyping, NanSpellings) {
  for (const char* text : {".nan", ".NaN", ".NAN"}) {
    JsonValue v = resolve_plain_scalar(text);
    ASSERT_TRUE(v.is_f64()) << text;
    EXPECT_TRUE(std::isnan(v.as_f64())) << text;
  }
}

TEST(PlainScalarTyping, NegativeZeroKeepsItsSign) {
  JsonValue v = resolve_plain_scalar("-0.0");
  ASSERT_TRUE(v.is_f64());
  EXPECT_TRUE(std::signbit(v.as_f64()));
}

TEST(IntegerParsing, BoundsOfEachType) {
  EXPECT_FALSE(parse_u64("-1"));
  EXPECT_FALSE(parse_u64("18446744073709551616"));
  EXPECT_EQ(parse_i64("9223372036854775807"), std::numeric_limits<std::int64_t>::max());
  EXPECT_FALSE(parse_i64("9223372036854775808"));
  EXPECT_FALSE(parse_i64("-9223372036854775809"));
  EXPECT_TRUE(is_integer_text("-99999999999999999999999"));
  EXPECT_FALSE(is_integer_text("1.0"));
}

}  // namespace
}  // namespace kelp::yaml

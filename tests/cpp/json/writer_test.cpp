#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/case_name.h"
#include "json/writer.h"

using kelp::JsonValue;
namespace json = kelp::json;

namespace {

std::string f64(double v) {
  std::string out;
  json::write_f64(out, v);
  return out;
}

std::string str(std::string_view s) {
  std::string out;
  json::write_string(out, s);
  return out;
}

}  // namespace

struct FloatCase {
  double value;
  const char* text;
};

class FloatForm : public ::testing::TestWithParam<FloatCase> {};

TEST_P(FloatForm, WritesShortestRoundTrip) { EXPECT_EQ(f64(GetParam().value), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(
    Json, FloatForm,
    ::testing::Values(FloatCase{0.0, "0.0"}, FloatCase{-0.0, "-0.0"}, FloatCase{2.0, "2.0"},
                      FloatCase{0.1, "0.1"}, FloatCase{1.5, "1.5"}, FloatCase{-12.25, "-12.25"},
                      FloatCase{1e15, "1000000000000000.0"}, FloatCase{1e16, "1e16"},
                      FloatCase{1.5e16, "1.5e16"}, FloatCase{123456789012345680.0, "1.2345678901234568e17"},
                      FloatCase{0.0001, "0.0001"}, FloatCase{0.00001, "0.00001"}, FloatCase{0.000001, "1e-6"},
                      FloatCase{1.5e-7, "1.5e-7"}, FloatCase{1e300, "1e300"},
                      FloatCase{5e-324, "5e-324"},
                      FloatCase{std::numeric_limits<double>::infinity(), "null"},
                      FloatCase{std::nan(""), "null"}),
    KELP_CASE_NAMES(p.text));

TEST(Json, DisplayFormNeverUsesExponents) {
  EXPECT_EQ(json::display_f64(1.0), "1.0");
  EXPECT_EQ(json::display_f64(-0.0), "-0.0");
  EXPECT_EQ(json::display_f64(1e-7), "0.0000001");
  EXPECT_EQ(json::display_f64(18446744073709551616.0), "18446744073709552000.0");
  EXPECT_EQ(json::display_f64(2.5), "2.5");
}

TEST(Json, StringEscapes) {
  EXPECT_EQ(str("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(str("\b\t\n\f\r"), "\"\\b\\t\\n\\f\\r\"");
  EXPECT_EQ(str(std::string_view("\x00\x01\x1f", 3)), "\"\\u0000\\u0001\\u001f\"");
  EXPECT_EQ(str("/\x7f\u00e9\u2028"), "\"/\x7f\u00e9\u2028\"");
}

TEST(Json, CompactAndPretty) {
  JsonValue::Object inner;
  inner["b"] = JsonValue(std::uint64_t{1});
  inner["a"] = JsonValue(JsonValue::Array{JsonValue(true), JsonValue(nullptr), JsonValue(std::int64_t{-3})});
  JsonValue::Object root;
  root["x"] = JsonValue(inner);
  root["e"] = JsonValue(JsonValue::Object{});
  std::string compact;
  json::write_compact(compact, JsonValue(root));
  EXPECT_EQ(compact, R"({"e":{},"x":{"a":[true,null,-3],"b":1}})");
  std::string pretty;
  json::write_pretty(pretty, JsonValue(root));
  EXPECT_EQ(pretty, "{\n  \"e\": {},\n  \"x\": {\n    \"a\": [\n      true,\n      null,\n      -3\n    ],\n    \"b\": 1\n  }\n}");
}

#include "yaml/text_check.h"

#include <gtest/gtest.h>

#include "common/case_name.h"

#include <string>

namespace kelp::yaml {
namespace {

struct BadText {
  std::string text;
  std::string message;
  std::size_t line;
  std::size_t column;
};

class TextCheckFaults : public ::testing::TestWithParam<BadText> {};

TEST_P(TextCheckFaults, ReportsTheCharacterWithItsOwnPosition) {
  const BadText& c = GetParam();
  auto fault = check_yaml_text(c.text);
  ASSERT_TRUE(fault.has_value());
  EXPECT_EQ(fault->message, c.message);
  EXPECT_EQ(fault->line, c.line);
  EXPECT_EQ(fault->column, c.column);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Characters, TextCheckFaults,
    ::testing::Values(
        // A NUL anywhere is refused, not taken for the end of the text.
        BadText{"a: 1\nb: x\0y\n"s, "character U+0000 is not allowed in YAML text", 2, 5},
        BadText{"a: \x01"s, "character U+0001 is not allowed in YAML text", 1, 4},
        BadText{"a: \x7F"s, "character U+007F is not allowed in YAML text", 1, 4},
        BadText{"\xC2\x80"s, "character U+0080 is not allowed in YAML text", 1, 1},
        BadText{"a: \xEF\xBF\xBE"s, "character U+FFFE is not allowed in YAML text", 1, 4},
        BadText{"a: \xEF\xBF\xBF"s, "character U+FFFF is not allowed in YAML text", 1, 4},
        // Columns count characters: the two-byte é counts once.
        BadText{"\xC3\xA9\xC3\xA9: \x02"s, "character U+0002 is not allowed in YAML text", 1, 5},
        BadText{"a\r\nb\rc: \x03"s, "character U+0003 is not allowed in YAML text", 3, 4}), KELP_CASE_NAMES(p.message));

INSTANTIATE_TEST_SUITE_P(
    Encoding, TextCheckFaults,
    ::testing::Values(BadText{"a: \xFF"s, "invalid UTF-8 byte 0xFF in YAML text", 1, 4},
                      BadText{"a: \xC3"s, "invalid UTF-8 byte 0xC3 in YAML text", 1, 4},
                      // An encoded surrogate and an overlong form.
                      BadText{"x\n\xED\xA0\x80"s, "invalid UTF-8 byte 0xED in YAML text", 2, 1},
                      BadText{"\xC0\xAF"s, "invalid UTF-8 byte 0xC0 in YAML text", 1, 1}), KELP_CASE_NAMES(p.message));

TEST(TextCheck, AcceptsEveryAllowedClass) {
  std::string text = "tab:\tx\r\nnel: a\xC2\x85" "b\nnbsp: \xC2\xA0\nemoji: \xF0\x9F\x8D\x95\n"
                     "bmp: \xEE\x80\x80\xEF\xBF\xBD\n";
  EXPECT_FALSE(check_yaml_text(text).has_value());
}

}  // namespace
}  // namespace kelp::yaml

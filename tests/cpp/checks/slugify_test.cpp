#include <gtest/gtest.h>

#include "checks/slugify.h"
#include "common/case_name.h"
#include "unicode/text.h"

using namespace kelp;

namespace {

struct SlugCase {
  const char* input;
  const char* expected;
};

class Slugify : public ::testing::TestWithParam<SlugCase> {};

TEST_P(Slugify, MakesTheServerKey) {
  EXPECT_EQ(slugify(GetParam().input), GetParam().expected) << GetParam().input;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Slugify,
    ::testing::Values(
        SlugCase{"My Server", "my-server"}, SlugCase{"Docs/API 2", "docs-api-2"},
        // A copied "-" next to a replaced run stays.
        SlugCase{"a - b", "a---b"}, SlugCase{"a -b", "a--b"}, SlugCase{"__x__", "__x__"},
        SlugCase{"--x--", "x"}, SlugCase{"äö", "mcp"}, SlugCase{"   ", "mcp"},
        SlugCase{"", "mcp"}, SlugCase{"\u3000\u2028", "mcp"}, SlugCase{"-", "mcp"},
        // The Kelvin sign lowercases to an ASCII k.
        SlugCase{"\u212A", "k"}, SlugCase{"GitHub", "github"},
        // Trimming uses the full White_Space set, so no "-" is left at the ends.
        SlugCase{"\u00A0Docs\u2003", "docs"},
        // A run of several non-ASCII characters becomes one "-".
        SlugCase{"a\u00e4\u00f6\u00fcb", "a-b"}, SlugCase{"a.b..c", "a-b-c"},
        // Dotted capital I lowercases to "i" plus a combining dot.
        SlugCase{"\u0130x", "i-x"}, SlugCase{"\u03a3A", "a"}),
    KELP_CASE_NAMES(p.input));

// Capital sigma takes its final form only at the end of a word.
TEST(Slugify, LowercaseGivesSigmaItsContextualForm) {
  EXPECT_EQ(unicode::to_lower("\u039f\u0394\u039f\u03a3"), "\u03bf\u03b4\u03bf\u03c2");
  EXPECT_EQ(unicode::to_lower("\u03a3\u0391"), "\u03c3\u03b1");
  EXPECT_EQ(unicode::to_lower("\u0391\u03a3 \u0392"), "\u03b1\u03c2 \u03b2");
  EXPECT_EQ(unicode::to_lower("\u03a3"), "\u03c3");
}

}  // namespace

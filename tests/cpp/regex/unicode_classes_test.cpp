#include <gtest/gtest.h>

#include "common/case_name.h"

#include "regex/codepoint_set.h"
#include "regex/unicode_props.h"

// Property name matching and the class algebra behind bracketed classes.

namespace {

using namespace kelp::regex;

struct NormCase {
  const char* name;
  const char* normalized;
};

class SymbolicNames : public ::testing::TestWithParam<NormCase> {};

TEST_P(SymbolicNames, NormalizeLoosely) {
  EXPECT_EQ(normalize_symbolic_name(GetParam().name), GetParam().normalized);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SymbolicNames,
    ::testing::Values(NormCase{"Line_Break", "linebreak"},
                      NormCase{"Line-break", "linebreak"},
                      NormCase{"Greek", "greek"}, NormCase{"isGreek", "greek"},
                      NormCase{"IS_Greek", "greek"}, NormCase{"isc", "isc"},
                      NormCase{"is c", "isc"}, NormCase{"is_c", "isc"},
                      NormCase{"L\u00e9", "l"}, NormCase{"a\tb", "a\tb"},
                      NormCase{"is", ""}, NormCase{"V1_1", "v11"},
                      NormCase{"1.1", "1.1"}), KELP_CASE_NAMES(p.name));

kelp::Expected<SetRef, ErrorKind> found(
    kelp::Expected<const SharedClass*, ErrorKind> c) {
  if (!c) return kelp::unexpected(c.error());
  return c.value()->set();
}

kelp::Expected<SetRef, ErrorKind> named(const char* name) {
  return found(
      unicode_class_set({UnicodeClassForm::Named, UnicodeClassOp::None, name, ""}));
}

kelp::Expected<SetRef, ErrorKind> by_value(const char* name, const char* value) {
  return found(unicode_class_set(
      {UnicodeClassForm::NamedValue, UnicodeClassOp::Equal, name, value}));
}

bool contains(const CodepointSet& s, uint32_t cp) {
  for (const CodepointRange& r : s.ranges()) {
    if (cp >= r.lo && cp <= r.hi) return true;
  }
  return false;
}

TEST(UnicodeClasses, ScriptsCategoriesAndBinaryProperties) {
  auto greek = named("Greek");
  ASSERT_TRUE(greek);
  EXPECT_TRUE(contains(*greek.value(), 0x3B1));
  EXPECT_FALSE(contains(*greek.value(), 'a'));

  auto lu = by_value("gc", "Lu");
  ASSERT_TRUE(lu);
  EXPECT_TRUE(contains(*lu.value(), 'A'));
  EXPECT_FALSE(contains(*lu.value(), 'a'));

  auto emoji = named("Emoji");
  ASSERT_TRUE(emoji);
  EXPECT_TRUE(contains(*emoji.value(), 0x1F600));

  auto scx = by_value("scx", "Deva");
  auto sc = by_value("sc", "Deva");
  ASSERT_TRUE(scx && sc);
  // U+0964 DEVANAGARI DANDA is Common by script, Devanagari (among others)
  // by script extensions.
  EXPECT_TRUE(contains(*scx.value(), 0x964));
  EXPECT_FALSE(contains(*sc.value(), 0x964));
}

TEST(UnicodeClasses, AgeIsCumulative) {
  auto v1 = by_value("Age", "1.1");
  auto v6 = by_value("age", "V6_0");
  ASSERT_TRUE(v1 && v6);
  EXPECT_TRUE(contains(*v6.value(), 'a'));
  EXPECT_TRUE(contains(*v6.value(), 0x20B9 - 0x10));  // assigned before 6.0
  EXPECT_FALSE(contains(*v1.value(), 0x20AC));         // the euro sign came in 2.1
}

TEST(UnicodeClasses, ErrorsTellNameFromValue) {
  EXPECT_EQ(named("Nope").error(), ErrorKind::UnicodePropertyNotFound);
  EXPECT_EQ(by_value("Nope", "x").error(), ErrorKind::UnicodePropertyNotFound);
  EXPECT_EQ(by_value("sc", "Nope").error(), ErrorKind::UnicodePropertyValueNotFound);
  EXPECT_EQ(by_value("Line_Break", "AL").error(),
            ErrorKind::UnicodePropertyValueNotFound);
  EXPECT_EQ(named("Line_Break").error(), ErrorKind::UnicodePropertyNotFound);
  // ICU's own POSIX-style names are not the dialect's.
  EXPECT_EQ(named("alnum").error(), ErrorKind::UnicodePropertyNotFound);
}

TEST(CodepointSets, NegationNeverHoldsSurrogates) {
  const CodepointSet a = CodepointSet::from_ranges({{'a', 'a'}});
  const CodepointSet n = a.negated();
  EXPECT_FALSE(contains(n, 0xD800));
  EXPECT_FALSE(contains(n, 'a'));
  EXPECT_TRUE(contains(n, 0x10FFFF));
  EXPECT_TRUE(n.negated() == a);
  EXPECT_TRUE(CodepointSet::from_ranges({{0, 0xD7FF}, {0xE000, 0x10FFFF}})
                  .negated()
                  .empty());
}

TEST(CodepointSets, SetOperations) {
  const CodepointSet az = CodepointSet::from_ranges({{'a', 'z'}});
  const CodepointSet dm = CodepointSet::from_ranges({{'d', 'm'}});
  EXPECT_TRUE(az.intersected(dm) == dm);
  EXPECT_TRUE(az.minus(dm) ==
              CodepointSet::from_ranges({{'a', 'c'}, {'n', 'z'}}));
  EXPECT_TRUE(az.symmetric_difference(dm) == az.minus(dm));
  EXPECT_TRUE(az.united(dm) == az);
  EXPECT_EQ(CodepointSet::from_ranges({{'b', 'c'}, {'a', 'a'}, {'d', 'd'}})
                .ranges()
                .size(),
            1u);
}

TEST(CodepointSets, SimpleCaseFoldingClosesOrbits) {
  const CodepointSet k = CodepointSet::single('k').case_folded();
  EXPECT_TRUE(k == CodepointSet::from_ranges({{'K', 'K'}, {'k', 'k'}, {0x212A, 0x212A}}));
  const CodepointSet sigma = CodepointSet::single(0x3C3).case_folded();
  EXPECT_TRUE(contains(sigma, 0x3A3) && contains(sigma, 0x3C2));
  EXPECT_TRUE(has_simple_case_mapping('A'));
  EXPECT_FALSE(has_simple_case_mapping('1'));
  // Full foldings (sharp s to "ss") are not simple ones.
  EXPECT_FALSE(contains(CodepointSet::single('s').case_folded(), 0xDF));
}

}  // namespace

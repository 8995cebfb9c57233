#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "regex/check_text.h"
#include "regex/syntax.h"

// The nest limit (counted as the dialect counts it), and hostile input:
// very deep nesting and megabyte patterns must end quickly, without deep
// recursion, with the dialect's outcome.

namespace {

using kelp::regex_testing::check_text;

const char* const kNest =
    "exceed the maximum number of nested parentheses/brackets (250)";

std::string repeat(std::string_view s, std::size_t n) {
  std::string out;
  out.reserve(s.size() * n);
  for (std::size_t i = 0; i < n; ++i) out += s;
  return out;
}

std::string nest_error(const std::string& pattern, std::size_t column,
                       std::size_t width) {
  return "regex parse error:\n    " + pattern + "\n    " +
         std::string(column - 1, ' ') + std::string(width, '^') +
         "\nerror: " + kNest;
}

TEST(NestLimit, TwoHundredFiftyGroupsPass) {
  EXPECT_EQ(check_text(repeat("(", 250) + "a" + repeat(")", 250), {}), std::nullopt);
}

TEST(NestLimit, OneGroupMoreMarksTheInnermostGroup) {
  const std::string p = repeat("(", 251) + "a" + repeat(")", 251);
  EXPECT_EQ(check_text(p, {}), nest_error(p, 251, 3));
}

TEST(NestLimit, AConcatenationIsOneLevel) {
  // Two characters inside 250 groups need a 251st level.
  const std::string p = repeat("(?:", 250) + "ab" + repeat(")", 250);
  EXPECT_EQ(check_text(p, {}), nest_error(p, 751, 2));
}

TEST(NestLimit, RepetitionsNest) {
  EXPECT_EQ(check_text("a" + repeat("*", 250), {}), std::nullopt);
  const std::string p = "a" + repeat("*", 251);
  EXPECT_EQ(check_text(p, {}), nest_error(p, 1, 2));
}

TEST(NestLimit, BracketsNest) {
  EXPECT_EQ(check_text(repeat("[", 250) + "a" + repeat("]", 250), {}), std::nullopt);
  const std::string p = repeat("[", 251) + "a" + repeat("]", 251);
  EXPECT_EQ(check_text(p, {}), nest_error(p, 251, 3));
}

TEST(NestLimit, SetOperationsNestToTheLeft) {
  EXPECT_EQ(check_text("[" + repeat("a&&", 249) + "a]", {}), std::nullopt);
  const std::string p = "[" + repeat("a&&", 250) + "a]";
  EXPECT_EQ(check_text(p, {}), nest_error(p, 2, 4));
}

TEST(NestLimit, UnionsInsideBracketsAreALevel) {
  // 249 brackets around "ab": the innermost union is level 250.
  EXPECT_EQ(check_text(repeat("[", 249) + "ab" + repeat("]", 249), {}), std::nullopt);
  const std::string p = repeat("[", 250) + "ab" + repeat("]", 250);
  EXPECT_EQ(check_text(p, {}), nest_error(p, 251, 2));
}

// The outcome of one hostile pattern; how long it takes is the hostile
// patterns benchmark's business, not a test's.
void expect_outcome(const std::string& pattern,
                    const std::function<void(const std::optional<std::string>&)>& verify) {
  verify(check_text(pattern, {}));
}

auto ends_with(std::string_view tail) {
  return [tail = std::string(tail)](const std::optional<std::string>& got) {
    ASSERT_TRUE(got.has_value());
    EXPECT_TRUE(got->size() >= tail.size() &&
                got->compare(got->size() - tail.size(), tail.size(), tail) == 0)
        << got->substr(got->size() > 200 ? got->size() - 200 : 0);
  };
}

auto accepted() {
  return [](const std::optional<std::string>& got) {
    EXPECT_EQ(got, std::nullopt);
  };
}

const char* const kTooBig = "Compiled regex exceeds size limit of 10485760 bytes.";

TEST(HostileInput, HundredThousandNestedGroupsHitTheNestLimit) {
  expect_outcome(repeat("(", 100000) + "a" + repeat(")", 100000), ends_with(kNest));
}

TEST(HostileInput, HundredThousandNestedBracketsHitTheNestLimit) {
  expect_outcome(repeat("[", 100000) + "a" + repeat("]", 100000), ends_with(kNest));
}

TEST(HostileInput, HundredThousandRepetitionsHitTheNestLimit) {
  expect_outcome("a" + repeat("+", 100000), ends_with(kNest));
}

TEST(HostileInput, HundredThousandSetOperationsHitTheNestLimit) {
  expect_outcome("[" + repeat("a--", 100000) + "a]", ends_with(kNest));
}

TEST(HostileInput, HundredThousandOpenGroupsAreUnclosed) {
  expect_outcome(repeat("(", 100000), ends_with("error: unclosed group"));
}

TEST(HostileInput, MegabyteLiteralExceedsTheSize) {
  expect_outcome(repeat("a", 1 << 20), [](const auto& got) { EXPECT_EQ(got, kTooBig); });
}

TEST(HostileInput, MegabyteOfSingleCharacterAlternativesIsOneClass) {
  expect_outcome(repeat("a|b|", 1 << 18) + "c", accepted());
}

TEST(HostileInput, ManyLiteralAlternativesNeedNoProgram) {
  // At least 3,000 plain literals are searched without an NFA, however long.
  std::string p;
  for (int i = 0; i < 4000; ++i) {
    if (i) p += '|';
    p += "w" + std::to_string(i) + repeat("x", 200);
  }
  expect_outcome(p, accepted());
}

TEST(HostileInput, FewerLongLiteralAlternativesExceedTheSize) {
  std::string p;
  for (int i = 0; i < 2000; ++i) {
    if (i) p += '|';
    p += "w" + std::to_string(i) + repeat("x", 400);
  }
  expect_outcome(p, [](const auto& got) { EXPECT_EQ(got, kTooBig); });
}

TEST(HostileInput, MegabyteOfUnicodeClassesExceedsTheSize) {
  expect_outcome(repeat("\\pL", 350000), [](const auto& got) { EXPECT_EQ(got, kTooBig); });
}

TEST(HostileInput, MegabyteClassOfManyPropertiesIsOneClass) {
  expect_outcome("[" + repeat("\\pL\\pN\\p{Greek}", 80000) + "]", accepted());
}

TEST(HostileInput, MegabyteOfNestedClassesWithSetAlgebra) {
  expect_outcome("[" + repeat("[\\pLa--b]", 110000) + "]", accepted());
  expect_outcome("(?i)[" + repeat("[\\w\\pN]", 140000) + "]", accepted());
}

TEST(HostileInput, MegabyteOfCaseInsensitiveLettersExceedsTheSize) {
  // Each k becomes the class [Kk\x{212A}], a small UTF-8 automaton.
  expect_outcome("(?i)" + repeat("k", 1 << 20), [](const auto& got) { EXPECT_EQ(got, kTooBig); });
}

TEST(HostileInput, MegabyteOfVerboseWhiteSpaceAndComments) {
  expect_outcome("(?x)" + repeat(" #\n", 350000) + "a", accepted());
}

TEST(HostileInput, MegabyteOfNamedGroups) {
  std::string p;
  for (int i = 0; p.size() < (1 << 20); ++i) p += "(?P<n" + std::to_string(i) + ">x)";
  expect_outcome(p, accepted());
}

TEST(HostileInput, MegabyteOfFailedAsciiClassOpenings) {
  expect_outcome("[" + repeat("[:", 1 << 19), ends_with("error: unclosed character class"));
}

TEST(HostileInput, MegabyteDecimalAndHexadecimalDigits) {
  expect_outcome("a{" + repeat("0", 1 << 20) + "1}", accepted());
  expect_outcome("\\x{" + repeat("0", 1 << 20) + "41}", accepted());
  expect_outcome("a{" + repeat("9", 1 << 20) + "}", ends_with("error: decimal literal invalid"));
}

TEST(HostileInput, MegabyteOfCountedRepetitionsOfGroups) {
  expect_outcome(repeat("(?:a|bc){2}", 95000), [](const auto& got) { EXPECT_EQ(got, kTooBig); });
}

TEST(HostileInput, InvalidUtf8IsReadByteByByteWithoutCrashing) {
  // Gate patterns arrive as valid UTF-8; stray bytes are still handled.
  EXPECT_EQ(check_text(std::string("a\xff\xfe"), {}), std::nullopt);
  EXPECT_TRUE(check_text(std::string("(\xff"), {}).has_value());
  EXPECT_TRUE(check_text(std::string("\\p{\xff}"), {}).has_value());
}

}  // namespace

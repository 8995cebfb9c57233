#include <gtest/gtest.h>

#include <string>

#include "regex/codepoint_set.h"
#include "regex/size_model.h"
#include "regex/check_text.h"
#include "regex/syntax.h"
#include "regex/unicode_props.h"

// The estimate of the compiled program against figures the library
// documents: \w{20} needs between 300,000 and 500,000 bytes forward, and
// \w alone does not fit in 45,000 bytes.

namespace {

using namespace kelp::regex;

TEST(SizeModel, WordClassMatchesTheDocumentedFigures) {
  Utf8CostModel model;
  uint64_t work = 0;
  const NfaCost w = model.cost(*perl_unicode_set(PerlKind::Word).set(), work);
  EXPECT_GT(20 * w.fwd, 300000u);
  EXPECT_LT(20 * w.fwd, 500000u);
  EXPECT_GT(w.rev, 45000u);
  EXPECT_GT(work, 0u);
}

TEST(SizeModel, SmallClassesAreSmall) {
  Utf8CostModel model;
  uint64_t work = 0;
  // Two 2-byte characters sharing a lead byte.
  const NfaCost c =
      model.cost(CodepointSet::from_ranges({{0xE9, 0xE9}, {0xEB, 0xEB}}), work);
  EXPECT_LT(c.fwd, 200u);
  EXPECT_LT(c.rev, 200u);
}

TEST(SizeModel, SaturatingArithmetic) {
  EXPECT_EQ(sat_mul(uint64_t{1} << 40, uint64_t{1} << 40), kSaturated);
  EXPECT_EQ(sat_add(kSaturated, 1), kSaturated);
  EXPECT_EQ(sat_mul(3, 4), 12u);
}

std::optional<std::string> c(const std::string& p) {
  return kelp::regex_testing::check_text(p, {});
}
const std::string kTooBig = "Compiled regex exceeds size limit of 10485760 bytes.";

TEST(SizeLimit, LiteralsCostOneStatePerByte) {
  EXPECT_EQ(c(std::string(200000, 'a')), std::nullopt);  // 6.4 MB
  EXPECT_EQ(c(std::string(400000, 'a')), kTooBig);       // 12.8 MB
  EXPECT_EQ(c("a{200000}"), std::nullopt);
  EXPECT_EQ(c("a{400000}"), kTooBig);
}

TEST(SizeLimit, NestedCountedRepetitionsMultiply) {
  EXPECT_EQ(c("(?:a{100}){100}"), std::nullopt);
  EXPECT_EQ(c("(?:(?:a{100}){100}){100}"), kTooBig);
  EXPECT_EQ(c("(?:a{10,20}){1000}"), std::nullopt);
  EXPECT_EQ(c("(?:a{10,20}){100000}"), kTooBig);
  EXPECT_EQ(c("(?:a{2}){4294967295}"), kTooBig);
}

TEST(SizeLimit, OptionalCopiesCostAUnionEach) {
  EXPECT_EQ(c("a{0,50000}"), std::nullopt);
  EXPECT_EQ(c("a{0,200000}"), kTooBig);
  EXPECT_EQ(c("(?:a?){200000}"), kTooBig);
}

TEST(SizeLimit, UnicodeClassesAreLarge) {
  EXPECT_EQ(c("\\pL{100}"), std::nullopt);
  EXPECT_EQ(c("\\pL{1000}"), kTooBig);
  EXPECT_EQ(c("\\w{100}"), std::nullopt);
  EXPECT_EQ(c("\\w{300}"), kTooBig);
  EXPECT_EQ(c("[\\w\\pN]{1000}"), kTooBig);
  // ASCII-only classes are one state.
  EXPECT_EQ(c("[a-z]{100000}"), std::nullopt);
  EXPECT_EQ(c("(?-u:\\w){100000}"), std::nullopt);
}

TEST(SizeLimit, EmptyWidthPiecesRepeatAtMostOnce) {
  EXPECT_EQ(c("(?:){4294967295}"), std::nullopt);
  EXPECT_EQ(c("\\b{4294967295}"), std::nullopt);
  EXPECT_EQ(c("(?:^$){1000000}{1000000}"), std::nullopt);
  EXPECT_EQ(c("(?:a{0}){4294967295}"), std::nullopt);
}

TEST(SizeLimit, CaseInsensitivityWidensLiterals) {
  EXPECT_EQ(kelp::regex_testing::check_text("k{100000}", {}), std::nullopt);
  EXPECT_EQ(kelp::regex_testing::check_text("k{100000}", {true, false, false}), kTooBig);
}

TEST(SizeLimit, AlternationsOfCharactersBecomeOneClass) {
  std::string p;
  for (int i = 0; i < 100000; ++i) p += i % 2 ? "a|" : "b|";
  p += "c";
  EXPECT_EQ(c("(?:" + p + "){1000}"), std::nullopt);
}

}  // namespace

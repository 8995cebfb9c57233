#include <gtest/gtest.h>
#include <unicode/uchar.h>
#include <unicode/uset.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "../common/case_name.h"
#include "regex/codepoint_set.h"
#include "regex/property_names.h"
#include "regex/property_table.h"
#include "regex/unicode_props.h"

// Classes built from a part of ICU's data (the character type ranges, the
// cased characters, a few categories tested character by character) hold
// exactly what ICU's own sets of the same properties hold.

namespace kelp::regex {
namespace {

class IcuSet {
 public:
  IcuSet() : set_(uset_openEmpty()) {}
  ~IcuSet() { uset_close(set_); }
  IcuSet(const IcuSet&) = delete;
  IcuSet& operator=(const IcuSet&) = delete;

  IcuSet& apply(UProperty prop, int32_t value) {
    UErrorCode status = U_ZERO_ERROR;
    uset_applyIntPropertyValue(set_, prop, value, &status);
    EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
    return *this;
  }
  IcuSet& add(const IcuSet& other) {
    uset_addAll(set_, other.set_);
    return *this;
  }

  CodepointSet to_set() const {
    std::vector<CodepointRange> ranges;
    for (int32_t i = 0; i < uset_getItemCount(set_); ++i) {
      UChar32 lo = 0, hi = 0;
      UErrorCode status = U_ZERO_ERROR;
      if (uset_getItem(set_, i, &lo, &hi, nullptr, 0, &status) != 0) continue;
      ranges.push_back({static_cast<uint32_t>(lo), static_cast<uint32_t>(hi)});
    }
    return CodepointSet::from_ranges(std::move(ranges));
  }

 private:
  USet* set_;
};

CodepointSet icu(UProperty prop, int32_t value) {
  IcuSet s;
  return s.apply(prop, value).to_set();
}

// The first difference between two sets, for the failure message.
std::string first_difference(const CodepointSet& a, const CodepointSet& b) {
  const CodepointSet d = a.symmetric_difference(b);
  if (d.empty()) return "none";
  char text[32];
  std::snprintf(text, sizeof text, "U+%04X", d.ranges()[0].lo);
  return text;
}

TEST(IcuDerivedClasses, PerlClassesHoldWhatTheirPropertiesHold) {
  IcuSet word;
  IcuSet part;
  word.apply(UCHAR_ALPHABETIC, 1);
  word.add(part.apply(UCHAR_GENERAL_CATEGORY_MASK, U_GC_M_MASK | U_GC_ND_MASK | U_GC_PC_MASK));
  word.add(part.apply(UCHAR_JOIN_CONTROL, 1));
  const CodepointSet w = word.to_set();
  const CodepointSet& ours_w = *perl_unicode_set(PerlKind::Word).set();
  EXPECT_TRUE(ours_w == w) << first_difference(ours_w, w);

  const CodepointSet s = icu(UCHAR_WHITE_SPACE, 1);
  const CodepointSet& ours_s = *perl_unicode_set(PerlKind::Space).set();
  EXPECT_TRUE(ours_s == s) << first_difference(ours_s, s);

  const CodepointSet d = icu(UCHAR_GENERAL_CATEGORY_MASK, U_GC_ND_MASK);
  const CodepointSet& ours_d = *perl_unicode_set(PerlKind::Digit).set();
  EXPECT_TRUE(ours_d == d) << first_difference(ours_d, d);
}

class GeneralCategories : public ::testing::TestWithParam<const UnicodeName*> {};

TEST_P(GeneralCategories, HoldWhatIcuHolds) {
  const std::string name(aliases(*GetParam())[0]);
  auto ours = unicode_class_set(
      {UnicodeClassForm::NamedValue, UnicodeClassOp::Equal, "gc", name});
  ASSERT_TRUE(ours);
  const CodepointSet theirs = icu(
      UCHAR_GENERAL_CATEGORY_MASK,
      u_getPropertyValueEnum(UCHAR_GENERAL_CATEGORY_MASK, name.c_str()));
  EXPECT_TRUE(*ours.value()->set() == theirs)
      << first_difference(*ours.value()->set(), theirs);
}

std::vector<const UnicodeName*> general_category_rows() {
  std::vector<const UnicodeName*> out;
  for (const UnicodeName& row : unicode_name_table()) {
    if (row.kind == NameKind::GeneralCategory && row.source == Source::Icu) {
      out.push_back(&row);
    }
  }
  return out;
}

INSTANTIATE_TEST_SUITE_P(Rows, GeneralCategories,
                         ::testing::ValuesIn(general_category_rows()),
                         KELP_CASE_NAMES(aliases(*p)[0]));

// Every code point is looked at, so that a folding outside the characters
// the table is built from would show. The table holds the foldings of the
// characters that change when case folded, as ICU's set of them says.
TEST(IcuDerivedClasses, CaseFoldingTableHoldsEveryFolding) {
  IcuSet changes;
  changes.apply(UCHAR_CHANGES_WHEN_CASEFOLDED, 1);
  const CodepointSet changing = changes.to_set();
  std::map<uint32_t, std::vector<uint32_t>> by_folding;
  for (uint32_t cp = 0; cp <= 0x10FFFF; ++cp) {
    const uint32_t f =
        static_cast<uint32_t>(u_foldCase(static_cast<UChar32>(cp), U_FOLD_CASE_DEFAULT));
    if (f != cp && changing.contains(cp)) by_folding[f].push_back(cp);
  }
  ASSERT_FALSE(by_folding.empty());
  EXPECT_EQ(case_class_count(), by_folding.size());
  for (auto& [fold, members] : by_folding) {
    members.push_back(fold);
    std::sort(members.begin(), members.end());
    const std::optional<uint32_t> index = case_class_index(fold);
    ASSERT_TRUE(index) << fold;
    const std::span<const uint32_t> table = case_class_members(*index);
    EXPECT_EQ(std::vector<uint32_t>(table.begin(), table.end()), members) << fold;
    for (uint32_t m : members) EXPECT_EQ(case_class_index(m), index) << m;
  }
  // U+1FBE folds to U+03B9, its own canonical decomposition, so it does not
  // change when case folded and stands alone.
  EXPECT_FALSE(has_simple_case_mapping(0x1FBE));
  EXPECT_TRUE(has_simple_case_mapping(0x345));
}

}  // namespace
}  // namespace kelp::regex

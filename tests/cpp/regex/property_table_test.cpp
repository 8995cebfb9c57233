#include <gtest/gtest.h>
#include <unicode/uchar.h>

#include <cctype>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "regex/property_names.h"
#include "regex/property_table.h"
#include "regex/check_text.h"
#include "regex/syntax.h"
#include "regex/unicode_props.h"

// The table of Unicode property names, checked from both sides: every name
// in it (with the dialect's loose spellings) resolves as its kind says, and
// every name ICU knows for these kinds of property is in it or is left out
// on purpose, for the reason given here.

namespace kelp::regex {
namespace {

using Result = Expected<const SharedClass*, ErrorKind>;

Result lone(const std::string& name) {
  return unicode_class_set({UnicodeClassForm::Named, UnicodeClassOp::None, name, ""});
}

Result by_value(const std::string& name, const std::string& value) {
  return unicode_class_set(
      {UnicodeClassForm::NamedValue, UnicodeClassOp::Equal, name, value});
}

// "ok", or the error.
std::string outcome(const Result& r) {
  if (!r) {
    return r.error() == ErrorKind::UnicodePropertyNotFound ? "property not found"
                                                           : "value not found";
  }
  return r.value()->set()->empty() ? "empty" : "ok";
}

// Spellings the dialect's loose matching takes as the same name.
std::vector<std::string> loose_forms(std::string_view alias) {
  std::string lower, upper, spaced, hyphened;
  for (char c : alias) {
    lower.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c);
    upper.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c);
    spaced.push_back(c == '_' ? ' ' : c);
    hyphened.push_back(c == '_' ? '-' : c);
  }
  std::vector<std::string> out{std::string(alias), lower, upper, spaced, hyphened};
  // An "is" prefix is dropped, except before a lone "c" ("isc" is a name).
  if (table_key(alias) != "c") {
    out.push_back("is" + std::string(alias));
    out.push_back("Is_" + std::string(alias));
  }
  return out;
}

// What the dialect makes of a lone name: a property first (but cf, sc and
// lc are categories), then a general category, then a script.
const UnicodeName* lone_target(const std::string& key) {
  if (key != "cf" && key != "sc" && key != "lc") {
    if (const UnicodeName* p = find_unicode_name(NameSpace::Property, key)) return p;
  }
  if (const UnicodeName* g = find_unicode_name(NameSpace::GeneralCategory, key)) return g;
  return find_unicode_name(NameSpace::Script, key);
}

std::string expected_lone(const UnicodeName* row) {
  if (!row) return "property not found";
  switch (row->kind) {
    case NameKind::BinaryProperty:
      return "ok";
    case NameKind::GeneralCategory:
    case NameKind::Script:
      return row->source == Source::NoTable ? "value not found" : "ok";
    default:
      return "property not found";
  }
}

std::string value_outcome(const UnicodeName& row) {
  return row.source == Source::NoTable ? "value not found" : "ok";
}

// The properties whose values a row's kind names, each with its aliases.
std::vector<std::string> value_properties(NameKind kind) {
  switch (kind) {
    case NameKind::GeneralCategory: return {"gc", "General_Category"};
    case NameKind::Script: return {"sc", "Script", "scx", "Script_Extensions"};
    case NameKind::Age: return {"age", "Age"};
    case NameKind::GraphemeClusterBreak: return {"gcb", "Grapheme_Cluster_Break"};
    case NameKind::WordBreak: return {"wb", "Word_Break"};
    case NameKind::SentenceBreak: return {"sb", "Sentence_Break"};
    default: return {};
  }
}

// A value each valued property accepts.
std::string sample_value(std::string_view property) {
  static const std::map<std::string, std::string> kSamples = {
      {"generalcategory", "Lu"}, {"script", "Greek"}, {"scriptextensions", "Greek"},
      {"age", "6.0"}, {"graphemeclusterbreak", "CR"}, {"wordbreak", "ALetter"},
      {"sentencebreak", "ATerm"}};
  return kSamples.at(table_key(property));
}

std::string row_label(const UnicodeName& row) {
  std::string name;
  for (char c : aliases(row)[0]) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
      name.push_back(c);
    } else if (c == '.') {
      name.push_back('_');
    }
  }
  return name;
}

class TableRow : public ::testing::TestWithParam<std::size_t> {
 protected:
  const UnicodeName& row() const { return unicode_name_table()[GetParam()]; }
};

TEST_P(TableRow, EveryAliasResolvesAsItsKindSays) {
  const UnicodeName& r = row();
  for (std::string_view alias : aliases(r)) {
    // ISO_Comment cannot be written out: the dialect reads its "IS" as the
    // prefix it drops. Its short name isc is tested below.
    if (normalize_symbolic_name(alias) != table_key(alias)) continue;
    for (const std::string& form : loose_forms(alias)) {
      SCOPED_TRACE(form);
      const std::string key = normalize_symbolic_name(form);
      EXPECT_EQ(outcome(lone(form)), expected_lone(lone_target(key)));
      switch (r.kind) {
        case NameKind::BinaryProperty:
        case NameKind::OtherProperty:
          EXPECT_EQ(outcome(by_value(form, "yes")), "value not found");
          break;
        case NameKind::ValuedProperty:
          EXPECT_EQ(outcome(by_value(form, sample_value(aliases(r)[0]))), "ok");
          EXPECT_EQ(outcome(by_value(form, "no such value")), "value not found");
          break;
        default:
          for (const std::string& prop : value_properties(r.kind)) {
            EXPECT_EQ(outcome(by_value(prop, form)), value_outcome(r)) << prop;
          }
          break;
      }
    }
  }
}

std::string row_test_name(const ::testing::TestParamInfo<std::size_t>& case_info) {
  const UnicodeName& r = unicode_name_table()[case_info.param];
  static const char* const kKinds[] = {"Binary", "Valued", "Other", "Gc", "Script",
                                       "Age", "Gcb", "Wb", "Sb"};
  return std::string(kKinds[static_cast<int>(r.kind)]) + "_" + row_label(r);
}

INSTANTIATE_TEST_SUITE_P(Names, TableRow,
                         ::testing::Range<std::size_t>(0, unicode_name_table().size()),
                         row_test_name);

TEST(PropertyTable, NoLooseNameNamesTwoRows) {
  std::map<std::pair<NameSpace, std::string>, std::string> seen;
  for (const UnicodeName& r : unicode_name_table()) {
    const NameSpace space =
        r.kind == NameKind::BinaryProperty || r.kind == NameKind::ValuedProperty ||
                r.kind == NameKind::OtherProperty
            ? NameSpace::Property
        : r.kind == NameKind::GeneralCategory ? NameSpace::GeneralCategory
        : r.kind == NameKind::Script          ? NameSpace::Script
        : r.kind == NameKind::Age             ? NameSpace::Age
        : r.kind == NameKind::GraphemeClusterBreak ? NameSpace::GraphemeClusterBreak
        : r.kind == NameKind::WordBreak            ? NameSpace::WordBreak
                                                   : NameSpace::SentenceBreak;
    for (std::string_view a : aliases(r)) {
      // Aliases of one row may differ in case only ("Sp" and "SP").
      auto [it, fresh] = seen.emplace(std::make_pair(space, table_key(a)), r.names);
      EXPECT_TRUE(fresh || it->second == r.names)
          << a << " in " << r.names << " and " << it->second;
    }
  }
}

TEST(PropertyTable, IsoCommentIsKnownByItsShortNameOnly) {
  EXPECT_EQ(outcome(lone("isc")), "property not found");
  EXPECT_EQ(outcome(by_value("isc", "x")), "value not found");
  EXPECT_EQ(outcome(by_value("ISO_Comment", "x")), "property not found");
}

// --- From ICU's side -------------------------------------------------------

// ICU's names that are deliberately not the dialect's, by reason.
const std::map<std::string, std::string>& left_out() {
  static const std::map<std::string, std::string> kLeftOut = [] {
    std::map<std::string, std::string> m;
    for (const char* n : {"Case_Sensitive", "Sensitive", "NFD_Inert", "nfdinert",
                          "NFKD_Inert", "nfkdinert", "NFC_Inert", "nfcinert",
                          "NFKC_Inert", "nfkcinert", "Segment_Starter", "segstart",
                          "alnum", "blank", "graph", "print", "xdigit",
                          "Lead_Canonical_Combining_Class", "lccc",
                          "Trail_Canonical_Combining_Class", "tccc",
                          "General_Category_Mask", "gcm"}) {
      m[n] = "ICU's own property, not one of the Unicode Character Database";
    }
    for (const char* n : {"Basic_Emoji", "Emoji_Keycap_Sequence",
                          "RGI_Emoji_Modifier_Sequence", "RGI_Emoji_Flag_Sequence",
                          "RGI_Emoji_Tag_Sequence", "RGI_Emoji_ZWJ_Sequence", "RGI_Emoji"}) {
      m[n] = "a property of strings (emoji sequences), not of code points";
    }
    for (const char* n : {"Blis", "Cirt", "Cyrs", "Egyd", "Egyh", "Geok", "Hans", "Hant",
                          "Inds", "Latf", "Latg", "Maya", "Roro", "Sara", "Syre", "Syrj",
                          "Syrn", "Teng", "Visp", "Zxxx", "Jpan", "Moon", "Kore", "Phlv",
                          "Zmth", "Zsym", "Nkgb", "Kpel", "Loma", "Afak", "Jurc", "Wole",
                          "Hanb", "Jamo", "Zsye"}) {
      m[n] = "an ISO 15924 code that is no Unicode script value";
    }
    return m;
  }();
  return kLeftOut;
}

std::vector<std::string> icu_property_names(UProperty p) {
  std::vector<std::string> out;
  for (int choice = 0;; ++choice) {
    const char* n = u_getPropertyName(p, static_cast<UPropertyNameChoice>(choice));
    if (!n) {
      if (choice <= U_LONG_PROPERTY_NAME) continue;
      break;
    }
    out.push_back(n);
  }
  return out;
}

std::vector<std::string> icu_value_names(UProperty p, int32_t v) {
  std::vector<std::string> out;
  for (int choice = 0;; ++choice) {
    const char* n = u_getPropertyValueName(p, v, static_cast<UPropertyNameChoice>(choice));
    if (!n) {
      if (choice <= U_LONG_PROPERTY_NAME) continue;
      break;
    }
    out.push_back(n);
  }
  return out;
}

// Each ICU name is in the table under `space`, or left out on purpose.
void expect_known(NameSpace space, const std::vector<std::string>& names) {
  for (const std::string& n : names) {
    if (left_out().count(n)) continue;
    EXPECT_NE(find_unicode_name(space, table_key(n)), nullptr) << n;
  }
}

TEST(PropertyTableFromIcu, EveryPropertyNameIsInTheTableOrLeftOut) {
  const std::pair<int, int> kRanges[] = {
      {UCHAR_BINARY_START, UCHAR_BINARY_LIMIT}, {UCHAR_INT_START, UCHAR_INT_LIMIT},
      {UCHAR_MASK_START, UCHAR_MASK_LIMIT},     {UCHAR_DOUBLE_START, UCHAR_DOUBLE_LIMIT},
      {UCHAR_STRING_START, UCHAR_STRING_LIMIT},
      {UCHAR_OTHER_PROPERTY_START, UCHAR_OTHER_PROPERTY_LIMIT}};
  for (auto [lo, hi] : kRanges) {
    for (int p = lo; p < hi; ++p) {
      expect_known(NameSpace::Property, icu_property_names(static_cast<UProperty>(p)));
    }
  }
}

TEST(PropertyTableFromIcu, EveryBinaryPropertyOfTheDialectIsOneAlone) {
  // ICU's binary properties that the dialect has no class for.
  const std::set<std::string> kNoClass = {"Full_Composition_Exclusion"};
  for (int p = UCHAR_BINARY_START; p < UCHAR_BINARY_LIMIT; ++p) {
    const std::vector<std::string> names = icu_property_names(static_cast<UProperty>(p));
    const std::string long_name =
        u_getPropertyName(static_cast<UProperty>(p), U_LONG_PROPERTY_NAME);
    if (left_out().count(long_name)) continue;
    const UnicodeName* row = find_unicode_name(NameSpace::Property, table_key(long_name));
    ASSERT_NE(row, nullptr) << long_name;
    EXPECT_EQ(row->kind, kNoClass.count(long_name) ? NameKind::OtherProperty
                                                   : NameKind::BinaryProperty)
        << long_name;
  }
}

TEST(PropertyTableFromIcu, EveryGeneralCategoryIsInTheTable) {
  for (int i = 0; i < U_CHAR_CATEGORY_COUNT; ++i) {
    expect_known(NameSpace::GeneralCategory,
                 icu_value_names(UCHAR_GENERAL_CATEGORY_MASK, U_MASK(i)));
  }
  for (int32_t group : {U_GC_L_MASK, U_GC_LC_MASK, U_GC_M_MASK, U_GC_N_MASK, U_GC_P_MASK,
                        U_GC_S_MASK, U_GC_Z_MASK, U_GC_C_MASK}) {
    expect_known(NameSpace::GeneralCategory,
                 icu_value_names(UCHAR_GENERAL_CATEGORY_MASK, group));
  }
}

TEST(PropertyTableFromIcu, EveryScriptIsInTheTableOrLeftOut) {
  for (int32_t v = 0; v <= u_getIntPropertyMaxValue(UCHAR_SCRIPT); ++v) {
    expect_known(NameSpace::Script, icu_value_names(UCHAR_SCRIPT, v));
  }
}

TEST(PropertyTableFromIcu, EveryBreakValueIsInTheTable) {
  const std::pair<UProperty, NameSpace> kBreaks[] = {
      {UCHAR_GRAPHEME_CLUSTER_BREAK, NameSpace::GraphemeClusterBreak},
      {UCHAR_WORD_BREAK, NameSpace::WordBreak},
      {UCHAR_SENTENCE_BREAK, NameSpace::SentenceBreak}};
  for (auto [prop, space] : kBreaks) {
    for (int32_t v = 0; v <= u_getIntPropertyMaxValue(prop); ++v) {
      expect_known(space, icu_value_names(prop, v));
    }
  }
}

TEST(PropertyTableFromIcu, EveryAgeIsInTheTable) {
  std::set<std::string> versions;
  for (UChar32 c = 0; c <= 0x10FFFF; ++c) {
    UVersionInfo age;
    u_charAge(c, age);
    if (age[0] == 0) continue;  // unassigned
    char text[U_MAX_VERSION_STRING_LENGTH];
    u_versionToString(age, text);
    versions.insert(text);
  }
  EXPECT_GT(versions.size(), 20u);
  for (const std::string& v : versions) {
    EXPECT_NE(find_unicode_name(NameSpace::Age, table_key(v)), nullptr) << v;
  }
}

TEST(PropertyTableFromIcu, LeftOutNamesAreNotTheDialects) {
  for (const auto& [name, reason] : left_out()) {
    SCOPED_TRACE(name + ": " + reason);
    EXPECT_EQ(outcome(lone(name)), "property not found");
    EXPECT_EQ(find_unicode_name(NameSpace::Property, table_key(name)), nullptr);
    EXPECT_EQ(find_unicode_name(NameSpace::Script, table_key(name)), nullptr);
  }
}

}  // namespace
}  // namespace kelp::regex

namespace kelp::regex {
namespace {

struct PatternCase {
  const char* pattern;
  const char* error;  // the reason after "error: ", or null when it compiles
};

void PrintTo(const PatternCase& c, std::ostream* os) { *os << c.pattern; }

class PropertyPatterns : public ::testing::TestWithParam<PatternCase> {};

TEST_P(PropertyPatterns, CompileAsTheDialectDoes) {
  const std::optional<std::string> got = kelp::regex_testing::check_text(GetParam().pattern, {});
  if (!GetParam().error) {
    EXPECT_EQ(got, std::nullopt);
  } else {
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->substr(got->rfind("error: ") + 7), GetParam().error);
  }
}

const char* const kNotFound = "Unicode property not found";
const char* const kValueNotFound = "Unicode property value not found";

INSTANTIATE_TEST_SUITE_P(
    Forms, PropertyPatterns,
    ::testing::Values(
        PatternCase{"\\p{Bidi_Mirrored}", nullptr}, PatternCase{"\\p{Bidi_M}", nullptr},
        PatternCase{"\\p{bidi mirrored}", nullptr}, PatternCase{"\\P{isBidiM}", nullptr},
        PatternCase{"\\p{Changes_When_NFKC_Casefolded}", nullptr},
        PatternCase{"\\p{CWKCF}", nullptr}, PatternCase{"[\\p{cwkcf}&&\\pL]", nullptr},
        PatternCase{"\\p{gc=Lu}", nullptr}, PatternCase{"\\p{Script=Greek}", nullptr},
        PatternCase{"\\p{scx:Greek}", nullptr}, PatternCase{"\\p{age=6.0}", nullptr},
        PatternCase{"\\p{age=V16_0}", nullptr}, PatternCase{"\\p{wb=ALetter}", nullptr},
        PatternCase{"\\p{gcb=Extend}", nullptr}, PatternCase{"\\p{SB=STerm}", nullptr},
        PatternCase{"\\p{sc!=Latin}", nullptr}, PatternCase{"\\P{gc!=Lu}", nullptr},
        PatternCase{"\\p{Garay}", nullptr}, PatternCase{"\\p{IDSU}", nullptr},
        PatternCase{"\\p{Blis}", kNotFound}, PatternCase{"\\p{sc=Blis}", kValueNotFound},
        PatternCase{"\\p{Hrkt}", kValueNotFound}, PatternCase{"\\p{wb=Other}", kValueNotFound},
        PatternCase{"\\p{Line_Break}", kNotFound}, PatternCase{"\\p{lb=AL}", kValueNotFound},
        PatternCase{"\\p{Bidi_M=Yes}", kValueNotFound}, PatternCase{"\\p{InCB}", kNotFound},
        PatternCase{"\\p{Basic_Emoji}", kNotFound}, PatternCase{"\\p{nope=x}", kNotFound}),
    [](const ::testing::TestParamInfo<PatternCase>& case_info) {
      std::string name = std::to_string(case_info.index) + "_";
      for (const char* p = case_info.param.pattern; *p; ++p) {
        if (std::isalnum(static_cast<unsigned char>(*p))) name.push_back(*p);
      }
      return name;
    });

}  // namespace
}  // namespace kelp::regex

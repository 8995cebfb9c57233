#include "regex/unicode_props.h"

#include <unicode/uchar.h>
#include <unicode/uscript.h>
#include <unicode/uset.h>

#include <algorithm>
#include <array>
#include <memory>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace kelp::regex {
namespace {

// RAII for ICU's C sets.
class IcuSet {
 public:
  IcuSet() : set_(uset_openEmpty()) {}
  ~IcuSet() { uset_close(set_); }
  IcuSet(const IcuSet&) = delete;
  IcuSet& operator=(const IcuSet&) = delete;
  USet* get() { return set_; }

  CodepointSet to_set() const {
    std::vector<CodepointRange> ranges;
    const int32_t n = uset_getItemCount(set_);
    for (int32_t i = 0; i < n; ++i) {
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

CodepointSet int_property_set(UProperty prop, int32_t value) {
  IcuSet s;
  UErrorCode status = U_ZERO_ERROR;
  uset_applyIntPropertyValue(s.get(), prop, value, &status);
  if (U_FAILURE(status)) return {};
  return s.to_set();
}

CodepointSet age_set(const char* version) {
  IcuSet s;
  UErrorCode status = U_ZERO_ERROR;
  const UChar prop[] = {'a', 'g', 'e'};
  std::vector<UChar> value;
  for (const char* p = version; *p; ++p) value.push_back(static_cast<UChar>(*p));
  uset_applyPropertyAlias(s.get(), prop, 3, value.data(),
                          static_cast<int32_t>(value.size()), &status);
  if (U_FAILURE(status)) return {};
  return s.to_set();
}

CodepointSet gc_set(int32_t mask) {
  return int_property_set(UCHAR_GENERAL_CATEGORY_MASK, mask);
}

CodepointSet bin_set(UProperty prop) { return int_property_set(prop, 1); }

CodepointSet ranges_set(std::initializer_list<CodepointRange> r) {
  return CodepointSet::from_ranges(std::vector<CodepointRange>(r));
}

// Binary properties the dialect supports, as ICU knows them.
bool is_supported_binary(UProperty p) {
  switch (p) {
    case UCHAR_ASCII_HEX_DIGIT: case UCHAR_ALPHABETIC: case UCHAR_BIDI_CONTROL:
    case UCHAR_CASE_IGNORABLE: case UCHAR_CASED:
    case UCHAR_CHANGES_WHEN_CASEFOLDED: case UCHAR_CHANGES_WHEN_CASEMAPPED:
    case UCHAR_CHANGES_WHEN_LOWERCASED: case UCHAR_CHANGES_WHEN_TITLECASED:
    case UCHAR_CHANGES_WHEN_UPPERCASED: case UCHAR_DASH:
    case UCHAR_DEFAULT_IGNORABLE_CODE_POINT: case UCHAR_DEPRECATED:
    case UCHAR_DIACRITIC: case UCHAR_EMOJI: case UCHAR_EMOJI_COMPONENT:
    case UCHAR_EMOJI_MODIFIER: case UCHAR_EMOJI_MODIFIER_BASE:
    case UCHAR_EMOJI_PRESENTATION: case UCHAR_EXTENDED_PICTOGRAPHIC:
    case UCHAR_EXTENDER: case UCHAR_GRAPHEME_BASE: case UCHAR_GRAPHEME_EXTEND:
    case UCHAR_GRAPHEME_LINK: case UCHAR_HEX_DIGIT: case UCHAR_HYPHEN:
    case UCHAR_IDS_BINARY_OPERATOR: case UCHAR_IDS_TRINARY_OPERATOR:
    case UCHAR_ID_CONTINUE: case UCHAR_ID_START: case UCHAR_IDEOGRAPHIC:
    case UCHAR_JOIN_CONTROL: case UCHAR_LOGICAL_ORDER_EXCEPTION:
    case UCHAR_LOWERCASE: case UCHAR_MATH: case UCHAR_NONCHARACTER_CODE_POINT:
    case UCHAR_PATTERN_SYNTAX: case UCHAR_PATTERN_WHITE_SPACE:
    case UCHAR_PREPENDED_CONCATENATION_MARK: case UCHAR_QUOTATION_MARK:
    case UCHAR_RADICAL: case UCHAR_REGIONAL_INDICATOR: case UCHAR_S_TERM:
    case UCHAR_SOFT_DOTTED: case UCHAR_TERMINAL_PUNCTUATION:
    case UCHAR_UNIFIED_IDEOGRAPH: case UCHAR_UPPERCASE:
    case UCHAR_VARIATION_SELECTOR: case UCHAR_WHITE_SPACE:
    case UCHAR_XID_CONTINUE: case UCHAR_XID_START:
      return true;
    default:
      return false;
  }
}

// Properties ICU has but the Unicode Character Database does not name.
bool is_icu_only(UProperty p) {
  switch (p) {
    case UCHAR_CASE_SENSITIVE: case UCHAR_NFD_INERT: case UCHAR_NFKD_INERT:
    case UCHAR_NFC_INERT: case UCHAR_NFKC_INERT: case UCHAR_SEGMENT_STARTER:
    case UCHAR_POSIX_ALNUM: case UCHAR_POSIX_BLANK: case UCHAR_POSIX_GRAPH:
    case UCHAR_POSIX_PRINT: case UCHAR_POSIX_XDIGIT: case UCHAR_BASIC_EMOJI:
    case UCHAR_EMOJI_KEYCAP_SEQUENCE: case UCHAR_RGI_EMOJI_MODIFIER_SEQUENCE:
    case UCHAR_RGI_EMOJI_FLAG_SEQUENCE: case UCHAR_RGI_EMOJI_TAG_SEQUENCE:
    case UCHAR_RGI_EMOJI_ZWJ_SEQUENCE: case UCHAR_RGI_EMOJI:
    case UCHAR_LEAD_CANONICAL_COMBINING_CLASS:
    case UCHAR_TRAIL_CANONICAL_COMBINING_CLASS:
    case UCHAR_GENERAL_CATEGORY_MASK:
      return true;
    default:
      return false;
  }
}

// Binary properties of the Unicode Character Database that this ICU does
// not carry (contributory properties, and those newer than its data), with
// sets close enough for the size estimate.
std::optional<CodepointSet> extra_binary(std::string_view norm) {
  auto gc = [](int32_t m) { return gc_set(m); };
  if (norm == "oalpha" || norm == "otheralphabetic") {
    return bin_set(UCHAR_ALPHABETIC)
        .minus(bin_set(UCHAR_LOWERCASE))
        .minus(bin_set(UCHAR_UPPERCASE))
        .minus(gc(U_GC_LT_MASK | U_GC_LM_MASK | U_GC_LO_MASK | U_GC_NL_MASK));
  }
  if (norm == "olower" || norm == "otherlowercase") {
    return bin_set(UCHAR_LOWERCASE).minus(gc(U_GC_LL_MASK));
  }
  if (norm == "oupper" || norm == "otheruppercase") {
    return bin_set(UCHAR_UPPERCASE).minus(gc(U_GC_LU_MASK));
  }
  if (norm == "omath" || norm == "othermath") {
    return bin_set(UCHAR_MATH).minus(gc(U_GC_SM_MASK));
  }
  if (norm == "oids" || norm == "otheridstart") {
    return bin_set(UCHAR_ID_START).minus(gc(U_GC_L_MASK | U_GC_NL_MASK));
  }
  if (norm == "oidc" || norm == "otheridcontinue") {
    return bin_set(UCHAR_ID_CONTINUE)
        .minus(bin_set(UCHAR_ID_START))
        .minus(gc(U_GC_MN_MASK | U_GC_MC_MASK | U_GC_ND_MASK | U_GC_PC_MASK));
  }
  if (norm == "ogrext" || norm == "othergraphemeextend") {
    return bin_set(UCHAR_GRAPHEME_EXTEND).minus(gc(U_GC_ME_MASK | U_GC_MN_MASK));
  }
  if (norm == "odi" || norm == "otherdefaultignorablecodepoint") {
    return bin_set(UCHAR_DEFAULT_IGNORABLE_CODE_POINT)
        .minus(gc(U_GC_CF_MASK))
        .minus(bin_set(UCHAR_VARIATION_SELECTOR));
  }
  if (norm == "idsu" || norm == "idsunaryoperator") {
    return ranges_set({{0x2FFE, 0x2FFF}});
  }
  if (norm == "idcompatmathstart" || norm == "idcompatmathcontinue") {
    CodepointSet start = ranges_set(
        {{0x2202, 0x2202}, {0x2207, 0x2207}, {0x221E, 0x221E},
         {0x1D6C1, 0x1D6C1}, {0x1D6DB, 0x1D6DB}, {0x1D6FB, 0x1D6FB},
         {0x1D715, 0x1D715}, {0x1D735, 0x1D735}, {0x1D74F, 0x1D74F},
         {0x1D76F, 0x1D76F}, {0x1D789, 0x1D789}, {0x1D7A9, 0x1D7A9},
         {0x1D7C3, 0x1D7C3}});
    if (norm == "idcompatmathstart") return start;
    return start.united(ranges_set({{0xB2, 0xB3}, {0xB9, 0xB9},
                                    {0x2070, 0x2070}, {0x2074, 0x207E},
                                    {0x2080, 0x208E}}));
  }
  if (norm == "mcm" || norm == "modifiercombiningmark") {
    return ranges_set({{0x654, 0x655}, {0x658, 0x658}, {0x6DC, 0x6DC},
                       {0x6E3, 0x6E3}, {0x6E7, 0x6E8}, {0x8CA, 0x8CB},
                       {0x8CD, 0x8CF}, {0x8D3, 0x8D3}, {0x8F3, 0x8F3}});
  }
  return std::nullopt;
}

// Other property names of the Unicode Character Database that this ICU
// does not carry; naming one gives the errors a known property gives.
bool is_extra_property_name(std::string_view norm) {
  static const char* const kNames[] = {
      "incb", "indicconjunctbreak", "jsn", "jamoshortname", "dm",
      "decompositionmapping", "fcnfkc", "fcnfkcclosure", "nfkccf",
      "nfkccasefold", "nfkcscf", "nfkcsimplecasefold", "ce",
      "compositionexclusion", "xonfc", "expandsonnfc", "xonfd",
      "expandsonnfd", "xonfkc", "expandsonnfkc", "xonfkd", "expandsonnfkd",
      "equideo", "equivalentunifiedideograph", "namealias",
      "kaccountingnumeric", "cjkaccountingnumeric", "kothernumeric",
      "cjkothernumeric", "kprimarynumeric", "cjkprimarynumeric",
      "kcompatibilityvariant", "cjkcompatibilityvariant", "kiicore",
      "cjkiicore", "kirggsource", "cjkirggsource", "kirghsource",
      "cjkirghsource", "kirgjsource", "cjkirgjsource", "kirgkpsource",
      "cjkirgkpsource", "kirgksource", "cjkirgksource", "kirgmsource",
      "cjkirgmsource", "kirgssource", "cjkirgssource", "kirgtsource",
      "cjkirgtsource", "kirguksource", "cjkirguksource", "kirgusource",
      "cjkirgusource", "kirgvsource", "cjkirgvsource", "krsunicode",
      "cjkrsunicode", "urs", "unicoderadicalstroke", "ktotalstrokes",
      "cjktotalstrokes", "kunihancore2020", "cjkunihancore2020",
      "kehcat", "kehdesc", "kehhg", "kehifao", "kehjsesh", "kehnocat",
  };
  for (const char* n : kNames) {
    if (norm == n) return true;
  }
  return false;
}

// Scripts newer than this ICU's data, with their blocks.
std::optional<CodepointSet> extra_script(std::string_view norm) {
  struct Script {
    const char* long_name;
    const char* short_name;
    CodepointRange block;
  };
  static const Script kScripts[] = {
      {"garay", "gara", {0x10D40, 0x10D8F}},
      {"gurungkhema", "gukh", {0x16100, 0x1613F}},
      {"kiratrai", "krai", {0x16D40, 0x16D7F}},
      {"olonal", "onao", {0x1E5D0, 0x1E5FF}},
      {"sunuwar", "sunu", {0x11BC0, 0x11BFF}},
      {"todhri", "todr", {0x105C0, 0x105FF}},
      {"tulutigalari", "tutg", {0x11380, 0x113FF}},
  };
  for (const Script& s : kScripts) {
    if (norm == s.long_name || norm == s.short_name) {
      return CodepointSet::from_ranges({s.block});
    }
  }
  return std::nullopt;
}

// Only names made of these characters can match the dialect's tables;
// checking keeps ICU's own looser matching (which also skips white space)
// from accepting more.
bool plausible_name(std::string_view norm) {
  if (norm.empty()) return false;
  for (char c : norm) {
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.')) {
      return false;
    }
  }
  return true;
}

enum class PropClass : uint8_t {
  None,
  Binary,  // any property used as a name alone
  GeneralCategory,
  Script,
  ScriptExtensions,
  Age,
  GraphemeClusterBreak,
  SentenceBreak,
  WordBreak,
  OtherByValue,
};

struct PropertyName {
  PropClass kind = PropClass::None;
  UProperty icu = UCHAR_INVALID_CODE;
  std::optional<CodepointSet> extra;  // binary sets ICU lacks
};

PropertyName lookup_property(const std::string& norm) {
  PropertyName out;
  if (!plausible_name(norm)) return out;
  if (std::optional<CodepointSet> extra = extra_binary(norm)) {
    out.kind = PropClass::Binary;
    out.extra = std::move(extra);
    return out;
  }
  if (is_extra_property_name(norm)) {
    out.kind = PropClass::OtherByValue;
    return out;
  }
  const UProperty p = u_getPropertyEnum(norm.c_str());
  if (p == UCHAR_INVALID_CODE || is_icu_only(p)) return out;
  out.icu = p;
  switch (p) {
    case UCHAR_GENERAL_CATEGORY: out.kind = PropClass::GeneralCategory; break;
    case UCHAR_SCRIPT: out.kind = PropClass::Script; break;
    case UCHAR_SCRIPT_EXTENSIONS: out.kind = PropClass::ScriptExtensions; break;
    case UCHAR_AGE: out.kind = PropClass::Age; break;
    case UCHAR_GRAPHEME_CLUSTER_BREAK: out.kind = PropClass::GraphemeClusterBreak; break;
    case UCHAR_SENTENCE_BREAK: out.kind = PropClass::SentenceBreak; break;
    case UCHAR_WORD_BREAK: out.kind = PropClass::WordBreak; break;
    default:
      out.kind = (p >= UCHAR_BINARY_START && p < UCHAR_BINARY_LIMIT &&
                  is_supported_binary(p))
                     ? PropClass::Binary
                     : PropClass::OtherByValue;
  }
  return out;
}

using Lookup = Expected<CodepointSet, ErrorKind>;

Lookup not_found() { return unexpected(ErrorKind::UnicodePropertyNotFound); }
Lookup value_not_found() {
  return unexpected(ErrorKind::UnicodePropertyValueNotFound);
}

// A general category value, including the dialect's Any, Assigned and
// ASCII; nullopt when the name is no category at all.
std::optional<Lookup> general_category(const std::string& norm) {
  if (norm == "any") return Lookup(ranges_set({{0, 0x10FFFF}}));
  if (norm == "ascii") return Lookup(ranges_set({{0, 0x7F}}));
  if (norm == "assigned") return Lookup(gc_set(U_GC_CN_MASK).negated());
  if (!plausible_name(norm)) return std::nullopt;
  const int32_t mask =
      u_getPropertyValueEnum(UCHAR_GENERAL_CATEGORY_MASK, norm.c_str());
  if (mask == UCHAR_INVALID_CODE) return std::nullopt;
  // Surrogates are not scalar values; the dialect has no table for them.
  if (mask == U_GC_CS_MASK) return value_not_found();
  return Lookup(gc_set(mask));
}

// A script value; nullopt when the name is no script at all. Scripts
// without characters (such as Katakana_Or_Hiragana) and Unknown have no
// table in the dialect.
std::optional<Lookup> script(const std::string& norm, bool extensions) {
  if (std::optional<CodepointSet> extra = extra_script(norm)) {
    return Lookup(std::move(*extra));
  }
  if (!plausible_name(norm)) return std::nullopt;
  const int32_t code = u_getPropertyValueEnum(UCHAR_SCRIPT, norm.c_str());
  if (code == UCHAR_INVALID_CODE) return std::nullopt;
  if (code == USCRIPT_UNKNOWN) return value_not_found();
  CodepointSet set = int_property_set(
      extensions ? UCHAR_SCRIPT_EXTENSIONS : UCHAR_SCRIPT, code);
  if (set.empty()) return value_not_found();
  return Lookup(std::move(set));
}

Lookup age(const std::string& norm) {
  static const char* const kVersions[] = {
      "1.1",  "2.0",  "2.1",  "3.0",  "3.1",  "3.2",  "4.0",
      "4.1",  "5.0",  "5.1",  "5.2",  "6.0",  "6.1",  "6.2",
      "6.3",  "7.0",  "8.0",  "9.0",  "10.0", "11.0", "12.0",
      "12.1", "13.0", "14.0", "15.0", "15.1", "16.0",
  };
  for (const char* v : kVersions) {
    std::string short_form = "v";
    for (const char* p = v; *p; ++p) {
      if (*p != '.') short_form.push_back(*p);
    }
    if (norm == v || norm == short_form) {
      // Versions newer than this ICU's data map to its newest.
      std::string_view sv(v);
      const char* icu_version = (sv == "15.1" || sv == "16.0") ? "15.0" : v;
      return Lookup(age_set(icu_version));
    }
  }
  return value_not_found();
}

// Grapheme cluster, sentence and word break values; the default value
// Other has no table in the dialect, nor have values without characters.
Lookup break_value(UProperty prop, const std::string& norm) {
  if (!plausible_name(norm)) return value_not_found();
  const int32_t v = u_getPropertyValueEnum(prop, norm.c_str());
  if (v == UCHAR_INVALID_CODE || v == 0) return value_not_found();
  CodepointSet set = int_property_set(prop, v);
  if (set.empty()) return value_not_found();
  return Lookup(std::move(set));
}

Lookup resolve(const UnicodeClassSpec& spec) {
  if (spec.form != UnicodeClassForm::NamedValue) {
    const std::string norm = normalize_symbolic_name(spec.name);
    // cf, sc and lc are general categories here, not the properties with
    // the same short names.
    if (norm != "cf" && norm != "sc" && norm != "lc") {
      PropertyName prop = lookup_property(norm);
      if (prop.kind == PropClass::Binary) {
        if (prop.extra) return Lookup(std::move(*prop.extra));
        return Lookup(bin_set(prop.icu));
      }
      if (prop.kind != PropClass::None) return not_found();
    }
    if (std::optional<Lookup> gc = general_category(norm)) return std::move(*gc);
    if (std::optional<Lookup> sc = script(norm, false)) return std::move(*sc);
    return not_found();
  }
  const std::string name = normalize_symbolic_name(spec.name);
  const std::string value = normalize_symbolic_name(spec.value);
  const PropertyName prop = lookup_property(name);
  switch (prop.kind) {
    case PropClass::None:
      return not_found();
    case PropClass::GeneralCategory: {
      std::optional<Lookup> gc = general_category(value);
      if (!gc) return value_not_found();
      return std::move(*gc);
    }
    case PropClass::Script:
    case PropClass::ScriptExtensions: {
      std::optional<Lookup> sc =
          script(value, prop.kind == PropClass::ScriptExtensions);
      if (!sc) return value_not_found();
      return std::move(*sc);
    }
    case PropClass::Age:
      return age(value);
    case PropClass::GraphemeClusterBreak:
      return break_value(UCHAR_GRAPHEME_CLUSTER_BREAK, value);
    case PropClass::SentenceBreak:
      return break_value(UCHAR_SENTENCE_BREAK, value);
    case PropClass::WordBreak:
      return break_value(UCHAR_WORD_BREAK, value);
    case PropClass::Binary:
    case PropClass::OtherByValue:
      return value_not_found();
  }
  return not_found();
}

struct Cache {
  std::mutex mu;
  std::map<std::string, std::unique_ptr<SharedClass>, std::less<>> classes;
};

Cache& cache() {
  static Cache c;
  return c;
}

const SharedClass& cached(std::string_view key, CodepointSet (*make)()) {
  Cache& c = cache();
  std::lock_guard<std::mutex> lock(c.mu);
  auto it = c.classes.find(key);
  if (it == c.classes.end()) {
    it = c.classes.emplace(std::string(key), std::make_unique<SharedClass>(make()))
             .first;
  }
  return *it->second;
}

}  // namespace

std::string normalize_symbolic_name(std::string_view name) {
  std::size_t start = 0;
  bool starts_with_is = false;
  if (name.size() >= 2 && (name[0] == 'i' || name[0] == 'I') &&
      (name[1] == 's' || name[1] == 'S')) {
    starts_with_is = true;
    start = 2;
  }
  std::string out;
  for (std::size_t i = start; i < name.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(name[i]);
    if (b == ' ' || b == '_' || b == '-') continue;
    if (b >= 'A' && b <= 'Z') {
      out.push_back(static_cast<char>(b + ('a' - 'A')));
    } else if (b <= 0x7F) {
      out.push_back(static_cast<char>(b));
    }
  }
  // "isc" is a name of its own, not "c" behind an "is" prefix.
  if (starts_with_is && out == "c") out = "isc";
  return out;
}

Expected<const SharedClass*, ErrorKind> unicode_class_set(
    const UnicodeClassSpec& spec) {
  std::string key;
  if (spec.form == UnicodeClassForm::NamedValue) {
    key = "v:" + normalize_symbolic_name(spec.name) + "=" +
          normalize_symbolic_name(spec.value);
  } else {
    key = "b:" + normalize_symbolic_name(spec.name);
  }
  Cache& c = cache();
  {
    std::lock_guard<std::mutex> lock(c.mu);
    auto it = c.classes.find(key);
    if (it != c.classes.end()) return it->second.get();
  }
  // Resolved outside the lock; when two threads race, the first one's class
  // is kept and both use it.
  Lookup found = resolve(spec);
  if (!found) return unexpected(found.error());
  auto made = std::make_unique<SharedClass>(std::move(found.value()));
  std::lock_guard<std::mutex> lock(c.mu);
  return c.classes.emplace(std::move(key), std::move(made)).first->second.get();
}

const SharedClass& perl_unicode_set(PerlKind kind) {
  switch (kind) {
    case PerlKind::Digit:
      return cached("perl:d", [] { return gc_set(U_GC_ND_MASK); });
    case PerlKind::Space:
      return cached("perl:s", [] { return bin_set(UCHAR_WHITE_SPACE); });
    case PerlKind::Word:
      return cached("perl:w", [] {
        return bin_set(UCHAR_ALPHABETIC)
            .united(gc_set(U_GC_M_MASK | U_GC_ND_MASK | U_GC_PC_MASK))
            .united(bin_set(UCHAR_JOIN_CONTROL));
      });
  }
  return cached("perl:d", [] { return gc_set(U_GC_ND_MASK); });
}

CodepointSet ascii_class_set(AsciiKind kind) {
  switch (kind) {
    case AsciiKind::Alnum: return ranges_set({{'0', '9'}, {'A', 'Z'}, {'a', 'z'}});
    case AsciiKind::Alpha: return ranges_set({{'A', 'Z'}, {'a', 'z'}});
    case AsciiKind::Ascii: return ranges_set({{0, 0x7F}});
    case AsciiKind::Blank: return ranges_set({{'\t', '\t'}, {' ', ' '}});
    case AsciiKind::Cntrl: return ranges_set({{0, 0x1F}, {0x7F, 0x7F}});
    case AsciiKind::Digit: return ranges_set({{'0', '9'}});
    case AsciiKind::Graph: return ranges_set({{'!', '~'}});
    case AsciiKind::Lower: return ranges_set({{'a', 'z'}});
    case AsciiKind::Print: return ranges_set({{' ', '~'}});
    case AsciiKind::Punct:
      return ranges_set({{'!', '/'}, {':', '@'}, {'[', '`'}, {'{', '~'}});
    case AsciiKind::Space: return ranges_set({{'\t', '\r'}, {' ', ' '}});
    case AsciiKind::Upper: return ranges_set({{'A', 'Z'}});
    case AsciiKind::Word:
      return ranges_set({{'0', '9'}, {'A', 'Z'}, {'_', '_'}, {'a', 'z'}});
    case AsciiKind::Xdigit: return ranges_set({{'0', '9'}, {'A', 'F'}, {'a', 'f'}});
  }
  return {};
}

const SharedClass& ascii_class_shared(AsciiKind kind) {
  static const std::array<std::unique_ptr<SharedClass>, 14> classes = [] {
    std::array<std::unique_ptr<SharedClass>, 14> out;
    for (std::size_t i = 0; i < out.size(); ++i) {
      out[i] = std::make_unique<SharedClass>(
          ascii_class_set(static_cast<AsciiKind>(i)));
    }
    return out;
  }();
  return *classes[static_cast<std::size_t>(kind)];
}

const SharedClass& dot_set(bool except_lf, bool except_cr) {
  if (!except_lf) {
    return cached("dot:all", [] { return ranges_set({{0, 0x10FFFF}}); });
  }
  if (!except_cr) {
    return cached("dot:lf", [] { return ranges_set({{0, 9}, {11, 0x10FFFF}}); });
  }
  return cached("dot:crlf",
                [] { return ranges_set({{0, 9}, {11, 12}, {14, 0x10FFFF}}); });
}

}  // namespace kelp::regex

#include "regex/unicode_props.h"

#include <unicode/uchar.h>
#include <unicode/uset.h>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "regex/char_categories.h"
#include "regex/property_names.h"
#include "regex/property_table.h"

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
  std::vector<CodepointRange> ranges;
  for (const CategoryRange& r : category_ranges()) {
    if (U_MASK(r.category) & mask) ranges.push_back({r.lo, r.hi});
  }
  return CodepointSet::from_ranges(std::move(ranges));
}

CodepointSet bin_set(UProperty prop) { return int_property_set(prop, 1); }

// The characters with a binary property among those whose general category
// is in `within`, found by testing each of them: cheap for the few
// categories where a property's characters can lie.
CodepointSet bin_set_within(UProperty prop, int32_t within) {
  std::vector<CodepointRange> ranges;
  for (const CategoryRange& r : category_ranges()) {
    if (!(U_MASK(r.category) & within)) continue;
    for (uint32_t cp = r.lo; cp <= r.hi; ++cp) {
      if (u_hasBinaryProperty(static_cast<UChar32>(cp), prop)) ranges.push_back({cp, cp});
    }
  }
  return CodepointSet::from_ranges(std::move(ranges));
}

CodepointSet ranges_set(std::initializer_list<CodepointRange> r) {
  return CodepointSet::from_ranges(std::vector<CodepointRange>(r));
}

CodepointSet derived_set(Derived d) {
  auto gc = [](int32_t m) { return gc_set(m); };
  switch (d) {
    case Derived::None:
      return {};
    case Derived::Any:
      return ranges_set({{0, 0x10FFFF}});
    case Derived::Ascii:
      return ranges_set({{0, 0x7F}});
    case Derived::Assigned:
      return gc_set(U_GC_CN_MASK).negated();
    case Derived::OtherAlphabetic:
      return bin_set(UCHAR_ALPHABETIC)
          .minus(bin_set(UCHAR_LOWERCASE))
          .minus(bin_set(UCHAR_UPPERCASE))
          .minus(gc(U_GC_LT_MASK | U_GC_LM_MASK | U_GC_LO_MASK | U_GC_NL_MASK));
    case Derived::OtherLowercase:
      return bin_set(UCHAR_LOWERCASE).minus(gc(U_GC_LL_MASK));
    case Derived::OtherUppercase:
      return bin_set(UCHAR_UPPERCASE).minus(gc(U_GC_LU_MASK));
    case Derived::OtherMath:
      return bin_set(UCHAR_MATH).minus(gc(U_GC_SM_MASK));
    case Derived::OtherIdStart:
      return bin_set(UCHAR_ID_START).minus(gc(U_GC_L_MASK | U_GC_NL_MASK));
    case Derived::OtherIdContinue:
      return bin_set(UCHAR_ID_CONTINUE)
          .minus(bin_set(UCHAR_ID_START))
          .minus(gc(U_GC_MN_MASK | U_GC_MC_MASK | U_GC_ND_MASK | U_GC_PC_MASK));
    case Derived::OtherGraphemeExtend:
      return bin_set(UCHAR_GRAPHEME_EXTEND).minus(gc(U_GC_ME_MASK | U_GC_MN_MASK));
    case Derived::OtherDefaultIgnorable:
      return bin_set(UCHAR_DEFAULT_IGNORABLE_CODE_POINT)
          .minus(gc(U_GC_CF_MASK))
          .minus(bin_set(UCHAR_VARIATION_SELECTOR));
    case Derived::IdsUnaryOperator:
      return ranges_set({{0x2FFE, 0x2FFF}});
    case Derived::IdCompatMathStart:
    case Derived::IdCompatMathContinue: {
      CodepointSet start = ranges_set(
          {{0x2202, 0x2202}, {0x2207, 0x2207}, {0x221E, 0x221E},
           {0x1D6C1, 0x1D6C1}, {0x1D6DB, 0x1D6DB}, {0x1D6FB, 0x1D6FB},
           {0x1D715, 0x1D715}, {0x1D735, 0x1D735}, {0x1D74F, 0x1D74F},
           {0x1D76F, 0x1D76F}, {0x1D789, 0x1D789}, {0x1D7A9, 0x1D7A9},
           {0x1D7C3, 0x1D7C3}});
      if (d == Derived::IdCompatMathStart) return start;
      return start.united(ranges_set({{0xB2, 0xB3}, {0xB9, 0xB9},
                                      {0x2070, 0x2070}, {0x2074, 0x207E},
                                      {0x2080, 0x208E}}));
    }
    case Derived::ModifierCombiningMark:
      return ranges_set({{0x654, 0x655}, {0x658, 0x658}, {0x6DC, 0x6DC},
                         {0x6E3, 0x6E3}, {0x6E7, 0x6E8}, {0x8CA, 0x8CB},
                         {0x8CD, 0x8CF}, {0x8D3, 0x8D3}, {0x8F3, 0x8F3}});
  }
  return {};
}

using Lookup = Expected<CodepointSet, ErrorKind>;

Lookup not_found() { return unexpected(ErrorKind::UnicodePropertyNotFound); }
Lookup value_not_found() {
  return unexpected(ErrorKind::UnicodePropertyValueNotFound);
}

std::string first_name(const UnicodeName& row) {
  return std::string(aliases(row)[0]);
}

// Ages are cumulative; a version newer than this ICU's data takes its
// newest (the characters added since are left out).
CodepointSet age_row_set(const UnicodeName& row) {
  const std::string version(aliases(row)[1]);
  UVersionInfo wanted, newest;
  u_versionFromString(wanted, version.c_str());
  u_getUnicodeVersion(newest);
  if (std::lexicographical_compare(newest, newest + U_MAX_VERSION_LENGTH, wanted,
                                   wanted + U_MAX_VERSION_LENGTH)) {
    char text[U_MAX_VERSION_STRING_LENGTH];
    newest[2] = newest[3] = 0;
    u_versionToString(newest, text);
    return age_set(text);
  }
  return age_set(version.c_str());
}

// The class of a row; `extensions` picks script extensions for a script.
Lookup row_set(const UnicodeName& row, bool extensions) {
  switch (row.source) {
    case Source::NoTable:
      return value_not_found();
    case Source::Derived:
      return Lookup(derived_set(row.derived));
    case Source::Block:
      return Lookup(ranges_set({{row.block_lo, row.block_hi}}));
    case Source::Icu:
      break;
  }
  const std::string name = first_name(row);
  auto by_value = [&](UProperty prop) -> Lookup {
    CodepointSet set =
        int_property_set(extensions ? UCHAR_SCRIPT_EXTENSIONS : prop,
                         u_getPropertyValueEnum(prop, name.c_str()));
    if (set.empty()) return value_not_found();
    return Lookup(std::move(set));
  };
  switch (row.kind) {
    case NameKind::BinaryProperty:
      return Lookup(bin_set(u_getPropertyEnum(name.c_str())));
    case NameKind::GeneralCategory:
      return Lookup(gc_set(
          u_getPropertyValueEnum(UCHAR_GENERAL_CATEGORY_MASK, name.c_str())));
    case NameKind::Script:
      return by_value(UCHAR_SCRIPT);
    case NameKind::Age:
      return Lookup(age_row_set(row));
    case NameKind::GraphemeClusterBreak:
      return by_value(UCHAR_GRAPHEME_CLUSTER_BREAK);
    case NameKind::WordBreak:
      return by_value(UCHAR_WORD_BREAK);
    case NameKind::SentenceBreak:
      return by_value(UCHAR_SENTENCE_BREAK);
    case NameKind::ValuedProperty:
    case NameKind::OtherProperty:
      break;
  }
  return not_found();
}

Lookup resolve(const UnicodeClassSpec& spec) {
  if (spec.form != UnicodeClassForm::NamedValue) {
    const std::string norm = normalize_symbolic_name(spec.name);
    // cf, sc and lc are general categories here, not the properties with
    // the same short names.
    if (norm != "cf" && norm != "sc" && norm != "lc") {
      if (const UnicodeName* p = find_unicode_name(NameSpace::Property, norm)) {
        if (p->kind == NameKind::BinaryProperty) return row_set(*p, false);
        return not_found();
      }
    }
    if (const UnicodeName* gc = find_unicode_name(NameSpace::GeneralCategory, norm)) {
      return row_set(*gc, false);
    }
    if (const UnicodeName* sc = find_unicode_name(NameSpace::Script, norm)) {
      return row_set(*sc, false);
    }
    return not_found();
  }
  const std::string name = normalize_symbolic_name(spec.name);
  const std::string value = normalize_symbolic_name(spec.value);
  const UnicodeName* prop = find_unicode_name(NameSpace::Property, name);
  if (!prop) return not_found();
  if (prop->kind != NameKind::ValuedProperty) return value_not_found();
  const std::string prop_name = first_name(*prop);
  NameSpace space = NameSpace::Property;
  bool extensions = false;
  switch (u_getPropertyEnum(prop_name.c_str())) {
    case UCHAR_GENERAL_CATEGORY: space = NameSpace::GeneralCategory; break;
    case UCHAR_SCRIPT: space = NameSpace::Script; break;
    case UCHAR_SCRIPT_EXTENSIONS:
      space = NameSpace::Script;
      extensions = true;
      break;
    case UCHAR_AGE: space = NameSpace::Age; break;
    case UCHAR_GRAPHEME_CLUSTER_BREAK: space = NameSpace::GraphemeClusterBreak; break;
    case UCHAR_WORD_BREAK: space = NameSpace::WordBreak; break;
    case UCHAR_SENTENCE_BREAK: space = NameSpace::SentenceBreak; break;
    default: return value_not_found();
  }
  const UnicodeName* v = find_unicode_name(space, value);
  if (!v) return value_not_found();
  return row_set(*v, extensions);
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
      // White space characters are separators and controls.
      return cached("perl:s", [] {
        return bin_set_within(UCHAR_WHITE_SPACE,
                              U_GC_Z_MASK | U_GC_CC_MASK | U_GC_CF_MASK);
      });
    case PerlKind::Word:
      // Alphabetic, marks, decimal digits, connector punctuation and the
      // joiners. Letters and letter numbers are alphabetic by definition,
      // and no unassigned or private-use character is, so only the few
      // characters of the other categories are tested; the joiners are
      // format characters.
      return cached("perl:w", [] {
        constexpr int32_t kWhole =
            U_GC_L_MASK | U_GC_NL_MASK | U_GC_M_MASK | U_GC_ND_MASK | U_GC_PC_MASK;
        constexpr int32_t kNever = U_GC_CN_MASK | U_GC_CO_MASK | U_GC_CS_MASK;
        return gc_set(kWhole)
            .united(bin_set_within(UCHAR_ALPHABETIC, ~(kWhole | kNever)))
            .united(bin_set_within(UCHAR_JOIN_CONTROL, U_GC_CF_MASK));
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

// Every Unicode property name and value that the dialect's \p classes know,
// in one table: the binary properties (usable alone), the properties that
// take a value (general category, script, script extensions, age and the
// grapheme cluster, word and sentence break properties), the other
// properties of the Unicode Character Database (known names without a class
// of their own), and the values of the valued properties. Names are spelled
// as the Unicode Character Database spells them, with every alias; lookups
// match them loosely. The code points come from ICU, found by the row's
// first name, or are derived where this ICU lacks them. Looking names up
// in the table is property_names.h.
#pragma once

#include <cstdint>
#include <span>

namespace kelp::regex {

enum class NameKind : uint8_t {
  BinaryProperty,
  ValuedProperty,
  OtherProperty,
  GeneralCategory,
  Script,
  Age,
  GraphemeClusterBreak,
  WordBreak,
  SentenceBreak,
};

enum class Source : uint8_t {
  Icu,      // ICU's data for the property or value named first
  NoTable,  // the dialect knows the name but has no class for it
  Derived,  // built from other sets: this ICU lacks the property
  Block,    // a script newer than this ICU's data: its block
};

// Sets this ICU lacks, derived as the Unicode Character Database defines
// them (or, for the newest ones, listed).
enum class Derived : uint8_t {
  None,
  Any,
  Ascii,
  Assigned,
  OtherAlphabetic,
  OtherLowercase,
  OtherUppercase,
  OtherMath,
  OtherIdStart,
  OtherIdContinue,
  OtherGraphemeExtend,
  OtherDefaultIgnorable,
  IdsUnaryOperator,
  IdCompatMathStart,
  IdCompatMathContinue,
  ModifierCombiningMark,
};

struct UnicodeName {
  NameKind kind;
  const char* names;  // "|" between aliases, the long name first
  Source source = Source::Icu;
  Derived derived = Derived::None;
  uint32_t block_lo = 0, block_hi = 0;  // Source::Block
};

std::span<const UnicodeName> unicode_name_table();

}  // namespace kelp::regex

// The typing of plain YAML scalars: booleans, null, unsigned then signed
// 64-bit integers, 64-bit floats, and otherwise strings.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "json/value.h"

namespace kelp::yaml {

// "y", "yes", "on", "true" and "n", "no", "off", "false", ASCII case ignored.
std::optional<bool> parse_bool(std::string_view text);

// The empty text, "~", and "null" in any letter case.
bool is_null_like(std::string_view text);

// An optional "+" and decimal digits that fit 64 bits unsigned.
std::optional<std::uint64_t> parse_u64(std::string_view text);

// An optional sign and decimal digits that fit 64 bits signed.
std::optional<std::int64_t> parse_i64(std::string_view text);

// An optional sign and decimal digits, whatever their size.
bool is_integer_text(std::string_view text);

// A decimal number with optional sign, fraction and exponent ("1", "-1.5",
// ".5", "5.", "1e9"), or ".inf", "+.inf", "-.inf", ".nan" in their YAML
// spellings. A literal too large for a double reads as the infinity of its
// sign and one too small as zero, as a float parser returns them.
std::optional<double> parse_f64(std::string_view text);

// Whether a plain scalar starting with `c` may read as anything but a
// string: every typed spelling starts with one of these, most strings do not.
struct TypedStarts {
  bool table[256] = {};
  constexpr TypedStarts() {
    for (unsigned char c : std::string_view("yYnNoOtTfF~+-.0123456789")) table[c] = true;
  }
};
inline constexpr TypedStarts kTypedStarts;
inline bool may_be_typed(char c) { return kTypedStarts.table[static_cast<unsigned char>(c)]; }

// Hands the value of a plain scalar to `build` as the one argument that
// constructs its JsonValue (a bool, nullptr, std::uint64_t, std::int64_t,
// double, or the text itself), so that callers can build it in place. The
// order is: boolean, null, unsigned, signed, float, string.
template <typename Build>
decltype(auto) visit_plain_scalar(std::string_view text, Build&& build) {
  if (!text.empty() && !may_be_typed(text[0])) return build(text);
  if (auto b = parse_bool(text)) return build(*b);
  if (is_null_like(text)) return build(nullptr);
  if (auto u = parse_u64(text)) return build(*u);
  if (auto i = parse_i64(text)) return build(*i);
  if (auto f = parse_f64(text)) return build(*f);
  return build(text);
}

// The value of a plain scalar, in the order above.
JsonValue resolve_plain_scalar(std::string_view text);

}  // namespace kelp::yaml

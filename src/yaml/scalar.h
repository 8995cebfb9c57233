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

// The value of a plain scalar, in this order: boolean, null, unsigned,
// signed, float, string.
JsonValue resolve_plain_scalar(std::string_view text);

}  // namespace kelp::yaml

// Writing JSON text: compact for reports and parsed judges, pretty (two-space
// indent) for the schema. Strings are escaped the RFC 8259 way with everything
// from U+007F up copied as UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "json/value.h"

namespace kelp::json {

void write_string(std::string& out, std::string_view text);
void write_u64(std::string& out, std::uint64_t v);
void write_i64(std::string& out, std::int64_t v);
// Shortest round-trip digits; an integral value keeps ".0"; exponent form
// ("1e300", "1.5e-7") only for very large or small magnitudes; non-finite
// values are written null.
void write_f64(std::string& out, double v);

void write_compact(std::string& out, const JsonValue& value);
// Two-space indent, ": " after keys, no final line feed.
void write_pretty(std::string& out, const JsonValue& value);

// Plain decimal form of a finite float with at least one fractional digit and
// never an exponent ("1.0", "0.0000001", "1e300" as "1000...0.0").
std::string display_f64(double v);

}  // namespace kelp::json

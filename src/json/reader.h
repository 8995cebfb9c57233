// Strict RFC 8259 reading of JSON text into a JsonValue. Error texts and
// positions follow the reader conventions shared with the typed readers:
// "<message> at line L column C".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "json/value.h"
#include "util/expected.h"

namespace kelp::json {

struct ParseError {
  std::string message;  // without the position
  std::uint64_t line = 0;
  std::uint64_t column = 0;
  // "<message> at line L column C"
  std::string display() const;
};

// Nesting limit 128; nothing but whitespace may follow the value.
Expected<JsonValue, ParseError> parse_value(std::string_view text);

}  // namespace kelp::json

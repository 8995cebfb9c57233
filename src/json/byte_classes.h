// Byte classes of JSON text that the parts of the reader share.
#pragma once

namespace kelp::json {

constexpr bool is_json_whitespace(unsigned char c) {
  return c == ' ' || c == '\n' || c == '\t' || c == '\r';
}
constexpr bool is_json_digit(unsigned char c) { return c >= '0' && c <= '9'; }

}  // namespace kelp::json

// Character classes and searches that the scanner's parts share. Internal to
// the YAML floor: only the scanner's own files include it.
#pragma once

#include <cstddef>
#include <cstring>

namespace kelp::yaml::scan {

inline bool is_flow_indicator(char c) {
  return c == ',' || c == '[' || c == ']' || c == '{' || c == '}';
}

inline bool is_word_char(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-';
}

inline bool is_hex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

inline int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

// Characters of a URI in a tag, apart from "%" escapes.
inline bool is_uri_char(char c) {
  if (is_word_char(c)) return true;
  return std::strchr("#;/?:@&=+$,_.!~*'()[]", c) != nullptr && c != '\0';
}

// Characters of a tag shorthand's suffix: URI characters but "!" and the
// flow indicators.
inline bool is_tag_char(char c) { return c != '!' && !is_flow_indicator(c) && is_uri_char(c); }

inline bool is_continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

inline bool is_blank(char c) { return c == ' ' || c == '\t'; }
inline bool is_break(char c) { return c == '\n' || c == '\r'; }

// The offset of the first CR or LF at or after `from`, or `size`.
inline std::size_t find_break(const char* data, std::size_t from, std::size_t size) {
  const void* lf = std::memchr(data + from, '\n', size - from);
  std::size_t end = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - data) : size;
  const void* cr = std::memchr(data + from, '\r', end - from);
  return cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - data) : end;
}

}  // namespace kelp::yaml::scan

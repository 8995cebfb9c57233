#include "yaml/text_check.h"

#include <cstdio>
#include <string>

#include "unicode/text.h"

namespace kelp::yaml {

namespace {

std::string hex_code(char32_t cp) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
  return buf;
}

std::string hex_byte(unsigned char b) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02X", b);
  return buf;
}

YamlError fault(std::size_t line, std::size_t column, std::size_t offset, std::string message) {
  YamlError error = error_at(offset, std::move(message));
  error.line = line;
  error.column = column;
  return error;
}

}  // namespace

bool is_allowed_yaml_char(char32_t cp) {
  if (cp == 0x09 || cp == 0x0A || cp == 0x0D) return true;
  if (cp >= 0x20 && cp <= 0x7E) return true;
  if (cp == 0x85) return true;
  if (cp >= 0xA0 && cp <= 0xD7FF) return true;
  if (cp >= 0xE000 && cp <= 0xFFFD) return true;
  return cp >= 0x10000 && cp <= 0x10FFFF;
}

std::optional<YamlError> check_yaml_text(std::string_view text) {
  std::size_t line = 1;
  std::size_t column = 1;
  std::size_t pos = 0;
  while (pos < text.size()) {
    auto byte = static_cast<unsigned char>(text[pos]);
    // Printable ASCII is by far the common case.
    if (byte >= 0x20 && byte < 0x7F) {
      ++pos;
      ++column;
      continue;
    }
    std::size_t start = pos;
    char32_t cp = unicode::next_code_point(text, pos);
    if (cp == 0xFFFD && pos - start == 1) {
      return fault(line, column, start, "invalid UTF-8 byte " + hex_byte(byte) + " in YAML text");
    }
    if (!is_allowed_yaml_char(cp)) {
      return fault(line, column, start, "character " + hex_code(cp) + " is not allowed in YAML text");
    }
    if (cp == '\n' || (cp == '\r' && (pos >= text.size() || text[pos] != '\n'))) {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return std::nullopt;
}

}  // namespace kelp::yaml

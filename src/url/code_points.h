// Classes of code points that URL parsing distinguishes.
#pragma once

namespace kelp::url {

// Stands for the end of the input in the parser's state machine.
inline constexpr char32_t kEndOfInput = 0xFFFFFFFF;

constexpr bool is_ascii_digit(char32_t c) { return c >= '0' && c <= '9'; }
constexpr bool is_ascii_hex_digit(char32_t c) {
  return is_ascii_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
constexpr bool is_ascii_alpha(char32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
constexpr bool is_ascii_alphanumeric(char32_t c) { return is_ascii_alpha(c) || is_ascii_digit(c); }
constexpr char32_t ascii_lower(char32_t c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }
constexpr unsigned hex_value(char32_t c) {
  return is_ascii_digit(c) ? c - '0' : (ascii_lower(c) - 'a' + 10);
}

constexpr bool is_c0_control(char32_t c) { return c <= 0x1F; }
constexpr bool is_c0_control_or_space(char32_t c) { return c <= 0x20; }
constexpr bool is_ascii_tab_or_newline(char32_t c) { return c == '\t' || c == '\n' || c == '\r'; }

// Characters that may never appear in a host, opaque or not.
constexpr bool is_forbidden_host_code_point(char32_t c) {
  switch (c) {
    case 0x00: case '\t': case '\n': case '\r': case ' ': case '#': case '/': case ':':
    case '<': case '>': case '?': case '@': case '[': case '\\': case ']': case '^': case '|':
      return true;
    default:
      return false;
  }
}

// Characters that may never appear in a domain after IDNA processing.
constexpr bool is_forbidden_domain_code_point(char32_t c) {
  return is_forbidden_host_code_point(c) || is_c0_control(c) || c == '%' || c == 0x7F;
}

}  // namespace kelp::url

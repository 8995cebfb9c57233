#include "url/percent.h"

#include "url/code_points.h"

namespace kelp::url {

bool in_encode_set(char32_t cp, EncodeSet set) {
  if (is_c0_control(cp) || cp > 0x7E) return true;
  if (set == EncodeSet::C0Control) return false;
  if (set == EncodeSet::Fragment) {
    return cp == ' ' || cp == '"' || cp == '<' || cp == '>' || cp == '`';
  }
  // The remaining sets nest: Query within SpecialQuery, Path and Userinfo.
  if (cp == ' ' || cp == '"' || cp == '#' || cp == '<' || cp == '>') return true;
  switch (set) {
    case EncodeSet::Query:
      return false;
    case EncodeSet::SpecialQuery:
      return cp == '\'';
    case EncodeSet::Path:
      return cp == '?' || cp == '^' || cp == '`' || cp == '{' || cp == '}';
    case EncodeSet::Userinfo:
      return cp == '?' || cp == '^' || cp == '`' || cp == '{' || cp == '}' || cp == '/' ||
             cp == ':' || cp == ';' || cp == '=' || cp == '@' || cp == '[' || cp == '\\' ||
             cp == ']' || cp == '|';
    default:
      return false;
  }
}

void append_percent_encoded(std::string& out, char32_t cp, EncodeSet set) {
  if (!in_encode_set(cp, set)) {
    out.push_back(static_cast<char>(cp));
    return;
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  unsigned char bytes[4];
  int n = 0;
  if (cp < 0x80) {
    bytes[n++] = static_cast<unsigned char>(cp);
  } else if (cp < 0x800) {
    bytes[n++] = static_cast<unsigned char>(0xC0 | (cp >> 6));
    bytes[n++] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    bytes[n++] = static_cast<unsigned char>(0xE0 | (cp >> 12));
    bytes[n++] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
    bytes[n++] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
  } else {
    bytes[n++] = static_cast<unsigned char>(0xF0 | (cp >> 18));
    bytes[n++] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
    bytes[n++] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
    bytes[n++] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
  }
  for (int i = 0; i < n; ++i) {
    unsigned v = bytes[i];
    out.push_back('%');
    out.push_back(kHex[v >> 4]);
    out.push_back(kHex[v & 0xF]);
  }
}

std::string percent_decode(std::string_view input) {
  std::string out;
  out.reserve(input.size());
  for (std::size_t i = 0; i < input.size(); ++i) {
    char c = input[i];
    if (c == '%' && i + 2 < input.size() &&
        is_ascii_hex_digit(static_cast<unsigned char>(input[i + 1])) &&
        is_ascii_hex_digit(static_cast<unsigned char>(input[i + 2]))) {
      out.push_back(static_cast<char>(hex_value(static_cast<unsigned char>(input[i + 1])) * 16 +
                                      hex_value(static_cast<unsigned char>(input[i + 2]))));
      i += 2;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace kelp::url

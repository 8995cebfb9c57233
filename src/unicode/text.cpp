#include "unicode/text.h"

#include <unicode/uchar.h>
#include <unicode/ucasemap.h>
#include <unicode/utypes.h>

#include <memory>

namespace kelp::unicode {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool is_cont(unsigned char b) { return (b & 0xC0) == 0x80; }

// Length of the valid UTF-8 sequence at `pos`, or 0 when it is not valid.
std::size_t valid_sequence_length(std::string_view s, std::size_t pos, char32_t& cp) {
  auto b0 = static_cast<unsigned char>(s[pos]);
  std::size_t n = s.size() - pos;
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    if (n < 2 || !is_cont(s[pos + 1])) return 0;
    cp = (char32_t(b0 & 0x1F) << 6) | (s[pos + 1] & 0x3F);
    return 2;
  }
  if (b0 >= 0xE0 && b0 <= 0xEF) {
    if (n < 3) return 0;
    auto b1 = static_cast<unsigned char>(s[pos + 1]);
    if (!is_cont(b1) || !is_cont(s[pos + 2])) return 0;
    if (b0 == 0xE0 && b1 < 0xA0) return 0;  // overlong
    if (b0 == 0xED && b1 >= 0xA0) return 0;  // surrogate
    cp = (char32_t(b0 & 0x0F) << 12) | (char32_t(b1 & 0x3F) << 6) | (s[pos + 2] & 0x3F);
    return 3;
  }
  if (b0 >= 0xF0 && b0 <= 0xF4) {
    if (n < 4) return 0;
    auto b1 = static_cast<unsigned char>(s[pos + 1]);
    if (!is_cont(b1) || !is_cont(s[pos + 2]) || !is_cont(s[pos + 3])) return 0;
    if (b0 == 0xF0 && b1 < 0x90) return 0;  // overlong
    if (b0 == 0xF4 && b1 >= 0x90) return 0;  // above U+10FFFF
    cp = (char32_t(b0 & 0x07) << 18) | (char32_t(b1 & 0x3F) << 12) |
         (char32_t(s[pos + 2] & 0x3F) << 6) | (s[pos + 3] & 0x3F);
    return 4;
  }
  return 0;
}

}  // namespace

char32_t next_code_point(std::string_view text, std::size_t& pos) {
  char32_t cp = 0;
  std::size_t len = valid_sequence_length(text, pos, cp);
  if (len == 0) {
    ++pos;
    return kReplacement;
  }
  pos += len;
  return cp;
}

void append_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

bool is_white_space(char32_t cp) {
  switch (cp) {
    case 0x09: case 0x0A: case 0x0B: case 0x0C: case 0x0D: case 0x20: case 0x85: case 0xA0:
    case 0x1680: case 0x2028: case 0x2029: case 0x202F: case 0x205F: case 0x3000:
      return true;
    default:
      return cp >= 0x2000 && cp <= 0x200A;
  }
}

std::string_view trim_start(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t next = pos;
    if (!is_white_space(next_code_point(text, next))) break;
    pos = next;
  }
  return text.substr(pos);
}

std::string_view trim(std::string_view text) {
  text = trim_start(text);
  // Walk backwards over whole characters.
  std::size_t end = text.size();
  while (end > 0) {
    std::size_t start = end - 1;
    while (start > 0 && is_cont(text[start]) && end - start < 4) --start;
    std::size_t pos = start;
    char32_t cp = next_code_point(text, pos);
    if (pos != end || !is_white_space(cp)) break;
    end = start;
  }
  return text.substr(0, end);
}

bool is_non_empty_text(std::string_view text) { return !trim(text).empty(); }

std::size_t char_count(std::string_view text) {
  std::size_t n = 0;
  for (char c : text)
    if (!is_cont(static_cast<unsigned char>(c))) ++n;
  return n;
}

bool char_count_exceeds(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return false;
  std::size_t n = 0;
  for (char c : text) {
    if (!is_cont(static_cast<unsigned char>(c)) && ++n > limit) return true;
  }
  return false;
}

bool is_valid_utf8(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    // Fast path over ASCII runs.
    if (static_cast<unsigned char>(text[pos]) < 0x80) {
      ++pos;
      continue;
    }
    char32_t cp = 0;
    std::size_t len = valid_sequence_length(text, pos, cp);
    if (len == 0) return false;
    pos += len;
  }
  return true;
}

namespace {

bool needs_unicode_escape(char32_t cp) {
  if (cp < 0x20 || cp == 0x7F) return true;
  if (cp < 0x7F) return false;
  auto type = static_cast<UCharCategory>(u_charType(static_cast<UChar32>(cp)));
  switch (type) {
    case U_CONTROL_CHAR:
    case U_FORMAT_CHAR:
    case U_SURROGATE:
    case U_PRIVATE_USE_CHAR:
    case U_UNASSIGNED:
    case U_LINE_SEPARATOR:
    case U_PARAGRAPH_SEPARATOR:
    case U_SPACE_SEPARATOR:
      return true;
    default:
      break;
  }
  return u_hasBinaryProperty(static_cast<UChar32>(cp), UCHAR_GRAPHEME_EXTEND) != 0;
}

}  // namespace

void append_quoted(std::string& out, std::string_view text) {
  static const char* hex = "0123456789abcdef";
  out.push_back('"');
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t start = pos;
    char32_t cp = next_code_point(text, pos);
    switch (cp) {
      case '"': out += "\\\""; continue;
      case '\\': out += "\\\\"; continue;
      case '\t': out += "\\t"; continue;
      case '\r': out += "\\r"; continue;
      case '\n': out += "\\n"; continue;
      case 0: out += "\\0"; continue;
      default: break;
    }
    if (needs_unicode_escape(cp)) {
      out += "\\u{";
      bool started = false;
      for (int shift = 20; shift >= 0; shift -= 4) {
        unsigned d = (cp >> shift) & 0xF;
        if (d != 0 || started || shift == 0) {
          out.push_back(hex[d]);
          started = true;
        }
      }
      out.push_back('}');
    } else {
      out.append(text.substr(start, pos - start));
    }
  }
  out.push_back('"');
}

std::string quoted(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  append_quoted(out, text);
  return out;
}

std::string to_lower(std::string_view text) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UCaseMap, void (*)(UCaseMap*)> map(ucasemap_open("", 0, &status),
                                                       ucasemap_close);
  if (U_FAILURE(status) || !map) return std::string(text);
  std::string out(text.size() + 16, '\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    status = U_ZERO_ERROR;
    int32_t n = ucasemap_utf8ToLower(map.get(), out.data(), static_cast<int32_t>(out.size()),
                                     text.data(), static_cast<int32_t>(text.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      out.assign(static_cast<std::size_t>(n), '\0');
      continue;
    }
    if (U_FAILURE(status)) return std::string(text);
    out.resize(static_cast<std::size_t>(n));
    return out;
  }
  return std::string(text);
}

}  // namespace kelp::unicode

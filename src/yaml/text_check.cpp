#include "yaml/text_check.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "unicode/text.h"
#include "yaml/position.h"

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
  YamlError error = error_at(ReadErrorKind::Text, offset, std::move(message));
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
  const char* data = text.data();
  const std::size_t size = text.size();
  std::size_t pos = 0;
  auto fault_here = [&](std::size_t start, std::string message) {
    LineColumn at = line_column_at(text, start);
    return fault(at.line, at.column, start, std::move(message));
  };
  while (pos < size) {
#if defined(__SSE2__)
    // Sixteen bytes at a time while they are printable ASCII or tab, line
    // feed and carriage return, which is nearly every byte of a YAML text.
    while (pos + 16 <= size) {
      __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + pos));
      __m128i ok = _mm_andnot_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8(0x7F)),
                                    _mm_cmpgt_epi8(x, _mm_set1_epi8(0x1F)));
      ok = _mm_or_si128(ok, _mm_cmpeq_epi8(x, _mm_set1_epi8('\n')));
      ok = _mm_or_si128(ok, _mm_cmpeq_epi8(x, _mm_set1_epi8('\r')));
      ok = _mm_or_si128(ok, _mm_cmpeq_epi8(x, _mm_set1_epi8('\t')));
      unsigned bad = ~static_cast<unsigned>(_mm_movemask_epi8(ok)) & 0xFFFFu;
      if (bad != 0) {
        pos += static_cast<std::size_t>(__builtin_ctz(bad));
        break;
      }
      pos += 16;
    }
#endif
    // Eight bytes at a time while they are all printable ASCII, by far the
    // common case.
    while (pos + 8 <= size) {
      std::uint64_t w;
      std::memcpy(&w, data + pos, 8);
      constexpr std::uint64_t kOnes = 0x0101010101010101ull;
      constexpr std::uint64_t kHigh = 0x8080808080808080ull;
      std::uint64_t suspicious = (w | ((w - 0x20 * kOnes) & ~w) | (w + kOnes)) & kHigh;
      if (suspicious != 0) {
        // The lowest flagged byte is exact; later ones may be false alarms.
        pos += static_cast<std::size_t>(__builtin_ctzll(suspicious)) / 8;
        break;
      }
      pos += 8;
    }
    if (pos >= size) break;
    auto byte = static_cast<unsigned char>(data[pos]);
    if ((byte >= 0x20 && byte < 0x7F) || byte == '\n' || byte == '\r' || byte == '\t') {
      ++pos;
      continue;
    }
    std::size_t start = pos;
    char32_t cp = unicode::next_code_point(text, pos);
    if (cp == 0xFFFD && pos - start == 1) {
      return fault_here(start, "invalid UTF-8 byte " + hex_byte(byte) + " in YAML text");
    }
    if (!is_allowed_yaml_char(cp)) {
      return fault_here(start, "character " + hex_code(cp) + " is not allowed in YAML text");
    }
  }
  return std::nullopt;
}

}  // namespace kelp::yaml

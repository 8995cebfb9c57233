// String literals: the fast scan for the bytes that end a plain run, the
// escapes, and the three ways of reading a body (skip, check, decode).
#include <bit>
#include <cstring>

#include "json/reader.h"
#include "unicode/text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kelp::json {

namespace {

int hex_value(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Word-at-a-time test for a byte that ends a plain run inside a string: the
// quotation mark, the backslash, or a control character below 0x20.
inline bool word_has_special(std::uint64_t w) {
  constexpr std::uint64_t ones = 0x0101010101010101ULL;
  constexpr std::uint64_t highs = 0x8080808080808080ULL;
  auto has_zero = [](std::uint64_t v) { return (v - ones) & ~v & highs; };
  std::uint64_t quote = has_zero(w ^ (ones * '"'));
  std::uint64_t backslash = has_zero(w ^ (ones * '\\'));
  std::uint64_t control = (w - ones * 0x20) & ~w & highs;
  return (quote | backslash | control) != 0;
}

inline bool is_special(unsigned char c) { return c == '"' || c == '\\' || c < 0x20; }

// The offset of the first quotation mark, backslash or control character at
// or after `i`, or `size` when there is none.
std::size_t find_special(const char* base, std::size_t i, std::size_t size) {
#if defined(__SSE2__)
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i backslash = _mm_set1_epi8('\\');
  const __m128i below_space = _mm_set1_epi8(0x1F);
  while (i + 16 <= size) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i));
    // A byte is a control character when the unsigned minimum with 0x1F is itself.
    __m128i hits = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, backslash)),
        _mm_cmpeq_epi8(_mm_min_epu8(v, below_space), v));
    auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
    if (mask) return i + static_cast<std::size_t>(std::countr_zero(mask));
    i += 16;
  }
#endif
  while (i + 8 <= size) {
    std::uint64_t w;
    std::memcpy(&w, base + i, 8);
    if (word_has_special(w)) break;
    i += 8;
  }
  while (i < size && !is_special(static_cast<unsigned char>(base[i]))) ++i;
  return i;
}

}  // namespace

bool Reader::decode_hex_escape(std::uint32_t& out) {
  if (text_.size() - index_ < 4) {
    index_ = text_.size();
    return fail("EOF while parsing a string");
  }
  // All four characters are taken before they are judged, so a bad one is
  // reported at the fourth.
  std::uint32_t n = 0;
  bool valid = true;
  for (std::size_t i = 0; i < 4; ++i) {
    int v = hex_value(static_cast<unsigned char>(text_[index_ + i]));
    valid = valid && v >= 0;
    n = (n << 4) | static_cast<std::uint32_t>(v & 0xF);
  }
  index_ += 4;
  if (!valid) return fail("invalid escape");
  out = n;
  return true;
}

bool Reader::parse_escape(std::string& out) {
  if (index_ >= text_.size()) return fail("EOF while parsing a string");
  char c = text_[index_++];
  switch (c) {
    case '"': out.push_back('"'); return true;
    case '\\': out.push_back('\\'); return true;
    case '/': out.push_back('/'); return true;
    case 'b': out.push_back('\b'); return true;
    case 'f': out.push_back('\f'); return true;
    case 'n': out.push_back('\n'); return true;
    case 'r': out.push_back('\r'); return true;
    case 't': out.push_back('\t'); return true;
    case 'u': break;
    default: return fail("invalid escape");
  }
  std::uint32_t n = 0;
  if (!decode_hex_escape(n)) return false;
  if (n >= 0xDC00 && n <= 0xDFFF) return fail("lone leading surrogate in hex escape");
  if (n < 0xD800 || n > 0xDBFF) {
    unicode::append_utf8(out, n);
    return true;
  }
  // A leading surrogate must be followed by an escaped trailing one.
  if (index_ >= text_.size()) return fail("EOF while parsing a string");
  if (text_[index_] != '\\') {
    ++index_;
    return fail("unexpected end of hex escape");
  }
  ++index_;
  if (index_ >= text_.size()) return fail("EOF while parsing a string");
  if (text_[index_] != 'u') {
    ++index_;
    return fail("unexpected end of hex escape");
  }
  ++index_;
  std::uint32_t n2 = 0;
  if (!decode_hex_escape(n2)) return false;
  if (n2 < 0xDC00 || n2 > 0xDFFF) return fail("lone leading surrogate in hex escape");
  unicode::append_utf8(out, (((n - 0xD800) << 10) | (n2 - 0xDC00)) + 0x10000);
  return true;
}

// Reads a string body after the opening quotation mark. Skip only checks the
// escapes for form, not for surrogates, and reports a control character at
// the byte before it; Check judges exactly as Decode does but builds nothing
// and notes in `escapes` whether the body has any.
template <Reader::StringMode mode>
bool Reader::string_body(std::string* out, bool* escapes) {
  const char* base = text_.data();
  const std::size_t size = text_.size();
  std::string scratch;  // one escape's bytes in Check mode
  for (;;) {
    std::size_t start = index_;
    index_ = find_special(base, index_, size);
    if constexpr (mode == StringMode::Decode) out->append(base + start, index_ - start);
    if (index_ >= size) return fail("EOF while parsing a string");
    auto c = static_cast<unsigned char>(base[index_++]);
    if (c == '"') return true;
    if (c == '\\') {
      if constexpr (mode == StringMode::Decode) {
        if (!parse_escape(*out)) return false;
      } else if constexpr (mode == StringMode::Check) {
        *escapes = true;
        // The one-character escapes are judged here, as parse_escape would;
        // only \u escapes need its surrogate rules.
        if (index_ < size && base[index_] != 'u') {
          switch (base[index_++]) {
            case '"': case '\\': case '/': case 'b': case 'f': case 'n': case 'r': case 't': break;
            default: return fail("invalid escape");
          }
          continue;
        }
        scratch.clear();
        if (!parse_escape(scratch)) return false;
      } else {
        if (index_ >= size) return fail("EOF while parsing a string");
        char e = base[index_++];
        switch (e) {
          case '"': case '\\': case '/': case 'b': case 'f': case 'n': case 'r': case 't': break;
          case 'u': {
            std::uint32_t ignored = 0;
            if (!decode_hex_escape(ignored)) return false;
            break;
          }
          default: return fail("invalid escape");
        }
      }
      continue;
    }
    // A string that is only skipped reports the control character at the
    // byte before it; a string that is read, at the character itself.
    if constexpr (mode == StringMode::Skip) --index_;
    return fail("control character (\\u0000-\\u001F) found while parsing a string");
  }
}

bool Reader::parse_string(std::string& out) {
  ++index_;  // the opening quotation mark
  return string_body<StringMode::Decode>(&out, nullptr);
}

bool Reader::check_string(std::string_view& literal, bool& has_escapes) {
  const std::size_t start = index_;
  ++index_;
  has_escapes = false;
  if (!string_body<StringMode::Check>(nullptr, &has_escapes)) return false;
  literal = text_.substr(start, index_ - start);
  return true;
}

bool Reader::ignore_string() {
  ++index_;
  return string_body<StringMode::Skip>(nullptr, nullptr);
}

}  // namespace kelp::json

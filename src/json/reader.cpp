#include "json/reader.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "json/writer.h"
#include "unicode/text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kelp::json {

namespace {

constexpr int kMaxDepth = 128;

bool is_ws(unsigned char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r'; }
bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }

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

// Whether the digits of a number literal before its exponent are not all zero.
bool significand_is_nonzero(std::string_view literal) {
  for (char c : literal) {
    if (c == 'e' || c == 'E') break;
    if (c >= '1' && c <= '9') return true;
  }
  return false;
}

}  // namespace

std::string ParseError::display() const {
  std::string out = message;
  out += " at line ";
  out += std::to_string(line);
  out += " column ";
  out += std::to_string(column);
  return out;
}

std::pair<std::uint64_t, std::uint64_t> Reader::position_of(std::size_t index) const {
  std::uint64_t line = 1;
  std::size_t line_start = 0;
  const char* base = text_.data();
  const char* p = base;
  const char* end = base + index;
  while (p < end) {
    const void* nl = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
    if (!nl) break;
    ++line;
    p = static_cast<const char*>(nl) + 1;
    line_start = static_cast<std::size_t>(p - base);
  }
  return {line, index - line_start};
}

bool Reader::fail(std::string message) {
  auto [line, column] = position_of(index_);
  error_ = ParseError{std::move(message), line, column};
  return false;
}

bool Reader::fail_at_peek(std::string message) {
  std::size_t at = index_ + 1 < text_.size() ? index_ + 1 : text_.size();
  auto [line, column] = position_of(at);
  error_ = ParseError{std::move(message), line, column};
  return false;
}

std::optional<unsigned char> Reader::peek_after_whitespace() {
  while (index_ < text_.size()) {
    auto c = static_cast<unsigned char>(text_[index_]);
    if (!is_ws(c)) return c;
    ++index_;
  }
  return std::nullopt;
}

bool Reader::parse_ident(std::string_view rest) {
  for (char expected : rest) {
    if (index_ >= text_.size()) return fail("EOF while parsing a value");
    char c = text_[index_++];
    if (c != expected) return fail("expected ident");
  }
  return true;
}

bool Reader::decode_hex_escape(std::uint32_t& out) {
  if (text_.size() - index_ < 4) {
    index_ = text_.size();
    return fail("EOF while parsing a string");
  }
  // All four characters are taken before they are judged, so a bad one is
  // reported at the fourth.
  std::uint32_t n = 0;
  bool valid = true;
  for (int i = 0; i < 4; ++i) {
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

namespace {

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

// A number whose sign (if any) has been consumed; the next byte is its first digit.
bool Reader::parse_number(bool negative, JsonValue& out) {
  const std::size_t size = text_.size();
  const std::size_t start = index_ - (negative ? 1 : 0);
  if (index_ >= size) return fail("EOF while parsing a value");
  auto first = static_cast<unsigned char>(text_[index_++]);
  bool overflow = false;
  std::uint64_t significand = 0;
  if (first == '0') {
    if (index_ < size && is_digit(static_cast<unsigned char>(text_[index_])))
      return fail_at_peek("invalid number");
  } else if (first >= '1' && first <= '9') {
    significand = first - '0';
    while (index_ < size && is_digit(static_cast<unsigned char>(text_[index_]))) {
      unsigned d = static_cast<unsigned char>(text_[index_]) - '0';
      if (!overflow) {
        constexpr std::uint64_t max = std::numeric_limits<std::uint64_t>::max();
        if (significand > max / 10 || (significand == max / 10 && d > max % 10)) {
          overflow = true;
        } else {
          significand = significand * 10 + d;
        }
      }
      ++index_;
    }
  } else {
    return fail("invalid number");
  }
  bool is_float = overflow;
  // Decimal exponent of the leading digit, to tell overflow from underflow.
  if (index_ < size && text_[index_] == '.') {
    ++index_;
    bool any = false;
    while (index_ < size && is_digit(static_cast<unsigned char>(text_[index_]))) {
      ++index_;
      any = true;
    }
    if (!any) {
      if (index_ < size) return fail_at_peek("invalid number");
      return fail_at_peek("EOF while parsing a value");
    }
    is_float = true;
  }
  bool exponent_positive = true;
  std::int64_t exponent = 0;
  if (index_ < size && (text_[index_] == 'e' || text_[index_] == 'E')) {
    ++index_;
    if (index_ < size && (text_[index_] == '+' || text_[index_] == '-')) {
      exponent_positive = text_[index_] == '+';
      ++index_;
    }
    if (index_ >= size) return fail("EOF while parsing a value");
    auto c = static_cast<unsigned char>(text_[index_++]);
    if (!is_digit(c)) return fail("invalid number");
    exponent = c - '0';
    constexpr std::int64_t max_exponent = std::numeric_limits<std::int32_t>::max();
    while (index_ < size && is_digit(static_cast<unsigned char>(text_[index_]))) {
      const int d = text_[index_++] - '0';
      if (exponent > (max_exponent - d) / 10) {
        // The exponent no longer fits: a growing non-zero number is out of
        // range at this digit, anything else is a zero.
        if (exponent_positive && significand_is_nonzero(text_.substr(start, index_ - start)))
          return fail("number out of range");
        while (index_ < size && is_digit(static_cast<unsigned char>(text_[index_]))) ++index_;
        out = JsonValue(negative ? -0.0 : 0.0);
        return true;
      }
      exponent = exponent * 10 + d;
    }
    is_float = true;
  }
  if (!is_float) {
    if (!negative) {
      out = JsonValue(significand);
    } else if (significand == 0) {
      out = JsonValue(-0.0);
    } else if (significand <= (std::uint64_t{1} << 63)) {
      out = JsonValue(static_cast<std::int64_t>(0 - significand));
    } else {
      out = JsonValue(-static_cast<double>(significand));
    }
    return true;
  }
  // Correctly rounded conversion of the literal; out of range is either an
  // overflow (an error) or an underflow to zero.
  const char* lit = text_.data() + start;
  const char* lit_end = text_.data() + index_;
  double value = 0;
  auto res = std::from_chars(lit, lit_end, value);
  if (res.ec == std::errc::result_out_of_range) {
    // Decimal exponent of the first non-zero digit.
    const char* p = lit + (negative ? 1 : 0);
    std::int64_t lead = 0;
    bool found = false;
    std::int64_t int_digits = 0;
    while (p < lit_end && is_digit(static_cast<unsigned char>(*p))) {
      if (found) {
        ++int_digits;
      } else if (*p != '0') {
        found = true;
        int_digits = 1;
      }
      ++p;
    }
    if (found) {
      lead = int_digits - 1;
    } else if (p < lit_end && *p == '.') {
      ++p;
      std::int64_t zeros = 0;
      while (p < lit_end && *p == '0') {
        ++zeros;
        ++p;
      }
      found = p < lit_end && is_digit(static_cast<unsigned char>(*p));
      lead = -zeros - 1;
    }
    lead += exponent_positive ? exponent : -exponent;
    if (found && lead > 0) return fail("number out of range");
    value = negative ? -0.0 : 0.0;
  } else if (res.ec != std::errc() || !std::isfinite(value)) {
    return fail("number out of range");
  }
  out = JsonValue(value);
  return true;
}

bool Reader::ignore_number() {
  const std::size_t size = text_.size();
  auto next_or_null = [&]() -> unsigned char {
    return index_ < size ? static_cast<unsigned char>(text_[index_++]) : 0;
  };
  auto peek_or_null = [&]() -> unsigned char {
    return index_ < size ? static_cast<unsigned char>(text_[index_]) : 0;
  };
  unsigned char c = next_or_null();
  if (c == '0') {
    if (is_digit(peek_or_null())) return fail_at_peek("invalid number");
  } else if (c >= '1' && c <= '9') {
    while (is_digit(peek_or_null())) ++index_;
  } else {
    return fail("invalid number");
  }
  if (peek_or_null() == '.') {
    ++index_;
    bool any = false;
    while (is_digit(peek_or_null())) {
      ++index_;
      any = true;
    }
    if (!any) return fail_at_peek("invalid number");
  }
  if (peek_or_null() == 'e' || peek_or_null() == 'E') {
    ++index_;
    if (peek_or_null() == '+' || peek_or_null() == '-') ++index_;
    if (!is_digit(next_or_null())) return fail("invalid number");
    while (is_digit(peek_or_null())) ++index_;
  }
  return true;
}

bool Reader::ignore_value() {
  // Open containers; checked without recursion and without a depth limit.
  std::vector<unsigned char> stack;
  for (;;) {
    auto peek = peek_after_whitespace();
    if (!peek) return fail_at_peek("EOF while parsing a value");
    bool opened = false;
    unsigned char frame = 0;
    switch (*peek) {
      case 'n': ++index_; if (!parse_ident("ull")) return false; break;
      case 't': ++index_; if (!parse_ident("rue")) return false; break;
      case 'f': ++index_; if (!parse_ident("alse")) return false; break;
      case '-': ++index_; if (!ignore_number()) return false; break;
      case '"': if (!ignore_string()) return false; break;
      case '[': case '{':
        ++index_;
        opened = true;
        frame = *peek;
        break;
      default:
        if (is_digit(*peek)) {
          if (!ignore_number()) return false;
          break;
        }
        return fail_at_peek("expected value");
    }
    bool accept_comma;
    if (opened) {
      accept_comma = false;
    } else {
      if (stack.empty()) return true;
      frame = stack.back();
      stack.pop_back();
      accept_comma = true;
    }
    for (;;) {
      auto c = peek_after_whitespace();
      if (c && *c == ',' && accept_comma) {
        ++index_;
        break;
      }
      if (c && ((*c == ']' && frame == '[') || (*c == '}' && frame == '{'))) {
        ++index_;
        if (stack.empty()) return true;
        frame = stack.back();
        stack.pop_back();
        accept_comma = true;
        continue;
      }
      if (c) {
        if (accept_comma)
          return fail_at_peek(frame == '[' ? "expected `,` or `]`" : "expected `,` or `}`");
        break;
      }
      return fail_at_peek(frame == '[' ? "EOF while parsing a list" : "EOF while parsing an object");
    }
    if (frame == '{') {
      auto c = peek_after_whitespace();
      if (!c) return fail_at_peek("EOF while parsing an object");
      if (*c != '"') return fail_at_peek("key must be a string");
      if (!ignore_string()) return false;
      c = peek_after_whitespace();
      if (!c) return fail_at_peek("EOF while parsing an object");
      if (*c != ':') return fail_at_peek("expected `:`");
      ++index_;
    }
    stack.push_back(frame);
  }
}

// The separator before the next member of a list or an object: the closing
// bracket ends it; a comma must follow a member; a member must follow a comma.
bool Reader::next_member(bool& first, bool& done, char close) {
  const bool list = close == ']';
  auto c = peek_after_whitespace();
  if (!c) return fail_at_peek(list ? "EOF while parsing a list" : "EOF while parsing an object");
  if (*c == close) {
    done = true;
    return true;
  }
  if (*c == ',' && !first) {
    ++index_;
    c = peek_after_whitespace();
  } else if (first) {
    first = false;
  } else {
    return fail_at_peek(list ? "expected `,` or `]`" : "expected `,` or `}`");
  }
  if (!c) return fail_at_peek("EOF while parsing a value");
  if (*c == close) return fail_at_peek("trailing comma");
  done = false;
  return true;
}

bool Reader::next_element(bool& first, bool& done) { return next_member(first, done, ']'); }

bool Reader::next_key(bool& first, bool& done, std::string& key) {
  if (!next_member(first, done, '}')) return false;
  if (done) return true;
  if (text_[index_] != '"') return fail_at_peek("key must be a string");
  key.clear();
  return parse_string(key);
}

bool Reader::parse_colon() {
  auto c = peek_after_whitespace();
  if (!c) return fail_at_peek("EOF while parsing an object");
  if (*c != ':') return fail_at_peek("expected `:`");
  ++index_;
  return true;
}

bool Reader::end_list() {
  auto c = peek_after_whitespace();
  if (!c) return fail_at_peek("EOF while parsing a list");
  if (*c == ']') {
    ++index_;
    return true;
  }
  if (*c == ',') {
    ++index_;
    c = peek_after_whitespace();
    if (c && *c == ']') return fail_at_peek("trailing comma");
  }
  return fail_at_peek("trailing characters");
}

bool Reader::end_object() {
  auto c = peek_after_whitespace();
  if (!c) return fail_at_peek("EOF while parsing an object");
  if (*c == '}') {
    ++index_;
    return true;
  }
  if (*c == ',') return fail_at_peek("trailing comma");
  return fail_at_peek("trailing characters");
}

bool Reader::end_of_input() {
  if (peek_after_whitespace()) return fail_at_peek("trailing characters");
  return true;
}

bool Reader::parse_any(JsonValue& out, int depth) {
  auto peek = peek_after_whitespace();
  if (!peek) return fail_at_peek("EOF while parsing a value");
  switch (*peek) {
    case 'n': ++index_; if (!parse_ident("ull")) return false; out = JsonValue(); return true;
    case 't': ++index_; if (!parse_ident("rue")) return false; out = JsonValue(true); return true;
    case 'f': ++index_; if (!parse_ident("alse")) return false; out = JsonValue(false); return true;
    case '-': ++index_; return parse_number(true, out);
    case '"': {
      std::string s;
      if (!parse_string(s)) return false;
      out = JsonValue(std::move(s));
      return true;
    }
    case '[': {
      if (depth <= 1) return fail_at_peek("recursion limit exceeded");
      ++index_;
      JsonValue::Array items;
      bool first = true;
      for (;;) {
        bool done = false;
        if (!next_element(first, done)) return false;
        if (done) break;
        items.emplace_back();
        if (!parse_any(items.back(), depth - 1)) return false;
      }
      ++index_;  // ']'
      out = JsonValue(std::move(items));
      return true;
    }
    case '{': {
      if (depth <= 1) return fail_at_peek("recursion limit exceeded");
      ++index_;
      JsonValue::Object members;
      bool first = true;
      std::string key;
      for (;;) {
        bool done = false;
        if (!next_key(first, done, key)) return false;
        if (done) break;
        if (!parse_colon()) return false;
        JsonValue value;
        if (!parse_any(value, depth - 1)) return false;
        // A repeated key keeps the later value.
        members.insert_or_assign(std::move(key), std::move(value));
        key = std::string();
      }
      ++index_;  // '}'
      out = JsonValue(std::move(members));
      return true;
    }
    default:
      if (is_digit(*peek)) return parse_number(false, out);
      return fail_at_peek("expected value");
  }
}

bool Reader::fail_invalid_type(std::string_view expected) {
  auto peek = peek_after_whitespace();
  std::string found;
  if (!peek) return fail_at_peek("EOF while parsing a value");
  switch (*peek) {
    case 'n': ++index_; if (!parse_ident("ull")) return false; found = "null"; break;
    case 't': ++index_; if (!parse_ident("rue")) return false; found = "boolean `true`"; break;
    case 'f': ++index_; if (!parse_ident("alse")) return false; found = "boolean `false`"; break;
    case '"': {
      std::string s;
      if (!parse_string(s)) return false;
      found = "string " + unicode::quoted(s);
      break;
    }
    case '[': found = "sequence"; break;
    case '{': found = "map"; break;
    default: {
      if (*peek != '-' && !is_digit(*peek)) return fail_at_peek("expected value");
      bool negative = *peek == '-';
      if (negative) ++index_;
      JsonValue number;
      if (!parse_number(negative, number)) return false;
      if (number.is_u64()) {
        found = "integer `" + std::to_string(number.as_u64()) + "`";
      } else if (number.is_i64()) {
        found = "integer `" + std::to_string(number.as_i64()) + "`";
      } else {
        found = "floating point `" + display_f64(number.as_f64()) + "`";
      }
    }
  }
  std::string message = "invalid type: ";
  message += found;
  message += ", expected ";
  message += expected;
  return fail(std::move(message));
}

Expected<JsonValue, ParseError> parse_value(std::string_view text) {
  Reader reader(text);
  JsonValue value;
  if (!reader.parse_any(value, kMaxDepth) || !reader.end_of_input())
    return unexpected(reader.take_error());
  return value;
}

}  // namespace kelp::json

// Number literals: the integer part, the fraction and the exponent are
// scanned in turn; an integer that fits stays one, anything else becomes the
// correctly rounded double, and a double out of range is an error.
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

#include "json/byte_classes.h"
#include "json/reader.h"

namespace kelp::json {

namespace {

// Why a literal is refused; "AtPeek" errors point at the byte being looked
// at rather than at the last one consumed.
enum class Scanned : std::uint8_t {
  Read,  // the part is read, or is absent
  Eof,
  EofAtPeek,
  Invalid,
  InvalidAtPeek,
  OutOfRange,
};

// A number literal as its parts are scanned; `index` moves through the text.
struct NumberScan {
  std::string_view text;
  std::size_t index;
  bool negative;
  std::size_t start;              // the first byte of the literal, its sign included
  std::uint64_t significand = 0;  // the integer digits, while they fit
  bool is_float = false;          // a fraction, an exponent, or integer digits that do not fit
  bool exponent_positive = true;
  std::int64_t exponent = 0;
  bool rounds_to_zero = false;  // the exponent does not fit, and the value is a zero

  bool at_digit() const {
    return index < text.size() && is_json_digit(static_cast<unsigned char>(text[index]));
  }
  bool at(char c) const { return index < text.size() && text[index] == c; }
};

// Whether the digits of a number literal before its exponent are not all zero.
bool significand_is_nonzero(std::string_view literal) {
  for (char c : literal) {
    if (c == 'e' || c == 'E') break;
    if (c >= '1' && c <= '9') return true;
  }
  return false;
}

// "0", or a non-zero digit and more digits; the digits beyond 64 bits make a float.
Scanned scan_integer_part(NumberScan& n) {
  if (n.index >= n.text.size()) return Scanned::Eof;
  auto first = static_cast<unsigned char>(n.text[n.index++]);
  if (first == '0') {
    if (n.at_digit()) return Scanned::InvalidAtPeek;
    return Scanned::Read;
  }
  if (first < '1' || first > '9') return Scanned::Invalid;
  bool overflow = false;
  std::uint64_t significand = first - '0';
  for (; n.at_digit(); ++n.index) {
    unsigned d = static_cast<unsigned char>(n.text[n.index]) - '0';
    if (overflow) continue;
    constexpr std::uint64_t max = std::numeric_limits<std::uint64_t>::max();
    if (significand > max / 10 || (significand == max / 10 && d > max % 10)) {
      overflow = true;
    } else {
      significand = significand * 10 + d;
    }
  }
  n.significand = significand;
  n.is_float = overflow;
  return Scanned::Read;
}

// A '.' and at least one digit.
Scanned scan_fraction(NumberScan& n) {
  if (!n.at('.')) return Scanned::Read;
  ++n.index;
  bool any = false;
  for (; n.at_digit(); ++n.index) any = true;
  if (!any) {
    if (n.index < n.text.size()) return Scanned::InvalidAtPeek;
    return Scanned::EofAtPeek;
  }
  n.is_float = true;
  return Scanned::Read;
}

// The exponent no longer fits: a growing non-zero number is out of range at
// the digit just read, anything else is a zero.
Scanned skip_huge_exponent(NumberScan& n) {
  if (n.exponent_positive && significand_is_nonzero(n.text.substr(n.start, n.index - n.start)))
    return Scanned::OutOfRange;
  while (n.at_digit()) ++n.index;
  n.rounds_to_zero = true;
  return Scanned::Read;
}

// 'e' or 'E', an optional sign and at least one digit.
Scanned scan_exponent(NumberScan& n) {
  if (!n.at('e') && !n.at('E')) return Scanned::Read;
  ++n.index;
  if (n.at('+') || n.at('-')) {
    n.exponent_positive = n.text[n.index] == '+';
    ++n.index;
  }
  if (n.index >= n.text.size()) return Scanned::Eof;
  auto c = static_cast<unsigned char>(n.text[n.index++]);
  if (!is_json_digit(c)) return Scanned::Invalid;
  std::int64_t exponent = c - '0';
  constexpr std::int64_t max_exponent = std::numeric_limits<std::int32_t>::max();
  while (n.at_digit()) {
    const int d = n.text[n.index++] - '0';
    if (exponent > (max_exponent - d) / 10) return skip_huge_exponent(n);
    exponent = exponent * 10 + d;
  }
  n.exponent = exponent;
  n.is_float = true;
  return Scanned::Read;
}

// An integer literal: unsigned, or signed when negative and within range; a
// negative zero and a negative integer beyond the signed range are floats.
void set_integer(JsonValue& out, bool negative, std::uint64_t significand) {
  if (!negative) {
    out = JsonValue(significand);
  } else if (significand == 0) {
    out = JsonValue(-0.0);
  } else if (significand <= (std::uint64_t{1} << 63)) {
    out = JsonValue(static_cast<std::int64_t>(0 - significand));
  } else {
    out = JsonValue(-static_cast<double>(significand));
  }
}

// The decimal exponent of the first non-zero digit of a literal without its
// sign, counting only the digits before the exponent: 2 for "123.4", -3 for
// "0.0012". None when those digits are all zero.
std::optional<std::int64_t> leading_digit_exponent(std::string_view literal) {
  std::size_t i = 0;
  const std::size_t size = literal.size();
  std::int64_t int_digits = 0;
  bool found = false;
  for (; i < size && is_json_digit(static_cast<unsigned char>(literal[i])); ++i) {
    if (found) {
      ++int_digits;
    } else if (literal[i] != '0') {
      found = true;
      int_digits = 1;
    }
  }
  if (found) return int_digits - 1;
  if (i >= size || literal[i] != '.') return std::nullopt;
  ++i;
  std::int64_t zeros = 0;
  for (; i < size && literal[i] == '0'; ++i) ++zeros;
  if (i >= size || !is_json_digit(static_cast<unsigned char>(literal[i]))) return std::nullopt;
  return -zeros - 1;
}

// Correctly rounded conversion of the literal; out of range is either an
// overflow (an error) or an underflow to zero.
Scanned convert_float(const NumberScan& n, double& value) {
  const std::string_view literal = n.text.substr(n.start, n.index - n.start);
  auto res = std::from_chars(literal.data(), literal.data() + literal.size(), value);
  if (res.ec == std::errc::result_out_of_range) {
    auto lead = leading_digit_exponent(literal.substr(n.negative ? 1 : 0));
    if (lead && *lead + (n.exponent_positive ? n.exponent : -n.exponent) > 0)
      return Scanned::OutOfRange;
    value = n.negative ? -0.0 : 0.0;
  } else if (res.ec != std::errc() || !std::isfinite(value)) {
    return Scanned::OutOfRange;
  }
  return Scanned::Read;
}

// The value of a literal whose sign (if any) has been consumed; `n.index`
// is at its first digit.
Scanned scan_number(NumberScan& n, JsonValue& out) {
  Scanned fault = scan_integer_part(n);
  if (fault == Scanned::Read) fault = scan_fraction(n);
  if (fault == Scanned::Read) fault = scan_exponent(n);
  if (fault != Scanned::Read) return fault;
  if (n.rounds_to_zero) {
    out = JsonValue(n.negative ? -0.0 : 0.0);
  } else if (!n.is_float) {
    set_integer(out, n.negative, n.significand);
  } else {
    double value = 0;
    fault = convert_float(n, value);
    if (fault != Scanned::Read) return fault;
    out = JsonValue(value);
  }
  return Scanned::Read;
}

}  // namespace

bool Reader::parse_number(bool negative, JsonValue& out) {
  NumberScan scan{text_, index_, negative, index_ - (negative ? 1 : 0)};
  const Scanned fault = scan_number(scan, out);
  index_ = scan.index;
  switch (fault) {
    case Scanned::Read: return true;
    case Scanned::Eof: return fail("EOF while parsing a value");
    case Scanned::EofAtPeek: return fail_at_peek("EOF while parsing a value");
    case Scanned::Invalid: return fail("invalid number");
    case Scanned::InvalidAtPeek: return fail_at_peek("invalid number");
    case Scanned::OutOfRange: break;
  }
  return fail("number out of range");
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
    if (is_json_digit(peek_or_null())) return fail_at_peek("invalid number");
  } else if (c >= '1' && c <= '9') {
    while (is_json_digit(peek_or_null())) ++index_;
  } else {
    return fail("invalid number");
  }
  if (peek_or_null() == '.') {
    ++index_;
    bool any = false;
    while (is_json_digit(peek_or_null())) {
      ++index_;
      any = true;
    }
    if (!any) return fail_at_peek("invalid number");
  }
  if (peek_or_null() == 'e' || peek_or_null() == 'E') {
    ++index_;
    if (peek_or_null() == '+' || peek_or_null() == '-') ++index_;
    if (!is_json_digit(next_or_null())) return fail("invalid number");
    while (is_json_digit(peek_or_null())) ++index_;
  }
  return true;
}

}  // namespace kelp::json

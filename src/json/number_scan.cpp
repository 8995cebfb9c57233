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

struct Reader::NumberParts {
  bool negative = false;
  std::size_t start = 0;          // the first byte of the literal, its sign included
  std::uint64_t significand = 0;  // the integer digits, while they fit
  bool is_float = false;          // a fraction, an exponent, or integer digits that do not fit
  bool exponent_positive = true;
  std::int64_t exponent = 0;
  bool rounds_to_zero = false;  // the exponent does not fit, and the value is a zero
};

namespace {

// Whether the digits of a number literal before its exponent are not all zero.
bool significand_is_nonzero(std::string_view literal) {
  for (char c : literal) {
    if (c == 'e' || c == 'E') break;
    if (c >= '1' && c <= '9') return true;
  }
  return false;
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

// An integer literal: unsigned, or signed when negative and within range; a
// negative zero and a negative integer beyond the signed range are floats.
JsonValue integer_value(bool negative, std::uint64_t significand) {
  if (!negative) return JsonValue(significand);
  if (significand == 0) return JsonValue(-0.0);
  if (significand <= (std::uint64_t{1} << 63)) return JsonValue(static_cast<std::int64_t>(0 - significand));
  return JsonValue(-static_cast<double>(significand));
}

}  // namespace

// A number whose sign (if any) has been consumed; the next byte is its first digit.
bool Reader::parse_number(bool negative, JsonValue& out) {
  NumberParts number;
  number.negative = negative;
  number.start = index_ - (negative ? 1 : 0);
  if (!scan_integer_part(number) || !scan_fraction(number) || !scan_exponent(number)) return false;
  if (number.rounds_to_zero) {
    out = JsonValue(negative ? -0.0 : 0.0);
    return true;
  }
  if (!number.is_float) {
    out = integer_value(negative, number.significand);
    return true;
  }
  return convert_float(number, out);
}

// "0", or a non-zero digit and more digits; the digits beyond 64 bits make a float.
bool Reader::scan_integer_part(NumberParts& number) {
  const std::size_t size = text_.size();
  if (index_ >= size) return fail("EOF while parsing a value");
  auto first = static_cast<unsigned char>(text_[index_++]);
  if (first == '0') {
    if (index_ < size && is_json_digit(static_cast<unsigned char>(text_[index_])))
      return fail_at_peek("invalid number");
    return true;
  }
  if (first < '1' || first > '9') return fail("invalid number");
  bool overflow = false;
  std::uint64_t significand = first - '0';
  while (index_ < size && is_json_digit(static_cast<unsigned char>(text_[index_]))) {
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
  number.significand = significand;
  number.is_float = overflow;
  return true;
}

// A '.' and at least one digit.
bool Reader::scan_fraction(NumberParts& number) {
  const std::size_t size = text_.size();
  if (index_ >= size || text_[index_] != '.') return true;
  ++index_;
  bool any = false;
  while (index_ < size && is_json_digit(static_cast<unsigned char>(text_[index_]))) {
    ++index_;
    any = true;
  }
  if (!any) {
    if (index_ < size) return fail_at_peek("invalid number");
    return fail_at_peek("EOF while parsing a value");
  }
  number.is_float = true;
  return true;
}

// 'e' or 'E', an optional sign and at least one digit.
bool Reader::scan_exponent(NumberParts& number) {
  const std::size_t size = text_.size();
  if (index_ >= size || (text_[index_] != 'e' && text_[index_] != 'E')) return true;
  ++index_;
  if (index_ < size && (text_[index_] == '+' || text_[index_] == '-')) {
    number.exponent_positive = text_[index_] == '+';
    ++index_;
  }
  if (index_ >= size) return fail("EOF while parsing a value");
  auto c = static_cast<unsigned char>(text_[index_++]);
  if (!is_json_digit(c)) return fail("invalid number");
  std::int64_t exponent = c - '0';
  constexpr std::int64_t max_exponent = std::numeric_limits<std::int32_t>::max();
  while (index_ < size && is_json_digit(static_cast<unsigned char>(text_[index_]))) {
    const int d = text_[index_++] - '0';
    if (exponent > (max_exponent - d) / 10) return skip_huge_exponent(number);
    exponent = exponent * 10 + d;
  }
  number.exponent = exponent;
  number.is_float = true;
  return true;
}

// The exponent no longer fits: a growing non-zero number is out of range at
// the digit just read, anything else is a zero.
bool Reader::skip_huge_exponent(NumberParts& number) {
  if (number.exponent_positive && significand_is_nonzero(text_.substr(number.start, index_ - number.start)))
    return fail("number out of range");
  while (index_ < text_.size() && is_json_digit(static_cast<unsigned char>(text_[index_]))) ++index_;
  number.rounds_to_zero = true;
  return true;
}

// Correctly rounded conversion of the literal; out of range is either an
// overflow (an error) or an underflow to zero.
bool Reader::convert_float(const NumberParts& number, JsonValue& out) {
  const std::string_view literal = text_.substr(number.start, index_ - number.start);
  double value = 0;
  auto res = std::from_chars(literal.data(), literal.data() + literal.size(), value);
  if (res.ec == std::errc::result_out_of_range) {
    auto lead = leading_digit_exponent(literal.substr(number.negative ? 1 : 0));
    if (lead && *lead + (number.exponent_positive ? number.exponent : -number.exponent) > 0)
      return fail("number out of range");
    value = number.negative ? -0.0 : 0.0;
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

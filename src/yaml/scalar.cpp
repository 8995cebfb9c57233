#include "yaml/scalar.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace kelp::yaml {

namespace {

bool ascii_iequals(std::string_view a, std::string_view lower) {
  if (a.size() != lower.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char c = a[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lower[i]) return false;
  }
  return true;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool all_digits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (!is_digit(c)) return false;
  return true;
}

// Whether `text` (sign already removed) is digits with an optional fraction
// and exponent, at least one digit in the mantissa.
bool is_decimal_float(std::string_view text) {
  std::size_t i = 0;
  std::size_t int_digits = 0;
  while (i < text.size() && is_digit(text[i])) ++i, ++int_digits;
  std::size_t frac_digits = 0;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && is_digit(text[i])) ++i, ++frac_digits;
  }
  if (int_digits + frac_digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t exp_digits = 0;
    while (i < text.size() && is_digit(text[i])) ++i, ++exp_digits;
    if (exp_digits == 0) return false;
  }
  return i == text.size();
}

// Whether an out-of-range literal overflowed (rather than underflowed), from
// the decimal magnitude of its first significant digit.
bool overflows(std::string_view digits) {
  long long exponent = 0;
  std::size_t e = digits.find_first_of("eE");
  std::string_view mantissa = digits.substr(0, e);
  if (e != std::string_view::npos) {
    std::string_view exp_text = digits.substr(e + 1);
    bool negative = !exp_text.empty() && exp_text[0] == '-';
    if (!exp_text.empty() && (exp_text[0] == '-' || exp_text[0] == '+')) exp_text.remove_prefix(1);
    long long value = 0;
    for (char c : exp_text) {
      value = value * 10 + (c - '0');
      if (value > 1000000000LL) break;  // far beyond any double either way
    }
    exponent = negative ? -value : value;
  }
  std::size_t dot = mantissa.find('.');
  std::string_view int_part = mantissa.substr(0, dot);
  long long magnitude = 0;
  std::size_t first_nonzero = int_part.find_first_not_of('0');
  if (first_nonzero != std::string_view::npos) {
    magnitude = static_cast<long long>(int_part.size() - first_nonzero);
  } else {
    std::string_view fraction = dot == std::string_view::npos ? std::string_view() : mantissa.substr(dot + 1);
    std::size_t k = fraction.find_first_not_of('0');
    if (k == std::string_view::npos) return false;
    magnitude = -static_cast<long long>(k);
  }
  return magnitude + exponent > 0;
}

}  // namespace

std::optional<bool> parse_bool(std::string_view text) {
  if (text.size() > 5) return std::nullopt;
  for (std::string_view t : {"y", "yes", "on", "true"})
    if (ascii_iequals(text, t)) return true;
  for (std::string_view f : {"n", "no", "off", "false"})
    if (ascii_iequals(text, f)) return false;
  return std::nullopt;
}

bool is_null_like(std::string_view text) {
  return text.empty() || text == "~" || ascii_iequals(text, "null");
}

std::optional<std::uint64_t> parse_u64(std::string_view text) {
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  if (!all_digits(text)) return std::nullopt;
  std::uint64_t value = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<std::int64_t> parse_i64(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (!all_digits(text)) return std::nullopt;
  std::uint64_t magnitude = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
  if (ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
  constexpr auto max = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  if (negative) {
    if (magnitude > max + 1) return std::nullopt;
    if (magnitude == max + 1) return std::numeric_limits<std::int64_t>::min();
    return -static_cast<std::int64_t>(magnitude);
  }
  if (magnitude > max) return std::nullopt;
  return static_cast<std::int64_t>(magnitude);
}

bool is_integer_text(std::string_view text) {
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
  return all_digits(text);
}

std::optional<double> parse_f64(std::string_view text) {
  if (text == ".nan" || text == ".NaN" || text == ".NAN") {
    return std::numeric_limits<double>::quiet_NaN();
  }
  bool negative = false;
  std::string_view body = text;
  if (!body.empty() && (body[0] == '+' || body[0] == '-')) {
    negative = body[0] == '-';
    body.remove_prefix(1);
  }
  if (body == ".inf" || body == ".Inf" || body == ".INF") {
    return negative ? -std::numeric_limits<double>::infinity()
                    : std::numeric_limits<double>::infinity();
  }
  if (!is_decimal_float(body)) return std::nullopt;
  double value = 0.0;
  auto [ptr, ec] = std::from_chars(body.data(), body.data() + body.size(), value);
  if (ec == std::errc::result_out_of_range) {
    value = overflows(body) ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (ec != std::errc() || ptr != body.data() + body.size()) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

JsonValue resolve_plain_scalar(std::string_view text) {
  return visit_plain_scalar(text, [](auto value) { return JsonValue(value); });
}

}  // namespace kelp::yaml

#include "url/ipv4.h"

#include <vector>

#include "url/code_points.h"

namespace kelp::url {

namespace {

// Any value above this is too large for every position; saturating here keeps
// arbitrarily long digit runs from overflowing.
constexpr std::uint64_t kSaturated = std::uint64_t{1} << 40;

// One part: "0x" or "0X" starts hex, a leading "0" (with more after it) starts
// octal, otherwise decimal; "0x" alone is zero.
std::optional<std::uint64_t> parse_ipv4_number(std::string_view part) {
  if (part.empty()) return std::nullopt;
  unsigned radix = 10;
  if (part.size() >= 2 && part[0] == '0' && (part[1] == 'x' || part[1] == 'X')) {
    part.remove_prefix(2);
    radix = 16;
  } else if (part.size() >= 2 && part[0] == '0') {
    part.remove_prefix(1);
    radix = 8;
  }
  std::uint64_t value = 0;
  for (char ch : part) {
    auto c = static_cast<unsigned char>(ch);
    unsigned digit = 0;
    if (radix == 16) {
      if (!is_ascii_hex_digit(c)) return std::nullopt;
      digit = hex_value(c);
    } else {
      if (!is_ascii_digit(c)) return std::nullopt;
      digit = c - '0';
      if (digit >= radix) return std::nullopt;
    }
    value = value * radix + digit;
    if (value > kSaturated) value = kSaturated;
  }
  return value;
}

// The parts of `input` split on '.', the one final empty part dropped.
std::vector<std::string_view> split_parts(std::string_view input) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (;;) {
    std::size_t dot = input.find('.', start);
    if (dot == std::string_view::npos) {
      parts.push_back(input.substr(start));
      break;
    }
    parts.push_back(input.substr(start, dot - start));
    start = dot + 1;
  }
  if (parts.size() > 1 && parts.back().empty()) parts.pop_back();
  return parts;
}

}  // namespace

bool ends_in_a_number(std::string_view ascii_domain) {
  std::string_view last = ascii_domain;
  if (!last.empty() && last.back() == '.') last.remove_suffix(1);
  std::size_t dot = last.rfind('.');
  if (dot != std::string_view::npos) last = last.substr(dot + 1);
  if (last.empty()) return false;
  bool all_digits = true;
  for (char c : last) all_digits = all_digits && is_ascii_digit(static_cast<unsigned char>(c));
  if (all_digits) return true;
  return parse_ipv4_number(last).has_value();
}

std::optional<std::uint32_t> parse_ipv4(std::string_view input) {
  // Counting dots first keeps a host of many dots from building a long list.
  std::size_t dots = 0;
  for (char c : input) dots += c == '.';
  if (dots > 4) return std::nullopt;
  std::vector<std::string_view> parts = split_parts(input);
  if (parts.size() > 4) return std::nullopt;
  std::vector<std::uint64_t> numbers;
  for (std::string_view part : parts) {
    std::optional<std::uint64_t> n = parse_ipv4_number(part);
    if (!n) return std::nullopt;
    numbers.push_back(*n);
  }
  for (std::size_t i = 0; i + 1 < numbers.size(); ++i) {
    if (numbers[i] > 255) return std::nullopt;
  }
  // The last part fills the bytes the others leave: 4 bytes alone, 1 of 4 parts.
  std::uint64_t last = numbers.back();
  if (last >= (std::uint64_t{1} << (8 * (5 - numbers.size())))) return std::nullopt;
  std::uint64_t address = last;
  for (std::size_t i = 0; i + 1 < numbers.size(); ++i) address += numbers[i] << (8 * (3 - i));
  return static_cast<std::uint32_t>(address);
}

std::string serialize_ipv4(std::uint32_t address) {
  std::string out;
  for (int shift = 24; shift >= 0; shift -= 8) {
    out += std::to_string((address >> shift) & 0xFF);
    if (shift != 0) out.push_back('.');
  }
  return out;
}

}  // namespace kelp::url

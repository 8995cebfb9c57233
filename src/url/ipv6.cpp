#include "url/ipv6.h"

#include <utility>

#include "url/code_points.h"

namespace kelp::url {

std::optional<Ipv6Address> parse_ipv6(std::u32string_view input) {
  Ipv6Address address{};
  std::size_t piece_index = 0;
  std::optional<std::size_t> compress;
  std::size_t pointer = 0;
  const std::size_t size = input.size();
  auto at = [&](std::size_t i) { return i < size ? input[i] : kEndOfInput; };

  if (at(pointer) == ':') {
    if (at(pointer + 1) != ':') return std::nullopt;
    pointer += 2;
    ++piece_index;
    compress = piece_index;
  }
  while (at(pointer) != kEndOfInput) {
    if (piece_index == 8) return std::nullopt;
    if (at(pointer) == ':') {
      if (compress) return std::nullopt;
      ++pointer;
      ++piece_index;
      compress = piece_index;
      continue;
    }
    std::uint32_t value = 0;
    std::size_t length = 0;
    while (length < 4 && is_ascii_hex_digit(at(pointer))) {
      value = value * 0x10 + hex_value(at(pointer));
      ++pointer;
      ++length;
    }
    if (at(pointer) == '.') {
      // An IPv4 address in the last two pieces.
      if (length == 0) return std::nullopt;
      pointer -= length;
      if (piece_index > 6) return std::nullopt;
      int numbers_seen = 0;
      while (at(pointer) != kEndOfInput) {
        std::optional<std::uint32_t> ipv4_piece;
        if (numbers_seen > 0) {
          if (at(pointer) == '.' && numbers_seen < 4) {
            ++pointer;
          } else {
            return std::nullopt;
          }
        }
        if (!is_ascii_digit(at(pointer))) return std::nullopt;
        while (is_ascii_digit(at(pointer))) {
          std::uint32_t number = at(pointer) - '0';
          if (!ipv4_piece) {
            ipv4_piece = number;
          } else if (*ipv4_piece == 0) {
            return std::nullopt;  // no leading zeros
          } else {
            ipv4_piece = *ipv4_piece * 10 + number;
          }
          if (*ipv4_piece > 255) return std::nullopt;
          ++pointer;
        }
        address[piece_index] = static_cast<std::uint16_t>(address[piece_index] * 0x100 + *ipv4_piece);
        ++numbers_seen;
        if (numbers_seen == 2 || numbers_seen == 4) ++piece_index;
      }
      if (numbers_seen != 4) return std::nullopt;
      break;
    }
    if (at(pointer) == ':') {
      ++pointer;
      if (at(pointer) == kEndOfInput) return std::nullopt;
    } else if (at(pointer) != kEndOfInput) {
      return std::nullopt;
    }
    address[piece_index] = static_cast<std::uint16_t>(value);
    ++piece_index;
  }
  if (compress) {
    std::size_t swaps = piece_index - *compress;
    piece_index = 7;
    while (piece_index != 0 && swaps > 0) {
      std::swap(address[piece_index], address[*compress + swaps - 1]);
      --piece_index;
      --swaps;
    }
  } else if (piece_index != 8) {
    return std::nullopt;
  }
  return address;
}

std::string serialize_ipv6(const Ipv6Address& address) {
  // Find the first longest run of zero pieces, if at least two long.
  std::optional<std::size_t> longest_index;
  std::size_t longest_size = 1;
  std::optional<std::size_t> found_index;
  std::size_t found_size = 0;
  for (std::size_t i = 0; i < 8; ++i) {
    if (address[i] != 0) {
      if (found_size > longest_size) {
        longest_index = found_index;
        longest_size = found_size;
      }
      found_index.reset();
      found_size = 0;
    } else {
      if (!found_index) found_index = i;
      ++found_size;
    }
  }
  if (found_size > longest_size) longest_index = found_index;

  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  bool ignore0 = false;
  for (std::size_t i = 0; i < 8; ++i) {
    if (ignore0 && address[i] == 0) continue;
    ignore0 = false;
    if (longest_index && *longest_index == i) {
      out += i == 0 ? "::" : ":";
      ignore0 = true;
      continue;
    }
    std::uint16_t v = address[i];
    bool started = false;
    for (int shift = 12; shift >= 0; shift -= 4) {
      unsigned d = (v >> shift) & 0xF;
      if (d != 0 || started || shift == 0) {
        out.push_back(kHex[d]);
        started = true;
      }
    }
    if (i != 7) out.push_back(':');
  }
  return out;
}

}  // namespace kelp::url

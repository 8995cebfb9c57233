#include "url/ipv6.h"

#include <utility>

#include "url/code_points.h"

namespace kelp::url {

namespace {

// One reading of the text between the brackets, piece by piece.
class Ipv6Reader {
 public:
  explicit Ipv6Reader(std::u32string_view input) : input_(input) {}

  std::optional<Ipv6Address> read() {
    if (!leading_compression()) return std::nullopt;
    while (at(pointer_) != kEndOfInput) {
      if (piece_index_ == 8) return std::nullopt;
      if (at(pointer_) == ':') {
        if (!compression()) return std::nullopt;
        continue;
      }
      const PieceEnd end = hex_piece();
      if (end == PieceEnd::Invalid) return std::nullopt;
      if (end == PieceEnd::Dot) {
        if (!dotted_tail()) return std::nullopt;
        break;
      }
    }
    if (!place_compressed_pieces()) return std::nullopt;
    return address_;
  }

 private:
  enum class PieceEnd { Next, Dot, Invalid };

  char32_t at(std::size_t i) const { return i < input_.size() ? input_[i] : kEndOfInput; }

  // "::" at the start compresses the pieces before the first one written;
  // a single ':' there is no address.
  bool leading_compression() {
    if (at(pointer_) != ':') return true;
    if (at(pointer_ + 1) != ':') return false;
    pointer_ += 2;
    ++piece_index_;
    compress_ = piece_index_;
    return true;
  }

  // The second ':' of a "::" inside the address; only one is allowed.
  bool compression() {
    if (compress_) return false;
    ++pointer_;
    ++piece_index_;
    compress_ = piece_index_;
    return true;
  }

  // Up to four hex digits and the ':' after them. A '.' after the digits
  // means they start a dotted IPv4 tail instead, which is read again.
  PieceEnd hex_piece() {
    std::uint32_t value = 0;
    std::size_t length = 0;
    while (length < 4 && is_ascii_hex_digit(at(pointer_))) {
      value = value * 0x10 + hex_value(at(pointer_));
      ++pointer_;
      ++length;
    }
    if (at(pointer_) == '.') {
      if (length == 0) return PieceEnd::Invalid;
      pointer_ -= length;
      return PieceEnd::Dot;
    }
    if (at(pointer_) == ':') {
      ++pointer_;
      if (at(pointer_) == kEndOfInput) return PieceEnd::Invalid;
    } else if (at(pointer_) != kEndOfInput) {
      return PieceEnd::Invalid;
    }
    address_[piece_index_] = static_cast<std::uint16_t>(value);
    ++piece_index_;
    return PieceEnd::Next;
  }

  // An IPv4 address in the last two pieces: four decimal numbers without
  // leading zeros, each at most 255, and nothing after them.
  bool dotted_tail() {
    if (piece_index_ > 6) return false;
    int numbers_seen = 0;
    while (at(pointer_) != kEndOfInput) {
      if (numbers_seen > 0) {
        if (at(pointer_) != '.' || numbers_seen >= 4) return false;
        ++pointer_;
      }
      std::uint32_t number = 0;
      if (!dotted_number(number)) return false;
      address_[piece_index_] = static_cast<std::uint16_t>(address_[piece_index_] * 0x100 + number);
      ++numbers_seen;
      if (numbers_seen == 2 || numbers_seen == 4) ++piece_index_;
    }
    return numbers_seen == 4;
  }

  bool dotted_number(std::uint32_t& out) {
    if (!is_ascii_digit(at(pointer_))) return false;
    std::optional<std::uint32_t> number;
    while (is_ascii_digit(at(pointer_))) {
      const std::uint32_t digit = at(pointer_) - '0';
      if (!number) {
        number = digit;
      } else if (*number == 0) {
        return false;  // no leading zeros
      } else {
        number = *number * 10 + digit;
      }
      if (*number > 255) return false;
      ++pointer_;
    }
    out = *number;
    return true;
  }

  // The pieces written after "::" move to the end, zeros taking their
  // place; without "::" all eight pieces must have been written.
  bool place_compressed_pieces() {
    if (!compress_) return piece_index_ == 8;
    std::size_t swaps = piece_index_ - *compress_;
    std::size_t index = 7;
    while (index != 0 && swaps > 0) {
      std::swap(address_[index], address_[*compress_ + swaps - 1]);
      --index;
      --swaps;
    }
    return true;
  }

  std::u32string_view input_;
  std::size_t pointer_ = 0;
  Ipv6Address address_{};
  std::size_t piece_index_ = 0;
  std::optional<std::size_t> compress_;
};

}  // namespace

std::optional<Ipv6Address> parse_ipv6(std::u32string_view input) { return Ipv6Reader(input).read(); }

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

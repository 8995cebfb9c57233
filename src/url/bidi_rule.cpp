#include "url/bidi_rule.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstdint>

namespace kelp::url {

namespace {

constexpr std::uint32_t bit(UCharDirection d) { return std::uint32_t{1} << d; }

constexpr std::uint32_t kL = bit(U_LEFT_TO_RIGHT);
constexpr std::uint32_t kR = bit(U_RIGHT_TO_LEFT);
constexpr std::uint32_t kAL = bit(U_RIGHT_TO_LEFT_ARABIC);
constexpr std::uint32_t kAN = bit(U_ARABIC_NUMBER);
constexpr std::uint32_t kEN = bit(U_EUROPEAN_NUMBER);
constexpr std::uint32_t kES = bit(U_EUROPEAN_NUMBER_SEPARATOR);
constexpr std::uint32_t kCS = bit(U_COMMON_NUMBER_SEPARATOR);
constexpr std::uint32_t kET = bit(U_EUROPEAN_NUMBER_TERMINATOR);
constexpr std::uint32_t kON = bit(U_OTHER_NEUTRAL);
constexpr std::uint32_t kBN = bit(U_BOUNDARY_NEUTRAL);
constexpr std::uint32_t kNSM = bit(U_DIR_NON_SPACING_MARK);

constexpr std::uint32_t kRtlChars = kR | kAL | kAN;
constexpr std::uint32_t kAllowedInRtl = kR | kAL | kAN | kEN | kES | kCS | kET | kON | kBN | kNSM;
constexpr std::uint32_t kAllowedInLtr = kL | kEN | kES | kCS | kET | kON | kBN | kNSM;

struct LabelClasses {
  std::uint32_t all = 0;    // every class in the label
  std::uint32_t first = 0;  // class of the first character
  std::uint32_t last = 0;   // class of the last character that is not NSM
  bool ldh = true;          // only ASCII letters, digits and hyphens
  bool leading_digit = false;
};

LabelClasses classify(std::string_view label) {
  LabelClasses c;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(label.data());
  const auto length = static_cast<std::int32_t>(label.size());
  std::int32_t i = 0;
  bool first = true;
  while (i < length) {
    UChar32 cp = 0;
    U8_NEXT(bytes, i, length, cp);
    const std::uint32_t cls = cp < 0 ? kON : bit(u_charDirection(cp));
    if (first) {
      c.first = cls;
      c.leading_digit = cp >= '0' && cp <= '9';
      first = false;
    }
    c.all |= cls;
    if (cls != kNSM) c.last = cls;
    const bool ldh = (cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z') ||
                     (cp >= '0' && cp <= '9') || cp == '-';
    if (!ldh) c.ldh = false;
  }
  return c;
}

bool passes_as_rtl(const LabelClasses& c) {
  return (c.all & ~kAllowedInRtl) == 0 && (c.last & (kR | kAL | kEN | kAN)) != 0 &&
         !((c.all & kEN) && (c.all & kAN));
}

bool passes_as_ltr(const LabelClasses& c) {
  return (c.all & ~kAllowedInLtr) == 0 && (c.last & (kL | kEN)) != 0;
}

}  // namespace

BidiVerdict check_bidi_rule(std::string_view domain) {
  // One pass to learn whether this is a Bidi domain name at all.
  bool bidi_domain = false;
  {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(domain.data());
    const auto length = static_cast<std::int32_t>(domain.size());
    for (std::int32_t i = 0; i < length && !bidi_domain;) {
      UChar32 cp = 0;
      U8_NEXT(bytes, i, length, cp);
      if (cp >= 0x80 && (bit(u_charDirection(cp)) & kRtlChars)) bidi_domain = true;
    }
  }
  if (!bidi_domain) return BidiVerdict::Passes;

  bool allowance = false;
  bool rtl_seen = false;
  std::size_t start = 0;
  while (start <= domain.size()) {
    std::size_t dot = domain.find('.', start);
    if (dot == std::string_view::npos) dot = domain.size();
    const std::string_view label = domain.substr(start, dot - start);
    start = dot + 1;
    if (label.empty()) continue;
    const LabelClasses c = classify(label);
    bool ok;
    if (c.first & (kR | kAL)) {
      ok = passes_as_rtl(c);
    } else if (c.first & kL) {
      ok = passes_as_ltr(c);
    } else if (c.ldh && c.leading_digit && !rtl_seen) {
      ok = passes_as_ltr(c);
      allowance = allowance || ok;
    } else {
      ok = false;
    }
    if (!ok) return BidiVerdict::Fails;
    if (c.all & kRtlChars) rtl_seen = true;
  }
  return allowance ? BidiVerdict::PassesByAllowance : BidiVerdict::Passes;
}

}  // namespace kelp::url

// The Bidi Rule of right-to-left domain names, with the one allowance that
// ICU does not make: a leading-digit ASCII label ahead of every
// right-to-left label (such as "1" in "1.<Arabic label>") is read as a
// left-to-right label, since nothing right-to-left comes before its digits.
#pragma once

#include <string_view>

namespace kelp::url {

enum class BidiVerdict {
  Passes,             // no label needs the allowance
  PassesByAllowance,  // some label passes only by the allowance
  Fails,
};

// `domain` is the Unicode form (UTF-8) of a processed domain, labels
// separated by ".". A domain without right-to-left characters passes.
BidiVerdict check_bidi_rule(std::string_view domain);

}  // namespace kelp::url

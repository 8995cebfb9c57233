// The domain parser of URL hosts: a percent-decoded host becomes an ASCII
// domain, lower-cased when it is ASCII already and no label starts with
// "xn--", and otherwise mapped, checked (Punycode labels included) and
// Punycode-encoded by UTS #46 (through ICU).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "url/error.h"
#include "util/expected.h"

namespace kelp::url {

// UTS #46 processing is refused beyond this many bytes: real domain names are
// far shorter, and ICU takes time that grows faster than the length.
inline constexpr std::size_t kMaxUnicodeDomainBytes = 4096;

// `domain` is UTF-8. Fails with InvalidInternationalDomainName (UTS #46
// reports an error, the result is empty, or the domain is too long) or
// InvalidDomainCharacter (the result holds a forbidden domain code point).
Expected<std::string, ParseError> domain_to_ascii(std::string_view domain);

}  // namespace kelp::url

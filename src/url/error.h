// Why a URL, a host or a domain was refused, and the text each reason is
// shown as (the judge rules quote it in their messages).
#pragma once

#include <cstdint>
#include <string>

#include "util/expected.h"

namespace kelp::url {

enum class ErrorKind : std::uint8_t {
  RelativeUrlWithoutBase,          // "relative URL without a base"
  EmptyHost,                       // "empty host"
  InvalidPort,                     // "invalid port number"
  InvalidIpv4Address,              // "invalid IPv4 address"
  InvalidIpv6Address,              // "invalid IPv6 address"
  InvalidDomainCharacter,          // "invalid domain character"
  InvalidInternationalDomainName,  // "invalid international domain name"
};

struct ParseError {
  ErrorKind kind;

  // The text of the kind, as listed above.
  std::string display() const;

  friend bool operator==(const ParseError&, const ParseError&) = default;
};

// The failure of an Expected<T, ParseError>.
inline Unexpected<ParseError> failure(ErrorKind kind) { return {ParseError{kind}}; }

}  // namespace kelp::url

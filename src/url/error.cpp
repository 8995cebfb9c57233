#include "url/error.h"

namespace kelp::url {

std::string ParseError::display() const {
  switch (kind) {
    case ErrorKind::RelativeUrlWithoutBase: return "relative URL without a base";
    case ErrorKind::EmptyHost: return "empty host";
    case ErrorKind::InvalidPort: return "invalid port number";
    case ErrorKind::InvalidIpv4Address: return "invalid IPv4 address";
    case ErrorKind::InvalidIpv6Address: return "invalid IPv6 address";
    case ErrorKind::InvalidDomainCharacter: return "invalid domain character";
    case ErrorKind::InvalidInternationalDomainName: break;
  }
  return "invalid international domain name";
}

}  // namespace kelp::url

// The host parser: a host as written in a URL becomes a domain, an IPv4 or
// IPv6 address, an opaque host or the empty host.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "url/error.h"
#include "url/ipv6.h"
#include "url/url.h"
#include "util/expected.h"

namespace kelp::url {

struct Host {
  HostKind kind = HostKind::Empty;
  std::string serialized;  // "example.com", "127.0.0.1", "[::1]", "" for the empty host
  std::uint32_t ipv4 = 0;
  Ipv6Address ipv6{};
};

// `opaque` is set for URLs of non-special schemes, whose hosts are only
// percent-encoded. Fails with InvalidIpv6Address, InvalidIpv4Address,
// InvalidDomainCharacter or InvalidInternationalDomainName.
Expected<Host, ParseError> parse_host(std::u32string_view input, bool opaque);

}  // namespace kelp::url

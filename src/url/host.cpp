#include "url/host.h"

#include "unicode/text.h"
#include "url/code_points.h"
#include "url/idna.h"
#include "url/ipv4.h"
#include "url/percent.h"

namespace kelp::url {

namespace {

Expected<Host, ParseError> parse_opaque_host(std::u32string_view input) {
  Host host;
  for (char32_t c : input) {
    if (is_forbidden_host_code_point(c)) return failure(ErrorKind::InvalidDomainCharacter);
    append_percent_encoded(host.serialized, c, EncodeSet::C0Control);
  }
  host.kind = host.serialized.empty() ? HostKind::Empty : HostKind::Opaque;
  return host;
}

}  // namespace

Expected<Host, ParseError> parse_host(std::u32string_view input, bool opaque) {
  if (!input.empty() && input.front() == '[') {
    if (input.size() < 2 || input.back() != ']') return failure(ErrorKind::InvalidIpv6Address);
    auto address = parse_ipv6(input.substr(1, input.size() - 2));
    if (!address) return failure(ErrorKind::InvalidIpv6Address);
    Host host;
    host.kind = HostKind::Ipv6;
    host.ipv6 = *address;
    host.serialized = "[" + serialize_ipv6(*address) + "]";
    return host;
  }
  if (opaque) return parse_opaque_host(input);

  std::string utf8;
  utf8.reserve(input.size());
  for (char32_t c : input) unicode::append_utf8(utf8, c);
  std::string decoded = percent_decode(utf8);
  // Bytes that are no UTF-8 would decode to U+FFFD, which UTS #46 refuses.
  if (!unicode::is_valid_utf8(decoded)) return failure(ErrorKind::InvalidInternationalDomainName);
  auto ascii = domain_to_ascii(decoded);
  if (!ascii) return unexpected(ascii.error());

  Host host;
  if (ends_in_a_number(ascii.value())) {
    auto address = parse_ipv4(ascii.value());
    if (!address) return failure(ErrorKind::InvalidIpv4Address);
    host.kind = HostKind::Ipv4;
    host.ipv4 = *address;
    host.serialized = serialize_ipv4(*address);
    return host;
  }
  host.kind = HostKind::Domain;
  host.serialized = std::move(ascii.value());
  return host;
}

}  // namespace kelp::url

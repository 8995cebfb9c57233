// IPv6 addresses in URL hosts: the parser (with "::" compression and a
// trailing dotted IPv4 part) and the compressed lower-case serializer.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelp::url {

using Ipv6Address = std::array<std::uint16_t, 8>;

// Parses the text between the brackets; nullopt when it is not an address.
std::optional<Ipv6Address> parse_ipv6(std::u32string_view input);

// The address without brackets, the longest run of two or more zero pieces
// (the first of equal runs) written as "::".
std::string serialize_ipv6(const Ipv6Address& address);

}  // namespace kelp::url

// IPv4 addresses in URL hosts: the lenient parser (decimal, octal and hex
// parts, one to four of them) and the dotted-decimal serializer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelp::url {

// Whether an ASCII domain must be read as an IPv4 address: its last label
// (ignoring one final empty label) is all digits or "0x" followed by hex digits.
bool ends_in_a_number(std::string_view ascii_domain);

// nullopt when `input` is not an IPv4 address: more than four parts, a part
// that is no number, a part other than the last above 255, or a last part too
// large for the bytes it fills.
std::optional<std::uint32_t> parse_ipv4(std::string_view input);

std::string serialize_ipv4(std::uint32_t address);

}  // namespace kelp::url

// Percent-encoding and percent-decoding of URL components.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelp::url {

// The sets of code points that a component writes as percent-encoded bytes.
// Each set includes every code point above U+007E.
enum class EncodeSet : std::uint8_t {
  C0Control,     // C0 controls: opaque paths and opaque hosts
  Fragment,      // C0Control plus space " < > `
  Query,         // C0Control plus space " # < >
  SpecialQuery,  // Query plus ' (queries of http, https, ws, wss, ftp and file URLs)
  Path,          // Query plus ? ^ ` { }
  Userinfo,      // Path plus / : ; = @ [ \ ] |
};

bool in_encode_set(char32_t cp, EncodeSet set);

// Appends `cp` itself, or its UTF-8 bytes as %XX (upper-case hex) when it is in `set`.
void append_percent_encoded(std::string& out, char32_t cp, EncodeSet set);

// Replaces each % followed by two hex digits with the byte they name; every
// other byte, a stray % included, is kept.
std::string percent_decode(std::string_view input);

}  // namespace kelp::url

// A parser of the WHATWG URL Standard for absolute URLs (no base URL), with
// the parts that the judge rules read.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "url/error.h"
#include "util/expected.h"

namespace kelp::url {

enum class HostKind : std::uint8_t {
  None,    // the URL has no host (e.g. "mailto:x@y")
  Domain,  // an ASCII domain after UTS #46 processing ("example.com", "xn--bcher-kva.de")
  Ipv4,
  Ipv6,
  Opaque,  // opaque host of a non-special scheme ("foo://EXAMPLE%2Ecom")
  Empty,   // empty host of a file or non-special URL ("file:///x", "foo://")
};

struct Url {
  std::string scheme;  // lowercased, without ':'
  std::string username;
  std::optional<std::string> password;  // present when non-empty
  HostKind host_kind = HostKind::None;
  std::string host;             // serialized host ("example.com", "127.0.0.1", "[::1]")
  std::uint32_t ipv4 = 0;       // when host_kind == Ipv4
  std::array<std::uint16_t, 8> ipv6{};  // when host_kind == Ipv6
  std::optional<std::uint16_t> port;    // absent when default or not given
  std::string path;                     // serialized path
  std::optional<std::string> query;     // without '?'; present (maybe empty) when given
  std::optional<std::string> fragment;  // without '#'; present (maybe empty) when given
  // The path is one opaque text rather than segments ("mailto:x@y", "localhost:8080").
  bool has_opaque_path = false;

  bool has_host() const { return host_kind != HostKind::None; }
  bool has_credentials() const { return !username.empty() || password.has_value(); }
  // Exactly the domain "localhost", 127.0.0.1 or ::1.
  bool is_loopback_host() const;
  // The URL serializer's text, e.g. "http://127.0.0.1/" for "HTTP://127.1".
  std::string href() const;
};

// Fails with any kind of ParseError. Input that is not UTF-8 is read with
// U+FFFD in place of each bad byte.
Expected<Url, ParseError> parse(std::string_view input);

}  // namespace kelp::url

#include "url/url.h"

#include <string>

#include "url/parser.h"

namespace kelp::url {

bool Url::is_loopback_host() const {
  switch (host_kind) {
    case HostKind::Domain:
      return host == "localhost";
    case HostKind::Ipv4:
      return ipv4 == 0x7F000001u;
    case HostKind::Ipv6:
      return ipv6 == std::array<std::uint16_t, 8>{0, 0, 0, 0, 0, 0, 0, 1};
    default:
      return false;
  }
}

std::string Url::href() const {
  std::string out = scheme;
  out.push_back(':');
  if (has_host()) {
    out += "//";
    if (has_credentials()) {
      out += username;
      if (password) {
        out.push_back(':');
        out += *password;
      }
      out.push_back('@');
    }
    out += host;
    if (port) {
      out.push_back(':');
      out += std::to_string(*port);
    }
  } else if (!has_opaque_path && path.size() > 1 && path[0] == '/' && path[1] == '/') {
    // Keeps "web+x:/.//p" from reading back as a host "p".
    out += "/.";
  }
  out += path;
  if (query) {
    out.push_back('?');
    out += *query;
  }
  if (fragment) {
    out.push_back('#');
    out += *fragment;
  }
  return out;
}

Expected<Url, ParseError> parse(std::string_view input) {
  return Parser(prepare_input(input)).run();
}

}  // namespace kelp::url

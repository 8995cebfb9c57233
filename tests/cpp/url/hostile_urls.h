// URLs built to hurt: about a megabyte each, aimed at every part of the
// parser, with the failure text each must give (none when it is accepted).
// The unit tests check the outcomes; bench/url_hostile_bench times them.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kelp::testing {

inline constexpr std::size_t kMegabyte = 1 << 20;

inline std::string repeat(std::string_view unit, std::size_t total_bytes) {
  std::string out;
  out.reserve(total_bytes + unit.size());
  while (out.size() < total_bytes) out += unit;
  return out;
}

struct HostileUrl {
  const char* name;
  std::function<std::string()> make;
  const char* error;  // nullptr when the URL is accepted
};

inline const std::vector<HostileUrl>& hostile_urls() {
  static const std::vector<HostileUrl> cases = {
      {"LongAsciiDomain", [] { return "http://" + repeat("a", kMegabyte) + "/"; }, nullptr},
      {"ManyEmptyLabels", [] { return "http://" + repeat("a.", kMegabyte); }, nullptr},
      {"LongUnicodeDomain", [] { return "http://" + repeat("\u00fc", kMegabyte); },
       "invalid international domain name"},
      {"ManyShortUnicodeLabels", [] { return "http://" + repeat("\ufdfa.", kMegabyte); },
       "invalid international domain name"},
      {"ManyPunycodeLabels", [] { return "http://" + repeat("xn--a.", kMegabyte); },
       "invalid international domain name"},
      {"PunycodePrefixInsideLabels", [] { return "http://" + repeat("axn--", kMegabyte) + "/"; }, nullptr},
      {"PercentEncodedAsciiDomain", [] { return "http://" + repeat("%41", kMegabyte); }, nullptr},
      {"PercentEncodedUnicodeDomain", [] { return "http://" + repeat("%C3%BC", kMegabyte); },
       "invalid international domain name"},
      {"ManyIpv4Parts", [] { return "http://" + repeat("1.", kMegabyte) + "1"; }, "invalid IPv4 address"},
      {"LongIpv4Number", [] { return "http://" + repeat("9", kMegabyte); }, "invalid IPv4 address"},
      {"LongHexIpv4Number", [] { return "http://0x" + repeat("0", kMegabyte) + "1/"; }, nullptr},
      {"LongIpv6", [] { return "http://[" + repeat("1:", kMegabyte) + "]"; }, "invalid IPv6 address"},
      {"UnclosedIpv6", [] { return "http://[" + repeat(":", kMegabyte); }, "invalid IPv6 address"},
      {"LongPort", [] { return "http://h:" + repeat("0", kMegabyte) + "8"; }, nullptr},
      {"HugePort", [] { return "http://h:" + repeat("9", kMegabyte); }, "invalid port number"},
      {"ManyAtSigns", [] { return "http://" + repeat("@", kMegabyte) + "h/"; }, nullptr},
      {"ManyCredentialParts", [] { return "http://" + repeat("a:", kMegabyte) + "@h/"; }, nullptr},
      {"ManyAtSignsWithoutHost", [] { return "http://" + repeat("a@", kMegabyte); }, "empty host"},
      {"ManyDotDotSegments", [] { return "http://h/" + repeat("../", kMegabyte); }, nullptr},
      {"ManyEncodedDotSegments", [] { return "http://h/" + repeat("a/%2e%2E/", kMegabyte); }, nullptr},
      {"ManySegments", [] { return "http://h/" + repeat("a/", kMegabyte); }, nullptr},
      {"ManyBackslashes", [] { return "http://h" + repeat("\\", kMegabyte); }, nullptr},
      {"EncodedPath", [] { return "http://h/" + repeat(" \u00fc\"", kMegabyte); }, nullptr},
      {"LongQuery", [] { return "https://h/?" + repeat("\u00fc'", kMegabyte); }, nullptr},
      {"LongFragment", [] { return "https://h/#" + repeat("#`", kMegabyte); }, nullptr},
      {"LongOpaquePath", [] { return "foo:" + repeat("x ", kMegabyte) + "?q"; }, nullptr},
      {"LongOpaqueHost", [] { return "foo://" + repeat("\u00e9", kMegabyte) + "/"; }, nullptr},
      {"LongScheme", [] { return repeat("a", kMegabyte) + "://h"; }, nullptr},
      {"SchemeNeverEnds", [] { return repeat("a", kMegabyte); }, "relative URL without a base"},
      {"SurroundingSpace",
       [] { return repeat(" ", kMegabyte / 2) + "http://h" + repeat("\x01", kMegabyte / 2); }, nullptr},
      {"TabsEverywhere", [] { return "ht" + repeat("\t\n\r", kMegabyte) + "tp://h"; }, nullptr},
      {"ManyDriveLetters", [] { return "file:///" + repeat("c:/", kMegabyte); }, nullptr},
      {"FileHostOfSlashes", [] { return "file:" + repeat("/", kMegabyte); }, nullptr},
      {"InvalidUtf8", [] { return "http://h/" + repeat("\xff\xc3", kMegabyte); }, nullptr},
  };
  return cases;
}

}  // namespace kelp::testing

// Inputs built to hurt: about a megabyte each, aimed at every part of the
// parser, plus bytes that are not UTF-8. Each is refused or accepted quickly.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>

#include "url/url.h"

namespace {

using namespace std::literals;

constexpr std::size_t kMegabyte = 1 << 20;

std::string repeat(std::string_view unit, std::size_t total_bytes) {
  std::string out;
  out.reserve(total_bytes + unit.size());
  while (out.size() < total_bytes) out += unit;
  return out;
}

struct HostileCase {
  const char* name;
  std::function<std::string()> make;
  const char* error;  // nullptr when the URL is accepted
};

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }

class HostileInput : public testing::TestWithParam<HostileCase> {};

TEST_P(HostileInput, IsHandledInLinearTime) {
  const HostileCase& c = GetParam();
  const std::string input = c.make();
  ASSERT_GE(input.size(), kMegabyte / 2);
  auto start = std::chrono::steady_clock::now();
  auto parsed = kelp::url::parse(input);
  auto elapsed = std::chrono::steady_clock::now() - start;
  if (c.error) {
    ASSERT_FALSE(parsed);
    EXPECT_EQ(parsed.error(), c.error);
  } else {
    ASSERT_TRUE(parsed) << parsed.error();
  }
  // Linear work on a megabyte takes milliseconds in an optimised build and
  // well under a second with sanitizers; anything quadratic would take minutes.
  EXPECT_LT(elapsed, std::chrono::milliseconds(2000))
      << std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() << " ms";
}

const HostileCase kCases[] = {
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

INSTANTIATE_TEST_SUITE_P(Megabyte, HostileInput, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<HostileCase>& info) { return info.param.name; });

TEST(HostileInput, BytesThatAreNotUtf8BecomeReplacementCharacters) {
  auto path = kelp::url::parse("http://h/a\xff" "b?\xc3#\xed\xa0\x80");
  ASSERT_TRUE(path);
  EXPECT_EQ(path->path, "/a%EF%BF%BDb");
  EXPECT_EQ(path->query, "%EF%BF%BD");
  EXPECT_EQ(path->fragment, "%EF%BF%BD%EF%BF%BD%EF%BF%BD");  // a surrogate is three bad bytes

  auto host = kelp::url::parse("http://\xff/");
  ASSERT_FALSE(host);
  EXPECT_EQ(host.error(), "invalid international domain name");

  auto opaque_host = kelp::url::parse("foo://a\xc0z/");
  ASSERT_TRUE(opaque_host);
  EXPECT_EQ(opaque_host->host, "a%EF%BF%BDz");

  EXPECT_FALSE(kelp::url::parse("\xff" "http://h"));
}

TEST(HostileInput, NulCharactersAreEncodedOrRefused) {
  auto path = kelp::url::parse("http://h/a\0b"sv);
  ASSERT_TRUE(path);
  EXPECT_EQ(path->path, "/a%00b");

  auto host = kelp::url::parse("http://a\0b/"sv);
  ASSERT_FALSE(host);
  EXPECT_EQ(host.error(), "invalid domain character");

  auto scheme = kelp::url::parse("ht\0tp://h"sv);
  ASSERT_FALSE(scheme);
  EXPECT_EQ(scheme.error(), "relative URL without a base");
}

}  // namespace

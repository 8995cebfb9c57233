// Every kind of URL failure, from an input that gives it, with the text the
// judge rules quote.
#include <gtest/gtest.h>

#include <ostream>
#include <string_view>

#include "common/case_name.h"
#include "url/url.h"

namespace {

using kelp::url::ErrorKind;

struct KindCase {
  const char* name;
  std::string_view input;
  ErrorKind kind;
  std::string_view text;
};

void PrintTo(const KindCase& c, std::ostream* os) { *os << c.name; }

class ErrorKinds : public testing::TestWithParam<KindCase> {};

TEST_P(ErrorKinds, AreTypedAndShowTheirText) {
  const KindCase& c = GetParam();
  auto parsed = kelp::url::parse(c.input);
  ASSERT_FALSE(parsed) << "parsed as " << parsed->href();
  EXPECT_EQ(parsed.error().kind, c.kind);
  EXPECT_EQ(parsed.error().display(), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Url, ErrorKinds,
    testing::Values(
        KindCase{"RelativeUrlWithoutBase", "/x", ErrorKind::RelativeUrlWithoutBase, "relative URL without a base"},
        KindCase{"EmptyHost", "http://u@/", ErrorKind::EmptyHost, "empty host"},
        KindCase{"InvalidPort", "http://h:8x/", ErrorKind::InvalidPort, "invalid port number"},
        KindCase{"InvalidIpv4Address", "http://1.2.3.256/", ErrorKind::InvalidIpv4Address, "invalid IPv4 address"},
        KindCase{"InvalidIpv6Address", "http://[1::2::3]/", ErrorKind::InvalidIpv6Address, "invalid IPv6 address"},
        KindCase{"InvalidDomainCharacter", "http://a<b/", ErrorKind::InvalidDomainCharacter,
                 "invalid domain character"},
        KindCase{"InvalidInternationalDomainName", "http://xn--a/", ErrorKind::InvalidInternationalDomainName,
                 "invalid international domain name"}),
    KELP_CASE_NAMES(p.name));

}  // namespace

// Inputs built to hurt: about a megabyte each, aimed at every part of the
// parser, plus bytes that are not UTF-8. Each is refused with its text or
// accepted; bench/url_hostile_bench times the megabyte inputs.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>

#include "common/case_name.h"
#include "hostile_urls.h"
#include "url/url.h"

namespace kelp::testing {

void PrintTo(const HostileUrl& c, std::ostream* os) { *os << c.name; }

}  // namespace kelp::testing

namespace {

using namespace std::literals;
using kelp::testing::HostileUrl;
using kelp::testing::kMegabyte;

class HostileInput : public testing::TestWithParam<HostileUrl> {};

TEST_P(HostileInput, IsRefusedWithItsTextOrAccepted) {
  const HostileUrl& c = GetParam();
  const std::string input = c.make();
  ASSERT_GE(input.size(), kMegabyte / 2);
  auto parsed = kelp::url::parse(input);
  if (c.error) {
    ASSERT_FALSE(parsed);
    EXPECT_EQ(parsed.error().display(), c.error);
  } else {
    ASSERT_TRUE(parsed) << parsed.error().display();
  }
}

INSTANTIATE_TEST_SUITE_P(Megabyte, HostileInput, testing::ValuesIn(kelp::testing::hostile_urls()),
                         KELP_CASE_NAMES(p.name));

TEST(HostileInput, BytesThatAreNotUtf8BecomeReplacementCharacters) {
  auto path = kelp::url::parse("http://h/a\xff" "b?\xc3#\xed\xa0\x80");
  ASSERT_TRUE(path);
  EXPECT_EQ(path->path, "/a%EF%BF%BDb");
  EXPECT_EQ(path->query, "%EF%BF%BD");
  EXPECT_EQ(path->fragment, "%EF%BF%BD%EF%BF%BD%EF%BF%BD");  // a surrogate is three bad bytes

  auto host = kelp::url::parse("http://\xff/");
  ASSERT_FALSE(host);
  EXPECT_EQ(host.error().display(), "invalid international domain name");

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
  EXPECT_EQ(host.error().display(), "invalid domain character");

  auto scheme = kelp::url::parse("ht\0tp://h"sv);
  ASSERT_FALSE(scheme);
  EXPECT_EQ(scheme.error().display(), "relative URL without a base");
}

}  // namespace

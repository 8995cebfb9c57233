// The parts of a parsed URL that the judge rules read: scheme, host kind and
// value, port, credentials, the presence of a query or fragment, and whether
// the host is loopback.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "common/case_name.h"
#include "url/url.h"

namespace {

using kelp::url::HostKind;

struct PartsCase {
  std::string_view input;
  std::string_view scheme;
  HostKind kind;
  std::string_view host;
  int port;  // -1 when absent
  std::string_view username;
  const char* password;  // nullptr when absent
  std::string_view path;
  const char* query;     // nullptr when absent
  const char* fragment;  // nullptr when absent
  bool loopback;
};

void PrintTo(const PartsCase& c, std::ostream* os) { *os << c.input; }

std::optional<std::string> opt(const char* s) {
  return s ? std::optional<std::string>(s) : std::nullopt;
}

class UrlParts : public testing::TestWithParam<PartsCase> {};

TEST_P(UrlParts, AreWhatTheRulesRead) {
  const PartsCase& c = GetParam();
  auto parsed = kelp::url::parse(c.input);
  ASSERT_TRUE(parsed) << parsed.error().display();
  const kelp::url::Url& u = *parsed;
  EXPECT_EQ(u.scheme, c.scheme);
  EXPECT_EQ(u.host_kind, c.kind);
  EXPECT_EQ(u.has_host(), c.kind != HostKind::None);
  EXPECT_EQ(u.host, c.host);
  EXPECT_EQ(u.port ? int{*u.port} : -1, c.port);
  EXPECT_EQ(u.username, c.username);
  EXPECT_EQ(u.password, opt(c.password));
  EXPECT_EQ(u.has_credentials(), !c.username.empty() || c.password != nullptr);
  EXPECT_EQ(u.path, c.path);
  EXPECT_EQ(u.query, opt(c.query));
  EXPECT_EQ(u.fragment, opt(c.fragment));
  EXPECT_EQ(u.is_loopback_host(), c.loopback);
}

constexpr auto D = HostKind::Domain;
constexpr auto V4 = HostKind::Ipv4;
constexpr auto V6 = HostKind::Ipv6;
constexpr auto None = HostKind::None;
constexpr auto Opaque = HostKind::Opaque;
constexpr auto Empty = HostKind::Empty;

// Hosts that are loopback: exactly localhost, 127.0.0.1 and ::1, however written.
const PartsCase kLoopback[] = {
    {"http://localhost", "http", D, "localhost", -1, "", nullptr, "/", nullptr, nullptr, true},
    {"http://LOCALHOST:8080/x", "http", D, "localhost", 8080, "", nullptr, "/x", nullptr, nullptr, true},
    {"http://LocalHost:80/", "http", D, "localhost", -1, "", nullptr, "/", nullptr, nullptr, true},
    {"http://%6c%6fcalhost/", "http", D, "localhost", -1, "", nullptr, "/", nullptr, nullptr, true},
    {"http://\uff2c\uff2f\uff23\uff21\uff2c\uff28\uff2f\uff33\uff34/", "http", D, "localhost", -1, "",
     nullptr, "/", nullptr, nullptr, true},
    {"https://localhost/v1", "https", D, "localhost", -1, "", nullptr, "/v1", nullptr, nullptr, true},
    {"http://127.0.0.1:11434/v1", "http", V4, "127.0.0.1", 11434, "", nullptr, "/v1", nullptr, nullptr, true},
    {"http://127.1/", "http", V4, "127.0.0.1", -1, "", nullptr, "/", nullptr, nullptr, true},
    {"http://127.0.1", "http", V4, "127.0.0.1", -1, "", nullptr, "/", nullptr, nullptr, true},
    {"http://2130706433/", "http", V4, "127.0.0.1", -1, "", nullptr, "/", nullptr, nullptr, true},
    {"http://0x7f000001/", "http", V4, "127.0.0.1", -1, "", nullptr, "/", nullptr, nullptr, true},
    {"http://0177.0.0.1/", "http", V4, "127.0.0.1", -1, "", nullptr, "/", nullptr, nullptr, true},
    {"http://127.0.0.1./", "http", V4, "127.0.0.1", -1, "", nullptr, "/", nullptr, nullptr, true},
    {"http://[::1]:9/", "http", V6, "[::1]", 9, "", nullptr, "/", nullptr, nullptr, true},
    {"http://[0:0:0:0:0:0:0:1]/", "http", V6, "[::1]", -1, "", nullptr, "/", nullptr, nullptr, true},
    {"http://[0000::0001]:443/", "http", V6, "[::1]", 443, "", nullptr, "/", nullptr, nullptr, true},
    {"http://user@localhost/", "http", D, "localhost", -1, "user", nullptr, "/", nullptr, nullptr, true},
};

// Hosts next to loopback that are not.
const PartsCase kNotLoopback[] = {
    {"http://localhost./", "http", D, "localhost.", -1, "", nullptr, "/", nullptr, nullptr, false},
    {"http://sub.localhost/", "http", D, "sub.localhost", -1, "", nullptr, "/", nullptr, nullptr, false},
    {"http://localhost.localdomain/", "http", D, "localhost.localdomain", -1, "", nullptr, "/", nullptr,
     nullptr, false},
    {"http://localhost\u3002/", "http", D, "localhost.", -1, "", nullptr, "/", nullptr, nullptr, false},
    {"http://127.0.0.2/", "http", V4, "127.0.0.2", -1, "", nullptr, "/", nullptr, nullptr, false},
    {"http://127.255.255.255/", "http", V4, "127.255.255.255", -1, "", nullptr, "/", nullptr, nullptr, false},
    {"http://0.0.0.0/", "http", V4, "0.0.0.0", -1, "", nullptr, "/", nullptr, nullptr, false},
    {"http://[::2]/", "http", V6, "[::2]", -1, "", nullptr, "/", nullptr, nullptr, false},
    {"http://[::]/", "http", V6, "[::]", -1, "", nullptr, "/", nullptr, nullptr, false},
    {"http://[::ffff:127.0.0.1]/", "http", V6, "[::ffff:7f00:1]", -1, "", nullptr, "/", nullptr, nullptr,
     false},
    {"http://[1::1]/", "http", V6, "[1::1]", -1, "", nullptr, "/", nullptr, nullptr, false},
    {"http://example.com/", "http", D, "example.com", -1, "", nullptr, "/", nullptr, nullptr, false},
    {"foo://localhost/", "foo", Opaque, "localhost", -1, "", nullptr, "/", nullptr, nullptr, false},
    {"file://localhost/x", "file", Empty, "", -1, "", nullptr, "/x", nullptr, nullptr, false},
    {"localhost:8080", "localhost", None, "", -1, "", nullptr, "8080", nullptr, nullptr, false},
};

// Credentials, queries and fragments, present even when empty.
const PartsCase kCredentialsQueryFragment[] = {
    {"https://user@h/", "https", D, "h", -1, "user", nullptr, "/", nullptr, nullptr, false},
    {"https://:pw@h/", "https", D, "h", -1, "", "pw", "/", nullptr, nullptr, false},
    {"https://user:pw@h/", "https", D, "h", -1, "user", "pw", "/", nullptr, nullptr, false},
    {"https://user:@h/", "https", D, "h", -1, "user", nullptr, "/", nullptr, nullptr, false},
    {"https://:@h/", "https", D, "h", -1, "", nullptr, "/", nullptr, nullptr, false},
    {"https://@h/", "https", D, "h", -1, "", nullptr, "/", nullptr, nullptr, false},
    {"https://a b:c d@h/", "https", D, "h", -1, "a%20b", "c%20d", "/", nullptr, nullptr, false},
    {"https://h/?", "https", D, "h", -1, "", nullptr, "/", "", nullptr, false},
    {"https://h/#", "https", D, "h", -1, "", nullptr, "/", nullptr, "", false},
    {"https://h?", "https", D, "h", -1, "", nullptr, "/", "", nullptr, false},
    {"https://h/?#", "https", D, "h", -1, "", nullptr, "/", "", "", false},
    {"https://h/v1?a=1#top", "https", D, "h", -1, "", nullptr, "/v1", "a=1", "top", false},
    {"https://h/ \t", "https", D, "h", -1, "", nullptr, "/", nullptr, nullptr, false},
};

// Schemes and URLs without a host, which the rules refuse after parsing.
const PartsCase kSchemesAndHostless[] = {
    {"mailto:x@y", "mailto", None, "", -1, "", nullptr, "x@y", nullptr, nullptr, false},
    {"localhost:8080/v1", "localhost", None, "", -1, "", nullptr, "8080/v1", nullptr, nullptr, false},
    {"data:,x?y#z", "data", None, "", -1, "", nullptr, ",x", "y", "z", false},
    {"file:///x", "file", Empty, "", -1, "", nullptr, "/x", nullptr, nullptr, false},
    {"ftp://h", "ftp", D, "h", -1, "", nullptr, "/", nullptr, nullptr, false},
    {"ws://localhost:80", "ws", D, "localhost", -1, "", nullptr, "/", nullptr, nullptr, true},
    {"HTTPS://API.Example.COM:443/V1", "https", D, "api.example.com", -1, "", nullptr, "/V1", nullptr,
     nullptr, false},
    {"http:example.com", "http", D, "example.com", -1, "", nullptr, "/", nullptr, nullptr, false},
    {"foo://", "foo", Empty, "", -1, "", nullptr, "", nullptr, nullptr, false},
    {"foo:/x", "foo", None, "", -1, "", nullptr, "/x", nullptr, nullptr, false},
};

INSTANTIATE_TEST_SUITE_P(Loopback, UrlParts, testing::ValuesIn(kLoopback),
                         KELP_CASE_NAMES(p.input));
INSTANTIATE_TEST_SUITE_P(NotLoopback, UrlParts, testing::ValuesIn(kNotLoopback),
                         KELP_CASE_NAMES(p.input));
INSTANTIATE_TEST_SUITE_P(CredentialsQueryFragment, UrlParts, testing::ValuesIn(kCredentialsQueryFragment),
                         KELP_CASE_NAMES(p.input));
INSTANTIATE_TEST_SUITE_P(SchemesAndHostless, UrlParts, testing::ValuesIn(kSchemesAndHostless),
                         KELP_CASE_NAMES(p.input));

TEST(UrlParts, AddressesAreKeptAsNumbers) {
  auto v4 = kelp::url::parse("http://0x7f.1/");
  ASSERT_TRUE(v4);
  EXPECT_EQ(v4->ipv4, 0x7F000001u);

  auto v6 = kelp::url::parse("http://[2001:db8::ffff:1.2.3.4]/");
  ASSERT_TRUE(v6);
  EXPECT_EQ(v6->ipv6, (std::array<std::uint16_t, 8>{0x2001, 0xdb8, 0, 0, 0, 0xffff, 0x0102, 0x0304}));
  EXPECT_EQ(v6->host, "[2001:db8::ffff:102:304]");
}

TEST(UrlParts, OpaquePathIsMarked) {
  EXPECT_TRUE(kelp::url::parse("mailto:x@y")->has_opaque_path);
  EXPECT_FALSE(kelp::url::parse("foo:/x")->has_opaque_path);
  EXPECT_FALSE(kelp::url::parse("http://h/x")->has_opaque_path);
}

// A default-constructed URL, or one of the kinds that are never loopback,
// says so even if its text looks like a loopback address.
TEST(UrlParts, LoopbackLooksAtTheKindOfHost) {
  kelp::url::Url u;
  EXPECT_FALSE(u.is_loopback_host());
  u.host = "localhost";
  u.host_kind = HostKind::Opaque;
  EXPECT_FALSE(u.is_loopback_host());
  u.host_kind = HostKind::Domain;
  EXPECT_TRUE(u.is_loopback_host());
  u.host_kind = HostKind::Ipv4;
  u.ipv4 = 0x7F000001;
  EXPECT_TRUE(u.is_loopback_host());
}

}  // namespace

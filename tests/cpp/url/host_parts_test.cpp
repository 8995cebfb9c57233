// The pieces of host parsing on their own: the number test that sends a
// domain to the IPv4 parser, the IPv6 serializer's choice of compression,
// the percent-encode sets and decoding, and the domain length limit.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "common/case_name.h"
#include "url/idna.h"
#include "url/ipv4.h"
#include "url/ipv6.h"
#include "url/percent.h"

namespace {

using namespace kelp::url;

struct NumberCase {
  std::string_view domain;
  bool ends_in_number;
};

class EndsInANumber : public testing::TestWithParam<NumberCase> {};

TEST_P(EndsInANumber, LooksAtTheLastLabel) {
  EXPECT_EQ(ends_in_a_number(GetParam().domain), GetParam().ends_in_number) << GetParam().domain;
}

INSTANTIATE_TEST_SUITE_P(Domains, EndsInANumber,
                         testing::Values(NumberCase{"a.1", true}, NumberCase{"1.a", false},
                                         NumberCase{"a.0x", true}, NumberCase{"a.0X1F", true},
                                         NumberCase{"a.0x1g", false}, NumberCase{"a.1.", true},
                                         NumberCase{"a.1..", false}, NumberCase{".", false},
                                         NumberCase{"0", true}, NumberCase{"a.", false},
                                         NumberCase{"09", true}, NumberCase{"a.1e5", false},
                                         NumberCase{"a.x1", false}, NumberCase{"1.2.3.4", true}),
                         KELP_CASE_NAMES(p.domain));

struct Ipv4Case {
  std::string_view input;
  std::optional<std::uint32_t> address;
};

class Ipv4Parser : public testing::TestWithParam<Ipv4Case> {};

TEST_P(Ipv4Parser, ReadsLegacyForms) {
  EXPECT_EQ(parse_ipv4(GetParam().input), GetParam().address) << GetParam().input;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, Ipv4Parser,
    testing::Values(Ipv4Case{"1.2.3.4", 0x01020304}, Ipv4Case{"1.2.3.4.", 0x01020304},
                    Ipv4Case{"1.2.772", 0x01020304}, Ipv4Case{"1.131844", 0x01020304},
                    Ipv4Case{"16909060", 0x01020304}, Ipv4Case{"0x1.0x2.0x3.0x4", 0x01020304},
                    Ipv4Case{"01.02.03.04", 0x01020304}, Ipv4Case{"0x", 0}, Ipv4Case{"0.0x.0.00", 0},
                    Ipv4Case{"4294967295", 0xFFFFFFFF}, Ipv4Case{"4294967296", std::nullopt},
                    Ipv4Case{"1.2.3.4.5", std::nullopt}, Ipv4Case{"1.2.3.4..", std::nullopt},
                    Ipv4Case{"256.0.0.1", std::nullopt}, Ipv4Case{"1.256.1", std::nullopt},
                    Ipv4Case{"1.2.256", 0x01020100},
                    Ipv4Case{"08", std::nullopt}, Ipv4Case{"1..2", std::nullopt},
                    Ipv4Case{"99999999999999999999999999999", std::nullopt},
                    Ipv4Case{"0x00000000000000000000000000ff", 255}),
    KELP_CASE_NAMES(p.input));

struct Ipv6SerializeCase {
  Ipv6Address address;
  std::string_view text;
};

class Ipv6Serializer : public testing::TestWithParam<Ipv6SerializeCase> {};

TEST_P(Ipv6Serializer, CompressesTheFirstLongestZeroRun) {
  EXPECT_EQ(serialize_ipv6(GetParam().address), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, Ipv6Serializer,
    testing::Values(Ipv6SerializeCase{{0, 0, 0, 0, 0, 0, 0, 1}, "::1"},
                    Ipv6SerializeCase{{0, 0, 0, 0, 0, 0, 0, 0}, "::"},
                    Ipv6SerializeCase{{1, 0, 0, 0, 0, 0, 0, 0}, "1::"},
                    Ipv6SerializeCase{{1, 0, 0, 2, 0, 0, 3, 4}, "1::2:0:0:3:4"},
                    Ipv6SerializeCase{{0, 0, 1, 0, 0, 1, 0, 0}, "::1:0:0:1:0:0"},
                    Ipv6SerializeCase{{1, 0, 0, 2, 0, 0, 0, 3}, "1:0:0:2::3"},
                    Ipv6SerializeCase{{1, 0, 1, 0, 1, 0, 1, 0}, "1:0:1:0:1:0:1:0"},
                    Ipv6SerializeCase{{0xabcd, 0x0ef0, 0x00f0, 0x000f, 0xffff, 0x1000, 0x0100, 0x0010},
                                      "abcd:ef0:f0:f:ffff:1000:100:10"}),
    KELP_CASE_NAMES(p.text));

TEST(Ipv6Parser, RoundTripsThroughTheSerializer) {
  for (std::u32string_view text : {U"::1", U"1::", U"1:2:3:4:5:6:7:8", U"::ffff:7f00:1", U"1:0:0:2::3"}) {
    auto parsed = parse_ipv6(text);
    ASSERT_TRUE(parsed);
    std::string back = serialize_ipv6(*parsed);
    EXPECT_EQ(std::u32string(back.begin(), back.end()), text);
  }
}

struct EncodeSetCase {
  EncodeSet set;
  std::string_view encoded;  // ASCII characters the set encodes
  std::string_view kept;     // ASCII characters it leaves alone
};

std::string_view set_name(EncodeSet set) {
  switch (set) {
    case EncodeSet::C0Control: return "C0Control";
    case EncodeSet::Fragment: return "Fragment";
    case EncodeSet::Query: return "Query";
    case EncodeSet::SpecialQuery: return "SpecialQuery";
    case EncodeSet::Path: return "Path";
    case EncodeSet::Userinfo: return "Userinfo";
  }
  return "Unknown";
}

class EncodeSets : public testing::TestWithParam<EncodeSetCase> {};

TEST_P(EncodeSets, CoverExactlyTheirCharacters) {
  const EncodeSetCase& c = GetParam();
  for (char ch : c.encoded) EXPECT_TRUE(in_encode_set(static_cast<unsigned char>(ch), c.set)) << ch;
  for (char ch : c.kept) EXPECT_FALSE(in_encode_set(static_cast<unsigned char>(ch), c.set)) << ch;
  // Controls and everything above '~' are in every set.
  for (char32_t cp : {char32_t{0}, char32_t{0x1F}, char32_t{0x7F}, char32_t{0xE9}, char32_t{0x1F600}}) {
    EXPECT_TRUE(in_encode_set(cp, c.set));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sets, EncodeSets,
    testing::Values(EncodeSetCase{EncodeSet::C0Control, "", " \"#<>`'?^{}/:;=@[\\]|%~"},
                    EncodeSetCase{EncodeSet::Fragment, " \"<>`", "#'?^{}/:;=@[\\]|%~"},
                    EncodeSetCase{EncodeSet::Query, " \"#<>", "`'?^{}/:;=@[\\]|%~"},
                    EncodeSetCase{EncodeSet::SpecialQuery, " \"#<>'", "`?^{}/:;=@[\\]|%~"},
                    EncodeSetCase{EncodeSet::Path, " \"#<>?^`{}", "'/:;=@[\\]|%~"},
                    EncodeSetCase{EncodeSet::Userinfo, " \"#<>?^`{}/:;=@[\\]|", "'%~!$&()*+,-._"}),
    KELP_CASE_NAMES(set_name(p.set)));

TEST(PercentEncoding, WritesUtf8BytesInUpperCaseHex) {
  std::string out;
  append_percent_encoded(out, U'\u00fc', EncodeSet::Path);
  append_percent_encoded(out, U'\U0001F600', EncodeSet::Path);
  append_percent_encoded(out, U'a', EncodeSet::Path);
  append_percent_encoded(out, U'\x7f', EncodeSet::C0Control);
  EXPECT_EQ(out, "%C3%BC%F0%9F%98%80a%7F");
}

TEST(PercentDecoding, DecodesOnlyCompleteEscapes) {
  EXPECT_EQ(percent_decode("%41%62c"), "Abc");
  EXPECT_EQ(percent_decode("%c3%BC"), "\xc3\xbc");
  EXPECT_EQ(percent_decode("%"), "%");
  EXPECT_EQ(percent_decode("%4"), "%4");
  EXPECT_EQ(percent_decode("%zz%4g"), "%zz%4g");
  EXPECT_EQ(percent_decode("%%41"), "%A");
  EXPECT_EQ(percent_decode("%2541"), "%41");  // decoded once, not twice
  EXPECT_EQ(percent_decode(std::string_view("%00x", 4)), std::string("\0x", 2));
}

TEST(DomainToAscii, LowercasesAsciiWithoutUts46) {
  // ASCII without "xn--" labels is only lowercased, so labels that UTS #46
  // would refuse stay.
  EXPECT_EQ(domain_to_ascii("ExAmple.COM").value(), "example.com");
  EXPECT_EQ(domain_to_ascii("-a-.b--c").value(), "-a-.b--c");
  EXPECT_EQ(domain_to_ascii("a b").error().display(), "invalid domain character");
}

TEST(DomainToAscii, IgnoresHyphenAndLengthRulesForUnicode) {
  EXPECT_EQ(domain_to_ascii("-\u00fc-.de").value(), "xn-----xka.de");
  EXPECT_EQ(domain_to_ascii("\u00fc..de").value(), "xn--tda..de");
  std::string long_label = "\u00fc" + std::string(100, 'a');
  EXPECT_TRUE(domain_to_ascii(long_label).has_value());
  EXPECT_EQ(domain_to_ascii("\u00fc").value(), "xn--tda");
}

TEST(DomainToAscii, RefusesUnicodeDomainsPastTheLimit) {
  std::string at_limit;
  while (at_limit.size() + 3 <= kMaxUnicodeDomainBytes) at_limit += "\u00fc.";
  at_limit.resize(kMaxUnicodeDomainBytes, 'a');
  EXPECT_TRUE(domain_to_ascii(at_limit).has_value());
  EXPECT_EQ(domain_to_ascii(at_limit + "a").error().display(), "invalid international domain name");
}

// bench/url_hostile_bench times it.
TEST(DomainToAscii, WorstCaseExpansionWithinTheLimitIsRefused) {
  // U+FDFA expands to 18 characters, and each short label is rebuilt in place.
  std::string worst;
  while (worst.size() + 4 <= kMaxUnicodeDomainBytes) worst += "\ufdfa.";
  auto result = domain_to_ascii(worst);
  ASSERT_FALSE(result.has_value());  // the expansion holds spaces
  EXPECT_EQ(result.error().display(), "invalid international domain name");
}

TEST(DomainToAscii, EmptyResultIsRefused) {
  EXPECT_EQ(domain_to_ascii("\u00ad").error().display(), "invalid international domain name");
  EXPECT_EQ(domain_to_ascii("").error().display(), "invalid international domain name");
}

}  // namespace

// Hosts with "xn--" labels, whose Punycode is checked even though they are
// ASCII, and the Bidi Rule's allowance for leading-digit ASCII labels.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>

#include "common/case_name.h"
#include "unicode/text.h"
#include "url/bidi_rule.h"
#include "url/url.h"

namespace {

using namespace std::literals;

struct UrlCase {
  const char* name;
  std::string_view input;
  std::string_view expected;  // the href, or after '!' the failure text
};

void PrintTo(const UrlCase& c, std::ostream* os) { *os << kelp::unicode::quoted(c.input); }

class AceHosts : public testing::TestWithParam<UrlCase> {};

TEST_P(AceHosts, ParseAsTheStandardSays) {
  const UrlCase& c = GetParam();
  auto parsed = kelp::url::parse(c.input);
  if (c.expected.starts_with('!')) {
    ASSERT_FALSE(parsed) << "parsed as " << parsed->href();
    EXPECT_EQ(parsed.error().display(), c.expected.substr(1));
    return;
  }
  ASSERT_TRUE(parsed) << parsed.error().display();
  EXPECT_EQ(parsed->href(), c.expected);
}

constexpr std::string_view kIdna = "!invalid international domain name";

INSTANTIATE_TEST_SUITE_P(
    InvalidPunycode, AceHosts,
    testing::Values(UrlCase{"EmptyAfterPrefix", "https://xn--/", kIdna},
                    UrlCase{"DecodesToControl", "https://xn--a/", kIdna},
                    UrlCase{"BadLabelBeforeGoodOne", "https://xn--a.xn--zca/", kIdna},
                    UrlCase{"NotAPunycodeDigit", "https://xn--ls8h=/", kIdna},
                    UrlCase{"DecodesToJoiner", "https://xn--1ug.example/", kIdna},
                    UrlCase{"DecodesToBadBidi", "https://xn--a-yoc/", kIdna},
                    UrlCase{"DecodesToReplacementCharacter", "https://xn--zn7c.com/", kIdna},
                    UrlCase{"FileHost", "file://xn--/p", kIdna},
                    UrlCase{"LastLabel", "http://a.b.c.xn--pokxncvks", kIdna},
                    UrlCase{"LastLabelUpperCasePrefix", "http://a.b.c.XN--pokxncvks", kIdna},
                    UrlCase{"LastLabelMixedCasePrefix", "http://a.b.c.Xn--pokxncvks", kIdna},
                    UrlCase{"AfterNumericLabels", "http://10.0.0.xn--pokxncvks", kIdna},
                    UrlCase{"TrailingDelimiter", "http://xn--abc-.com", kIdna},
                    UrlCase{"PercentEncodedPrefix", "http://%78n--a.com", kIdna}),
    KELP_CASE_NAMES(p.name));

INSTANTIATE_TEST_SUITE_P(
    ValidPunycode, AceHosts,
    testing::Values(UrlCase{"Greek", "https://xn--nxasmq6b.com/", "https://xn--nxasmq6b.com/"},
                    UrlCase{"UpperCase", "https://XN--NXASMQ6B.COM/", "https://xn--nxasmq6b.com/"},
                    UrlCase{"MixedCase", "http://Xn--Bcher-Kva.De/x", "http://xn--bcher-kva.de/x"},
                    UrlCase{"Emoji", "http://xn--ls8h", "http://xn--ls8h/"},
                    UrlCase{"TwoLabels", "http://xn--zca.xn--zca/", "http://xn--zca.xn--zca/"},
                    UrlCase{"PrefixInsideLabel", "http://axn--b.com/", "http://axn--b.com/"},
                    UrlCase{"FileHost", "file://xn--tda/p", "file://xn--tda/p"}),
    KELP_CASE_NAMES(p.name));

// The number test runs on the result of UTS #46.
INSTANTIATE_TEST_SUITE_P(
    EndsInANumber, AceHosts,
    testing::Values(UrlCase{"AfterValidPunycode", "http://xn--zca.1", "!invalid IPv4 address"},
                    UrlCase{"FullwidthDigitsAfterPunycode", "http://xn--zca.\uFF11\uFF12",
                            "!invalid IPv4 address"}),
    KELP_CASE_NAMES(p.name));

INSTANTIATE_TEST_SUITE_P(
    Bidi, AceHosts,
    testing::Values(UrlCase{"DigitLabelBeforeArabic", "https://1.\u064A/", "https://1.xn--mhb/"},
                    UrlCase{"DigitLabelBeforeArabicAsPunycode", "https://1.xn--mhb/", "https://1.xn--mhb/"},
                    UrlCase{"DigitLetterLabelBeforeHebrew", "https://1a.\u05D0\u05D1/", "https://1a.xn--4dbc/"},
                    UrlCase{"DigitLabelAfterArabic", "https://\u064A.1a/", kIdna},
                    UrlCase{"DigitLabelEndingInHyphen", "https://1-.\u064A/", kIdna},
                    UrlCase{"DigitLabelWithNonAscii", "https://1\u00E0.\u05D0/", kIdna},
                    UrlCase{"LatinInArabicLabel", "https://\u064Aa/", kIdna},
                    UrlCase{"ArabicWithEmptyLabel", "https://\u064A./", "https://xn--mhb./"}),
    KELP_CASE_NAMES(p.name));

struct BidiCase {
  const char* name;
  std::string_view domain;
  kelp::url::BidiVerdict verdict;
};

class BidiRule : public testing::TestWithParam<BidiCase> {};

TEST_P(BidiRule, GivesTheVerdict) {
  EXPECT_EQ(kelp::url::check_bidi_rule(GetParam().domain), GetParam().verdict);
}

using V = kelp::url::BidiVerdict;

INSTANTIATE_TEST_SUITE_P(
    Domains, BidiRule,
    testing::Values(BidiCase{"LeftToRightOnly", "1.example", V::Passes},
                    BidiCase{"RightToLeftOnly", "\u05D0\u05D1.\u0627\u0644", V::Passes},
                    BidiCase{"LetterLabelBeforeArabic", "a1.\u064A", V::Passes},
                    BidiCase{"DigitLabelFirst", "1.\u064A", V::PassesByAllowance},
                    BidiCase{"DigitLabelSecond", "x.1.\u064A", V::PassesByAllowance},
                    BidiCase{"DigitLabelAfterArabic", "\u064A.1", V::Fails},
                    BidiCase{"DigitLabelAfterArabicLater", "\u064A.x.1", V::Fails},
                    BidiCase{"DigitLabelEndingInHyphen", "1-.\u064A", V::Fails},
                    BidiCase{"DigitLabelNotAscii", "0\u00E0.\u05D0", V::Fails},
                    BidiCase{"ArabicDigitFirst", "\u0661\u064A", V::Fails},
                    BidiCase{"EuropeanAndArabicDigits", "\u064A1\u0661", V::Fails},
                    BidiCase{"ArabicEndingInMark", "\u064A\u064B", V::Passes},
                    BidiCase{"LatinEndingInArabicLabel", "a\u064A", V::Fails},
                    BidiCase{"EmptyLabels", ".\u064A..", V::Passes}),
    KELP_CASE_NAMES(p.name));

}  // namespace

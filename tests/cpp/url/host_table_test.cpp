// The host tables of the URL parse tests: domains, international domains,
// IPv4 and IPv6 addresses.
#include "parse_table.h"

#include <string_view>

#include "common/case_name.h"

namespace {

using namespace std::literals;
using Case = kelp::testing::ParseCase;

// ASCII domains are lowercased and kept, trailing dots and empty labels included.
const Case kDomains[] = {
    {"http://EXAMPLE.com"sv, "http://example.com/"},
    {"http://example.com."sv, "http://example.com./"},
    {"http://a..b"sv, "http://a..b/"},
    {"http://."sv, "http://./"},
    {"http://.."sv, "http://../"},
    {"http://exa%2Emple"sv, "http://exa.mple/"},
    {"http://ex%41mple"sv, "http://example/"},
    {"http://%65xample.com"sv, "http://example.com/"},
    {"http://a*b"sv, "http://a*b/"},
    {"http://a_b"sv, "http://a_b/"},
    {"http://a~b"sv, "http://a~b/"},
    {"http://a!$&'()*+,;=b"sv, "http://a!$&'()*+,;=b/"},
    {"http://a`b"sv, "http://a`b/"},
    {"http://a{b}"sv, "http://a{b}/"},
    {"http://a\"b"sv, "http://a\"b/"},
    {"http://a-b"sv, "http://a-b/"},
    {"http://-a-"sv, "http://-a-/"},
    {"http://a.b.c.d.e.f.g"sv, "http://a.b.c.d.e.f.g/"},
    {"http://localhost"sv, "http://localhost/"},
    {"http://LocalHost"sv, "http://localhost/"},
    {"http://localhost."sv, "http://localhost./"},
    {"http://sub.localhost"sv, "http://sub.localhost/"},
    {"http://localhost.localdomain"sv, "http://localhost.localdomain/"},
    {"http://42.test"sv, "http://42.test/"},
    {"http://0x1g"sv, "http://0x1g/"},
    {"http://1a"sv, "http://1a/"},
    {"http://127.0.0.1.."sv, "http://127.0.0.1../"},
    {"http://foo.0x"sv, "!invalid IPv4 address"},
    {"http://example/"sv, "http://example/"},
    {"http://XN--BCHER-KVA.de"sv, "http://xn--bcher-kva.de/"},
    {"http://xn--ls8h"sv, "http://xn--ls8h/"},
    {"http://ab--cd"sv, "http://ab--cd/"},
    {"http://aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
     "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa.com"sv,
     "http://aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa.com/"},
};

// Non-ASCII domains go through UTS #46: mapping, NFC, Punycode.
const Case kInternationalDomains[] = {
    {"http://bücher.de/"sv, "http://xn--bcher-kva.de/"},
    {"http://BÜCHER.de"sv, "http://xn--bcher-kva.de/"},
    {"http://faß.example"sv, "http://xn--fa-hia.example/"},
    {"http://Ｅｘａｍｐｌｅ.com"sv, "http://example.com/"},
    {"http://example\u3002com"sv, "http://example.com/"},
    {"http://example\uFF0Ecom"sv, "http://example.com/"},
    {"http://example\uFF61com"sv, "http://example.com/"},
    {"http://ex\u00ADample.com"sv, "http://example.com/"},
    {"http://\u2615.example"sv, "http://xn--53h.example/"},
    {"http://%C3%BC.de"sv, "http://xn--tda.de/"},
    {"http://%c3%bc.de"sv, "http://xn--tda.de/"},
    {"http://\u0627\u0644\u0639\u0631\u0628\u064A\u0629.com"sv, "http://xn--mgbcd4a2b0d2b.com/"},
    {"http://\u05D0\u05D1.com"sv, "http://xn--4dbc.com/"},
    {"http://ＬＯＣＡＬＨＯＳＴ/"sv, "http://localhost/"},
    {"http://localhost\u3002/"sv, "http://localhost./"},
    {"http://ｌｏｃａｌｈｏｓｔ:8080/"sv, "http://localhost:8080/"},
    {"http://-ü-.de"sv, "http://xn-----xka.de/"},
    {"http://ab--ü.de"sv, "http://xn--ab---3ra.de/"},
    {"http://ü\u200Cb"sv, "!invalid international domain name"},
    {"http://\u0915\u094D\u200D\u0937.in"sv, "http://xn--11b2ezcw70k.in/"},
    {"http://\u0130.com"sv, "http://xn--i-9bb.com/"},
    {"http://\u212A.com"sv, "http://k.com/"},
    {"http://é.fr"sv, "http://xn--9ca.fr/"},
    {"http://e\u0301.fr"sv, "http://xn--9ca.fr/"},
    {"http://\U0001F600.com"sv, "http://xn--e28h.com/"},
    {"http://１２７.０.０.１/"sv, "http://127.0.0.1/"},
    {"http://０ｘ７ｆ.1/"sv, "http://127.0.0.1/"},
    {"http://üaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa.de"sv,
     "http://xn--aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa-egg.de/"},
};

// Hosts that end in a number are IPv4 addresses in any of their legacy forms.
const Case kIpv4Hosts[] = {
    {"http://127.0.0.1"sv, "http://127.0.0.1/"},
    {"http://127.1"sv, "http://127.0.0.1/"},
    {"http://127.0.1"sv, "http://127.0.0.1/"},
    {"http://2130706433"sv, "http://127.0.0.1/"},
    {"http://0x7f000001"sv, "http://127.0.0.1/"},
    {"http://0x7F.1"sv, "http://127.0.0.1/"},
    {"http://017700000001"sv, "http://127.0.0.1/"},
    {"http://0177.0.0.1"sv, "http://127.0.0.1/"},
    {"http://127.0.0.1."sv, "http://127.0.0.1/"},
    {"http://0"sv, "http://0.0.0.0/"},
    {"http://0x"sv, "http://0.0.0.0/"},
    {"http://0X"sv, "http://0.0.0.0/"},
    {"http://00"sv, "http://0.0.0.0/"},
    {"http://0.0.0.0"sv, "http://0.0.0.0/"},
    {"http://1.2.65535"sv, "http://1.2.255.255/"},
    {"http://1.16777215"sv, "http://1.255.255.255/"},
    {"http://4294967295"sv, "http://255.255.255.255/"},
    {"http://0xffffffff"sv, "http://255.255.255.255/"},
    {"http://0xFFFFFFFF"sv, "http://255.255.255.255/"},
    {"http://255.255.255.255"sv, "http://255.255.255.255/"},
    {"http://%31%32%37.1"sv, "http://127.0.0.1/"},
    {"http://0x7f.0.0.0x1"sv, "http://127.0.0.1/"},
    {"http://0x0000000000000000000000000000001"sv, "http://0.0.0.1/"},
    {"http://000000000000000000000000000000010"sv, "http://0.0.0.8/"},
    {"http://1.2.3.4:80"sv, "http://1.2.3.4/"},
    {"http://1.2.3.4."sv, "http://1.2.3.4/"},
    {"http://127.000.000.001"sv, "http://127.0.0.1/"},
    {"http://0x7f.0x0.0x0.0x1"sv, "http://127.0.0.1/"},
    {"http://10.0.0.1"sv, "http://10.0.0.1/"},
    {"http://127.0.0.2"sv, "http://127.0.0.2/"},
    {"http://127.255.255.255"sv, "http://127.255.255.255/"},
    {"http://1.2.3.4/x?y#z"sv, "http://1.2.3.4/x?y#z"},
    {"http://1.2.3.0x"sv, "http://1.2.3.0/"},
    {"ws://127.1"sv, "ws://127.0.0.1/"},
    {"ftp://0x7f.1"sv, "ftp://127.0.0.1/"},
    {"file://127.1/x"sv, "file://127.0.0.1/x"},
    {"foo://127.1"sv, "foo://127.1"},
};

// IPv6 addresses are compressed at their first longest run of zero pieces.
const Case kIpv6Hosts[] = {
    {"http://[::1]"sv, "http://[::1]/"},
    {"http://[::]"sv, "http://[::]/"},
    {"http://[0::1]"sv, "http://[::1]/"},
    {"http://[0:0:0:0:0:0:0:1]"sv, "http://[::1]/"},
    {"http://[1:2:3:4:5:6:7:8]"sv, "http://[1:2:3:4:5:6:7:8]/"},
    {"http://[::ffff:127.0.0.1]"sv, "http://[::ffff:7f00:1]/"},
    {"http://[::127.0.0.1]"sv, "http://[::7f00:1]/"},
    {"http://[1:2:3:4:5:6:1.2.3.4]"sv, "http://[1:2:3:4:5:6:102:304]/"},
    {"http://[ABCD::EF]"sv, "http://[abcd::ef]/"},
    {"http://[0:0:1:0:0:0:0:1]"sv, "http://[0:0:1::1]/"},
    {"http://[1:0:0:2:0:0:0:3]"sv, "http://[1:0:0:2::3]/"},
    {"http://[1:0:0:2:0:0:3:4]"sv, "http://[1::2:0:0:3:4]/"},
    {"http://[0:1:0:1:0:1:0:1]"sv, "http://[0:1:0:1:0:1:0:1]/"},
    {"http://[::1]:80"sv, "http://[::1]/"},
    {"http://[::1]:9/"sv, "http://[::1]:9/"},
    {"http://[0000:0000::0001]"sv, "http://[::1]/"},
    {"http://[1::]"sv, "http://[1::]/"},
    {"http://[1::8]"sv, "http://[1::8]/"},
    {"http://[::2:3:4:5:6:7:8]"sv, "http://[0:2:3:4:5:6:7:8]/"},
    {"http://[1:2:3:4:5:6:7::]"sv, "http://[1:2:3:4:5:6:7:0]/"},
    {"http://[0:0:0:0:0:0:0:0]"sv, "http://[::]/"},
    {"http://[ffff::ffff]"sv, "http://[ffff::ffff]/"},
    {"http://[::0:0:1]"sv, "http://[::1]/"},
    {"http://[::ffff:1.2.3.4]"sv, "http://[::ffff:102:304]/"},
    {"foo://[::1]"sv, "foo://[::1]"},
    {"file://[::1]/x"sv, "file://[::1]/x"},
    {"http://[1:0::]"sv, "http://[1::]/"},
    {"http://[2001:db8:85a3::8a2e:370:7334]"sv, "http://[2001:db8:85a3::8a2e:370:7334]/"},
    {"http://[::1]/x?y#z"sv, "http://[::1]/x?y#z"},
    {"https://u@[::1]"sv, "https://u@[::1]/"},
};

INSTANTIATE_TEST_SUITE_P(Domains, ParseTable, testing::ValuesIn(kDomains),
                         KELP_CASE_NAMES(p.input));
INSTANTIATE_TEST_SUITE_P(InternationalDomains, ParseTable, testing::ValuesIn(kInternationalDomains),
                         KELP_CASE_NAMES(p.input));
INSTANTIATE_TEST_SUITE_P(Ipv4Hosts, ParseTable, testing::ValuesIn(kIpv4Hosts),
                         KELP_CASE_NAMES(p.input));
INSTANTIATE_TEST_SUITE_P(Ipv6Hosts, ParseTable, testing::ValuesIn(kIpv6Hosts),
                         KELP_CASE_NAMES(p.input));

}  // namespace

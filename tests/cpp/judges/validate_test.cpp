#include "judges/validate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <ostream>
#include <string>

#include "common/case_name.h"
#include "regex/syntax.h"
#include "url/url.h"

namespace kelp {
namespace {

constexpr std::string_view kContext = "judge YAML judges/a.yaml";

JudgeDefinition valid_definition() {
  JudgeDefinition d;
  d.judge = "tone";
  d.llm.model = "gpt-x";
  d.instructions = "Grade the tone.";
  return d;
}

std::string repeat(std::string_view unit, std::size_t n) {
  std::string out;
  for (std::size_t i = 0; i < n; ++i) out.append(unit);
  return out;
}

JsonValue object(std::initializer_list<std::pair<const std::string, JsonValue>> members) {
  return JsonValue(JsonValue::Object(members));
}

JsonValue list(std::initializer_list<JsonValue> elements) {
  return JsonValue(JsonValue::Array(elements));
}

JsonValue matcher(const char* event, JsonValue match) {
  return object({{"event", JsonValue(event)}, {"match", std::move(match)}});
}

// One rule case: a change to a valid definition and the error it must give,
// or nothing when the changed definition must pass.
struct RuleCase {
  const char* name;
  std::function<void(JudgeDefinition&)> change;
  std::optional<std::string> error;  // without the context, for field rules
};
void PrintTo(const RuleCase& c, std::ostream* os) { *os << c.name; }

class JudgeFieldRules : public ::testing::TestWithParam<RuleCase> {};

TEST_P(JudgeFieldRules, FirstFailingStepGivesItsText) {
  JudgeDefinition d = valid_definition();
  GetParam().change(d);
  auto result = validate_judge_definition(d, kContext);
  if (GetParam().error) {
    ASSERT_FALSE(result) << "expected: " << *GetParam().error;
    EXPECT_EQ(result.error(), std::string(kContext) + *GetParam().error);
  } else {
    EXPECT_TRUE(result) << result.error();
  }
}

const char* const kEmptyName = " has an empty judge name";
const char* const kLongName = " has a judge name longer than 255 characters";
const char* const kLongDescription = " has a description longer than 2000 characters";
const char* const kNoInstructions = " has empty instructions";
const char* const kProvider = " has invalid llm.provider";
const char* const kModel = " has invalid llm.model";
const char* const kTemperature = " llm.request.temperature must be between 0 and 2";
const char* const kMaxTokens = " llm.request.max_tokens must be between 1 and 131072";
const char* const kEffort = " has invalid llm.request.reasoning_effort";
const char* const kTimeout = " llm.transport.timeout_ms must be between 1 and 600000";
const char* const kRetries = " llm.transport.max_retries exceeds the limit of 10";
const char* const kDelay = " llm.transport.max_retry_delay_ms exceeds the 60000 millisecond limit";
const char* const kApiKeyEnv = " has invalid llm.local.api_key_env";

INSTANTIATE_TEST_SUITE_P(
    Fields, JudgeFieldRules,
    ::testing::Values(
        RuleCase{"NameOfSpaces", [](auto& d) { d.judge = "   "; }, kEmptyName},
        RuleCase{"NameEmpty", [](auto& d) { d.judge = ""; }, kEmptyName},
        RuleCase{"NameOfIdeographicSpace", [](auto& d) { d.judge = "\xe3\x80\x80\t"; },
                 kEmptyName},
        RuleCase{"Name255Chars", [](auto& d) { d.judge = repeat("a", 255); }, std::nullopt},
        RuleCase{"Name256Chars", [](auto& d) { d.judge = repeat("a", 256); }, kLongName},
        RuleCase{"Name255ThreeByteChars",
                 [](auto& d) { d.judge = repeat("\xe8\xa9\x95", 255); }, std::nullopt},
        RuleCase{"Name256ThreeByteChars",
                 [](auto& d) { d.judge = repeat("\xe8\xa9\x95", 256); }, kLongName},
        RuleCase{"NameBlanksCount",
                 [](auto& d) { d.judge = " " + repeat("a", 254) + " "; }, kLongName},
        RuleCase{"DescriptionEmpty", [](auto& d) { d.description = ""; }, std::nullopt},
        RuleCase{"Description2000", [](auto& d) { d.description = repeat("\xc3\xa9", 2000); },
                 std::nullopt},
        RuleCase{"Description2001", [](auto& d) { d.description = repeat("x", 2001); },
                 kLongDescription},
        RuleCase{"InstructionsAbsent", [](auto& d) { d.instructions.reset(); }, kNoInstructions},
        RuleCase{"InstructionsBlank", [](auto& d) { d.instructions = " \n\t "; },
                 kNoInstructions},
        RuleCase{"ProviderPaddedPasses", [](auto& d) { d.llm.provider = " openai "; },
                 std::nullopt},
        RuleCase{"ProviderUpperCase", [](auto& d) { d.llm.provider = "OpenAI"; }, kProvider},
        RuleCase{"ProviderUnderscore", [](auto& d) { d.llm.provider = "open_ai"; }, kProvider},
        RuleCase{"ProviderEmpty", [](auto& d) { d.llm.provider = ""; }, kProvider},
        RuleCase{"ProviderBlank", [](auto& d) { d.llm.provider = "  "; }, kProvider},
        RuleCase{"Provider64", [](auto& d) { d.llm.provider = repeat("a-9", 21) + "z"; },
                 std::nullopt},
        RuleCase{"Provider65", [](auto& d) { d.llm.provider = repeat("a", 65); }, kProvider},
        RuleCase{"ModelLeadingBlank", [](auto& d) { d.llm.model = " gpt"; }, kModel},
        RuleCase{"ModelTrailingLineFeed", [](auto& d) { d.llm.model = "gpt\n"; }, kModel},
        RuleCase{"ModelEmpty", [](auto& d) { d.llm.model = ""; }, kModel},
        RuleCase{"Model255Bytes", [](auto& d) { d.llm.model = repeat("m", 255); }, std::nullopt},
        RuleCase{"Model256Bytes128Chars",
                 [](auto& d) { d.llm.model = repeat("\xc3\xa9", 128); }, kModel},
        RuleCase{"ModelInnerBlanks", [](auto& d) { d.llm.model = "my model"; }, std::nullopt},
        RuleCase{"Temperature2", [](auto& d) { d.llm.request.temperature = 2.0; },
                 std::nullopt},
        RuleCase{"TemperatureNegativeZero",
                 [](auto& d) { d.llm.request.temperature = -0.0; }, std::nullopt},
        RuleCase{"TemperatureJustAbove2",
                 [](auto& d) { d.llm.request.temperature = std::nextafter(2.0, 3.0); },
                 kTemperature},
        RuleCase{"TemperatureNegative",
                 [](auto& d) { d.llm.request.temperature = -1e-300; }, kTemperature},
        RuleCase{"TemperatureNaN",
                 [](auto& d) {
                   d.llm.request.temperature = std::numeric_limits<double>::quiet_NaN();
                 },
                 kTemperature},
        RuleCase{"TemperatureInfinity",
                 [](auto& d) {
                   d.llm.request.temperature = std::numeric_limits<double>::infinity();
                 },
                 kTemperature},
        RuleCase{"TemperatureMinusInfinity",
                 [](auto& d) {
                   d.llm.request.temperature = -std::numeric_limits<double>::infinity();
                 },
                 kTemperature},
        RuleCase{"MaxTokens0", [](auto& d) { d.llm.request.max_tokens = 0; }, kMaxTokens},
        RuleCase{"MaxTokens1", [](auto& d) { d.llm.request.max_tokens = 1; }, std::nullopt},
        RuleCase{"MaxTokens131072", [](auto& d) { d.llm.request.max_tokens = 131072; },
                 std::nullopt},
        RuleCase{"MaxTokens131073", [](auto& d) { d.llm.request.max_tokens = 131073; },
                 kMaxTokens},
        RuleCase{"MaxTokensHuge",
                 [](auto& d) { d.llm.request.max_tokens = ~std::uint64_t{0}; }, kMaxTokens},
        RuleCase{"EffortEmpty", [](auto& d) { d.llm.request.reasoning_effort = ""; }, kEffort},
        RuleCase{"EffortXHigh", [](auto& d) { d.llm.request.reasoning_effort = "x-high"; },
                 std::nullopt},
        RuleCase{"EffortUpper", [](auto& d) { d.llm.request.reasoning_effort = "High"; },
                 kEffort},
        RuleCase{"EffortNotTrimmed",
                 [](auto& d) { d.llm.request.reasoning_effort = " high"; }, kEffort},
        RuleCase{"EffortDigit", [](auto& d) { d.llm.request.reasoning_effort = "level2"; },
                 kEffort},
        RuleCase{"Effort64", [](auto& d) { d.llm.request.reasoning_effort = repeat("e", 64); },
                 std::nullopt},
        RuleCase{"Effort65", [](auto& d) { d.llm.request.reasoning_effort = repeat("e", 65); },
                 kEffort},
        RuleCase{"Timeout0", [](auto& d) { d.llm.transport.timeout_ms = 0; }, kTimeout},
        RuleCase{"Timeout1", [](auto& d) { d.llm.transport.timeout_ms = 1; }, std::nullopt},
        RuleCase{"Timeout600000", [](auto& d) { d.llm.transport.timeout_ms = 600000; },
                 std::nullopt},
        RuleCase{"Timeout600001", [](auto& d) { d.llm.transport.timeout_ms = 600001; },
                 kTimeout},
        RuleCase{"Retries10", [](auto& d) { d.llm.transport.max_retries = 10; }, std::nullopt},
        RuleCase{"Retries11", [](auto& d) { d.llm.transport.max_retries = 11; }, kRetries},
        RuleCase{"Delay0", [](auto& d) { d.llm.transport.max_retry_delay_ms = 0; },
                 std::nullopt},
        RuleCase{"Delay60000", [](auto& d) { d.llm.transport.max_retry_delay_ms = 60000; },
                 std::nullopt},
        RuleCase{"Delay60001", [](auto& d) { d.llm.transport.max_retry_delay_ms = 60001; },
                 kDelay},
        RuleCase{"ApiKeyEnvPlain",
                 [](auto& d) { d.llm.local = JudgeLlmLocal{"https://h.example", "JUDGE_API_KEY"}; },
                 std::nullopt},
        RuleCase{"ApiKeyEnvUnderscore",
                 [](auto& d) { d.llm.local = JudgeLlmLocal{"https://h.example", "_KEY"}; },
                 std::nullopt},
        RuleCase{"ApiKeyEnvDigitFirst",
                 [](auto& d) { d.llm.local = JudgeLlmLocal{"https://h.example", "1KEY"}; },
                 kApiKeyEnv},
        RuleCase{"ApiKeyEnvDash",
                 [](auto& d) { d.llm.local = JudgeLlmLocal{"https://h.example", "MY-KEY"}; },
                 kApiKeyEnv},
        RuleCase{"ApiKeyEnvEmpty",
                 [](auto& d) { d.llm.local = JudgeLlmLocal{"https://h.example", ""}; },
                 kApiKeyEnv},
        RuleCase{"ApiKeyEnvNonAscii",
                 [](auto& d) { d.llm.local = JudgeLlmLocal{"https://h.example", "K\xc3\xa9Y"}; },
                 kApiKeyEnv}),
    KELP_CASE_NAMES(p.name));

// base_url rules, in step order: parse, HTTP(S) with host, credentials,
// query or fragment, HTTPS outside loopback.
const char* const kNotHttp = " llm.local.base_url must be an HTTP(S) URL with a host";
const char* const kCredentials = " llm.local.base_url must not contain credentials";
const char* const kQuery = " llm.local.base_url must not contain a query or fragment";
const char* const kHttps = " llm.local.base_url must use HTTPS outside localhost";

struct UrlCase {
  const char* name;
  const char* url;
  std::optional<std::string> error;
};
void PrintTo(const UrlCase& c, std::ostream* os) { *os << c.name; }

class JudgeBaseUrlRules : public ::testing::TestWithParam<UrlCase> {};

TEST_P(JudgeBaseUrlRules, UrlStepsInOrder) {
  JudgeDefinition d = valid_definition();
  d.llm.local = JudgeLlmLocal{GetParam().url, "1-not-checked-before-the-url"};
  auto result = validate_judge_definition(d, kContext);
  ASSERT_FALSE(result);
  // A URL that passes every URL step reaches the api_key_env step.
  std::string expected =
      std::string(kContext) + (GetParam().error ? *GetParam().error : std::string(kApiKeyEnv));
  EXPECT_EQ(result.error(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Urls, JudgeBaseUrlRules,
    ::testing::Values(
        UrlCase{"BareHost", "example.com",
                " has invalid llm.local.base_url: relative URL without a base"},
        UrlCase{"EmptyHost", "http://", " has invalid llm.local.base_url: empty host"},
        UrlCase{"BadPort", "http://localhost:99999",
                " has invalid llm.local.base_url: invalid port number"},
        UrlCase{"BadIpv6", "http://[::1/", " has invalid llm.local.base_url: invalid IPv6 address"},
        UrlCase{"Ftp", "ftp://host", kNotHttp},
        UrlCase{"File", "file:///x", kNotHttp},
        UrlCase{"HostLikeScheme", "localhost:8080", kNotHttp},
        UrlCase{"MailTo", "mailto:a@b.example", kNotHttp},
        UrlCase{"UserName", "http://user@localhost", kCredentials},
        UrlCase{"PasswordOnly", "https://:secret@h.example", kCredentials},
        UrlCase{"CredentialsBeatQuery", "https://u:p@h.example/?q", kCredentials},
        UrlCase{"EmptyQuery", "https://h.example/v1?", kQuery},
        UrlCase{"EmptyFragment", "https://h.example/v1#", kQuery},
        UrlCase{"QueryBeatsHttps", "http://h.example/?a=1", kQuery},
        UrlCase{"OtherLoopbackIpv4", "http://127.0.0.2", kHttps},
        UrlCase{"LocalhostSubdomain", "http://localhost.localdomain", kHttps},
        UrlCase{"SubdomainOfLocalhost", "http://api.localhost/", kHttps},
        UrlCase{"LocalhostFinalDot", "http://localhost./", kHttps},
        UrlCase{"PlainHttpHost", "http://h.example/v1", kHttps},
        UrlCase{"MappedLoopbackIpv6", "http://[::ffff:127.0.0.1]/", kHttps},
        UrlCase{"HttpLocalhostPort", "http://localhost:8080/v1", std::nullopt},
        UrlCase{"HttpLocalhostUpperCase", "HTTP://LOCALHOST:1/x", std::nullopt},
        UrlCase{"HttpIpv4Loopback", "http://127.0.0.1:11434/api", std::nullopt},
        UrlCase{"HttpShortIpv4Loopback", "http://127.1/", std::nullopt},
        UrlCase{"HttpIpv6Loopback", "http://[::1]:8000/v1", std::nullopt},
        UrlCase{"HttpsAnyHost", "https://api.example.com/v1", std::nullopt},
        UrlCase{"HttpsIpv4", "https://10.0.0.7:8443", std::nullopt}),
    KELP_CASE_NAMES(p.name));

TEST(JudgeBaseUrl, ParseFailureQuotesTheLibraryText) {
  for (const char* url : {"http://exa mple.com", "http://999.1.1.1.1x/", "https://"}) {
    auto parsed = url::parse(url);
    if (parsed) continue;
    JudgeDefinition d = valid_definition();
    d.llm.local = JudgeLlmLocal{url, "KEY"};
    auto result = validate_judge_definition(d, kContext);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(),
              std::string(kContext) + " has invalid llm.local.base_url: " + parsed.error().display());
  }
}

TEST(JudgeValidation, LowestStepWinsAndFieldsBeatTheGate) {
  JudgeDefinition d = valid_definition();
  d.judge = repeat("n", 300);
  d.instructions.reset();
  d.llm.model = " m ";
  d.on = JsonValue("message");
  EXPECT_EQ(validate_judge_definition(d, kContext).error(), std::string(kContext) + kLongName);

  d = valid_definition();
  d.llm.transport.max_retries = 99;
  d.llm.request.max_tokens = 0;
  d.on = JsonValue("message");
  EXPECT_EQ(validate_judge_definition(d, kContext).error(), std::string(kContext) + kMaxTokens);

  d = valid_definition();
  d.llm.local = JudgeLlmLocal{"http://h.example", "1BAD"};
  d.on = JsonValue("message");
  EXPECT_EQ(validate_judge_definition(d, kContext).error(), std::string(kContext) + kHttps);
}

TEST(JudgeValidation, TextsStayAsReadAndContextIsUsedVerbatim) {
  JudgeDefinition d = valid_definition();
  d.judge = "  Tone ";
  d.llm.provider = " openai ";
  d.llm.request.temperature = -0.0;
  auto result = validate_judge_definition(d, "ctx");
  ASSERT_TRUE(result) << result.error();
  EXPECT_EQ(result->judge, "  Tone ");
  EXPECT_EQ(result->llm.provider, " openai ");
  EXPECT_TRUE(std::signbit(result->llm.request.temperature));

  d.instructions = "";
  EXPECT_EQ(validate_judge_definition(d, "").error(), " has empty instructions");
}

// Gate shape and matcher rules. Gate errors carry no context.
struct GateCase {
  const char* name;
  JsonValue on;
  std::optional<std::string> error;
};
void PrintTo(const GateCase& c, std::ostream* os) { *os << c.name; }

class JudgeGateRules : public ::testing::TestWithParam<GateCase> {};

TEST_P(JudgeGateRules, GateRule) {
  JudgeDefinition d = valid_definition();
  d.on = GetParam().on;
  auto result = validate_judge_definition(d, kContext);
  if (GetParam().error) {
    ASSERT_FALSE(result) << "expected: " << *GetParam().error;
    EXPECT_EQ(result.error(), *GetParam().error);
  } else {
    ASSERT_TRUE(result) << result.error();
    EXPECT_EQ(result->on, GetParam().on);
  }
}

const char* const kShape = "judge `on` must be a list of event matchers";
const char* const kEntry = "each `on` entry must be `{ event, match? }`";
const char* const kUnknownKey = "unknown key in judge gate event matcher";
const char* const kMatchKind = "`match` must be a mapping of field paths to values";
const char* const kEmptyPath = "judge gate match field paths must not be empty";
const char* const kPatternId = "judge gate must not reference pattern_id";

INSTANTIATE_TEST_SUITE_P(
    Gates, JudgeGateRules,
    ::testing::Values(
        GateCase{"EmptyObject", object({}), std::nullopt},
        GateCase{"EmptyList", list({}), std::nullopt},
        GateCase{"SingleMatcherNotInList", object({{"event", JsonValue("message")}}), kShape},
        GateCase{"Text", JsonValue("message"), kShape},
        GateCase{"Number", JsonValue(std::uint64_t{1}), kShape},
        GateCase{"Boolean", JsonValue(true), kShape},
        GateCase{"AllEvents",
                 list({object({{"event", JsonValue("message")}}),
                       object({{"event", JsonValue("tool")}, {"match", object({})}}),
                       object({{"event", JsonValue("feedback")}})}),
                 std::nullopt},
        GateCase{"TextEntry", list({JsonValue("message")}), kEntry},
        GateCase{"EntryWithoutEvent", list({object({{"match", object({})}})}), kEntry},
        GateCase{"NumericEvent", list({object({{"event", JsonValue(std::uint64_t{1})}})}),
                 kEntry},
        GateCase{"NullEntry", list({JsonValue(nullptr)}), kEntry},
        GateCase{"CapitalisedEvent", list({object({{"event", JsonValue("Message")}})}),
                 "unknown judge gate event \"Message\""},
        GateCase{"EventQuoted", list({object({{"event", JsonValue("to\"ol\n")}})}),
                 "unknown judge gate event \"to\\\"ol\\n\""},
        GateCase{"UnknownEventBeatsUnknownKey",
                 list({object({{"event", JsonValue("chat")}, {"when", JsonValue("x")}})}),
                 "unknown judge gate event \"chat\""},
        GateCase{"UnknownKey",
                 list({object({{"event", JsonValue("tool")}, {"when", JsonValue("x")}})}),
                 kUnknownKey},
        GateCase{"NullMatch", list({matcher("tool", JsonValue(nullptr))}), kMatchKind},
        GateCase{"ListMatch", list({matcher("tool", list({}))}), kMatchKind},
        GateCase{"TextMatch", list({matcher("tool", JsonValue("x"))}), kMatchKind},
        GateCase{"EmptyPath", list({matcher("tool", object({{"", JsonValue("x")}}))}),
                 kEmptyPath},
        GateCase{"Environment",
                 list({matcher("tool", object({{"environment", JsonValue("prod")}}))}),
                 "judge gate field \"environment\" is automatic platform context; gate on "
                 "conversation content"},
        GateCase{"RuntimeGroup",
                 list({matcher("message", object({{"runtime_group", JsonValue("a")}}))}),
                 "judge gate field \"runtime_group\" is automatic platform context; gate on "
                 "conversation content"},
        GateCase{"NestedEnvironmentPasses",
                 list({matcher("tool", object({{"metadata.environment", JsonValue("prod")}}))}),
                 std::nullopt},
        GateCase{"PatternId", list({matcher("tool", object({{"pattern_id", JsonValue("x")}}))}),
                 kPatternId},
        GateCase{"PatternIdLastSegment",
                 list({matcher("tool", object({{"signals.pattern_id", JsonValue("x")}}))}),
                 kPatternId},
        GateCase{"PatternIdEmptySegments",
                 list({matcher("tool", object({{"a..pattern_id", JsonValue("x")}}))}),
                 kPatternId},
        GateCase{"PatternIdFirstSegmentPasses",
                 list({matcher("tool", object({{"pattern_id.name", JsonValue("x")}}))}),
                 std::nullopt},
        GateCase{"PatternIdSuffixPasses",
                 list({matcher("tool", object({{"my_pattern_id", JsonValue("x")}}))}),
                 std::nullopt},
        GateCase{"MembersInByteOrder",
                 list({matcher("tool", object({{"environment", JsonValue("x")},
                                               {"Zed", JsonValue("/x/g")}}))}),
                 "unsupported regex flags in \"/x/g\"; contract 1 supports i, m, s, and u"},
        GateCase{"EntriesInOrder",
                 list({matcher("tool", object({{"a", JsonValue("/x/ii")}})), JsonValue("bad")}),
                 "duplicate regex flag in \"/x/ii\""},
        GateCase{"EarlierEntryPasses",
                 list({matcher("tool", object({{"a", JsonValue("/^ok$/im")}})),
                       matcher("feedback", object({{"b", JsonValue("/x/q")}}))}),
                 "unsupported regex flags in \"/x/q\"; contract 1 supports i, m, s, and u"},
        GateCase{"NonTextValuesPass",
                 list({matcher("tool", object({{"n", JsonValue(std::int64_t{-3})},
                                               {"b", JsonValue(false)},
                                               {"z", JsonValue(nullptr)},
                                               {"o", object({{"x", JsonValue("/(/")}})}}))}),
                 std::nullopt}),
    KELP_CASE_NAMES(p.name));

TEST(JudgeGate, NullBecomesEmptyObject) {
  auto result = validate_judge_definition(valid_definition(), kContext);
  ASSERT_TRUE(result) << result.error();
  EXPECT_TRUE(result->on.is_object());
  EXPECT_TRUE(result->on.as_object().empty());
}

// compile_gate_regex_strict on one match value.
struct PatternCase {
  const char* name;
  JsonValue value;
  std::optional<std::string> error;
};
void PrintTo(const PatternCase& c, std::ostream* os) { *os << c.name; }

class GateRegex : public ::testing::TestWithParam<PatternCase> {};

// The gate's error text, or nullopt when the value passes.
std::optional<std::string> gate_error(const JsonValue& value) {
  auto gate = compile_gate_regex_strict(value);
  if (gate) return std::nullopt;
  return gate.error();
}

TEST_P(GateRegex, Checks) {
  EXPECT_EQ(gate_error(GetParam().value), GetParam().error);
}

std::string unsupported(const char* value) {
  return std::string("unsupported regex flags in \"") + value +
         "\"; contract 1 supports i, m, s, and u";
}

INSTANTIATE_TEST_SUITE_P(
    Values, GateRegex,
    ::testing::Values(
        PatternCase{"Flags", JsonValue("/^ok$/im"), std::nullopt},
        PatternCase{"AllFlags", JsonValue("/a.b/imsu"), std::nullopt},
        PatternCase{"Unsupported", JsonValue("/x/g"), unsupported("/x/g")},
        PatternCase{"Duplicate", JsonValue("/x/ii"), "duplicate regex flag in \"/x/ii\""},
        PatternCase{"UnsupportedBeforeDuplicate", JsonValue("/x/iig"), unsupported("/x/iig")},
        PatternCase{"UnsupportedAfterValid", JsonValue("/x/ig"), unsupported("/x/ig")},
        PatternCase{"UpperCaseFlag", JsonValue("/x/I"), unsupported("/x/I")},
        PatternCase{"SlashInPattern", JsonValue("/a/b/i"), std::nullopt},
        PatternCase{"PatternWithSlashThenBadFlags", JsonValue("/a/b"), unsupported("/a/b")},
        PatternCase{"EmptyPattern", JsonValue("//"), std::nullopt},
        PatternCase{"LoneSlash", JsonValue("/"), std::nullopt},
        PatternCase{"NoClosingSlash", JsonValue("/abc"), std::nullopt},
        PatternCase{"NotStartingWithSlash", JsonValue("abc/"), std::nullopt},
        PatternCase{"LiteralParenthesis", JsonValue("("), std::nullopt},
        PatternCase{"EmptyText", JsonValue(""), std::nullopt},
        PatternCase{"Number", JsonValue(2.5), std::nullopt},
        PatternCase{"Boolean", JsonValue(true), std::nullopt},
        PatternCase{"Null", JsonValue(nullptr), std::nullopt},
        PatternCase{"ObjectUnchecked", object({{"x", JsonValue("/(/")}}), std::nullopt},
        PatternCase{"EmptyList", list({}), std::nullopt},
        PatternCase{"ListFirstFailure", list({JsonValue("/a/"), JsonValue("/x/g"), JsonValue("/y/g")}),
                    unsupported("/x/g")},
        PatternCase{"NestedListsDepthFirst",
                    list({list({JsonValue("/a/"), list({JsonValue("/b/mm")})}), JsonValue("/c/g")}),
                    "duplicate regex flag in \"/b/mm\""},
        PatternCase{"QuotedValue", JsonValue("/a\"\\/\tz"), unsupported("/a\\\"\\\\/\\tz")}),
    KELP_CASE_NAMES(p.name));

TEST(GateRegexCompile, InvalidPatternQuotesValueAndLibraryText) {
  auto compiled = regex::check("(", regex::Flags{});
  ASSERT_FALSE(compiled.has_value());
  const std::string library = regex::error_text(compiled.error());
  EXPECT_EQ(gate_error(JsonValue("/(/")), "invalid regex \"/(/\": " + library);
  EXPECT_EQ(gate_error(list({JsonValue("/a/"), JsonValue("/(/")})),
            "invalid regex \"/(/\": " + library);
}

TEST(GateRegexCompile, FlagsReachTheCompiler) {
  // (?-i) etc. are fine either way; what matters is that flags are only
  // letters of the gate syntax and never part of the pattern.
  EXPECT_EQ(gate_error(JsonValue("/^a$/ms")), std::nullopt);
  EXPECT_EQ(gate_error(JsonValue("/\\p{Greek}+/u")), std::nullopt);
}

TEST(GateRegexCompile, DeeplyNestedListsDoNotExhaustTheStack) {
  JsonValue value("/x/g");
  for (int i = 0; i < 200000; ++i) {
    JsonValue::Array wrapper;
    wrapper.push_back(std::move(value));
    value = JsonValue(std::move(wrapper));
  }
  EXPECT_EQ(gate_error(value), unsupported("/x/g"));
}

}  // namespace
}  // namespace kelp

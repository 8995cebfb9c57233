#include "judges/yaml_read.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "common/case_name.h"
#include "report/error_span.h"
#include "yaml/reader.h"

namespace kelp {
namespace {

JudgeDefinition read_ok(const std::string& text) {
  auto read = read_judge_definition_yaml(text);
  EXPECT_TRUE(read.has_value()) << (read ? "" : read.error());
  return read ? *read : JudgeDefinition{};
}

std::string first_line(const std::string& text) { return text.substr(0, text.find('\n')); }

// The message without its position and excerpt.
std::string message_of(const std::string& text) {
  auto read = read_judge_definition_yaml(text);
  EXPECT_FALSE(read.has_value()) << text;
  if (read) return {};
  std::string line = first_line(read.error());
  return line.substr(0, line.rfind(" at line "));
}

constexpr const char* kMinimal = "judge: j\nllm: {model: m}\ninstructions: grade it\n";

TEST(JudgeYamlRead, MinimalDefinitionGetsEveryDefault) {
  JudgeDefinition d = read_ok(kMinimal);
  EXPECT_EQ(d.judge, "j");
  EXPECT_FALSE(d.description);
  EXPECT_TRUE(d.on.is_null());
  EXPECT_EQ(d.llm.provider, "openai");
  EXPECT_EQ(d.llm.model, "m");
  EXPECT_EQ(d.llm.request.temperature, 0.0);
  EXPECT_FALSE(d.llm.request.max_tokens);
  EXPECT_FALSE(d.llm.request.reasoning_effort);
  EXPECT_EQ(d.llm.transport.timeout_ms, 60000u);
  EXPECT_EQ(d.llm.transport.max_retries, 0u);
  EXPECT_EQ(d.llm.transport.max_retry_delay_ms, 5000u);
  EXPECT_FALSE(d.llm.local);
  EXPECT_EQ(d.instructions, "grade it");
}

TEST(JudgeYamlRead, FullDefinition) {
  JudgeDefinition d = read_ok(
      "judge: ' spaced '\n"
      "description: Checks tone\n"
      "on:\n  - event: message\n    match: {role: /^user$/i}\n"
      "llm:\n"
      "  provider: ' openai '\n"
      "  model: gpt\n"
      "  request: {temperature: 0.5, max_tokens: 100, reasoning_effort: low}\n"
      "  transport: {timeout_ms: 1000, max_retries: 2, max_retry_delay_ms: 10}\n"
      "  local: {base_url: 'http://localhost:8080', api_key_env: KEY}\n"
      "instructions: |\n  Be fair.\n");
  EXPECT_EQ(d.judge, " spaced ");
  EXPECT_EQ(d.description, "Checks tone");
  ASSERT_TRUE(d.on.is_array());
  EXPECT_EQ(d.on.as_array()[0].get("event")->as_string(), "message");
  EXPECT_EQ(d.llm.provider, " openai ");
  EXPECT_EQ(d.llm.request.temperature, 0.5);
  EXPECT_EQ(d.llm.request.max_tokens, 100u);
  EXPECT_EQ(d.llm.request.reasoning_effort, "low");
  EXPECT_EQ(d.llm.transport.timeout_ms, 1000u);
  EXPECT_EQ(d.llm.transport.max_retries, 2u);
  EXPECT_EQ(d.llm.transport.max_retry_delay_ms, 10u);
  ASSERT_TRUE(d.llm.local);
  EXPECT_EQ(d.llm.local->base_url, "http://localhost:8080");
  EXPECT_EQ(d.llm.local->api_key_env, "KEY");
  EXPECT_EQ(d.instructions, "Be fair.\n");
}

TEST(JudgeYamlRead, NullLikeRecordsAndOptionalFields) {
  std::string base = "judge: j\nllm:\n  model: m\n";
  JudgeDefinition d = read_ok(base + "  request: null\n  transport: ~\n  local:\n");
  EXPECT_EQ(d.llm.request.temperature, 0.0);
  EXPECT_FALSE(d.llm.request.max_tokens);
  EXPECT_EQ(d.llm.transport.timeout_ms, 60000u);
  EXPECT_FALSE(d.llm.local);
  d = read_ok(base + "  request: {max_tokens: ~, reasoning_effort: NULL}\n");
  EXPECT_FALSE(d.llm.request.max_tokens);
  EXPECT_FALSE(d.llm.request.reasoning_effort);
  d = read_ok("judge: j\nllm: {model: m}\ndescription: null\ninstructions:\n");
  EXPECT_FALSE(d.description);
  EXPECT_FALSE(d.instructions);
  // Quoted, a null is text.
  d = read_ok("judge: 'null'\nllm: {model: \"\"}\ndescription: '~'\n");
  EXPECT_EQ(d.judge, "null");
  EXPECT_EQ(d.llm.model, "");
  EXPECT_EQ(d.description, "~");
}

TEST(JudgeYamlRead, TransportFieldsDefaultOneByOne) {
  JudgeDefinition d = read_ok("judge: j\nllm: {model: m, transport: {max_retries: 3}}\n");
  EXPECT_EQ(d.llm.transport.timeout_ms, 60000u);
  EXPECT_EQ(d.llm.transport.max_retries, 3u);
  EXPECT_EQ(d.llm.transport.max_retry_delay_ms, 5000u);
}

TEST(JudgeYamlRead, GateIsReadAsAGenericValue) {
  EXPECT_TRUE(read_ok("judge: j\nllm: {model: m}\non:\n").on.is_null());
  EXPECT_TRUE(read_ok("judge: j\nllm: {model: m}\non: []\n").on.is_array());
  JsonValue on = read_ok("judge: j\nllm: {model: m}\non: {}\n").on;
  EXPECT_TRUE(on.is_object());
  EXPECT_TRUE(on.as_object().empty());
  on = read_ok("judge: j\nllm: {model: m}\non: [{event: tool, match: {n: 5, b: yes}}]\n").on;
  EXPECT_EQ(on.as_array()[0].get("match")->get("n")->as_u64(), 5u);
  EXPECT_EQ(*on.as_array()[0].get("match")->get("b"), JsonValue(true));
}

TEST(JudgeYamlRead, TextFieldsTakePlainScalarsAsWritten) {
  JudgeDefinition d = read_ok("judge: true\nllm: {model: 123, provider: 1.50}\n");
  EXPECT_EQ(d.judge, "true");
  EXPECT_EQ(d.llm.model, "123");
  EXPECT_EQ(d.llm.provider, "1.50");
  EXPECT_EQ(read_ok("judge: !!str 5\nllm: {model: ! m}\n").judge, "5");
}

TEST(JudgeYamlRead, NumbersParsePlainOrQuotedAlike) {
  JudgeDefinition d = read_ok(
      "judge: j\nllm:\n  model: m\n  request: {temperature: '1.5', max_tokens: \"7\"}\n"
      "  transport: {timeout_ms: +10}\n");
  EXPECT_EQ(d.llm.request.temperature, 1.5);
  EXPECT_EQ(d.llm.request.max_tokens, 7u);
  EXPECT_EQ(d.llm.transport.timeout_ms, 10u);
  // An integer reads as a float; the infinities and NaN are left to validation.
  EXPECT_EQ(read_ok("judge: j\nllm: {model: m, request: {temperature: 2}}\n").llm.request.temperature, 2.0);
  EXPECT_TRUE(std::isinf(
      read_ok("judge: j\nllm: {model: m, request: {temperature: .inf}}\n").llm.request.temperature));
  EXPECT_TRUE(std::isnan(
      read_ok("judge: j\nllm: {model: m, request: {temperature: .nan}}\n").llm.request.temperature));
}

struct ErrorCase {
  const char* text;
  const char* message;
};

class JudgeYamlReadErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(JudgeYamlReadErrors, ReportTheYamlLayersText) {
  EXPECT_EQ(message_of(GetParam().text), GetParam().message) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Fields, JudgeYamlReadErrors,
    ::testing::Values(
        ErrorCase{"Judge: x\n",
                  "unknown field `Judge`, expected one of judge, description, on, llm, instructions"},
        ErrorCase{"judge: j\nllm: {model_name: m}\n",
                  "unknown field `model_name`, expected one of provider, model, request, transport, local"},
        ErrorCase{"judge: j\nllm: {model: m, request: {top_p: 1}}\n",
                  "unknown field `top_p`, expected one of temperature, max_tokens, reasoning_effort"},
        ErrorCase{"judge: j\nllm: {model: m, transport: {retries: 1}}\n",
                  "unknown field `retries`, expected one of timeout_ms, max_retries, max_retry_delay_ms"},
        ErrorCase{"judge: j\nllm: {model: m, local: {url: x}}\n",
                  "unknown field `url`, expected one of base_url, api_key_env"},
        // An unknown key is reported even though required fields are missing.
        ErrorCase{"extra: 1\n",
                  "unknown field `extra`, expected one of judge, description, on, llm, instructions"},
        ErrorCase{"", "missing field `judge`"}, ErrorCase{"# nothing\n", "missing field `judge`"},
        ErrorCase{"~\n", "missing field `judge`"},
        ErrorCase{"llm: {model: m}\n", "missing field `judge`"},
        ErrorCase{"judge: j\n", "missing field `llm`"},
        ErrorCase{"judge: j\nllm:\n", "missing field `model`"},
        ErrorCase{"judge: j\nllm: null\n", "missing field `model`"},
        ErrorCase{"judge: j\nllm: {model: m, local: {base_url: x}}\n", "missing field `api_key_env`"},
        ErrorCase{"judge: j\nllm: {model: m, local: {}}\n", "missing field `base_url`"},
        // The YAML layer refuses the repeated key before the record sees it.
        ErrorCase{"judge: a\njudge: b\n", "duplicate key `judge` in mapping"}),
    KELP_CASE_NAMES(p.message));

INSTANTIATE_TEST_SUITE_P(
    Kinds, JudgeYamlReadErrors,
    ::testing::Values(
        ErrorCase{"judge: null\nllm: {model: m}\n", "invalid type: null, expected a string"},
        ErrorCase{"judge:\nllm: {model: m}\n", "invalid type: null, expected a string"},
        ErrorCase{"judge: j\nllm: {model: ~}\n", "invalid type: null, expected a string"},
        ErrorCase{"judge: !!int 5\n", "cannot deserialize tagged scalar into string"},
        ErrorCase{"judge: j\ndescription: !custom x\n", "cannot deserialize tagged scalar into string"},
        ErrorCase{"judge: [a]\n", "expected string scalar, found sequence start"},
        ErrorCase{"judge: {a: b}\n", "expected string scalar, found mapping start"},
        ErrorCase{"[1, 2]\n", "expected mapping start, found sequence start"},
        ErrorCase{"just text\n", "expected mapping start, found scalar"},
        ErrorCase{"judge: j\nllm: gpt\n", "expected mapping start, found scalar"},
        ErrorCase{"judge: j\nllm: {model: m, request: []}\n",
                  "expected mapping start, found sequence start"},
        ErrorCase{"judge: j\nllm: {model: m, local: 5}\n", "expected mapping start, found scalar"},
        ErrorCase{"judge: j\nllm: !!map {model: m, transport: !foo {}}\n", "unsupported tag `!foo`"},
        ErrorCase{"judge: j\non: !foo x\nllm: {model: m}\n", "unsupported tag `!foo`"}),
    KELP_CASE_NAMES(p.message));

INSTANTIATE_TEST_SUITE_P(
    Numbers, JudgeYamlReadErrors,
    ::testing::Values(
        ErrorCase{"judge: j\nllm: {model: m, transport: {timeout_ms: -5}}\n",
                  "invalid value: integer `-5`, expected u64"},
        ErrorCase{"judge: j\nllm: {model: m, transport: {timeout_ms: 18446744073709551616}}\n",
                  "invalid value: integer `18446744073709551616`, expected u64"},
        ErrorCase{"judge: j\nllm: {model: m, transport: {max_retries: 1.5}}\n",
                  "invalid type: floating point `1.5`, expected u64"},
        ErrorCase{"judge: j\nllm: {model: m, transport: {max_retries: yes}}\n",
                  "invalid type: boolean `true`, expected u64"},
        ErrorCase{"judge: j\nllm: {model: m, transport: {max_retries: }}\n",
                  "invalid type: null, expected u64"},
        ErrorCase{"judge: j\nllm: {model: m, transport: {max_retries: 0x10}}\n",
                  "invalid type: string \"0x10\", expected u64"},
        ErrorCase{"judge: j\nllm: {model: m, transport: {max_retries: 'true'}}\n",
                  "invalid type: string \"true\", expected u64"},
        ErrorCase{"judge: j\nllm: {model: m, transport: {max_retries: [1]}}\n",
                  "invalid type: sequence, expected u64"},
        ErrorCase{"judge: j\nllm: {model: m, request: {max_tokens: -1}}\n",
                  "invalid value: integer `-1`, expected u64"},
        ErrorCase{"judge: j\nllm: {model: m, request: {temperature: warm}}\n",
                  "invalid type: string \"warm\", expected f64"},
        ErrorCase{"judge: j\nllm: {model: m, request: {temperature: {}}}\n",
                  "invalid type: mapping, expected f64"},
        ErrorCase{"judge: j\nllm: {model: m, request: {temperature: null}}\n",
                  "invalid type: null, expected f64"},
        ErrorCase{"judge: j\nllm: {model: m, request: {temperature: !!bool true}}\n",
                  "cannot deserialize tagged scalar into f64"}),
    KELP_CASE_NAMES(p.message));

TEST(JudgeYamlRead, ErrorsCarryTheOffendingNodesPosition) {
  auto read = read_judge_definition_yaml(
      "judge: j\nllm:\n  model: m\n  request:\n    temperature: 0.1\n    top_k: 3\n");
  ASSERT_FALSE(read);
  EXPECT_EQ(read.error(),
            "unknown field `top_k`, expected one of temperature, max_tokens, reasoning_effort at "
            "line 6, column 5\n"
            " 6 |     top_k: 3\n"
            "   |     ^");
  EXPECT_EQ(span_from_error_text(read.error()), (Span{6, 5}));
  // Missing fields point at the mapping that lacks them.
  EXPECT_EQ(first_line(read_judge_definition_yaml("judge: j\nllm:\n  provider: p\n").error()),
            "missing field `model` at line 3, column 3");
}

// ---- texts taken from the source -----------------------------------------------

std::string error_of(const std::string& text) {
  auto read = read_judge_definition_yaml(text);
  EXPECT_FALSE(read.has_value()) << text;
  return read ? std::string() : read.error();
}

bool starts_with(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

struct WrittenKeyCase {
  const char* name;
  std::string text;
  std::string key;
  const char* fields;
};

class UnknownFieldKeys : public ::testing::TestWithParam<WrittenKeyCase> {};

TEST_P(UnknownFieldKeys, StandAsWritten) {
  const WrittenKeyCase& c = GetParam();
  std::string error = error_of(c.text);
  EXPECT_TRUE(starts_with(error, "unknown field `" + c.key + "`, expected one of " + c.fields +
                                     " at line "))
      << error;
}

const std::string kLongKey = std::string(100, 'k') + "line" + std::string(100, 'y');

INSTANTIATE_TEST_SUITE_P(
    Fields, UnknownFieldKeys,
    ::testing::Values(
        WrittenKeyCase{"TopLevelWord", "baseline: 1\n", "baseline",
                       "judge, description, on, llm, instructions"},
        WrittenKeyCase{"TopLevelPosition", "judge: j\n'line 9, column 9': 1\n", "line 9, column 9",
                       "judge, description, on, llm, instructions"},
        WrittenKeyCase{"TopLevelLong", kLongKey + ": 1\n", kLongKey,
                       "judge, description, on, llm, instructions"},
        WrittenKeyCase{"TopLevelTabAndLineFeed", "\"a\\tb\\nc\": 1\n", "a\tb\nc",
                       "judge, description, on, llm, instructions"},
        WrittenKeyCase{"TopLevelControls", "\"\\x01\\u2028\\u202e\": 1\n", "\x01\xE2\x80\xA8\xE2\x80\xAE",
                       "judge, description, on, llm, instructions"},
        WrittenKeyCase{"Llm", "judge: j\nllm: {model: m, pipeline: 1}\n", "pipeline",
                       "provider, model, request, transport, local"},
        WrittenKeyCase{"LlmLong", "judge: j\nllm: {model: m, " + kLongKey + ": 1}\n", kLongKey,
                       "provider, model, request, transport, local"},
        WrittenKeyCase{"Request", "judge: j\nllm: {model: m, request: {'inline\\t': 1}}\n", "inline\\t",
                       "temperature, max_tokens, reasoning_effort"},
        WrittenKeyCase{"RequestLineFeed", "judge: j\nllm: {model: m, request: {\"x\\ny\": 1}}\n", "x\ny",
                       "temperature, max_tokens, reasoning_effort"},
        WrittenKeyCase{"Transport", "judge: j\nllm: {model: m, transport: {deadline: 1}}\n", "deadline",
                       "timeout_ms, max_retries, max_retry_delay_ms"},
        WrittenKeyCase{"Local", "judge: j\nllm: {model: m, local: {\"online\\r\": x}}\n", "online\r",
                       "base_url, api_key_env"}),
    KELP_CASE_NAMES(p.name));

struct ShownValueCase {
  const char* name;
  std::string text;
  std::string message;
};

class ShownValues : public ::testing::TestWithParam<ShownValueCase> {};

TEST_P(ShownValues, AreQuotedOrStandAsWritten) {
  std::string error = error_of(GetParam().text);
  EXPECT_TRUE(starts_with(error, GetParam().message + " at line ")) << error;
}

const std::string kLongDigits(200, '7');

INSTANTIATE_TEST_SUITE_P(
    Numbers, ShownValues,
    ::testing::Values(
        // Texts are quoted: quotation marks, backslashes and controls escaped,
        // nothing cut or rewritten.
        ShownValueCase{"StringWithEscapes",
                       "judge: j\nllm: {model: m, transport: {max_retries: \"a\\\"b\\\\c\\td\\n\"}}\n",
                       "invalid type: string \"a\\\"b\\\\c\\td\\n\", expected u64"},
        ShownValueCase{"StringHoldingLine",
                       "judge: j\nllm: {model: m, request: {temperature: baseline}}\n",
                       "invalid type: string \"baseline\", expected f64"},
        ShownValueCase{"LongString",
                       "judge: j\nllm: {model: m, request: {temperature: '" + kLongKey + "'}}\n",
                       "invalid type: string \"" + kLongKey + "\", expected f64"},
        // Number texts stand whole.
        ShownValueCase{"LongNegativeInteger",
                       "judge: j\nllm: {model: m, transport: {timeout_ms: -" + kLongDigits + "}}\n",
                       "invalid value: integer `-" + kLongDigits + "`, expected u64"},
        ShownValueCase{"LongFloat",
                       "judge: j\nllm: {model: m, transport: {timeout_ms: 0." + kLongDigits + "}}\n",
                       "invalid type: floating point `0." + kLongDigits + "`, expected u64"}),
    KELP_CASE_NAMES(p.name));

TEST(JudgeYamlRead, AnUnknownKeyKeepsTheErrorPositionAfterIt) {
  // The strict road's text carries the key first and the position after it.
  EXPECT_EQ(error_of("judge: j\nbaseline: 1\n"),
            "unknown field `baseline`, expected one of judge, description, on, llm, instructions at "
            "line 2, column 1\n"
            " 2 | baseline: 1\n"
            "   | ^");
}

TEST(JudgeYamlRead, TheRecordIsReadBeforeASecondDocumentIsRefused) {
  EXPECT_EQ(message_of("judge: j\nbad: 1\n---\nx: 1\n"),
            "unknown field `bad`, expected one of judge, description, on, llm, instructions");
  EXPECT_EQ(message_of(std::string(kMinimal) + "---\nx: 1\n"), "more than one document in the YAML text");
}

TEST(JudgeYamlRead, MergeKeysAndAliasesFeedTheRecords) {
  // `on` is a generic value, so it can hold the shared mapping.
  std::string shared = "judge: j\non: &cfg {provider: p, model: base}\n";
  JudgeDefinition d = read_ok(shared + "llm:\n  <<: *cfg\n  model: special\n");
  EXPECT_EQ(d.llm.provider, "p");
  EXPECT_EQ(d.llm.model, "special");
  EXPECT_TRUE(d.on.is_object());
  d = read_ok(shared + "llm: *cfg\n");
  EXPECT_EQ(d.llm.model, "base");
  EXPECT_EQ(message_of("judge: j\non: &cfg {provider: p, modle: x}\nllm: *cfg\n"),
            "unknown field `modle`, expected one of provider, model, request, transport, local");
}

TEST(JudgeYamlRead, ARepeatedFieldInAComposedTreeIsRefused) {
  // Composition refuses repeated keys itself; the record read still guards
  // against a tree that holds one.
  yaml::NodeTree tree;
  yaml::NodeId map = tree.add_collection(yaml::NodeKind::Mapping, 0, "");
  yaml::NodeId k1 = tree.add_scalar(0, "judge", yaml::ScalarStyle::Plain, "");
  yaml::NodeId v1 = tree.add_scalar(7, "a", yaml::ScalarStyle::Plain, "");
  yaml::NodeId k2 = tree.add_scalar(9, "judge", yaml::ScalarStyle::Plain, "");
  yaml::NodeId v2 = tree.add_scalar(16, "b", yaml::ScalarStyle::Plain, "");
  std::vector<yaml::NodeId> items{k1, v1, k2, v2};
  tree.set_items(map, items);
  tree.set_root(map);
  auto read = deserialize_judge_definition(tree, tree.root());
  ASSERT_FALSE(read);
  EXPECT_EQ(read.error().message, "duplicate field `judge`");
  EXPECT_EQ(read.error().offset, 9u);
}

}  // namespace
}  // namespace kelp

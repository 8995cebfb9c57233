#include "judges/json_form.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>

#include "common/case_name.h"
#include "judges/validate.h"

namespace kelp {
namespace {

JudgeDefinition minimal_definition() {
  JudgeDefinition d;
  d.judge = "tone";
  d.llm.model = "gpt-x";
  d.instructions = "Grade the tone.";
  return d;
}

std::string definition_json(const JudgeDefinition& d) {
  std::string out;
  write_judge_definition_json(out, d);
  return out;
}

std::string request_json(const JudgeLlmRequest& r) {
  std::string out;
  write_judge_llm_request_json(out, r);
  return out;
}

TEST(JudgeJsonForm, ValidatedMinimalDefinitionHasEmptyGateAndFullDefaults) {
  auto valid = validate_judge_definition(minimal_definition(), "judge YAML t.yaml");
  ASSERT_TRUE(valid) << valid.error();
  EXPECT_EQ(definition_json(*valid),
            R"({"judge":"tone","on":{},"llm":{"provider":"openai","model":"gpt-x",)"
            R"("request":{"temperature":0.0},)"
            R"("transport":{"timeout_ms":60000,"max_retries":0,"max_retry_delay_ms":5000}},)"
            R"("instructions":"Grade the tone."})");
}

TEST(JudgeJsonForm, EveryOptionalMemberInDeclarationOrder) {
  JudgeDefinition d = minimal_definition();
  d.description = "About tone";
  d.on = JsonValue(JsonValue::Array{});
  d.llm.provider = " openai ";
  d.llm.request.temperature = 0.7;
  d.llm.request.max_tokens = 512;
  d.llm.request.reasoning_effort = "high";
  d.llm.transport = {1000, 3, 2000};
  d.llm.local = JudgeLlmLocal{"http://localhost:8080/v1", "LOCAL_KEY"};
  ParsedJudge parsed{"judges/tone.yaml", d};
  std::string out;
  write_parsed_judge_json(out, parsed);
  EXPECT_EQ(out,
            R"({"source_path":"judges/tone.yaml","definition":{"judge":"tone",)"
            R"("description":"About tone","on":[],"llm":{"provider":" openai ","model":"gpt-x",)"
            R"("request":{"temperature":0.7,"max_tokens":512,"reasoning_effort":"high"},)"
            R"("transport":{"timeout_ms":1000,"max_retries":3,"max_retry_delay_ms":2000},)"
            R"("local":{"base_url":"http://localhost:8080/v1","api_key_env":"LOCAL_KEY"}},)"
            R"("instructions":"Grade the tone."}})");
}

TEST(JudgeJsonForm, AbsentOptionalsWriteNoMemberButEmptyTextDoes) {
  JudgeDefinition d = minimal_definition();
  d.on = JsonValue(JsonValue::Object{});
  d.instructions.reset();
  std::string out = definition_json(d);
  EXPECT_EQ(out.find("description"), std::string::npos);
  EXPECT_EQ(out.find("instructions"), std::string::npos);
  EXPECT_EQ(out.find("local"), std::string::npos);
  EXPECT_EQ(out.find("null"), std::string::npos);

  d.description = "";
  EXPECT_NE(definition_json(d).find(R"("judge":"tone","description":"","on":{})"),
            std::string::npos);
}

TEST(JudgeJsonForm, GateIsWrittenAsHeldWithMembersInKeyOrder) {
  JudgeDefinition d = minimal_definition();
  JsonValue::Object match;
  match.emplace("tool.name", JsonValue("/^search$/i"));
  match.emplace("args.count", JsonValue(std::uint64_t{3}));
  match.emplace("score", JsonValue(-1.5));
  match.emplace("delta", JsonValue(std::int64_t{-2}));
  JsonValue::Object matcher;
  matcher.emplace("match", JsonValue(std::move(match)));
  matcher.emplace("event", JsonValue("tool"));
  d.on = JsonValue(JsonValue::Array{JsonValue(std::move(matcher)), JsonValue(nullptr),
                                    JsonValue(true)});
  EXPECT_NE(definition_json(d).find(
                R"("on":[{"event":"tool","match":{"args.count":3,"delta":-2,"score":-1.5,)"
                R"("tool.name":"/^search$/i"}},null,true],"llm")"),
            std::string::npos);
}

struct TemperatureCase {
  double value;
  const char* text;
};
void PrintTo(const TemperatureCase& c, std::ostream* os) { *os << c.text; }

class JudgeTemperatureForm : public ::testing::TestWithParam<TemperatureCase> {};

TEST_P(JudgeTemperatureForm, ShortestDigitsWithFractionalPart) {
  JudgeLlmRequest r;
  r.temperature = GetParam().value;
  EXPECT_EQ(request_json(r), std::string(R"({"temperature":)") + GetParam().text + "}");
}

INSTANTIATE_TEST_SUITE_P(
    Values, JudgeTemperatureForm,
    ::testing::Values(TemperatureCase{0.0, "0.0"}, TemperatureCase{-0.0, "-0.0"},
                      TemperatureCase{2.0, "2.0"}, TemperatureCase{1.0, "1.0"},
                      TemperatureCase{0.1, "0.1"}, TemperatureCase{0.7, "0.7"},
                      TemperatureCase{1.25, "1.25"}, TemperatureCase{1.9999999999999998,
                                                                      "1.9999999999999998"},
                      TemperatureCase{std::numeric_limits<double>::quiet_NaN(), "null"},
                      TemperatureCase{std::numeric_limits<double>::infinity(), "null"},
                      TemperatureCase{-std::numeric_limits<double>::infinity(), "null"}),
    KELP_CASE_NAMES(p.text));

struct EscapeCase {
  const char* name;
  const char* json;
};
void PrintTo(const EscapeCase& c, std::ostream* os) { *os << c.json; }

class JudgeNameEscaping : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(JudgeNameEscaping, NameIsEscapedLikeEveryJsonString) {
  JudgeDefinition d = minimal_definition();
  d.judge = GetParam().name;
  std::string out = definition_json(d);
  EXPECT_EQ(out.rfind(std::string(R"({"judge":)") + GetParam().json + ",", 0), 0u) << out;
}

INSTANTIATE_TEST_SUITE_P(
    Names, JudgeNameEscaping,
    ::testing::Values(EscapeCase{"say \"hi\"", R"("say \"hi\"")"},
                      EscapeCase{"a\\b", R"("a\\b")"}, EscapeCase{"tab\there", R"("tab\there")"},
                      EscapeCase{"\b\f\n\r", R"("\b\f\n\r")"},
                      EscapeCase{"ctl\x01\x1f", R"("ctl\u0001\u001f")"},
                      EscapeCase{"del\x7f", "\"del\x7f\""}, EscapeCase{"a/b", R"("a/b")"},
                      EscapeCase{"\xe8\xa9\x95\xe4\xbe\xa1", "\"\xe8\xa9\x95\xe4\xbe\xa1\""},
                      EscapeCase{"\xf0\x9f\x90\x99", "\"\xf0\x9f\x90\x99\""}),
    KELP_CASE_NAMES(p.json));

TEST(JudgeJsonForm, WritersAppendToTheBuffer) {
  std::string out = "[";
  write_judge_llm_transport_json(out, JudgeLlmTransport{});
  out += ",";
  write_judge_llm_local_json(out, JudgeLlmLocal{"https://h", "K"});
  EXPECT_EQ(out,
            R"([{"timeout_ms":60000,"max_retries":0,"max_retry_delay_ms":5000},)"
            R"({"base_url":"https://h","api_key_env":"K"})");
}

TEST(JudgeValueForm, DefaultRequestHasOnlyTemperature) {
  JsonValue v = judge_llm_request_to_value(JudgeLlmRequest{});
  ASSERT_TRUE(v.is_object());
  ASSERT_EQ(v.as_object().size(), 1u);
  const JsonValue* t = v.get("temperature");
  ASSERT_NE(t, nullptr);
  ASSERT_TRUE(t->is_f64());
  EXPECT_EQ(t->as_f64(), 0.0);
}

TEST(JudgeValueForm, FullRequestInKeyOrderAndNonFiniteAsNull) {
  JudgeLlmRequest r;
  r.temperature = std::numeric_limits<double>::quiet_NaN();
  r.max_tokens = 7;
  r.reasoning_effort = "low";
  JsonValue v = judge_llm_request_to_value(r);
  std::vector<std::string> keys;
  for (const auto& [key, value] : v.as_object()) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"max_tokens", "reasoning_effort", "temperature"}));
  EXPECT_TRUE(v.get("temperature")->is_null());
  EXPECT_TRUE(v.get("max_tokens")->is_u64());
  EXPECT_EQ(v.get("max_tokens")->as_u64(), 7u);
  EXPECT_EQ(v.get("reasoning_effort")->as_string(), "low");
}

TEST(JudgeValueForm, TransportHasThreeUnsignedMembers) {
  JsonValue v = judge_llm_transport_to_value(JudgeLlmTransport{});
  ASSERT_EQ(v.as_object().size(), 3u);
  auto it = v.as_object().begin();
  EXPECT_EQ(it->first, "max_retries");
  EXPECT_EQ(it->second, JsonValue(std::uint64_t{0}));
  ++it;
  EXPECT_EQ(it->first, "max_retry_delay_ms");
  EXPECT_EQ(it->second, JsonValue(std::uint64_t{5000}));
  ++it;
  EXPECT_EQ(it->first, "timeout_ms");
  EXPECT_EQ(it->second, JsonValue(std::uint64_t{60000}));
}

}  // namespace
}  // namespace kelp

#include "judges/schema.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace kelp {
namespace {

// FNV-1a of the whole document: pins every byte without restating it here.
std::uint64_t fnv1a(std::string_view text) {
  std::uint64_t h = 0xcbf29ce484222325u;
  for (unsigned char c : text) {
    h ^= c;
    h *= 0x100000001b3u;
  }
  return h;
}

std::vector<std::string> keys_of(const JsonValue& value) {
  std::vector<std::string> keys;
  for (const auto& [key, member] : value.as_object()) keys.push_back(key);
  return keys;
}

const JsonValue& at(const JsonValue& value, std::initializer_list<const char*> path) {
  const JsonValue* node = &value;
  for (const char* key : path) {
    node = node->get(key);
    if (node == nullptr) {
      ADD_FAILURE() << "missing member " << key;
      static const JsonValue null_value;
      return null_value;
    }
  }
  return *node;
}

TEST(JudgeSchema, TextIsExactAndStable) {
  std::string first = judge_definition_schema();
  EXPECT_EQ(fnv1a(first), 0xfc7b322a4cae7cacu);
  EXPECT_EQ(first.size(), 6198u);
  EXPECT_EQ(std::count(first.begin(), first.end(), '\n') + 1, 226);
  EXPECT_EQ(first.rfind("{\n  \"$defs\": {\n    \"JudgeLlmConfig\": {\n", 0), 0u);
  EXPECT_EQ(first.back(), '}');
  EXPECT_EQ(judge_definition_schema(), first);
}

TEST(JudgeSchema, MemberOrders) {
  JsonValue root = judge_definition_root_schema();
  EXPECT_EQ(keys_of(root),
            (std::vector<std::string>{"$defs", "$schema", "additionalProperties", "description",
                                      "properties", "required", "title", "type"}));
  EXPECT_EQ(keys_of(at(root, {"$defs"})),
            (std::vector<std::string>{"JudgeLlmConfig", "JudgeLlmLocal", "JudgeLlmRequest",
                                      "JudgeLlmTransport"}));
  EXPECT_EQ(keys_of(at(root, {"properties"})),
            (std::vector<std::string>{"description", "instructions", "judge", "llm", "on"}));
  EXPECT_EQ(keys_of(at(root, {"properties", "on"})),
            (std::vector<std::string>{"anyOf", "default", "description"}));
  EXPECT_EQ(keys_of(at(root, {"$defs", "JudgeLlmTransport", "properties"})),
            (std::vector<std::string>{"max_retries", "max_retry_delay_ms", "timeout_ms"}));
  EXPECT_EQ(keys_of(at(root, {"$defs", "JudgeLlmRequest", "properties", "temperature"})),
            (std::vector<std::string>{"default", "description", "format", "maximum", "minimum",
                                      "type"}));
  EXPECT_EQ(keys_of(at(root, {"$defs", "JudgeLlmConfig", "properties", "model"})),
            (std::vector<std::string>{"description", "maxLength", "minLength", "pattern", "type"}));
}

TEST(JudgeSchema, RequiredLists) {
  JsonValue root = judge_definition_root_schema();
  auto strings = [](const JsonValue& array) {
    std::vector<std::string> out;
    for (const JsonValue& v : array.as_array()) out.push_back(v.as_string());
    return out;
  };
  EXPECT_EQ(strings(at(root, {"required"})),
            (std::vector<std::string>{"judge", "llm", "instructions"}));
  EXPECT_EQ(strings(at(root, {"$defs", "JudgeLlmConfig", "required"})),
            (std::vector<std::string>{"model"}));
  EXPECT_EQ(strings(at(root, {"$defs", "JudgeLlmLocal", "required"})),
            (std::vector<std::string>{"base_url", "api_key_env"}));
  EXPECT_EQ(at(root, {"$defs", "JudgeLlmRequest"}).get("required"), nullptr);
  EXPECT_EQ(at(root, {"$defs", "JudgeLlmTransport"}).get("required"), nullptr);
  // The record alone leaves instructions optional; only the root requires it.
  EXPECT_EQ(strings(at(judge_definition_json_schema(), {"required"})),
            (std::vector<std::string>{"judge", "llm"}));
}

TEST(JudgeSchema, FloatsOnlyForTemperature) {
  JsonValue root = judge_definition_root_schema();
  const JsonValue& temperature = at(root, {"$defs", "JudgeLlmRequest", "properties", "temperature"});
  for (const char* key : {"default", "minimum", "maximum"})
    EXPECT_TRUE(at(temperature, {key}).is_f64()) << key;
  const JsonValue& request_default = at(root, {"$defs", "JudgeLlmConfig", "properties", "request", "default"});
  ASSERT_EQ(request_default.as_object().size(), 1u);
  EXPECT_TRUE(at(request_default, {"temperature"}).is_f64());
  const JsonValue& max_tokens = at(root, {"$defs", "JudgeLlmRequest", "properties", "max_tokens"});
  EXPECT_EQ(at(max_tokens, {"minimum"}), JsonValue(std::uint64_t{1}));
  EXPECT_EQ(at(max_tokens, {"maximum"}), JsonValue(std::uint64_t{131072}));
  for (const char* key : {"max_retries", "max_retry_delay_ms", "timeout_ms"})
    EXPECT_TRUE(at(root, {"$defs", "JudgeLlmConfig", "properties", "transport", "default", key}).is_u64())
        << key;
}

TEST(JudgeSchema, Fragments) {
  std::string text = judge_definition_schema();
  for (const char* fragment : {
           "  \"$schema\": \"https://json-schema.org/draft/2020-12/schema\",\n",
           "      \"pattern\": \"\\\\S\",\n",
           "          \"default\": 0.0,\n",
           "          \"maximum\": 2.0,\n          \"minimum\": 0.0,\n",
           "          \"maximum\": 131072,\n          \"minimum\": 1,\n",
           "\"pattern\": \"^\\\\S([\\\\s\\\\S]*\\\\S)?$\"",
           "\"pattern\": \"(?:^|\\\\.)pattern_id$\"",
           "with no\\nsurrounding whitespace.\"",
           "No credentials,\\nquery, or fragment.\"",
           "a list of\\n`{ event, match? }` matchers where `event` is one of\\n`message`",
           "      \"default\": null,\n",
           "  \"title\": \"JudgeDefinition\",\n  \"type\": \"object\"\n}",
       })
    EXPECT_NE(text.find(fragment), std::string::npos) << fragment;
}

}  // namespace
}  // namespace kelp

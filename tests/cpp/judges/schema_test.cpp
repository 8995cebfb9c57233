#include "judges/schema.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace kelp {
namespace {

// The document as it must be written, byte for byte.
constexpr std::string_view kExpected = R"json({
  "$defs": {
    "JudgeLlmConfig": {
      "additionalProperties": false,
      "properties": {
        "local": {
          "anyOf": [
            {
              "$ref": "#/$defs/JudgeLlmLocal"
            },
            {
              "type": "null"
            }
          ],
          "description": "Optional OpenAI-compatible local/self-hosted endpoint."
        },
        "model": {
          "description": "Model name. Required and non-empty (at most 255 bytes), with no\nsurrounding whitespace.",
          "maxLength": 255,
          "minLength": 1,
          "pattern": "^\\S([\\s\\S]*\\S)?$",
          "type": "string"
        },
        "provider": {
          "default": "openai",
          "description": "Provider slug (lowercase ASCII, digits, and `-`). Defaults to `openai`.",
          "pattern": "^[a-z0-9-]{1,64}$",
          "type": "string"
        },
        "request": {
          "$ref": "#/$defs/JudgeLlmRequest",
          "default": {
            "temperature": 0.0
          }
        },
        "transport": {
          "$ref": "#/$defs/JudgeLlmTransport",
          "default": {
            "max_retries": 0,
            "max_retry_delay_ms": 5000,
            "timeout_ms": 60000
          }
        }
      },
      "required": [
        "model"
      ],
      "type": "object"
    },
    "JudgeLlmLocal": {
      "additionalProperties": false,
      "properties": {
        "api_key_env": {
          "description": "Environment variable naming the API key (identifier characters only).",
          "pattern": "^[A-Za-z_][A-Za-z0-9_]*$",
          "type": "string"
        },
        "base_url": {
          "description": "HTTP(S) base URL; HTTPS required outside loopback. No credentials,\nquery, or fragment.",
          "pattern": "^https?://\\S+$",
          "type": "string"
        }
      },
      "required": [
        "base_url",
        "api_key_env"
      ],
      "type": "object"
    },
    "JudgeLlmRequest": {
      "additionalProperties": false,
      "properties": {
        "max_tokens": {
          "description": "Maximum output tokens (1..=131072).",
          "format": "uint64",
          "maximum": 131072,
          "minimum": 1,
          "type": [
            "integer",
            "null"
          ]
        },
        "reasoning_effort": {
          "description": "Reasoning effort hint (lowercase ASCII and `-`).",
          "pattern": "^[a-z-]{1,64}$",
          "type": [
            "string",
            "null"
          ]
        },
        "temperature": {
          "default": 0.0,
          "description": "Sampling temperature between 0 and 2. Defaults to 0.",
          "format": "double",
          "maximum": 2.0,
          "minimum": 0.0,
          "type": "number"
        }
      },
      "type": "object"
    },
    "JudgeLlmTransport": {
      "additionalProperties": false,
      "properties": {
        "max_retries": {
          "default": 0,
          "description": "Retry attempts (0..=10). Defaults to 0.",
          "format": "uint64",
          "maximum": 10,
          "minimum": 0,
          "type": "integer"
        },
        "max_retry_delay_ms": {
          "default": 5000,
          "description": "Exponential backoff cap in milliseconds (..=60000). Defaults to 5000.",
          "format": "uint64",
          "maximum": 60000,
          "minimum": 0,
          "type": "integer"
        },
        "timeout_ms": {
          "default": 60000,
          "description": "Request timeout in milliseconds (1..=600000). Defaults to 60000.",
          "format": "uint64",
          "maximum": 600000,
          "minimum": 1,
          "type": "integer"
        }
      },
      "type": "object"
    }
  },
  "$schema": "https://json-schema.org/draft/2020-12/schema",
  "additionalProperties": false,
  "description": "One authored judge definition, in its normalized spec form.",
  "properties": {
    "description": {
      "description": "Optional human description (at most 2000 characters).",
      "maxLength": 2000,
      "type": [
        "string",
        "null"
      ]
    },
    "instructions": {
      "description": "The grading rubric. Required and non-empty.",
      "minLength": 1,
      "pattern": "\\S",
      "type": "string"
    },
    "judge": {
      "description": "Unique judge name within the recipe (at most 255 characters).",
      "maxLength": 255,
      "pattern": "\\S",
      "type": "string"
    },
    "llm": {
      "$ref": "#/$defs/JudgeLlmConfig",
      "description": "Model configuration used to run the judge."
    },
    "on": {
      "anyOf": [
        {
          "maxProperties": 0,
          "type": "object"
        },
        {
          "type": "null"
        },
        {
          "items": {
            "additionalProperties": false,
            "properties": {
              "event": {
                "enum": [
                  "message",
                  "tool",
                  "feedback"
                ],
                "type": "string"
              },
              "match": {
                "additionalProperties": true,
                "propertyNames": {
                  "allOf": [
                    {
                      "minLength": 1
                    },
                    {
                      "not": {
                        "enum": [
                          "environment",
                          "runtime_group"
                        ]
                      }
                    },
                    {
                      "not": {
                        "pattern": "(?:^|\\.)pattern_id$"
                      }
                    }
                  ]
                },
                "type": "object"
              }
            },
            "required": [
              "event"
            ],
            "type": "object"
          },
          "type": "array"
        }
      ],
      "default": null,
      "description": "Applicability gate: `{}` (always) or a list of\n`{ event, match? }` matchers where `event` is one of\n`message`, `tool`, or `feedback`."
    }
  },
  "required": [
    "judge",
    "llm",
    "instructions"
  ],
  "title": "JudgeDefinition",
  "type": "object"
})json";

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
  EXPECT_EQ(first, kExpected);
  EXPECT_EQ(first.size(), 6198u);
  EXPECT_EQ(std::count(first.begin(), first.end(), '\n') + 1, 226);
  EXPECT_EQ(judge_definition_schema(), first);
}

TEST(JudgeSchema, LayoutHasNoStrayWhitespace) {
  std::string text = judge_definition_schema();
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.substr(0, 2), "{\n");
  EXPECT_EQ(text.back(), '}');
  EXPECT_EQ(text.find(" \n"), std::string::npos);
  EXPECT_EQ(text.find('\t'), std::string::npos);
  EXPECT_EQ(text.find('\r'), std::string::npos);
  // Each line is indented by an even number of blanks.
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::size_t blanks = text.find_first_not_of(' ', start) - start;
    EXPECT_EQ(blanks % 2, 0u) << text.substr(start, end - start);
    start = end + 1;
  }
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

TEST(JudgeSchema, GateAlternatives) {
  JsonValue gate = gate_schema();
  const auto& alternatives = at(gate, {"anyOf"}).as_array();
  ASSERT_EQ(alternatives.size(), 3u);
  EXPECT_EQ(at(alternatives[0], {"maxProperties"}), JsonValue(std::uint64_t{0}));
  EXPECT_EQ(at(alternatives[1], {"type"}), JsonValue("null"));
  EXPECT_EQ(at(alternatives[2], {"type"}), JsonValue("array"));
}

}  // namespace
}  // namespace kelp

#include "judges/schema.h"

#include <cstdint>
#include <string_view>
#include <utility>

#include "json/writer.h"
#include "judges/json_form.h"
#include "judges/model.h"
#include "judges/rules.h"

namespace kelp {

namespace {

namespace rules = judge_rules;
using Object = JsonValue::Object;
using Array = JsonValue::Array;

constexpr std::string_view kMetaSchema = "https://json-schema.org/draft/2020-12/schema";

JsonValue u64(std::uint64_t v) { return JsonValue(v); }

// Sets `key` on an object schema, replacing a member of the same key.
JsonValue with(JsonValue schema, std::string_view key, JsonValue value) {
  schema.as_object().insert_or_assign(std::string(key), std::move(value));
  return schema;
}

// Base schemas by field type.
JsonValue text_schema() { return Object{{"type", "string"}}; }
JsonValue optional_text_schema() { return Object{{"type", Array{"string", "null"}}}; }
JsonValue u64_schema() {
  return Object{{"format", "uint64"}, {"minimum", u64(0)}, {"type", "integer"}};
}
JsonValue optional_u64_schema() {
  return Object{{"format", "uint64"}, {"minimum", u64(0)}, {"type", Array{"integer", "null"}}};
}
JsonValue f64_schema() { return Object{{"format", "double"}, {"type", "number"}}; }
JsonValue ref_schema(std::string_view record) {
  return Object{{"$ref", "#/$defs/" + std::string(record)}};
}
JsonValue optional_ref_schema(std::string_view record) {
  return Object{{"anyOf", Array{ref_schema(record), Object{{"type", "null"}}}}};
}

// How a field is present in its record; only `Required` fields are listed in
// "required".
enum class Presence { Required, Defaulted, Optional };

// An object schema built field by field in declaration order.
class RecordSchema {
 public:
  RecordSchema& field(std::string_view name, JsonValue schema, Presence presence) {
    properties_.insert_or_assign(std::string(name), std::move(schema));
    if (presence == Presence::Required) required_.emplace_back(name);
    return *this;
  }

  JsonValue build() {
    Object schema{{"additionalProperties", false},
                  {"properties", std::move(properties_)},
                  {"type", "object"}};
    if (!required_.empty()) schema.emplace("required", std::move(required_));
    return schema;
  }

 private:
  Object properties_;
  Array required_;
};

}  // namespace

JsonValue instructions_schema() {
  return Object{{"description", "The grading rubric. Required and non-empty."},
                {"minLength", u64(1)},
                {"pattern", "\\S"},
                {"type", "string"}};
}

JsonValue gate_schema() {
  JsonValue field_paths = Object{
      {"allOf", Array{Object{{"minLength", u64(1)}},
                      Object{{"not", Object{{"enum", Array{"environment", "runtime_group"}}}}},
                      Object{{"not", Object{{"pattern", "(?:^|\\.)pattern_id$"}}}}}}};
  JsonValue matcher = Object{
      {"additionalProperties", false},
      {"properties",
       Object{{"event", Object{{"enum", Array{"message", "tool", "feedback"}},
                               {"type", "string"}}},
              {"match", Object{{"additionalProperties", true},
                               {"propertyNames", std::move(field_paths)},
                               {"type", "object"}}}}},
      {"required", Array{"event"}},
      {"type", "object"}};
  return Object{{"anyOf", Array{Object{{"maxProperties", u64(0)}, {"type", "object"}},
                                Object{{"type", "null"}},
                                Object{{"items", std::move(matcher)}, {"type", "array"}}}}};
}

JsonValue judge_llm_request_json_schema() {
  const JudgeLlmRequest defaults;
  JsonValue temperature = f64_schema();
  temperature = with(std::move(temperature), "description",
                     "Sampling temperature between 0 and 2. Defaults to 0.");
  temperature = with(std::move(temperature), "minimum", 0.0);
  temperature = with(std::move(temperature), "maximum", 2.0);
  temperature = with(std::move(temperature), "default", defaults.temperature);

  JsonValue max_tokens =
      with(optional_u64_schema(), "description", "Maximum output tokens (1..=131072).");
  max_tokens = with(std::move(max_tokens), "minimum", u64(1));
  max_tokens = with(std::move(max_tokens), "maximum", u64(rules::kMaxTokens));

  JsonValue reasoning_effort = with(optional_text_schema(), "description",
                                    "Reasoning effort hint (lowercase ASCII and `-`).");
  reasoning_effort = with(std::move(reasoning_effort), "pattern", "^[a-z-]{1,64}$");

  return RecordSchema()
      .field("temperature", std::move(temperature), Presence::Defaulted)
      .field("max_tokens", std::move(max_tokens), Presence::Optional)
      .field("reasoning_effort", std::move(reasoning_effort), Presence::Optional)
      .build();
}

JsonValue judge_llm_transport_json_schema() {
  const JudgeLlmTransport defaults;
  auto integer_field = [](std::string_view description, std::uint64_t minimum,
                          std::uint64_t maximum, std::uint64_t fallback) {
    JsonValue schema = with(u64_schema(), "description", JsonValue(description));
    schema = with(std::move(schema), "minimum", u64(minimum));
    schema = with(std::move(schema), "maximum", u64(maximum));
    return with(std::move(schema), "default", u64(fallback));
  };
  return RecordSchema()
      .field("timeout_ms",
             integer_field("Request timeout in milliseconds (1..=600000). Defaults to 60000.", 1,
                           rules::kMaxTimeoutMs, defaults.timeout_ms),
             Presence::Defaulted)
      .field("max_retries",
             integer_field("Retry attempts (0..=10). Defaults to 0.", 0, rules::kMaxRetries,
                           defaults.max_retries),
             Presence::Defaulted)
      .field("max_retry_delay_ms",
             integer_field(
                 "Exponential backoff cap in milliseconds (..=60000). Defaults to 5000.", 0,
                 rules::kMaxRetryDelayMs, defaults.max_retry_delay_ms),
             Presence::Defaulted)
      .build();
}

JsonValue judge_llm_local_json_schema() {
  JsonValue base_url = with(text_schema(), "description",
                            "HTTP(S) base URL; HTTPS required outside loopback. No credentials,\n"
                            "query, or fragment.");
  base_url = with(std::move(base_url), "pattern", "^https?://\\S+$");
  JsonValue api_key_env =
      with(text_schema(), "description",
           "Environment variable naming the API key (identifier characters only).");
  api_key_env = with(std::move(api_key_env), "pattern", "^[A-Za-z_][A-Za-z0-9_]*$");
  return RecordSchema()
      .field("base_url", std::move(base_url), Presence::Required)
      .field("api_key_env", std::move(api_key_env), Presence::Required)
      .build();
}

JsonValue judge_llm_config_json_schema() {
  const JudgeLlmConfig defaults;
  JsonValue provider = with(text_schema(), "description",
                            "Provider slug (lowercase ASCII, digits, and `-`). Defaults to `openai`.");
  provider = with(std::move(provider), "pattern", "^[a-z0-9-]{1,64}$");
  provider = with(std::move(provider), "default", JsonValue(defaults.provider));

  JsonValue model = with(text_schema(), "description",
                         "Model name. Required and non-empty (at most 255 bytes), with no\n"
                         "surrounding whitespace.");
  model = with(std::move(model), "minLength", u64(1));
  model = with(std::move(model), "maxLength", u64(rules::kMaxModelBytes));
  model = with(std::move(model), "pattern", "^\\S([\\s\\S]*\\S)?$");

  JsonValue request =
      with(ref_schema("JudgeLlmRequest"), "default", judge_llm_request_to_value(defaults.request));
  JsonValue transport = with(ref_schema("JudgeLlmTransport"), "default",
                             judge_llm_transport_to_value(defaults.transport));
  JsonValue local = with(optional_ref_schema("JudgeLlmLocal"), "description",
                         "Optional OpenAI-compatible local/self-hosted endpoint.");

  return RecordSchema()
      .field("provider", std::move(provider), Presence::Defaulted)
      .field("model", std::move(model), Presence::Required)
      .field("request", std::move(request), Presence::Defaulted)
      .field("transport", std::move(transport), Presence::Defaulted)
      .field("local", std::move(local), Presence::Optional)
      .build();
}

JsonValue judge_definition_json_schema() {
  JsonValue judge = with(text_schema(), "description",
                         "Unique judge name within the recipe (at most 255 characters).");
  judge = with(std::move(judge), "maxLength", u64(rules::kMaxNameChars));
  judge = with(std::move(judge), "pattern", "\\S");

  JsonValue description = with(optional_text_schema(), "description",
                                "Optional human description (at most 2000 characters).");
  description = with(std::move(description), "maxLength", u64(rules::kMaxDescriptionChars));

  JsonValue on = with(gate_schema(), "description",
                      "Applicability gate: `{}` (always) or a list of\n"
                      "`{ event, match? }` matchers where `event` is one of\n"
                      "`message`, `tool`, or `feedback`.");
  // The record's default for `on` is the null value.
  on = with(std::move(on), "default", JsonValue(nullptr));

  JsonValue llm =
      with(ref_schema("JudgeLlmConfig"), "description", "Model configuration used to run the judge.");
  JsonValue instructions =
      with(instructions_schema(), "description", "The grading rubric. Required and non-empty.");

  // `instructions` stays optional in the record so that its absence reaches
  // validation with a clear message; the root schema requires it.
  JsonValue schema = RecordSchema()
                         .field("judge", std::move(judge), Presence::Required)
                         .field("description", std::move(description), Presence::Optional)
                         .field("on", std::move(on), Presence::Defaulted)
                         .field("llm", std::move(llm), Presence::Required)
                         .field("instructions", std::move(instructions), Presence::Optional)
                         .build();
  return with(std::move(schema), "description",
              "One authored judge definition, in its normalized spec form.");
}

JsonValue judge_definition_root_schema() {
  JsonValue root = judge_definition_json_schema();
  Object& members = root.as_object();
  members.insert_or_assign("title", JsonValue("JudgeDefinition"));
  members.insert_or_assign("$schema", JsonValue(kMetaSchema));
  members.insert_or_assign("$defs", Object{{"JudgeLlmConfig", judge_llm_config_json_schema()},
                                           {"JudgeLlmLocal", judge_llm_local_json_schema()},
                                           {"JudgeLlmRequest", judge_llm_request_json_schema()},
                                           {"JudgeLlmTransport", judge_llm_transport_json_schema()}});
  // The record's derivation always yields a "required" array here.
  auto required = members.find("required");
  if (required != members.end() && required->second.is_array()) {
    Array& names = required->second.as_array();
    bool listed = false;
    for (const JsonValue& name : names)
      if (name.is_string() && name.as_string() == "instructions") listed = true;
    if (!listed) names.emplace_back("instructions");
  }
  return root;
}

std::string judge_definition_schema() {
  std::string out;
  out.reserve(8192);
  json::write_pretty(out, judge_definition_root_schema());
  return out;
}

}  // namespace kelp

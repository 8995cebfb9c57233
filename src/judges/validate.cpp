#include "judges/validate.h"

#include <cmath>
#include <utility>
#include <vector>

#include "judges/rules.h"
#include "regex/syntax.h"
#include "unicode/text.h"
#include "url/url.h"

namespace kelp {

namespace {

namespace rules = judge_rules;

Unexpected<std::string> field_error(std::string_view context, std::string_view rest) {
  std::string out;
  out.reserve(context.size() + rest.size());
  out.append(context);
  out.append(rest);
  return unexpected(std::move(out));
}

Unexpected<std::string> gate_error(std::string text) { return unexpected(std::move(text)); }

Expected<Passed, std::string> check_fields(const JudgeDefinition& d, std::string_view context) {
  if (!unicode::is_non_empty_text(d.judge)) return field_error(context, " has an empty judge name");
  if (unicode::char_count_exceeds(d.judge, rules::kMaxNameChars))
    return field_error(context, " has a judge name longer than 255 characters");
  if (d.description && unicode::char_count_exceeds(*d.description, rules::kMaxDescriptionChars))
    return field_error(context, " has a description longer than 2000 characters");
  if (!d.instructions || !unicode::is_non_empty_text(*d.instructions))
    return field_error(context, " has empty instructions");

  const JudgeLlmConfig& llm = d.llm;
  if (!rules::is_provider_slug(unicode::trim(llm.provider)))
    return field_error(context, " has invalid llm.provider");
  if (!rules::is_valid_model(llm.model)) return field_error(context, " has invalid llm.model");

  const JudgeLlmRequest& request = llm.request;
  // Comparisons are false for NaN; -0.0 >= 0.0 holds.
  if (!(std::isfinite(request.temperature) && request.temperature >= 0.0 &&
        request.temperature <= 2.0))
    return field_error(context, " llm.request.temperature must be between 0 and 2");
  if (request.max_tokens && (*request.max_tokens < 1 || *request.max_tokens > rules::kMaxTokens))
    return field_error(context, " llm.request.max_tokens must be between 1 and " +
                                    std::to_string(rules::kMaxTokens));
  if (request.reasoning_effort && rules::is_invalid_reasoning_effort(*request.reasoning_effort))
    return field_error(context, " has invalid llm.request.reasoning_effort");

  const JudgeLlmTransport& transport = llm.transport;
  if (transport.timeout_ms < 1 || transport.timeout_ms > rules::kMaxTimeoutMs)
    return field_error(context, " llm.transport.timeout_ms must be between 1 and 600000");
  if (transport.max_retries > rules::kMaxRetries)
    return field_error(context, " llm.transport.max_retries exceeds the limit of 10");
  if (transport.max_retry_delay_ms > rules::kMaxRetryDelayMs)
    return field_error(context,
                       " llm.transport.max_retry_delay_ms exceeds the 60000 millisecond limit");

  if (llm.local) {
    auto parsed = url::parse(llm.local->base_url);
    if (!parsed)
      return field_error(context, " has invalid llm.local.base_url: " + parsed.error().display());
    const url::Url& u = *parsed;
    if (!rules::is_http_with_host(u))
      return field_error(context, " llm.local.base_url must be an HTTP(S) URL with a host");
    if (u.has_credentials())
      return field_error(context, " llm.local.base_url must not contain credentials");
    if (rules::has_query_or_fragment(u))
      return field_error(context, " llm.local.base_url must not contain a query or fragment");
    if (!rules::is_https_or_loopback(u))
      return field_error(context, " llm.local.base_url must use HTTPS outside localhost");
    if (!rules::is_env_var_name(llm.local->api_key_env))
      return field_error(context, " has invalid llm.local.api_key_env");
  }
  return Passed{};
}

Expected<Passed, std::string> check_gate_entry(const JsonValue& entry) {
  const JsonValue* event = entry.get("event");
  if (!entry.is_object() || event == nullptr || !event->is_string())
    return gate_error("each `on` entry must be `{ event, match? }`");
  if (!rules::is_gate_event(event->as_string()))
    return gate_error("unknown judge gate event " + unicode::quoted(event->as_string()));
  for (const auto& [key, value] : entry.as_object()) {
    (void)value;
    if (key != "event" && key != "match")
      return gate_error("unknown key in judge gate event matcher");
  }
  const JsonValue* match = entry.get("match");
  if (match == nullptr) return Passed{};
  if (!match->is_object()) return gate_error("`match` must be a mapping of field paths to values");
  for (const auto& [key, value] : match->as_object()) {
    if (key.empty()) return gate_error("judge gate match field paths must not be empty");
    if (rules::is_platform_context_path(key))
      return gate_error("judge gate field " + unicode::quoted(key) +
                        " is automatic platform context; gate on conversation content");
    if (rules::references_pattern_id(key))
      return gate_error("judge gate must not reference pattern_id");
    if (auto gate = compile_gate_regex_strict(value); !gate) return gate_error(std::move(gate).error());
  }
  return Passed{};
}

Expected<Passed, std::string> check_gate(const JsonValue& on) {
  if (on.is_object() && on.as_object().empty()) return Passed{};
  if (!on.is_array()) return gate_error("judge `on` must be a list of event matchers");
  for (const JsonValue& entry : on.as_array())
    if (auto checked = check_gate_entry(entry); !checked) return checked;
  return Passed{};
}

Expected<GatePasses, std::string> check_gate_text(const std::string& text) {
  auto pattern = rules::split_gate_pattern(text);
  if (!pattern) return GatePasses{};
  switch (rules::check_gate_flags(pattern->flags)) {
    case rules::FlagProblem::Unsupported:
      return unexpected("unsupported regex flags in " + unicode::quoted(text) +
                        "; contract 1 supports i, m, s, and u");
    case rules::FlagProblem::Duplicate:
      return unexpected("duplicate regex flag in " + unicode::quoted(text));
    case rules::FlagProblem::None:
      break;
  }
  auto compiled = regex::check(pattern->pattern, rules::gate_regex_flags(pattern->flags));
  if (!compiled)
    return unexpected("invalid regex " + unicode::quoted(text) + ": " +
                      regex::error_text(compiled.error()));
  return GatePasses{};
}

}  // namespace

Expected<GatePasses, std::string> compile_gate_regex_strict(const JsonValue& value) {
  // Nested lists are walked depth-first with an explicit stack, so that a
  // deeply nested value cannot exhaust the call stack.
  struct Frame {
    const JsonValue::Array* array;
    std::size_t next;
  };
  if (value.is_string()) return check_gate_text(value.as_string());
  if (!value.is_array()) return GatePasses{};
  std::vector<Frame> stack;
  stack.push_back({&value.as_array(), 0});
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next == top.array->size()) {
      stack.pop_back();
      continue;
    }
    const JsonValue& element = (*top.array)[top.next++];
    if (element.is_string()) {
      if (auto checked = check_gate_text(element.as_string()); !checked) return checked;
    } else if (element.is_array()) {
      stack.push_back({&element.as_array(), 0});
    }
  }
  return GatePasses{};
}

Expected<JudgeDefinition, std::string> validate_judge_definition(JudgeDefinition definition,
                                                                 std::string_view context) {
  if (definition.on.is_null()) definition.on = JsonValue(JsonValue::Object{});
  if (auto checked = check_fields(definition, context); !checked)
    return unexpected(std::move(checked).error());
  if (auto checked = check_gate(definition.on); !checked)
    return unexpected(std::move(checked).error());
  return definition;
}

}  // namespace kelp

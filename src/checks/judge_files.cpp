#include "checks/judge_files.h"

#include <span>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "checks/paths.h"
#include "judges/rules.h"
#include "regex/syntax.h"
#include "unicode/text.h"
#include "url/url.h"
#include "report/error_span.h"
#include "yaml/reader.h"

namespace kelp {

namespace {

using FieldList = std::span<const std::string_view>;

constexpr std::string_view kTopFields[] = {"description", "instructions", "judge", "llm", "on"};
constexpr std::string_view kMatcherFields[] = {"event", "match"};
constexpr std::string_view kLlmFields[] = {"local", "model", "provider", "request", "transport"};
constexpr std::string_view kRequestFields[] = {"max_tokens", "reasoning_effort", "temperature"};
constexpr std::string_view kTransportFields[] = {"max_retries", "max_retry_delay_ms", "timeout_ms"};
constexpr std::string_view kLocalFields[] = {"api_key_env", "base_url"};

bool is_null_or_absent(const JsonValue* v) { return v == nullptr || v->is_null(); }

bool is_empty_container(const JsonValue& v) {
  return (v.is_array() && v.as_array().empty()) || (v.is_object() && v.as_object().empty());
}

// A present integer in [min, max]: only unsigned numbers count.
bool is_integer_in(const JsonValue& v, std::uint64_t min, std::uint64_t max) {
  return v.is_u64() && v.as_u64() >= min && v.as_u64() <= max;
}

// Appends the diagnostics of one judge file.
class JudgeFileCheck {
 public:
  JudgeFileCheck(CheckContext& context, std::string_view path) : ctx_(context), path_(path) {}

  // Returns the judge name when the `judge` field passed its checks.
  std::optional<std::string> run(const std::optional<json::LazyString>& content);

 private:
  void error(std::string_view code, std::string message, std::string_view help) {
    push_diagnostic_owned_message(ctx_.diagnostics, Severity::Error, code, path_, std::nullopt,
                                  std::move(message), help);
  }
  void unknown_fields(const JsonValue& mapping, FieldList supported, std::string_view code,
                      std::string_view label);
  std::optional<std::string> check_name(const JsonValue* judge);
  void check_description(const JsonValue* description);
  void check_instructions(const JsonValue* instructions);
  void check_gate(const JsonValue* on);
  void check_matcher(const JsonValue& entry, std::size_t index);
  void check_gate_value(const JsonValue& value, std::string_view field, std::size_t index);
  void check_gate_text(const std::string& text, std::string_view field, std::size_t index);
  void check_llm(const JsonValue* llm);
  void check_request(const JsonValue& request);
  void check_transport(const JsonValue& transport);
  void check_local(const JsonValue& local);

  CheckContext& ctx_;
  std::string_view path_;
};

std::string entry_label(std::size_t index) {
  return "Judge on[" + std::to_string(index) + "]";
}

void JudgeFileCheck::unknown_fields(const JsonValue& mapping, FieldList supported,
                                    std::string_view code, std::string_view label) {
  std::optional<std::string> help;
  for (const auto& [key, value] : mapping.as_object()) {
    bool known = false;
    for (auto field : supported) known = known || key == field;
    if (known) continue;
    if (!help) {
      help = "supported fields: ";
      bool first = true;
      for (auto field : supported) {
        if (!first) *help += ", ";
        first = false;
        *help += field;
      }
    }
    std::string message(label);
    message += " contains unknown field '";
    message += key;
    message += "'";
    push_diagnostic_owned_message_help(ctx_.diagnostics, Severity::Error, code, path_,
                                       std::nullopt, std::move(message), *help);
  }
}

std::optional<std::string> JudgeFileCheck::check_name(const JsonValue* judge) {
  if (is_null_or_absent(judge)) {
    error("judge.name_missing", "Judge definition must declare a non-empty judge name",
          "add `judge: <unique-name>`");
    return std::nullopt;
  }
  if (!judge->is_string()) {
    error("judge.name_invalid", "Judge name must be a non-empty string",
          "set judge to a unique string name");
    return std::nullopt;
  }
  const std::string& name = judge->as_string();
  if (!unicode::is_non_empty_text(name)) {
    error("judge.name_invalid", "Judge name must be a non-empty string",
          "set judge to a unique name containing at most 255 characters");
    return std::nullopt;
  }
  if (unicode::char_count_exceeds(name, judge_rules::kMaxNameChars)) {
    error("judge.name_invalid", "Judge name must contain at most 255 characters",
          "shorten the judge name");
    return std::nullopt;
  }
  return name;
}

void JudgeFileCheck::check_description(const JsonValue* description) {
  if (is_null_or_absent(description)) return;
  if (!description->is_string()) {
    error("judge.description_invalid", "Judge description must be a string",
          "remove description or provide a string");
  } else if (unicode::char_count_exceeds(description->as_string(),
                                         judge_rules::kMaxDescriptionChars)) {
    error("judge.description_invalid", "Judge description must contain at most 2000 characters",
          "shorten the optional description");
  }
}

void JudgeFileCheck::check_instructions(const JsonValue* instructions) {
  if (is_null_or_absent(instructions)) {
    error("judge.instructions_missing", "Judge definition must declare non-empty instructions",
          "add the grading rubric under `instructions`");
  } else if (!instructions->is_string()) {
    error("judge.instructions_invalid", "Judge instructions must be a non-empty string",
          "use a YAML string or block scalar for the grading rubric");
  } else if (!unicode::is_non_empty_text(instructions->as_string())) {
    error("judge.instructions_invalid", "Judge instructions must be non-empty",
          "write the grading rubric under `instructions`");
  }
}

void JudgeFileCheck::check_gate(const JsonValue* on) {
  if (is_null_or_absent(on) || is_empty_container(*on)) return;
  if (!on->is_array()) {
    error("judge.on_invalid", "Judge on must be a list of event matchers",
          "use entries shaped as `{ event: message|tool|feedback, match: {...} }`");
    return;
  }
  const auto& entries = on->as_array();
  for (std::size_t i = 0; i < entries.size(); ++i) check_matcher(entries[i], i);
}

void JudgeFileCheck::check_matcher(const JsonValue& entry, std::size_t index) {
  if (!entry.is_object()) {
    error("judge.on.matcher_invalid",
          entry_label(index) + " must be a mapping with event and optional match",
          "replace the entry with an event matcher mapping");
    return;
  }
  unknown_fields(entry, kMatcherFields, "judge.on.matcher_unknown_field",
                 "judge on[" + std::to_string(index) + "]");
  const JsonValue* event = entry.get("event");
  if (is_null_or_absent(event) || !event->is_string()) {
    error("judge.on.event_invalid",
          entry_label(index) + " must declare event as message, tool, or feedback",
          "add a supported event kind");
  } else if (!judge_rules::is_gate_event(event->as_string())) {
    error("judge.on.event_invalid",
          entry_label(index) + " uses unsupported event kind '" + event->as_string() + "'",
          "use message, tool, or feedback");
  }
  const JsonValue* match = entry.get("match");
  if (!match) return;
  if (!match->is_object()) {
    error("judge.on.match_invalid",
          entry_label(index) + ".match must be a mapping of field paths to values",
          "remove match to match every event of this kind, or provide a mapping");
    return;
  }
  for (const auto& [field, value] : match->as_object()) {
    if (field.empty()) {
      error("judge.on.match_field_invalid",
            entry_label(index) + ".match contains an empty field path",
            "use a non-empty field or dotted field path");
    } else if (judge_rules::is_platform_context_path(field) ||
               judge_rules::references_pattern_id(field)) {
      error("judge.on.match_field_prohibited",
            entry_label(index) + ".match field '" + field +
                "' is platform-owned and cannot be authored",
            "gate on normalized conversation content instead");
    }
    check_gate_value(value, field, index);
  }
}

void JudgeFileCheck::check_gate_value(const JsonValue& value, std::string_view field,
                                      std::size_t index) {
  // Nested lists are walked with an explicit stack, in document order.
  std::vector<std::pair<const JsonValue::Array*, std::size_t>> stack;
  if (value.is_string()) {
    check_gate_text(value.as_string(), field, index);
    return;
  }
  if (!value.is_array()) return;
  stack.emplace_back(&value.as_array(), 0);
  while (!stack.empty()) {
    auto& [items, next] = stack.back();
    if (next == items->size()) {
      stack.pop_back();
      continue;
    }
    const JsonValue& item = (*items)[next++];
    if (item.is_string()) {
      check_gate_text(item.as_string(), field, index);
    } else if (item.is_array()) {
      stack.emplace_back(&item.as_array(), 0);
    }
  }
}

void JudgeFileCheck::check_gate_text(const std::string& text, std::string_view field,
                                     std::size_t index) {
  auto pattern = judge_rules::split_gate_pattern(text);
  if (!pattern) return;
  std::string prefix = entry_label(index) + ".match." + std::string(field);
  switch (judge_rules::check_gate_flags(pattern->flags)) {
    case judge_rules::FlagProblem::Unsupported:
      error("judge.on.regex_invalid",
            prefix + " uses unsupported regex flags in '" + text +
                "'; supported flags are i, m, s, and u",
            "use unique regex flags from i, m, s, and u");
      return;
    case judge_rules::FlagProblem::Duplicate:
      error("judge.on.regex_invalid", prefix + " uses duplicate regex flag in '" + text + "'",
            "use unique regex flags from i, m, s, and u");
      return;
    case judge_rules::FlagProblem::None:
      break;
  }
  auto compiled = regex::check(pattern->pattern, judge_rules::gate_regex_flags(pattern->flags));
  if (!compiled) {
    error("judge.on.regex_invalid",
          prefix + " contains invalid regex '" + text + "': " +
              regex::error_text(compiled.error()),
          "fix the Rust-compatible regex syntax");
  }
}

void JudgeFileCheck::check_llm(const JsonValue* llm) {
  if (!llm) {
    error("judge.llm_missing", "Judge definition must declare llm.model",
          "add `llm:` with a non-empty `model`");
    return;
  }
  if (!llm->is_object()) {
    error("judge.llm_invalid", "Judge llm must be a mapping",
          "declare provider/model and optional request, transport, and local mappings");
    return;
  }
  unknown_fields(*llm, kLlmFields, "judge.llm.unknown_field", "judge llm");
  if (const JsonValue* provider = llm->get("provider")) {
    if (!provider->is_string() || !judge_rules::is_provider_slug(provider->as_string())) {
      error("judge.llm.provider_invalid", "Judge llm.provider must be a lowercase provider slug",
            "use 1-64 lowercase ASCII letters, digits, or hyphens, or omit it for openai");
    }
  }
  const JsonValue* model = llm->get("model");
  if (is_null_or_absent(model)) {
    error("judge.llm.model_missing", "Judge llm.model is required",
          "set llm.model to the provider's model identifier");
  } else if (!model->is_string() || !judge_rules::is_valid_model(model->as_string())) {
    error("judge.llm.model_invalid",
          "Judge llm.model must be a non-empty string without surrounding whitespace",
          "set llm.model to a model identifier containing at most 255 bytes");
  }
  if (const JsonValue* request = llm->get("request")) {
    if (!request->is_object()) {
      error("judge.llm.request_invalid", "Judge llm.request must be a mapping",
            "declare only temperature, max_tokens, and reasoning_effort overrides");
    } else {
      check_request(*request);
    }
  }
  if (const JsonValue* transport = llm->get("transport")) {
    if (!transport->is_object()) {
      error("judge.llm.transport_invalid", "Judge llm.transport must be a mapping",
            "declare timeout_ms, max_retries, and/or max_retry_delay_ms");
    } else {
      check_transport(*transport);
    }
  }
  const JsonValue* local = llm->get("local");
  if (is_null_or_absent(local)) return;
  if (!local->is_object()) {
    error("judge.llm.local_invalid", "Judge llm.local must be a mapping",
          "declare base_url and api_key_env, or omit local");
    return;
  }
  check_local(*local);
}

void JudgeFileCheck::check_request(const JsonValue& request) {
  unknown_fields(request, kRequestFields, "judge.llm.request.unknown_field", "judge llm.request");
  if (const JsonValue* t = request.get("temperature")) {
    double value = t->is_number() ? t->number_as_f64() : -1.0;
    // The negated form also refuses NaN.
    if (!t->is_number() || !(value >= 0.0 && value <= 2.0)) {
      error("judge.llm.request.temperature_invalid",
            "Judge llm.request.temperature must be a number between 0 and 2",
            "remove the override for the default 0, or use a value from 0 through 2");
    }
  }
  const JsonValue* max_tokens = request.get("max_tokens");
  if (!is_null_or_absent(max_tokens) && !is_integer_in(*max_tokens, 1, judge_rules::kMaxTokens)) {
    error("judge.llm.request.max_tokens_invalid",
          "Judge llm.request.max_tokens must be an integer between 1 and " +
              std::to_string(judge_rules::kMaxTokens),
          "choose a bounded maximum output token count");
  }
  const JsonValue* effort = request.get("reasoning_effort");
  if (!is_null_or_absent(effort) &&
      (!effort->is_string() || judge_rules::is_invalid_reasoning_effort(effort->as_string()))) {
    error("judge.llm.request.reasoning_effort_invalid",
          "Judge llm.request.reasoning_effort must be a lowercase slug",
          "use 1-64 lowercase ASCII letters or hyphens");
  }
}

void JudgeFileCheck::check_transport(const JsonValue& transport) {
  unknown_fields(transport, kTransportFields, "judge.llm.transport.unknown_field",
                 "judge llm.transport");
  const JsonValue* timeout = transport.get("timeout_ms");
  if (timeout && !is_integer_in(*timeout, 1, judge_rules::kMaxTimeoutMs)) {
    error("judge.llm.transport.timeout_ms_invalid",
          "Judge llm.transport.timeout_ms must be an integer between 1 and 600000",
          "use a timeout from 1 ms through 10 minutes");
  }
  const JsonValue* retries = transport.get("max_retries");
  if (retries && !is_integer_in(*retries, 0, judge_rules::kMaxRetries)) {
    error("judge.llm.transport.max_retries_invalid",
          "Judge llm.transport.max_retries must be an integer between 0 and 10",
          "use at most 10 transport retries");
  }
  const JsonValue* delay = transport.get("max_retry_delay_ms");
  if (delay && !is_integer_in(*delay, 0, judge_rules::kMaxRetryDelayMs)) {
    error("judge.llm.transport.max_retry_delay_ms_invalid",
          "Judge llm.transport.max_retry_delay_ms must be an integer between 0 and 60000",
          "use a retry delay cap no greater than 60 seconds");
  }
}

void JudgeFileCheck::check_local(const JsonValue& local) {
  unknown_fields(local, kLocalFields, "judge.llm.local.unknown_field", "judge llm.local");
  const JsonValue* base_url = local.get("base_url");
  if (is_null_or_absent(base_url) || !base_url->is_string()) {
    error("judge.llm.local.base_url_invalid",
          "Judge llm.local.base_url must be an HTTP(S) URL with a host",
          "set an OpenAI-compatible endpoint URL");
  } else if (auto parsed = url::parse(base_url->as_string()); !parsed) {
    error("judge.llm.local.base_url_invalid", "Judge llm.local.base_url is not a valid URL",
          "set an absolute HTTP(S) URL with a host");
  } else if (!judge_rules::is_http_with_host(*parsed) || parsed->has_credentials() ||
             judge_rules::has_query_or_fragment(*parsed) ||
             !judge_rules::is_https_or_loopback(*parsed)) {
    error("judge.llm.local.base_url_invalid",
          "Judge llm.local.base_url must use HTTP(S), contain no credentials/query/fragment, "
          "and use HTTPS outside localhost",
          "use an HTTPS OpenAI-compatible endpoint or an HTTP loopback URL");
  }
  const JsonValue* env = local.get("api_key_env");
  if (!env || !env->is_string() || !judge_rules::is_env_var_name(env->as_string())) {
    error("judge.llm.local.api_key_env_invalid",
          "Judge llm.local.api_key_env must be an environment variable name",
          "use ASCII letters, digits, and underscores, starting with a letter or underscore");
  }
}

std::optional<std::string> JudgeFileCheck::run(const std::optional<json::LazyString>& content) {
  if (!content) {
    error("judge.unreadable", "Judge YAML content was not provided",
          "supply judge YAML content to the validator");
    return std::nullopt;
  }
  std::string decoded;
  auto value = yaml::read_json_value(content->view(decoded));
  if (!value) {
    std::string error = value.error().display();
    std::string message = "Judge file is not valid YAML: " + error;
    push_diagnostic_owned_message(ctx_.diagnostics, Severity::Error, "judge.yaml_malformed", path_,
                                  span_from_error_text(error), std::move(message),
                                  "fix the YAML syntax");
    return std::nullopt;
  }
  const JsonValue& doc = *value;
  if (!doc.is_object()) {
    error("judge.invalid", "Judge file must contain a YAML mapping",
          "make the top-level YAML value a mapping");
    return std::nullopt;
  }
  unknown_fields(doc, kTopFields, "judge.unknown_field", "judge definition");
  auto name = check_name(doc.get("judge"));
  check_description(doc.get("description"));
  check_instructions(doc.get("instructions"));
  check_gate(doc.get("on"));
  check_llm(doc.get("llm"));
  return name;
}

}  // namespace

std::uint64_t validate_judges(CheckContext& context) {
  std::vector<std::string_view> judge_files;
  for (auto path : files_in_dir(context, "judges"))
    if (is_yaml_path(path)) judge_files.push_back(path);

  std::vector<std::pair<std::string_view, std::optional<std::string>>> records;
  records.reserve(judge_files.size());
  for (auto path : judge_files) {
    const auto& content = context.files.find(path)->second;
    records.emplace_back(path, JudgeFileCheck(context, path).run(content));
  }

  std::map<std::string_view, std::string_view> seen;
  for (const auto& [path, name] : records) {
    if (!name) continue;
    auto [it, inserted] = seen.emplace(*name, path);
    if (inserted) continue;
    push_diagnostic_owned_message(context.diagnostics, Severity::Error, "judge.name_duplicate",
                                  path, std::nullopt,
                                  "Judge name '" + *name + "' is already declared in " +
                                      std::string(it->second),
                                  "give every judge in the recipe a unique name");
  }
  return judge_files.size();
}

}  // namespace kelp

#include "judges/json_form.h"

#include <cmath>
#include <string_view>

#include "json/writer.h"

namespace kelp {

namespace {

// Writes the separator (when not the first member) and the key of one member.
class ObjectWriter {
 public:
  explicit ObjectWriter(std::string& out) : out_(out) { out_.push_back('{'); }
  ~ObjectWriter() { out_.push_back('}'); }
  ObjectWriter(const ObjectWriter&) = delete;
  ObjectWriter& operator=(const ObjectWriter&) = delete;

  std::string& key(std::string_view name) {
    if (!first_) out_.push_back(',');
    first_ = false;
    json::write_string(out_, name);
    out_.push_back(':');
    return out_;
  }

 private:
  std::string& out_;
  bool first_ = true;
};

}  // namespace

void write_parsed_judge_json(std::string& out, const ParsedJudge& judge) {
  ObjectWriter obj(out);
  json::write_string(obj.key("source_path"), judge.source_path);
  write_judge_definition_json(obj.key("definition"), judge.definition);
}

void write_judge_definition_json(std::string& out, const JudgeDefinition& definition) {
  ObjectWriter obj(out);
  json::write_string(obj.key("judge"), definition.judge);
  if (definition.description) json::write_string(obj.key("description"), *definition.description);
  json::write_compact(obj.key("on"), definition.on);
  write_judge_llm_config_json(obj.key("llm"), definition.llm);
  if (definition.instructions)
    json::write_string(obj.key("instructions"), *definition.instructions);
}

void write_judge_llm_config_json(std::string& out, const JudgeLlmConfig& config) {
  ObjectWriter obj(out);
  json::write_string(obj.key("provider"), config.provider);
  json::write_string(obj.key("model"), config.model);
  write_judge_llm_request_json(obj.key("request"), config.request);
  write_judge_llm_transport_json(obj.key("transport"), config.transport);
  if (config.local) write_judge_llm_local_json(obj.key("local"), *config.local);
}

void write_judge_llm_request_json(std::string& out, const JudgeLlmRequest& request) {
  ObjectWriter obj(out);
  json::write_f64(obj.key("temperature"), request.temperature);
  if (request.max_tokens) json::write_u64(obj.key("max_tokens"), *request.max_tokens);
  if (request.reasoning_effort)
    json::write_string(obj.key("reasoning_effort"), *request.reasoning_effort);
}

void write_judge_llm_transport_json(std::string& out, const JudgeLlmTransport& transport) {
  ObjectWriter obj(out);
  json::write_u64(obj.key("timeout_ms"), transport.timeout_ms);
  json::write_u64(obj.key("max_retries"), transport.max_retries);
  json::write_u64(obj.key("max_retry_delay_ms"), transport.max_retry_delay_ms);
}

void write_judge_llm_local_json(std::string& out, const JudgeLlmLocal& local) {
  ObjectWriter obj(out);
  json::write_string(obj.key("base_url"), local.base_url);
  json::write_string(obj.key("api_key_env"), local.api_key_env);
}

JsonValue judge_llm_request_to_value(const JudgeLlmRequest& request) {
  JsonValue::Object obj;
  obj.emplace("temperature", std::isfinite(request.temperature) ? JsonValue(request.temperature)
                                                                 : JsonValue(nullptr));
  if (request.max_tokens) obj.emplace("max_tokens", JsonValue(*request.max_tokens));
  if (request.reasoning_effort)
    obj.emplace("reasoning_effort", JsonValue(*request.reasoning_effort));
  return JsonValue(std::move(obj));
}

JsonValue judge_llm_transport_to_value(const JudgeLlmTransport& transport) {
  JsonValue::Object obj;
  obj.emplace("timeout_ms", JsonValue(transport.timeout_ms));
  obj.emplace("max_retries", JsonValue(transport.max_retries));
  obj.emplace("max_retry_delay_ms", JsonValue(transport.max_retry_delay_ms));
  return JsonValue(std::move(obj));
}

Expected<bool, std::string> write_parsed_judges_json(const std::vector<ParsedJudge>& judges,
                                                     std::string& out) {
  out.push_back('[');
  bool first = true;
  for (const auto& judge : judges) {
    if (!first) out.push_back(',');
    first = false;
    write_parsed_judge_json(out, judge);
  }
  out.push_back(']');
  return true;
}

}  // namespace kelp

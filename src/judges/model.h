// The judge definition records with their defaults.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "json/value.h"

namespace kelp {

struct JudgeLlmRequest {
  double temperature = 0.0;
  std::optional<std::uint64_t> max_tokens;
  std::optional<std::string> reasoning_effort;
};

struct JudgeLlmTransport {
  std::uint64_t timeout_ms = 60000;
  std::uint64_t max_retries = 0;
  std::uint64_t max_retry_delay_ms = 5000;
};

struct JudgeLlmLocal {
  std::string base_url;
  std::string api_key_env;
};

struct JudgeLlmConfig {
  std::string provider = "openai";
  std::string model;
  JudgeLlmRequest request;
  JudgeLlmTransport transport;
  std::optional<JudgeLlmLocal> local;
};

struct JudgeDefinition {
  std::string judge;
  std::optional<std::string> description;
  JsonValue on;  // null when absent
  JudgeLlmConfig llm;
  std::optional<std::string> instructions;
};

struct ParsedJudge {
  std::string source_path;
  JudgeDefinition definition;
};

}  // namespace kelp

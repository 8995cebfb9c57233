// The compact JSON form of parsed judges and their records, and the value
// form of the request and transport sections (used as schema defaults).
#pragma once

#include <string>
#include <vector>

#include "json/value.h"
#include "judges/model.h"
#include "util/expected.h"

namespace kelp {

// Each writer appends one compact object to `out`: members in declaration
// order, absent optional members left out, never written as null.
void write_parsed_judge_json(std::string& out, const ParsedJudge& judge);
// The whole batch result: a JSON array of parsed judges. Writing into a
// growing buffer cannot fail; the result keeps the writer's contract explicit
// for the module layer.
Expected<bool, std::string> write_parsed_judges_json(const std::vector<ParsedJudge>& judges,
                                                     std::string& out);
void write_judge_definition_json(std::string& out, const JudgeDefinition& definition);
void write_judge_llm_config_json(std::string& out, const JudgeLlmConfig& config);
void write_judge_llm_request_json(std::string& out, const JudgeLlmRequest& request);
void write_judge_llm_transport_json(std::string& out, const JudgeLlmTransport& transport);
void write_judge_llm_local_json(std::string& out, const JudgeLlmLocal& local);

// Objects whose members follow the JsonValue key order: "max_tokens",
// "reasoning_effort", "temperature" (non-finite as null) and "max_retries",
// "max_retry_delay_ms", "timeout_ms".
JsonValue judge_llm_request_to_value(const JudgeLlmRequest& request);
JsonValue judge_llm_transport_to_value(const JudgeLlmTransport& transport);

}  // namespace kelp

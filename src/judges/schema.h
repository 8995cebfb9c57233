// The JSON Schema (draft 2020-12) of one authored judge definition, derived
// from the judge records and written as pretty JSON.
#pragma once

#include <string>

#include "json/value.h"

namespace kelp {

// The schema document as text: two-space indent, keys in byte order, no
// final line feed. Every call returns the same bytes.
std::string judge_definition_schema();

// The root schema: the JudgeDefinition object with "title", "$schema" and
// "$defs" (the four nested records), "instructions" required.
JsonValue judge_definition_root_schema();

// One object schema per record; nested records appear as "$ref"s.
JsonValue judge_definition_json_schema();
JsonValue judge_llm_config_json_schema();
JsonValue judge_llm_local_json_schema();
JsonValue judge_llm_request_json_schema();
JsonValue judge_llm_transport_json_schema();

// The hand-written schemas of the `on` gate and the `instructions` rubric.
JsonValue gate_schema();
JsonValue instructions_schema();

}  // namespace kelp

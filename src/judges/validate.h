// Strict validation of one judge definition: every limit in a fixed order,
// stopping at the first rule that fails.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "json/value.h"
#include "judges/model.h"
#include "util/expected.h"

namespace kelp {

// Returns the normalized definition (a null `on` becomes an empty object,
// nothing else changes) or the first error text. Field errors begin with
// `context`; gate errors do not.
Expected<JudgeDefinition, std::string> validate_judge_definition(JudgeDefinition definition,
                                                                 std::string_view context);

// A gate match value that passes; its patterns were compiled and dropped.
struct GatePasses {};

// Tests one gate match value: "/pattern/flags" texts must have supported,
// unrepeated flags and compile; lists are tested element by element; any
// other value passes. The error is the first failure's text.
Expected<GatePasses, std::string> compile_gate_regex_strict(const JsonValue& value);

}  // namespace kelp

// The typed read of one judge YAML source into a JudgeDefinition.
#pragma once

#include <string>
#include <string_view>

#include "judges/model.h"
#include "util/expected.h"

namespace kelp {

// Reads the one document of `text` into the records, refusing unknown,
// repeated and missing fields; the error is the YAML layer's display text
// (message, location, excerpt).
Expected<JudgeDefinition, std::string> read_judge_definition_yaml(std::string_view text);

}  // namespace kelp

// The typed read of one judge YAML source into a JudgeDefinition.
#pragma once

#include <string>
#include <string_view>

#include "judges/model.h"
#include "util/expected.h"
#include "yaml/error.h"
#include "yaml/node.h"

namespace kelp {

// Reads the one document of `text` into the records, refusing unknown,
// repeated and missing fields; the error is the YAML layer's display text
// (message, location, excerpt).
Expected<JudgeDefinition, std::string> read_judge_definition_yaml(std::string_view text);

// The record read from the composed document's root (kNoNode reads like a
// null document); the error carries the offending node's position.
Expected<JudgeDefinition, yaml::YamlError> deserialize_judge_definition(const yaml::NodeTree& tree,
                                                                        yaml::NodeId root);

}  // namespace kelp

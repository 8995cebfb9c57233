// Conversion of a composed node into a JsonValue: plain scalars typed,
// quoted and block scalars as strings, core tags honoured, aliases expanded,
// mappings as objects keyed by the keys' texts. Iterative, so document depth
// does not reach the call stack.
#pragma once

#include "json/value.h"
#include "util/expected.h"
#include "yaml/error.h"
#include "yaml/node.h"

namespace kelp::yaml {

// The value of one scalar node under its tag and style.
Expected<JsonValue, YamlError> scalar_to_json(const NodeTree& tree, NodeId scalar);

// The value of `node` (kNoNode gives null).
Expected<JsonValue, YamlError> node_to_json(const NodeTree& tree, NodeId node);

}  // namespace kelp::yaml

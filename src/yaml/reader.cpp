#include "yaml/reader.h"

#include "yaml/document.h"
#include "yaml/to_json.h"

namespace kelp::yaml {

Expected<JsonValue, ReadError> read_json_value(std::string_view text) {
  return read_yaml_document<JsonValue>(
      text, [](const NodeTree& tree) { return node_to_json(tree, tree.root()); });
}

}  // namespace kelp::yaml

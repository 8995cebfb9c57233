#include "yaml/reader.h"

#include "yaml/document.h"
#include "yaml/to_json.h"

namespace kelp::yaml {

Expected<JsonValue, std::string> read_json_value(std::string_view text) {
  Expected<JsonValue, std::string> result{JsonValue()};
  auto error = read_yaml_document(text, [&](const NodeTree& tree) -> std::optional<YamlError> {
    auto converted = node_to_json(tree, tree.root());
    if (!converted) return std::move(converted).error();
    *result = std::move(*converted);
    return std::nullopt;
  });
  if (error) return unexpected(std::move(*error));
  return result;
}

}  // namespace kelp::yaml

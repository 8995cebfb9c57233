// One complete read of a YAML text: the character check, the byte-order
// mark, composition of its single document, a caller's walk over the
// composed tree, the checks on the rest of the text, and the rendering of
// whichever error came first.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "yaml/error.h"
#include "yaml/node.h"
#include "yaml/options.h"

namespace kelp::yaml {

// Called once with the composed document (its root is kNoNode when the text
// holds none); an error it returns ends the read.
using DocumentVisitor = std::function<std::optional<YamlError>(const NodeTree&)>;

// nullopt on success, otherwise the error's full display text.
std::optional<std::string> read_yaml_document(std::string_view text,
                                              const YamlReadOptions& options,
                                              const DocumentVisitor& visit);

// The same under a fresh default YamlReadOptions.
std::optional<std::string> read_yaml_document(std::string_view text, const DocumentVisitor& visit);

}  // namespace kelp::yaml

// One complete read of a YAML text: the character check, the byte-order
// mark, composition of its single document, a caller's reading of the
// composed tree, the checks on the rest of the text, and the location of
// whichever error came first.
#pragma once

#include <functional>
#include <optional>
#include <string_view>
#include <utility>

#include "util/expected.h"
#include "yaml/error.h"
#include "yaml/node.h"
#include "yaml/options.h"
#include "yaml/read_error.h"

namespace kelp::yaml {

// Called once with the composed document (its root is kNoNode when the text
// holds none); an error it returns ends the read.
using DocumentVisitor = std::function<std::optional<YamlError>(const NodeTree&)>;

// The steps of one read around `visit`; nullopt when every step passed.
std::optional<ReadError> read_document(std::string_view text, const YamlReadOptions& options,
                                       const DocumentVisitor& visit);

// Reads the one document of `text` into a T: `read` takes the composed
// document and returns the T, or the error that ends the read.
template <class T, class Read>
Expected<T, ReadError> read_yaml_document(std::string_view text, const YamlReadOptions& options,
                                          Read&& read) {
  std::optional<T> value;
  auto error = read_document(text, options, [&](const NodeTree& tree) -> std::optional<YamlError> {
    Expected<T, YamlError> got = read(tree);
    if (!got) return std::move(got).error();
    value.emplace(std::move(*got));
    return std::nullopt;
  });
  if (error) return unexpected(std::move(*error));
  return std::move(*value);
}

// The same under a fresh default YamlReadOptions.
template <class T, class Read>
Expected<T, ReadError> read_yaml_document(std::string_view text, Read&& read) {
  YamlReadOptions options;
  return read_yaml_document<T>(text, options, std::forward<Read>(read));
}

}  // namespace kelp::yaml

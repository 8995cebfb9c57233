#include "yaml/reader.h"

#include <charconv>

#include "unicode/text.h"
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

std::optional<std::pair<std::uint64_t, std::string_view>> error_number_after(
    std::string_view text, std::string_view marker) {
  std::size_t at = text.find(marker);
  if (at == std::string_view::npos) return std::nullopt;
  std::string_view rest = unicode::trim_start(text.substr(at + marker.size()));
  std::size_t digits = 0;
  while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') ++digits;
  if (digits == 0) return std::nullopt;
  std::uint64_t number = 0;
  auto [ptr, ec] = std::from_chars(rest.data(), rest.data() + digits, number);
  if (ec != std::errc() || ptr != rest.data() + digits) return std::nullopt;
  return std::make_pair(number, rest.substr(digits));
}

std::optional<Span> span_from_error_text(std::string_view text) {
  auto line = error_number_after(text, "line");
  if (!line) return std::nullopt;
  auto column = error_number_after(line->second, "column");
  if (!column) return std::nullopt;
  return Span{line->first, column->first};
}

}  // namespace kelp::yaml

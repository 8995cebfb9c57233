#include "judges/yaml_read.h"

#include <array>
#include <optional>
#include <span>

#include "unicode/text.h"
#include "yaml/document.h"
#include "yaml/scalar.h"
#include "yaml/tags.h"
#include "yaml/to_json.h"

namespace kelp {

namespace {

using yaml::error_at;
using yaml::message_fragment;
using yaml::Node;
using yaml::NodeId;
using yaml::NodeKind;
using yaml::NodeTree;
using yaml::ScalarStyle;
using yaml::YamlError;

template <class T>
using Read = Expected<T, YamlError>;

constexpr std::array<std::string_view, 5> kDefinitionFields = {"judge", "description", "on", "llm",
                                                               "instructions"};
constexpr std::array<std::string_view, 5> kLlmConfigFields = {"provider", "model", "request",
                                                              "transport", "local"};
constexpr std::array<std::string_view, 3> kLlmRequestFields = {"temperature", "max_tokens",
                                                               "reasoning_effort"};
constexpr std::array<std::string_view, 3> kLlmTransportFields = {"timeout_ms", "max_retries",
                                                                 "max_retry_delay_ms"};
constexpr std::array<std::string_view, 2> kLlmLocalFields = {"base_url", "api_key_env"};

std::size_t offset_of(const NodeTree& tree, NodeId id) {
  return id == yaml::kNoNode ? 0 : tree.node(id).offset;
}

const Node& target_of(const NodeTree& tree, NodeId id) { return tree.node(tree.resolve(id)); }

// A plain scalar that is empty, "~" or "null" in any case, untagged or
// tagged null.
bool is_null_like_plain(const NodeTree& tree, NodeId id) {
  const Node& n = target_of(tree, id);
  if (n.kind != NodeKind::Scalar || n.style != ScalarStyle::Plain) return false;
  std::string_view tag = tree.tag(n);
  return (tag.empty() || tag == yaml::kTagNull) && yaml::is_null_like(tree.text(n));
}

bool is_string_tag(std::string_view tag) {
  return tag.empty() || tag == yaml::kTagNonSpecific || tag == yaml::kTagStr;
}

// ---- scalars -------------------------------------------------------------

Read<std::string> read_text(const NodeTree& tree, NodeId id) {
  const Node& n = target_of(tree, id);
  std::size_t at = offset_of(tree, id);
  if (n.kind != NodeKind::Scalar) {
    return unexpected(error_at(at, std::string("expected string scalar, found ") +
                                       (n.kind == NodeKind::Sequence ? "sequence start"
                                                                     : "mapping start")));
  }
  if (!is_string_tag(tree.tag(n))) {
    return unexpected(error_at(at, "cannot deserialize tagged scalar into string"));
  }
  if (n.style == ScalarStyle::Plain && tree.tag(n).empty() && yaml::is_null_like(tree.text(n))) {
    return unexpected(error_at(at, "invalid type: null, expected a string"));
  }
  return std::string(tree.text(n));
}

Read<std::optional<std::string>> read_optional_text(const NodeTree& tree, NodeId id) {
  if (is_null_like_plain(tree, id)) return std::optional<std::string>();
  auto text = read_text(tree, id);
  if (!text) return unexpected(std::move(text).error());
  return std::optional<std::string>(std::move(*text));
}

// The part of a number error that names what was found, or nullopt when
// the scalar's text is to be parsed as a number.
std::optional<std::string> non_numeric_kind(const NodeTree& tree, NodeId id,
                                            std::string_view expected, YamlError& tag_error) {
  const Node& n = target_of(tree, id);
  if (n.kind == NodeKind::Sequence) return std::string("sequence");
  if (n.kind == NodeKind::Mapping) return std::string("mapping");
  std::string_view tag = tree.tag(n);
  if (!is_string_tag(tag) && tag != yaml::kTagInt && tag != yaml::kTagFloat) {
    tag_error = error_at(offset_of(tree, id),
                         "cannot deserialize tagged scalar into " + std::string(expected));
    return std::string();
  }
  if (n.style == ScalarStyle::Plain && tag.empty()) {
    std::string_view text = tree.text(n);
    if (auto b = yaml::parse_bool(text)) return "boolean `" + std::string(*b ? "true" : "false") + "`";
    if (yaml::is_null_like(text)) return std::string("null");
  }
  return std::nullopt;
}

YamlError number_error(const NodeTree& tree, NodeId id, std::string_view found,
                       std::string_view expected, bool invalid_value = false) {
  return error_at(offset_of(tree, id), std::string(invalid_value ? "invalid value: " : "invalid type: ") +
                                           std::string(found) + ", expected " + std::string(expected));
}

Read<std::uint64_t> read_u64(const NodeTree& tree, NodeId id) {
  YamlError tag_error;
  if (auto kind = non_numeric_kind(tree, id, "u64", tag_error)) {
    if (kind->empty()) return unexpected(std::move(tag_error));
    return unexpected(number_error(tree, id, *kind, "u64"));
  }
  std::string_view text = tree.text(target_of(tree, id));
  if (auto u = yaml::parse_u64(text)) return *u;
  // A text that reads as a number is plain ASCII and stands as written; any
  // other text is quoted with escapes.
  if (yaml::is_integer_text(text)) {
    return unexpected(number_error(tree, id, "integer `" + std::string(text) + "`", "u64", true));
  }
  if (yaml::parse_f64(text)) {
    return unexpected(number_error(tree, id, "floating point `" + std::string(text) + "`", "u64"));
  }
  return unexpected(number_error(tree, id, "string " + unicode::quoted(text), "u64"));
}

Read<std::optional<std::uint64_t>> read_optional_u64(const NodeTree& tree, NodeId id) {
  if (is_null_like_plain(tree, id)) return std::optional<std::uint64_t>();
  auto value = read_u64(tree, id);
  if (!value) return unexpected(std::move(value).error());
  return std::optional<std::uint64_t>(*value);
}

Read<double> read_f64(const NodeTree& tree, NodeId id) {
  YamlError tag_error;
  if (auto kind = non_numeric_kind(tree, id, "f64", tag_error)) {
    if (kind->empty()) return unexpected(std::move(tag_error));
    return unexpected(number_error(tree, id, *kind, "f64"));
  }
  std::string_view text = tree.text(target_of(tree, id));
  if (auto f = yaml::parse_f64(text)) return *f;
  return unexpected(number_error(tree, id, "string " + unicode::quoted(text), "f64"));
}

// ---- records -------------------------------------------------------------

std::string joined(std::span<const std::string_view> fields) {
  std::string out;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out += ", ";
    out += fields[i];
  }
  return out;
}

Read<std::size_t> match_field(std::span<const std::string_view> fields, const NodeTree& tree,
                              NodeId key) {
  std::string_view text = tree.key_text(key);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (fields[i] == text) return i;
  }
  // The key stands exactly as written, whatever it holds.
  return unexpected(error_at(offset_of(tree, key), "unknown field `" + std::string(text) +
                                                       "`, expected one of " + joined(fields)));
}

Read<std::size_t> match_judge_definition_field(const NodeTree& tree, NodeId key) {
  return match_field(kDefinitionFields, tree, key);
}
Read<std::size_t> match_judge_llm_config_field(const NodeTree& tree, NodeId key) {
  return match_field(kLlmConfigFields, tree, key);
}
Read<std::size_t> match_judge_llm_request_field(const NodeTree& tree, NodeId key) {
  return match_field(kLlmRequestFields, tree, key);
}
Read<std::size_t> match_judge_llm_transport_field(const NodeTree& tree, NodeId key) {
  return match_field(kLlmTransportFields, tree, key);
}
Read<std::size_t> match_judge_llm_local_field(const NodeTree& tree, NodeId key) {
  return match_field(kLlmLocalFields, tree, key);
}

// The mapping a record is read from: the node itself, or kNoNode for a
// null-like scalar, which reads as a mapping without entries.
Read<NodeId> record_mapping(const NodeTree& tree, NodeId id) {
  if (id == yaml::kNoNode || is_null_like_plain(tree, id)) return yaml::kNoNode;
  NodeId target = tree.resolve(id);
  const Node& n = tree.node(target);
  if (n.kind == NodeKind::Mapping) {
    std::string_view tag = tree.tag(n);
    if (!tag.empty() && tag != yaml::kTagNonSpecific && tag != yaml::kTagMap) {
      return unexpected(error_at(offset_of(tree, id), "unsupported tag `" +
                                                          message_fragment(yaml::display_tag(tag)) +
                                                          "`"));
    }
    return target;
  }
  return unexpected(error_at(offset_of(tree, id),
                             std::string("expected mapping start, found ") +
                                 (n.kind == NodeKind::Sequence ? "sequence start" : "scalar")));
}

// Walks a record's entries in document order: matches each key, refuses a
// field given twice, and hands the value to `read_value(field, value)`.
template <std::size_t N, class Match, class ReadValue>
std::optional<YamlError> visit_entries(const NodeTree& tree, NodeId mapping,
                                       const std::array<std::string_view, N>& fields,
                                       std::array<bool, N>& seen, Match match,
                                       ReadValue read_value) {
  if (mapping == yaml::kNoNode) return std::nullopt;
  std::span<const NodeId> items = tree.items(tree.node(mapping));
  for (std::size_t i = 0; i < items.size(); i += 2) {
    auto field = match(tree, items[i]);
    if (!field) return std::move(field).error();
    if (seen[*field]) {
      return error_at(offset_of(tree, items[i]),
                      "duplicate field `" + std::string(fields[*field]) + "`");
    }
    seen[*field] = true;
    if (auto error = read_value(*field, items[i + 1])) return error;
  }
  return std::nullopt;
}

template <class T>
std::optional<YamlError> assign(Read<T> value, T& slot) {
  if (!value) return std::move(value).error();
  slot = std::move(*value);
  return std::nullopt;
}

YamlError missing(std::size_t offset, std::string_view field) {
  return error_at(offset, "missing field `" + std::string(field) + "`");
}

Read<JudgeLlmRequest> judge_llm_request_visit_map(const NodeTree& tree, NodeId mapping) {
  JudgeLlmRequest out;
  std::array<bool, 3> seen{};
  auto error = visit_entries(tree, mapping, kLlmRequestFields, seen, match_judge_llm_request_field,
                             [&](std::size_t field, NodeId value) -> std::optional<YamlError> {
                               switch (field) {
                                 case 0:
                                   return assign(read_f64(tree, value), out.temperature);
                                 case 1:
                                   return assign(read_optional_u64(tree, value), out.max_tokens);
                                 default:
                                   return assign(read_optional_text(tree, value), out.reasoning_effort);
                               }
                             });
  if (error) return unexpected(std::move(*error));
  return out;
}

Read<JudgeLlmTransport> judge_llm_transport_visit_map(const NodeTree& tree, NodeId mapping) {
  JudgeLlmTransport out;
  std::array<bool, 3> seen{};
  auto error = visit_entries(tree, mapping, kLlmTransportFields, seen,
                             match_judge_llm_transport_field,
                             [&](std::size_t field, NodeId value) -> std::optional<YamlError> {
                               switch (field) {
                                 case 0:
                                   return assign(read_u64(tree, value), out.timeout_ms);
                                 case 1:
                                   return assign(read_u64(tree, value), out.max_retries);
                                 default:
                                   return assign(read_u64(tree, value), out.max_retry_delay_ms);
                               }
                             });
  if (error) return unexpected(std::move(*error));
  return out;
}

Read<JudgeLlmLocal> judge_llm_local_visit_map(const NodeTree& tree, NodeId mapping,
                                              std::size_t site) {
  JudgeLlmLocal out;
  std::array<bool, 2> seen{};
  auto error = visit_entries(tree, mapping, kLlmLocalFields, seen, match_judge_llm_local_field,
                             [&](std::size_t field, NodeId value) -> std::optional<YamlError> {
                               if (field == 0) return assign(read_text(tree, value), out.base_url);
                               return assign(read_text(tree, value), out.api_key_env);
                             });
  if (error) return unexpected(std::move(*error));
  if (!seen[0]) return unexpected(missing(site, "base_url"));
  if (!seen[1]) return unexpected(missing(site, "api_key_env"));
  return out;
}

// Reads the record of `id` with `visit(mapping, site)`.
template <class T, class Visit>
Read<T> read_record(const NodeTree& tree, NodeId id, Visit visit) {
  auto mapping = record_mapping(tree, id);
  if (!mapping) return unexpected(std::move(mapping).error());
  return visit(*mapping, offset_of(tree, id));
}

Read<JudgeLlmConfig> judge_llm_config_visit_map(const NodeTree& tree, NodeId mapping,
                                                std::size_t site) {
  JudgeLlmConfig out;
  std::array<bool, 5> seen{};
  auto error = visit_entries(
      tree, mapping, kLlmConfigFields, seen, match_judge_llm_config_field,
      [&](std::size_t field, NodeId value) -> std::optional<YamlError> {
        switch (field) {
          case 0:
            return assign(read_text(tree, value), out.provider);
          case 1:
            return assign(read_text(tree, value), out.model);
          case 2:
            return assign(read_record<JudgeLlmRequest>(tree, value,
                                                       [&](NodeId m, std::size_t) {
                                                         return judge_llm_request_visit_map(tree, m);
                                                       }),
                          out.request);
          case 3:
            return assign(read_record<JudgeLlmTransport>(tree, value,
                                                         [&](NodeId m, std::size_t) {
                                                           return judge_llm_transport_visit_map(tree, m);
                                                         }),
                          out.transport);
          default: {
            // An optional record: a null-like scalar leaves it absent.
            if (is_null_like_plain(tree, value)) {
              out.local.reset();
              return std::nullopt;
            }
            auto local = read_record<JudgeLlmLocal>(tree, value, [&](NodeId m, std::size_t site_of) {
              return judge_llm_local_visit_map(tree, m, site_of);
            });
            if (!local) return std::move(local).error();
            out.local = std::move(*local);
            return std::nullopt;
          }
        }
      });
  if (error) return unexpected(std::move(*error));
  if (!seen[1]) return unexpected(missing(site, "model"));
  return out;
}

Read<JudgeDefinition> judge_definition_visit_map(const NodeTree& tree, NodeId mapping,
                                                 std::size_t site) {
  JudgeDefinition out;
  std::array<bool, 5> seen{};
  auto error = visit_entries(
      tree, mapping, kDefinitionFields, seen, match_judge_definition_field,
      [&](std::size_t field, NodeId value) -> std::optional<YamlError> {
        switch (field) {
          case 0:
            return assign(read_text(tree, value), out.judge);
          case 1:
            return assign(read_optional_text(tree, value), out.description);
          case 2:
            return assign(yaml::node_to_json(tree, value), out.on);
          case 3:
            return assign(read_record<JudgeLlmConfig>(tree, value,
                                                      [&](NodeId m, std::size_t site_of) {
                                                        return judge_llm_config_visit_map(tree, m, site_of);
                                                      }),
                          out.llm);
          default:
            return assign(read_optional_text(tree, value), out.instructions);
        }
      });
  if (error) return unexpected(std::move(*error));
  if (!seen[0]) return unexpected(missing(site, "judge"));
  if (!seen[3]) return unexpected(missing(site, "llm"));
  return out;
}

}  // namespace

Expected<JudgeDefinition, YamlError> deserialize_judge_definition(const NodeTree& tree, NodeId root) {
  return read_record<JudgeDefinition>(tree, root, [&](NodeId mapping, std::size_t site) {
    return judge_definition_visit_map(tree, mapping, site);
  });
}

Expected<JudgeDefinition, std::string> read_judge_definition_yaml(std::string_view text) {
  auto read = yaml::read_yaml_document<JudgeDefinition>(
      text, [](const NodeTree& tree) { return deserialize_judge_definition(tree, tree.root()); });
  if (!read) return unexpected(read.error().display());
  return std::move(*read);
}

}  // namespace kelp

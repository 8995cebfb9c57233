#include "yaml/to_json.h"

#include <optional>
#include <string>
#include <vector>

#include "yaml/scalar.h"
#include "yaml/tags.h"

namespace kelp::yaml {

namespace {

YamlError tag_value_error(const Node& node, std::string_view tag, std::string_view text) {
  return error_at(node.offset, "invalid value \"" + message_fragment(text) + "\" for tag " +
                                   display_tag(tag));
}

YamlError unsupported_tag(const Node& node, std::string_view tag) {
  return error_at(node.offset, "unsupported tag `" + message_fragment(display_tag(tag)) + "`");
}

std::optional<YamlError> check_collection_tag(const NodeTree& tree, const Node& node) {
  std::string_view tag = tree.tag(node);
  if (tag.empty() || tag == kTagNonSpecific) return std::nullopt;
  if (node.kind == NodeKind::Sequence && tag == kTagSeq) return std::nullopt;
  if (node.kind == NodeKind::Mapping && tag == kTagMap) return std::nullopt;
  return unsupported_tag(node, tag);
}

}  // namespace

Expected<JsonValue, YamlError> scalar_to_json(const NodeTree& tree, NodeId scalar) {
  const Node& node = tree.node(tree.resolve(scalar));
  std::string_view text = tree.text(node);
  std::string_view tag = tree.tag(node);
  if (tag.empty()) {
    if (node.style == ScalarStyle::Plain) return resolve_plain_scalar(text);
    return JsonValue(text);
  }
  if (tag == kTagNonSpecific || tag == kTagStr) return JsonValue(text);
  if (tag == kTagNull) {
    if (is_null_like(text)) return JsonValue(nullptr);
    return unexpected(tag_value_error(node, tag, text));
  }
  if (tag == kTagBool) {
    if (auto b = parse_bool(text)) return JsonValue(*b);
    return unexpected(tag_value_error(node, tag, text));
  }
  if (tag == kTagInt) {
    if (auto u = parse_u64(text)) return JsonValue(*u);
    if (auto i = parse_i64(text)) return JsonValue(*i);
    return unexpected(tag_value_error(node, tag, text));
  }
  if (tag == kTagFloat) {
    if (auto f = parse_f64(text)) return JsonValue(*f);
    return unexpected(tag_value_error(node, tag, text));
  }
  return unexpected(unsupported_tag(node, tag));
}

Expected<JsonValue, YamlError> node_to_json(const NodeTree& tree, NodeId root) {
  if (root == kNoNode) return JsonValue(nullptr);
  struct Frame {
    NodeId node;
    std::size_t next = 0;
    JsonValue value;
    std::string key;
  };
  std::vector<Frame> stack;
  Expected<JsonValue, YamlError> converted{JsonValue()};
  JsonValue& result = *converted;

  auto deliver = [&](JsonValue value) {
    if (stack.empty()) {
      result = std::move(value);
      return;
    }
    Frame& parent = stack.back();
    if (parent.value.is_array()) {
      parent.value.as_array().push_back(std::move(value));
    } else {
      parent.value.as_object().emplace(std::move(parent.key), std::move(value));
    }
  };
  // Converts a scalar at once, or opens a frame for a collection.
  auto start = [&](NodeId id) -> std::optional<YamlError> {
    NodeId target = tree.resolve(id);
    const Node& node = tree.node(target);
    if (node.kind == NodeKind::Scalar) {
      auto value = scalar_to_json(tree, target);
      if (!value) return value.error();
      deliver(std::move(*value));
      return std::nullopt;
    }
    if (auto error = check_collection_tag(tree, node)) return error;
    Frame frame{target, 0, {}, {}};
    if (node.kind == NodeKind::Sequence) {
      JsonValue::Array array;
      array.reserve(node.size);
      frame.value = JsonValue(std::move(array));
    } else {
      frame.value = JsonValue(JsonValue::Object{});
    }
    stack.push_back(std::move(frame));
    return std::nullopt;
  };

  if (auto error = start(root)) return unexpected(std::move(*error));
  while (!stack.empty()) {
    Frame& frame = stack.back();
    const Node& node = tree.node(frame.node);
    std::span<const NodeId> items = tree.items(node);
    if (frame.next >= items.size()) {
      JsonValue done = std::move(frame.value);
      stack.pop_back();
      deliver(std::move(done));
      continue;
    }
    NodeId child;
    if (node.kind == NodeKind::Mapping) {
      frame.key = std::string(tree.key_text(items[frame.next]));
      child = items[frame.next + 1];
      frame.next += 2;
    } else {
      child = items[frame.next++];
    }
    if (auto error = start(child)) return unexpected(std::move(*error));
  }
  return converted;
}

}  // namespace kelp::yaml

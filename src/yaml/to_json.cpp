#include "yaml/to_json.h"

#include <memory>
#include <optional>
#include <tuple>
#include <string>
#include <vector>

#include "yaml/scalar.h"
#include "yaml/tags.h"

namespace kelp::yaml {

namespace {

YamlError tag_value_error(const Node& node, std::string_view tag, std::string_view text) {
  return error_at(ReadErrorKind::Tag, node.offset, "invalid value \"" + message_fragment(text) + "\" for tag " +
                                   display_tag(tag));
}

YamlError unsupported_tag(const Node& node, std::string_view tag) {
  return error_at(ReadErrorKind::Tag, node.offset, "unsupported tag `" + message_fragment(display_tag(tag)) + "`");
}

std::optional<YamlError> check_collection_tag(const NodeTree& tree, const Node& node) {
  std::string_view tag = tree.tag(node);
  if (tag.empty() || tag == kTagNonSpecific) return std::nullopt;
  if (node.kind == NodeKind::Sequence && tag == kTagSeq) return std::nullopt;
  if (node.kind == NodeKind::Mapping && tag == kTagMap) return std::nullopt;
  return unsupported_tag(node, tag);
}

// Builds the value of a node iteratively, so that document depth does not
// reach the call stack. Values are built in their final place: array items
// in storage reserved to the exact count, object members in their map
// nodes, which never move.
class Converter {
 public:
  explicit Converter(const NodeTree& tree) : tree_(tree) { stack_.reserve(8); }

  Expected<JsonValue, YamlError> run(NodeId root) {
    Expected<JsonValue, YamlError> converted{JsonValue()};
    auto at_root = [&](auto&& arg) -> JsonValue& {
      *converted = JsonValue(std::forward<decltype(arg)>(arg));
      return *converted;
    };
    if (auto error = start(root, at_root)) return unexpected(std::move(*error));
    while (!stack_.empty()) {
      if (auto error = next_item()) return unexpected(std::move(*error));
    }
    return converted;
  }

 private:
  struct Frame {
    NodeId node;
    std::size_t next;
    JsonValue* value;
  };

  // Builds the value of node `id` through `place`, which constructs a
  // JsonValue in its final place from one constructor argument and returns
  // it; a collection also opens a frame for its items.
  template <class Place>
  std::optional<YamlError> start(NodeId id, Place&& place) {
    NodeId target = tree_.resolve(id);
    const Node& node = tree_.node(target);
    if (node.kind == NodeKind::Scalar) {
      if (node.tag == 0) {
        // Untagged scalars cannot fail; this spares the general path.
        std::string_view text = tree_.text(node);
        if (node.style == ScalarStyle::Plain) {
          visit_plain_scalar(text, place);
        } else {
          place(text);
        }
        return std::nullopt;
      }
      auto value = scalar_to_json(tree_, target);
      if (!value) return value.error();
      place(std::move(*value));
      return std::nullopt;
    }
    if (auto error = check_collection_tag(tree_, node)) return error;
    JsonValue* slot;
    if (node.kind == NodeKind::Sequence) {
      slot = &place(JsonValue::Array{});
      slot->as_array().reserve(node.size);
    } else {
      slot = &place(JsonValue::Object{});
    }
    stack_.push_back(Frame{target, 0, slot});
    return std::nullopt;
  }

  // Converts the next item of the innermost open collection, or closes it.
  std::optional<YamlError> next_item() {
    Frame& frame = stack_.back();
    const Node& node = tree_.node(frame.node);
    std::span<const NodeId> items = tree_.items(node);
    if (frame.next >= items.size()) {
      stack_.pop_back();
      return std::nullopt;
    }
    if (node.kind != NodeKind::Mapping) {
      NodeId child = items[frame.next++];
      auto& array = frame.value->as_array();
      return start(child, [&](auto&& arg) -> JsonValue& {
        return array.emplace_back(std::forward<decltype(arg)>(arg));
      });
    }
    std::string_view key = tree_.key_text(items[frame.next]);
    NodeId child = items[frame.next + 1];
    frame.next += 2;
    auto& object = frame.value->as_object();
    auto at = object.lower_bound(key);
    if (at != object.end() && at->first == key) {
      // Later values of a repeated key are built and dropped, so that the
      // first one stays, as in one-by-one insertion.
      return start(child, [&](auto&& arg) -> JsonValue& {
        dropped_.push_back(std::make_unique<JsonValue>(std::forward<decltype(arg)>(arg)));
        return *dropped_.back();
      });
    }
    return start(child, [&](auto&& arg) -> JsonValue& {
      return object
          .emplace_hint(at, std::piecewise_construct, std::forward_as_tuple(key),
                        std::forward_as_tuple(std::forward<decltype(arg)>(arg)))
          ->second;
    });
  }

  const NodeTree& tree_;
  std::vector<Frame> stack_;
  std::vector<std::unique_ptr<JsonValue>> dropped_;
};

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
  return Converter(tree).run(root);
}

}  // namespace kelp::yaml

// The composed YAML document: scalars, sequences, mappings and aliases, each
// with its source position, tag and (for scalars) style. Aliases stay nodes
// that point at their anchored node, so replay costs nothing until a reader
// walks them; merge keys are already resolved into the mappings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "yaml/event_source.h"

namespace kelp::yaml {

using NodeId = std::uint32_t;
inline constexpr NodeId kNoNode = 0xFFFFFFFFu;

enum class NodeKind : std::uint8_t { Scalar, Sequence, Mapping, Alias };

struct Node {
  NodeKind kind = NodeKind::Scalar;
  ScalarStyle style = ScalarStyle::Plain;
  // Index into the tree's tag table; 0 for no tag.
  std::uint32_t tag = 0;
  // Byte offset of the node's main token in the parsed text.
  std::size_t offset = 0;
  // Scalar: its text. Sequence: items. Mapping: keys and values alternating
  // (`size` counts entries). Alias: `first` is the target node.
  const char* text = nullptr;
  std::size_t size = 0;
  std::size_t first = 0;
};

class NodeTree {
 public:
  NodeTree();

  // The document's root node; kNoNode when the text holds no document.
  NodeId root() const { return root_; }
  void set_root(NodeId id) { root_ = id; }

  std::size_t node_count() const { return nodes_.size(); }
  const Node& node(NodeId id) const { return nodes_[id]; }
  // The node itself, or for an alias the node it refers to.
  NodeId resolve(NodeId id) const {
    const Node& n = nodes_[id];
    return n.kind == NodeKind::Alias ? static_cast<NodeId>(n.first) : id;
  }
  std::string_view text(const Node& n) const { return {n.text, n.size}; }
  std::string_view tag(const Node& n) const { return tags_[n.tag]; }
  // Sequence items, or mapping keys and values alternating.
  std::span<const NodeId> items(const Node& n) const {
    if (n.kind == NodeKind::Sequence) return {items_.data() + n.first, n.size};
    if (n.kind == NodeKind::Mapping) return {items_.data() + n.first, 2 * n.size};
    return {};
  }
  // The text of a mapping key node (a scalar, or an alias of one).
  std::string_view key_text(NodeId key) const { return text(node(resolve(key))); }

  // Scalar texts that are views into `source` are kept as views; others are
  // copied. `source` must outlive the tree.
  void borrow_from(std::string_view source) { source_ = source; }

  // One per scalar of the document; kept inline.
  NodeId add_scalar(std::size_t offset, std::string_view text, ScalarStyle style,
                    std::string_view tag) {
    Node n;
    n.kind = NodeKind::Scalar;
    n.style = style;
    n.tag = intern_tag(tag);
    n.offset = offset;
    n.text = store_text(text);
    n.size = text.size();
    nodes_.push_back(n);
    return static_cast<NodeId>(nodes_.size() - 1);
  }
  NodeId add_alias(std::size_t offset, NodeId target);
  // A collection whose items are set once complete.
  NodeId add_collection(NodeKind kind, std::size_t offset, std::string_view tag);
  void set_items(NodeId id, std::span<const NodeId> items);

 private:
  // Most nodes have no tag; that case stays inline.
  std::uint32_t intern_tag(std::string_view tag) { return tag.empty() ? 0 : intern_new_tag(tag); }
  std::uint32_t intern_new_tag(std::string_view tag);
  // Views into the source stay views; that case stays inline.
  const char* store_text(std::string_view text) {
    std::less_equal<const char*> before;
    if (!text.empty() && before(source_.data(), text.data()) &&
        before(text.data() + text.size(), source_.data() + source_.size())) {
      return text.data();
    }
    return copy_text(text);
  }
  const char* copy_text(std::string_view text);

  std::vector<Node> nodes_;
  std::vector<NodeId> items_;
  std::vector<std::string> tags_;
  std::unordered_map<std::string, std::uint32_t> tag_index_;
  // Scalar texts live in fixed chunks so that views of them stay valid.
  std::vector<std::unique_ptr<char[]>> chunks_;
  std::size_t chunk_used_ = 0;
  std::size_t chunk_size_ = 0;
  NodeId root_ = kNoNode;
  std::string_view source_;
};

}  // namespace kelp::yaml

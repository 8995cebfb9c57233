// Composition of a YAML event stream into a NodeTree under YamlReadOptions:
// one document, duplicate keys refused, merge keys resolved, aliases checked,
// and every budget counted as the events arrive, so that hostile input is
// refused before it is materialised.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "yaml/error.h"
#include "yaml/event_source.h"
#include "yaml/node.h"
#include "yaml/options.h"

namespace kelp::yaml {

class Composer {
 public:
  // `text` (no byte-order mark, no NUL byte) must outlive the composer.
  Composer(std::string_view text, const YamlReadOptions& options);

  // Composes the first document; the tree's root stays kNoNode when the text
  // holds none.
  std::optional<YamlError> read_first_document();
  const NodeTree& tree() const { return tree_; }

  // Reads the rest of the stream: refuses a second document and applies the
  // checks that need the whole text (comments after the document, the
  // alias/anchor ratio).
  std::optional<YamlError> finish();

 private:
  // What replaying a complete node costs: its events with aliases expanded,
  // its collection height with aliases expanded, how deeply aliases nest
  // inside it, and its scalar bytes with aliases expanded. All saturate
  // rather than overflow.
  struct Cost {
    std::uint64_t events = 1;
    std::uint64_t height = 0;
    std::uint64_t nesting = 0;
    std::uint64_t scalar_bytes = 0;
  };
  struct Anchor {
    NodeId node = kNoNode;
    Cost cost;
    bool complete = false;
  };
  struct Frame {
    NodeId node = kNoNode;
    bool mapping = false;
    bool merge_value_pending = false;
    bool has_merge = false;
    std::size_t items_start = 0;
    std::string anchor;
    Cost cost{2, 0, 0, 0};
    std::unique_ptr<std::unordered_set<std::string_view>> keys;
  };

  std::optional<YamlError> on_event(const Event& event, bool& document_done);
  std::optional<YamlError> on_scalar(const Event& event);
  std::optional<YamlError> on_alias(const Event& event);
  std::optional<YamlError> on_collection_start(const Event& event, NodeKind kind);
  std::optional<YamlError> on_collection_end(const Event& event);
  // Adds a complete node to the open collection (or makes it the root).
  std::optional<YamlError> attach(NodeId id, const Cost& cost);
  bool in_key_position() const {
    if (stack_.empty() || !stack_.back().mapping) return false;
    return (pending_items_.size() - stack_.back().items_start) % 2 == 0;
  }
  std::optional<YamlError> add_key(std::string_view key, std::size_t offset);
  std::optional<YamlError> check_merge_value(NodeId value);
  void resolve_merges(Frame& frame);
  std::optional<YamlError> register_anchor(std::string_view name, NodeId node, const Cost& cost,
                                           bool complete, std::size_t offset);
  std::optional<YamlError> breach(std::string_view what, std::uint64_t limit, std::size_t offset) const;

  std::string_view text_;
  const YamlReadOptions& options_;
  EventSource events_;
  NodeTree tree_;
  std::vector<Frame> stack_;
  std::vector<NodeId> pending_items_;
  std::unordered_map<std::string, Anchor> anchors_;

  std::uint64_t event_count_ = 0;
  std::uint64_t alias_count_ = 0;
  std::uint64_t node_count_ = 0;
  std::uint64_t document_count_ = 0;
  std::uint64_t scalar_bytes_ = 0;
  std::uint64_t merge_key_count_ = 0;
  std::uint64_t replayed_events_ = 0;
  std::size_t last_alias_offset_ = 0;
  // Open collections that carry an anchor.
  std::size_t anchored_frames_ = 0;
  bool stream_ended_ = false;
};

}  // namespace kelp::yaml

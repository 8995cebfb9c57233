#include "yaml/compose.h"

#include <algorithm>
#include <limits>

#include "yaml/tags.h"

namespace kelp::yaml {

namespace {

// Above this many keys a mapping looks its keys up in a hash set instead of
// scanning them.
constexpr std::size_t kLinearKeyScan = 32;

std::uint64_t saturating_add(std::uint64_t a, std::uint64_t b) {
  constexpr std::uint64_t cap = std::numeric_limits<std::uint64_t>::max() / 2;
  return (a >= cap || b >= cap - a) ? cap : a + b;
}

}  // namespace

Composer::Composer(std::string_view text, const YamlReadOptions& options)
    : text_(text),
      options_(options),
      events_(text, options.max_depth, options.max_scalar_bytes, options.max_comment_bytes) {
  tree_.borrow_from(text);
  // Room for a small document, so that it does not regrow step by step.
  stack_.reserve(8);
  pending_items_.reserve(64);
}

std::optional<YamlError> Composer::breach(std::string_view what, std::uint64_t limit,
                                          std::size_t offset) const {
  std::string message = "budget breached: ";
  message += what;
  message += " (limit ";
  message += std::to_string(limit);
  message += ")";
  return error_at(ReadErrorKind::Budget, offset, std::move(message));
}

std::optional<YamlError> Composer::read_first_document() {
  bool document_done = false;
  Event event;
  while (!document_done && !stream_ended_) {
    if (!events_.next(event)) return events_.error();
    if (auto error = on_event(event, document_done)) return error;
  }
  return std::nullopt;
}

std::optional<YamlError> Composer::finish() {
  Event event;
  while (!stream_ended_) {
    if (!events_.next(event)) return events_.error();
    bool document_done = false;
    if (auto error = on_event(event, document_done)) return error;
  }
  if (options_.enforce_alias_anchor_ratio && alias_count_ >= options_.ratio_min_aliases &&
      (anchors_.empty() || alias_count_ > anchors_.size() * options_.max_aliases_per_anchor)) {
    return error_at(ReadErrorKind::Budget, last_alias_offset_, "budget breached: alias/anchor ratio (" +
                                            std::to_string(alias_count_) + " aliases for " +
                                            std::to_string(anchors_.size()) + " anchors)");
  }
  return std::nullopt;
}

std::optional<YamlError> Composer::on_event(const Event& event, bool& document_done) {
  if (++event_count_ > options_.max_events) {
    return breach("parser events", options_.max_events, event.start);
  }
  switch (event.type) {
    case EventType::StreamStart:
      return std::nullopt;
    case EventType::StreamEnd:
      stream_ended_ = true;
      return std::nullopt;
    case EventType::DocumentStart:
      if (++document_count_ > options_.documents_per_text) {
        return error_at(ReadErrorKind::SecondDocument, event.start,
                        "more than one document in the YAML text");
      }
      if (document_count_ > options_.max_documents) {
        return breach("documents", options_.max_documents, event.start);
      }
      return std::nullopt;
    case EventType::DocumentEnd:
      document_done = true;
      return std::nullopt;
    case EventType::Scalar:
      return on_scalar(event);
    case EventType::Alias:
      return on_alias(event);
    case EventType::SequenceStart:
      return on_collection_start(event, NodeKind::Sequence);
    case EventType::MappingStart:
      return on_collection_start(event, NodeKind::Mapping);
    case EventType::SequenceEnd:
    case EventType::MappingEnd:
      return on_collection_end(event);
  }
  return std::nullopt;
}

std::optional<YamlError> Composer::register_anchor(std::string_view name, NodeId node,
                                                   const Cost& cost, bool complete,
                                                   std::size_t offset) {
  auto [it, inserted] = anchors_.try_emplace(std::string(name));
  if (inserted && anchors_.size() > options_.max_anchors) {
    return breach("distinct anchors", options_.max_anchors, offset);
  }
  it->second.node = node;
  it->second.cost = cost;
  it->second.complete = complete;
  return std::nullopt;
}

std::optional<YamlError> Composer::add_key(std::string_view key, std::size_t offset) {
  Frame& frame = stack_.back();
  bool duplicate = false;
  if (frame.keys) {
    duplicate = !frame.keys->insert(key).second;
  } else {
    std::size_t count = 0;
    for (std::size_t i = frame.items_start; i < pending_items_.size(); i += 2, ++count) {
      if (tree_.key_text(pending_items_[i]) == key) {
        duplicate = true;
        break;
      }
    }
    if (!duplicate && count + 1 > kLinearKeyScan) {
      frame.keys = std::make_unique<std::unordered_set<std::string_view>>();
      for (std::size_t i = frame.items_start; i < pending_items_.size(); i += 2) {
        frame.keys->insert(tree_.key_text(pending_items_[i]));
      }
      frame.keys->insert(key);
    }
  }
  if (duplicate && options_.refuse_duplicate_keys) {
    return error_at(ReadErrorKind::DuplicateKey, offset, "duplicate key `" + message_fragment(key) + "` in mapping");
  }
  return std::nullopt;
}

std::optional<YamlError> Composer::on_scalar(const Event& event) {
  if (++node_count_ > options_.max_nodes) return breach("nodes", options_.max_nodes, event.start);
  scalar_bytes_ += event.text.size();
  if (scalar_bytes_ > options_.max_scalar_bytes) {
    return breach("total scalar bytes", options_.max_scalar_bytes, event.start);
  }

  NodeId id = tree_.add_scalar(event.start, event.text, event.style, event.tag);
  if (in_key_position()) {
    if (!event.tag.empty() && !is_key_tag(event.tag)) {
      return error_at(ReadErrorKind::Tag, event.start, "unsupported tag `" + message_fragment(display_tag(event.tag)) +
                                       "` on a mapping key");
    }
    if (auto error = add_key(tree_.key_text(id), event.start)) return error;
    if (options_.merge_keys && event.text == "<<" && is_merge_key(tree_, id)) {
      if (++merge_key_count_ > options_.max_merge_keys) {
        return breach("merge keys", options_.max_merge_keys, event.start);
      }
      stack_.back().merge_value_pending = true;
    }
  }
  Cost cost;
  cost.scalar_bytes = event.text.size();
  if (!event.anchor.empty()) {
    if (auto error = register_anchor(event.anchor, id, cost, true, event.start)) return error;
  }
  return attach(id, cost);
}

std::optional<YamlError> Composer::on_alias(const Event& event) {
  if (++alias_count_ > options_.max_aliases) {
    return breach("aliases", options_.max_aliases, event.start);
  }
  if (++node_count_ > options_.max_nodes) return breach("nodes", options_.max_nodes, event.start);
  last_alias_offset_ = event.start;
  auto it = anchors_.find(std::string(event.text));
  if (it == anchors_.end()) {
    return error_at(ReadErrorKind::Alias, event.start, "unknown alias `" + message_fragment(event.text) + "`");
  }
  const Anchor& anchor = it->second;
  if (!anchor.complete) {
    return error_at(ReadErrorKind::Alias, event.start,
                    "alias `" + message_fragment(event.text) + "` refers to a node that contains it");
  }
  Cost cost{anchor.cost.events, anchor.cost.height, anchor.cost.nesting + 1,
            anchor.cost.scalar_bytes};
  replayed_events_ = saturating_add(replayed_events_, anchor.cost.events);
  if (replayed_events_ > options_.max_replayed_events) {
    return breach("events replayed through aliases", options_.max_replayed_events, event.start);
  }
  // A replay costs the bytes it would have taken to write the node out, so
  // nested anchors cannot multiply past the budget before anything expands.
  scalar_bytes_ = saturating_add(scalar_bytes_, anchor.cost.scalar_bytes);
  if (scalar_bytes_ > options_.max_scalar_bytes) {
    return breach("total scalar bytes", options_.max_scalar_bytes, event.start);
  }
  if (cost.nesting > options_.max_replay_nesting) {
    return breach("replay nesting", options_.max_replay_nesting, event.start);
  }
  if (saturating_add(stack_.size(), cost.height) > options_.max_depth) {
    return breach("nesting depth", options_.max_depth, event.start);
  }
  NodeId id = tree_.add_alias(event.start, anchor.node);
  if (in_key_position()) {
    if (tree_.node(anchor.node).kind != NodeKind::Scalar) {
      return error_at(ReadErrorKind::Structure, event.start, "mapping keys must be scalars");
    }
    if (auto error = add_key(tree_.key_text(id), event.start)) return error;
  }
  return attach(id, cost);
}

std::optional<YamlError> Composer::on_collection_start(const Event& event, NodeKind kind) {
  if (++node_count_ > options_.max_nodes) return breach("nodes", options_.max_nodes, event.start);
  if (stack_.size() + 1 > options_.max_depth) {
    return breach("nesting depth", options_.max_depth, event.start);
  }
  if (in_key_position()) {
    return error_at(ReadErrorKind::Structure, event.start, "mapping keys must be scalars");
  }
  NodeId id = tree_.add_collection(kind, event.start, event.tag);
  if (!event.anchor.empty()) {
    if (auto error = register_anchor(event.anchor, id, Cost{}, false, event.start)) return error;
  }
  // Built in place: frames hold a string and a pointer, which moving costs.
  Frame& frame = stack_.emplace_back();
  frame.node = id;
  frame.mapping = kind == NodeKind::Mapping;
  frame.items_start = pending_items_.size();
  frame.anchor.assign(event.anchor);
  if (!event.anchor.empty()) ++anchored_frames_;
  return std::nullopt;
}

std::optional<YamlError> Composer::on_collection_end(const Event& event) {
  if (stack_.empty()) {
    return error_at(ReadErrorKind::Syntax, event.start, "unbalanced end of a YAML collection");
  }
  // Finished in place and dropped before it attaches to its parent.
  Frame& frame = stack_.back();
  if (frame.has_merge) resolve_merges(frame);
  std::span<const NodeId> items(pending_items_.data() + frame.items_start,
                                pending_items_.size() - frame.items_start);
  tree_.set_items(frame.node, items);
  pending_items_.resize(frame.items_start);
  Cost cost{frame.cost.events, frame.cost.height + 1, frame.cost.nesting, frame.cost.scalar_bytes};
  NodeId node = frame.node;
  std::optional<YamlError> anchor_error;
  if (!frame.anchor.empty()) {
    anchor_error = register_anchor(frame.anchor, node, cost, true, event.start);
    --anchored_frames_;
  }
  stack_.pop_back();
  if (anchor_error) return anchor_error;
  return attach(node, cost);
}

std::optional<YamlError> Composer::attach(NodeId id, const Cost& cost) {
  if (stack_.empty()) {
    tree_.set_root(id);
    return std::nullopt;
  }
  Frame& frame = stack_.back();
  // Costs matter only to an anchor that may later be replayed; with no
  // anchored collection open nothing reads them.
  if (anchored_frames_ > 0) {
    frame.cost.events = saturating_add(frame.cost.events, cost.events);
    frame.cost.height = std::max(frame.cost.height, cost.height);
    frame.cost.nesting = std::max(frame.cost.nesting, cost.nesting);
    frame.cost.scalar_bytes = saturating_add(frame.cost.scalar_bytes, cost.scalar_bytes);
  }
  // Only a mapping sets a pending merge value, right after the merge key.
  if (frame.merge_value_pending && (pending_items_.size() - frame.items_start) % 2 == 1) {
    frame.merge_value_pending = false;
    if (auto error = check_merge_value(id)) return error;
    frame.has_merge = true;
  }
  pending_items_.push_back(id);
  return std::nullopt;
}

std::optional<YamlError> Composer::check_merge_value(NodeId value) {
  const Node& node = tree_.node(tree_.resolve(value));
  if (node.kind == NodeKind::Mapping) return std::nullopt;
  if (node.kind == NodeKind::Sequence) {
    for (NodeId item : tree_.items(node)) {
      if (tree_.node(tree_.resolve(item)).kind != NodeKind::Mapping) {
        return error_at(ReadErrorKind::Structure, tree_.node(item).offset,
                        "merge key list items must be mappings");
      }
    }
    return std::nullopt;
  }
  return error_at(ReadErrorKind::Structure, tree_.node(value).offset,
                  "merge key value must be a mapping or a list of mappings");
}

void Composer::resolve_merges(Frame& frame) {
  // Keys written in the mapping itself win over merged ones wherever they
  // stand; among merged mappings the first to give a key wins.
  std::unordered_set<std::string_view> seen;
  for (std::size_t i = frame.items_start; i < pending_items_.size(); i += 2) {
    if (!is_merge_key(tree_, pending_items_[i])) seen.insert(tree_.key_text(pending_items_[i]));
  }
  std::vector<NodeId> merged;
  merged.reserve(pending_items_.size() - frame.items_start);
  auto merge_from = [&](NodeId source) {
    std::span<const NodeId> entries = tree_.items(tree_.node(tree_.resolve(source)));
    for (std::size_t j = 0; j < entries.size(); j += 2) {
      if (seen.insert(tree_.key_text(entries[j])).second) {
        merged.push_back(entries[j]);
        merged.push_back(entries[j + 1]);
      }
    }
  };
  for (std::size_t i = frame.items_start; i < pending_items_.size(); i += 2) {
    NodeId key = pending_items_[i];
    NodeId value = pending_items_[i + 1];
    if (!is_merge_key(tree_, key)) {
      merged.push_back(key);
      merged.push_back(value);
      continue;
    }
    const Node& target = tree_.node(tree_.resolve(value));
    if (target.kind == NodeKind::Mapping) {
      merge_from(value);
    } else {
      for (NodeId source : tree_.items(target)) merge_from(source);
    }
  }
  pending_items_.resize(frame.items_start);
  pending_items_.insert(pending_items_.end(), merged.begin(), merged.end());
}

}  // namespace kelp::yaml

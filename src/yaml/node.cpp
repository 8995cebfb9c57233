#include "yaml/node.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace kelp::yaml {

namespace {

// Chunks grow from a size that suits one small file (and that allocators
// still serve from their small-block caches) to one that keeps the number of
// allocations low for large ones.
constexpr std::size_t kFirstChunk = 1000;
constexpr std::size_t kChunkSize = 64 * 1024;

}  // namespace

NodeTree::NodeTree() {
  tags_.emplace_back();
  // Enough for a small document without regrowing.
  nodes_.reserve(64);
  items_.reserve(64);
}

std::uint32_t NodeTree::intern_new_tag(std::string_view tag) {
  auto it = tag_index_.find(std::string(tag));
  if (it != tag_index_.end()) return it->second;
  auto index = static_cast<std::uint32_t>(tags_.size());
  tags_.emplace_back(tag);
  tag_index_.emplace(std::string(tag), index);
  return index;
}

const char* NodeTree::copy_text(std::string_view text) {
  if (text.empty()) return "";
  if (text.size() > kChunkSize / 4) {
    // Large texts get a chunk of their own and leave the shared one open.
    std::unique_ptr<char[]> own(new char[text.size()]);
    std::memcpy(own.get(), text.data(), text.size());
    const char* p = own.get();
    chunks_.insert(chunks_.end() - (chunks_.empty() ? 0 : 1), std::move(own));
    return p;
  }
  if (chunks_.empty() || chunk_used_ + text.size() > chunk_size_) {
    std::size_t size = chunks_.empty() ? kFirstChunk : std::min(kChunkSize, 2 * chunk_size_);
    while (size < text.size()) size *= 2;
    chunks_.push_back(std::unique_ptr<char[]>(new char[size]));
    chunk_size_ = size;
    chunk_used_ = 0;
  }
  char* p = chunks_.back().get() + chunk_used_;
  std::memcpy(p, text.data(), text.size());
  chunk_used_ += text.size();
  return p;
}

NodeId NodeTree::add_alias(std::size_t offset, NodeId target) {
  Node n;
  n.kind = NodeKind::Alias;
  n.offset = offset;
  n.first = target;
  nodes_.push_back(n);
  return static_cast<NodeId>(nodes_.size() - 1);
}

NodeId NodeTree::add_collection(NodeKind kind, std::size_t offset, std::string_view tag) {
  Node n;
  n.kind = kind;
  n.tag = intern_tag(tag);
  n.offset = offset;
  nodes_.push_back(n);
  return static_cast<NodeId>(nodes_.size() - 1);
}

void NodeTree::set_items(NodeId id, std::span<const NodeId> items) {
  Node& n = nodes_[id];
  n.first = items_.size();
  n.size = n.kind == NodeKind::Mapping ? items.size() / 2 : items.size();
  items_.insert(items_.end(), items.begin(), items.end());
}

}  // namespace kelp::yaml

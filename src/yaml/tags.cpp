#include "yaml/tags.h"

namespace kelp::yaml {

namespace {

constexpr std::string_view kCorePrefix = "tag:yaml.org,2002:";

}  // namespace

bool is_key_tag(std::string_view tag) {
  return tag.empty() || tag == kTagNonSpecific || tag == kTagStr || tag == kTagNull ||
         tag == kTagBool || tag == kTagInt || tag == kTagFloat || tag == kTagMerge;
}

bool is_merge_key(const NodeTree& tree, NodeId key) {
  const Node& n = tree.node(key);
  if (n.kind != NodeKind::Scalar || n.style != ScalarStyle::Plain) return false;
  std::string_view tag = tree.tag(n);
  return tree.text(n) == "<<" && (tag.empty() || tag == kTagMerge);
}

std::string display_tag(std::string_view tag) {
  if (tag.substr(0, kCorePrefix.size()) == kCorePrefix) {
    return "!!" + std::string(tag.substr(kCorePrefix.size()));
  }
  return std::string(tag);
}

}  // namespace kelp::yaml

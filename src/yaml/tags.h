// The node tags this reader understands: the core schema's str, null, bool,
// int and float on scalars, seq and map on collections, merge on "<<", and
// the non-specific "!". Any other tag is refused rather than dropped.
#pragma once

#include <string>
#include <string_view>

#include "yaml/node.h"

namespace kelp::yaml {

inline constexpr std::string_view kTagStr = "tag:yaml.org,2002:str";
inline constexpr std::string_view kTagNull = "tag:yaml.org,2002:null";
inline constexpr std::string_view kTagBool = "tag:yaml.org,2002:bool";
inline constexpr std::string_view kTagInt = "tag:yaml.org,2002:int";
inline constexpr std::string_view kTagFloat = "tag:yaml.org,2002:float";
inline constexpr std::string_view kTagSeq = "tag:yaml.org,2002:seq";
inline constexpr std::string_view kTagMap = "tag:yaml.org,2002:map";
inline constexpr std::string_view kTagMerge = "tag:yaml.org,2002:merge";
inline constexpr std::string_view kTagNonSpecific = "!";

// Tags that may stand on a mapping key (keys are read as their text).
bool is_key_tag(std::string_view tag);

// Whether a mapping key node is the merge key: a plain "<<" with no tag or
// the merge tag.
bool is_merge_key(const NodeTree& tree, NodeId key);

// The tag as written in short form where it has one ("!!str").
std::string display_tag(std::string_view tag);

}  // namespace kelp::yaml

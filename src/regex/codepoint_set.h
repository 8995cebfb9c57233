// Sets of Unicode scalar values as sorted, disjoint, non-adjacent ranges,
// with the set algebra of bracketed classes and simple case folding.
// Surrogate code points are never members.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace kelp::regex {

struct CodepointRange {
  uint32_t lo;
  uint32_t hi;
};

class CodepointSet {
 public:
  CodepointSet() = default;
  // Any ranges in any order; they are sorted, merged and stripped of
  // surrogates.
  static CodepointSet from_ranges(std::vector<CodepointRange> ranges);
  static CodepointSet single(uint32_t cp) { return from_ranges({{cp, cp}}); }

  const std::vector<CodepointRange>& ranges() const { return ranges_; }
  bool empty() const { return ranges_.empty(); }
  bool is_ascii() const { return ranges_.empty() || ranges_.back().hi <= 0x7F; }
  bool contains(uint32_t cp) const;
  // The only member, when there is exactly one.
  std::optional<uint32_t> single_member() const;
  // Shortest and longest UTF-8 encoding among the members (sets not empty).
  uint32_t min_utf8_len() const;
  uint32_t max_utf8_len() const;

  CodepointSet united(const CodepointSet& other) const;
  CodepointSet intersected(const CodepointSet& other) const;
  CodepointSet minus(const CodepointSet& other) const;
  CodepointSet symmetric_difference(const CodepointSet& other) const;
  CodepointSet negated() const;
  // Adds every member's simple case folding equivalents.
  CodepointSet case_folded() const;

  bool operator==(const CodepointSet& other) const;

 private:
  std::vector<CodepointRange> ranges_;
};

using SetRef = std::shared_ptr<const CodepointSet>;

// Whether simple case folding maps `cp` to or from anything else.
bool has_simple_case_mapping(uint32_t cp);

// The simple case folding equivalence classes of two or more members: their
// number, the index of the one holding `cp` (if any) and their members.
std::size_t case_class_count();
std::optional<uint32_t> case_class_index(uint32_t cp);
std::span<const uint32_t> case_class_members(uint32_t index);

}  // namespace kelp::regex

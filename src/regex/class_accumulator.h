// The members of one bracketed class (or one side of a set operation) as
// the translator gathers them, within the check's budget.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

#include "regex/class_ops.h"
#include "regex/codepoint_set.h"
#include "regex/hir.h"

namespace kelp::regex {

// Ranges are appended and merged from time to time; a set already added is
// not added again; past the budget, members stop being tracked and the
// class becomes unknown.
class UnicodeAccumulator {
 public:
  void add_range(Session& s, uint32_t lo, uint32_t hi) {
    if (unknown_) return;
    s.budget.spend(1);
    ranges_.push_back({lo, hi});
    if (ranges_.size() > 1 && ranges_[ranges_.size() - 2].lo > lo) sorted_ = false;
    compact(s);
  }
  void add(Session& s, const ClassValue& v);
  ClassValue finish(Session& s);

 private:
  void give_up();
  // Merges the ranges once they have grown well past the last merge.
  void compact(Session& s) {
    if (ranges_.size() <= 2 * merged_size_ + 4096) return;
    merge(s);
  }
  void merge(Session& s);
  bool remember(const SetRef& set);

  std::vector<CodepointRange> ranges_;
  bool sorted_ = true;
  std::size_t merged_size_ = 0;
  std::vector<SetRef> kept_;
  std::unique_ptr<std::unordered_set<const CodepointSet*>> many_;
  bool unknown_ = false;
};

}  // namespace kelp::regex

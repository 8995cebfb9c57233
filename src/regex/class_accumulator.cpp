#include "regex/class_accumulator.h"

#include <algorithm>
#include <utility>

namespace kelp::regex {

void UnicodeAccumulator::add(Session& s, const ClassValue& v) {
  if (unknown_) return;
  if (v.unknown()) {
    give_up();
    return;
  }
  if (!remember(v.set)) return;
  s.budget.spend(v.set->ranges().size() + 1);
  if (s.budget.exhausted()) {
    give_up();
    return;
  }
  const std::size_t mid = ranges_.size();
  ranges_.insert(ranges_.end(), v.set->ranges().begin(), v.set->ranges().end());
  // A set's ranges are sorted; merging keeps the whole list sorted, so the
  // final merge needs no sort.
  if (sorted_) {
    std::inplace_merge(ranges_.begin(), ranges_.begin() + mid, ranges_.end(),
                       [](const CodepointRange& a, const CodepointRange& b) {
                         return a.lo < b.lo;
                       });
  }
  compact(s);
}

ClassValue UnicodeAccumulator::finish(Session& s) {
  if (unknown_ || s.budget.exhausted()) return {};
  s.budget.spend(ranges_.size());
  return {std::make_shared<const CodepointSet>(
      CodepointSet::from_ranges(std::move(ranges_)))};
}

void UnicodeAccumulator::give_up() {
  unknown_ = true;
  ranges_.clear();
  ranges_.shrink_to_fit();
}

void UnicodeAccumulator::merge(Session& s) {
  s.budget.spend(ranges_.size());
  if (s.budget.exhausted()) {
    give_up();
    return;
  }
  CodepointSet merged = CodepointSet::from_ranges(std::move(ranges_));
  ranges_ = merged.ranges();
  merged_size_ = ranges_.size();
  sorted_ = true;
}

// Whether `set` is new to this class; most classes add a few sets, so a
// list serves until there are many.
bool UnicodeAccumulator::remember(const SetRef& set) {
  const CodepointSet* p = set.get();
  if (many_) {
    if (!many_->insert(p).second) return false;
  } else {
    if (std::find(kept_.begin(), kept_.end(), set) != kept_.end()) return false;
    if (kept_.size() >= 32) {
      many_ = std::make_unique<std::unordered_set<const CodepointSet*>>();
      for (const SetRef& k : kept_) many_->insert(k.get());
      many_->insert(p);
    }
  }
  kept_.push_back(set);  // keeps the remembered addresses unique
  return true;
}

}  // namespace kelp::regex

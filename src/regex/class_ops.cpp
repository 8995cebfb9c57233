#include "regex/class_ops.h"

#include <unordered_map>
#include <vector>

namespace kelp::regex {
namespace {

PricedClass price_afresh(const CodepointSet& set, Utf8CostModel& model) {
  PricedClass p;
  p.cost = model.cost(set, p.work);
  return p;
}

// Classes built by brackets and set operations, remembered by their
// members so that a class written again, in this check or another, is
// folded and priced once. The table is bounded; past its bounds, classes
// are computed afresh.
class FreshClasses {
 public:
  static constexpr std::size_t kMaxClasses = 4096;
  static constexpr std::size_t kMaxRanges = std::size_t{1} << 18;

  // The shared class with the members of `set`, or null.
  const SharedClass* find_or_add(const CodepointSet& set) {
    const uint64_t h = hash(set);
    std::lock_guard<std::mutex> lock(mu_);
    auto [lo, hi] = by_hash_.equal_range(h);
    for (auto it = lo; it != hi; ++it) {
      if (*it->second->set() == set) return it->second.get();
    }
    if (by_hash_.size() >= kMaxClasses ||
        stored_ + set.ranges().size() > kMaxRanges) {
      return nullptr;
    }
    stored_ += set.ranges().size();
    auto made = std::make_unique<SharedClass>(set, true);
    const SharedClass* out = made.get();
    by_hash_.emplace(h, std::move(made));
    return out;
  }

 private:
  static uint64_t hash(const CodepointSet& set) {
    uint64_t h = 14695981039346656037ull;
    for (const CodepointRange& r : set.ranges()) {
      h = (h ^ r.lo) * 1099511628211ull;
      h = (h ^ r.hi) * 1099511628211ull;
    }
    return h;
  }

  std::mutex mu_;
  std::unordered_multimap<uint64_t, std::unique_ptr<SharedClass>> by_hash_;
  std::size_t stored_ = 0;
};

FreshClasses& fresh_classes() {
  static FreshClasses table;
  return table;
}

// A remembered class handed to a check: its own copy of the members, so
// that the check tells it apart from every other class it holds (as it
// would a class it computed itself), priced from the shared class. A named
// class is the same class wherever it is named.
constexpr std::size_t kFoldLookupRanges = 32;

ClassValue hand_out(const SharedClass& c) {
  if (!c.remembered()) return ClassValue::of(c);
  return {std::make_shared<const CodepointSet>(*c.set()), &c};
}

class SharedOps final : public ClassOps {
 public:
  ClassValue fold(const ClassValue& in) override {
    if (in.shared) return hand_out(in.shared->folded());
    // Folding a small class costs less than looking it up.
    if (in.set->ranges().size() >= kFoldLookupRanges) {
      if (const SharedClass* c = fresh_classes().find_or_add(*in.set)) {
        return hand_out(c->folded());
      }
    }
    return {std::make_shared<const CodepointSet>(in.set->case_folded())};
  }
  ClassValue negate(const ClassValue& in) override {
    if (in.shared) return hand_out(in.shared->negated());
    return {std::make_shared<const CodepointSet>(in.set->negated())};
  }
  PricedClass price(const ClassValue& in, Utf8CostModel& scratch) override {
    if (in.shared) return in.shared->priced(scratch);
    if (const SharedClass* c = fresh_classes().find_or_add(*in.set)) {
      return c->priced(scratch);
    }
    return price_afresh(*in.set, scratch);
  }
};

}  // namespace

SharedClass::SharedClass(CodepointSet set, bool remembered)
    : set_(std::make_shared<const CodepointSet>(std::move(set))),
      remembered_(remembered) {}

const SharedClass& SharedClass::folded() const {
  std::call_once(fold_once_, [this] {
    folded_ = std::make_unique<SharedClass>(set_->case_folded(), remembered_);
    if (*folded_->set_ == *set_) folded_->same_members_ = this;
  });
  return *folded_;
}

const SharedClass& SharedClass::negated() const {
  std::call_once(negate_once_, [this] {
    negated_ = std::make_unique<SharedClass>(set_->negated(), remembered_);
  });
  return *negated_;
}

const PricedClass& SharedClass::priced(Utf8CostModel& scratch) const {
  if (same_members_) return same_members_->priced(scratch);
  std::call_once(price_once_, [this, &scratch] { priced_ = price_afresh(*set_, scratch); });
  return priced_;
}

ClassOps& shared_class_ops() {
  static SharedOps ops;
  return ops;
}

const SharedClass& case_equivalents(uint32_t cp) {
  // One shared class per equivalence class, each built at its first use.
  struct Slot {
    std::once_flag once;
    std::unique_ptr<SharedClass> cls;
  };
  static const std::unique_ptr<Slot[]> slots =
      std::make_unique<Slot[]>(case_class_count());
  const uint32_t index = *case_class_index(cp);
  Slot& slot = slots[index];
  std::call_once(slot.once, [&slot, index] {
    std::vector<CodepointRange> r;
    for (uint32_t m : case_class_members(index)) r.push_back({m, m});
    slot.cls = std::make_unique<SharedClass>(CodepointSet::from_ranges(std::move(r)));
  });
  return *slot.cls;
}

}  // namespace kelp::regex

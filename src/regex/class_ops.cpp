#include "regex/class_ops.h"

#include <vector>

namespace kelp::regex {
namespace {

PricedClass price_afresh(const CodepointSet& set, Utf8CostModel& model) {
  PricedClass p;
  p.cost = model.cost(set, p.work);
  return p;
}

class SharedOps final : public ClassOps {
 public:
  ClassValue fold(const ClassValue& in) override {
    if (in.shared) return ClassValue::of(in.shared->folded());
    return {std::make_shared<const CodepointSet>(in.set->case_folded())};
  }
  ClassValue negate(const ClassValue& in) override {
    if (in.shared) return ClassValue::of(in.shared->negated());
    return {std::make_shared<const CodepointSet>(in.set->negated())};
  }
  PricedClass price(const ClassValue& in, Utf8CostModel& scratch) override {
    if (in.shared) return in.shared->priced();
    return price_afresh(*in.set, scratch);
  }
};

}  // namespace

SharedClass::SharedClass(CodepointSet set)
    : set_(std::make_shared<const CodepointSet>(std::move(set))) {}

const SharedClass& SharedClass::folded() const {
  std::call_once(fold_once_, [this] {
    folded_ = std::make_unique<SharedClass>(set_->case_folded());
  });
  return *folded_;
}

const SharedClass& SharedClass::negated() const {
  std::call_once(negate_once_, [this] {
    negated_ = std::make_unique<SharedClass>(set_->negated());
  });
  return *negated_;
}

const PricedClass& SharedClass::priced() const {
  std::call_once(price_once_, [this] {
    Utf8CostModel model;
    priced_ = price_afresh(*set_, model);
  });
  return priced_;
}

ClassOps& shared_class_ops() {
  static SharedOps ops;
  return ops;
}

const SharedClass& case_equivalents(uint32_t cp) {
  // One shared class per equivalence class, all built at first use: they
  // are small and there are about 1,500 of them.
  static const std::vector<std::unique_ptr<SharedClass>> classes = [] {
    std::vector<std::unique_ptr<SharedClass>> out;
    out.reserve(case_class_count());
    for (uint32_t i = 0; i < case_class_count(); ++i) {
      std::vector<CodepointRange> r;
      for (uint32_t m : case_class_members(i)) r.push_back({m, m});
      out.push_back(std::make_unique<SharedClass>(
          CodepointSet::from_ranges(std::move(r))));
    }
    return out;
  }();
  return *classes[*case_class_index(cp)];
}

}  // namespace kelp::regex

// Unicode classes as a check sees them, and the operations a check applies
// to them: case folding, negation and pricing in the compiled program.
//
// Classes with a name (\pL, \w, the dot, [:alpha:], a character with its
// case equivalents) are shared: each is built once per process, and so is
// what folding, negating and pricing it gives. Checks run on many threads
// at once; a shared class is immutable once built, its derived classes and
// its price are built under std::call_once.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "regex/codepoint_set.h"
#include "regex/size_model.h"

namespace kelp::regex {

// A class's bytes in both compiled programs, and the work computing them
// took (which counts against a check's budget whether or not it was shared).
struct PricedClass {
  NfaCost cost;
  uint64_t work = 0;
};

class SharedClass {
 public:
  // `remembered`: a class remembered by its members rather than named.
  explicit SharedClass(CodepointSet set, bool remembered = false);
  SharedClass(const SharedClass&) = delete;
  SharedClass& operator=(const SharedClass&) = delete;

  const SetRef& set() const { return set_; }
  // Built at first use; each is a class of its own, distinct from any other
  // class with the same members.
  const SharedClass& folded() const;
  const SharedClass& negated() const;
  // `scratch` serves the first pricing; every class is priced as if with a
  // model of its own.
  const PricedClass& priced(Utf8CostModel& scratch) const;
  // A remembered class, or one derived from it. Each use of such a class is
  // handed out as a copy, as a check would have computed it.
  bool remembered() const { return remembered_; }

 private:
  SetRef set_;
  bool remembered_;
  // A class with the same members (the class this one folds from, when
  // folding added none), whose price is this one's.
  const SharedClass* same_members_ = nullptr;
  mutable std::once_flag fold_once_, negate_once_, price_once_;
  mutable std::unique_ptr<SharedClass> folded_, negated_;
  mutable PricedClass priced_;
};

// A Unicode class whose members are known, or unknown because computing
// them would have taken more work than a check may spend.
struct ClassValue {
  SetRef set;                            // null when unknown
  const SharedClass* shared = nullptr;   // set when `set` is a shared class's
  bool unknown() const { return set == nullptr; }

  static ClassValue of(const SharedClass& c) { return {c.set(), &c}; }
};

// The operations behind a check. Production checks use shared_class_ops();
// another implementation can compute everything afresh.
class ClassOps {
 public:
  virtual ~ClassOps() = default;
  // `in` is known.
  virtual ClassValue fold(const ClassValue& in) = 0;
  virtual ClassValue negate(const ClassValue& in) = 0;
  // `in` is known and not ASCII-only; `scratch` serves classes computed
  // afresh.
  virtual PricedClass price(const ClassValue& in, Utf8CostModel& scratch) = 0;
};

// Shared classes answer from their tables; other classes are computed.
ClassOps& shared_class_ops();

// `cp` with its simple case folding equivalents, for a `cp` that has any.
const SharedClass& case_equivalents(uint32_t cp);

}  // namespace kelp::regex

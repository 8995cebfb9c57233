#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "regex/class_ops.h"
#include "regex/estimate.h"

// The shared class tables must not change any outcome. Each generated
// pattern is estimated twice: with the production class operations, and
// with a reference that computes every fold, negation and price afresh, the
// price through the UTF-8 automaton simulation as first written (kept here,
// apart from the production model, so that it stays the oracle).

namespace kelp::regex {
namespace {

namespace reference {


struct ByteRange {
  uint8_t lo;
  uint8_t hi;
};

struct Utf8Sequence {
  uint8_t len = 0;
  std::array<ByteRange, 4> r{};
};

uint32_t encode(uint32_t cp, uint8_t* out) {
  if (cp < 0x80) {
    out[0] = static_cast<uint8_t>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<uint8_t>(0xC0 | (cp >> 6));
    out[1] = static_cast<uint8_t>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = static_cast<uint8_t>(0xE0 | (cp >> 12));
    out[1] = static_cast<uint8_t>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<uint8_t>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<uint8_t>(0xF0 | (cp >> 18));
  out[1] = static_cast<uint8_t>(0x80 | ((cp >> 12) & 0x3F));
  out[2] = static_cast<uint8_t>(0x80 | ((cp >> 6) & 0x3F));
  out[3] = static_cast<uint8_t>(0x80 | (cp & 0x3F));
  return 4;
}

// Splits a range of scalar values into sequences of byte ranges, each the
// product of its byte ranges, in ascending order.
template <class Emit>
void utf8_sequences(uint32_t lo, uint32_t hi, Emit&& emit) {
  struct R {
    uint32_t lo, hi;
  };
  std::vector<R> stack{{lo, hi}};
  static constexpr uint32_t kMaxOfLen[] = {0x7F, 0x7FF, 0xFFFF};
  while (!stack.empty()) {
    R r = stack.back();
    stack.pop_back();
    for (;;) {
      if (r.lo < 0xE000 && r.hi > 0xD7FF) {
        stack.push_back({0xE000, r.hi});
        r.hi = 0xD7FF;
        continue;
      }
      if (r.lo > r.hi) break;
      bool split = false;
      for (uint32_t max : kMaxOfLen) {
        if (r.lo <= max && max < r.hi) {
          stack.push_back({max + 1, r.hi});
          r.hi = max;
          split = true;
          break;
        }
      }
      if (split) continue;
      if (r.hi <= 0x7F) {
        Utf8Sequence s;
        s.len = 1;
        s.r[0] = {static_cast<uint8_t>(r.lo), static_cast<uint8_t>(r.hi)};
        emit(s);
        break;
      }
      for (uint32_t i = 1; i < 4 && !split; ++i) {
        const uint32_t m = (1u << (6 * i)) - 1;
        if ((r.lo & ~m) != (r.hi & ~m)) {
          if ((r.lo & m) != 0) {
            stack.push_back({(r.lo | m) + 1, r.hi});
            r.hi = r.lo | m;
            split = true;
          } else if ((r.hi & m) != m) {
            stack.push_back({r.hi & ~m, r.hi});
            r.hi = (r.hi & ~m) - 1;
            split = true;
          }
        }
      }
      if (split) continue;
      uint8_t a[4], b[4];
      const uint32_t n = encode(r.lo, a);
      encode(r.hi, b);
      Utf8Sequence s;
      s.len = static_cast<uint8_t>(n);
      for (uint32_t i = 0; i < n; ++i) s.r[i] = {a[i], b[i]};
      emit(s);
      break;
    }
  }
}

constexpr uint64_t kFnvInit = 14695981039346656037ull;
constexpr uint64_t kFnvPrime = 1099511628211ull;

// State numbers in the simulations start here; only their hashes matter.
constexpr uint32_t kIdBase = 1000;

struct Transition {
  uint8_t lo;
  uint8_t hi;
  uint32_t next;
  bool operator==(const Transition& o) const {
    return lo == o.lo && hi == o.hi && next == o.next;
  }
};

// The forward UTF-8 automaton: sequences go into a trie whose finished
// nodes are registered in a bounded map keyed by their transitions, so equal
// suffixes become one state while the map remembers them.
class ForwardSim {
 public:
  struct Slot {
    uint32_t version = 0;
    std::vector<Transition> key;
    uint32_t id = 0;
  };
  static constexpr std::size_t kSlots = 10000;

  ForwardSim(std::vector<Slot>& slots, uint32_t version)
      : slots_(slots), version_(version) {
    target_ = next_id_++;
    bytes_ = kStateBytes;  // the end state
    uncompiled_.push_back(Node{});
  }

  void add(const Utf8Sequence& seq) {
    std::size_t prefix = 0;
    while (prefix < seq.len && prefix < uncompiled_.size() &&
           uncompiled_[prefix].has_last &&
           uncompiled_[prefix].last.lo == seq.r[prefix].lo &&
           uncompiled_[prefix].last.hi == seq.r[prefix].hi) {
      ++prefix;
    }
    compile_from(prefix);
    Node& top = uncompiled_.back();
    top.has_last = true;
    top.last = seq.r[prefix];
    for (std::size_t i = prefix + 1; i < seq.len; ++i) {
      Node n;
      n.has_last = true;
      n.last = seq.r[i];
      uncompiled_.push_back(n);
    }
  }

  uint64_t finish() {
    compile_from(0);
    Node root = std::move(uncompiled_.back());
    uncompiled_.pop_back();
    compile(std::move(root.trans));
    return bytes_;
  }

  uint64_t work() const { return work_; }

 private:
  struct Node {
    std::vector<Transition> trans;
    bool has_last = false;
    ByteRange last{};
  };

  void freeze_last(Node& n, uint32_t next) {
    if (n.has_last) {
      n.trans.push_back({n.last.lo, n.last.hi, next});
      n.has_last = false;
    }
  }

  void compile_from(std::size_t from) {
    uint32_t next = target_;
    while (from + 1 < uncompiled_.size()) {
      Node n = std::move(uncompiled_.back());
      uncompiled_.pop_back();
      freeze_last(n, next);
      next = compile(std::move(n.trans));
    }
    freeze_last(uncompiled_.back(), next);
  }

  uint32_t compile(std::vector<Transition> trans) {
    uint64_t h = kFnvInit;
    for (const Transition& t : trans) {
      h = (h ^ t.lo) * kFnvPrime;
      h = (h ^ t.hi) * kFnvPrime;
      h = (h ^ static_cast<uint64_t>(t.next)) * kFnvPrime;
    }
    work_ += trans.size() + 1;
    Slot& slot = slots_[h % kSlots];
    if (slot.version == version_ && slot.key == trans) return slot.id;
    const uint32_t id = next_id_++;
    bytes_ += kStateBytes + kTransitionBytes * trans.size();
    slot.version = version_;
    slot.key = std::move(trans);
    slot.id = id;
    return id;
  }

  std::vector<Slot>& slots_;
  uint32_t version_;
  std::vector<Node> uncompiled_;
  uint32_t target_ = 0;
  uint32_t next_id_ = kIdBase;
  uint64_t bytes_ = 0;
  uint64_t work_ = 0;
};

// The reverse UTF-8 automaton: one union over all sequences, each sequence
// a chain of byte-range states hanging from a shared end state, reusing a
// link (from-state, byte range) while a bounded map remembers it.
class ReverseSim {
 public:
  struct Slot {
    uint32_t version = 0;
    uint32_t from = 0;
    uint8_t lo = 0;
    uint8_t hi = 0;
    uint32_t id = 0;
  };
  static constexpr std::size_t kSlots = 1000;

  ReverseSim(std::vector<Slot>& slots, uint32_t version)
      : slots_(slots), version_(version) {
    next_id_ += 2;  // the union and the end state
    alt_end_ = kIdBase + 1;
    bytes_ = 2 * kStateBytes;
  }

  void add(const Utf8Sequence& seq) {
    uint32_t end = alt_end_;
    for (uint32_t i = 0; i < seq.len; ++i) {
      uint64_t h = kFnvInit;
      h = (h ^ static_cast<uint64_t>(end)) * kFnvPrime;
      h = (h ^ seq.r[i].lo) * kFnvPrime;
      h = (h ^ seq.r[i].hi) * kFnvPrime;
      Slot& slot = slots_[h % kSlots];
      ++work_;
      if (slot.version == version_ && slot.from == end &&
          slot.lo == seq.r[i].lo && slot.hi == seq.r[i].hi) {
        end = slot.id;
        continue;
      }
      const uint32_t id = next_id_++;
      bytes_ += kStateBytes;
      slot = Slot{version_, end, seq.r[i].lo, seq.r[i].hi, id};
      end = id;
    }
    bytes_ += kAlternativeBytes;  // the union's branch to this sequence
  }

  uint64_t finish() const { return bytes_; }
  uint64_t work() const { return work_; }

 private:
  std::vector<Slot>& slots_;
  uint32_t version_;
  uint32_t alt_end_ = 0;
  uint32_t next_id_ = kIdBase;
  uint64_t bytes_ = 0;
  uint64_t work_ = 0;
};


// Prices one class as the production model did before any sharing: fresh
// bounded maps for every class.
PricedClass price(const CodepointSet& set) {
  std::vector<ForwardSim::Slot> fwd_slots(ForwardSim::kSlots);
  std::vector<ReverseSim::Slot> rev_slots(ReverseSim::kSlots);
  ForwardSim fwd(fwd_slots, 1);
  ReverseSim rev(rev_slots, 1);
  for (const CodepointRange& r : set.ranges()) {
    utf8_sequences(r.lo, r.hi, [&](const Utf8Sequence& s) {
      fwd.add(s);
      rev.add(s);
    });
  }
  PricedClass p;
  p.cost = {fwd.finish(), rev.finish()};
  p.work = fwd.work() + rev.work() + set.ranges().size();
  return p;
}

}  // namespace reference

// Every operation afresh, as a check did before classes were shared.
class ReferenceOps final : public ClassOps {
 public:
  ClassValue fold(const ClassValue& in) override {
    return {std::make_shared<const CodepointSet>(in.set->case_folded())};
  }
  ClassValue negate(const ClassValue& in) override {
    return {std::make_shared<const CodepointSet>(in.set->negated())};
  }
  PricedClass price(const ClassValue& in, Utf8CostModel&) override {
    return reference::price(*in.set);
  }
};

// Patterns of the shapes gates use, and of shapes that strain the estimate:
// large counted repetitions of Unicode classes, case-insensitive classes,
// set operations, and many distinct large classes in one pattern (which
// runs a check out of budget).
class PatternGenerator {
 public:
  explicit PatternGenerator(uint32_t seed) : rng_(seed) {}

  std::string pattern() {
    if (pick(60) == 0) return heavy();
    return alternation(0);
  }

  Flags flags() { return {pick(3) == 0, pick(3) == 0, pick(4) == 0}; }

 private:
  uint32_t pick(uint32_t n) { return static_cast<uint32_t>(rng_() % n); }

  template <std::size_t N>
  const char* one_of(const char* const (&items)[N]) {
    return items[pick(N)];
  }

  std::string heavy() {
    std::string p = pick(2) ? "(?i)" : "";
    const uint32_t n = 20 + pick(160);
    const uint32_t base = 0x4E00 + pick(0x1000);
    // Either distinct classes or the same class written again and again.
    const bool repeat = pick(2) == 0;
    for (uint32_t i = 0; i < n; ++i) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "%X", repeat ? base : base + i);
      p += std::string(one_of({"[\\w\\x{", "[\\pL\\x{", "[^\\d\\x{", "[\\p{Greek}\\x{",
                               "[^\\w\\x{", "[^\\pL\\x{"})) +
           hex + "}]";
      if (pick(4) == 0) p += one_of({"+", "*", "{2}", "?"});
    }
    return p;
  }

  std::string atom(int depth) {
    static const char* const kLiterals[] = {
        "ok", "fine", "k", "s", "K", "ß", "é", "Σ", "日本", "\\x{212A}", "a",
        "x1", "\\.", "\\n", "-", "st", "\\u{1F600}"};
    static const char* const kClasses[] = {
        "\\w", "\\d", "\\s", "\\W", "\\D", "\\S", ".", "\\pL", "\\p{Lu}",
        "\\p{Greek}", "\\p{gc=Nd}", "\\P{L}", "\\p{sc!=Latin}", "\\p{scx:Deva}",
        "\\p{age=6.0}", "\\p{wb=ALetter}", "\\p{Emoji}", "\\p{Any}", "\\pN",
        "\\p{Han}", "\\p{Cherokee}", "\\p{Lowercase}", "\\p{Nope}"};
    static const char* const kBrackets[] = {
        "[a-z]", "[\\w.+-]", "[^\\s,]", "[\\pL\\pN_]", "[\\w&&[^\\d]]",
        "[\\p{Greek}--\\p{Lu}]", "[a-z~~[k-q]]", "[^\\W_]", "[\\x{100}-\\x{10FFFF}]",
        "[é-ü]", "[[:alpha:]]", "[[:^digit:]x]", "[A-Z0-9]", "[^a]", "[kK]",
        "[\\d\\s]", "[^\\w\\s]", "[\\w--[a-z]]", "[Ѐ-ӿ]", "[\\p{Lu}\\p{Ll}]"};
    static const char* const kLooks[] = {"^", "$", "\\b", "\\B", "\\A", "\\z"};
    switch (pick(depth < 3 ? 7 : 4)) {
      case 0: return one_of(kLiterals);
      case 1: return one_of(kClasses);
      case 2: return one_of(kBrackets);
      case 3: return one_of(kLooks);
      case 4: return std::string(one_of({"(", "(?:", "(?i:", "(?-i:", "(?s:"})) +
                     alternation(depth + 1) + ")";
      case 5: return std::string(one_of({"(?i)", "(?-i)", "(?s)", "(?m)"}));
      default:
        return std::string("(?-u:") + one_of({"[a-z]", "\\w+", "\\d", "[^\\x00-\\x7F]", "k"}) +
               ")";
    }
  }

  std::string repeated(int depth) {
    std::string a = atom(depth);
    switch (pick(8)) {
      case 0: return a + "*";
      case 1: return a + "+";
      case 2: return a + "?";
      case 3: return a + "{" + std::to_string(pick(5)) + "}";
      case 4: return a + "{" + std::to_string(1 + pick(3)) + "," + std::to_string(4 + pick(8)) + "}";
      case 5: return a + "{" + std::to_string(50 + pick(1200)) + "}";
      default: return a;
    }
  }

  std::string concat(int depth) {
    std::string p;
    const uint32_t n = 1 + pick(5);
    for (uint32_t i = 0; i < n; ++i) p += repeated(depth);
    return p;
  }

  std::string alternation(int depth) {
    std::string p = concat(depth);
    while (pick(4) == 0) p += "|" + concat(depth);
    return p;
  }

  std::mt19937 rng_;
};

std::string describe(const Estimate& e) {
  std::string s;
  if (e.error) {
    s += "error " + std::to_string(static_cast<int>(e.error->kind)) + " at " +
         std::to_string(e.error->span.start.offset) + ".." +
         std::to_string(e.error->span.end.offset);
  }
  if (e.cost) {
    s += "fwd " + std::to_string(e.cost->fwd) + " rev " + std::to_string(e.cost->rev);
  }
  if (e.too_long) s += "too long";
  return s.empty() ? "no program" : s;
}

class SharedTablesAgreeWithReference : public ::testing::TestWithParam<uint32_t> {};

TEST_P(SharedTablesAgreeWithReference, OnGeneratedPatterns) {
  PatternGenerator gen(GetParam());
  ReferenceOps ref;
  int over_limit = 0, errors = 0;
  for (int i = 0; i < 400; ++i) {
    const std::string p = gen.pattern();
    const Flags f = gen.flags();
    const Estimate fast = estimate(p, f, shared_class_ops());
    const Estimate slow = estimate(p, f, ref);
    ASSERT_EQ(describe(fast), describe(slow)) << "pattern " << p << " flags i=" << f.case_insensitive
                                              << " m=" << f.multi_line << " s=" << f.dot_matches_new_line;
    over_limit += slow.exceeds_limit();
    errors += slow.error.has_value();
  }
  // The generator reaches both the size limit and the error paths.
  EXPECT_GT(over_limit, 3);
  EXPECT_GT(errors, 10);
}

// The same large class written many times: each one is a class of its own
// for the check's budget, however it is computed.
TEST(SharedTablesAgreeWithReferenceOn, RepeatedLargeClasses) {
  ReferenceOps ref;
  for (const char* cls : {"[^\\w\\x{4E00}]", "[\\w\\x{4E00}]", "[^\\pL\\x{4E00}]",
                          "\\P{Greek}", "[^\\W_]"}) {
    std::string p;
    for (int i = 0; i < 400; ++i) p += cls;
    for (bool ci : {false, true}) {
      const Estimate fast = estimate(p, {ci, false, false}, shared_class_ops());
      const Estimate slow = estimate(p, {ci, false, false}, ref);
      EXPECT_EQ(describe(fast), describe(slow)) << cls << " x400, i=" << ci;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, SharedTablesAgreeWithReference,
                         ::testing::Range(1u, 9u),
                         [](const ::testing::TestParamInfo<uint32_t>& case_info) {
                           return "Seed" + std::to_string(case_info.param);
                         });

}  // namespace
}  // namespace kelp::regex

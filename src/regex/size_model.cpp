#include "regex/size_model.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

namespace kelp::regex {

uint64_t sat_add(uint64_t a, uint64_t b) {
  const uint64_t s = a + b;
  return (s < a || s > kSaturated) ? kSaturated : s;
}

uint64_t sat_mul(uint64_t a, uint64_t b) {
  if (a == 0 || b == 0) return 0;
  if (a > kSaturated / b) return kSaturated;
  return a * b;
}

NfaCost operator+(NfaCost a, NfaCost b) {
  return {sat_add(a.fwd, b.fwd), sat_add(a.rev, b.rev)};
}

NfaCost scaled(NfaCost a, uint64_t n) { return {sat_mul(a.fwd, n), sat_mul(a.rev, n)}; }

NfaCost both(uint64_t bytes) { return {bytes, bytes}; }

NfaCost unknown_class_cost() { return {20000, 50000}; }

namespace {

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

struct ScalarRange {
  uint32_t lo, hi;
};

// Splits a range of scalar values into sequences of byte ranges, each the
// product of its byte ranges, in ascending order. `stack` is scratch.
template <class Emit>
void utf8_sequences(uint32_t lo, uint32_t hi, std::vector<ScalarRange>& stack,
                    Emit&& emit) {
  using R = ScalarRange;
  stack.clear();
  stack.push_back({lo, hi});
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

// The bounded maps of the compiler, indexed by hash. Most classes touch a
// few slots, so the slots live in a short list until a class needs many;
// the full table is only built then, and kept for the check's later
// classes.
template <class Slot, std::size_t N>
class SlotTable {
 public:
  static constexpr std::size_t kListMax = 64;

  // The slot at `index`; the reference holds until the next call.
  Slot& at(std::size_t index) {
    if (!full_.empty()) return full_[index];
    for (auto& [i, slot] : list_) {
      if (i == index) return slot;
    }
    if (list_.size() < kListMax) {
      list_.emplace_back(index, Slot{});
      return list_.back().second;
    }
    full_.resize(N);
    for (auto& [i, slot] : list_) full_[i] = std::move(slot);
    list_.clear();
    return full_[index];
  }

  // Before each class: listed slots belong to earlier classes only.
  void start_class() { list_.clear(); }

 private:
  std::vector<std::pair<std::size_t, Slot>> list_;
  std::vector<Slot> full_;
};

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

// A trie node not compiled yet: its frozen transitions and the last one,
// whose target is still open.
struct TrieNode {
  std::vector<Transition> trans;
  bool has_last = false;
  ByteRange last{};
};

// The forward UTF-8 automaton: sequences go into a trie whose finished
// nodes are registered in a bounded map keyed by their transitions, so equal
// suffixes become one state while the map remembers them. The keys of one
// class live in one store, and the trie's nodes are reused, so that pricing
// allocates almost nothing.
class ForwardSim {
 public:
  struct Slot {
    uint32_t version = 0;
    uint32_t id = 0;
    std::size_t key_at = 0;  // the key's transitions in the key store
    std::size_t key_len = 0;
  };
  static constexpr std::size_t kSlots = 10000;
  using Slots = SlotTable<Slot, kSlots>;

  // `keys` and `nodes` are scratch, emptied here.
  ForwardSim(Slots& slots, uint32_t version, std::vector<Transition>& keys,
             std::vector<TrieNode>& nodes)
      : slots_(slots), version_(version), keys_(keys), nodes_(nodes) {
    keys_.clear();
    target_ = next_id_++;
    bytes_ = kStateBytes;  // the end state
    push();
  }

  void add(const Utf8Sequence& seq) {
    std::size_t prefix = 0;
    while (prefix < seq.len && prefix < depth_ && nodes_[prefix].has_last &&
           nodes_[prefix].last.lo == seq.r[prefix].lo &&
           nodes_[prefix].last.hi == seq.r[prefix].hi) {
      ++prefix;
    }
    compile_from(prefix);
    TrieNode& top = nodes_[depth_ - 1];
    top.has_last = true;
    top.last = seq.r[prefix];
    for (std::size_t i = prefix + 1; i < seq.len; ++i) {
      TrieNode& n = push();
      n.has_last = true;
      n.last = seq.r[i];
    }
  }

  uint64_t finish() {
    compile_from(0);
    compile(nodes_[0].trans);
    depth_ = 0;
    return bytes_;
  }

  uint64_t work() const { return work_; }

 private:
  TrieNode& push() {
    if (depth_ == nodes_.size()) nodes_.emplace_back();
    TrieNode& n = nodes_[depth_++];
    n.trans.clear();
    n.has_last = false;
    return n;
  }

  void freeze_last(TrieNode& n, uint32_t next) {
    if (n.has_last) {
      n.trans.push_back({n.last.lo, n.last.hi, next});
      n.has_last = false;
    }
  }

  void compile_from(std::size_t from) {
    uint32_t next = target_;
    while (from + 1 < depth_) {
      TrieNode& n = nodes_[depth_ - 1];
      freeze_last(n, next);
      next = compile(n.trans);
      --depth_;
    }
    freeze_last(nodes_[depth_ - 1], next);
  }

  uint32_t compile(const std::vector<Transition>& trans) {
    uint64_t h = kFnvInit;
    for (const Transition& t : trans) {
      h = (h ^ t.lo) * kFnvPrime;
      h = (h ^ t.hi) * kFnvPrime;
      h = (h ^ static_cast<uint64_t>(t.next)) * kFnvPrime;
    }
    work_ += trans.size() + 1;
    Slot& slot = slots_.at(h % kSlots);
    if (slot.version == version_ && slot.key_len == trans.size() &&
        std::equal(trans.begin(), trans.end(),
                   keys_.begin() + static_cast<std::ptrdiff_t>(slot.key_at))) {
      return slot.id;
    }
    const uint32_t id = next_id_++;
    bytes_ += kStateBytes + kTransitionBytes * trans.size();
    slot.version = version_;
    slot.key_at = keys_.size();
    slot.key_len = trans.size();
    keys_.insert(keys_.end(), trans.begin(), trans.end());
    slot.id = id;
    return id;
  }

  Slots& slots_;
  uint32_t version_;
  std::vector<Transition>& keys_;
  std::vector<TrieNode>& nodes_;
  std::size_t depth_ = 0;  // nodes_[0, depth_) are the trie's open path
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
  using Slots = SlotTable<Slot, kSlots>;

  ReverseSim(Slots& slots, uint32_t version)
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
      Slot& slot = slots_.at(h % kSlots);
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
  Slots& slots_;
  uint32_t version_;
  uint32_t alt_end_ = 0;
  uint32_t next_id_ = kIdBase;
  uint64_t bytes_ = 0;
  uint64_t work_ = 0;
};

}  // namespace

struct Utf8CostModel::Scratch {
  ForwardSim::Slots fwd_slots;
  ReverseSim::Slots rev_slots;
  uint32_t version = 0;
  std::vector<Transition> keys;
  std::vector<TrieNode> nodes;
  std::vector<ScalarRange> stack;
};

Utf8CostModel::Utf8CostModel() = default;
Utf8CostModel::~Utf8CostModel() = default;

NfaCost Utf8CostModel::cost(const CodepointSet& set, uint64_t& work) {
  // The bounded maps start empty for every class, as the compiler's do;
  // a version stamp empties them without touching every slot.
  if (!scratch_) scratch_ = std::make_unique<Scratch>();
  scratch_->fwd_slots.start_class();
  scratch_->rev_slots.start_class();
  const uint32_t version = ++scratch_->version;
  ForwardSim fwd(scratch_->fwd_slots, version, scratch_->keys, scratch_->nodes);
  ReverseSim rev(scratch_->rev_slots, version);
  for (const CodepointRange& r : set.ranges()) {
    utf8_sequences(r.lo, r.hi, scratch_->stack, [&](const Utf8Sequence& s) {
      fwd.add(s);
      rev.add(s);
    });
  }
  NfaCost cost{fwd.finish(), rev.finish()};
  work += fwd.work() + rev.work() + set.ranges().size();
  return cost;
}

}  // namespace kelp::regex

#include "regex/hir.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "unicode/text.h"

namespace kelp::regex {

// --- Byte sets ------------------------------------------------------------

unsigned ByteSet::count() const {
  unsigned n = 0;
  for (uint64_t w : bits) n += static_cast<unsigned>(__builtin_popcountll(w));
  return n;
}

ByteSet ByteSet::operator|(const ByteSet& o) const {
  ByteSet r;
  for (int i = 0; i < 4; ++i) r.bits[i] = bits[i] | o.bits[i];
  return r;
}

ByteSet ByteSet::operator&(const ByteSet& o) const {
  ByteSet r;
  for (int i = 0; i < 4; ++i) r.bits[i] = bits[i] & o.bits[i];
  return r;
}

ByteSet ByteSet::operator^(const ByteSet& o) const {
  ByteSet r;
  for (int i = 0; i < 4; ++i) r.bits[i] = bits[i] ^ o.bits[i];
  return r;
}

ByteSet ByteSet::operator~() const {
  ByteSet r;
  for (int i = 0; i < 4; ++i) r.bits[i] = ~bits[i];
  return r;
}

ByteSet ByteSet::case_folded() const {
  ByteSet r = *this;
  for (unsigned b = 'A'; b <= 'Z'; ++b) {
    if (has(b) || has(b + 32)) {
      r.add(static_cast<uint8_t>(b), static_cast<uint8_t>(b));
      r.add(static_cast<uint8_t>(b + 32), static_cast<uint8_t>(b + 32));
    }
  }
  return r;
}

// --- Session --------------------------------------------------------------

ClassValue Session::unary(const ClassValue& v, int op) {
  if (v.unknown() || budget.exhausted()) return {};
  auto key = std::make_pair(v.set.get(), op);
  auto it = unary_memo_.find(key);
  if (it != unary_memo_.end()) return it->second;
  const CodepointSet& in = *v.set;
  ClassValue out;
  if (op == 0) {
    budget.spend(in.ranges().size() * 4 + 16);
    out = ops_.fold(v);
  } else {
    budget.spend(in.ranges().size() + 1);
    out = ops_.negate(v);
  }
  // Keep the input alive so its address stays a valid key.
  unary_memo_.emplace(key, out);
  keep_.push_back(v.set);
  return out;
}

ClassValue Session::fold(const ClassValue& v) { return unary(v, 0); }
ClassValue Session::negate(const ClassValue& v) { return unary(v, 1); }

ClassValue Session::fold_char(uint32_t cp) {
  return ClassValue::of(case_equivalents(cp));
}

NfaCost Session::class_cost(const ClassValue& v) {
  if (v.unknown()) return unknown_class_cost();
  const CodepointSet& set = *v.set;
  if (set.is_ascii()) {
    return both(2 * kStateBytes + kTransitionBytes * set.ranges().size());
  }
  auto it = cost_memo_.find(&set);
  if (it != cost_memo_.end()) return it->second.second;
  // Small classes built afresh each time (such as the same bracket written
  // again) are remembered by their members, keyed in storage kept between
  // calls.
  std::vector<uint32_t>& key = small_key_;
  key.clear();
  if (set.ranges().size() <= 16) {
    for (const CodepointRange& r : set.ranges()) {
      key.push_back(r.lo);
      key.push_back(r.hi);
    }
    auto small = small_cost_memo_.find(key);
    if (small != small_cost_memo_.end()) return small->second;
  }
  if (budget.exhausted()) return unknown_class_cost();
  const PricedClass priced = ops_.price(v, model_);
  const NfaCost cost = priced.cost;
  budget.spend(priced.work);
  cost_memo_.emplace(&set, std::make_pair(v.set, cost));
  if (!key.empty()) small_cost_memo_.emplace(key, cost);
  return cost;
}

// --- Lengths --------------------------------------------------------------

namespace {

std::optional<uint64_t> add_len(std::optional<uint64_t> a,
                                std::optional<uint64_t> b) {
  if (!a || !b) return std::nullopt;
  return sat_add(*a, *b);
}

// A class without members: it never matches.
Expr fail_expr() {
  static const SetRef kEmpty = std::make_shared<const CodepointSet>();
  Expr e;
  e.kind = Expr::Kind::Class;
  e.uclass.set = kEmpty;
  e.min_len = std::nullopt;
  e.max_len = std::nullopt;
  return e;
}

uint32_t utf8_length(uint32_t cp) {
  return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
}

// The single character a literal consists of, if it is exactly one.
std::optional<uint32_t> single_char(const std::string& bytes) {
  if (bytes.empty()) return std::nullopt;
  std::size_t pos = 0;
  const char32_t cp = unicode::next_code_point(bytes, pos);
  if (pos != bytes.size()) return std::nullopt;
  if (utf8_length(cp) != bytes.size()) return std::nullopt;  // not valid UTF-8
  return static_cast<uint32_t>(cp);
}

// A trie over the literals (reversed for the reverse program), priced as
// the compiler lays it out: per inner node one sparse state (a plain range
// state when it has one child) and one union state, plus one end state.
uint64_t trie_cost(const std::vector<Expr>& branches, bool reverse) {
  // Child links: a hash map for large tries, a list for the usual few
  // alternatives.
  const bool large = branches.size() > 64;
  std::unordered_map<uint64_t, uint32_t> edges;
  std::vector<std::pair<uint64_t, uint32_t>> few;
  auto find = [&](uint64_t key) -> uint32_t {
    if (large) {
      auto it = edges.find(key);
      return it == edges.end() ? 0 : it->second;
    }
    for (const auto& [k, v] : few) {
      if (k == key) return v;
    }
    return 0;
  };
  std::vector<uint32_t> children{0};
  std::vector<bool> terminal{false};
  for (const Expr& b : branches) {
    uint32_t node = 0;
    const std::string& lit = b.literal;
    for (std::size_t i = 0; i < lit.size(); ++i) {
      const unsigned char byte =
          static_cast<unsigned char>(reverse ? lit[lit.size() - 1 - i] : lit[i]);
      const uint64_t key = (static_cast<uint64_t>(node) << 8) | byte;
      uint32_t next = find(key);
      if (next == 0) {
        next = static_cast<uint32_t>(children.size());
        children.push_back(0);
        terminal.push_back(false);
        if (large) {
          edges.emplace(key, next);
        } else {
          few.emplace_back(key, next);
        }
        ++children[node];
      }
      node = next;
    }
    terminal[node] = true;
  }
  uint64_t bytes = kStateBytes;
  for (std::size_t n = 0; n < children.size(); ++n) {
    if (children[n] == 0) continue;
    bytes = sat_add(bytes, children[n] == 1
                               ? kStateBytes
                               : kStateBytes + kTransitionBytes * children[n]);
    bytes = sat_add(bytes, kStateBytes + kAlternativeBytes * (terminal[n] ? 2 : 1));
  }
  return bytes;
}

void price_alternation(Session& s, Expr& e) {
  const bool all_literal =
      e.branches.size() >= 2 &&
      std::all_of(e.branches.begin(), e.branches.end(),
                  [](const Expr& b) { return b.is_literal(); });
  if (all_literal) {
    e.cost = {trie_cost(e.branches, false), trie_cost(e.branches, true)};
  } else {
    NfaCost c = both(2 * kStateBytes + kAlternativeBytes * e.branches.size());
    for (Expr& b : e.branches) c = c + price(s, b);
    e.cost = c;
  }
  e.branches.clear();
  e.branches.shrink_to_fit();
}

}  // namespace

NfaCost price(Session& s, Expr& e) {
  if (e.priced) return e.cost;
  switch (e.kind) {
    case Expr::Kind::Empty:
    case Expr::Kind::Look:
      e.cost = both(kStateBytes);
      break;
    case Expr::Kind::Literal:
      e.cost = both(sat_mul(kStateBytes, e.literal.size()));
      break;
    case Expr::Kind::Class:
      e.cost = s.class_cost(e.uclass);
      break;
    case Expr::Kind::Alternation:
      price_alternation(s, e);
      break;
    case Expr::Kind::Repetition:
    case Expr::Kind::Capture:
    case Expr::Kind::Concat:
      break;  // priced when built
  }
  e.priced = true;
  return e.cost;
}

// --- Constructors ---------------------------------------------------------

Expr empty_expr() {
  Expr e;
  e.min_len = 0;
  e.max_len = 0;
  return e;
}

Expr literal_expr(std::string bytes) {
  Expr e;
  e.kind = Expr::Kind::Literal;
  e.min_len = bytes.size();
  e.max_len = bytes.size();
  e.literal = std::move(bytes);
  return e;
}

Expr char_expr(uint32_t cp) {
  std::string s;
  unicode::append_utf8(s, cp);
  return literal_expr(std::move(s));
}

Expr look_expr() {
  Expr e;
  e.kind = Expr::Kind::Look;
  e.min_len = 0;
  e.max_len = 0;
  return e;
}

Expr unicode_class_expr(ClassValue v) {
  if (!v.unknown()) {
    if (v.set->empty()) return fail_expr();
    if (std::optional<uint32_t> only = v.set->single_member()) {
      return char_expr(*only);
    }
  }
  Expr e;
  e.kind = Expr::Kind::Class;
  e.min_len = v.unknown() ? 1 : v.set->min_utf8_len();
  e.max_len = v.unknown() ? 4 : v.set->max_utf8_len();
  e.uclass = std::move(v);
  return e;
}

// Byte classes that reach here hold ASCII bytes only (anything else could
// match invalid UTF-8 and is refused), so they are kept as code points.
Expr byte_class_expr(const ByteSet& set) {
  if (set.count() == 1) {
    for (unsigned b = 0; b < 256; ++b) {
      if (set.has(b)) return literal_expr(std::string(1, static_cast<char>(b)));
    }
  }
  std::vector<CodepointRange> ranges;
  for (unsigned b = 0; b < 256; ++b) {
    if (set.has(b)) ranges.push_back({b, b});
  }
  return unicode_class_expr(
      {std::make_shared<const CodepointSet>(CodepointSet::from_ranges(std::move(ranges)))});
}

Expr capture_expr(Session& s, Expr sub) {
  const NfaCost c = price(s, sub);
  Expr e;
  e.kind = Expr::Kind::Capture;
  e.min_len = sub.min_len;
  e.max_len = sub.max_len;
  e.cost = {sat_add(c.fwd, 2 * kStateBytes), c.rev};
  e.priced = true;
  return e;
}

Expr repetition_expr(Session& s, Expr sub, uint32_t min,
                     std::optional<uint32_t> max) {
  // A piece that can only match the empty string is repeated at most once.
  if (sub.max_len == uint64_t{0}) {
    min = std::min<uint32_t>(min, 1);
    max = max ? std::min<uint32_t>(*max, 1) : 1;
  }
  if (min == 0 && max == 0u) return empty_expr();
  if (min == 1 && max == 1u) return sub;

  const NfaCost c = price(s, sub);
  const NfaCost u = both(kStateBytes + 2 * kAlternativeBytes);  // a union
  const NfaCost empty = both(kStateBytes);
  auto copies = [&](uint32_t n) { return n == 0 ? empty : scaled(c, n); };
  NfaCost cost;
  if (min == 0 && max == 1u) {
    cost = u + c + empty;
  } else if (!max) {
    if (min == 0) {
      const bool nonempty = sub.min_len && *sub.min_len > 0;
      // x* is x looping through one union, or (x+)? when x can match empty.
      cost = nonempty ? u + c : c + u + u + empty;
    } else {
      cost = scaled(c, min) + u;
    }
  } else if (min == *max) {
    cost = copies(min);
  } else {
    cost = copies(min) + empty + scaled(u + c, *max - min);
  }

  Expr e;
  e.kind = Expr::Kind::Repetition;
  e.min_len = sub.min_len ? std::optional<uint64_t>(sat_mul(*sub.min_len, min))
                          : std::nullopt;
  if (max && sub.max_len) {
    e.max_len = sat_mul(*sub.max_len, *max);
    if (*e.max_len >= kSaturated) e.max_len = std::nullopt;
  } else {
    e.max_len = std::nullopt;
  }
  e.cost = cost;
  e.priced = true;
  return e;
}

namespace {

// The branches with every nested alternation that is not priced yet
// spliced in.
std::vector<Expr> flatten_alternation(std::vector<Expr> branches) {
  const bool nested = std::any_of(
      branches.begin(), branches.end(), [](const Expr& b) {
        return b.kind == Expr::Kind::Alternation && !b.priced;
      });
  if (!nested) return branches;
  std::vector<Expr> flat;
  flat.reserve(branches.size());
  for (Expr& b : branches) {
    if (b.kind == Expr::Kind::Alternation && !b.priced) {
      for (Expr& inner : b.branches) flat.push_back(std::move(inner));
    } else {
      flat.push_back(std::move(b));
    }
  }
  return flat;
}

// Branches that are all single characters become one class.
std::optional<Expr> characters_as_class(Session& s, const std::vector<Expr>& flat) {
  std::vector<CodepointRange> chars;
  for (const Expr& b : flat) {
    std::optional<uint32_t> c = b.is_literal() ? single_char(b.literal)
                                               : std::nullopt;
    if (!c) return std::nullopt;
    chars.push_back({*c, *c});
  }
  s.budget.spend(chars.size() * 2);
  if (s.budget.exhausted()) return unicode_class_expr({});
  return unicode_class_expr(
      {std::make_shared<const CodepointSet>(
          CodepointSet::from_ranges(std::move(chars)))});
}

// So do branches that are all classes.
std::optional<Expr> classes_as_class(Session& s, const std::vector<Expr>& flat) {
  if (!std::all_of(flat.begin(), flat.end(), [](const Expr& b) {
        return b.kind == Expr::Kind::Class;
      })) {
    return std::nullopt;
  }
  std::vector<CodepointRange> ranges;
  bool unknown = false;
  for (const Expr& b : flat) {
    if (b.uclass.unknown()) {
      unknown = true;
    } else {
      const auto& r = b.uclass.set->ranges();
      ranges.insert(ranges.end(), r.begin(), r.end());
    }
  }
  s.budget.spend(ranges.size() * 2);
  if (unknown || s.budget.exhausted()) return unicode_class_expr({});
  return unicode_class_expr({std::make_shared<const CodepointSet>(
      CodepointSet::from_ranges(std::move(ranges)))});
}

}  // namespace

Expr alternation_expr(Session& s, std::vector<Expr> branches) {
  std::vector<Expr> flat = flatten_alternation(std::move(branches));
  if (flat.empty()) return fail_expr();
  if (flat.size() == 1) return std::move(flat[0]);
  if (std::optional<Expr> chars = characters_as_class(s, flat)) return std::move(*chars);
  if (std::optional<Expr> classes = classes_as_class(s, flat)) return std::move(*classes);

  Expr e;
  e.kind = Expr::Kind::Alternation;
  bool min_none = false, max_none = false;
  uint64_t lo = kSaturated, hi = 0;
  for (const Expr& b : flat) {
    if (!b.min_len) {
      min_none = true;
    } else {
      lo = std::min(lo, *b.min_len);
    }
    if (!b.max_len) {
      max_none = true;
    } else {
      hi = std::max(hi, *b.max_len);
    }
  }
  e.min_len = min_none ? std::nullopt : std::optional<uint64_t>(lo);
  e.max_len = max_none ? std::nullopt : std::optional<uint64_t>(hi);
  e.branches = std::move(flat);
  return e;
}

// --- Concatenation --------------------------------------------------------

void ConcatBuilder::add(Session& s, Expr&& e) {
  if (e.kind == Expr::Kind::Empty) return;
  if (e.kind == Expr::Kind::Literal) {
    pending_ += e.literal;
    return;
  }
  flush_literal(s);
  add_piece(s, std::move(e));
}

void ConcatBuilder::add_char(uint32_t cp) { unicode::append_utf8(pending_, cp); }

void ConcatBuilder::flush_literal(Session& s) {
  if (pending_.empty()) return;
  add_piece(s, literal_expr(std::move(pending_)));
  pending_.clear();
}

void ConcatBuilder::add_piece(Session& s, Expr&& e) {
  auto absorb = [&](Expr& x) {
    cost_ = cost_ + price(s, x);
    min_len_ = add_len(min_len_, x.min_len);
    max_len_ = add_len(max_len_, x.max_len);
  };
  ++pieces_;
  if (pieces_ == 1) {
    only_ = std::move(e);
    return;
  }
  if (only_) {
    absorb(*only_);
    only_.reset();
  }
  absorb(e);
}

Expr ConcatBuilder::finish(Session& s) {
  flush_literal(s);
  if (pieces_ == 0) return empty_expr();
  if (pieces_ == 1) return std::move(*only_);
  Expr e;
  e.kind = Expr::Kind::Concat;
  e.min_len = min_len_;
  e.max_len = max_len_;
  e.cost = cost_;
  e.priced = true;
  return e;
}

std::optional<NfaCost> program_cost(Session& s, Expr& top) {
  // A large alternation of plain literals runs on a multi-literal searcher
  // with no NFA at all.
  if (top.kind == Expr::Kind::Alternation && !top.priced &&
      top.branches.size() >= 3000 &&
      std::all_of(top.branches.begin(), top.branches.end(),
                  [](const Expr& b) { return b.is_literal(); })) {
    return std::nullopt;
  }
  const NfaCost c = price(s, top);
  // Around the pattern: the capture of the whole match (forward only), the
  // match state and the unanchored prefix (a union and a byte range).
  const uint64_t around = kStateBytes + (kStateBytes + 2 * kAlternativeBytes) +
                          kStateBytes;
  return NfaCost{sat_add(c.fwd, around + 2 * kStateBytes), sat_add(c.rev, around)};
}

}  // namespace kelp::regex

// What the translator makes of a pattern: a summary of the dialect's
// high-level form, with the same simplifications it applies (adjacent
// literals merge, empty pieces drop out of concatenations, nested
// alternations flatten, alternations of single characters or of classes
// become one class, one-member classes become literals, repetitions of
// empty-width pieces shrink) and with the cost of each piece in the compiled
// program. Only what the size estimate needs is kept.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "regex/class_ops.h"
#include "regex/codepoint_set.h"
#include "regex/size_model.h"

namespace kelp::regex {

// Byte classes, used when Unicode mode is off.
struct ByteSet {
  std::array<uint64_t, 4> bits{};

  void add(uint8_t lo, uint8_t hi) {
    for (unsigned b = lo; b <= hi; ++b) bits[b >> 6] |= uint64_t{1} << (b & 63);
  }
  bool has(unsigned b) const { return (bits[b >> 6] >> (b & 63)) & 1; }
  bool is_ascii() const { return bits[2] == 0 && bits[3] == 0; }
  bool empty() const { return !(bits[0] | bits[1] | bits[2] | bits[3]); }
  unsigned count() const;
  ByteSet operator|(const ByteSet& o) const;
  ByteSet operator&(const ByteSet& o) const;
  ByteSet operator^(const ByteSet& o) const;
  ByteSet operator~() const;
  ByteSet case_folded() const;  // ASCII letters only
};

// The work one check may spend on class algebra and class pricing before
// it stops computing members and prices classes by a fixed estimate.
class Budget {
 public:
  static constexpr uint64_t kLimit = 3'000'000;
  void spend(uint64_t n) { used_ = used_ + n < used_ ? kLimit + 1 : used_ + n; }
  bool exhausted() const { return used_ > kLimit; }

 private:
  uint64_t used_ = 0;
};

// Per-check state shared by all pieces: the budget, the class pricing and
// memos of class operations.
class Session {
 public:
  explicit Session(ClassOps& ops = shared_class_ops()) : ops_(ops) {}
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  Budget budget;

  // Case folding and negation, remembered per input set.
  ClassValue fold(const ClassValue& v);
  ClassValue negate(const ClassValue& v);
  // A character with its simple case folding equivalents.
  ClassValue fold_char(uint32_t cp);
  // Bytes of a Unicode class in the compiled program.
  NfaCost class_cost(const ClassValue& v);

 private:
  ClassValue unary(const ClassValue& v, int op);

  ClassOps& ops_;
  Utf8CostModel model_;  // scratch for classes priced afresh
  std::map<std::pair<const CodepointSet*, int>, ClassValue> unary_memo_;
  std::vector<SetRef> keep_;  // inputs of unary_memo_, kept alive
  std::unordered_map<const CodepointSet*, std::pair<SetRef, NfaCost>> cost_memo_;
  std::map<std::vector<uint32_t>, NfaCost> small_cost_memo_;  // by members
  std::vector<uint32_t> small_key_;  // scratch for small_cost_memo_ lookups
};

struct Expr {
  enum class Kind : uint8_t {
    Empty,
    Literal,
    Class,
    Look,
    Repetition,
    Capture,
    Concat,
    Alternation,
  };
  Kind kind = Kind::Empty;
  std::string literal;          // Literal: its UTF-8 bytes
  ClassValue uclass;            // Class: members (byte classes are ASCII)
  std::vector<Expr> branches;   // Alternation, until priced
  // Shortest and longest match in bytes; nullopt for "none" (a class
  // without members matches nothing).
  std::optional<uint64_t> min_len;
  std::optional<uint64_t> max_len;
  bool priced = false;
  NfaCost cost;

  bool is_literal() const { return kind == Kind::Literal; }
};

// Constructors applying the dialect's simplifications.
Expr empty_expr();
Expr literal_expr(std::string bytes);
Expr char_expr(uint32_t cp);
Expr look_expr();
Expr unicode_class_expr(ClassValue v);
Expr byte_class_expr(const ByteSet& set);
Expr capture_expr(Session& s, Expr sub);
Expr repetition_expr(Session& s, Expr sub, uint32_t min,
                     std::optional<uint32_t> max);
Expr alternation_expr(Session& s, std::vector<Expr> branches);

// Builds a concatenation piece by piece, keeping only sums once there are
// two pieces, so long concatenations take little memory.
class ConcatBuilder {
 public:
  void add(Session& s, Expr&& e);
  void add_char(uint32_t cp);
  Expr finish(Session& s);

 private:
  void flush_literal(Session& s);
  void add_piece(Session& s, Expr&& e);

  std::string pending_;
  std::size_t pieces_ = 0;
  std::optional<Expr> only_;
  NfaCost cost_;
  std::optional<uint64_t> min_len_ = 0;
  std::optional<uint64_t> max_len_ = 0;
};

// Prices a piece (and everything under it) if not done yet.
NfaCost price(Session& s, Expr& e);

// The size of both compiled programs for a whole pattern, or nullopt when
// the pattern is run without one (a large alternation of literals).
std::optional<NfaCost> program_cost(Session& s, Expr& top);

}  // namespace kelp::regex

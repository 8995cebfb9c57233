// The estimate of the compiled program's size, checked against the
// library's 10 MiB limit.
//
// The model follows how the dialect's compiler builds a Thompson NFA and
// counts memory while it builds:
// - every NFA state costs kStateBytes, a sparse (byte range) state 8 more
//   bytes per transition, a union state 4 more bytes per alternative;
// - a literal is one state per byte; a look-around assertion one state; a
//   capture group two states (forward program only); an empty expression one
//   state;
// - an ASCII-only class is one sparse state plus an end state; a byte class
//   likewise; any other Unicode class is a UTF-8 automaton, which the
//   forward program builds minimized (suffixes shared through a bounded
//   cache of 10,000 entries) and the reverse program builds as one chain of
//   byte-range states per UTF-8 sequence with shared prefixes (through a
//   bounded cache of 1,000 entries); both caches are simulated;
// - an alternation is one union plus one end state around its branches, or,
//   when every branch is a literal, a trie of the literals (forward) or of
//   the reversed literals (reverse);
// - counted repetitions are expanded: x{n} is n copies, x{n,m} adds m-n
//   optional copies each behind a union, x{n,} adds a looping union, and
//   x* over an operand that can match empty is compiled as (x+)?;
// - the program is compiled twice, forward with capture states and reverse
//   without; each must stay within the limit, so the estimate is the larger;
// - an alternation of at least 3,000 plain literals at the top is searched
//   without any NFA, so it never exceeds the limit.
// Sizes saturate rather than overflow.
#pragma once

#include <cstdint>
#include <memory>

#include "regex/codepoint_set.h"

namespace kelp::regex {

constexpr uint64_t kSizeLimit = 10u * (1u << 20);
constexpr uint64_t kStateBytes = 32;
constexpr uint64_t kTransitionBytes = 8;
constexpr uint64_t kAlternativeBytes = 4;
constexpr uint64_t kSaturated = uint64_t{1} << 62;

// Bytes of the forward and the reverse program.
struct NfaCost {
  uint64_t fwd = 0;
  uint64_t rev = 0;
};

uint64_t sat_add(uint64_t a, uint64_t b);
uint64_t sat_mul(uint64_t a, uint64_t b);
NfaCost operator+(NfaCost a, NfaCost b);
NfaCost scaled(NfaCost a, uint64_t n);
NfaCost both(uint64_t bytes);

// Prices Unicode classes that are not ASCII-only (the ASCII case is priced
// by the caller). One model serves one check; it keeps the simulated
// caches between classes to save allocations.
class Utf8CostModel {
 public:
  Utf8CostModel();
  ~Utf8CostModel();
  Utf8CostModel(const Utf8CostModel&) = delete;
  Utf8CostModel& operator=(const Utf8CostModel&) = delete;

  // `work` grows by a measure of the computing done.
  NfaCost cost(const CodepointSet& set, uint64_t& work);

 private:
  struct Scratch;
  std::unique_ptr<Scratch> scratch_;
};

// What a class costs when its members were not computed (too much work):
// about the size of \w.
NfaCost unknown_class_cost();

}  // namespace kelp::regex

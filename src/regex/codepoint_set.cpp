#include "regex/codepoint_set.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <iterator>

#include "regex/char_categories.h"

namespace kelp::regex {
namespace {

constexpr uint32_t kMax = 0x10FFFF;
constexpr uint32_t kSurrogateLo = 0xD800;
constexpr uint32_t kSurrogateHi = 0xDFFF;

uint32_t utf8_len(uint32_t cp) {
  return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
}

// Sorts entries by the code point in their bits [shift, shift + 21), keeping
// the order of entries with the same code point: two passes of a counting
// sort, several times cheaper than a comparison sort here.
void sort_by_code_point(std::vector<uint64_t>& v, unsigned shift) {
  std::vector<uint64_t> tmp(v.size());
  auto pass = [&](std::vector<uint64_t>& from, std::vector<uint64_t>& to,
                  unsigned at, unsigned bits) {
    std::vector<std::size_t> count((std::size_t{1} << bits) + 1);
    const uint64_t mask = (uint64_t{1} << bits) - 1;
    for (uint64_t e : from) ++count[((e >> at) & mask) + 1];
    for (std::size_t i = 1; i < count.size(); ++i) count[i] += count[i - 1];
    for (uint64_t e : from) to[count[(e >> at) & mask]++] = e;
  };
  pass(v, tmp, shift, 11);
  pass(tmp, v, shift + 11, 10);
}

// Simple case folding equivalence classes, built once from the ICU data:
// every code point that changes when case folded (Changes_When_Casefolded)
// and whose simple folding differs from itself, grouped with its folding.
// Only cased characters have foldings: letters, and the few combining
// marks, letter numbers and symbols with case (the iota subscript, Roman
// numerals, circled letters); the other letters (Lm, Lo) have none. Testing
// the characters of these categories costs far less than ICU's sets of
// cased or case-changing characters.
//
// A character with a simple folding changes when case folded unless its
// canonical decomposition is already folded, as U+1FBE's (U+03B9) is; only
// such characters need the costlier test.
bool changes_when_casefolded(uint32_t cp) {
  const UChar32 c = static_cast<UChar32>(cp);
  return u_getIntPropertyValue(c, UCHAR_DECOMPOSITION_TYPE) != U_DT_CANONICAL ||
         u_hasBinaryProperty(c, UCHAR_CHANGES_WHEN_CASEFOLDED);
}

struct FoldTable {
  // Sorted: each member of a class of two or more, as (code point << 32) |
  // index of its class.
  std::vector<uint64_t> members;
  // Class i holds flat[starts[i]] up to flat[starts[i + 1]], ascending.
  std::vector<uint32_t> flat;
  std::vector<uint32_t> starts;
  // The class of each of the first code points, or -1: most patterns fold
  // only these.
  static constexpr uint32_t kDirect = 0x250;
  std::array<int32_t, kDirect> direct{};

  FoldTable() {
    constexpr int32_t kWithCase = U_GC_LU_MASK | U_GC_LL_MASK | U_GC_LT_MASK |
                                  U_GC_MN_MASK | U_GC_NL_MASK | U_GC_SO_MASK;
    // (folding << 32) | code point, for every code point that folds to
    // another, ascending by code point.
    std::vector<uint64_t> folds;
    for (const CategoryRange& r : category_ranges()) {
      if (!(U_MASK(r.category) & kWithCase)) continue;
      for (uint32_t c = r.lo; c <= r.hi; ++c) {
        const UChar32 f = u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT);
        if (f != static_cast<UChar32>(c) && changes_when_casefolded(c)) {
          folds.push_back((static_cast<uint64_t>(f) << 32) | c);
        }
      }
    }
    // By folding; code points are already ascending.
    sort_by_code_point(folds, 32);
    flat.reserve(2 * folds.size());
    members.reserve(2 * folds.size());
    for (std::size_t i = 0; i < folds.size();) {
      const uint64_t fold = folds[i] >> 32;
      const std::size_t from = flat.size();
      for (; i < folds.size() && (folds[i] >> 32) == fold; ++i) {
        flat.push_back(static_cast<uint32_t>(folds[i]));
      }
      flat.push_back(static_cast<uint32_t>(fold));
      std::sort(flat.begin() + static_cast<std::ptrdiff_t>(from), flat.end());
      flat.erase(std::unique(flat.begin() + static_cast<std::ptrdiff_t>(from), flat.end()),
                 flat.end());
      const uint32_t index = static_cast<uint32_t>(starts.size());
      for (std::size_t k = from; k < flat.size(); ++k) {
        members.push_back((static_cast<uint64_t>(flat[k]) << 32) | index);
      }
      starts.push_back(static_cast<uint32_t>(from));
    }
    starts.push_back(static_cast<uint32_t>(flat.size()));
    // Classes are already ascending.
    sort_by_code_point(members, 32);
    direct.fill(-1);
    for (uint64_t m : members) {
      if ((m >> 32) >= kDirect) break;
      // A code point in two classes is found by the search as its first.
      int32_t& d = direct[m >> 32];
      if (d < 0) d = static_cast<int32_t>(static_cast<uint32_t>(m));
    }
  }

  std::size_t class_count() const { return starts.size() - 1; }
  std::span<const uint32_t> class_members(uint32_t index) const {
    return std::span<const uint32_t>(flat).subspan(
        starts[index], starts[index + 1] - starts[index]);
  }
  // The first member entry at or after `cp`.
  std::vector<uint64_t>::const_iterator first_at(uint32_t cp) const {
    return std::lower_bound(members.begin(), members.end(), static_cast<uint64_t>(cp) << 32);
  }
};

const FoldTable& fold_table() {
  static const FoldTable table;
  return table;
}

}  // namespace

CodepointSet CodepointSet::from_ranges(std::vector<CodepointRange> ranges) {
  // Cut out surrogates, then sort and merge, all in the given storage; the
  // upper part of a range spanning the surrogates goes after the rest.
  std::size_t kept = 0;
  std::size_t spanning = 0;
  CodepointRange upper{};
  for (std::size_t i = 0; i < ranges.size(); ++i) {
    CodepointRange r = ranges[i];
    if (r.lo > r.hi || r.lo > kMax) continue;
    r.hi = std::min(r.hi, kMax);
    if (r.hi < kSurrogateLo || r.lo > kSurrogateHi) {
      ranges[kept++] = r;
      continue;
    }
    if (r.lo < kSurrogateLo) {
      ranges[kept++] = {r.lo, kSurrogateLo - 1};
      if (r.hi > kSurrogateHi) {
        // Merged below with any other such part: all start at the same point.
        upper.hi = spanning++ ? std::max(upper.hi, r.hi) : r.hi;
      }
    } else if (r.hi > kSurrogateHi) {
      ranges[kept++] = {kSurrogateHi + 1, r.hi};
    }
  }
  ranges.resize(kept);
  if (spanning) ranges.push_back({kSurrogateHi + 1, upper.hi});
  auto by_start = [](const CodepointRange& a, const CodepointRange& b) {
    return a.lo < b.lo;
  };
  // Ranges usually come as a sorted run with a few more after it (a class
  // followed by single characters): sort only what follows the run.
  auto unsorted = std::is_sorted_until(ranges.begin(), ranges.end(), by_start);
  if (unsorted != ranges.end()) {
    std::sort(unsorted, ranges.end(), by_start);
    if (ranges.end() - unsorted <= 8) {
      // A few: each moved into place, which needs no merge buffer.
      for (auto it = unsorted; it != ranges.end(); ++it) {
        const CodepointRange r = *it;
        auto at = std::upper_bound(ranges.begin(), it, r, by_start);
        std::move_backward(at, it, it + 1);
        *at = r;
      }
    } else {
      std::inplace_merge(ranges.begin(), unsorted, ranges.end(), by_start);
    }
  }
  std::size_t out = 0;
  for (std::size_t i = 0; i < ranges.size(); ++i) {
    const CodepointRange r = ranges[i];
    if (out > 0 && r.lo <= ranges[out - 1].hi + 1) {
      ranges[out - 1].hi = std::max(ranges[out - 1].hi, r.hi);
    } else {
      ranges[out++] = r;
    }
  }
  ranges.resize(out);
  // Sets may live as long as the process; keep their storage near its size.
  if (ranges.capacity() > 2 * out + 16) ranges.shrink_to_fit();
  CodepointSet set;
  set.ranges_ = std::move(ranges);
  return set;
}

std::optional<uint32_t> CodepointSet::single_member() const {
  if (ranges_.size() == 1 && ranges_[0].lo == ranges_[0].hi) return ranges_[0].lo;
  return std::nullopt;
}

uint32_t CodepointSet::min_utf8_len() const {
  return ranges_.empty() ? 0 : utf8_len(ranges_.front().lo);
}

uint32_t CodepointSet::max_utf8_len() const {
  return ranges_.empty() ? 0 : utf8_len(ranges_.back().hi);
}

CodepointSet CodepointSet::united(const CodepointSet& other) const {
  std::vector<CodepointRange> all;
  all.reserve(ranges_.size() + other.ranges_.size());
  std::merge(ranges_.begin(), ranges_.end(), other.ranges_.begin(),
             other.ranges_.end(), std::back_inserter(all),
             [](const CodepointRange& a, const CodepointRange& b) {
               return a.lo < b.lo;
             });
  CodepointSet out;
  for (const CodepointRange& r : all) {
    if (!out.ranges_.empty() && r.lo <= out.ranges_.back().hi + 1) {
      out.ranges_.back().hi = std::max(out.ranges_.back().hi, r.hi);
    } else {
      out.ranges_.push_back(r);
    }
  }
  return out;
}

CodepointSet CodepointSet::intersected(const CodepointSet& other) const {
  CodepointSet out;
  std::size_t i = 0, j = 0;
  while (i < ranges_.size() && j < other.ranges_.size()) {
    const CodepointRange& a = ranges_[i];
    const CodepointRange& b = other.ranges_[j];
    const uint32_t lo = std::max(a.lo, b.lo);
    const uint32_t hi = std::min(a.hi, b.hi);
    if (lo <= hi) out.ranges_.push_back({lo, hi});
    if (a.hi < b.hi) {
      ++i;
    } else {
      ++j;
    }
  }
  return out;
}

CodepointSet CodepointSet::negated() const {
  std::vector<CodepointRange> gaps;
  uint32_t next = 0;
  for (const CodepointRange& r : ranges_) {
    if (r.lo > next) gaps.push_back({next, r.lo - 1});
    next = r.hi + 1;
  }
  if (next <= kMax) gaps.push_back({next, kMax});
  return from_ranges(std::move(gaps));
}

CodepointSet CodepointSet::minus(const CodepointSet& other) const {
  return intersected(other.negated());
}

CodepointSet CodepointSet::symmetric_difference(const CodepointSet& other) const {
  return united(other).minus(intersected(other));
}

bool CodepointSet::contains(uint32_t cp) const {
  auto it = std::upper_bound(ranges_.begin(), ranges_.end(), cp,
                             [](uint32_t c, const CodepointRange& r) { return c < r.lo; });
  return it != ranges_.begin() && std::prev(it)->hi >= cp;
}

CodepointSet CodepointSet::case_folded() const {
  const FoldTable& t = fold_table();
  // Only equivalents not yet members are added: in large classes such as
  // the letters, nearly all of them already are.
  std::vector<CodepointRange> added;
  for (const CodepointRange& r : ranges_) {
    for (auto it = t.first_at(r.lo); it != t.members.end() && (*it >> 32) <= r.hi; ++it) {
      for (uint32_t cp : t.class_members(static_cast<uint32_t>(*it))) {
        if ((cp < r.lo || cp > r.hi) && !contains(cp)) added.push_back({cp, cp});
      }
    }
  }
  if (added.empty()) return *this;
  return united(from_ranges(std::move(added)));
}

bool CodepointSet::operator==(const CodepointSet& other) const {
  if (ranges_.size() != other.ranges_.size()) return false;
  for (std::size_t i = 0; i < ranges_.size(); ++i) {
    if (ranges_[i].lo != other.ranges_[i].lo ||
        ranges_[i].hi != other.ranges_[i].hi) {
      return false;
    }
  }
  return true;
}

bool has_simple_case_mapping(uint32_t cp) {
  return case_class_index(cp).has_value();
}

std::size_t case_class_count() { return fold_table().class_count(); }

std::optional<uint32_t> case_class_index(uint32_t cp) {
  const FoldTable& t = fold_table();
  if (cp < FoldTable::kDirect) {
    if (t.direct[cp] < 0) return std::nullopt;
    return static_cast<uint32_t>(t.direct[cp]);
  }
  auto it = t.first_at(cp);
  if (it == t.members.end() || (*it >> 32) != cp) return std::nullopt;
  return static_cast<uint32_t>(*it);
}

std::span<const uint32_t> case_class_members(uint32_t index) {
  return fold_table().class_members(index);
}

}  // namespace kelp::regex

// The general category of every code point, as ascending ranges that cover
// the whole code space, read once per process from ICU's enumeration of
// character types. Sets by category and searches among the characters of a
// few categories start here: building them through ICU's sets would first
// collect the starts of every range of its character data, which costs
// several times more.
#pragma once

#include <unicode/uchar.h>

#include <cstdint>
#include <vector>

namespace kelp::regex {

struct CategoryRange {
  uint32_t lo, hi;
  UCharCategory category;
};

const std::vector<CategoryRange>& category_ranges();

}  // namespace kelp::regex

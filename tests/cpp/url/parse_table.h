// The parse table of the URL tests: each row is an input and either the URL
// it serializes to or, after '!', the failure text. parse_table_test.cpp
// holds the test; each table file instantiates it with its rows.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string_view>

#include "unicode/text.h"

namespace kelp::testing {

struct ParseCase {
  std::string_view input;
  std::string_view expected;
};

inline void PrintTo(const ParseCase& c, std::ostream* os) { *os << kelp::unicode::quoted(c.input); }

}  // namespace kelp::testing

class ParseTable : public testing::TestWithParam<kelp::testing::ParseCase> {};

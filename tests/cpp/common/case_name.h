// Readable, stable names for parametrised test cases, made from a text that
// the case holds, so that a failing case can be found and rerun by name.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace kelp::testing {

// Letters and digits kept, every other run of bytes one "_", at most 48
// characters, then the case's index so that equal texts stay distinct.
inline std::string case_name(std::string_view text, std::size_t index) {
  std::string out;
  bool gap = false;
  for (char ch : text) {
    if (out.size() >= 48) break;
    auto c = static_cast<unsigned char>(ch);
    bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (keep) {
      if (gap && !out.empty()) out += '_';
      out += static_cast<char>(c);
      gap = false;
    } else {
      gap = true;
    }
  }
  if (out.empty()) out = "case";
  return out + "_" + std::to_string(index);
}

}  // namespace kelp::testing

// The name generator of an INSTANTIATE_TEST_SUITE_P from one member of the
// parameter (or an expression over `p`, the parameter).
#define KELP_CASE_NAMES(expr)                                                  \
  [](const auto& case_info) {                                                  \
    const auto& p = case_info.param;                                           \
    (void)p;                                                                   \
    return ::kelp::testing::case_name(std::string_view(expr), case_info.index); \
  }

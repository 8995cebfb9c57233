// A syntax checker for the regular-expression dialect of gate patterns: it
// answers whether a pattern compiles and, if not, the error text. Nothing is
// ever matched.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelp::regex {

struct Flags {
  bool case_insensitive = false;  // i
  bool multi_line = false;        // m
  bool dot_matches_new_line = false;  // s
};

// nullopt when the pattern compiles under the default limits (Unicode on,
// nest limit 250, compiled size 10 MiB); otherwise the error text, e.g.
// "regex parse error:\n    (\n    ^\nerror: unclosed group" or
// "Compiled regex exceeds size limit of 10485760 bytes.".
std::optional<std::string> check(std::string_view pattern, Flags flags);

}  // namespace kelp::regex

// The checker's answer as the text a caller shows: nullopt when the pattern
// compiles, else the error text, so that tests compare whole texts.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "regex/syntax.h"

namespace kelp::regex_testing {

inline std::optional<std::string> check_text(std::string_view pattern, regex::Flags flags) {
  auto checked = regex::check(pattern, flags);
  if (checked) return std::nullopt;
  return regex::error_text(checked.error());
}

}  // namespace kelp::regex_testing

// A check short of its error text: the syntax error, or the estimate of the
// compiled program's size, with the class operations of the caller's choice.
#pragma once

#include <algorithm>
#include <optional>
#include <string_view>

#include "regex/class_ops.h"
#include "regex/error.h"
#include "regex/size_model.h"
#include "regex/syntax.h"

namespace kelp::regex {

struct Estimate {
  std::optional<SyntaxError> error;
  // Bytes of both programs; nullopt when the pattern is run without one,
  // and when `too_long` holds.
  std::optional<NfaCost> cost;
  bool too_long = false;  // refused before parsing

  bool exceeds_limit() const {
    return too_long || (cost && std::max(cost->fwd, cost->rev) > kSizeLimit);
  }
};

Estimate estimate(std::string_view pattern, Flags flags, ClassOps& ops);

}  // namespace kelp::regex

// The nest limit that every parsed pattern is checked against, counted over
// the tree as the dialect counts it.
#pragma once

#include <optional>

#include "regex/ast.h"
#include "regex/error.h"

namespace kelp::regex {

// The error at the first node, in walk order, that nests deeper than
// kNestLimit; nullopt when none does.
std::optional<SyntaxError> check_nest_limit(const Ast& ast);

}  // namespace kelp::regex

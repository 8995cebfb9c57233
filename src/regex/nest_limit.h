// The nest limit that every parsed pattern is checked against, counted over
// the tree as the dialect counts it.
#pragma once

#include "regex/ast.h"
#include "regex/error.h"
#include "util/expected.h"

namespace kelp::regex {

// The tree when no node nests deeper than kNestLimit; otherwise the error at
// the first node, in walk order, that does.
Expected<Ast, SyntaxError> within_nest_limit(Ast ast);

}  // namespace kelp::regex

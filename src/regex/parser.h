// The parser of the dialect's concrete syntax into an Ast. It keeps its own
// stacks for groups and classes instead of recursing, so any nesting depth
// parses in constant stack space; the nest limit is checked afterwards.
#pragma once

#include <string_view>

#include "regex/ast.h"
#include "regex/error.h"
#include "util/expected.h"

namespace kelp::regex {

// Parses `pattern` with the default settings (no verbose mode, no octal
// escapes) and checks the nest limit. The first error found wins.
// Positions are kept in 32 bits: callers refuse patterns of 4 GiB or more
// before parsing (such a pattern is refused here as too deep).
Expected<Ast, SyntaxError> parse(std::string_view pattern);

}  // namespace kelp::regex

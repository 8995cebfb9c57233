// Translation of a parsed tree into the high-level form, applying the inline
// flags as they take effect and refusing what the dialect refuses at this
// stage: Unicode classes where Unicode mode is off, anything that could match
// invalid UTF-8, and unknown Unicode property names and values.
#pragma once

#include "regex/ast.h"
#include "regex/error.h"
#include "regex/hir.h"
#include "util/expected.h"

namespace kelp::regex {

struct StartFlags {
  bool case_insensitive = false;
  bool multi_line = false;
  bool dot_matches_new_line = false;
};

// Unicode mode starts on; the first error in tree order wins.
Expected<Expr, SyntaxError> translate(const Ast& ast, const StartFlags& flags,
                                      Session& session);

}  // namespace kelp::regex

// A syntax checker for the regular-expression dialect of gate patterns: it
// answers whether a pattern compiles and, if not, why. Nothing is ever
// matched.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "regex/ast.h"
#include "regex/error.h"
#include "util/expected.h"

namespace kelp::regex {

struct Flags {
  bool case_insensitive = false;  // i
  bool multi_line = false;        // m
  bool dot_matches_new_line = false;  // s
};

// The pattern compiles; nothing of the compiled form is kept.
struct Compiled {};

// Why a pattern does not compile: a syntax error, or (SizeLimitExceeded) a
// compiled program over the size limit.
struct CompileError {
  ErrorKind kind;
  Span span;                     // syntax errors: the offending part
  std::optional<Span> aux_span;  // the earlier use a repeated flag or name clashes with
  std::string pattern;           // syntax errors: the pattern, which their text shows
};

// The error text, e.g. "regex parse error:\n    (\n    ^\nerror: unclosed
// group" or "Compiled regex exceeds size limit of 10485760 bytes.".
std::string error_text(const CompileError& error);

// Checks `pattern` under the default limits (Unicode on, nest limit 250,
// compiled size 10 MiB).
Expected<Compiled, CompileError> check(std::string_view pattern, Flags flags);

}  // namespace kelp::regex

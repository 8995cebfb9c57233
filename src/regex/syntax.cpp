#include "regex/syntax.h"

#include <algorithm>
#include <limits>

#include "regex/estimate.h"
#include "regex/hir.h"
#include "regex/parser.h"
#include "regex/translator.h"

namespace kelp::regex {

Estimate estimate(std::string_view pattern, Flags flags, ClassOps& ops) {
  Estimate out;
  // Positions are counted in 32 bits; a pattern this long could never fit
  // the compiled size limit anyway.
  if (pattern.size() >= std::numeric_limits<uint32_t>::max()) {
    out.too_long = true;
    return out;
  }
  Expected<Ast, SyntaxError> ast = parse(pattern);
  if (!ast) {
    out.error = ast.error();
    return out;
  }
  Session session(ops);
  const StartFlags start{flags.case_insensitive, flags.multi_line,
                         flags.dot_matches_new_line};
  Expected<Expr, SyntaxError> expr = translate(ast.value(), start, session);
  if (!expr) {
    out.error = expr.error();
    return out;
  }
  out.cost = program_cost(session, expr.value());
  return out;
}

Expected<Compiled, CompileError> check(std::string_view pattern, Flags flags) {
  const Estimate e = estimate(pattern, flags, shared_class_ops());
  if (e.error) {
    return unexpected(
        CompileError{e.error->kind, e.error->span, e.error->aux_span, std::string(pattern)});
  }
  // The size-limit text does not show the pattern, so it is not kept.
  if (e.exceeds_limit()) return unexpected(CompileError{ErrorKind::SizeLimitExceeded, {}, {}, {}});
  return Compiled{};
}

std::string error_text(const CompileError& error) {
  if (error.kind == ErrorKind::SizeLimitExceeded) return error_reason(error.kind);
  return format_error(error.pattern, SyntaxError{error.kind, error.span, error.aux_span});
}

}  // namespace kelp::regex

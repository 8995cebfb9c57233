#include "regex/syntax.h"

#include <algorithm>
#include <limits>

#include "regex/error.h"
#include "regex/hir.h"
#include "regex/parser.h"
#include "regex/size_model.h"
#include "regex/translator.h"

namespace kelp::regex {

namespace {

std::string size_limit_error() {
  return "Compiled regex exceeds size limit of " + std::to_string(kSizeLimit) +
         " bytes.";
}

}  // namespace

std::optional<std::string> check(std::string_view pattern, Flags flags) {
  // Positions are counted in 32 bits; a pattern this long could never fit
  // the compiled size limit anyway.
  if (pattern.size() >= std::numeric_limits<uint32_t>::max()) {
    return size_limit_error();
  }
  Expected<Ast, SyntaxError> ast = parse(pattern);
  if (!ast) return format_error(pattern, ast.error());

  Session session;
  const StartFlags start{flags.case_insensitive, flags.multi_line,
                         flags.dot_matches_new_line};
  Expected<Expr, SyntaxError> expr = translate(ast.value(), start, session);
  if (!expr) return format_error(pattern, expr.error());

  const std::optional<NfaCost> cost = program_cost(session, expr.value());
  if (cost && std::max(cost->fwd, cost->rev) > kSizeLimit) {
    return size_limit_error();
  }
  return std::nullopt;
}

}  // namespace kelp::regex

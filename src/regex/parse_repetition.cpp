// Repetitions: ?, *, + and counted {m}, {m,}, {m,n}, each with its lazy
// form, applied to the last expression of the concatenation.
#include <optional>
#include <string>

#include "regex/parser_state.h"

namespace kelp::regex::detail {

// The expression a repetition operator applies to: the last one of the
// concatenation, which must not be empty or a bare flag group.
bool Parser::take_repetition_operand(Concat& concat, uint32_t& operand) {
  if (concat.asts.empty()) return fail(span(), ErrorKind::RepetitionMissing);
  operand = concat.asts.back();
  const NodeKind k = node(operand).kind;
  if (k == NodeKind::Empty || k == NodeKind::SetFlags) {
    return fail(span(), ErrorKind::RepetitionMissing);
  }
  concat.asts.pop_back();
  return true;
}

void Parser::push_repetition(Concat& concat, uint32_t operand, uint32_t min, bool bounded,
                             uint32_t max, bool greedy) {
  uint32_t rep = add_node(NodeKind::Repetition, {node(operand).span.start, pos_});
  node(rep).c = min;
  node(rep).d = max;
  node(rep).bounded = bounded;
  node(rep).flag = greedy;
  set_children(rep, {operand});
  concat.asts.push_back(rep);
}

bool Parser::parse_uncounted_repetition(Concat& concat, uint32_t min,
                                        bool bounded, uint32_t max) {
  uint32_t operand = 0;
  if (!take_repetition_operand(concat, operand)) return false;
  bool greedy = true;
  if (bump() && ch() == '?') {
    greedy = false;
    bump();
  }
  push_repetition(concat, operand, min, bounded, max, greedy);
  return true;
}

bool Parser::parse_counted_repetition(Concat& concat) {
  const Position start = pos_;
  uint32_t operand = 0;
  if (!take_repetition_operand(concat, operand)) return false;
  if (!bump_and_bump_space()) {
    return fail({start, pos_}, ErrorKind::RepetitionCountUnclosed);
  }
  // An empty or invalid first count is reported only once the parser knows
  // the braces are not simply unclosed.
  uint32_t min = 0;
  const bool min_ok = parse_decimal(min);
  std::optional<SyntaxError> min_error;
  if (!min_ok) min_error = err_;
  if (eof()) return fail({start, pos_}, ErrorKind::RepetitionCountUnclosed);
  uint32_t max = 0;
  bool bounded = true;
  if (ch() == ',') {
    if (!bump_and_bump_space()) {
      return fail({start, pos_}, ErrorKind::RepetitionCountUnclosed);
    }
    if (min_error) {
      err_ = min_error;
      return false;
    }
    if (ch() != '}') {
      if (!parse_decimal(max)) return false;
    } else {
      bounded = false;
    }
  } else {
    if (min_error) {
      err_ = min_error;
      return false;
    }
    max = min;
  }
  if (eof() || ch() != '}') {
    return fail({start, pos_}, ErrorKind::RepetitionCountUnclosed);
  }
  bool greedy = true;
  if (bump_and_bump_space() && ch() == '?') {
    greedy = false;
    bump();
  }
  if (bounded && min > max) {
    return fail({start, pos_}, ErrorKind::RepetitionCountInvalid);
  }
  push_repetition(concat, operand, min, bounded, max, greedy);
  return true;
}

// Reads a decimal count, skipping white space around it whatever the
// verbose setting (inside it only in verbose mode). Errors come out already
// phrased for counted repetitions.
bool Parser::parse_decimal(uint32_t& value) {
  std::string digits;
  while (!eof() && unicode::is_white_space(ch())) bump();
  const Position start = pos_;
  while (!eof() && ch() >= '0' && ch() <= '9') {
    digits.push_back(static_cast<char>(ch()));
    bump_and_bump_space();
  }
  const Span digits_span{start, pos_};
  while (!eof() && unicode::is_white_space(ch())) bump_and_bump_space();
  if (digits.empty()) {
    return fail(digits_span, ErrorKind::RepetitionCountDecimalEmpty);
  }
  std::optional<uint32_t> v = parse_u32(digits, 10);
  if (!v) return fail(digits_span, ErrorKind::DecimalInvalid);
  value = *v;
  return true;
}

}  // namespace kelp::regex::detail

// Bracketed classes: items, ranges, ASCII classes such as [:alpha:], nested
// classes and the set operators &&, -- and ~~, with a stack of open classes
// instead of recursion.
#include <optional>
#include <string_view>
#include <utility>

#include "regex/parser_state.h"

namespace kelp::regex::detail {
namespace {

std::optional<AsciiKind> ascii_kind_from_name(std::string_view name) {
  static const std::pair<std::string_view, AsciiKind> kNames[] = {
      {"alnum", AsciiKind::Alnum}, {"alpha", AsciiKind::Alpha},
      {"ascii", AsciiKind::Ascii}, {"blank", AsciiKind::Blank},
      {"cntrl", AsciiKind::Cntrl}, {"digit", AsciiKind::Digit},
      {"graph", AsciiKind::Graph}, {"lower", AsciiKind::Lower},
      {"print", AsciiKind::Print}, {"punct", AsciiKind::Punct},
      {"space", AsciiKind::Space}, {"upper", AsciiKind::Upper},
      {"word", AsciiKind::Word},   {"xdigit", AsciiKind::Xdigit},
  };
  for (const auto& [n, k] : kNames) {
    if (n == name) return k;
  }
  return std::nullopt;
}

}  // namespace

bool Parser::parse_set_class(uint32_t& out) {
  ClassUnion u{span(), {}};
  for (;;) {
    bump_space();
    if (eof()) return unclosed_class_error();
    const char32_t c = ch();
    if (c == '[') {
      if (!classes_.empty()) {
        uint32_t ascii = 0;
        if (maybe_parse_ascii_class(ascii)) {
          union_push(u, ascii);
          continue;
        }
      }
      uint32_t set = 0;
      ClassUnion nested;
      if (!parse_set_class_open(set, nested)) return false;
      ClassFrame f;
      f.union_ = std::move(u);
      f.set = set;
      classes_.push_back(std::move(f));
      u = std::move(nested);
    } else if (c == ']') {
      std::optional<uint32_t> done;
      if (!pop_class(u, done)) return false;
      if (done) {
        out = *done;
        return true;
      }
    } else if (c == '&' && peek() == U'&') {
      bump_if("&&");
      push_class_op(SetOpKind::Intersection, u);
    } else if (c == '-' && peek() == U'-') {
      bump_if("--");
      push_class_op(SetOpKind::Difference, u);
    } else if (c == '~' && peek() == U'~') {
      bump_if("~~");
      push_class_op(SetOpKind::SymmetricDifference, u);
    } else {
      uint32_t item = 0;
      if (!parse_set_class_range(item)) return false;
      union_push(u, item);
    }
  }
}

bool Parser::parse_set_class_open(uint32_t& set, ClassUnion& nested) {
  const Position start = pos_;
  if (!bump_and_bump_space()) return fail({start, pos_}, ErrorKind::ClassUnclosed);
  bool negated = false;
  if (ch() == '^') {
    if (!bump_and_bump_space()) return fail({start, pos_}, ErrorKind::ClassUnclosed);
    negated = true;
  }
  // Leading dashes, and a ] right at the start, are literals.
  nested = ClassUnion{span(), {}};
  while (ch() == '-') {
    uint32_t lit = add_node(NodeKind::ItemLiteral, span_char());
    node(lit).c = '-';
    union_push(nested, lit);
    if (!bump_and_bump_space()) return fail({start, start}, ErrorKind::ClassUnclosed);
  }
  if (nested.items.empty() && ch() == ']') {
    uint32_t lit = add_node(NodeKind::ItemLiteral, span_char());
    node(lit).c = ']';
    union_push(nested, lit);
    if (!bump_and_bump_space()) return fail({start, pos_}, ErrorKind::ClassUnclosed);
  }
  set = add_node(NodeKind::ItemBracketed, {start, pos_});
  node(set).negated = negated;
  return true;
}

bool Parser::parse_set_class_range(uint32_t& out) {
  uint32_t prim1 = 0;
  if (!parse_set_class_item(prim1)) return false;
  bump_space();
  if (eof()) return unclosed_class_error();
  if (ch() != '-' || peek_space() == U']' || peek_space() == U'-') {
    if (!into_class_set_item(prim1)) return false;
    out = prim1;
    return true;
  }
  if (!bump_and_bump_space()) return unclosed_class_error();
  uint32_t prim2 = 0;
  if (!parse_set_class_item(prim2)) return false;
  const Span range_span{node(prim1).span.start, node(prim2).span.end};
  if (!into_class_literal(prim1) || !into_class_literal(prim2)) return false;
  if (node(prim1).c > node(prim2).c) {
    return fail(range_span, ErrorKind::ClassRangeInvalid);
  }
  out = add_node(NodeKind::ItemRange, range_span);
  set_children(out, {prim1, prim2});
  return true;
}

bool Parser::parse_set_class_item(uint32_t& out) {
  if (ch() == '\\') return parse_escape(out);
  out = add_node(NodeKind::Literal, span_char());
  node(out).c = ch();
  bump();
  return true;
}

bool Parser::into_class_set_item(uint32_t prim) {
  Node& n = node(prim);
  switch (n.kind) {
    case NodeKind::Literal:
      n.kind = NodeKind::ItemLiteral;
      return true;
    case NodeKind::ClassPerl:
      n.kind = NodeKind::ItemPerl;
      return true;
    case NodeKind::ClassUnicode:
      n.kind = NodeKind::ItemUnicode;
      return true;
    default:
      return fail(n.span, ErrorKind::ClassEscapeInvalid);
  }
}

bool Parser::into_class_literal(uint32_t prim) {
  if (node(prim).kind == NodeKind::Literal) return true;
  return fail(node(prim).span, ErrorKind::ClassRangeLiteral);
}

// [:name:] and [:^name:] inside a class; anything else leaves the parser
// where it was and reads as a nested class.
bool Parser::maybe_parse_ascii_class(uint32_t& out) {
  const Position start = pos_;
  bool negated = false;
  if (!bump() || ch() != ':') {
    pos_ = start;
    return false;
  }
  if (!bump()) {
    pos_ = start;
    return false;
  }
  if (ch() == '^') {
    negated = true;
    if (!bump()) {
      pos_ = start;
      return false;
    }
  }
  const uint32_t name_start = pos_.offset;
  while (ch() != ':' && bump()) {
  }
  if (eof()) {
    pos_ = start;
    return false;
  }
  const std::string_view name = pat_.substr(name_start, pos_.offset - name_start);
  if (!bump_if(":]")) {
    pos_ = start;
    return false;
  }
  std::optional<AsciiKind> kind = ascii_kind_from_name(name);
  if (!kind) {
    pos_ = start;
    return false;
  }
  out = add_node(NodeKind::ItemAscii, {start, pos_});
  node(out).sub = static_cast<uint8_t>(*kind);
  node(out).negated = negated;
  return true;
}

bool Parser::pop_class(ClassUnion& nested, std::optional<uint32_t>& done) {
  const uint32_t item = union_into_item(std::move(nested));
  const uint32_t prevset = pop_class_op(item);
  // An open frame is always below: the first [ pushed one, and operator
  // frames never stack on each other.
  ClassFrame frame = std::move(classes_.back());
  classes_.pop_back();
  bump();
  node(frame.set).span.end = pos_;
  set_children(frame.set, {prevset});
  if (classes_.empty()) {
    node(frame.set).kind = NodeKind::ClassBracketed;
    done = frame.set;
    return true;
  }
  nested = std::move(frame.union_);
  union_push(nested, frame.set);
  return true;
}

void Parser::push_class_op(SetOpKind kind, ClassUnion& next) {
  const uint32_t item = union_into_item(std::move(next));
  const uint32_t lhs = pop_class_op(item);
  ClassFrame f;
  f.is_op = true;
  f.op = kind;
  f.lhs = lhs;
  classes_.push_back(std::move(f));
  next = ClassUnion{span(), {}};
}

uint32_t Parser::pop_class_op(uint32_t rhs) {
  if (classes_.empty() || !classes_.back().is_op) return rhs;
  const ClassFrame f = std::move(classes_.back());
  classes_.pop_back();
  uint32_t op = add_node(NodeKind::SetBinaryOp,
                         {node(f.lhs).span.start, node(rhs).span.end});
  node(op).sub = static_cast<uint8_t>(f.op);
  set_children(op, {f.lhs, rhs});
  return op;
}

bool Parser::unclosed_class_error() {
  for (auto it = classes_.rbegin(); it != classes_.rend(); ++it) {
    if (!it->is_op) return fail(node(it->set).span, ErrorKind::ClassUnclosed);
  }
  return fail(span(), ErrorKind::ClassUnclosed);  // not reached
}

}  // namespace kelp::regex::detail

// The driver loop over the pattern, with what belongs to no one construct:
// the cursor's white-space handling, alternation, flag sets and plain
// characters. Groups, classes, repetitions and escapes each have their own
// file.
#include "regex/parser.h"

#include <cstddef>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "regex/nest_limit.h"
#include "regex/parser_state.h"
#include "unicode/text.h"

namespace kelp::regex {
namespace detail {

std::optional<uint32_t> parse_u32(std::string_view digits, uint32_t radix) {
  uint64_t value = 0;
  for (char ch : digits) {
    uint32_t d = (ch >= '0' && ch <= '9')   ? ch - '0'
                 : (ch >= 'a' && ch <= 'f') ? ch - 'a' + 10
                                            : ch - 'A' + 10;
    value = value * radix + d;
    if (value > std::numeric_limits<uint32_t>::max()) return std::nullopt;
  }
  return static_cast<uint32_t>(value);
}

void Parser::skip_space_and_comments() {
  while (!eof()) {
    char32_t c = ch();
    if (unicode::is_white_space(c)) {
      bump();
    } else if (c == '#') {
      bump();
      while (!eof()) {
        char32_t d = ch();
        bump();
        if (d == '\n') break;
      }
    } else {
      break;
    }
  }
}

// Like peek, but in verbose mode skips white space and comments. Its scan
// ends at the first character that is neither white space nor a line feed
// inside a comment, and falls back to the very next character when the rest
// holds nothing else, exactly as the dialect's parser does.
std::optional<char32_t> Parser::peek_space() const {
  if (!ignore_ws_) return peek();
  if (eof()) return std::nullopt;
  uint32_t len = 0;
  char_at(pos_.offset, &len);
  std::size_t start = pos_.offset + len;
  std::size_t p = start;
  bool in_comment = false;
  while (p < pat_.size()) {
    std::size_t here = p;
    char32_t c = unicode::next_code_point(pat_, p);
    if (unicode::is_white_space(c)) continue;
    if (!in_comment && c == '#') {
      in_comment = true;
    } else if (in_comment && c == '\n') {
      in_comment = false;
    } else {
      start = here;
      break;
    }
  }
  if (start >= pat_.size()) return std::nullopt;
  return char_at(static_cast<uint32_t>(start), nullptr);
}

uint32_t Parser::concat_into_ast(Concat&& concat) {
  if (concat.asts.empty()) return add_node(NodeKind::Empty, concat.span);
  if (concat.asts.size() == 1) return concat.asts[0];
  uint32_t id = add_node(NodeKind::Concat, concat.span);
  set_children(id, concat.asts);
  return id;
}

uint32_t Parser::union_into_item(ClassUnion&& u) {
  if (u.items.empty()) return add_node(NodeKind::ItemEmpty, u.span);
  if (u.items.size() == 1) return u.items[0];
  uint32_t id = add_node(NodeKind::ItemUnion, u.span);
  set_children(id, u.items);
  return id;
}

bool Parser::run() {
  Concat concat{span(), {}};
  for (;;) {
    bump_space();
    if (eof()) break;
    switch (ch()) {
      case '(':
        if (!push_group(concat)) return false;
        break;
      case ')':
        if (!pop_group(concat)) return false;
        break;
      case '|':
        push_alternate(concat);
        break;
      case '[': {
        uint32_t cls = 0;
        if (!parse_set_class(cls)) return false;
        concat.asts.push_back(cls);
        break;
      }
      case '?':
        if (!parse_uncounted_repetition(concat, 0, true, 1)) return false;
        break;
      case '*':
        if (!parse_uncounted_repetition(concat, 0, false, 0)) return false;
        break;
      case '+':
        if (!parse_uncounted_repetition(concat, 1, false, 0)) return false;
        break;
      case '{':
        if (!parse_counted_repetition(concat)) return false;
        break;
      default: {
        uint32_t prim = 0;
        if (!parse_primitive(prim)) return false;
        concat.asts.push_back(prim);
      }
    }
  }
  uint32_t root = 0;
  if (!pop_group_end(std::move(concat), root)) return false;
  ast_.root = root;
  return true;
}

void Parser::push_alternate(Concat& concat) {
  concat.span.end = pos_;
  const Position start = concat.span.start;
  const uint32_t branch = concat_into_ast(std::move(concat));
  if (!groups_.empty() && groups_.back().is_alternation) {
    groups_.back().alt_asts.push_back(branch);
  } else {
    GroupFrame f;
    f.is_alternation = true;
    f.alt_span = {start, pos_};
    f.alt_asts.push_back(branch);
    groups_.push_back(std::move(f));
  }
  bump();
  concat = Concat{span(), {}};
}

bool Parser::pop_group_end(Concat&& concat, uint32_t& out) {
  concat.span.end = pos_;
  if (groups_.empty()) {
    out = concat_into_ast(std::move(concat));
    return true;
  }
  GroupFrame top = std::move(groups_.back());
  groups_.pop_back();
  if (!top.is_alternation) {
    return fail(node(top.group).span, ErrorKind::GroupUnclosed);
  }
  top.alt_span.end = pos_;
  top.alt_asts.push_back(concat_into_ast(std::move(concat)));
  out = add_node(NodeKind::Alternation, top.alt_span);
  set_children(out, top.alt_asts);
  if (!groups_.empty()) {
    // An alternation frame always sits on a group frame or on nothing.
    return fail(node(groups_.back().group).span, ErrorKind::GroupUnclosed);
  }
  return true;
}

bool Parser::parse_flags(std::vector<FlagItem>& items) {
  std::optional<Span> last_negation;
  while (ch() != ':' && ch() != ')') {
    const char32_t c = ch();
    if (c == '-') {
      last_negation = span_char();
      for (const FlagItem& item : items) {
        if (item.flag == 0) {
          return fail(span_char(), ErrorKind::FlagRepeatedNegation, item.span);
        }
      }
      items.push_back({0, span_char()});
    } else {
      last_negation.reset();
      switch (c) {
        case 'i': case 'm': case 's': case 'U': case 'u': case 'R': case 'x':
          break;
        default:
          return fail(span_char(), ErrorKind::FlagUnrecognized);
      }
      for (const FlagItem& item : items) {
        if (item.flag == static_cast<char>(c)) {
          return fail(span_char(), ErrorKind::FlagDuplicate, item.span);
        }
      }
      items.push_back({static_cast<char>(c), span_char()});
    }
    if (!bump()) return fail(span(), ErrorKind::FlagUnexpectedEof);
  }
  if (last_negation) return fail(*last_negation, ErrorKind::FlagDanglingNegation);
  return true;
}

bool Parser::parse_primitive(uint32_t& out) {
  const char32_t c = ch();
  switch (c) {
    case '\\':
      return parse_escape(out);
    case '.':
      out = add_node(NodeKind::Dot, span_char());
      bump();
      return true;
    case '^':
    case '$':
      out = add_node(NodeKind::Assertion, span_char());
      node(out).sub = static_cast<uint8_t>(c == '^' ? AssertionKind::StartLine
                                                    : AssertionKind::EndLine);
      bump();
      return true;
    default:
      out = add_node(NodeKind::Literal, span_char());
      node(out).c = c;
      bump();
      return true;
  }
}

}  // namespace detail

Expected<Ast, SyntaxError> parse(std::string_view pattern) {
  if (pattern.size() >= std::numeric_limits<uint32_t>::max()) {
    return unexpected(SyntaxError{ErrorKind::NestLimitExceeded, {}, {}});
  }
  detail::Parser parser(pattern);
  if (!parser.run()) return unexpected(parser.take_error());
  return within_nest_limit(parser.take_ast());
}

}  // namespace kelp::regex

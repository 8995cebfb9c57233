// Groups: capturing, named, non-capturing with flags, and bare flag sets;
// the group stack that keeps nesting off the call stack.
#include <unicode/uchar.h>

#include <limits>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "regex/parser_state.h"

namespace kelp::regex::detail {
namespace {

bool is_alphabetic(char32_t c) {
  return u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_ALPHABETIC);
}

bool is_numeric(char32_t c) {
  const int8_t t = u_charType(static_cast<UChar32>(c));
  return t == U_DECIMAL_DIGIT_NUMBER || t == U_LETTER_NUMBER ||
         t == U_OTHER_NUMBER;
}

bool is_capture_char(char32_t c, bool first) {
  if (first) return c == '_' || is_alphabetic(c);
  return c == '_' || c == '.' || c == '[' || c == ']' || is_alphabetic(c) ||
         is_numeric(c);
}

// The verbose flag's state in a set of flags, if the set names it.
std::optional<bool> verbose_setting(const std::vector<FlagItem>& items) {
  std::optional<bool> x_state;
  bool negation = false;
  for (const FlagItem& item : items) {
    if (item.flag == 0) {
      negation = true;
    } else if (item.flag == 'x') {
      x_state = !negation;
    }
  }
  return x_state;
}

}  // namespace

bool Parser::push_group(Concat& concat) {
  const Span open_span = span_char();
  bump();
  bump_space();
  if (bump_if("?=") || bump_if("?!") || bump_if("?<=") || bump_if("?<!")) {
    return fail({open_span.start, pos_}, ErrorKind::UnsupportedLookAround);
  }
  const Span inner_span = span();
  if (bump_if("?P<") || bump_if("?<")) return push_named_group(concat, open_span);
  if (bump_if("?")) return push_flag_group(concat, open_span, inner_span);
  return push_indexed_group(concat, open_span);
}

// After "(?P<" or "(?<": the name, then the group.
bool Parser::push_named_group(Concat& concat, const Span& open_span) {
  if (capture_index_ == std::numeric_limits<uint32_t>::max()) {
    return fail(open_span, ErrorKind::CaptureLimitExceeded);
  }
  const uint32_t index = ++capture_index_;
  uint32_t name = 0;
  if (!parse_capture_name(name)) return false;
  uint32_t g = add_node(NodeKind::Group, open_span);
  node(g).sub = static_cast<uint8_t>(GroupKind::CaptureName);
  node(g).c = index;
  node(g).aux = name;
  enter_group(concat, g);
  return true;
}

// After "(?": flags, then ")" for a bare flag set or ":" for a
// non-capturing group.
bool Parser::push_flag_group(Concat& concat, const Span& open_span,
                             const Span& inner_span) {
  if (eof()) return fail(open_span, ErrorKind::GroupUnclosed);
  std::vector<FlagItem> items;
  if (!parse_flags(items)) return false;
  const char32_t end_char = ch();
  bump();
  const std::optional<bool> x_state = verbose_setting(items);
  const uint32_t flag_index = static_cast<uint32_t>(ast_.flag_sets.size());
  if (end_char == ')') {
    // An empty set of flags reads as a repetition operator without an
    // operand.
    if (items.empty()) return fail(inner_span, ErrorKind::RepetitionMissing);
    ast_.flag_sets.push_back(std::move(items));
    uint32_t f = add_node(NodeKind::SetFlags, {open_span.start, pos_});
    node(f).aux = flag_index;
    if (x_state) ignore_ws_ = *x_state;
    concat.asts.push_back(f);
    return true;
  }
  ast_.flag_sets.push_back(std::move(items));
  uint32_t g = add_node(NodeKind::Group, open_span);
  node(g).sub = static_cast<uint8_t>(GroupKind::NonCapturing);
  node(g).aux = flag_index;
  enter_group(concat, g);
  if (x_state) ignore_ws_ = *x_state;
  return true;
}

bool Parser::push_indexed_group(Concat& concat, const Span& open_span) {
  if (capture_index_ == std::numeric_limits<uint32_t>::max()) {
    return fail(open_span, ErrorKind::CaptureLimitExceeded);
  }
  uint32_t g = add_node(NodeKind::Group, open_span);
  node(g).sub = static_cast<uint8_t>(GroupKind::CaptureIndex);
  node(g).c = ++capture_index_;
  enter_group(concat, g);
  return true;
}

// Saves the enclosing concatenation and the verbose setting with the new
// group, and starts the group's own concatenation.
void Parser::enter_group(Concat& concat, uint32_t group) {
  GroupFrame frame;
  frame.concat = std::move(concat);
  frame.group = group;
  frame.ignore_ws = ignore_ws_;
  groups_.push_back(std::move(frame));
  concat = Concat{span(), {}};
}

bool Parser::pop_group(Concat& group_concat) {
  std::optional<GroupFrame> alt;
  if (groups_.empty()) return fail(span_char(), ErrorKind::GroupUnopened);
  if (groups_.back().is_alternation) {
    alt = std::move(groups_.back());
    groups_.pop_back();
    if (groups_.empty()) return fail(span_char(), ErrorKind::GroupUnopened);
  }
  GroupFrame frame = std::move(groups_.back());
  groups_.pop_back();
  ignore_ws_ = frame.ignore_ws;
  group_concat.span.end = pos_;
  bump();
  node(frame.group).span.end = pos_;
  uint32_t sub = 0;
  if (alt) {
    alt->alt_span.end = group_concat.span.end;
    alt->alt_asts.push_back(concat_into_ast(std::move(group_concat)));
    sub = add_node(NodeKind::Alternation, alt->alt_span);
    set_children(sub, alt->alt_asts);
  } else {
    sub = concat_into_ast(std::move(group_concat));
  }
  set_children(frame.group, {sub});
  frame.concat.asts.push_back(frame.group);
  group_concat = std::move(frame.concat);
  return true;
}

bool Parser::parse_capture_name(uint32_t& name_index) {
  if (eof()) return fail(span(), ErrorKind::GroupNameUnexpectedEof);
  const Position start = pos_;
  for (;;) {
    const char32_t c = ch();
    if (c == '>') break;
    if (!is_capture_char(c, pos_.offset == start.offset)) {
      return fail(span_char(), ErrorKind::GroupNameInvalid);
    }
    if (!bump()) break;
  }
  const Position end = pos_;
  if (eof()) return fail(span(), ErrorKind::GroupNameUnexpectedEof);
  bump();
  const std::string_view name =
      pat_.substr(start.offset, end.offset - start.offset);
  if (name.empty()) return fail({start, start}, ErrorKind::GroupNameEmpty);
  const Span name_span{start, end};
  auto [it, inserted] = capture_names_.emplace(name, name_span);
  if (!inserted) {
    return fail(name_span, ErrorKind::GroupNameDuplicate, it->second);
  }
  name_index = static_cast<uint32_t>(ast_.names.size());
  ast_.names.emplace_back(name);
  return true;
}

}  // namespace kelp::regex::detail

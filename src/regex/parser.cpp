#include "regex/parser.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <cstddef>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "regex/walk.h"
#include "unicode/text.h"

namespace kelp::regex {
namespace {

bool is_hex(char32_t c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') ||
         (c >= 'A' && c <= 'F');
}

bool is_meta_character(char32_t c) {
  switch (c) {
    case '\\': case '.': case '+': case '*': case '?': case '(': case ')':
    case '|': case '[': case ']': case '{': case '}': case '^': case '$':
    case '#': case '&': case '-': case '~':
      return true;
    default:
      return false;
  }
}

// Any ASCII character that is neither a letter nor a digit may be escaped,
// except < and >, whose escapes are word boundaries.
bool is_escapeable_character(char32_t c) {
  if (is_meta_character(c)) return true;
  if (c > 0x7F) return false;
  if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
      (c >= 'a' && c <= 'z')) {
    return false;
  }
  return c != '<' && c != '>';
}

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

// Digits as written, read with overflow detection: the dialect refuses
// values that do not fit 32 bits and takes leading zeros.
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

bool is_scalar_value(uint32_t v) {
  return v <= 0x10FFFF && (v < 0xD800 || v > 0xDFFF);
}

struct Concat {
  Span span;
  std::vector<uint32_t> asts;
};

// The items of one class union; its span grows with the items, as the
// dialect's own does, which shapes the spans of set operations.
struct ClassUnion {
  Span span;
  std::vector<uint32_t> items;
};

struct GroupFrame {
  bool is_alternation = false;
  Concat concat;          // group: the concatenation before the group
  uint32_t group = 0;     // group: its node, finished when closed
  bool ignore_ws = false; // group: the verbose setting outside it
  Span alt_span;          // alternation
  std::vector<uint32_t> alt_asts;
};

struct ClassFrame {
  bool is_op = false;
  ClassUnion union_;     // open: the union before the nested class
  uint32_t set = 0;      // open: the bracketed node, finished when closed
  SetOpKind op = SetOpKind::Intersection;
  uint32_t lhs = 0;      // op: the left-hand set
};

class Parser {
 public:
  explicit Parser(std::string_view pattern) : pat_(pattern) {
    // Room for the nodes of a usual pattern (about one per character), so
    // that the tree is not copied as it grows; long patterns grow as needed.
    const std::size_t expected = std::min<std::size_t>(pattern.size() + 8, 128);
    ast_.nodes.reserve(expected);
    ast_.children.reserve(expected);
  }

  bool run();
  Ast take_ast() { return std::move(ast_); }
  SyntaxError take_error() { return *err_; }

 private:
  // --- Cursor ---------------------------------------------------------
  bool eof() const { return pos_.offset >= pat_.size(); }
  char32_t char_at(uint32_t offset, uint32_t* len) const {
    std::size_t p = offset;
    char32_t c = unicode::next_code_point(pat_, p);
    if (len) *len = static_cast<uint32_t>(p - offset);
    return c;
  }
  char32_t ch() const { return char_at(pos_.offset, nullptr); }
  bool bump();
  bool bump_if(std::string_view prefix);
  bool bump_and_bump_space();
  void bump_space();
  std::optional<char32_t> peek() const;
  std::optional<char32_t> peek_space() const;
  Span span() const { return {pos_, pos_}; }
  Span span_char() const;

  // --- Errors ---------------------------------------------------------
  bool fail(Span span, ErrorKind kind,
            std::optional<Span> aux = std::nullopt) {
    err_ = SyntaxError{kind, span, aux};
    return false;
  }

  // --- Tree building ----------------------------------------------------
  uint32_t add_node(NodeKind kind, Span span) {
    Node n;
    n.kind = kind;
    n.span = span;
    ast_.nodes.push_back(n);
    return static_cast<uint32_t>(ast_.nodes.size() - 1);
  }
  Node& node(uint32_t id) { return ast_.nodes[id]; }
  void set_children(uint32_t id, const std::vector<uint32_t>& kids) {
    node(id).child_begin = static_cast<uint32_t>(ast_.children.size());
    node(id).child_count = static_cast<uint32_t>(kids.size());
    ast_.children.insert(ast_.children.end(), kids.begin(), kids.end());
  }
  uint32_t concat_into_ast(Concat&& concat);
  uint32_t union_into_item(ClassUnion&& u);
  void union_push(ClassUnion& u, uint32_t item);

  // --- Grammar ----------------------------------------------------------
  bool push_group(Concat& concat);
  bool pop_group(Concat& concat);
  void push_alternate(Concat& concat);
  bool pop_group_end(Concat&& concat, uint32_t& out);
  bool parse_uncounted_repetition(Concat& concat, uint32_t min, bool bounded,
                                  uint32_t max);
  bool parse_counted_repetition(Concat& concat);
  bool take_repetition_operand(Concat& concat, uint32_t& operand);
  void enter_group(Concat& concat, uint32_t group);
  void push_repetition(Concat& concat, uint32_t operand, uint32_t min, bool bounded,
                       uint32_t max, bool greedy);
  bool parse_decimal(uint32_t& value);
  bool parse_capture_name(uint32_t& name_index);
  bool parse_flags(std::vector<FlagItem>& items);
  bool parse_primitive(uint32_t& out);
  bool parse_escape(uint32_t& out);
  bool maybe_parse_special_word_boundary(Position wb_start,
                                         std::optional<AssertionKind>& kind);
  bool parse_hex(uint32_t& out);
  bool parse_hex_digits(uint32_t digits, bool byte_form, uint32_t& out);
  bool parse_hex_brace(uint32_t& out);
  bool parse_unicode_class(uint32_t& out);
  uint32_t parse_perl_class();
  bool parse_set_class(uint32_t& out);
  bool parse_set_class_open(uint32_t& set, ClassUnion& nested);
  bool parse_set_class_range(uint32_t& out);
  bool parse_set_class_item(uint32_t& out);
  bool maybe_parse_ascii_class(uint32_t& out);
  bool pop_class(ClassUnion& nested, std::optional<uint32_t>& done);
  void push_class_op(SetOpKind kind, ClassUnion& next);
  uint32_t pop_class_op(uint32_t rhs);
  bool unclosed_class_error();
  bool into_class_set_item(uint32_t prim);
  bool into_class_literal(uint32_t prim);

  std::string_view pat_;
  Position pos_;
  bool ignore_ws_ = false;
  uint32_t capture_index_ = 0;
  std::map<std::string_view, Span> capture_names_;
  std::vector<GroupFrame> groups_;
  std::vector<ClassFrame> classes_;
  Ast ast_;
  std::optional<SyntaxError> err_;
};

bool Parser::bump() {
  if (eof()) return false;
  uint32_t len = 0;
  char32_t c = char_at(pos_.offset, &len);
  if (c == '\n') {
    ++pos_.line;
    pos_.column = 1;
  } else {
    ++pos_.column;
  }
  pos_.offset += len;
  return !eof();
}

bool Parser::bump_if(std::string_view prefix) {
  if (pat_.substr(pos_.offset).substr(0, prefix.size()) != prefix) {
    return false;
  }
  for (std::size_t i = 0; i < prefix.size(); ++i) bump();  // ASCII prefixes
  return true;
}

bool Parser::bump_and_bump_space() {
  if (!bump()) return false;
  bump_space();
  return !eof();
}

void Parser::bump_space() {
  if (!ignore_ws_) return;
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

std::optional<char32_t> Parser::peek() const {
  if (eof()) return std::nullopt;
  uint32_t len = 0;
  char_at(pos_.offset, &len);
  if (pos_.offset + len >= pat_.size()) return std::nullopt;
  return char_at(pos_.offset + len, nullptr);
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

Span Parser::span_char() const {
  uint32_t len = 0;
  char32_t c = char_at(pos_.offset, &len);
  Position next{pos_.offset + len, pos_.line, pos_.column + 1};
  if (c == '\n') {
    next.line += 1;
    next.column = 1;
  }
  return {pos_, next};
}

uint32_t Parser::concat_into_ast(Concat&& concat) {
  if (concat.asts.empty()) return add_node(NodeKind::Empty, concat.span);
  if (concat.asts.size() == 1) return concat.asts[0];
  uint32_t id = add_node(NodeKind::Concat, concat.span);
  set_children(id, concat.asts);
  return id;
}

void Parser::union_push(ClassUnion& u, uint32_t item) {
  if (u.items.empty()) u.span.start = node(item).span.start;
  u.span.end = node(item).span.end;
  u.items.push_back(item);
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

bool Parser::push_group(Concat& concat) {
  const Span open_span = span_char();
  bump();
  bump_space();
  if (bump_if("?=") || bump_if("?!") || bump_if("?<=") || bump_if("?<!")) {
    return fail({open_span.start, pos_}, ErrorKind::UnsupportedLookAround);
  }
  const Span inner_span = span();
  if (bump_if("?P<") || bump_if("?<")) {
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
  if (bump_if("?")) {
    if (eof()) return fail(open_span, ErrorKind::GroupUnclosed);
    std::vector<FlagItem> items;
    if (!parse_flags(items)) return false;
    const char32_t end_char = ch();
    bump();
    // The verbose flag's state in this set, if named.
    std::optional<bool> x_state;
    bool negation = false;
    for (const FlagItem& item : items) {
      if (item.flag == 0) {
        negation = true;
      } else if (item.flag == 'x') {
        x_state = !negation;
      }
    }
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

bool Parser::parse_escape(uint32_t& out) {
  const Position start = pos_;
  if (!bump()) return fail({start, pos_}, ErrorKind::EscapeUnexpectedEof);
  const char32_t c = ch();
  if (c >= '0' && c <= '9') {
    return fail({start, span_char().end}, ErrorKind::UnsupportedBackreference);
  }
  if (c == 'x' || c == 'u' || c == 'U') {
    if (!parse_hex(out)) return false;
    node(out).span.start = start;
    return true;
  }
  if (c == 'p' || c == 'P') {
    if (!parse_unicode_class(out)) return false;
    node(out).span.start = start;
    return true;
  }
  if (c == 'd' || c == 's' || c == 'w' || c == 'D' || c == 'S' || c == 'W') {
    out = parse_perl_class();
    node(out).span.start = start;
    return true;
  }
  bump();
  Span sp{start, pos_};
  if (is_meta_character(c) || is_escapeable_character(c)) {
    out = add_node(NodeKind::Literal, sp);
    node(out).c = c;
    return true;
  }
  auto literal = [&](char32_t value) {
    out = add_node(NodeKind::Literal, sp);
    node(out).c = value;
    return true;
  };
  auto assertion = [&](AssertionKind kind) {
    out = add_node(NodeKind::Assertion, sp);
    node(out).sub = static_cast<uint8_t>(kind);
    return true;
  };
  switch (c) {
    case 'a': return literal(0x07);
    case 'f': return literal(0x0C);
    case 't': return literal('\t');
    case 'n': return literal('\n');
    case 'r': return literal('\r');
    case 'v': return literal(0x0B);
    case 'A': return assertion(AssertionKind::StartText);
    case 'z': return assertion(AssertionKind::EndText);
    case 'b': {
      AssertionKind kind = AssertionKind::WordBoundary;
      if (!eof() && ch() == '{') {
        std::optional<AssertionKind> special;
        if (!maybe_parse_special_word_boundary(start, special)) return false;
        if (special) {
          kind = *special;
          sp.end = pos_;
        }
      }
      return assertion(kind);
    }
    case 'B': return assertion(AssertionKind::NotWordBoundary);
    case '<': return assertion(AssertionKind::WordBoundaryStartAngle);
    case '>': return assertion(AssertionKind::WordBoundaryEndAngle);
    default:
      return fail(sp, ErrorKind::EscapeUnrecognized);
  }
}

// After \b at a brace: a special word boundary such as \b{start}, or, when
// the first character cannot start one, nothing (the brace is then read as a
// counted repetition).
bool Parser::maybe_parse_special_word_boundary(
    Position wb_start, std::optional<AssertionKind>& kind) {
  auto valid = [](char32_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-';
  };
  const Position start = pos_;
  if (!bump_and_bump_space()) {
    return fail({wb_start, pos_},
                ErrorKind::SpecialWordOrRepetitionUnexpectedEof);
  }
  const Position start_contents = pos_;
  if (!valid(ch())) {
    pos_ = start;
    return true;
  }
  std::string name;
  while (!eof() && valid(ch())) {
    name.push_back(static_cast<char>(ch()));
    bump_and_bump_space();
  }
  if (eof() || ch() != '}') {
    return fail({start, pos_}, ErrorKind::SpecialWordBoundaryUnclosed);
  }
  const Position end = pos_;
  bump();
  if (name == "start") {
    kind = AssertionKind::WordBoundaryStart;
  } else if (name == "end") {
    kind = AssertionKind::WordBoundaryEnd;
  } else if (name == "start-half") {
    kind = AssertionKind::WordBoundaryStartHalf;
  } else if (name == "end-half") {
    kind = AssertionKind::WordBoundaryEndHalf;
  } else {
    return fail({start_contents, end},
                ErrorKind::SpecialWordBoundaryUnrecognized);
  }
  return true;
}

bool Parser::parse_hex(uint32_t& out) {
  const char32_t kind = ch();
  const uint32_t digits = kind == 'x' ? 2 : kind == 'u' ? 4 : 8;
  if (!bump_and_bump_space()) return fail(span(), ErrorKind::EscapeUnexpectedEof);
  if (ch() == '{') return parse_hex_brace(out);
  return parse_hex_digits(digits, kind == 'x', out);
}

bool Parser::parse_hex_digits(uint32_t digits, bool byte_form, uint32_t& out) {
  std::string hex;
  const Position start = pos_;
  for (uint32_t i = 0; i < digits; ++i) {
    if (i > 0 && !bump_and_bump_space()) {
      return fail(span(), ErrorKind::EscapeUnexpectedEof);
    }
    if (!is_hex(ch())) return fail(span_char(), ErrorKind::EscapeHexInvalidDigit);
    hex.push_back(static_cast<char>(ch()));
  }
  bump_and_bump_space();
  const Position end = pos_;
  std::optional<uint32_t> v = parse_u32(hex, 16);
  if (!v || !is_scalar_value(*v)) {
    return fail({start, end}, ErrorKind::EscapeHexInvalid);
  }
  out = add_node(NodeKind::Literal, {start, end});
  node(out).c = *v;
  node(out).flag = byte_form;
  return true;
}

bool Parser::parse_hex_brace(uint32_t& out) {
  std::string hex;
  const Position brace_pos = pos_;
  const Position start = span_char().end;
  while (bump_and_bump_space() && ch() != '}') {
    if (!is_hex(ch())) return fail(span_char(), ErrorKind::EscapeHexInvalidDigit);
    hex.push_back(static_cast<char>(ch()));
  }
  if (eof()) return fail({brace_pos, pos_}, ErrorKind::EscapeUnexpectedEof);
  const Position end = pos_;
  bump_and_bump_space();
  if (hex.empty()) return fail({brace_pos, pos_}, ErrorKind::EscapeHexEmpty);
  std::optional<uint32_t> v = parse_u32(hex, 16);
  if (!v || !is_scalar_value(*v)) {
    return fail({start, end}, ErrorKind::EscapeHexInvalid);
  }
  out = add_node(NodeKind::Literal, {start, pos_});
  node(out).c = *v;
  return true;
}

bool Parser::parse_unicode_class(uint32_t& out) {
  const bool negated = ch() == 'P';
  if (!bump_and_bump_space()) return fail(span(), ErrorKind::EscapeUnexpectedEof);
  UnicodeClassSpec spec;
  Position start;
  if (ch() == '{') {
    start = span_char().end;
    std::string name;
    while (bump_and_bump_space() && ch() != '}') {
      unicode::append_utf8(name, ch());
    }
    if (eof()) return fail(span(), ErrorKind::EscapeUnexpectedEof);
    bump();
    std::size_t i = std::string::npos;
    if ((i = name.find("!=")) != std::string::npos) {
      spec = {UnicodeClassForm::NamedValue, UnicodeClassOp::NotEqual,
              name.substr(0, i), name.substr(i + 2)};
    } else if ((i = name.find(':')) != std::string::npos) {
      spec = {UnicodeClassForm::NamedValue, UnicodeClassOp::Colon,
              name.substr(0, i), name.substr(i + 1)};
    } else if ((i = name.find('=')) != std::string::npos) {
      spec = {UnicodeClassForm::NamedValue, UnicodeClassOp::Equal,
              name.substr(0, i), name.substr(i + 1)};
    } else {
      spec = {UnicodeClassForm::Named, UnicodeClassOp::None, name, ""};
    }
  } else {
    start = pos_;
    const char32_t c = ch();
    if (c == '\\') return fail(span_char(), ErrorKind::UnicodeClassInvalid);
    bump_and_bump_space();
    std::string letter;
    unicode::append_utf8(letter, c);
    spec = {UnicodeClassForm::OneLetter, UnicodeClassOp::None, letter, ""};
  }
  out = add_node(NodeKind::ClassUnicode, {start, pos_});
  node(out).negated = negated;
  node(out).aux = static_cast<uint32_t>(ast_.unicode_classes.size());
  ast_.unicode_classes.push_back(std::move(spec));
  return true;
}

uint32_t Parser::parse_perl_class() {
  const char32_t c = ch();
  const Span sp = span_char();
  bump();
  uint32_t id = add_node(NodeKind::ClassPerl, sp);
  PerlKind kind = PerlKind::Digit;
  if (c == 's' || c == 'S') kind = PerlKind::Space;
  if (c == 'w' || c == 'W') kind = PerlKind::Word;
  node(id).sub = static_cast<uint8_t>(kind);
  node(id).negated = c == 'D' || c == 'S' || c == 'W';
  return id;
}

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

// Counts the depth of nested groups, repetitions, concatenations,
// alternations, classes, unions and set operations, as the dialect does.
class NestLimiter {
 public:
  explicit NestLimiter(const Ast& ast) : ast_(ast) {}
  std::optional<SyntaxError> error;

  bool pre(uint32_t id) {
    switch (ast_.node(id).kind) {
      case NodeKind::ClassBracketed:
      case NodeKind::Repetition:
      case NodeKind::Group:
      case NodeKind::Alternation:
      case NodeKind::Concat:
        return increment(id);
      default:
        return true;
    }
  }
  bool post(uint32_t id) {
    switch (ast_.node(id).kind) {
      case NodeKind::ClassBracketed:
      case NodeKind::Repetition:
      case NodeKind::Group:
      case NodeKind::Alternation:
      case NodeKind::Concat:
        --depth_;
        break;
      default:
        break;
    }
    return true;
  }
  bool alternation_in() { return true; }
  bool item_pre(uint32_t id) {
    const NodeKind k = ast_.node(id).kind;
    if (k == NodeKind::ItemBracketed || k == NodeKind::ItemUnion) {
      return increment(id);
    }
    return true;
  }
  bool item_post(uint32_t id) {
    const NodeKind k = ast_.node(id).kind;
    if (k == NodeKind::ItemBracketed || k == NodeKind::ItemUnion) --depth_;
    return true;
  }
  bool op_pre(uint32_t id) { return increment(id); }
  bool op_in(uint32_t) { return true; }
  bool op_post(uint32_t) {
    --depth_;
    return true;
  }

 private:
  bool increment(uint32_t id) {
    if (depth_ + 1 > kNestLimit) {
      error = SyntaxError{ErrorKind::NestLimitExceeded, ast_.node(id).span,
                          std::nullopt};
      return false;
    }
    ++depth_;
    return true;
  }

  const Ast& ast_;
  uint32_t depth_ = 0;
};

}  // namespace

Expected<Ast, SyntaxError> parse(std::string_view pattern) {
  if (pattern.size() >= std::numeric_limits<uint32_t>::max()) {
    return unexpected(SyntaxError{ErrorKind::NestLimitExceeded, {}, {}});
  }
  Parser parser(pattern);
  if (!parser.run()) return unexpected(parser.take_error());
  Ast ast = parser.take_ast();
  NestLimiter limiter(ast);
  if (!walk(ast, limiter)) return unexpected(*limiter.error);
  return ast;
}

}  // namespace kelp::regex

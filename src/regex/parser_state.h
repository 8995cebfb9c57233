// The parser's state and cursor, shared by the files that parse one
// construct each: parser.cpp (the driver loop, alternation, flags and plain
// characters), parse_group.cpp, parse_class.cpp, parse_repetition.cpp and
// parse_escape.cpp. Only those files include it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "regex/ast.h"
#include "regex/error.h"
#include "unicode/text.h"

namespace kelp::regex::detail {

// Digits as written, read with overflow detection: the dialect refuses
// values that do not fit 32 bits and takes leading zeros.
std::optional<uint32_t> parse_u32(std::string_view digits, uint32_t radix);

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
  // --- Cursor (inline: every construct steps through the pattern) --------
  bool eof() const { return pos_.offset >= pat_.size(); }
  char32_t char_at(uint32_t offset, uint32_t* len) const {
    std::size_t p = offset;
    char32_t c = unicode::next_code_point(pat_, p);
    if (len) *len = static_cast<uint32_t>(p - offset);
    return c;
  }
  char32_t ch() const { return char_at(pos_.offset, nullptr); }
  bool bump() {
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
  bool bump_if(std::string_view prefix) {
    if (pat_.substr(pos_.offset).substr(0, prefix.size()) != prefix) {
      return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) bump();  // ASCII prefixes
    return true;
  }
  bool bump_and_bump_space() {
    if (!bump()) return false;
    bump_space();
    return !eof();
  }
  // Skips white space and comments in verbose mode.
  void bump_space() {
    if (ignore_ws_) skip_space_and_comments();
  }
  void skip_space_and_comments();
  std::optional<char32_t> peek() const {
    if (eof()) return std::nullopt;
    uint32_t len = 0;
    char_at(pos_.offset, &len);
    if (pos_.offset + len >= pat_.size()) return std::nullopt;
    return char_at(pos_.offset + len, nullptr);
  }
  std::optional<char32_t> peek_space() const;
  Span span() const { return {pos_, pos_}; }
  Span span_char() const {
    uint32_t len = 0;
    char32_t c = char_at(pos_.offset, &len);
    Position next{pos_.offset + len, pos_.line, pos_.column + 1};
    if (c == '\n') {
      next.line += 1;
      next.column = 1;
    }
    return {pos_, next};
  }

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
  void union_push(ClassUnion& u, uint32_t item) {
    if (u.items.empty()) u.span.start = node(item).span.start;
    u.span.end = node(item).span.end;
    u.items.push_back(item);
  }

  // --- Driver, alternation, flags, plain characters (parser.cpp) ---------
  void push_alternate(Concat& concat);
  bool pop_group_end(Concat&& concat, uint32_t& out);
  bool parse_flags(std::vector<FlagItem>& items);
  bool parse_primitive(uint32_t& out);

  // --- Groups (parse_group.cpp) -------------------------------------------
  bool push_group(Concat& concat);
  bool push_named_group(Concat& concat, const Span& open_span);
  bool push_flag_group(Concat& concat, const Span& open_span, const Span& inner_span);
  bool push_indexed_group(Concat& concat, const Span& open_span);
  void enter_group(Concat& concat, uint32_t group);
  bool pop_group(Concat& concat);
  bool parse_capture_name(uint32_t& name_index);

  // --- Repetitions (parse_repetition.cpp) -----------------------------------
  bool parse_uncounted_repetition(Concat& concat, uint32_t min, bool bounded,
                                  uint32_t max);
  bool parse_counted_repetition(Concat& concat);
  bool take_repetition_operand(Concat& concat, uint32_t& operand);
  void push_repetition(Concat& concat, uint32_t operand, uint32_t min, bool bounded,
                       uint32_t max, bool greedy);
  bool parse_decimal(uint32_t& value);

  // --- Escapes (parse_escape.cpp) -------------------------------------------
  bool parse_escape(uint32_t& out);
  bool maybe_parse_special_word_boundary(Position wb_start,
                                         std::optional<AssertionKind>& kind);
  bool parse_hex(uint32_t& out);
  bool parse_hex_digits(uint32_t digits, bool byte_form, uint32_t& out);
  bool parse_hex_brace(uint32_t& out);
  bool parse_unicode_class(uint32_t& out);
  uint32_t parse_perl_class();

  // --- Classes (parse_class.cpp) --------------------------------------------
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

}  // namespace kelp::regex::detail

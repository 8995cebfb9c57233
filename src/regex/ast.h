// The abstract syntax tree of a pattern, kept in one arena: nodes refer to
// their children by index, so no part of the tree is walked by recursion.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelp::regex {

// A place in the pattern: byte offset, 1-based line and 1-based column
// counted in characters, as the error display needs them.
struct Position {
  uint32_t offset = 0;
  uint32_t line = 1;
  uint32_t column = 1;
};

struct Span {
  Position start;
  Position end;
};

inline bool operator<(const Span& a, const Span& b) {
  if (a.start.offset != b.start.offset) return a.start.offset < b.start.offset;
  return a.end.offset < b.end.offset;
}

enum class NodeKind : uint8_t {
  // Expressions.
  Empty,
  SetFlags,  // (?flags) without a group
  Literal,
  Dot,
  Assertion,
  ClassUnicode,    // \pN, \p{...}
  ClassPerl,       // \d \s \w and negations
  ClassBracketed,  // [...] as an expression
  Repetition,
  Group,
  Alternation,
  Concat,
  // Items of a bracketed class and its set operators.
  ItemEmpty,
  ItemLiteral,
  ItemRange,  // children: two Literal nodes
  ItemAscii,  // [:alpha:]
  ItemUnicode,
  ItemPerl,
  ItemBracketed,  // a nested [...]
  ItemUnion,
  SetBinaryOp,  // children: left and right set
};

enum class AssertionKind : uint8_t {
  StartLine,
  EndLine,
  StartText,
  EndText,
  WordBoundary,
  NotWordBoundary,
  WordBoundaryStart,
  WordBoundaryEnd,
  WordBoundaryStartAngle,
  WordBoundaryEndAngle,
  WordBoundaryStartHalf,
  WordBoundaryEndHalf,
};

enum class PerlKind : uint8_t { Digit, Space, Word };

enum class AsciiKind : uint8_t {
  Alnum,
  Alpha,
  Ascii,
  Blank,
  Cntrl,
  Digit,
  Graph,
  Lower,
  Print,
  Punct,
  Space,
  Upper,
  Word,
  Xdigit,
};

enum class SetOpKind : uint8_t { Intersection, Difference, SymmetricDifference };

enum class GroupKind : uint8_t { CaptureIndex, CaptureName, NonCapturing };

// One item of a flag group: a flag letter, or the negation sign.
struct FlagItem {
  char flag = 0;  // 0 for the negation sign
  Span span;
};

enum class UnicodeClassForm : uint8_t { OneLetter, Named, NamedValue };
enum class UnicodeClassOp : uint8_t { None, Equal, Colon, NotEqual };

struct UnicodeClassSpec {
  UnicodeClassForm form = UnicodeClassForm::Named;
  UnicodeClassOp op = UnicodeClassOp::None;
  std::string name;   // the letter for OneLetter
  std::string value;  // NamedValue only
};

constexpr uint32_t kNoIndex = 0xFFFFFFFFu;

// Field use by kind:
// - Literal: c is the character; hex_byte marks the two-digit \xNN form,
//   the only form that names a byte when Unicode mode is off.
// - Assertion, ClassPerl, ItemPerl, ItemAscii, SetBinaryOp: sub holds the
//   kind enum; negated as written.
// - ClassUnicode, ItemUnicode: aux indexes Ast::unicode_classes.
// - Repetition: c = min, d = max when `bounded`; greedy in `flag`.
// - Group: sub is the GroupKind; c is the capture index; aux indexes
//   Ast::flag_sets (non-capturing) or Ast::names (named).
// - SetFlags: aux indexes Ast::flag_sets.
// Children live in Ast::children from child_begin, child_count long.
struct Node {
  Span span;
  NodeKind kind = NodeKind::Empty;
  uint8_t sub = 0;
  bool negated = false;
  bool flag = false;     // hex_byte for literals, greedy for repetitions
  bool bounded = false;  // repetitions: whether d holds a maximum
  uint32_t c = 0;
  uint32_t d = 0;
  uint32_t aux = kNoIndex;
  uint32_t child_begin = 0;
  uint32_t child_count = 0;

  bool hex_byte() const { return flag; }
  bool greedy() const { return flag; }
};

struct Ast {
  std::vector<Node> nodes;
  std::vector<uint32_t> children;
  std::vector<std::vector<FlagItem>> flag_sets;
  std::vector<UnicodeClassSpec> unicode_classes;
  std::vector<std::string> names;
  uint32_t root = kNoIndex;

  const Node& node(uint32_t id) const { return nodes[id]; }
  uint32_t child(uint32_t id, uint32_t i) const {
    return children[nodes[id].child_begin + i];
  }
};

}  // namespace kelp::regex

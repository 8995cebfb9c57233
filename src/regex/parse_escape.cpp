// Escapes: escaped literals, control characters, assertions (special word
// boundaries included), hexadecimal code points, Unicode classes and the
// Perl classes \d \s \w.
#include <optional>
#include <string>

#include "regex/parser_state.h"

namespace kelp::regex::detail {
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

bool is_scalar_value(uint32_t v) {
  return v <= 0x10FFFF && (v < 0xD800 || v > 0xDFFF);
}

}  // namespace

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

}  // namespace kelp::regex::detail

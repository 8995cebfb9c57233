#include "yaml/scanner.h"

#include "yaml/scanner_internal.h"

namespace kelp::yaml {

using scan::is_flow_indicator;
using scan::is_hex;
using scan::is_uri_char;
using scan::is_word_char;

bool Scanner::fetch_directive() {
  unroll_indent(-1, pos_);
  if (!remove_simple_key()) return false;
  simple_key_allowed_ = false;
  std::size_t start = pos_;
  ++pos_;
  std::size_t name_start = pos_;
  while (pos_ < in_.size() && !is_blankz_at(pos_)) ++pos_;
  std::string_view name = in_.substr(name_start, pos_ - name_start);
  if (name.empty()) return fail(start, "directive without a name");
  Token t = make(TokenType::ReservedDirective, start, pos_);
  if (name == "YAML") {
    if (!scan_version_directive(t)) return false;
  } else if (name == "TAG") {
    if (!scan_tag_directive(t)) return false;
  } else {
    // Reserved directives are read over and ignored.
    while (pos_ < in_.size() && !is_break_at(pos_)) {
      if (at(pos_) == '#' && is_blank_at(pos_ - 1)) break;
      ++pos_;
    }
  }
  t.end = pos_;
  skip_blanks();
  if (pos_ < in_.size() && !is_break_at(pos_) && at(pos_) != '#') {
    return fail(pos_, "unexpected text after a directive");
  }
  if (at(pos_) == '#' && !is_blank_at(pos_ - 1)) {
    return fail(pos_, "a comment must be separated from other tokens by white space");
  }
  push(t);
  return true;
}

bool Scanner::skip_blanks() {
  std::size_t before = pos_;
  while (is_blank_at(pos_)) ++pos_;
  return pos_ > before;
}

bool Scanner::scan_version_directive(Token& t) {
  if (!skip_blanks()) return fail(pos_, "%YAML directive without a version");
  std::size_t v = pos_;
  while (at(pos_) >= '0' && at(pos_) <= '9') ++pos_;
  bool major = pos_ > v;
  bool dot = at(pos_) == '.';
  if (dot) ++pos_;
  std::size_t minor_start = pos_;
  while (at(pos_) >= '0' && at(pos_) <= '9') ++pos_;
  if (!major || !dot || pos_ == minor_start || !is_blankz_at(pos_)) {
    return fail(v, "malformed version in a %YAML directive");
  }
  t.type = TokenType::VersionDirective;
  t.text_start = v;
  t.text_size = pos_ - v;
  return true;
}

bool Scanner::scan_tag_directive(Token& t) {
  if (!skip_blanks()) return fail(pos_, "%TAG directive without a handle");
  std::size_t h = pos_;
  if (at(pos_) != '!') return fail(pos_, "a tag handle must start with '!'");
  ++pos_;
  while (is_word_char(at(pos_))) ++pos_;
  if (at(pos_) == '!') {
    ++pos_;
  } else if (pos_ != h + 1) {
    return fail(h, "a named tag handle must end with '!'");
  }
  if (!is_blank_at(pos_)) return fail(pos_, "%TAG directive without a prefix");
  t.text_start = h;
  t.text_size = pos_ - h;
  skip_blanks();
  std::size_t p = pos_;
  while (pos_ < in_.size() && !is_blankz_at(pos_)) {
    char c = in_[pos_];
    if (c == '%') {
      if (!skip_tag_escape()) return false;
      continue;
    }
    if (!is_uri_char(c) || (pos_ == p && is_flow_indicator(c))) {
      return fail(pos_, "invalid character in a %TAG prefix");
    }
    ++pos_;
  }
  if (pos_ == p) return fail(pos_, "%TAG directive without a prefix");
  t.type = TokenType::TagDirective;
  t.suffix = in_.substr(p, pos_ - p);
  return true;
}

}  // namespace kelp::yaml

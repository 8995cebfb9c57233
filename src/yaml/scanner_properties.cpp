#include "yaml/scanner.h"

#include "yaml/scanner_internal.h"

namespace kelp::yaml {

using scan::is_flow_indicator;
using scan::is_hex;
using scan::is_tag_char;
using scan::is_uri_char;
using scan::is_word_char;

bool Scanner::skip_tag_escape() {
  if (!is_hex(at(pos_ + 1)) || !is_hex(at(pos_ + 2))) {
    return fail(pos_, "malformed '%' escape in a tag");
  }
  pos_ += 3;
  return true;
}

bool Scanner::fetch_anchor(TokenType type) {
  if (!save_simple_key()) return false;
  simple_key_allowed_ = false;
  adjacent_value_allowed_ = false;
  std::size_t start = pos_;
  ++pos_;
  std::size_t name = pos_;
  while (pos_ < in_.size() && !is_blankz_at(pos_) && !is_flow_indicator(in_[pos_])) ++pos_;
  if (pos_ == name) {
    return fail(start, type == TokenType::Alias ? "alias without a name" : "anchor without a name");
  }
  Token t = make(type, start, pos_);
  t.text_start = name;
  t.text_size = pos_ - name;
  push(t);
  return true;
}

bool Scanner::fetch_tag() {
  if (!save_simple_key()) return false;
  simple_key_allowed_ = false;
  adjacent_value_allowed_ = false;
  std::size_t start = pos_;
  Token t = make(TokenType::Tag, start, start);
  if (at(pos_ + 1) == '<') {
    pos_ += 2;
    std::size_t s = pos_;
    while (pos_ < in_.size() && in_[pos_] != '>') {
      char c = in_[pos_];
      if (c == '%') {
        if (!skip_tag_escape()) return false;
        continue;
      }
      if (!is_uri_char(c)) return fail(pos_, "invalid character in a verbatim tag");
      ++pos_;
    }
    if (at(pos_) != '>') return fail(start, "verbatim tag without a closing '>'");
    if (pos_ == s) return fail(start, "empty verbatim tag");
    t.suffix = in_.substr(s, pos_ - s);
    t.verbatim = true;
    ++pos_;
  } else {
    ++pos_;
    std::size_t word = pos_;
    while (is_word_char(at(pos_))) ++pos_;
    std::size_t suffix_start = word;
    if (at(pos_) == '!') {
      ++pos_;
      suffix_start = pos_;
    } else {
      pos_ = word;
    }
    t.text_start = start;
    t.text_size = suffix_start - start;
    while (pos_ < in_.size()) {
      char c = in_[pos_];
      if (c == '%') {
        if (!skip_tag_escape()) return false;
        continue;
      }
      if (!is_tag_char(c)) break;
      ++pos_;
    }
    t.suffix = in_.substr(suffix_start, pos_ - suffix_start);
    if (t.suffix.empty() && t.text_size > 1) return fail(start, "tag without a suffix");
  }
  if (!is_blankz_at(pos_) && !(!flows_.empty() && (at(pos_) == ',' || at(pos_) == ']' || at(pos_) == '}'))) {
    return fail(pos_, "invalid character in a tag");
  }
  t.end = pos_;
  push(t);
  return true;
}

}  // namespace kelp::yaml

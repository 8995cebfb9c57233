#include "yaml/scanner.h"

#include <algorithm>

#include "yaml/scanner_internal.h"

namespace kelp::yaml {

bool Scanner::fetch_block_scalar(bool literal) {
  if (!remove_simple_key()) return false;
  simple_key_allowed_ = true;
  adjacent_value_allowed_ = false;
  Token t;
  if (!scan_block_scalar(literal, t)) return false;
  push(t);
  return true;
}

bool Scanner::scan_block_scalar(bool literal, Token& t) {
  const std::size_t start = pos_;
  int chomp = 0;  // -1 strip, 0 clip, +1 keep
  std::size_t increment = 0;
  if (!scan_block_header(chomp, increment)) return false;
  std::ptrdiff_t indent = 0;
  if (increment > 0) {
    indent = std::max<std::ptrdiff_t>(indent_, -1) + static_cast<std::ptrdiff_t>(increment);
    if (indent < 0) indent = 0;
  } else if (!detect_block_indent(indent)) {
    return false;
  }
  // Rows are appended one by one; room for a small scalar up front spares
  // the regrowth steps. The rest of the text bounds what it can use.
  buffer_.reserve(buffer_.size() + std::min<std::size_t>(in_.size() - pos_, 960));
  std::size_t text_start = buffer_.size();
  std::size_t end = pos_;
  if (!scan_block_rows(literal, chomp, indent, start, text_start, end)) return false;
  t = make(TokenType::Scalar, start, end);
  t.style = literal ? ScalarStyle::Literal : ScalarStyle::Folded;
  t.built = true;
  t.text_start = text_start;
  t.text_size = buffer_.size() - text_start;
  return count_scalar_bytes(t.text_size, start);
}

bool Scanner::scan_block_header(int& chomp, std::size_t& increment) {
  const std::size_t size = in_.size();
  ++pos_;
  for (int i = 0; i < 2; ++i) {
    char c = at(pos_);
    if ((c == '+' || c == '-') && chomp == 0) {
      chomp = c == '+' ? 1 : -1;
      ++pos_;
    } else if (c >= '1' && c <= '9' && increment == 0) {
      increment = static_cast<std::size_t>(c - '0');
      ++pos_;
    } else if (c == '0') {
      return fail(pos_, "block scalar indentation indicator 0");
    }
  }
  std::size_t header_end = pos_;
  while (is_blank_at(pos_)) ++pos_;
  if (at(pos_) == '#') {
    if (pos_ == header_end) return fail(pos_, "a comment must be separated from other tokens by white space");
    std::size_t c0 = pos_;
    while (pos_ < size && !is_break_at(pos_)) ++pos_;
    comment_bytes_ += pos_ - c0;
    if (comment_bytes_ > limits_.max_comment_bytes) {
      return breach("total comment bytes", limits_.max_comment_bytes, c0);
    }
  }
  if (pos_ < size && !is_break_at(pos_)) return fail(pos_, "unexpected text after a block scalar header");
  if (pos_ < size) skip_break();
  return true;
}

bool Scanner::detect_block_indent(std::ptrdiff_t& indent) {
  // The first non-empty row sets the indentation; leading empty rows may
  // not be indented further than it.
  const char* data = in_.data();
  const std::size_t size = in_.size();
  std::size_t max_blank = 0;
  std::size_t p = pos_;
  std::ptrdiff_t detected = -1;
  std::size_t blank_at = pos_;
  for (;;) {
    std::size_t q = p;
    while (q < size && data[q] == ' ') ++q;
    if (q < size && (data[q] == '\n' || data[q] == '\r')) {
      if (q - p > max_blank) {
        max_blank = q - p;
        blank_at = p;
      }
      p = q + ((data[q] == '\r' && q + 1 < size && data[q + 1] == '\n') ? 2 : 1);
      continue;
    }
    if (q >= size) {
      if (q - p > max_blank) max_blank = q - p;
      break;
    }
    detected = static_cast<std::ptrdiff_t>(q - p);
    if (is_document_marker_at(p)) detected = -1;
    break;
  }
  std::ptrdiff_t minimum = indent_ + 1;
  if (detected >= minimum && static_cast<std::ptrdiff_t>(max_blank) > detected) {
    return fail(blank_at, "leading empty row of a block scalar is indented more than its text");
  }
  if (detected >= minimum) {
    indent = detected;
  } else {
    indent = std::max<std::ptrdiff_t>(minimum, static_cast<std::ptrdiff_t>(max_blank));
    if (indent < 1) indent = std::max<std::ptrdiff_t>(minimum, 1);
  }
  return true;
}

bool Scanner::scan_block_rows(bool literal, int chomp, std::ptrdiff_t indent, std::size_t start,
                              std::size_t text_start, std::size_t& end) {
  const char* data = in_.data();
  const std::size_t size = in_.size();
  bool any_content = false;
  bool leading_break = false;   // a break after the previous content row
  bool prev_blank_start = false;
  std::size_t trailing = 0;     // empty rows since the previous content row
  for (;;) {
    if (pos_ >= size) break;
    std::size_t row = pos_;
    if (is_document_marker_at(row)) break;
    std::size_t q = row;
    while (q < size && data[q] == ' ' && static_cast<std::ptrdiff_t>(q - row) < indent) ++q;
    if (q >= size) {
      // A last row of spaces without a break still counts as a row.
      if (q > row) ++trailing;
      pos_ = q;
      break;
    }
    if (data[q] == '\n' || data[q] == '\r') {
      pos_ = q;
      skip_break();
      ++trailing;
      continue;
    }
    if (static_cast<std::ptrdiff_t>(q - row) < indent) {
      // A less indented row ends the scalar; a tab there would stand in
      // its indentation.
      if (data[q] == '\t') return fail(q, "tab character in the indentation of a block scalar");
      break;
    }
    // A content row; folding joins two rows that start with content by a
    // space, and keeps the break before and after a more indented row.
    std::size_t e = scan::find_break(data, q, size);
    bool blank_start = data[q] == ' ' || data[q] == '\t';
    if (any_content) {
      if (!literal && leading_break && !prev_blank_start && !blank_start) {
        if (trailing == 0) buffer_.push_back(' ');
      } else if (leading_break) {
        buffer_.push_back('\n');
      }
    }
    buffer_.append(trailing, '\n');
    trailing = 0;
    buffer_.append(data + q, e - q);
    if (!building_within_budget(text_start, start)) return false;
    any_content = true;
    prev_blank_start = blank_start;
    end = e;
    pos_ = e;
    leading_break = true;
    if (pos_ >= size) break;
    skip_break();
  }
  // The position is now at the start of the row that ended the scalar (or
  // at the end of the text). Clip keeps one final break, keep all of them.
  if (chomp >= 0 && leading_break) buffer_.push_back('\n');
  if (chomp > 0) buffer_.append(trailing, '\n');
  return true;
}

}  // namespace kelp::yaml

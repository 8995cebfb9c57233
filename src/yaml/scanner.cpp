#include "yaml/scanner.h"

#include <algorithm>

#include "yaml/scanner_internal.h"

namespace kelp::yaml {

using scan::is_continuation;
using scan::is_flow_indicator;

Scanner::Scanner(std::string_view text, const ScanLimits& limits) : in_(text), limits_(limits) {
  if (in_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = row_start_ = 3;
  // Room for a small document's nesting, so that it does not regrow step by step.
  keys_.reserve(8);
  indents_.reserve(8);
  keys_.emplace_back();
  tokens_.reserve(8);
}

bool Scanner::fail(std::size_t offset, std::string message, ReadErrorKind kind) {
  if (!error_) error_ = error_at(kind, offset, std::move(message));
  return false;
}

bool Scanner::breach(std::string_view what, std::uint64_t limit, std::size_t offset) {
  std::string message = "budget breached: ";
  message += what;
  message += " (limit ";
  message += std::to_string(limit);
  message += ")";
  return fail(offset, std::move(message), ReadErrorKind::Budget);
}

bool Scanner::is_flow_indicator_at(std::size_t i) const {
  return i < in_.size() && is_flow_indicator(in_[i]);
}

void Scanner::insert(std::size_t number, const Token& token) {
  std::size_t index = std::min(head_ + (number - taken_), tokens_.size());
  if (index + 1 == tokens_.size()) {
    // The usual case: the key is the token just fetched.
    tokens_.push_back(tokens_.back());
    tokens_[index] = token;
    return;
  }
  tokens_.insert(tokens_.begin() + static_cast<std::ptrdiff_t>(index), token);
}

const Token* Scanner::fetch_head() {
  if (error_) return nullptr;
  if (head_ == tokens_.size()) {
    // Nothing queued refers to the buffer any more.
    tokens_.clear();
    head_ = 0;
    buffer_.clear();
  }
  for (;;) {
    if (head_ == tokens_.size()) {
      if (stream_end_done_) {
        fail(in_.size(), "read past the end of the YAML stream");
        return nullptr;
      }
    } else if (stream_end_done_ || !head_may_become_key()) {
      break;
    }
    if (error_ || !fetch_token() || error_) return nullptr;
  }
  head_ready_ = true;
  return &tokens_[head_];
}

bool Scanner::check_possible_key(SimpleKey& key) {
  bool stale = !key.multi_row && key.row != row_;
  if (!stale && pos_ - key.offset > kMaxImplicitKeyChars) {
    for (std::size_t i = key.counted_to; i < pos_; ++i) {
      if (!is_continuation(in_[i])) ++key.chars;
    }
    key.counted_to = pos_;
    stale = key.chars > kMaxImplicitKeyChars;
  }
  if (!stale) return true;
  if (key.required) return fail(key.offset, "implicit mapping key without ':'");
  key.possible = false;
  return true;
}

bool Scanner::save_simple_key() {
  if (!simple_key_allowed_) return true;
  bool required = flows_.empty() && indent_ == static_cast<std::ptrdiff_t>(column());
  if (!remove_simple_key()) return false;
  SimpleKey& key = keys_.back();
  key.possible = true;
  key.required = required;
  key.multi_row = !flows_.empty() && flows_.back().mapping;
  key.token_number = taken_ + (tokens_.size() - head_);
  key.offset = pos_;
  key.row = row_;
  key.column = column();
  key.counted_to = pos_;
  key.chars = 0;
  key.tab_before = tab_before_;
  lowest_key_ = std::min(lowest_key_, keys_.size() - 1);
  return true;
}

bool Scanner::fail_required_key(const SimpleKey& key) {
  return fail(key.offset, "implicit mapping key without ':'");
}

void Scanner::unroll_indent(std::ptrdiff_t col, std::size_t at) {
  if (!flows_.empty()) return;
  while (indent_ > col) {
    push(make(TokenType::BlockEnd, at, at));
    indent_ = indents_.back();
    indents_.pop_back();
  }
}

bool Scanner::roll_indent(std::ptrdiff_t col, std::size_t number, TokenType type, std::size_t at) {
  if (!flows_.empty() || indent_ >= col) return true;
  indents_.push_back(indent_);
  indent_ = col;
  if (indents_.size() + flows_.size() > limits_.max_depth) {
    return breach("nesting depth", limits_.max_depth, at);
  }
  Token t = make(type, at, at);
  if (number == taken_ + (tokens_.size() - head_)) {
    push(t);
  } else {
    insert(number, t);
  }
  return true;
}

bool Scanner::scan_to_next_token() {
  tab_before_ = false;
  for (;;) {
    bool row_head = pos_ == row_start_;
    while (at(pos_) == ' ') ++pos_;
    std::size_t spaces = pos_ - row_start_;
    if (at(pos_) == '\t') {
      std::size_t p = pos_;
      while (is_blank_at(p)) ++p;
      // In block context a tab may not stand in the indentation that sets
      // the structure; on a blank or comment-only row it is harmless.
      if (row_head && flows_.empty() && !is_break_at(p) && p < in_.size() && at(p) != '#' &&
          static_cast<std::ptrdiff_t>(spaces) <= indent_) {
        return fail(pos_, "tab character used for indentation");
      }
      tab_before_ = true;
      pos_ = p;
    }
    if (row_head && !flows_.empty() && pos_ < in_.size() && !is_break_at(pos_) && at(pos_) != '#' &&
        static_cast<std::ptrdiff_t>(spaces) <= indent_) {
      // Inside a flow collection every row must stay right of the block
      // structure around it.
      return fail(pos_, "flow collection content is not indented enough");
    }
    if (at(pos_) == '#') {
      char before = pos_ > 0 ? in_[pos_ - 1] : ' ';
      bool separated = before == ' ' || before == '\t' || before == '\n' || before == '\r';
      if (pos_ != row_start_ && !separated) {
        return fail(pos_, "a comment must be separated from other tokens by white space");
      }
      std::size_t start = pos_;
      pos_ = scan::find_break(in_.data(), pos_, in_.size());
      comment_bytes_ += pos_ - start;
      if (comment_bytes_ > limits_.max_comment_bytes) {
        return breach("total comment bytes", limits_.max_comment_bytes, start);
      }
    }
    if (is_break_at(pos_)) {
      skip_break();
      tab_before_ = false;
      if (flows_.empty()) simple_key_allowed_ = true;
      continue;
    }
    return true;
  }
}

bool Scanner::fetch_token() {
  if (!stream_start_done_) {
    stream_start_done_ = true;
    simple_key_allowed_ = true;
    push(make(TokenType::StreamStart, pos_, pos_));
    return true;
  }
  if (!scan_to_next_token()) return false;
  if (!stale_keys()) return false;
  if (flows_.empty() && indent_ > static_cast<std::ptrdiff_t>(column())) {
    unroll_indent(static_cast<std::ptrdiff_t>(column()), pos_);
  }
  if (pos_ >= in_.size()) return fetch_stream_end();
  if (pos_ == row_start_ && at_row_construct()) return fetch_row_construct();
  in_document_ = true;
  char c = in_[pos_];
  bool flow = !flows_.empty();
  switch (c) {
    case '[':
      return fetch_flow_start(TokenType::FlowSequenceStart, false);
    case '{':
      return fetch_flow_start(TokenType::FlowMappingStart, true);
    case ']':
      return fetch_flow_end(TokenType::FlowSequenceEnd);
    case '}':
      return fetch_flow_end(TokenType::FlowMappingEnd);
    case ',':
      return fetch_flow_entry();
    case '-':
      if (is_blankz_at(pos_ + 1)) return fetch_block_entry();
      break;
    case '?':
      if (is_blankz_at(pos_ + 1) || (flow && is_flow_indicator_at(pos_ + 1))) return fetch_key();
      break;
    case ':':
      if (is_blankz_at(pos_ + 1) ||
          (flow && (is_flow_indicator_at(pos_ + 1) || adjacent_value_allowed_))) {
        return fetch_value();
      }
      break;
    case '*':
      return fetch_anchor(TokenType::Alias);
    case '&':
      return fetch_anchor(TokenType::Anchor);
    case '!':
      return fetch_tag();
    case '|':
      if (!flow) return fetch_block_scalar(true);
      break;
    case '>':
      if (!flow) return fetch_block_scalar(false);
      break;
    case '\'':
      return fetch_quoted(true);
    case '"':
      return fetch_quoted(false);
    case '#':
    case '%':
    case '@':
    case '`':
      break;
    default:
      // Any other character starts a plain scalar.
      return fetch_plain();
  }
  return fetch_plain_or_refuse(c);
}

bool Scanner::at_row_construct() const {
  return in_[pos_] == '%' || is_document_marker_at(pos_) ||
         (!in_document_ && in_.substr(pos_, 3) == "\xEF\xBB\xBF");
}

bool Scanner::fetch_row_construct() {
  char c = in_[pos_];
  if (c == '%') {
    if (in_document_) {
      return fail(pos_, "a directive must follow the end marker of the previous document");
    }
    return fetch_directive();
  }
  if (is_document_marker_at(pos_)) {
    return fetch_document_marker(c == '-' ? TokenType::DocumentStart : TokenType::DocumentEnd);
  }
  // A byte-order mark between documents stands for nothing.
  pos_ += 3;
  row_start_ = pos_;
  return true;
}

bool Scanner::fetch_plain_or_refuse(char c) {
  // A plain scalar starts with any non-space character but the indicators;
  // "-", "?" and ":" start one when a safe character follows. Whatever else
  // stands here is refused.
  bool flow = !flows_.empty();
  bool plain = false;
  switch (c) {
    case '-':
    case '?':
    case ':':
      plain = !is_blankz_at(pos_ + 1) && !(flow && is_flow_indicator_at(pos_ + 1));
      break;
    case ',': case '[': case ']': case '{': case '}': case '#': case '&': case '*': case '!':
    case '|': case '>': case '\'': case '"': case '%': case '@': case '`':
      plain = false;
      break;
    default:
      plain = true;
      break;
  }
  if (plain) return fetch_plain();
  if (c == '@' || c == '`' || c == '%') {
    return fail(pos_, "indicator '" + std::string(1, c) + "' cannot start a plain scalar");
  }
  if (c == '|' || c == '>') {
    return fail(pos_, "block scalars are not allowed inside a flow collection");
  }
  return fail(pos_, "unexpected character '" + std::string(1, c) + "'");
}

bool Scanner::building_within_budget(std::size_t text_start, std::size_t at) {
  if (scalar_bytes_ + (buffer_.size() - text_start) > limits_.max_scalar_bytes) {
    return breach("total scalar bytes", limits_.max_scalar_bytes, at);
  }
  return true;
}

}  // namespace kelp::yaml

#include "yaml/scanner.h"

#include <algorithm>
#include <cstring>

#include "unicode/text.h"

namespace kelp::yaml {

namespace {

bool is_flow_indicator(char c) { return c == ',' || c == '[' || c == ']' || c == '{' || c == '}'; }

bool is_word_char(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-';
}

bool is_hex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

// Characters of a URI in a tag, apart from "%" escapes.
bool is_uri_char(char c) {
  if (is_word_char(c)) return true;
  return std::strchr("#;/?:@&=+$,_.!~*'()[]", c) != nullptr && c != '\0';
}

// Characters of a tag shorthand's suffix: URI characters but "!" and the
// flow indicators.
bool is_tag_char(char c) { return c != '!' && !is_flow_indicator(c) && is_uri_char(c); }

bool is_continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The offset of the first CR or LF at or after `from`, or `size`.
std::size_t find_break(const char* data, std::size_t from, std::size_t size) {
  const void* lf = std::memchr(data + from, '\n', size - from);
  std::size_t end = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - data) : size;
  const void* cr = std::memchr(data + from, '\r', end - from);
  return cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - data) : end;
}

// Characters at which a plain scalar's run of content may stop: blanks and
// breaks and ":" everywhere, the flow indicators in flow context.
constexpr unsigned char kStopBlock = 1;
constexpr unsigned char kStopFlow = 2;
struct PlainStops {
  unsigned char table[256] = {};
  constexpr PlainStops() {
    for (unsigned char c : {' ', '\t', '\n', '\r', ':'}) table[c] = kStopBlock | kStopFlow;
    for (unsigned char c : {',', '[', ']', '{', '}'}) table[c] = kStopFlow;
  }
};
constexpr PlainStops kPlainStops;

}  // namespace

Scanner::Scanner(std::string_view text, const ScanLimits& limits) : in_(text), limits_(limits) {
  if (in_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = row_start_ = 3;
  // Room for a small document's nesting, so that it does not regrow step by step.
  keys_.reserve(8);
  indents_.reserve(8);
  keys_.emplace_back();
  tokens_.reserve(8);
}

bool Scanner::fail(std::size_t offset, std::string message) {
  if (!error_) error_ = error_at(offset, std::move(message));
  return false;
}

bool Scanner::breach(std::string_view what, std::uint64_t limit, std::size_t offset) {
  std::string message = "budget breached: ";
  message += what;
  message += " (limit ";
  message += std::to_string(limit);
  message += ")";
  return fail(offset, std::move(message));
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
      pos_ = find_break(in_.data(), pos_, in_.size());
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

  char c = in_[pos_];
  if (pos_ == row_start_) {
    if (c == '%') {
      if (in_document_) {
        return fail(pos_, "a directive must follow the end marker of the previous document");
      }
      return fetch_directive();
    }
    if (is_document_marker_at(pos_)) {
      return fetch_document_marker(c == '-' ? TokenType::DocumentStart : TokenType::DocumentEnd);
    }
    if (!in_document_ && in_.substr(pos_, 3) == "\xEF\xBB\xBF") {
      pos_ += 3;
      row_start_ = pos_;
      return true;
    }
  }
  in_document_ = true;
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
    default:
      break;
  }
  // A plain scalar starts with any non-space character but the indicators;
  // "-", "?" and ":" start one when a safe character follows.
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

bool Scanner::fetch_stream_end() {
  unroll_indent(-1, pos_);
  if (!remove_simple_key()) return false;
  simple_key_allowed_ = false;
  push(make(TokenType::StreamEnd, pos_, pos_));
  stream_end_done_ = true;
  return true;
}

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
  auto skip_blanks = [&] {
    std::size_t before = pos_;
    while (is_blank_at(pos_)) ++pos_;
    return pos_ > before;
  };
  if (name == "YAML") {
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
  } else if (name == "TAG") {
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
        if (!is_hex(at(pos_ + 1)) || !is_hex(at(pos_ + 2))) {
          return fail(pos_, "malformed '%' escape in a tag");
        }
        pos_ += 3;
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

bool Scanner::fetch_document_marker(TokenType type) {
  unroll_indent(-1, pos_);
  if (!remove_simple_key()) return false;
  simple_key_allowed_ = false;
  adjacent_value_allowed_ = false;
  std::size_t start = pos_;
  pos_ += 3;
  push(make(type, start, pos_));
  in_document_ = type == TokenType::DocumentStart;
  if (type == TokenType::DocumentEnd) {
    std::size_t p = pos_;
    while (is_blank_at(p)) ++p;
    if (p < in_.size() && !is_break_at(p) && !(at(p) == '#' && p > pos_)) {
      return fail(p, "unexpected text after the document end marker");
    }
  }
  return true;
}

bool Scanner::fetch_flow_start(TokenType type, bool mapping) {
  if (!save_simple_key()) return false;
  std::size_t start = pos_;
  keys_.emplace_back();
  flows_.push_back(FlowLevel{mapping});
  if (indents_.size() + flows_.size() > limits_.max_depth) {
    return breach("nesting depth", limits_.max_depth, start);
  }
  simple_key_allowed_ = true;
  adjacent_value_allowed_ = false;
  ++pos_;
  push(make(type, start, pos_));
  return true;
}

bool Scanner::fetch_flow_end(TokenType type) {
  if (!remove_simple_key()) return false;
  if (!flows_.empty()) {
    flows_.pop_back();
    keys_.pop_back();
    lowest_key_ = std::min(lowest_key_, keys_.size() - 1);
  }
  simple_key_allowed_ = false;
  adjacent_value_allowed_ = true;
  push_indicator(type);
  return true;
}

bool Scanner::fetch_flow_entry() {
  if (!remove_simple_key()) return false;
  simple_key_allowed_ = true;
  adjacent_value_allowed_ = false;
  push_indicator(TokenType::FlowEntry);
  return true;
}

bool Scanner::fetch_block_entry() {
  if (!flows_.empty()) return fail(pos_, "'-' block sequence entry inside a flow collection");
  if (!simple_key_allowed_) return fail(pos_, "block sequence entries are not allowed here");
  if (tab_before_) return fail(pos_, "tab character before a block indicator");
  if (!roll_indent(static_cast<std::ptrdiff_t>(column()), taken_ + (tokens_.size() - head_),
                   TokenType::BlockSequenceStart, pos_)) {
    return false;
  }
  if (!remove_simple_key()) return false;
  simple_key_allowed_ = true;
  adjacent_value_allowed_ = false;
  push_indicator(TokenType::BlockEntry);
  return true;
}

bool Scanner::fetch_key() {
  if (flows_.empty()) {
    if (!simple_key_allowed_) return fail(pos_, "explicit mapping keys are not allowed here");
    if (tab_before_) return fail(pos_, "tab character before a block indicator");
    if (!roll_indent(static_cast<std::ptrdiff_t>(column()), taken_ + (tokens_.size() - head_),
                     TokenType::BlockMappingStart, pos_)) {
      return false;
    }
  }
  if (!remove_simple_key()) return false;
  simple_key_allowed_ = flows_.empty();
  adjacent_value_allowed_ = false;
  push_indicator(TokenType::Key);
  return true;
}

bool Scanner::fetch_value() {
  SimpleKey& key = keys_.back();
  if (key.possible) {
    key.possible = false;
    if (flows_.empty() && key.tab_before) {
      return fail(key.offset, "tab character before a block mapping key");
    }
    std::size_t number = key.token_number;
    std::size_t offset = key.offset;
    insert(number, make(TokenType::Key, offset, offset));
    if (!roll_indent(static_cast<std::ptrdiff_t>(key.column), number, TokenType::BlockMappingStart,
                     offset)) {
      return false;
    }
    simple_key_allowed_ = false;
  } else {
    if (flows_.empty()) {
      if (!simple_key_allowed_) return fail(pos_, "mapping values are not allowed here");
      if (!roll_indent(static_cast<std::ptrdiff_t>(column()), taken_ + (tokens_.size() - head_),
                       TokenType::BlockMappingStart, pos_)) {
        return false;
      }
    }
    simple_key_allowed_ = flows_.empty();
  }
  adjacent_value_allowed_ = false;
  push_indicator(TokenType::Value);
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
        if (!is_hex(at(pos_ + 1)) || !is_hex(at(pos_ + 2))) {
          return fail(pos_, "malformed '%' escape in a tag");
        }
        pos_ += 3;
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
        if (!is_hex(at(pos_ + 1)) || !is_hex(at(pos_ + 2))) {
          return fail(pos_, "malformed '%' escape in a tag");
        }
        pos_ += 3;
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

bool Scanner::building_within_budget(std::size_t text_start, std::size_t at) {
  if (scalar_bytes_ + (buffer_.size() - text_start) > limits_.max_scalar_bytes) {
    return breach("total scalar bytes", limits_.max_scalar_bytes, at);
  }
  return true;
}

bool Scanner::fetch_block_scalar(bool literal) {
  if (!remove_simple_key()) return false;
  simple_key_allowed_ = true;
  adjacent_value_allowed_ = false;
  Token t;
  if (!scan_block_scalar(literal, t)) return false;
  push(t);
  return true;
}

bool Scanner::fetch_quoted(bool single) {
  if (!save_simple_key()) return false;
  simple_key_allowed_ = false;
  Token t;
  if (!scan_quoted(single, t)) return false;
  adjacent_value_allowed_ = true;
  push(t);
  return true;
}

bool Scanner::fetch_plain() {
  if (!save_simple_key()) return false;
  simple_key_allowed_ = false;
  adjacent_value_allowed_ = false;
  Token t;
  if (!scan_plain(t)) return false;
  // A scalar that ran up to a new row leaves room for a key there.
  if (pos_ == row_start_ && flows_.empty()) simple_key_allowed_ = true;
  push(t);
  return true;
}

bool Scanner::scan_plain(Token& t) {
  const bool flow = !flows_.empty();
  const std::ptrdiff_t min_indent = indent_ + 1;
  const std::size_t start = pos_;
  const char* data = in_.data();
  const std::size_t size = in_.size();
  std::size_t seg_start = pos_;
  std::size_t seg_end = pos_;
  bool built = false;
  std::size_t text_start = 0;
  std::size_t pending_breaks = 0;
  std::size_t end = pos_;

  for (;;) {
    // One row's content: runs of non-blank characters with the blanks
    // between them.
    std::size_t p = pos_;
    bool stop = false;
    for (;;) {
      std::size_t run = p;
      const unsigned char stop_mask = flow ? kStopFlow : kStopBlock;
      while (p < size) {
        char c = data[p];
        if ((kPlainStops.table[static_cast<unsigned char>(c)] & stop_mask) == 0) {
          ++p;
          continue;
        }
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') break;
        if (c == ':') {
          std::size_t n = p + 1;
          if (n >= size) break;
          char d = data[n];
          if (d == ' ' || d == '\t' || d == '\n' || d == '\r') break;
          if (flow && is_flow_indicator(d)) break;
        } else if (flow && is_flow_indicator(c)) {
          break;
        }
        ++p;
      }
      if (p == run) {
        stop = true;
        break;
      }
      seg_end = p;
      std::size_t q = p;
      while (q < size && (data[q] == ' ' || data[q] == '\t')) ++q;
      if (q >= size || data[q] == '\n' || data[q] == '\r') {
        p = q;
        break;
      }
      if (data[q] == '#') {
        stop = true;
        break;
      }
      p = q;
    }
    // Append this row's content.
    if (seg_end > seg_start) {
      if (pending_breaks > 0 || built) {
        if (!built) {
          built = true;
          text_start = buffer_.size();
          buffer_.append(data + start, end - start);
        }
        if (pending_breaks == 1) {
          buffer_.push_back(' ');
        } else {
          buffer_.append(pending_breaks - 1, '\n');
        }
        buffer_.append(data + seg_start, seg_end - seg_start);
        if (!building_within_budget(text_start, start)) return false;
      }
      end = seg_end;
      pending_breaks = 0;
    }
    if (stop) {
      pos_ = seg_end;
      break;
    }
    pos_ = p;
    if (pos_ >= size) break;
    // A row break: look for a continuation row.
    std::size_t row_mark = 0;
    std::size_t breaks = 0;
    bool cont = false;
    for (;;) {
      skip_break();
      ++breaks;
      row_mark = pos_;
      std::size_t q = pos_;
      while (q < size && data[q] == ' ') ++q;
      std::size_t spaces = q - pos_;
      std::size_t r = q;
      while (r < size && (data[r] == ' ' || data[r] == '\t')) ++r;
      if (r < size && (data[r] == '\n' || data[r] == '\r')) {
        pos_ = r;
        continue;
      }
      if (r >= size) break;
      if (is_document_marker_at(row_mark)) break;
      if (static_cast<std::ptrdiff_t>(spaces) < min_indent) break;
      if (data[r] == '#') break;
      // The row must start something a plain scalar may hold.
      char c = data[r];
      if (c == ':' && (is_blankz_at(r + 1) || (flow && is_flow_indicator_at(r + 1)))) break;
      if (flow && is_flow_indicator(c)) break;
      pos_ = r;
      cont = true;
      break;
    }
    if (!cont) {
      pos_ = row_mark;
      row_start_ = row_mark;
      break;
    }
    pending_breaks = breaks;
    seg_start = pos_;
    seg_end = pos_;
  }
  t = make(TokenType::Scalar, start, end);
  t.style = ScalarStyle::Plain;
  if (built) {
    t.built = true;
    t.text_start = text_start;
    t.text_size = buffer_.size() - text_start;
  } else {
    t.text_start = start;
    t.text_size = end - start;
  }
  return count_scalar_bytes(t.text_size, start);
}

bool Scanner::scan_escape(std::string& out) {
  // At the backslash; the escaped break is handled by the caller.
  std::size_t start = pos_;
  char c = at(pos_ + 1);
  pos_ += 2;
  switch (c) {
    case '0': out.push_back('\0'); return true;
    case 'a': out.push_back('\a'); return true;
    case 'b': out.push_back('\b'); return true;
    case 't':
    case '\t': out.push_back('\t'); return true;
    case 'n': out.push_back('\n'); return true;
    case 'v': out.push_back('\v'); return true;
    case 'f': out.push_back('\f'); return true;
    case 'r': out.push_back('\r'); return true;
    case 'e': out.push_back('\x1B'); return true;
    case ' ': out.push_back(' '); return true;
    case '"': out.push_back('"'); return true;
    case '/': out.push_back('/'); return true;
    case '\\': out.push_back('\\'); return true;
    case 'N': out.append("\xC2\x85"); return true;
    case '_': out.append("\xC2\xA0"); return true;
    case 'L': out.append("\xE2\x80\xA8"); return true;
    case 'P': out.append("\xE2\x80\xA9"); return true;
    case 'x':
    case 'u':
    case 'U': {
      std::size_t digits = c == 'x' ? 2 : c == 'u' ? 4 : 8;
      auto read_hex = [&](std::size_t from, std::size_t n, char32_t& value) {
        value = 0;
        for (std::size_t i = 0; i < n; ++i) {
          if (!is_hex(at(from + i))) return false;
          value = value * 16 + static_cast<char32_t>(hex_value(at(from + i)));
        }
        return true;
      };
      char32_t cp = 0;
      if (!read_hex(pos_, digits, cp)) return fail(start, "malformed escape sequence");
      pos_ += digits;
      if (cp >= 0xD800 && cp <= 0xDBFF && c == 'u' && at(pos_) == '\\' && at(pos_ + 1) == 'u') {
        // A UTF-16 surrogate pair, as JSON writers emit it.
        char32_t low = 0;
        if (read_hex(pos_ + 2, 4, low) && low >= 0xDC00 && low <= 0xDFFF) {
          pos_ += 6;
          cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        }
      }
      if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
        return fail(start, "escape sequence names no valid character");
      }
      unicode::append_utf8(out, cp);
      return true;
    }
    default:
      return fail(start, "unknown escape sequence");
  }
}

bool Scanner::scan_quoted(bool single, Token& t) {
  const std::size_t start = pos_;
  const char quote = single ? '\'' : '"';
  const char* data = in_.data();
  const std::size_t size = in_.size();
  ++pos_;
  const std::size_t content = pos_;
  bool built = false;
  std::size_t text_start = 0;
  auto build = [&](std::size_t upto) {
    if (built) return;
    built = true;
    text_start = buffer_.size();
    buffer_.append(data + content, upto - content);
  };
  for (;;) {
    std::size_t run = pos_;
    while (pos_ < size) {
      char c = data[pos_];
      if (c == quote || c == '\\' || c == ' ' || c == '\t' || c == '\n' || c == '\r') break;
      ++pos_;
    }
    if (built) {
      buffer_.append(data + run, pos_ - run);
      if (!building_within_budget(text_start, start)) return false;
    }
    if (pos_ >= size) return fail(start, single ? "single-quoted scalar without its closing quote"
                                                : "double-quoted scalar without its closing quote");
    char c = data[pos_];
    if (c == quote) {
      if (single && at(pos_ + 1) == '\'') {
        build(pos_);
        buffer_.push_back('\'');
        pos_ += 2;
        continue;
      }
      break;
    }
    if (c == '\\') {
      if (single) {
        if (built) buffer_.push_back('\\');
        ++pos_;
        continue;
      }
      build(pos_);
      if (is_break_at(pos_ + 1)) {
        // An escaped break joins the rows without a space; empty rows
        // after it still count as breaks.
        ++pos_;
        skip_break();
        std::size_t breaks = 0;
        for (;;) {
          std::size_t q = pos_;
          while (q < size && data[q] == ' ') ++q;
          std::size_t spaces = q - pos_;
          while (q < size && (data[q] == ' ' || data[q] == '\t')) ++q;
          if (q < size && (data[q] == '\n' || data[q] == '\r')) {
            pos_ = q;
            skip_break();
            ++breaks;
            continue;
          }
          if (is_document_marker_at(pos_)) return fail(pos_, "document marker inside a quoted scalar");
          if (q < size && static_cast<std::ptrdiff_t>(spaces) <= indent_) {
            return fail(q, "quoted scalar continuation is not indented enough");
          }
          pos_ = q;
          break;
        }
        buffer_.append(breaks, '\n');
        if (!building_within_budget(text_start, start)) return false;
        continue;
      }
      if (!scan_escape(buffer_)) return false;
      continue;
    }
    // Blanks: content inside a row, dropped before a break.
    std::size_t blanks = pos_;
    while (pos_ < size && (data[pos_] == ' ' || data[pos_] == '\t')) ++pos_;
    if (pos_ < size && data[pos_] != '\n' && data[pos_] != '\r') {
      if (built) buffer_.append(data + blanks, pos_ - blanks);
      continue;
    }
    if (pos_ >= size) continue;
    build(blanks);
    std::size_t breaks = 0;
    for (;;) {
      skip_break();
      ++breaks;
      std::size_t q = pos_;
      while (q < size && data[q] == ' ') ++q;
      std::size_t spaces = q - pos_;
      while (q < size && (data[q] == ' ' || data[q] == '\t')) ++q;
      if (q < size && (data[q] == '\n' || data[q] == '\r')) {
        pos_ = q;
        continue;
      }
      if (is_document_marker_at(pos_)) return fail(pos_, "document marker inside a quoted scalar");
      if (q < size && static_cast<std::ptrdiff_t>(spaces) <= indent_) {
        return fail(q, "quoted scalar continuation is not indented enough");
      }
      pos_ = q;
      break;
    }
    if (breaks == 1) {
      buffer_.push_back(' ');
    } else {
      buffer_.append(breaks - 1, '\n');
    }
    if (!building_within_budget(text_start, start)) return false;
  }
  ++pos_;  // the closing quote
  t = make(TokenType::Scalar, start, pos_);
  t.style = single ? ScalarStyle::SingleQuoted : ScalarStyle::DoubleQuoted;
  if (built) {
    t.built = true;
    t.text_start = text_start;
    t.text_size = buffer_.size() - text_start;
  } else {
    t.text_start = content;
    t.text_size = pos_ - 1 - content;
  }
  return count_scalar_bytes(t.text_size, start);
}

bool Scanner::scan_block_scalar(bool literal, Token& t) {
  const std::size_t start = pos_;
  const char* data = in_.data();
  const std::size_t size = in_.size();
  ++pos_;
  int chomp = 0;  // -1 strip, 0 clip, +1 keep
  std::size_t increment = 0;
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

  const std::ptrdiff_t parent = indent_;
  std::ptrdiff_t indent = 0;
  if (increment > 0) {
    indent = std::max<std::ptrdiff_t>(parent, -1) + static_cast<std::ptrdiff_t>(increment);
    if (indent < 0) indent = 0;
  } else {
    // The first non-empty row sets the indentation; leading empty rows may
    // not be indented further than it.
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
    std::ptrdiff_t minimum = parent + 1;
    if (detected >= minimum && static_cast<std::ptrdiff_t>(max_blank) > detected) {
      return fail(blank_at, "leading empty row of a block scalar is indented more than its text");
    }
    if (detected >= minimum) {
      indent = detected;
    } else {
      indent = std::max<std::ptrdiff_t>(minimum, static_cast<std::ptrdiff_t>(max_blank));
      if (indent < 1) indent = std::max<std::ptrdiff_t>(minimum, 1);
    }
  }

  // Rows are appended one by one; room for a small scalar up front spares
  // the regrowth steps. The rest of the text bounds what it can use.
  buffer_.reserve(buffer_.size() + std::min<std::size_t>(size - pos_, 960));
  std::size_t text_start = buffer_.size();
  bool any_content = false;
  bool leading_break = false;   // a break after the previous content row
  bool prev_blank_start = false;
  std::size_t trailing = 0;     // empty rows since the previous content row
  std::size_t end = pos_;
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
    // A content row.
    std::size_t e = find_break(data, q, size);
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
  // at the end of the text).
  if (chomp >= 0 && leading_break) buffer_.push_back('\n');
  if (chomp > 0) buffer_.append(trailing, '\n');
  t = make(TokenType::Scalar, start, end);
  t.style = literal ? ScalarStyle::Literal : ScalarStyle::Folded;
  t.built = true;
  t.text_start = text_start;
  t.text_size = buffer_.size() - text_start;
  return count_scalar_bytes(t.text_size, start);
}

}  // namespace kelp::yaml

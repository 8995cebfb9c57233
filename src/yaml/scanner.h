// The YAML tokeniser: turns a text into the tokens of the YAML 1.2 syntax
// (directives, document markers, block and flow structure, keys and values,
// properties and scalars with their final text). Block structure is derived
// from indentation as tokens are fetched; implicit keys are recognised with
// a bounded lookahead, so the token queue never holds more than one key's
// worth of tokens. Nesting depth, scalar bytes and comment bytes are counted
// here, so that a text breaching them is refused before anything is built.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "yaml/error.h"
#include "yaml/event_source.h"

namespace kelp::yaml {

enum class TokenType : std::uint8_t {
  StreamStart,
  StreamEnd,
  VersionDirective,
  TagDirective,
  ReservedDirective,
  DocumentStart,
  DocumentEnd,
  BlockSequenceStart,
  BlockMappingStart,
  BlockEnd,
  FlowSequenceStart,
  FlowSequenceEnd,
  FlowMappingStart,
  FlowMappingEnd,
  BlockEntry,
  FlowEntry,
  Key,
  Value,
  Alias,
  Anchor,
  Tag,
  Scalar,
};

struct Token {
  TokenType type = TokenType::StreamStart;
  ScalarStyle style = ScalarStyle::Plain;
  // Scalar text lives in the scanner's buffer rather than the input.
  bool built = false;
  // Byte offsets of the token in the input.
  std::size_t start = 0;
  std::size_t end = 0;
  // Scalar text (an offset into the buffer when `built`), alias and anchor
  // names, the tag handle, the %TAG handle, the %YAML version.
  std::size_t text_start = 0;
  std::size_t text_size = 0;
  // The tag suffix (verbatim tags: the whole tag, with an empty handle) or
  // the %TAG prefix; always a view into the input.
  std::string_view suffix;
  bool verbatim = false;
};

struct ScanLimits {
  std::uint64_t max_depth = 2000;
  std::uint64_t max_scalar_bytes = 67108864;
  std::uint64_t max_comment_bytes = 67108864;
};

// Its members are defined by concept: the token queue, implicit keys,
// indentation and dispatch in scanner.cpp; indicators, directives, node
// properties and the plain, quoted and block scalars each in their own
// scanner_*.cpp.
class Scanner {
 public:
  // `text` must outlive the scanner.
  Scanner(std::string_view text, const ScanLimits& limits);

  // The token at the head of the queue; nullptr after an error.
  const Token* peek() { return head_ready_ ? &tokens_[head_] : fetch_head(); }
  // Drops the head token (after a successful peek).
  void skip() {
    ++head_;
    ++taken_;
    head_ready_ = false;
  }
  // The text of a token: a view into the input or into the scanner's buffer,
  // valid until the queue next runs empty.
  std::string_view text(const Token& token) const {
    return {(token.built ? buffer_.data() : in_.data()) + token.text_start, token.text_size};
  }

  const std::optional<YamlError>& error() const { return error_; }
  std::string_view input() const { return in_; }

 private:
  struct SimpleKey {
    bool possible = false;
    bool required = false;
    // In a flow mapping a key may run over several rows.
    bool multi_row = false;
    std::size_t token_number = 0;
    std::size_t offset = 0;
    std::size_t row = 0;
    std::size_t column = 0;
    // Characters counted so far between the key and the scan position.
    std::size_t counted_to = 0;
    std::size_t chars = 0;
    // A tab precedes the key on its row.
    bool tab_before = false;
  };
  struct FlowLevel {
    bool mapping = false;
  };

  struct QuotedText;

  const Token* fetch_head();
  // The next token or tokens, or one step over a byte-order mark.
  bool fetch_token();
  bool scan_to_next_token();
  // A directive, a document marker or a byte-order mark at the start of a row.
  bool at_row_construct() const;
  bool fetch_row_construct();
  bool fetch_plain_or_refuse(char c);
  // An implicit key runs over at most this many characters.
  static constexpr std::size_t kMaxImplicitKeyChars = 1024;

  // A key that is no longer possible, or still on its row and short, needs
  // no further look; those cases stay inline.
  bool check_stale_key(SimpleKey& key) {
    if (!key.possible) return true;
    if ((key.multi_row || key.row == row_) && pos_ - key.offset <= kMaxImplicitKeyChars) return true;
    return check_possible_key(key);
  }
  bool check_possible_key(SimpleKey& key);
  // Drops the possible keys that can no longer be keys: those left behind
  // on an earlier row and those grown too long.
  bool stale_keys() {
    while (lowest_key_ < keys_.size() && !keys_[lowest_key_].possible) ++lowest_key_;
    if (lowest_key_ == keys_.size()) return true;
    if (!check_stale_key(keys_[lowest_key_])) return false;
    return lowest_key_ + 1 == keys_.size() || check_stale_key(keys_.back());
  }
  bool save_simple_key();
  bool remove_simple_key() {
    SimpleKey& key = keys_.back();
    if (key.possible && key.required) return fail_required_key(key);
    key.possible = false;
    return true;
  }
  bool fail_required_key(const SimpleKey& key);
  void unroll_indent(std::ptrdiff_t column, std::size_t at);
  bool roll_indent(std::ptrdiff_t column, std::size_t number, TokenType type, std::size_t at);
  // The head token may still turn out to be an implicit key, before which a
  // KEY (and perhaps a mapping start) must be inserted. Only the lowest
  // possible key can hold the head.
  bool head_may_become_key() {
    while (lowest_key_ < keys_.size() && !keys_[lowest_key_].possible) ++lowest_key_;
    if (lowest_key_ >= keys_.size() || keys_[lowest_key_].token_number != taken_) return false;
    SimpleKey& key = keys_[lowest_key_];
    // A stale required key is an error, which the next fetch reports.
    if (!check_stale_key(key)) return true;
    return key.possible;
  }

  bool fetch_stream_end();
  bool fetch_directive();
  bool fetch_document_marker(TokenType type);
  bool fetch_flow_start(TokenType type, bool mapping);
  bool fetch_flow_end(TokenType type);
  bool fetch_flow_entry();
  bool fetch_block_entry();
  bool fetch_key();
  bool fetch_value();
  bool fetch_anchor(TokenType type);
  bool fetch_tag();
  bool fetch_block_scalar(bool literal);
  bool fetch_quoted(bool single);
  bool fetch_plain();

  // Directives: the %YAML version and the %TAG handle and prefix.
  bool skip_blanks();
  bool scan_version_directive(Token& token);
  bool scan_tag_directive(Token& token);

  bool scan_plain(Token& token);
  // After a row break in a plain scalar: whether a following row continues
  // it (the position then at its content, `breaks` the breaks folded in),
  // or else the position at the start of the row that ends it.
  bool plain_continues(bool flow, std::size_t& breaks);

  bool scan_quoted(bool single, Token& token);
  void build_quoted(QuotedText& text, std::size_t upto);
  bool quoted_backslash(bool single, QuotedText& text);
  // At a row break after the blanks from `blanks`: folds the break and the
  // empty rows after it into the text.
  bool fold_quoted_break(QuotedText& text, std::size_t blanks);
  // At the row after a break inside a quoted scalar: skips empty rows,
  // adding one to `breaks` for each, and checks the row that continues it.
  bool quoted_continuation(std::size_t& breaks);
  bool scan_escape(std::string& out);

  bool scan_block_scalar(bool literal, Token& token);
  // The indicators and comment after "|" or ">", up to the next row.
  bool scan_block_header(int& chomp, std::size_t& increment);
  // The indentation that the first non-empty row sets.
  bool detect_block_indent(std::ptrdiff_t& indent);
  bool scan_block_rows(bool literal, int chomp, std::ptrdiff_t indent, std::size_t start,
                       std::size_t text_start, std::size_t& end);
  bool count_scalar_bytes(std::size_t bytes, std::size_t at) {
    scalar_bytes_ += bytes;
    if (scalar_bytes_ > limits_.max_scalar_bytes) {
      return breach("total scalar bytes", limits_.max_scalar_bytes, at);
    }
    return true;
  }
  // The scalar being built in the buffer since `text_start` still fits the
  // budget.
  bool building_within_budget(std::size_t text_start, std::size_t at);

  bool fail(std::size_t offset, std::string message, ReadErrorKind kind = ReadErrorKind::Syntax);
  // Steps over a '%' and its two hex digits in a tag, or fails.
  bool skip_tag_escape();
  bool breach(std::string_view what, std::uint64_t limit, std::size_t offset);

  // Character classes at an offset; past the end reads as a NUL.
  char at(std::size_t i) const { return i < in_.size() ? in_[i] : '\0'; }
  bool is_break_at(std::size_t i) const { return at(i) == '\n' || at(i) == '\r'; }
  bool is_blank_at(std::size_t i) const { return at(i) == ' ' || at(i) == '\t'; }
  bool is_blankz_at(std::size_t i) const { return i >= in_.size() || is_blank_at(i) || is_break_at(i); }
  bool is_flow_indicator_at(std::size_t i) const;
  bool is_document_marker_at(std::size_t i) const {
    if (i + 3 > in_.size()) return false;
    char c = in_[i];
    return (c == '-' || c == '.') && in_[i + 1] == c && in_[i + 2] == c && is_blankz_at(i + 3);
  }
  // Consumes one line break (CR, LF or CRLF) at the position.
  void skip_break() {
    pos_ += (at(pos_) == '\r' && at(pos_ + 1) == '\n') ? 2 : 1;
    ++row_;
    row_start_ = pos_;
  }
  std::size_t column() const { return pos_ - row_start_; }

  void push(const Token& token) { tokens_.push_back(token); }
  // A one-byte indicator token at the current position, which it consumes.
  void push_indicator(TokenType type) {
    std::size_t start = pos_++;
    push(make(type, start, pos_));
  }
  void insert(std::size_t number, const Token& token);
  static Token make(TokenType type, std::size_t start, std::size_t end) {
    Token t;
    t.type = type;
    t.start = start;
    t.end = end;
    return t;
  }

  std::string_view in_;
  ScanLimits limits_;
  std::size_t pos_ = 0;
  std::size_t row_ = 0;
  std::size_t row_start_ = 0;

  std::vector<Token> tokens_;
  std::size_t head_ = 0;
  // Tokens dropped from the queue so far; with `head_` it numbers tokens.
  std::size_t taken_ = 0;
  // The head token is final: no implicit key can be inserted before it.
  bool head_ready_ = false;
  std::string buffer_;

  std::ptrdiff_t indent_ = -1;
  std::vector<std::ptrdiff_t> indents_;
  std::vector<SimpleKey> keys_;
  std::vector<FlowLevel> flows_;
  // The lowest flow level that may hold a possible key; keys below it are
  // known to be impossible.
  std::size_t lowest_key_ = 0;
  bool simple_key_allowed_ = false;
  // The previous token ends a JSON-like node (quoted scalar or flow
  // collection), after which ":" needs no following space in flow context.
  bool adjacent_value_allowed_ = false;
  // The white space before the current token on its row holds a tab.
  bool tab_before_ = false;
  bool stream_start_done_ = false;
  bool stream_end_done_ = false;
  // Between the start of a document's content and its end marker, where a
  // "%" cannot start a directive.
  bool in_document_ = false;
  std::uint64_t scalar_bytes_ = 0;
  std::uint64_t comment_bytes_ = 0;
  std::optional<YamlError> error_;
};

}  // namespace kelp::yaml

// Strict RFC 8259 reading of JSON text. `parse_value` builds a JsonValue; the
// `Reader` primitives serve the typed readers of the input documents. Error
// texts carry the position "<message> at line L column C": a fault found while
// looking at a byte that is not consumed points at that byte, every other
// fault at the last byte consumed. A \u escape is judged after its four
// characters are consumed; a control character in a string that is only
// skipped is not consumed and points at the byte before it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "json/parse_error.h"
#include "json/value.h"
#include "util/expected.h"

namespace kelp::json {

// Nesting limit 128 ("recursion limit exceeded"); nothing but whitespace may
// follow the value. The text must be valid UTF-8.
Expected<JsonValue, ParseError> parse_value(std::string_view text);

// A cursor over JSON text. Operations return false after recording the error,
// which `take_error` hands over; after a failure the reader is not used again.
class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  // The cursor and its errors (reader.cpp).

  // Skips whitespace and returns the next byte without consuming it.
  std::optional<unsigned char> peek_after_whitespace();
  void eat() { ++index_; }
  std::size_t index() const { return index_; }
  // Errors at the last consumed byte, or at the byte being looked at.
  bool fail(std::string message);
  bool fail_at_peek(std::string message);
  ParseError take_error() { return std::move(error_); }
  // The position of a byte count, by the line and column rule.
  std::pair<std::uint64_t, std::uint64_t> position_of(std::size_t index) const;
  // The rest of a literal whose first byte was consumed ("ull" after 'n').
  bool parse_ident(std::string_view rest);

  // Strings (string_scan.cpp).

  // The current byte is the opening quotation mark (not yet consumed).
  bool parse_string(std::string& out);
  // Judges a string exactly as parse_string does, without decoding it:
  // `literal` views its text in the input, both quotation marks included.
  bool check_string(std::string_view& literal, bool& has_escapes);

  // Values of any kind (value_reader.cpp).

  // Checks and skips one value of any kind; nesting is not limited here.
  bool ignore_value();
  // One value into a JsonValue with `depth` containers still allowed.
  bool parse_any(JsonValue& out, int depth);

  // The rules of typed reading, for records read member by member
  // (record_rules.cpp).

  // Consumes the value at the peek position as far as needed to describe it
  // ("integer `1`", "string \"a\"", "sequence", "map", "null", ...) and
  // records "invalid type: <what>, expected <expected>".
  bool fail_invalid_type(std::string_view expected);
  // Separators of a list or an object being read member by member.
  // `first` is updated; returns false on error; `done` is set at the end.
  bool next_element(bool& first, bool& done);
  bool next_key(bool& first, bool& done, std::string& key);
  bool parse_colon();
  // Closing brackets after a record was read from a list or an object.
  bool end_list();
  bool end_object();
  // Only whitespace may follow.
  bool end_of_input();

 private:
  // Strings (string_scan.cpp).
  enum class StringMode { Skip, Check, Decode };
  template <StringMode mode>
  bool string_body(std::string* out, bool* escapes);
  bool parse_escape(std::string& out);
  bool decode_hex_escape(std::uint32_t& out);
  bool ignore_string();

  // Numbers (number_scan.cpp). A number whose sign (if any) has been
  // consumed; the next byte is its first digit.
  bool parse_number(bool negative, JsonValue& out);
  bool ignore_number();

  bool next_member(bool& first, bool& done, char close);

  std::string_view text_;
  std::size_t index_ = 0;
  ParseError error_;
};

}  // namespace kelp::json

// The rules of typed reading: the separators and closing brackets around
// the members of a record, and the description of a value of the wrong type.
#include "json/byte_classes.h"
#include "json/reader.h"
#include "json/writer.h"
#include "unicode/text.h"

namespace kelp::json {

// The separator before the next member of a list or an object: the closing
// bracket ends it; a comma must follow a member; a member must follow a comma.
bool Reader::next_member(bool& first, bool& done, char close) {
  const bool list = close == ']';
  auto c = peek_after_whitespace();
  if (!c) return fail_at_peek(list ? "EOF while parsing a list" : "EOF while parsing an object");
  if (*c == close) {
    done = true;
    return true;
  }
  if (*c == ',' && !first) {
    ++index_;
    c = peek_after_whitespace();
  } else if (first) {
    first = false;
  } else {
    return fail_at_peek(list ? "expected `,` or `]`" : "expected `,` or `}`");
  }
  if (!c) return fail_at_peek("EOF while parsing a value");
  if (*c == close) return fail_at_peek("trailing comma");
  done = false;
  return true;
}

bool Reader::next_element(bool& first, bool& done) { return next_member(first, done, ']'); }

bool Reader::next_key(bool& first, bool& done, std::string& key) {
  if (!next_member(first, done, '}')) return false;
  if (done) return true;
  if (text_[index_] != '"') return fail_at_peek("key must be a string");
  key.clear();
  return parse_string(key);
}

bool Reader::parse_colon() {
  auto c = peek_after_whitespace();
  if (!c) return fail_at_peek("EOF while parsing an object");
  if (*c != ':') return fail_at_peek("expected `:`");
  ++index_;
  return true;
}

bool Reader::end_list() {
  auto c = peek_after_whitespace();
  if (!c) return fail_at_peek("EOF while parsing a list");
  if (*c == ']') {
    ++index_;
    return true;
  }
  if (*c == ',') {
    ++index_;
    c = peek_after_whitespace();
    if (c && *c == ']') return fail_at_peek("trailing comma");
  }
  return fail_at_peek("trailing characters");
}

bool Reader::end_object() {
  auto c = peek_after_whitespace();
  if (!c) return fail_at_peek("EOF while parsing an object");
  if (*c == '}') {
    ++index_;
    return true;
  }
  if (*c == ',') return fail_at_peek("trailing comma");
  return fail_at_peek("trailing characters");
}

bool Reader::end_of_input() {
  if (peek_after_whitespace()) return fail_at_peek("trailing characters");
  return true;
}

bool Reader::fail_invalid_type(std::string_view expected) {
  auto peek = peek_after_whitespace();
  std::string found;
  if (!peek) return fail_at_peek("EOF while parsing a value");
  switch (*peek) {
    case 'n': ++index_; if (!parse_ident("ull")) return false; found = "null"; break;
    case 't': ++index_; if (!parse_ident("rue")) return false; found = "boolean `true`"; break;
    case 'f': ++index_; if (!parse_ident("alse")) return false; found = "boolean `false`"; break;
    case '"': {
      std::string s;
      if (!parse_string(s)) return false;
      found = "string " + unicode::quoted(s);
      break;
    }
    case '[': found = "sequence"; break;
    case '{': found = "map"; break;
    default: {
      if (*peek != '-' && !is_json_digit(*peek)) return fail_at_peek("expected value");
      bool negative = *peek == '-';
      if (negative) ++index_;
      JsonValue number;
      if (!parse_number(negative, number)) return false;
      if (number.is_u64()) {
        found = "integer `" + std::to_string(number.as_u64()) + "`";
      } else if (number.is_i64()) {
        found = "integer `" + std::to_string(number.as_i64()) + "`";
      } else {
        found = "floating point `" + display_f64(number.as_f64()) + "`";
      }
    }
  }
  std::string message = "invalid type: ";
  message += found;
  message += ", expected ";
  message += expected;
  return fail(std::move(message));
}

}  // namespace kelp::json

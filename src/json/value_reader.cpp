// Values of any kind: read into a JsonValue with a nesting limit, or
// checked and skipped without one.
#include <vector>

#include "json/byte_classes.h"
#include "json/reader.h"

namespace kelp::json {

namespace {

constexpr int kMaxDepth = 128;

}  // namespace

bool Reader::ignore_value() {
  // Open containers; checked without recursion and without a depth limit.
  std::vector<unsigned char> stack;
  for (;;) {
    auto peek = peek_after_whitespace();
    if (!peek) return fail_at_peek("EOF while parsing a value");
    bool opened = false;
    unsigned char frame = 0;
    switch (*peek) {
      case 'n': ++index_; if (!parse_ident("ull")) return false; break;
      case 't': ++index_; if (!parse_ident("rue")) return false; break;
      case 'f': ++index_; if (!parse_ident("alse")) return false; break;
      case '-': ++index_; if (!ignore_number()) return false; break;
      case '"': if (!ignore_string()) return false; break;
      case '[': case '{':
        ++index_;
        opened = true;
        frame = *peek;
        break;
      default:
        if (is_json_digit(*peek)) {
          if (!ignore_number()) return false;
          break;
        }
        return fail_at_peek("expected value");
    }
    bool accept_comma;
    if (opened) {
      accept_comma = false;
    } else {
      if (stack.empty()) return true;
      frame = stack.back();
      stack.pop_back();
      accept_comma = true;
    }
    for (;;) {
      auto c = peek_after_whitespace();
      if (c && *c == ',' && accept_comma) {
        ++index_;
        break;
      }
      if (c && ((*c == ']' && frame == '[') || (*c == '}' && frame == '{'))) {
        ++index_;
        if (stack.empty()) return true;
        frame = stack.back();
        stack.pop_back();
        accept_comma = true;
        continue;
      }
      if (c) {
        if (accept_comma)
          return fail_at_peek(frame == '[' ? "expected `,` or `]`" : "expected `,` or `}`");
        break;
      }
      return fail_at_peek(frame == '[' ? "EOF while parsing a list" : "EOF while parsing an object");
    }
    if (frame == '{') {
      auto c = peek_after_whitespace();
      if (!c) return fail_at_peek("EOF while parsing an object");
      if (*c != '"') return fail_at_peek("key must be a string");
      if (!ignore_string()) return false;
      c = peek_after_whitespace();
      if (!c) return fail_at_peek("EOF while parsing an object");
      if (*c != ':') return fail_at_peek("expected `:`");
      ++index_;
    }
    stack.push_back(frame);
  }
}

bool Reader::parse_any(JsonValue& out, int depth) {
  auto peek = peek_after_whitespace();
  if (!peek) return fail_at_peek("EOF while parsing a value");
  switch (*peek) {
    case 'n': ++index_; if (!parse_ident("ull")) return false; out = JsonValue(); return true;
    case 't': ++index_; if (!parse_ident("rue")) return false; out = JsonValue(true); return true;
    case 'f': ++index_; if (!parse_ident("alse")) return false; out = JsonValue(false); return true;
    case '-': ++index_; return parse_number(true, out);
    case '"': {
      std::string s;
      if (!parse_string(s)) return false;
      out = JsonValue(std::move(s));
      return true;
    }
    case '[': {
      if (depth <= 1) return fail_at_peek("recursion limit exceeded");
      ++index_;
      JsonValue::Array items;
      bool first = true;
      for (;;) {
        bool done = false;
        if (!next_element(first, done)) return false;
        if (done) break;
        items.emplace_back();
        if (!parse_any(items.back(), depth - 1)) return false;
      }
      ++index_;  // ']'
      out = JsonValue(std::move(items));
      return true;
    }
    case '{': {
      if (depth <= 1) return fail_at_peek("recursion limit exceeded");
      ++index_;
      JsonValue::Object members;
      bool first = true;
      std::string key;
      for (;;) {
        bool done = false;
        if (!next_key(first, done, key)) return false;
        if (done) break;
        if (!parse_colon()) return false;
        JsonValue value;
        if (!parse_any(value, depth - 1)) return false;
        // A repeated key keeps the later value.
        members.insert_or_assign(std::move(key), std::move(value));
        key = std::string();
      }
      ++index_;  // '}'
      out = JsonValue(std::move(members));
      return true;
    }
    default:
      if (is_json_digit(*peek)) return parse_number(false, out);
      return fail_at_peek("expected value");
  }
}

Expected<JsonValue, ParseError> parse_value(std::string_view text) {
  Reader reader(text);
  JsonValue value;
  if (!reader.parse_any(value, kMaxDepth) || !reader.end_of_input())
    return unexpected(reader.take_error());
  return value;
}

}  // namespace kelp::json

// The cursor of the reader: whitespace, literals, and errors with their
// line and column.
#include "json/reader.h"

#include <cstring>

#include "json/byte_classes.h"

namespace kelp::json {

std::pair<std::uint64_t, std::uint64_t> Reader::position_of(std::size_t index) const {
  std::uint64_t line = 1;
  std::size_t line_start = 0;
  const char* base = text_.data();
  const char* p = base;
  const char* end = base + index;
  while (p < end) {
    const void* nl = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
    if (!nl) break;
    ++line;
    p = static_cast<const char*>(nl) + 1;
    line_start = static_cast<std::size_t>(p - base);
  }
  return {line, index - line_start};
}

bool Reader::fail(std::string message) {
  auto [line, column] = position_of(index_);
  error_ = ParseError{std::move(message), line, column};
  return false;
}

bool Reader::fail_at_peek(std::string message) {
  std::size_t at = index_ + 1 < text_.size() ? index_ + 1 : text_.size();
  auto [line, column] = position_of(at);
  error_ = ParseError{std::move(message), line, column};
  return false;
}

std::optional<unsigned char> Reader::peek_after_whitespace() {
  while (index_ < text_.size()) {
    auto c = static_cast<unsigned char>(text_[index_]);
    if (!is_json_whitespace(c)) return c;
    ++index_;
  }
  return std::nullopt;
}

bool Reader::parse_ident(std::string_view rest) {
  for (char expected : rest) {
    if (index_ >= text_.size()) return fail("EOF while parsing a value");
    char c = text_[index_++];
    if (c != expected) return fail("expected ident");
  }
  return true;
}

}  // namespace kelp::json

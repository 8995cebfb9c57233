#include "yaml/position.h"

#include <algorithm>

namespace kelp::yaml {

namespace {

bool is_continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

LineColumn line_column_at(std::string_view text, std::size_t offset) {
  offset = std::min(offset, text.size());
  while (offset > 0 && offset < text.size() && is_continuation(text[offset])) --offset;
  LineColumn at;
  std::size_t line_start = 0;
  for (std::size_t i = 0; i < offset; ++i) {
    char c = text[i];
    if (c == '\n' || (c == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
      ++at.line;
      line_start = i + 1;
    }
  }
  std::size_t chars = 0;
  for (std::size_t i = line_start; i < offset; ++i) {
    if (!is_continuation(text[i])) ++chars;
  }
  at.column = chars + 1;
  return at;
}

std::string_view line_text(std::string_view text, std::size_t line) {
  std::size_t current = 1;
  std::size_t start = 0;
  while (current < line) {
    std::size_t brk = text.find_first_of("\r\n", start);
    if (brk == std::string_view::npos) return {};
    start = brk + ((text[brk] == '\r' && brk + 1 < text.size() && text[brk + 1] == '\n') ? 2 : 1);
    ++current;
  }
  std::size_t end = text.find_first_of("\r\n", start);
  if (end == std::string_view::npos) end = text.size();
  return text.substr(start, end - start);
}

}  // namespace kelp::yaml

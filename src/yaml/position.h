// Line and column positions in a YAML text. Lines end at a line feed, a
// carriage return, or the pair of both; both numbers are 1-based and the
// column counts characters (code points), not bytes.
#pragma once

#include <cstddef>
#include <string_view>

namespace kelp::yaml {

struct LineColumn {
  std::size_t line = 1;
  std::size_t column = 1;
};

// The position of byte `offset` (clamped to the text's end). An offset inside
// a multi-byte character counts as that character.
LineColumn line_column_at(std::string_view text, std::size_t offset);

// The characters of line `line` without its line break; empty past the end.
std::string_view line_text(std::string_view text, std::size_t line);

}  // namespace kelp::yaml

// A YAML read error and its display text: the message, " at line L,
// column C", then a two-line excerpt of the source line with a caret under
// the column.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "yaml/options.h"

namespace kelp::yaml {

struct YamlError {
  std::string message;
  // Byte offset into the text that was parsed (after the byte-order mark).
  std::size_t offset = 0;
  // When non-zero, a 1-based position given directly (the character check
  // gives one); it then takes the place of `offset`.
  std::size_t line = 0;
  std::size_t column = 0;
};

YamlError error_at(std::size_t offset, std::string message);

// The full display text. The first line is exactly "{message} at line {L},
// column {C}"; the excerpt uses ASCII decorations, replaces control
// characters, and shows at most 140 columns around the error column.
std::string render_error(std::string_view text, const YamlError& error,
                         const YamlReadOptions& options);

// User text (a key, an anchor name, a tag, a scalar) made safe to place
// inside a message: control and line-separating characters are escaped as
// \n, \r, \t or \u{hex}, the word "line" is written "lin\u{65}" so that the
// position after the message is the first "line" of the text, and anything
// past 128 characters is cut and marked with "...".
std::string message_fragment(std::string_view text);

}  // namespace kelp::yaml

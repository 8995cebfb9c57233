// A YAML read error as the reader's parts raise it (a kind, a message and a
// byte offset), its conversion into the ReadError that callers get, and the
// quoting of user text inside messages.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "yaml/options.h"
#include "yaml/read_error.h"

namespace kelp::yaml {

struct YamlError {
  ReadErrorKind kind = ReadErrorKind::Content;
  std::string message;
  // Byte offset into the text that was parsed (after the byte-order mark).
  std::size_t offset = 0;
  // When non-zero, a 1-based position given directly (the character check
  // gives one); it then takes the place of `offset`.
  std::size_t line = 0;
  std::size_t column = 0;
};

YamlError error_at(ReadErrorKind kind, std::size_t offset, std::string message);

// An error of a caller's reading of the composed document (kind Content),
// at the byte offset of the offending node.
YamlError error_at(std::size_t offset, std::string message);

// The error with its position as line and column and, when the settings ask
// for it, the excerpt: at most 140 columns of the source line around the
// error column, in ASCII decorations, control characters replaced.
ReadError locate_error(std::string_view text, const YamlError& error,
                       const YamlReadOptions& options);

// User text (a key, an anchor name, a tag, a scalar) made safe to place
// inside a message: control and line-separating characters are escaped as
// \n, \r, \t or \u{hex}, the word "line" is written "lin\u{65}" so that the
// position after the message is the first "line" of the text, and anything
// past 128 characters is cut and marked with "...".
std::string message_fragment(std::string_view text);

}  // namespace kelp::yaml

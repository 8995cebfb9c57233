// The check of a YAML text's characters before it is scanned: the scanner
// works on bytes and relies on the text being UTF-8 of the characters YAML
// allows, so invalid bytes, NUL and other controls are refused here first.
#pragma once

#include <optional>
#include <string_view>

#include "yaml/error.h"

namespace kelp::yaml {

// Whether `cp` may appear in a YAML text: tab, line feed, carriage return,
// printable ASCII, U+0085, and U+00A0 and above except the surrogates and
// U+FFFE / U+FFFF.
bool is_allowed_yaml_char(char32_t cp);

// The first invalid UTF-8 sequence or disallowed character, as an error
// carrying its own line and column; nullopt when the whole text is fine.
std::optional<YamlError> check_yaml_text(std::string_view text);

}  // namespace kelp::yaml

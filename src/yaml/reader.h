// Reading YAML text under the one fixed set of read settings (one document,
// byte-order mark skipped, duplicate keys refused, merge keys, aliases and
// resource budgets) into a JsonValue, and reading positions out of YAML
// error texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "json/value.h"
#include "module/diagnostics.h"
#include "util/expected.h"

namespace kelp::yaml {

// The error is the full display text: message, " at line L, column C", then
// a plain-text excerpt of the source line with a caret.
Expected<JsonValue, std::string> read_json_value(std::string_view text);

// The number after the first occurrence of `marker` (leading Unicode
// whitespace skipped), and the text after its digits; nullopt when there is
// no marker, no digit, or the digits overflow 64 bits.
std::optional<std::pair<std::uint64_t, std::string_view>> error_number_after(
    std::string_view text, std::string_view marker);

// Line after the first "line", column after the next "column"; nullopt when
// either is missing.
std::optional<Span> span_from_error_text(std::string_view text);

}  // namespace kelp::yaml

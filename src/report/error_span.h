// The position a malformed-file diagnostic reports, read back out of a parser's
// error text.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "report/diagnostics.h"

namespace kelp {

// The number after the first occurrence of `marker` (leading Unicode
// whitespace skipped), and the text after its digits; nullopt when there is
// no marker, no digit, or the digits overflow 64 bits.
std::optional<std::pair<std::uint64_t, std::string_view>> error_number_after(
    std::string_view text, std::string_view marker);

// Line after the first "line", column after the next "column"; nullopt when
// either is missing.
std::optional<Span> span_from_error_text(std::string_view text);

}  // namespace kelp

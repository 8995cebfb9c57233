// Resource patterns of the kelp object: validating a pattern, resolving it
// against the snapshot's path maps (as a literal path or as a glob), and the
// glob language ("**" across segments, "*" and "?" within one segment).
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "checks/context.h"

namespace kelp {

// Nullopt when the pattern is acceptable; otherwise the error text (empty,
// absolute, or leaving the recipe directory). The pattern is only validated:
// callers resolve the same text afterwards.
std::optional<std::string> normalize_resource_pattern(std::string_view pattern);

// The recipe paths a pattern names, in byte order without duplicates. A
// literal names one file or directory path; a glob is tested against every
// file and directory path. Empty when nothing matched.
std::vector<std::string> resolve_recipe_pattern(const CheckContext& context,
                                                std::string_view pattern);

// Whether the path segments match the pattern segments. A pattern segment
// that is exactly "**" matches any number of path segments, none included;
// any other segment matches one path segment by `glob_segment_match`.
bool glob_segments_match(std::span<const std::string_view> pattern,
                         std::span<const std::string_view> path);

// One segment, byte by byte: "*" matches any run of bytes, "?" one byte,
// everything else itself. A pattern "*" facing a path "*" is matched as a
// literal first.
bool glob_segment_match(std::string_view pattern, std::string_view text);

}  // namespace kelp

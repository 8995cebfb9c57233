// The key under which MCP servers are compared: a server identifier turned
// into a lowercase ASCII slug.
#pragma once

#include <string>
#include <string_view>

namespace kelp {

// Trims, lowercases by the full Unicode mapping, keeps ASCII letters, digits,
// "_" and "-", turns every run of other characters into one "-", strips "-"
// at both ends; "mcp" when nothing is left. Never empty.
std::string slugify(std::string_view text);

}  // namespace kelp

// Looking up the names of the Unicode property table: the aliases of a
// row, and the row a loosely matched name stands for.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "regex/property_table.h"

namespace kelp::regex {

// The aliases of a row, as spelled.
std::span<const std::string_view> aliases(const UnicodeName& row);

// Where a loose name is looked up: property names, or the values of one
// valued property (script extensions share the script values).
enum class NameSpace : uint8_t {
  Property,
  GeneralCategory,
  Script,
  Age,
  GraphemeClusterBreak,
  WordBreak,
  SentenceBreak,
};

// The row named by `normalized` (already through the dialect's symbolic
// name normalization), or null.
const UnicodeName* find_unicode_name(NameSpace space, std::string_view normalized);

// The table's form of an alias: lowercased, without spaces, underscores or
// hyphens (no "is" prefix is dropped, since aliases such as ISO_Comment
// begin with one).
std::string table_key(std::string_view alias);

}  // namespace kelp::regex

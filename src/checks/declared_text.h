// "Declares a value": a JSON string whose text holds something besides
// whitespace. Many checks of the recipe read their fields this way.
#pragma once

#include <optional>
#include <string_view>

#include "json/value.h"

namespace kelp {

// The trimmed text (Unicode White_Space at both ends), or nullopt for a blank
// string or another type.
std::optional<std::string_view> declared_text(const JsonValue& value);

// The same for a member of an object; nullopt also when the member is absent.
std::optional<std::string_view> declared_member(const JsonValue& object, std::string_view key);

}  // namespace kelp

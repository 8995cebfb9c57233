// Reading YAML text under the one fixed set of read settings (one document,
// byte-order mark skipped, duplicate keys refused, merge keys, aliases and
// resource budgets) into a JsonValue.
#pragma once

#include <string>
#include <string_view>

#include "json/value.h"
#include "util/expected.h"

namespace kelp::yaml {

// The error is the full display text: message, " at line L, column C", then
// a plain-text excerpt of the source line with a caret.
Expected<JsonValue, std::string> read_json_value(std::string_view text);

}  // namespace kelp::yaml

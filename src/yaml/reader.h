// Reading YAML text under the one fixed set of read settings (one document,
// byte-order mark skipped, duplicate keys refused, merge keys, aliases and
// resource budgets) into a JsonValue.
#pragma once

#include <string_view>

#include "json/value.h"
#include "util/expected.h"
#include "yaml/read_error.h"

namespace kelp::yaml {

// The value, or the typed error that ended the read; its display() is the
// message, " at line L, column C", then a plain-text excerpt of the source
// line with a caret.
Expected<JsonValue, ReadError> read_json_value(std::string_view text);

}  // namespace kelp::yaml

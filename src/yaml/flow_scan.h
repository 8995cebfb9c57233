// A linear pre-scan of the flow collections in a YAML text. The parser
// tokenises a whole flow collection ahead before it hands out the first
// event of it, so deep or huge flow input would be materialised before any
// event-based budget could see it; this scan refuses it first.
#pragma once

#include <optional>
#include <string_view>

#include "yaml/error.h"
#include "yaml/options.h"

namespace kelp::yaml {

// Refuses flow nesting deeper than the depth budget, and more flow
// indicators ("[", "]", "{", "}", ",") than three per node of the node
// budget allows. It tracks quoted scalars, comments, block scalars and
// plain text well enough never to count more than the parser will see in
// ordinary documents; where it cannot tell, it counts less.
std::optional<YamlError> check_flow_budgets(std::string_view text, const YamlReadOptions& options);

}  // namespace kelp::yaml

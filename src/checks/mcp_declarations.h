// The kelp.mcp declarations: which MCP manifests the recipe ships and which
// servers and tools its agents may use. Reports only; the tool policy itself
// is built elsewhere from the same servers list.
#pragma once

#include <string_view>

#include "checks/context.h"
#include "json/value.h"

namespace kelp {

// Checks one manifest pattern: acceptable, and naming at least one path.
// Appends at most one diagnostic.
void check_mcp_manifests(CheckContext& context, std::string_view pattern);

// Checks the value of kelp.mcp: a manifest pattern, a list of them, or an
// object with manifest, manifests and servers.
void check_mcp_declarations(const JsonValue& mcp, CheckContext& context);

}  // namespace kelp

// The structure check of the optional local MCP configuration template
// .kelp/mcp.local.example.json. Reports warnings only.
#pragma once

#include <string_view>

#include "checks/context.h"

namespace kelp {

inline constexpr std::string_view kMcpLocalExamplePath = ".kelp/mcp.local.example.json";

// Reads the template from the context's files (when present) and appends a
// warning for every structural problem found.
void check_mcp_local_example(CheckContext& context);

}  // namespace kelp

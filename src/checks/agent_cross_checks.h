// The checks of the agent records across each other: repeated explicit
// names, aliases that clash with explicit names, broken or cyclic `from`
// chains, fields each agent must declare or inherit, and the MCP servers and
// tools each agent uses against the package's tool policy.
#pragma once

#include <optional>
#include <vector>

#include "checks/agent_files.h"
#include "checks/context.h"
#include "checks/tool_policy.h"

namespace kelp {

// `records` in file order; `policy` is the package's (none when it declares
// no MCP servers). Appends nothing when there are no records.
//
// Every `from` chain is resolved once for all agents, so the cost is linear
// in the number of agents plus the size of the effective MCP policies (each
// agent's servers, own and inherited) and of the diagnostics.
void run_agent_cross_checks(const std::vector<AgentRecord>& records,
                            const std::optional<McpToolPolicy>& policy, CheckContext& context);

}  // namespace kelp

// The package's MCP tool policy: per server slug, the tool selectors that
// kelp.mcp.servers[].tools declares to include and to exclude.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

#include "json/value.h"

namespace kelp {

// Byte-ordered, duplicate-free tool selectors ("*" stays an entry).
using ToolSelectorSet = std::set<std::string, std::less<>>;

struct McpServerPolicy {
  // Absent when the server declares no such list.
  std::optional<ToolSelectorSet> include, exclude;
};

// Server slug -> policy, in byte order of the slugs.
using McpToolPolicy = std::map<std::string, McpServerPolicy, std::less<>>;

// Reads the policy from the package's kelp value. None when kelp declares no
// kelp.mcp.servers array; present (possibly empty) when it does. Servers
// without a usable id are skipped; a later server whose id gives the same
// slug replaces the earlier one. Reports nothing.
std::optional<McpToolPolicy> build_mcp_tool_policy(const std::optional<JsonValue>& kelp);

}  // namespace kelp

#include "checks/tool_policy.h"

#include <string_view>

#include "checks/declared_text.h"
#include "checks/slugify.h"
#include "unicode/text.h"

namespace kelp {

namespace {

// The trimmed non-empty string items of a list; other items are ignored.
std::optional<ToolSelectorSet> selector_list(const JsonValue* list) {
  if (!list || !list->is_array()) return std::nullopt;
  ToolSelectorSet selectors;
  for (const auto& item : list->as_array()) {
    if (!item.is_string()) continue;
    auto trimmed = unicode::trim(item.as_string());
    if (!trimmed.empty()) selectors.emplace(trimmed);
  }
  return selectors;
}

}  // namespace

std::optional<McpToolPolicy> build_mcp_tool_policy(const std::optional<JsonValue>& kelp) {
  if (!kelp || !kelp->is_object() || kelp->as_object().empty()) return std::nullopt;
  const JsonValue* mcp = kelp->get("mcp");
  if (!mcp || !mcp->is_object()) return std::nullopt;
  const JsonValue* servers = mcp->get("servers");
  if (!servers || !servers->is_array()) return std::nullopt;

  McpToolPolicy policy;
  for (const auto& server : servers->as_array()) {
    if (!server.is_object()) continue;
    auto trimmed = declared_member(server, "id");
    if (!trimmed) continue;
    McpServerPolicy entry;
    if (const JsonValue* tools = server.get("tools"); tools && tools->is_object()) {
      entry.include = selector_list(tools->get("include"));
      entry.exclude = selector_list(tools->get("exclude"));
    }
    policy.insert_or_assign(slugify(*trimmed), std::move(entry));
  }
  return policy;
}

}  // namespace kelp

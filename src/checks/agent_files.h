// The agent YAML files of a recipe: each file checked on its own into an
// AgentRecord, then the records checked across each other.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checks/context.h"
#include "checks/tool_policy.h"
#include "json/value.h"

namespace kelp {

// The fields an agent may declare itself or inherit through `from`.
enum class AgentField : std::uint8_t {
  ModelName = 0,
  ModelThinkingLevel = 1,
  Tools = 2,
  Skills = 3,
  Subagents = 4,
  SystemInstructions = 5,
};
inline constexpr std::size_t kAgentFieldCount = 6;

// The set of declared fields, indexed by AgentField.
class DeclaredFields {
 public:
  void insert(AgentField field) { bits_.set(static_cast<std::size_t>(field)); }
  bool contains(AgentField field) const { return bits_.test(static_cast<std::size_t>(field)); }
  DeclaredFields& operator|=(const DeclaredFields& other) {
    bits_ |= other.bits_;
    return *this;
  }
  friend bool operator==(const DeclaredFields&, const DeclaredFields&) = default;

 private:
  std::bitset<kAgentFieldCount> bits_;
};

// What the cross-checks need of one agent file that holds a YAML mapping.
struct AgentRecord {
  // Server slug -> tool policy. Absent without an `mcp` key; present and
  // empty when `mcp` is not a mapping.
  std::optional<McpToolPolicy> mcp;
  // The explicit name when valid, else the alias.
  std::string name;
  // The file name without its extension.
  std::string alias;
  std::string path;
  // The trimmed `from` when it is a non-empty text.
  std::optional<std::string> from;
  DeclaredFields declared;
  bool explicit_name = false;
};

// The trimmed text of `object[key]` when it is a string with non-empty
// trimmed text.
std::optional<std::string> string_field(const JsonValue& object, std::string_view key);

// None when `value` is an array of strings with non-empty trimmed text; else
// the error text ("field must be an array of strings" or "item N must be a
// non-empty string" for the first bad item).
std::optional<std::string> string_list(const JsonValue& value);

// When `object[key]` is present: a valid string list declares `field`, any
// other value is reported as "agent.<key>_invalid".
void check_string_list_field(const JsonValue& object, std::string_view key, AgentField field,
                             std::string_view path, DeclaredFields& declared,
                             CheckContext& context);

// The alias of an agent file path: its last segment without the extension
// (a leading "." does not start one); "agent" for an empty segment.
std::string agent_alias(std::string_view path);

// Checks one agent file; returns its record when the file holds a mapping.
std::optional<AgentRecord> check_agent_file(std::string_view path, CheckContext& context);

// Checks every agent file in the order given, then the records across each
// other against the package's tool policy (none when the package declares
// no MCP servers).
void validate_agents(const std::vector<std::string>& paths, std::size_t count,
                     const std::optional<McpToolPolicy>& policy, CheckContext& context);

}  // namespace kelp

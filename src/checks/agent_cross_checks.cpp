#include "checks/agent_cross_checks.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace kelp {

namespace {

constexpr std::size_t kNoParent = SIZE_MAX;       // no `from`
constexpr std::size_t kMissingParent = SIZE_MAX - 1;  // `from` names no agent

// An effective MCP policy entry borrows the selector sets of the records that
// supplied them; inheritance then copies pointers, never selector texts.
struct EffectiveServer {
  const ToolSelectorSet* include = nullptr;
  const ToolSelectorSet* exclude = nullptr;
};
using EffectivePolicy = std::map<std::string_view, EffectiveServer>;

// An undeclared server (no tool) or an undeclared tool of a declared server.
struct McpFinding {
  std::string_view server;
  std::optional<std::string_view> tool;
};

enum class FromProblem : std::uint8_t { None, Missing, Cycle };

struct InheritedField {
  AgentField field;
  std::string_view name;
  Severity severity;
  std::optional<std::string_view> help;
};

constexpr InheritedField kInheritedFields[] = {
    {AgentField::ModelName, "model.name", Severity::Error,
     "set a model or inherit one from a base agent"},
    {AgentField::ModelThinkingLevel, "model.thinkingLevel", Severity::Warning,
     "omit this field to preserve the provider or session default"},
    {AgentField::Tools, "tools", Severity::Warning,
     "omit this field for no tools, or declare the intended tools"},
    {AgentField::SystemInstructions, "systemInstructions", Severity::Warning, std::nullopt},
};

// One distinct effective name and what its `from` chain gives it.
struct AgentNode {
  std::string_view name;
  const AgentRecord* record = nullptr;
  std::size_t parent = kNoParent;
  // Children on a `from` tail that still need this node's policy.
  std::size_t pending_children = 0;
  // Own and inherited fields.
  DeclaredFields declared;
  FromProblem problem = FromProblem::None;
  // The record on which the chain's problem was found.
  const AgentRecord* problem_record = nullptr;
  EffectivePolicy policy;
  std::vector<McpFinding> findings;
};

bool tool_allowed(const McpServerPolicy& package, std::string_view tool) {
  if (!package.include) return false;
  if (!package.include->contains("*") && !package.include->contains(tool)) return false;
  return !(package.exclude && package.exclude->contains(tool));
}

// The agents by distinct effective name (byte order), with every `from`
// chain resolved once.
//
// `from` links form a graph in which every agent has at most one parent: each
// component is a tree hanging off a root, a missing link or one cycle. Walking
// each agent's chain on its own would cost the chain's length per agent
// (quadratic for one long chain); instead every cycle is resolved as a whole,
// and every other agent from its parent's result. What a chain gives an agent
// is the same whether its parent is reached from it or walked on its own,
// because an agent off a cycle is never reached again from its parent.
class AgentGraph {
 public:
  AgentGraph(const std::vector<AgentRecord>& records,
             const std::optional<McpToolPolicy>& package);

  void report(CheckContext& context) const;

 private:
  std::string_view canonical_agent_name(std::string_view name) const;
  void resolve();
  void resolve_cycle(std::span<const std::size_t> cycle);
  void resolve_tail(std::size_t node);
  void collect_findings(AgentNode& node, const EffectivePolicy& policy) const;
  void release_policy(std::size_t node);

  const std::optional<McpToolPolicy>& package_;
  std::map<std::string_view, std::size_t, std::less<>> node_of_;
  std::map<std::string_view, std::string_view, std::less<>> aliases_;
  std::vector<AgentNode> nodes_;
};

// The record's own servers over `base`: a list the record declares replaces
// the inherited one, a list it leaves out keeps it.
void overlay(const AgentRecord& record, EffectivePolicy& base) {
  if (!record.mcp) return;
  for (const auto& [slug, server] : *record.mcp) {
    EffectiveServer& entry = base[slug];
    if (server.include) entry.include = &*server.include;
    if (server.exclude) entry.exclude = &*server.exclude;
  }
}

AgentGraph::AgentGraph(const std::vector<AgentRecord>& records,
                       const std::optional<McpToolPolicy>& package)
    : package_(package) {
  // A later record replaces an earlier one of the same name or alias.
  std::map<std::string_view, const AgentRecord*, std::less<>> by_name;
  for (const auto& record : records) {
    by_name.insert_or_assign(record.name, &record);
    aliases_.insert_or_assign(record.alias, record.name);
  }
  nodes_.reserve(by_name.size());
  for (const auto& [name, record] : by_name) {
    node_of_.emplace(name, nodes_.size());
    AgentNode node;
    node.name = name;
    node.record = record;
    node.declared = record->declared;
    nodes_.push_back(std::move(node));
  }
  for (auto& node : nodes_) {
    if (!node.record->from) continue;
    auto it = node_of_.find(canonical_agent_name(*node.record->from));
    node.parent = it == node_of_.end() ? kMissingParent : it->second;
    if (it != node_of_.end()) ++nodes_[it->second].pending_children;
  }
  resolve();
}

std::string_view AgentGraph::canonical_agent_name(std::string_view name) const {
  if (node_of_.count(name)) return name;
  if (auto it = aliases_.find(name); it != aliases_.end()) return it->second;
  return name;
}

void AgentGraph::resolve() {
  enum class State : std::uint8_t { Unseen, OnPath, Done };
  std::vector<State> state(nodes_.size(), State::Unseen);
  std::vector<std::size_t> position(nodes_.size(), 0);
  std::vector<std::size_t> path;
  auto is_node = [](std::size_t n) { return n != kNoParent && n != kMissingParent; };
  for (std::size_t start = 0; start < nodes_.size(); ++start) {
    if (state[start] != State::Unseen) continue;
    // Follow the chain up to its end, a resolved agent, or this walk's own path.
    path.clear();
    std::size_t current = start;
    while (is_node(current) && state[current] == State::Unseen) {
      state[current] = State::OnPath;
      position[current] = path.size();
      path.push_back(current);
      current = nodes_[current].parent;
    }
    std::size_t tail_end = path.size();
    if (is_node(current) && state[current] == State::OnPath) {
      tail_end = position[current];
      resolve_cycle(std::span(path).subspan(tail_end));
    }
    // Parents before children.
    for (std::size_t i = tail_end; i-- > 0;) resolve_tail(path[i]);
    for (auto n : path) state[n] = State::Done;
  }
}

// Every agent on a cycle walks the whole cycle: it inherits every field any
// member declares, its walk reports the member whose `from` leads back to
// it, and its policy folds the members' servers starting from the farthest.
void AgentGraph::resolve_cycle(std::span<const std::size_t> cycle) {
  const std::size_t k = cycle.size();
  DeclaredFields all;
  for (auto n : cycle) all |= nodes_[n].declared;
  for (std::size_t i = 0; i < k; ++i) {
    AgentNode& node = nodes_[cycle[i]];
    node.declared = all;
    node.problem = FromProblem::Cycle;
    node.problem_record = nodes_[cycle[(i + k - 1) % k]].record;
  }
  // Sweeping the cycle twice backwards leaves, at member j, each list as
  // given by the nearest member at or after j along the chain.
  EffectivePolicy sweep;
  for (std::size_t j = 2 * k; j-- > 0;) {
    overlay(*nodes_[cycle[j % k]].record, sweep);
    if (j >= k) continue;
    AgentNode& node = nodes_[cycle[j]];
    collect_findings(node, sweep);
    // The cycle member whose `from` leads here needs nothing more from it.
    --node.pending_children;
    if (node.pending_children > 0) node.policy = sweep;
  }
}

void AgentGraph::resolve_tail(std::size_t n) {
  AgentNode& node = nodes_[n];
  if (node.parent == kMissingParent) {
    node.problem = FromProblem::Missing;
    node.problem_record = node.record;
  } else if (node.parent != kNoParent) {
    AgentNode& parent = nodes_[node.parent];
    node.declared |= parent.declared;
    node.problem = parent.problem;
    node.problem_record = parent.problem_record;
    // The last child to need the parent's policy takes it over instead of
    // copying it, so a long single chain costs no copies at all.
    if (--parent.pending_children == 0)
      node.policy = std::move(parent.policy);
    else
      node.policy = parent.policy;
  }
  overlay(*node.record, node.policy);
  collect_findings(node, node.policy);
  if (node.pending_children == 0) node.policy.clear();
}

void AgentGraph::collect_findings(AgentNode& node, const EffectivePolicy& policy) const {
  for (const auto& [slug, entry] : policy) {
    const McpServerPolicy* declared = nullptr;
    if (package_) {
      if (auto it = package_->find(slug); it != package_->end()) declared = &it->second;
    }
    if (!declared) {
      node.findings.push_back({slug, std::nullopt});
      continue;
    }
    if (!entry.include) continue;
    for (const auto& tool : *entry.include) {
      if (tool == "*" || tool_allowed(*declared, tool)) continue;
      node.findings.push_back({slug, std::string_view(tool)});
    }
  }
}

void AgentGraph::report(CheckContext& context) const {
  auto& diags = context.diagnostics;
  for (const auto& node : nodes_) {
    const std::string name(node.name);
    if (node.problem == FromProblem::Missing) {
      const AgentRecord& r = *node.problem_record;
      push_diagnostic_owned_message(
          diags, Severity::Error, "agent.from_missing", r.path, std::nullopt,
          "Recipe agent '" + r.name + "' inherits from missing agent '" + *r.from + "'",
          "update from to reference an existing agent");
    } else if (node.problem == FromProblem::Cycle) {
      const AgentRecord& r = *node.problem_record;
      push_diagnostic_owned_message(diags, Severity::Error, "agent.from_cycle", r.path,
                                    std::nullopt,
                                    "Recipe agent '" + r.name + "' has cyclic from chain",
                                    "remove the inheritance cycle");
    }
    for (const auto& field : kInheritedFields) {
      if (node.declared.contains(field.field)) continue;
      std::string code = "agent." + std::string(field.name) + "_missing";
      push_diagnostic_owned_code_message(
          diags, field.severity, std::move(code), node.record->path, std::nullopt,
          "Recipe agent '" + name + "' must declare " + std::string(field.name) +
              " directly or inherit it with from",
          field.help);
    }
    for (const auto& finding : node.findings) {
      const std::string server(finding.server);
      if (!finding.tool) {
        push_diagnostic_owned_message(
            diags, Severity::Error, "agent.mcp_server_undeclared", node.record->path,
            std::nullopt,
            "Recipe agent '" + name + "' references undeclared MCP server '" + server + "'",
            "add the server to package.json#kelp.mcp.servers or remove it from the agent");
      } else {
        push_diagnostic_owned_message(
            diags, Severity::Error, "agent.mcp_tool_undeclared", node.record->path,
            std::nullopt,
            "Recipe agent '" + name + "' MCP tool '" + server + "/" + std::string(*finding.tool) +
                "' is not included by the package policy",
            "include the tool in the package MCP policy or update the agent");
      }
    }
  }
}

void report_duplicate_names(const std::vector<AgentRecord>& records, CheckContext& context,
                            std::set<std::string_view, std::less<>>& explicit_names) {
  std::map<std::string_view, std::size_t, std::less<>> counts;
  for (const auto& record : records) {
    if (!record.explicit_name) continue;
    explicit_names.insert(record.name);
    ++counts[record.name];
  }
  // Byte order of the names.
  for (const auto& [name, count] : counts) {
    if (count < 2) continue;
    push_diagnostic_owned_message(
        context.diagnostics, Severity::Error, "agent.name_duplicate", "agents", std::nullopt,
        "Recipe agent name '" + std::string(name) + "' is declared by multiple files",
        "choose unique agent names");
  }
}

}  // namespace

void run_agent_cross_checks(const std::vector<AgentRecord>& records,
                            const std::optional<McpToolPolicy>& policy, CheckContext& context) {
  if (records.empty()) return;
  std::set<std::string_view, std::less<>> explicit_names;
  report_duplicate_names(records, context, explicit_names);
  for (const auto& record : records) {
    if (record.alias == record.name || !explicit_names.count(record.alias)) continue;
    push_diagnostic_owned_message(
        context.diagnostics, Severity::Error, "agent.name_alias_conflict", record.path,
        std::nullopt,
        "Recipe agent file alias '" + record.alias + "' conflicts with an explicit agent name",
        "rename the file or choose a non-conflicting agent name");
  }
  AgentGraph(records, policy).report(context);
}

}  // namespace kelp

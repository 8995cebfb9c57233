// Times the agent cross checks on long `from` chains: a chain of inherited
// fields, the same chain closed into a cycle, and the chain broken near its
// root, with MCP policies on every other agent.
//
//   agent_chains_bench [agents]     20000 agents unless told
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "checks/agent_cross_checks.h"

namespace {

using namespace kelp;

AgentRecord link(int i, int agents) {
  AgentRecord r;
  r.path = "a" + std::to_string(i) + ".yaml";
  r.alias = agent_alias(r.path);
  r.name = r.alias;
  if (i + 1 < agents) r.from = "a" + std::to_string(i + 1);
  if (i + 1 == agents) {
    // Only the root declares the fields; every other agent inherits them.
    for (auto f : {AgentField::ModelName, AgentField::ModelThinkingLevel, AgentField::Tools,
                   AgentField::SystemInstructions})
      r.declared.insert(f);
  }
  if (i % 2) r.mcp = McpToolPolicy{{"gh", {ToolSelectorSet{"t" + std::to_string(i % 7)}, std::nullopt}}};
  return r;
}

void time_shape(const char* name, const std::vector<AgentRecord>& records, const McpToolPolicy& package) {
  double best_ms = 1e300;
  std::size_t diagnostics = 0;
  for (int round = 0; round < 3; ++round) {
    auto start = std::chrono::steady_clock::now();
    CheckContext context;
    run_agent_cross_checks(records, package, context);
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    diagnostics = context.diagnostics.size();
    if (ms < best_ms) best_ms = ms;
  }
  std::printf("%-8s %7zu agents  %9.2f ms  %zu diagnostics\n", name, records.size(), best_ms, diagnostics);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  int agents = argc > 1 ? std::atoi(argv[1]) : 20000;
  if (agents < 1) agents = 1;
  McpToolPolicy package{{"gh", {ToolSelectorSet{"*"}, std::nullopt}}};
  std::vector<AgentRecord> chain;
  for (int i = 0; i < agents; ++i) chain.push_back(link(i, agents));
  std::vector<AgentRecord> cycle = chain;
  cycle.back().from = "a0";
  std::vector<AgentRecord> broken = chain;
  broken.back().from = "nowhere";
  time_shape("chain", chain, package);
  time_shape("cycle", cycle, package);
  time_shape("broken", broken, package);
  return 0;
}

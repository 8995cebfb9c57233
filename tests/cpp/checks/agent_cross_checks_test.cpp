#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "checks/agent_cross_checks.h"

using namespace kelp;

namespace {

using Set = ToolSelectorSet;

DeclaredFields all_fields() {
  DeclaredFields d;
  for (auto f : {AgentField::ModelName, AgentField::ModelThinkingLevel, AgentField::Tools,
                 AgentField::SystemInstructions})
    d.insert(f);
  return d;
}

// A record that declares every reported field unless told otherwise.
AgentRecord agent(std::string path, std::string name = "", std::string from = "") {
  AgentRecord r;
  r.path = std::move(path);
  r.alias = agent_alias(r.path);
  r.explicit_name = !name.empty();
  r.name = r.explicit_name ? std::move(name) : r.alias;
  if (!from.empty()) r.from = std::move(from);
  r.declared = all_fields();
  return r;
}

AgentRecord bare(AgentRecord r) {
  r.declared = {};
  return r;
}

AgentRecord with_mcp(AgentRecord r, McpToolPolicy mcp) {
  r.mcp = std::move(mcp);
  return r;
}

McpServerPolicy include(Set s) { return {std::move(s), std::nullopt}; }

std::vector<std::string> run(const std::vector<AgentRecord>& records,
                             const std::optional<McpToolPolicy>& policy = std::nullopt) {
  CheckContext context;
  run_agent_cross_checks(records, policy, context);
  std::vector<std::string> out;
  for (const auto& d : context.diagnostics)
    out.push_back(std::string(d.severity == Severity::Error ? "E " : "W ") + d.code + " " +
                  d.path + ": " + d.message);
  return out;
}

using Lines = std::vector<std::string>;

TEST(AgentCrossChecks, NothingWithoutRecords) { EXPECT_TRUE(run({}).empty()); }

TEST(AgentCrossChecks, DuplicateNamesAreReportedOnceEachInByteOrderAndTheLastFileWins) {
  auto lines = run({agent("agents/a.yaml", "planner"), agent("agents/b.yaml", "planner"),
                    agent("agents/c.yaml", "planner", "ghost"), agent("agents/d.yaml", "Zed"),
                    agent("agents/e.yaml", "Zed")});
  EXPECT_EQ(lines, (Lines{
                       "E agent.name_duplicate agents: Recipe agent name 'Zed' is declared by "
                       "multiple files",
                       "E agent.name_duplicate agents: Recipe agent name 'planner' is declared "
                       "by multiple files",
                       "E agent.from_missing agents/c.yaml: Recipe agent 'planner' inherits "
                       "from missing agent 'ghost'",
                   }));
}

TEST(AgentCrossChecks, AliasConflictsOnlyForExplicitNamesThatDifferFromTheAlias) {
  EXPECT_TRUE(run({agent("agents/a.yaml", "b"), agent("agents/b.yaml")}).empty());
  EXPECT_EQ(run({agent("agents/a.yaml", "b"), agent("agents/c.yaml", "a")}),
            (Lines{"E agent.name_alias_conflict agents/a.yaml: Recipe agent file alias 'a' "
                   "conflicts with an explicit agent name"}));
  // A file named after its own explicit name is no conflict, even when
  // another file declares the same name (that is a duplicate).
  EXPECT_EQ(run({agent("x/a.yaml", "a"), agent("y/a.yaml", "a")}),
            (Lines{"E agent.name_duplicate agents: Recipe agent name 'a' is declared by "
                   "multiple files"}));
}

TEST(AgentCrossChecks, FromResolvesByNameThenByAlias) {
  // x.yaml is named base; "x" reaches it through its alias.
  EXPECT_TRUE(run({agent("agents/x.yaml", "base"), bare(agent("agents/y.yaml", "", "x"))}).empty());
  // A name wins over an alias: "x" names the agent in z.yaml.
  auto lines = run({agent("agents/x.yaml", "base"), bare(agent("agents/y.yaml", "", "x")),
                    bare(agent("agents/z.yaml", "x"))});
  // x.yaml's alias clashes with the name x, then four missing fields for x
  // and four for y.
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[0], "E agent.name_alias_conflict agents/x.yaml: Recipe agent file alias 'x' "
                      "conflicts with an explicit agent name");
}

TEST(AgentCrossChecks, FromProblems) {
  EXPECT_EQ(run({agent("agents/self.yaml", "", "self")}),
            (Lines{"E agent.from_cycle agents/self.yaml: Recipe agent 'self' has cyclic from "
                   "chain"}));
  EXPECT_EQ(run({agent("a.yaml", "", "b"), agent("b.yaml", "", "a")}),
            (Lines{"E agent.from_cycle b.yaml: Recipe agent 'b' has cyclic from chain",
                   "E agent.from_cycle a.yaml: Recipe agent 'a' has cyclic from chain"}));
  EXPECT_EQ(run({agent("c.yaml", "", "missing"), agent("d.yaml", "", "c")}),
            (Lines{"E agent.from_missing c.yaml: Recipe agent 'c' inherits from missing agent "
                   "'missing'",
                   "E agent.from_missing c.yaml: Recipe agent 'c' inherits from missing agent "
                   "'missing'"}));
  // Each walk reports the member whose from leads back into what it has
  // visited: a tail leading into the cycle at x, like x itself, reports z.
  EXPECT_EQ(run({agent("t.yaml", "", "x"), agent("x.yaml", "", "y"), agent("y.yaml", "", "z"),
                 agent("z.yaml", "", "x")}),
            (Lines{"E agent.from_cycle z.yaml: Recipe agent 'z' has cyclic from chain",
                   "E agent.from_cycle z.yaml: Recipe agent 'z' has cyclic from chain",
                   "E agent.from_cycle x.yaml: Recipe agent 'x' has cyclic from chain",
                   "E agent.from_cycle y.yaml: Recipe agent 'y' has cyclic from chain"}));
}

TEST(AgentCrossChecks, MissingFieldsWithSeverityAndHelp) {
  CheckContext context;
  run_agent_cross_checks({bare(agent("agents/solo.yaml"))}, std::nullopt, context);
  const auto& d = context.diagnostics;
  ASSERT_EQ(d.size(), 4u);
  const char* fields[] = {"model.name", "model.thinkingLevel", "tools", "systemInstructions"};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(d[i].code, "agent." + std::string(fields[i]) + "_missing");
    EXPECT_EQ(d[i].message, "Recipe agent 'solo' must declare " + std::string(fields[i]) +
                                " directly or inherit it with from");
    EXPECT_EQ(d[i].path, "agents/solo.yaml");
    EXPECT_EQ(d[i].severity, i == 0 ? Severity::Error : Severity::Warning);
  }
  EXPECT_EQ(d[0].help, "set a model or inherit one from a base agent");
  EXPECT_EQ(d[1].help, "omit this field to preserve the provider or session default");
  EXPECT_EQ(d[2].help, "omit this field for no tools, or declare the intended tools");
  EXPECT_FALSE(d[3].help.has_value());
}

TEST(AgentCrossChecks, FieldsAreInheritedAlongTheChainButNotAcrossABreak) {
  AgentRecord base = bare(agent("base.yaml"));
  base.declared.insert(AgentField::ModelName);
  AgentRecord mid = bare(agent("mid.yaml", "", "base"));
  mid.declared.insert(AgentField::Tools);
  AgentRecord leaf = bare(agent("leaf.yaml", "", "mid"));
  leaf.declared.insert(AgentField::ModelThinkingLevel);
  leaf.declared.insert(AgentField::SystemInstructions);
  auto lines = run({base, mid, leaf});
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const auto& l) { return l.find("leaf.yaml") != std::string::npos; }),
            0);
  // A cycle member inherits what any member declares.
  AgentRecord a = bare(agent("a.yaml", "", "b"));
  AgentRecord b = agent("b.yaml", "", "a");
  EXPECT_EQ(run({a, b}).size(), 2u);  // the two cycle reports only
  // Past a missing link nothing is inherited.
  EXPECT_EQ(run({bare(agent("c.yaml", "", "gone"))}).size(), 5u);
}

TEST(AgentCrossChecks, McpAgainstThePackagePolicy) {
  McpToolPolicy package{{"github", include({"issues"})}};
  EXPECT_TRUE(run({with_mcp(agent("a.yaml"), {{"github", include({"*"})}})}, package).empty());
  EXPECT_TRUE(run({with_mcp(agent("a.yaml"), {{"github", include({"issues"})}})}, package).empty());
  // A server without an include list uses no tool that needs checking.
  EXPECT_TRUE(run({with_mcp(agent("a.yaml"), {{"github", {}}})}, package).empty());

  McpToolPolicy excluding{{"github", {Set{"*"}, Set{"issues"}}}};
  EXPECT_EQ(run({with_mcp(agent("a.yaml"), {{"github", include({"issues", "pulls"})}})},
                excluding),
            (Lines{"E agent.mcp_tool_undeclared a.yaml: Recipe agent 'a' MCP tool "
                   "'github/issues' is not included by the package policy"}));

  // A package server without an include list allows no tool.
  McpToolPolicy no_include{{"github", {}}};
  EXPECT_EQ(run({with_mcp(agent("a.yaml"), {{"github", include({"b", "a", "*"})}})}, no_include),
            (Lines{"E agent.mcp_tool_undeclared a.yaml: Recipe agent 'a' MCP tool 'github/a' "
                   "is not included by the package policy",
                   "E agent.mcp_tool_undeclared a.yaml: Recipe agent 'a' MCP tool 'github/b' "
                   "is not included by the package policy"}));

  // Without a package policy every server is undeclared and no tool is checked.
  EXPECT_EQ(run({with_mcp(agent("a.yaml"), {{"zz", include({"x"})}, {"docs", {}}})}),
            (Lines{"E agent.mcp_server_undeclared a.yaml: Recipe agent 'a' references "
                   "undeclared MCP server 'docs'",
                   "E agent.mcp_server_undeclared a.yaml: Recipe agent 'a' references "
                   "undeclared MCP server 'zz'"}));
  EXPECT_EQ(run({with_mcp(agent("a.yaml"), {{"docs", {}}})}, McpToolPolicy{}).size(), 1u);
}

TEST(AgentCrossChecks, McpListsAreInheritedPerListAndOverriddenByTheAgent) {
  McpToolPolicy package{{"gh", {Set{"ok"}, std::nullopt}}, {"docs", {Set{"*"}, std::nullopt}}};
  AgentRecord base = with_mcp(agent("base.yaml"), {{"gh", include({"bad1"})}});
  // Declares gh without an include: the base's include applies.
  AgentRecord keeps = with_mcp(agent("keeps.yaml", "", "base"), {{"gh", {std::nullopt, Set{}}}});
  // Its own include replaces the base's.
  AgentRecord replaces = with_mcp(agent("replaces.yaml", "", "base"), {{"gh", include({"bad2"})}});
  // No mcp at all: the inherited policy as it is; an empty mcp changes nothing.
  AgentRecord plain = agent("plain.yaml", "", "base");
  AgentRecord empty = with_mcp(agent("empty.yaml", "", "base"), {});
  AgentRecord adds = with_mcp(agent("adds.yaml", "", "plain"), {{"docs", include({"x"})}});
  auto lines = run({base, keeps, replaces, plain, empty, adds}, package);
  auto tool = [](const char* agent, const char* t) {
    return std::string("E agent.mcp_tool_undeclared ") + agent + ".yaml: Recipe agent '" + agent +
           "' MCP tool 'gh/" + t + "' is not included by the package policy";
  };
  EXPECT_EQ(lines, (Lines{tool("adds", "bad1"), tool("base", "bad1"), tool("empty", "bad1"),
                          tool("keeps", "bad1"), tool("plain", "bad1"), tool("replaces", "bad2")}));
}

TEST(AgentCrossChecks, CycleMembersFoldTheWholeCycleFromTheirOwnPlace) {
  McpToolPolicy package{{"gh", {Set{}, std::nullopt}}};
  AgentRecord a = with_mcp(agent("a.yaml", "", "b"), {{"gh", include({"from-a"})}});
  AgentRecord b = with_mcp(agent("b.yaml", "", "c"), {{"only-b", {}}});
  AgentRecord c = with_mcp(agent("c.yaml", "", "a"), {{"gh", include({"from-c"})}});
  AgentRecord tail = agent("d.yaml", "", "b");
  auto lines = run({a, b, c, tail}, package);
  EXPECT_EQ(lines,
            (Lines{
                "E agent.from_cycle c.yaml: Recipe agent 'c' has cyclic from chain",
                "E agent.mcp_tool_undeclared a.yaml: Recipe agent 'a' MCP tool 'gh/from-a' is "
                "not included by the package policy",
                "E agent.mcp_server_undeclared a.yaml: Recipe agent 'a' references undeclared "
                "MCP server 'only-b'",
                "E agent.from_cycle a.yaml: Recipe agent 'a' has cyclic from chain",
                // b's walk reaches c before a.
                "E agent.mcp_tool_undeclared b.yaml: Recipe agent 'b' MCP tool 'gh/from-c' is "
                "not included by the package policy",
                "E agent.mcp_server_undeclared b.yaml: Recipe agent 'b' references undeclared "
                "MCP server 'only-b'",
                "E agent.from_cycle b.yaml: Recipe agent 'b' has cyclic from chain",
                "E agent.mcp_tool_undeclared c.yaml: Recipe agent 'c' MCP tool 'gh/from-c' is "
                "not included by the package policy",
                "E agent.mcp_server_undeclared c.yaml: Recipe agent 'c' references undeclared "
                "MCP server 'only-b'",
                "E agent.from_cycle a.yaml: Recipe agent 'a' has cyclic from chain",
                "E agent.mcp_tool_undeclared d.yaml: Recipe agent 'd' MCP tool 'gh/from-c' is "
                "not included by the package policy",
                "E agent.mcp_server_undeclared d.yaml: Recipe agent 'd' references undeclared "
                "MCP server 'only-b'",
            }));
}

TEST(AgentCrossChecks, SeveralChildrenShareTheirParentsPolicy) {
  McpToolPolicy package{{"gh", {Set{}, std::nullopt}}};
  std::vector<AgentRecord> records{with_mcp(agent("base.yaml"), {{"gh", include({"t"})}})};
  for (int i = 0; i < 5; ++i) records.push_back(agent("c" + std::to_string(i) + ".yaml", "", "base"));
  for (int i = 0; i < 3; ++i) records.push_back(agent("g" + std::to_string(i) + ".yaml", "", "c0"));
  EXPECT_EQ(run(records, package).size(), 9u);
}

// The walks exactly as a reader of the rules would write them: each name on
// its own, with visited lists. Quadratic, fine for small random graphs.
struct Reference {
  std::map<std::string, const AgentRecord*> agents;
  std::map<std::string, std::string> aliases;

  std::string canonical(const std::string& n) const {
    if (agents.count(n)) return n;
    if (auto it = aliases.find(n); it != aliases.end()) return it->second;
    return n;
  }
  bool declares(std::string n, AgentField f, std::vector<std::string> visited) const {
    for (;;) {
      n = canonical(n);
      if (std::find(visited.begin(), visited.end(), n) != visited.end() || !agents.count(n))
        return false;
      const AgentRecord* r = agents.at(n);
      if (r->declared.contains(f)) return true;
      if (!r->from) return false;
      visited.push_back(n);
      n = *r->from;
    }
  }
  std::optional<McpToolPolicy> policy(const std::string& name,
                                      std::vector<std::string>& visited) const {
    const std::string n = canonical(name);
    if (std::find(visited.begin(), visited.end(), n) != visited.end() || !agents.count(n))
      return std::nullopt;
    const AgentRecord* r = agents.at(n);
    visited.push_back(n);
    McpToolPolicy base;
    if (r->from)
      if (auto p = policy(*r->from, visited)) base = std::move(*p);
    visited.pop_back();
    if (!r->mcp) return base.empty() ? std::nullopt : std::optional(base);
    for (const auto& [slug, own] : *r->mcp) {
      McpServerPolicy e;
      auto it = base.find(slug);
      e.include = own.include ? own.include : it != base.end() ? it->second.include : std::nullopt;
      e.exclude = own.exclude ? own.exclude : it != base.end() ? it->second.exclude : std::nullopt;
      base.insert_or_assign(slug, e);
    }
    return base;
  }
};

std::vector<std::string> reference_run(const std::vector<AgentRecord>& records,
                                       const std::optional<McpToolPolicy>& package) {
  Reference ref;
  for (const auto& r : records) {
    ref.agents[r.name] = &r;
    ref.aliases[r.alias] = r.name;
  }
  std::vector<std::string> out;
  auto line = [&](const char* code, const std::string& path, const std::string& message) {
    out.push_back(std::string(code) + " " + path + ": " + message);
  };
  for (const auto& [n, rec] : ref.agents) {
    std::string current = n;
    const AgentRecord* r = rec;
    std::vector<std::string> visited;
    while (r->from) {
      std::string p = ref.canonical(*r->from);
      if (p == current || std::find(visited.begin(), visited.end(), p) != visited.end()) {
        line("agent.from_cycle", r->path, "cycle " + r->name);
        break;
      }
      if (!ref.agents.count(p)) {
        line("agent.from_missing", r->path, "missing " + r->name + " " + *r->from);
        break;
      }
      visited.push_back(current);
      current = p;
      r = ref.agents.at(p);
    }
    for (auto f : {AgentField::ModelName, AgentField::ModelThinkingLevel, AgentField::Tools,
                   AgentField::SystemInstructions})
      if (!ref.declares(n, f, {}))
        line("agent.field_missing", rec->path, n + " " + std::to_string(int(f)));
    std::vector<std::string> v;
    auto policy = ref.policy(n, v);
    if (!policy) continue;
    for (const auto& [slug, entry] : *policy) {
      if (!package || !package->count(slug)) {
        line("agent.mcp_server_undeclared", rec->path, n + " " + slug);
        continue;
      }
      const auto& pe = package->at(slug);
      if (!entry.include) continue;
      for (const auto& t : *entry.include) {
        if (t == "*") continue;
        bool ok = pe.include && (pe.include->count("*") || pe.include->count(t)) &&
                  !(pe.exclude && pe.exclude->count(t));
        if (!ok) line("agent.mcp_tool_undeclared", rec->path, n + " " + slug + "/" + t);
      }
    }
  }
  return out;
}

// The production messages reduced to the reference's short form.
std::vector<std::string> short_run(const std::vector<AgentRecord>& records,
                                   const std::optional<McpToolPolicy>& package) {
  CheckContext context;
  run_agent_cross_checks(records, package, context);
  std::vector<std::string> out;
  auto quoted = [](const std::string& m, int index) {
    std::size_t pos = 0;
    for (int i = 0; i < index; ++i) pos = m.find('\'', m.find('\'', pos) + 1) + 1;
    auto open = m.find('\'', pos);
    return m.substr(open + 1, m.find('\'', open + 1) - open - 1);
  };
  for (const auto& d : context.diagnostics) {
    if (d.code == "agent.name_duplicate" || d.code == "agent.name_alias_conflict") continue;
    std::string code = d.code, message;
    if (code == "agent.from_cycle") {
      message = "cycle " + quoted(d.message, 0);
    } else if (code == "agent.from_missing") {
      message = "missing " + quoted(d.message, 0) + " " + quoted(d.message, 1);
    } else if (code == "agent.mcp_server_undeclared" || code == "agent.mcp_tool_undeclared") {
      message = quoted(d.message, 0) + " " + quoted(d.message, 1);
    } else {
      const char* names[] = {"model.name", "model.thinkingLevel", "tools", "", "",
                             "systemInstructions"};
      int f = 0;
      while (code != "agent." + std::string(names[f]) + "_missing") ++f;
      code = "agent.field_missing";
      message = quoted(d.message, 0) + " " + std::to_string(f);
    }
    out.push_back(code + " " + d.path + ": " + message);
  }
  return out;
}

TEST(AgentCrossChecks, AgreesWithPlainWalksOnRandomGraphs) {
  std::mt19937 rng(12345);
  const std::vector<std::string> slugs{"gh", "docs", "db"};
  const std::vector<std::string> tools{"*", "read", "write"};
  McpToolPolicy package{{"gh", {Set{"read"}, Set{"write"}}}, {"docs", {Set{"*"}, std::nullopt}}};
  for (int round = 0; round < 400; ++round) {
    const int n = 1 + static_cast<int>(rng() % 9);
    std::vector<AgentRecord> records;
    for (int i = 0; i < n; ++i) {
      std::string explicit_name = rng() % 3 == 0 ? "n" + std::to_string(rng() % 5) : "";
      std::string from;
      switch (rng() % 4) {
        case 0: break;
        case 1: from = "f" + std::to_string(rng() % 9); break;  // file alias
        default: from = "n" + std::to_string(rng() % 6); break;
      }
      AgentRecord r = agent("f" + std::to_string(i) + ".yaml", explicit_name, from);
      r.declared = {};
      for (auto f : {AgentField::ModelName, AgentField::ModelThinkingLevel, AgentField::Tools,
                     AgentField::SystemInstructions})
        if (rng() % 3 == 0) r.declared.insert(f);
      if (rng() % 3) {
        McpToolPolicy mcp;
        for (const auto& s : slugs) {
          if (rng() % 2) continue;
          McpServerPolicy e;
          if (rng() % 2) {
            e.include.emplace();
            for (const auto& t : tools)
              if (rng() % 2) e.include->insert(t);
          }
          if (rng() % 3 == 0) e.exclude = Set{"read"};
          mcp.emplace(s, e);
        }
        r.mcp = std::move(mcp);
      }
      records.push_back(std::move(r));
    }
    auto with_policy = round % 2 ? std::optional(package) : std::nullopt;
    ASSERT_EQ(short_run(records, with_policy), reference_run(records, with_policy))
        << "round " << round;
  }
}

std::size_t diagnostics_for(const std::vector<AgentRecord>& records, const McpToolPolicy& package) {
  CheckContext context;
  run_agent_cross_checks(records, package, context);
  return context.diagnostics.size();
}

// bench/agent_chains_bench times these shapes.
TEST(AgentCrossChecks, LongChainsAndCycles) {
  constexpr int kAgents = 20000;
  McpToolPolicy package{{"gh", {Set{"*"}, std::nullopt}}};
  std::vector<AgentRecord> chain, cycle;
  for (int i = 0; i < kAgents; ++i) {
    // Each agent inherits from the next; only the root declares the fields.
    AgentRecord r = bare(agent("a" + std::to_string(i) + ".yaml", "",
                               i + 1 < kAgents ? "a" + std::to_string(i + 1) : ""));
    if (i + 1 == kAgents) r.declared = all_fields();
    if (i % 2) r.mcp = McpToolPolicy{{"gh", include({"t" + std::to_string(i % 7)})}};
    chain.push_back(r);
    if (i + 1 == kAgents) r.from = "a0";
    cycle.push_back(std::move(r));
  }
  EXPECT_EQ(diagnostics_for(chain, package), 0u);
  EXPECT_EQ(diagnostics_for(cycle, package), static_cast<std::size_t>(kAgents));  // one cycle report each
  // A broken link near the root is reported once for every agent above it.
  chain.back().from = "nowhere";
  EXPECT_EQ(diagnostics_for(chain, package), static_cast<std::size_t>(kAgents));
}

}  // namespace

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checks/agent_files.h"
#include "common/case_name.h"
#include "json/reader.h"

using namespace kelp;

namespace {

using Lines = std::vector<std::string>;
using Set = ToolSelectorSet;

JsonValue json(std::string_view text) {
  auto parsed = json::parse_value(text);
  EXPECT_TRUE(parsed.has_value()) << text;
  return parsed ? std::move(*parsed) : JsonValue();
}

std::string line(const Diagnostic& d) {
  std::string out = std::string(d.severity == Severity::Error ? "E " : "W ") + d.code + " " +
                    d.path + ": " + d.message;
  if (d.help) out += " | " + *d.help;
  return out;
}

Lines lines(const DiagnosticList& diags) {
  Lines out;
  for (const auto& d : diags) out.push_back(line(d));
  return out;
}

struct Checked {
  std::optional<AgentRecord> record;
  Lines lines;
};

Checked check_one(const std::string& yaml, const std::string& path = "agents/coder.yaml") {
  CheckContext context;
  context.files.emplace(path, yaml);
  Checked out;
  out.record = check_agent_file(path, context);
  out.lines = lines(context.diagnostics);
  return out;
}

// ---- Field helpers, without YAML ----------------------------------------

TEST(AgentFields, StringFieldTakesTrimmedNonEmptyText) {
  const JsonValue doc = json(R"({"a": "  x ", "b": "  ", "c": 5, "d": ["x"], "e": ""})");
  EXPECT_EQ(string_field(doc, "a"), "x");
  for (const char* key : {"b", "c", "d", "e", "missing"})
    EXPECT_FALSE(string_field(doc, key).has_value()) << key;
}

struct ListCase {
  const char* json;
  std::optional<std::string> error;
};

void PrintTo(const ListCase& c, std::ostream* os) { *os << c.json; }

class StringList : public ::testing::TestWithParam<ListCase> {};

TEST_P(StringList, AcceptsOnlyNonEmptyStrings) {
  EXPECT_EQ(string_list(json(GetParam().json)), GetParam().error) << GetParam().json;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StringList,
    ::testing::Values(ListCase{"[]", std::nullopt}, ListCase{R"([" a ", "b"])", std::nullopt},
                      ListCase{R"("a")", "field must be an array of strings"},
                      ListCase{"{}", "field must be an array of strings"},
                      ListCase{"null", "field must be an array of strings"},
                      ListCase{R"([""])", "item 0 must be a non-empty string"},
                      ListCase{R"(["a", 1, " "])", "item 1 must be a non-empty string"},
                      ListCase{R"(["a", "b", "\u2003"])", "item 2 must be a non-empty string"}),
    KELP_CASE_NAMES(p.json));

TEST(AgentFields, StringListFieldDeclaresOrReports) {
  const JsonValue doc = json(R"({"tools": [], "skills": [""], "subagents": "x"})");
  CheckContext context;
  DeclaredFields declared;
  check_string_list_field(doc, "tools", AgentField::Tools, "a.yaml", declared, context);
  check_string_list_field(doc, "skills", AgentField::Skills, "a.yaml", declared, context);
  check_string_list_field(doc, "subagents", AgentField::Subagents, "a.yaml", declared, context);
  check_string_list_field(doc, "absent", AgentField::Tools, "a.yaml", declared, context);
  EXPECT_TRUE(declared.contains(AgentField::Tools));
  EXPECT_FALSE(declared.contains(AgentField::Skills));
  EXPECT_FALSE(declared.contains(AgentField::Subagents));
  EXPECT_EQ(lines(context.diagnostics),
            (Lines{"E agent.skills_invalid a.yaml: item 0 must be a non-empty string | use a "
                   "list containing only non-empty strings",
                   "E agent.subagents_invalid a.yaml: field must be an array of strings | use "
                   "a list containing only non-empty strings"}));
}

struct AliasCase {
  const char* path;
  const char* alias;
};

void PrintTo(const AliasCase& c, std::ostream* os) { *os << c.path; }

class Alias : public ::testing::TestWithParam<AliasCase> {};

TEST_P(Alias, IsTheFileNameWithoutExtension) {
  EXPECT_EQ(agent_alias(GetParam().path), GetParam().alias);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Alias,
    ::testing::Values(AliasCase{"agents/coder.yaml", "coder"}, AliasCase{"agents/.hidden", ".hidden"},
                      AliasCase{"agents/a.b.yaml", "a.b"}, AliasCase{"coder.yml", "coder"},
                      AliasCase{"agents/.x.yaml", ".x"}, AliasCase{"agents/..yaml", "."},
                      AliasCase{"plain", "plain"}, AliasCase{"a.dir/plain", "plain"},
                      AliasCase{"agents/", "agent"}, AliasCase{"", "agent"}),
    KELP_CASE_NAMES(p.path));

// ---- One file ------------------------------------------------------------

TEST(AgentFile, UnreadableWhenAbsentOrWithoutContent) {
  CheckContext context;
  context.files.emplace("agents/none.yaml", std::nullopt);
  context.directories.insert("agents/dir.yaml");
  EXPECT_FALSE(check_agent_file("agents/none.yaml", context).has_value());
  EXPECT_FALSE(check_agent_file("agents/dir.yaml", context).has_value());
  ASSERT_EQ(context.diagnostics.size(), 2u);
  for (const auto& d : context.diagnostics) {
    EXPECT_EQ(d.code, "agent.unreadable");
    EXPECT_EQ(d.message, "Agent YAML content was not provided");
    EXPECT_EQ(d.help, "supply agent YAML content to the validator");
  }
}

TEST(AgentFile, MalformedYamlCarriesTheErrorTextAndPosition) {
  CheckContext context;
  context.files.emplace("agents/bad.yaml", "name: a\nname: b\n");
  context.files.emplace("agents/worse.yaml", "a: [1, 2\nb: c: d\n");
  for (const char* path : {"agents/bad.yaml", "agents/worse.yaml"}) {
    EXPECT_FALSE(check_agent_file(path, context).has_value());
  }
  ASSERT_EQ(context.diagnostics.size(), 2u);
  for (const auto& d : context.diagnostics) {
    EXPECT_EQ(d.code, "agent.yaml_malformed");
    EXPECT_EQ(d.severity, Severity::Error);
    EXPECT_EQ(d.message.rfind("Agent file is not valid YAML: ", 0), 0u) << d.message;
    EXPECT_EQ(d.help, "fix the YAML syntax");
    ASSERT_TRUE(d.span.has_value()) << d.message;
    EXPECT_NE(d.message.find("line " + std::to_string(d.span->line)), std::string::npos);
  }
  EXPECT_EQ(context.diagnostics[0].span->line, 2u);
}

TEST(AgentFile, FlowLookingTextInsideScalarsIsNoYamlFault) {
  // Brackets and commas inside strings, and continuation rows that start
  // with a bracket, are text: no nesting or node budget is touched.
  const std::string texts[] = {
      R"({"name":"writer","description":")" + std::string(2001, '[') + R"("})",
      R"({"name":"writer","description":")" + std::string(750001, ',') + R"("})",
      [] {
        std::string text = "name: writer\ndescription: see\n";
        for (int i = 0; i < 2001; ++i) text += "  [x\n";
        return text;
      }(),
  };
  for (const std::string& text : texts) {
    auto checked = check_one(text);
    ASSERT_TRUE(checked.record.has_value()) << text.substr(0, 60);
    for (const std::string& l : checked.lines) {
      EXPECT_EQ(l.find("agent.yaml_malformed"), std::string::npos) << l.substr(0, 200);
    }
  }
}

TEST(AgentFile, TopLevelMustBeAMapping) {
  for (const char* yaml : {"- a\n- b\n", "just text\n", "42\n", "~\n"}) {
    auto checked = check_one(yaml);
    EXPECT_FALSE(checked.record.has_value()) << yaml;
    EXPECT_EQ(checked.lines,
              (Lines{"E agent.invalid agents/coder.yaml: Agent file must contain a YAML object | "
                     "make the top-level YAML value a mapping"}))
        << yaml;
  }
}

TEST(AgentFile, CompleteFileGivesItsRecord) {
  auto checked = check_one(R"(
name: "  Coder  "
description: Writes code
from: " base "
model:
  name: openai/gpt-4o
  thinkingLevel: high
tools: [read, write]
skills: []
subagents: [helper]
system_instructions:
  content: Be brief.
  mode: append
mcp:
  GitHub:
    include: ["*", " issues ", issues]
    exclude: [delete]
  docs: {}
extensions:
  include: [a]
unknown_key: whatever
)");
  EXPECT_TRUE(checked.lines.empty()) << ::testing::PrintToString(checked.lines);
  ASSERT_TRUE(checked.record.has_value());
  const AgentRecord& r = *checked.record;
  EXPECT_EQ(r.name, "Coder");
  EXPECT_TRUE(r.explicit_name);
  EXPECT_EQ(r.alias, "coder");
  EXPECT_EQ(r.path, "agents/coder.yaml");
  EXPECT_EQ(r.from, "base");
  for (auto f : {AgentField::ModelName, AgentField::ModelThinkingLevel, AgentField::Tools,
                 AgentField::Skills, AgentField::Subagents, AgentField::SystemInstructions})
    EXPECT_TRUE(r.declared.contains(f)) << static_cast<int>(f);
  ASSERT_TRUE(r.mcp.has_value());
  ASSERT_EQ(r.mcp->size(), 2u);
  EXPECT_EQ(r.mcp->at("github").include, (Set{"*", "issues"}));
  EXPECT_EQ(r.mcp->at("github").exclude, Set{"delete"});
  EXPECT_FALSE(r.mcp->at("docs").include.has_value());
  EXPECT_FALSE(r.mcp->at("docs").exclude.has_value());
}

TEST(AgentFile, EveryProblemIsReportedInCheckOrder) {
  auto checked = check_one(R"(
name: 7
description: 5
from: ""
model: {name: "", thinking_level: 3}
tools: x
mcp: {"  ": {}, gh: 3, z: {include: [1], exclude: ["a*"]}}
skills: [""]
subagents: {}
prompt: 3
system_instructions: {mode: 1}
extensions: {include: x, exclude: [2]}
)");
  const std::string p = "agents/coder.yaml: ";
  EXPECT_EQ(
      checked.lines,
      (Lines{
          "E agent.name_invalid " + p +
              "Agent name must be a non-empty string | remove the field to use the filename, "
              "or set a non-empty name",
          "W agent.description_missing " + p +
              "Recipe agent 'coder' is missing description | add a short description to "
              "explain when this agent should be used",
          "E agent.from_invalid " + p +
              "Agent from must be a non-empty string | remove the field or reference an "
              "existing agent",
          "E agent.model.name_invalid " + p +
              "Agent model.name must be a non-empty string | set an available provider and "
              "model identifier",
          "E agent.model.thinkingLevel_invalid " + p +
              "Agent model thinking level must be a string | remove the field to preserve the "
              "default, or set a supported level",
          "E agent.tools_invalid " + p +
              "field must be an array of strings | use a list containing only non-empty "
              "strings",
          "E agent.mcp_server_invalid " + p +
              "Agent mcp server ids must be non-empty strings | remove the entry or give the "
              "server a non-empty identifier",
          "E agent.mcp_invalid " + p +
              "Agent mcp server 'gh' must be an object | remove the server for no access, or "
              "declare its tool policy",
          "E agent.mcp_invalid " + p +
              "mcp.z.include: item 0 must be a non-empty string | use a list containing only "
              "non-empty tool names",
          "E agent.mcp_selector_invalid " + p +
              "Agent mcp server 'z' exclude entry 'a*' must be an exact tool name",
          "E agent.skills_invalid " + p +
              "item 0 must be a non-empty string | use a list containing only non-empty "
              "strings",
          "E agent.subagents_invalid " + p +
              "field must be an array of strings | use a list containing only non-empty "
              "strings",
          "E agent.prompt_invalid " + p + "Agent prompt must be a non-empty string",
          "E agent.systemInstructions_invalid " + p +
              "Agent system_instructions must declare content",
          "E agent.systemInstructions_invalid " + p +
              "Agent system_instructions.mode must be a string",
          "E agent.extensions_invalid " + p +
              "extensions.include: field must be an array of strings",
          "E agent.extensions_invalid " + p +
              "extensions.exclude: item 0 must be a non-empty string",
      }));
  ASSERT_TRUE(checked.record.has_value());
  const AgentRecord& r = *checked.record;
  EXPECT_EQ(r.name, "coder");
  EXPECT_FALSE(r.explicit_name);
  EXPECT_FALSE(r.from.has_value());
  EXPECT_EQ(r.declared, DeclaredFields{});
  // Only the server with a usable policy is recorded; its bad list is absent.
  ASSERT_TRUE(r.mcp.has_value());
  ASSERT_EQ(r.mcp->size(), 1u);
  EXPECT_FALSE(r.mcp->at("z").include.has_value());
  EXPECT_EQ(r.mcp->at("z").exclude, Set{"a*"});
}

struct FileCase {
  const char* name;
  const char* yaml;
  Lines lines;  // without the "<severity> <code> <path>: " prefix and help
};

void PrintTo(const FileCase& c, std::ostream* os) { *os << c.name; }

class AgentFileCases : public ::testing::TestWithParam<FileCase> {};

Lines messages_only(const std::string& yaml) {
  CheckContext context;
  context.files.emplace("agents/coder.yaml", yaml);
  check_agent_file("agents/coder.yaml", context);
  Lines out;
  for (const auto& d : context.diagnostics) out.push_back(d.code + ": " + d.message);
  return out;
}

TEST_P(AgentFileCases, Report) {
  EXPECT_EQ(messages_only(GetParam().yaml), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AgentFileCases,
    ::testing::Values(
        FileCase{"NoName",
                 "description: d\n",
                 {"agent.name_missing: Recipe agent 'coder' must declare name"}},
        FileCase{"BlankName",
                 "name: '  '\ndescription: d\n",
                 {"agent.name_invalid: Agent name must be a non-empty string"}},
        FileCase{"NullName", "name:\ndescription: d\n",
                 {"agent.name_invalid: Agent name must be a non-empty string"}},
        FileCase{"DescriptionNumberNamesTheExplicitName",
                 "name: Writer\ndescription: 5\n",
                 {"agent.description_missing: Recipe agent 'Writer' is missing description"}},
        FileCase{"FromList", "name: a\ndescription: d\nfrom: [x]\n",
                 {"agent.from_invalid: Agent from must be a non-empty string"}},
        FileCase{"ModelNotMapping", "name: a\ndescription: d\nmodel: openai/gpt\n",
                 {"agent.model_invalid: Agent model must be an object"}},
        FileCase{"BadThinkingLevelBothKeysOneReport",
                 "name: a\ndescription: d\nmodel: {thinking_level: 3, thinkingLevel: ' '}\n",
                 {"agent.model.thinkingLevel_invalid: Agent model thinking level must be a "
                  "string"}},
        FileCase{"ValidCamelCaseWins",
                 "name: a\ndescription: d\nmodel: {thinking_level: 3, thinkingLevel: high}\n",
                 {}},
        FileCase{"ValidSnakeCaseWins",
                 "name: a\ndescription: d\nmodel: {thinking_level: low, thinkingLevel: []}\n",
                 {}},
        FileCase{"EmptyToolItem", "name: a\ndescription: d\ntools: ['']\n",
                 {"agent.tools_invalid: item 0 must be a non-empty string"}},
        FileCase{"McpNotMapping", "name: a\ndescription: d\nmcp: [github]\n",
                 {"agent.mcp_invalid: Agent mcp must be an object"}},
        FileCase{"McpSelectors",
                 "name: a\ndescription: d\nmcp:\n  github:\n    include: ['*', 'repo*']\n"
                 "    exclude: ['*', ok]\n",
                 {"agent.mcp_selector_invalid: Agent mcp server 'github' include entry 'repo*' "
                  "must be an exact tool name or '*'",
                  "agent.mcp_selector_invalid: Agent mcp server 'github' exclude entry '*' must "
                  "be an exact tool name"}},
        FileCase{"McpServerKeyAsWritten",
                 "name: a\ndescription: d\nmcp:\n  ' Git Hub ': {include: x}\n",
                 {"agent.mcp_invalid: mcp. Git Hub .include: field must be an array of "
                  "strings"}},
        FileCase{"PromptBlank", "name: a\ndescription: d\nprompt: '   '\n",
                 {"agent.prompt_invalid: Agent prompt must be a non-empty string"}},
        FileCase{"SystemInstructionsNotMapping",
                 "name: a\ndescription: d\nsystem_instructions: text\n",
                 {"agent.systemInstructions_invalid: Agent system_instructions must be an "
                  "object"}},
        FileCase{"SystemInstructionsContentAndMode",
                 "name: a\ndescription: d\nsystem_instructions: {content: 1, mode: Append}\n",
                 {"agent.systemInstructions_invalid: Agent system_instructions.content must be "
                  "a string",
                  "agent.systemInstructions_invalid: Agent system_instructions.mode must be "
                  "append or replace"}},
        FileCase{"SnakeCaseSystemInstructionsWin",
                 "name: a\ndescription: d\nsystem_instructions: {content: ''}\n"
                 "systemInstructions: 5\n",
                 {}},
        FileCase{"CamelCaseSystemInstructionsAlone",
                 "name: a\ndescription: d\nsystemInstructions: {content: x, mode: ' replace'}\n",
                 {"agent.systemInstructions_invalid: Agent system_instructions.mode must be "
                  "append or replace"}},
        FileCase{"ExtensionsNotMapping", "name: a\ndescription: d\nextensions: [a]\n",
                 {"agent.extensions_invalid: Agent extensions must be an object"}}),
    KELP_CASE_NAMES(p.name));

struct ModelNameCase {
  const char* name;
  bool valid;
};

void PrintTo(const ModelNameCase& c, std::ostream* os) { *os << c.name; }

class ModelName : public ::testing::TestWithParam<ModelNameCase> {};

TEST_P(ModelName, NeedsProviderSlashModel) {
  const std::string yaml = std::string("name: a\ndescription: d\nmodel:\n  name: '") +
                           GetParam().name + "'\n";
  auto checked = check_one(yaml);
  ASSERT_TRUE(checked.record.has_value());
  // Any non-empty name declares model.name, valid or not.
  EXPECT_TRUE(checked.record->declared.contains(AgentField::ModelName));
  if (GetParam().valid) {
    EXPECT_TRUE(checked.lines.empty()) << GetParam().name;
  } else {
    std::string trimmed = GetParam().name;
    trimmed.erase(0, trimmed.find_first_not_of(' '));
    trimmed.erase(trimmed.find_last_not_of(' ') + 1);
    EXPECT_EQ(checked.lines,
              (Lines{"E agent.model.name_invalid agents/coder.yaml: Recipe agent 'a' has "
                     "invalid model.name '" +
                     trimmed +
                     "' - expected '<provider>/<model_id>' | use an available provider and "
                     "model identifier"}));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ModelName,
    ::testing::Values(ModelNameCase{"openai/gpt-4o", true}, ModelNameCase{"openai/gpt 4/x:y", true},
                      ModelNameCase{"  openai/gpt  ", true}, ModelNameCase{"a//", true},
                      ModelNameCase{"openai", false}, ModelNameCase{"/gpt", false},
                      ModelNameCase{"openai/", false}, ModelNameCase{" openai/ ", false},
                      ModelNameCase{"open ai/gpt", false}, ModelNameCase{"openai:x/gpt", false},
                      ModelNameCase{"open\u00a0ai/gpt", false}, ModelNameCase{"bad", false}),
    KELP_CASE_NAMES(p.name));

// ---- Several files -------------------------------------------------------

TEST(ValidateAgents, FileChecksComeFirstThenCrossChecks) {
  CheckContext context;
  const std::string full =
      "description: d\nmodel: {name: a/b, thinkingLevel: x}\ntools: []\nprompt: p\n";
  context.files.emplace("agents/a.yaml", "name: shared\nfrom: list\n" + full);
  context.files.emplace("agents/b.yaml", "name: shared\n" + full);
  context.files.emplace("agents/list.yaml", "- not a mapping\n");
  context.files.emplace("agents/tools.yaml", "name: t\n" + full + "mcp: {gh: {include: [x]}}\n");
  const std::vector<std::string> paths{"agents/a.yaml", "agents/b.yaml", "agents/list.yaml",
                                       "agents/missing.yaml", "agents/tools.yaml"};
  McpToolPolicy package{{"gh", {Set{"y"}, std::nullopt}}};
  validate_agents(paths, paths.size(), package, context);
  Lines out;
  for (const auto& d : context.diagnostics) out.push_back(d.code + " " + d.path);
  // The file without a mapping leaves no record, so "list" is no agent; the
  // last file named shared is the one the cross-checks use.
  EXPECT_EQ(out, (Lines{"agent.invalid agents/list.yaml", "agent.unreadable agents/missing.yaml",
                        "agent.name_duplicate agents", "agent.mcp_tool_undeclared agents/tools.yaml"}));
}

TEST(ValidateAgents, BrokenLinkThroughAFileWithoutRecord) {
  CheckContext context;
  context.files.emplace("agents/a.yaml", "name: a\ndescription: d\nfrom: list\nmodel: {name: a/b}\n");
  context.files.emplace("agents/list.yaml", "[]\n");
  validate_agents({"agents/a.yaml", "agents/list.yaml"}, 2, std::nullopt, context);
  Lines out;
  for (const auto& d : context.diagnostics) out.push_back(d.code + ": " + d.message);
  EXPECT_EQ(out, (Lines{"agent.invalid: Agent file must contain a YAML object",
                        "agent.from_missing: Recipe agent 'a' inherits from missing agent 'list'",
                        "agent.model.thinkingLevel_missing: Recipe agent 'a' must declare "
                        "model.thinkingLevel directly or inherit it with from",
                        "agent.tools_missing: Recipe agent 'a' must declare tools directly or "
                        "inherit it with from",
                        "agent.systemInstructions_missing: Recipe agent 'a' must declare "
                        "systemInstructions directly or inherit it with from"}));
}

TEST(ValidateAgents, NoFilesNoDiagnostics) {
  CheckContext context;
  validate_agents({}, 0, std::nullopt, context);
  EXPECT_TRUE(context.diagnostics.empty());
}

}  // namespace

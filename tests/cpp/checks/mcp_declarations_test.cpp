#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checks/mcp_declarations.h"
#include "checks/paths.h"
#include "common/case_name.h"
#include "json/reader.h"

using namespace kelp;

namespace {

// "E code: message", one line per diagnostic, for readable diffs.
std::vector<std::string> rendered(const DiagnosticList& list) {
  std::vector<std::string> out;
  for (const auto& d : list) {
    out.push_back(std::string(d.severity == Severity::Error ? "E " : "W ") + d.code + ": " +
                  d.message);
  }
  return out;
}

using Lines = std::vector<std::string>;

struct McpCase {
  const char* name;
  const char* mcp;
  Lines diagnostics;
};

class McpStage : public ::testing::TestWithParam<McpCase> {};

std::string invalid(const std::string& message) { return "E kelp.mcp_invalid: " + message; }
std::string selector(const std::string& message) {
  return "E kelp.mcp_selector_invalid: " + message;
}
std::string missing(const std::string& pattern) {
  return "E kelp.mcp_manifest_missing: MCP manifest pattern '" + pattern + "' matched no files";
}
const std::string kServer0 = "package.json#kelp.mcp.servers[0]";

}  // namespace

TEST_P(McpStage, Reports) {
  CheckContext context;
  build_path_maps(RecipeFiles{{{"mcp.json", "{}"}, {"a.json", "{}"}, {"m/x.json", "{}"}}, {}},
                  context.files, context.directories);
  auto parsed = json::parse_value(GetParam().mcp);
  ASSERT_TRUE(parsed.has_value()) << GetParam().mcp;
  check_mcp_declarations(*parsed, context);
  EXPECT_EQ(rendered(context.diagnostics), GetParam().diagnostics);
  for (const auto& d : context.diagnostics) {
    EXPECT_EQ(d.path, "package.json");
    EXPECT_FALSE(d.span.has_value());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Declarations, McpStage,
    ::testing::Values(
        McpCase{"PresentManifest", R"("mcp.json")", {}},
        McpCase{"MissingManifest", R"("other.json")", {missing("other.json")}},
        // The string form reaches the manifest check untrimmed.
        McpCase{"UntrimmedMessage", R"(" other.json ")", {missing(" other.json ")}},
        McpCase{"GlobManifest", R"("m/*.json")", {}},
        McpCase{"EmptyString",
                R"("")",
                {"E kelp.mcp_manifest_invalid: resource pattern must be non-empty"}},
        McpCase{"BlankString",
                R"("  ")",
                {"E kelp.mcp_manifest_invalid: resource pattern must be non-empty"}},
        McpCase{"EscapingManifest",
                R"({"manifest": "../mcp.json"})",
                {"E kelp.mcp_manifest_invalid: resource pattern '../mcp.json' escapes the "
                 "recipe directory"}},
        McpCase{"ArrayItemsInOrder",
                R"(["nope.json", 5, " ", "a.json"])",
                {missing("nope.json"), invalid("package.json#kelp.mcp[1] must be a non-empty string"),
                 invalid("package.json#kelp.mcp[2] must be a non-empty string")}},
        McpCase{"Boolean",
                "true",
                {invalid("package.json#kelp.mcp must be an object, string, or string array")}},
        McpCase{"Null",
                "null",
                {invalid("package.json#kelp.mcp must be an object, string, or string array")}},
        McpCase{"EmptyObject", "{}", {}},
        McpCase{"ObjectMembersInOrder",
                R"({"servers": 1, "manifests": "x", "manifest": 2, "other": 0})",
                {invalid("package.json#kelp.mcp.manifest must be a non-empty string"),
                 invalid("package.json#kelp.mcp.manifests must be an array of strings"),
                 invalid("package.json#kelp.mcp.servers must be an array")}},
        McpCase{"ManifestsList",
                R"({"manifest": " mcp.json ", "manifests": ["a.json", null, "gone.json"]})",
                {invalid("package.json#kelp.mcp.manifests[1] must be a non-empty string"),
                 missing("gone.json")}},
        McpCase{"ServerWithoutTools",
                R"({"servers": [{"id": "x"}]})",
                {"W kelp.mcp_include_missing: " + kServer0 +
                 " must declare tools.include; use ['*'] for all tools or [] for none"}},
        McpCase{"ServerWithEmptyTools",
                R"({"servers": [{"id": "x", "tools": {}}]})",
                {"W kelp.mcp_include_missing: " + kServer0 +
                 ".tools must declare include; use ['*'] for all tools or [] for none"}},
        McpCase{"AllAndNoTools",
                R"({"servers": [{"id": "a", "required": true, "tools": {"include": ["*"]}},
                                {"id": "b", "tools": {"include": [], "exclude": ["x"]}}]})",
                {}},
        McpCase{"IdAndRequiredFaultsDoNotStopTheEntry",
                R"({"servers": [{"id": "  ", "required": "yes"}]})",
                {invalid(kServer0 + ".id must be a non-empty string"),
                 invalid(kServer0 + ".required must be boolean"),
                 "W kelp.mcp_include_missing: " + kServer0 +
                     " must declare tools.include; use ['*'] for all tools or [] for none"}},
        McpCase{"ToolsNotAnObject",
                R"({"servers": [{"tools": []}]})",
                {invalid(kServer0 + ".id must be a non-empty string"),
                 invalid(kServer0 + ".tools must be an object")}},
        McpCase{"Selectors",
                R"({"servers": [{"id": "s", "tools": {"include": ["a*", "read", " * "],
                                                      "exclude": ["*", "write"]}}]})",
                {selector(kServer0 + ".tools.include entry 'a*' must be an exact tool name or '*'"),
                 selector(kServer0 + ".tools.exclude entry '*' must be an exact tool name")}},
        // A blank string fails both passes; a non-string only the first.
        McpCase{"BlankAndNonStringSelectors",
                R"({"servers": [{"id": "s", "tools": {"include": [" ", 4, "ok"]}}]})",
                {invalid(kServer0 + ".tools.include[0] must be a non-empty string"),
                 invalid(kServer0 + ".tools.include[1] must be a non-empty string"),
                 selector(kServer0 + ".tools.include entry '' must be an exact tool name or '*'")}},
        McpCase{"ListsNotArrays",
                R"({"servers": [{"id": "s", "tools": {"exclude": "x"}}]})",
                {"W kelp.mcp_include_missing: " + kServer0 +
                     ".tools must declare include; use ['*'] for all tools or [] for none",
                 invalid(kServer0 + ".tools.exclude must be an array of strings")}},
        McpCase{"BadEntryDoesNotStopTheList",
                R"({"servers": [3, {"id": "ok", "tools": {"include": ["*"]}}, {"id": "z"}]})",
                {invalid(kServer0 + " must be an object"),
                 "W kelp.mcp_include_missing: package.json#kelp.mcp.servers[2] must declare "
                 "tools.include; use ['*'] for all tools or [] for none"}},
        McpCase{"RepeatedIdsAreNotCompared",
                R"({"servers": [{"id": "a", "tools": {"include": []}},
                                {"id": "a", "tools": {"include": []}}]})",
                {}}),
    KELP_CASE_NAMES(p.name));

TEST(McpStage, HelpTexts) {
  CheckContext context;
  auto parsed = json::parse_value(
      R"({"manifest": "", "manifests": [1], "servers": [
          {"id": "s", "tools": {"include": ["a*"], "exclude": {}}}, {"id": "t", "tools": 1}]})");
  ASSERT_TRUE(parsed.has_value());
  check_mcp_declarations(*parsed, context);
  std::vector<std::string> helps;
  for (const auto& d : context.diagnostics) helps.push_back(d.help.value_or("<none>"));
  EXPECT_EQ(helps, (Lines{"remove manifest or provide a relative manifest path",
                          "remove the entry or provide a relative manifest path",
                          "<none>",
                          "use a list containing only non-empty strings",
                          "remove tools for no access, or declare a tool policy"}));
}

TEST(McpManifests, AtMostOneDiagnostic) {
  CheckContext context;
  check_mcp_manifests(context, "/abs.json");
  check_mcp_manifests(context, "a.json");
  ASSERT_EQ(context.diagnostics.size(), 2u);
  EXPECT_EQ(context.diagnostics[0].code, "kelp.mcp_manifest_invalid");
  EXPECT_EQ(context.diagnostics[0].help, "use manifest paths relative to the recipe directory");
  EXPECT_EQ(context.diagnostics[1].code, "kelp.mcp_manifest_missing");
  EXPECT_EQ(context.diagnostics[1].help, "add the manifest file or update package.json#kelp.mcp");
}

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "checks/kelp_object.h"
#include "checks/paths.h"
#include "common/case_name.h"
#include "json/reader.h"

using namespace kelp;

namespace {

CheckContext context_of(std::vector<RecipeFile> files, std::vector<std::string> dirs = {}) {
  CheckContext context;
  build_path_maps(RecipeFiles{std::move(files), std::move(dirs)}, context.files,
                  context.directories);
  return context;
}

PackageSummary summary_of(std::string_view kelp_json) {
  PackageSummary summary;
  auto parsed = json::parse_value(kelp_json);
  EXPECT_TRUE(parsed.has_value()) << kelp_json;
  if (parsed) summary.kelp = std::move(*parsed);
  return summary;
}

// "E code @path: message", one line per diagnostic, for readable diffs.
std::vector<std::string> rendered(const DiagnosticList& list) {
  std::vector<std::string> out;
  for (const auto& d : list) {
    out.push_back(std::string(d.severity == Severity::Error ? "E " : "W ") + d.code + " @" +
                  d.path + ": " + d.message);
  }
  return out;
}

using Lines = std::vector<std::string>;
using Paths = std::vector<std::string>;
// The resolved lists as texts (the resolver hands out views into the context).
using ResolvedTexts = std::map<std::string, Paths>;

ResolvedTexts texts_of(const ResolvedResources& resolved) {
  ResolvedTexts out;
  for (const auto& [key, paths] : resolved) out[key] = Paths(paths.begin(), paths.end());
  return out;
}

const std::string kNoLoadable =
    "E package.agents_missing @package.json: Recipe declares no loadable agents";
const std::string kNoAgentsKey =
    "E package.agents_missing @package.json: Recipe has no package.json#kelp.agents and no "
    "conventional agents directory";

}  // namespace

// ---- whole-object scenarios ----------------------------------------------

struct KelpCase {
  const char* name;
  const char* kelp;
  std::vector<RecipeFile> files;
  std::vector<std::string> dirs;
  Lines diagnostics;
  ResolvedTexts resolved;
};

class ValidateKelp : public ::testing::TestWithParam<KelpCase> {};

TEST_P(ValidateKelp, ReportsAndResolves) {
  const auto& c = GetParam();
  auto context = context_of(c.files, c.dirs);
  auto resolved = validate_package_kelp(summary_of(c.kelp), context);
  EXPECT_EQ(rendered(context.diagnostics), c.diagnostics);
  EXPECT_EQ(texts_of(resolved), c.resolved);
}

ResolvedTexts resources(Paths agents, Paths extensions = {}, Paths skills = {},
                            Paths prompts = {}) {
  return {{"agents", std::move(agents)},
          {"extensions", std::move(extensions)},
          {"skills", std::move(skills)},
          {"prompts", std::move(prompts)}};
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, ValidateKelp,
    ::testing::Values(
        KelpCase{"OnlyMcpWithConventionalAgents", R"({"mcp": {}})", {{"agents/a.yaml", ""}}, {},
                 {}, resources({"agents"})},
        KelpCase{"NoAgentsAnywhere", R"({"mcp": {}})", {}, {}, {kNoAgentsKey, kNoLoadable},
                 resources({})},
        KelpCase{"EmptyAgentsList", R"({"agents": []})", {}, {"agents"}, {kNoLoadable},
                 resources({})},
        KelpCase{"NullAgents",
                 R"({"agents": null})",
                 {},
                 {"agents"},
                 {"E kelp.agents_invalid @package.json: package.json#kelp.agents must be an "
                  "array of strings",
                  kNoLoadable},
                 resources({})},
        KelpCase{"UnmatchedAgentGlob",
                 R"({"agents": ["agents/*.yaml"]})",
                 {{"agents/readme.md", ""}},
                 {},
                 {"E package.agents_unmatched @package.json: package.json#kelp.agents pattern "
                  "'agents/*.yaml' matched no files",
                  kNoLoadable},
                 resources({})},
        KelpCase{"UnmatchedSkillIsAWarning",
                 R"({"agents": ["a.yaml"], "skills": ["missing"]})",
                 {{"a.yaml", ""}},
                 {},
                 {"W package.skills_unmatched @package.json: package.json#kelp.skills pattern "
                  "'missing' matched no files"},
                 resources({"a.yaml"})},
        KelpCase{"ExtensionDirectoryIsNotLoadableButListed",
                 R"({"agents": ["a.yaml"], "extensions": ["ext", "tools/*.ts"]})",
                 {{"a.yaml", ""}, {"ext/index.ts", ""}, {"tools/x.ts", ""}},
                 {},
                 {"W package.extensions_non_loadable @ext: package.json#kelp.extensions pattern "
                  "'ext' matched a file that is not a loadable extension module"},
                 resources({"a.yaml"}, {"ext", "tools/x.ts"})},
        KelpCase{"ExtensionStarMatchesPackageJson",
                 R"({"agents": ["a.yaml"], "extensions": ["*"]})",
                 {{"a.yaml", ""}, {"package.json", "{}"}, {"main.mjs", ""}},
                 {},
                 {"W package.extensions_non_loadable @a.yaml: package.json#kelp.extensions "
                  "pattern '*' matched a file that is not a loadable extension module",
                  "W package.extensions_non_loadable @package.json: package.json#kelp.extensions "
                  "pattern '*' matched a file that is not a loadable extension module"},
                 resources({"a.yaml"}, {"a.yaml", "main.mjs", "package.json"})},
        KelpCase{"BadPromptItemsAreSkipped",
                 R"({"agents": ["a.yaml"], "prompts": ["a", 3, "  ", " b "]})",
                 {{"a.yaml", ""}, {"a", ""}, {"b", ""}},
                 {},
                 {"E kelp.prompts_invalid @package.json: package.json#kelp.prompts[1] must be a "
                  "non-empty string",
                  "E kelp.prompts_invalid @package.json: package.json#kelp.prompts[2] must be a "
                  "non-empty string"},
                 resources({"a.yaml"}, {}, {}, {"a", "b"})},
        KelpCase{"OverlappingPatternsListAPathOnce",
                 R"({"agents": ["agents/*.yaml", "agents/a.yaml", "./agents/a.yaml"]})",
                 {{"agents/a.yaml", ""}, {"agents/b.yaml", ""}},
                 {},
                 {},
                 resources({"agents/a.yaml", "agents/b.yaml"})},
        KelpCase{"UnknownKeysInByteOrder",
                 R"({"zeta": 1, "agents": ["a.yaml"], "alpha": {}, "Agents": []})",
                 {{"a.yaml", ""}},
                 {},
                 {"W kelp.unknown_key @package.json: package.json#kelp contains unknown key "
                  "'Agents'",
                  "W kelp.unknown_key @package.json: package.json#kelp contains unknown key "
                  "'alpha'",
                  "W kelp.unknown_key @package.json: package.json#kelp contains unknown key "
                  "'zeta'"},
                 resources({"a.yaml"})},
        KelpCase{"ConventionalSkillsAndPromptsButNotExtensions", R"({"agents": ["a.yaml"]})",
                 {{"a.yaml", ""}, {"skills/s.md", ""}, {"prompts", ""}, {"extensions/e.ts", ""}},
                 {}, {}, resources({"a.yaml"}, {}, {"skills"}, {"prompts"})},
        KelpCase{"BadPatternsAreInvalidNotUnmatched",
                 R"({"agents": ["../x", "/abs", "a/"], "skills": ["a\\..\\b"]})",
                 {},
                 {},
                 {"E package.agents_invalid @package.json: resource pattern '../x' escapes the "
                  "recipe directory",
                  "E package.agents_invalid @package.json: resource pattern '/abs' must be "
                  "relative",
                  "E package.agents_invalid @package.json: resource pattern 'a/' escapes the "
                  "recipe directory",
                  kNoLoadable,
                  "E package.skills_invalid @package.json: resource pattern 'a\\..\\b' escapes "
                  "the recipe directory"},
                 resources({})},
        // Every list's shape is reported before any pattern is resolved, and
        // the MCP and evals stages come last, in that order.
        KelpCase{"StageOrder",
                 R"({"agents": ["missing"], "prompts": 5, "mcp": true, "evals": []})",
                 {},
                 {},
                 {"E kelp.prompts_invalid @package.json: package.json#kelp.prompts must be an "
                  "array of strings",
                  "E package.agents_unmatched @package.json: package.json#kelp.agents pattern "
                  "'missing' matched no files",
                  kNoLoadable,
                  "E kelp.mcp_invalid @package.json: package.json#kelp.mcp must be an object, "
                  "string, or string array",
                  "E evals.suite_invalid @package.json: package.json#kelp.evals must be an "
                  "object with a suites array"},
                 resources({})}),
    KELP_CASE_NAMES(p.name));

TEST(ValidateKelp, NonObjectKelpResolvesNothingAndRunsNoStage) {
  for (const char* kelp : {R"(["agents"])", R"("agents")", "null", "3"}) {
    auto context = context_of({}, {});
    auto resolved = validate_package_kelp(summary_of(kelp), context);
    EXPECT_TRUE(resolved.empty()) << kelp;
    EXPECT_TRUE(context.diagnostics.empty()) << kelp;
  }
  auto context = context_of({});
  EXPECT_TRUE(validate_package_kelp(PackageSummary{}, context).empty());
  EXPECT_TRUE(context.diagnostics.empty());
}

TEST(ValidateKelp, DiagnosticsCarryHelpAndNoSpan) {
  auto context = context_of({{"e.txt", ""}, {"s", ""}});
  validate_package_kelp(summary_of(R"({"agents": 1, "skills": ["", "x"], "prompts": ["/x"],
                                       "extensions": ["e.txt"], "other": 0})"),
                        context);
  Lines helps;
  for (const auto& d : context.diagnostics) {
    EXPECT_FALSE(d.span.has_value()) << d.code;
    helps.push_back(d.help.value_or("<none>"));
  }
  EXPECT_EQ(helps,
            (Lines{"remove unknown kelp keys or update recipe-check if this is a new recipe field",
                   "use a list of relative resource paths",
                   "remove the entry or replace it with a relative resource path",
                   "add agents/*.yaml or configure package.json#kelp.agents",
                   "point extension patterns at .ts, .tsx, .js, .jsx, .mjs, or .cjs files",
                   "update or remove the unmatched resource pattern",
                   "use paths relative to the recipe directory"}));
}

// ---- the loadable-extension test -----------------------------------------

struct ExtensionCase {
  const char* path;
  bool loadable;
};

class LoadableExtension : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(LoadableExtension, ByFileNameSuffix) {
  auto context = context_of({{"x.mjs", ""},     {"x.TS", ""},     {".ts", ""},
                             {"a/b.tsx", ""},   {"a.ts/read", ""}, {"plain", ""},
                             {"x.d.ts", ""},    {"x.json", ""},   {"x.", ""},
                             {"x.cjs", ""},     {"x.jsx", ""},    {"x.js", ""}},
                            {"dir.ts"});
  EXPECT_EQ(is_loadable_extension(context, GetParam().path), GetParam().loadable)
      << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, LoadableExtension,
    ::testing::Values(ExtensionCase{"x.mjs", true}, ExtensionCase{"x.cjs", true},
                      ExtensionCase{"x.jsx", true}, ExtensionCase{"x.js", true},
                      ExtensionCase{"a/b.tsx", true}, ExtensionCase{"x.d.ts", true},
                      ExtensionCase{"x.TS", false}, ExtensionCase{".ts", false},
                      ExtensionCase{"a.ts/read", false}, ExtensionCase{"a.ts", false},
                      ExtensionCase{"plain", false}, ExtensionCase{"x.json", false},
                      ExtensionCase{"x.", false}, ExtensionCase{"dir.ts", false},
                      ExtensionCase{"missing.ts", false}),
    KELP_CASE_NAMES(p.path));

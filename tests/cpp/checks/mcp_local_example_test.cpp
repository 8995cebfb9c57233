#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checks/mcp_local_example.h"
#include "common/case_name.h"

using namespace kelp;

namespace {

constexpr const char* kPath = ".kelp/mcp.local.example.json";

std::vector<Diagnostic> check(std::optional<std::string> content) {
  CheckContext context;
  context.files.emplace(kPath, std::move(content));
  check_mcp_local_example(context);
  return std::move(context.diagnostics);
}

std::vector<std::string> messages(const std::vector<Diagnostic>& diags) {
  std::vector<std::string> out;
  for (const auto& d : diags) out.push_back(d.message);
  return out;
}

struct ExampleCase {
  const char* name;
  const char* content;
  std::vector<std::string> messages;
};

class LocalExample : public ::testing::TestWithParam<ExampleCase> {};

TEST_P(LocalExample, ReportsStructuralProblems) {
  const auto diags = check(std::string(GetParam().content));
  EXPECT_EQ(messages(diags), GetParam().messages);
  for (const auto& d : diags) {
    EXPECT_EQ(d.severity, Severity::Warning);
    EXPECT_EQ(d.code, "mcp.local_example_invalid");
    EXPECT_EQ(d.path, kPath);
    EXPECT_FALSE(d.span.has_value());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LocalExample,
    ::testing::Values(
        ExampleCase{"NoServers", R"({"other": 1})", {}},
        ExampleCase{"EmptyServers", R"({"servers": []})", {}},
        ExampleCase{"NotAnObject", "[1]", {".kelp/mcp.local.example.json must be an object"}},
        ExampleCase{"ServersNotArray",
                    R"({"servers": {}})",
                    {".kelp/mcp.local.example.json servers must be an array"}},
        ExampleCase{"ServersNull",
                    R"({"servers": null})",
                    {".kelp/mcp.local.example.json servers must be an array"}},
        ExampleCase{"EntryNotObject",
                    R"({"servers": [{"id": "a"}, "x", 3]})",
                    {"servers[1] must be an object", "servers[2] must be an object"}},
        ExampleCase{"MembersInOrder",
                    R"({"servers": [{"id": "", "url": 5, "headers": {"b": 1, "a": null}}]})",
                    {"servers[0].id must be a non-empty string",
                     "servers[0].url must be a non-empty string",
                     "servers[0].headers.a must be a string",
                     "servers[0].headers.b must be a string"}},
        ExampleCase{"AbsentMembersAndEmptyHeaderValuesPass",
                    R"({"servers": [{"name": "n", "headers": {"X-Key": ""}, "extra": 1}]})",
                    {}},
        ExampleCase{"BlankTextsAndOtherTypes",
                    R"({"servers": [{}, {"name": " \u3000", "transport": ["x"],
                                         "headers": "h"}]})",
                    {"servers[1].name must be a non-empty string",
                     "servers[1].transport must be a non-empty string",
                     "servers[1].headers must be an object"}},
        ExampleCase{"HeaderNamesAsWritten",
                    R"({"servers": [{"headers": {"Auth Token": false}}]})",
                    {"servers[0].headers.Auth Token must be a string"}}),
    KELP_CASE_NAMES(p.name));

TEST(LocalExample, AbsentFileOrDirectoryOfThatNameIsIgnored) {
  CheckContext context;
  context.directories.insert(kPath);
  check_mcp_local_example(context);
  EXPECT_TRUE(context.diagnostics.empty());
}

TEST(LocalExample, MissingContentIsUnreadable) {
  const auto diags = check(std::nullopt);
  ASSERT_EQ(diags.size(), 1u);
  EXPECT_EQ(diags[0].code, "mcp.local_example_unreadable");
  EXPECT_EQ(diags[0].severity, Severity::Warning);
  EXPECT_EQ(diags[0].message, "MCP local example content was not provided");
  EXPECT_EQ(diags[0].help, "supply .kelp/mcp.local.example.json content to the validator");
}

TEST(LocalExample, MalformedJsonCarriesTheParserPosition) {
  const auto diags = check(std::string("{\n  \"servers\": [,]\n}"));
  ASSERT_EQ(diags.size(), 1u);
  const auto& d = diags[0];
  EXPECT_EQ(d.code, "mcp.local_example_malformed");
  EXPECT_EQ(d.severity, Severity::Warning);
  ASSERT_TRUE(d.span.has_value());
  EXPECT_EQ(d.span->line, 2u);
  const std::string prefix = ".kelp/mcp.local.example.json is not valid JSON: ";
  ASSERT_EQ(d.message.rfind(prefix, 0), 0u) << d.message;
  EXPECT_NE(d.message.find("at line 2 column " + std::to_string(d.span->column)),
            std::string::npos)
      << d.message;
  EXPECT_EQ(d.help, "fix the local MCP config template JSON");
}

TEST(LocalExample, HelpTextsFollowTheProblem) {
  const auto diags = check(
      std::string(R"({"servers": [1, {"id": 1, "headers": []}, {"headers": {"a": 1}}]})"));
  std::vector<std::optional<std::string>> helps;
  for (const auto& d : diags) helps.push_back(d.help);
  EXPECT_EQ(helps, (std::vector<std::optional<std::string>>{
                       "fix the server entry or remove it",
                       "remove the field or provide a non-empty value",
                       "remove headers or make it a string-valued mapping",
                       "remove the header or provide a string value"}));
  EXPECT_EQ(check(std::string("true"))[0].help,
            "fix the file structure or remove the optional example");
  EXPECT_EQ(check(std::string(R"({"servers": 1})"))[0].help,
            "fix the server list or remove the optional example");
}

}  // namespace

#include <gtest/gtest.h>

#include "checks/tool_policy.h"
#include "json/reader.h"

using namespace kelp;

namespace {

std::optional<JsonValue> kelp_of(std::string_view json) {
  auto parsed = json::parse_value(json);
  EXPECT_TRUE(parsed.has_value()) << json;
  return parsed ? std::optional<JsonValue>(std::move(*parsed)) : std::nullopt;
}

using Set = ToolSelectorSet;

TEST(ToolPolicy, AbsentWhenNoServersArrayIsDeclared) {
  for (const char* kelp : {"null", "[]", "\"x\"", "{}", R"({"agents":[]})", R"({"mcp":"x"})",
                           R"({"mcp":[]})", R"({"mcp":{}})", R"({"mcp":{"servers":{}}})",
                           R"({"mcp":{"servers":"a"}})"}) {
    EXPECT_FALSE(build_mcp_tool_policy(kelp_of(kelp)).has_value()) << kelp;
  }
  EXPECT_FALSE(build_mcp_tool_policy(std::nullopt).has_value());
}

TEST(ToolPolicy, EmptyServersGiveAnEmptyPolicy) {
  auto policy = build_mcp_tool_policy(kelp_of(R"({"mcp":{"servers":[]}})"));
  ASSERT_TRUE(policy.has_value());
  EXPECT_TRUE(policy->empty());
}

TEST(ToolPolicy, SkipsServersWithoutUsableId) {
  auto policy = build_mcp_tool_policy(kelp_of(
      R"({"mcp":{"servers":[1, {}, {"id":5}, {"id":"  "}, {"id":" Git Hub "}]}})"));
  ASSERT_TRUE(policy.has_value());
  ASSERT_EQ(policy->size(), 1u);
  const auto& entry = policy->at("git-hub");
  EXPECT_FALSE(entry.include.has_value());
  EXPECT_FALSE(entry.exclude.has_value());
}

TEST(ToolPolicy, LaterServerWithTheSameSlugReplacesTheEarlierWhole) {
  auto policy = build_mcp_tool_policy(kelp_of(
      R"({"mcp":{"servers":[{"id":"Docs","tools":{"include":["a"],"exclude":["b"]}},
                             {"id":" docs ","tools":{"include":["c"]}}]}})"));
  ASSERT_TRUE(policy.has_value());
  ASSERT_EQ(policy->size(), 1u);
  EXPECT_EQ(policy->at("docs").include, Set{"c"});
  EXPECT_FALSE(policy->at("docs").exclude.has_value());
}

TEST(ToolPolicy, SelectorListsKeepTrimmedNonEmptyStrings) {
  auto policy = build_mcp_tool_policy(kelp_of(
      R"({"mcp":{"servers":[{"id":"gh","tools":{"include":["*"," read ","",7,"read"]}}]}})"));
  ASSERT_TRUE(policy.has_value());
  EXPECT_EQ(policy->at("gh").include, (Set{"*", "read"}));
  EXPECT_FALSE(policy->at("gh").exclude.has_value());
}

TEST(ToolPolicy, ListsThatAreNotArraysAreAbsent) {
  auto policy = build_mcp_tool_policy(kelp_of(
      R"({"mcp":{"servers":[{"id":"a","tools":{"include":"x","exclude":[]}},
                             {"id":"b","tools":["x"]},
                             {"id":"c","tools":{"exclude":["  ", 3]}}]}})"));
  ASSERT_TRUE(policy.has_value());
  EXPECT_FALSE(policy->at("a").include.has_value());
  EXPECT_EQ(policy->at("a").exclude, Set{});
  EXPECT_FALSE(policy->at("b").include.has_value());
  EXPECT_FALSE(policy->at("b").exclude.has_value());
  EXPECT_EQ(policy->at("c").exclude, Set{});
}

}  // namespace

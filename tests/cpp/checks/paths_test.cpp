#include <gtest/gtest.h>

#include "common/case_name.h"

#include "checks/driver.h"
#include "checks/paths.h"

using namespace kelp;

struct NormalizeCase {
  const char* input;
  const char* expected;
};

class NormalizePath : public ::testing::TestWithParam<NormalizeCase> {};

TEST_P(NormalizePath, Canonicalises) {
  EXPECT_EQ(normalize_recipe_path(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, NormalizePath,
    ::testing::Values(NormalizeCase{"  .\\agents\\writer.yaml  ", "agents/writer.yaml"},
                      NormalizeCase{"/a/b/", "a/b"}, NormalizeCase{".//a", "a"},
                      NormalizeCase{"././", ""}, NormalizeCase{"../a", "../a"},
                      NormalizeCase{"a/./b", "a/./b"}, NormalizeCase{"./ a", " a"},
                      NormalizeCase{"\u3000x\u2029", "x"}, NormalizeCase{"a//b", "a//b"},
                      NormalizeCase{"", ""}, NormalizeCase{"///", ""}), KELP_CASE_NAMES(p.input));

TEST(Paths, Ancestors) {
  auto a = path_ancestors("agents/team/a.yaml");
  ASSERT_EQ(a.size(), 2u);
  EXPECT_EQ(a[0], "agents");
  EXPECT_EQ(a[1], "agents/team");
  EXPECT_TRUE(path_ancestors("a").empty());
  auto d = path_ancestors("a//b");
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[1], "a/");
}

namespace {

CheckContext context_of(std::vector<RecipeFile> files, std::vector<std::string> dirs = {}) {
  CheckContext ctx;
  RecipeFiles snapshot{std::move(files), std::move(dirs)};
  build_path_maps(snapshot, ctx.files, ctx.directories);
  return ctx;
}

}  // namespace

TEST(Paths, MapsKeepTheLastEntryAndAllAncestors) {
  auto ctx = context_of({{"a/x.yaml", "text"}, {"./a/x.yaml", std::nullopt}, {"././", "gone"}},
                        {"evals/suites", " "});
  ASSERT_EQ(ctx.files.size(), 1u);
  EXPECT_FALSE(ctx.files.at("a/x.yaml").has_value());
  EXPECT_EQ(ctx.directories, (DirectorySet{"a", "evals", "evals/suites"}));
}

TEST(Paths, FilesDirectlyInsideADirectory) {
  auto ctx = context_of({{"judges/a.yaml", ""}, {"judges/b.txt", ""}, {"judges/sub/c.yaml", ""},
                         {"judges-old/d.yaml", ""}, {"judges/sub/deeper/e.yaml", ""},
                         {"judges/z.yaml", ""}, {"agents/team/a.yaml", ""}});
  auto listed = files_in_dir(ctx, "judges");
  EXPECT_EQ(listed, (std::vector<std::string_view>{"judges/a.yaml", "judges/b.txt", "judges/z.yaml"}));
  EXPECT_TRUE(files_in_dir(ctx, "agents").empty());
  EXPECT_EQ(files_in_dir(ctx, "agents/team").size(), 1u);
  EXPECT_TRUE(files_in_dir(ctx, "").empty());
}

TEST(Paths, YamlExtension) {
  for (const char* yes : {"a.yaml", "agents/a.yml", "a..yml", ".x.yaml"}) EXPECT_TRUE(is_yaml_path(yes)) << yes;
  for (const char* no : {".yaml", "agents/.yml", "a.YAML", "a.yaml.bak", "a.", "dir.yaml/readme", "yaml"})
    EXPECT_FALSE(is_yaml_path(no)) << no;
}

TEST(Driver, GathersAgentFiles) {
  auto ctx = context_of({{"agents/a.yaml", ""}, {"agents/readme.md", ""}, {"agents/sub/b.yaml", ""},
                         {"solo.yml", ""}, {"agents/readme.md/x.yaml", ""}});
  EXPECT_EQ(gather_agent_files(ctx, {"agents", "agents/a.yaml", "missing", "solo.yml"}),
            (std::vector<std::string>{"agents/a.yaml", "solo.yml"}));
  // A listed path that is a file is never read as a directory.
  EXPECT_TRUE(gather_agent_files(ctx, {"agents/readme.md"}).empty());
}

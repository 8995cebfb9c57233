#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "checks/paths.h"

using namespace kelp;

namespace {

// Every ancestor of every file and listed directory, and the listed
// directories themselves, collected one by one.
std::set<std::string> reference_directories(const RecipeFiles& snapshot) {
  std::set<std::string> out;
  for (const auto& file : snapshot.files) {
    std::string path = normalize_recipe_path(file.path);
    if (path.empty()) continue;
    for (auto a : path_ancestors(path)) out.emplace(a);
  }
  for (const auto& dir : snapshot.directories) {
    std::string path = normalize_recipe_path(dir);
    if (path.empty()) continue;
    for (auto a : path_ancestors(path)) out.emplace(a);
    out.insert(path);
  }
  return out;
}

// Segments whose bytes sort on both sides of "/" ("-" and "." before it,
// "0" and letters after), so that a directory's descendants interleave with
// its siblings in byte order; the empty segment gives doubled slashes.
std::string random_path(std::mt19937& rng) {
  static const std::vector<std::string> kSegments{"a", "a-", "a.b", "a0", "b", "", "ab", "a/"};
  std::size_t depth = 1 + rng() % 5;
  if (rng() % 10 == 0) depth = 10 + rng() % 30;
  std::string path;
  for (std::size_t i = 0; i < depth; ++i) {
    if (i) path += '/';
    path += kSegments[rng() % kSegments.size()];
  }
  return path;
}

}  // namespace

TEST(DirectorySet, HoldsEveryAncestorOfRandomSnapshots) {
  std::mt19937 rng(7);
  for (int round = 0; round < 400; ++round) {
    RecipeFiles snapshot;
    std::size_t files = rng() % 12;
    for (std::size_t i = 0; i < files; ++i) snapshot.files.push_back({random_path(rng), ""});
    std::size_t dirs = rng() % 5;
    for (std::size_t i = 0; i < dirs; ++i) snapshot.directories.push_back(random_path(rng));
    // A listed directory that is also a file path, or an ancestor of one.
    if (!snapshot.files.empty() && rng() % 3 == 0) {
      std::string path = snapshot.files[rng() % files].path;
      snapshot.directories.push_back(rng() % 2 ? path : path.substr(0, path.size() / 2));
    }
    FileMap file_map;
    DirectorySet directories;
    build_path_maps(snapshot, file_map, directories);
    auto expected = reference_directories(snapshot);
    ASSERT_EQ(std::vector<std::string>(directories.begin(), directories.end()),
              std::vector<std::string>(expected.begin(), expected.end()))
        << "round " << round;
    for (const auto& dir : expected) ASSERT_TRUE(directories.contains(dir)) << dir;
  }
}

TEST(DirectorySet, DeepPathsAreStoredOnce) {
  constexpr std::size_t kSegments = 200000;
  std::string deep;
  for (std::size_t i = 1; i < kSegments; ++i) deep += "a/";
  std::string file = deep + "b";
  std::string listed = deep + "c/d";
  FileMap files;
  DirectorySet directories;
  build_path_maps(RecipeFiles{{{file, std::nullopt}}, {listed}}, files, directories);
  // "a", "a/a", ... and "a/.../a/c", "a/.../a/c/d".
  EXPECT_EQ(directories.size(), kSegments - 1 + 2);
  // The file's ancestors borrow one copy of its text; the listed directory
  // adds only its own text.
  EXPECT_LE(directories.stored_bytes(), file.size() + listed.size());
  EXPECT_TRUE(directories.contains(deep.substr(0, deep.size() - 1)));
  EXPECT_TRUE(directories.contains(listed));
  EXPECT_FALSE(directories.contains(file));
  EXPECT_EQ(*directories.begin(), "a");
}

TEST(DirectorySet, InsertedPathsKeepByteOrder) {
  DirectorySet directories{"a/x", "a", "a.b", "a-b"};
  EXPECT_FALSE(directories.insert("a"));
  EXPECT_TRUE(directories.insert("a/"));
  EXPECT_EQ(std::vector<std::string_view>(directories.begin(), directories.end()),
            (std::vector<std::string_view>{"a", "a-b", "a.b", "a/", "a/x"}));
}

#include <gtest/gtest.h>

#include "common/case_name.h"

#include <algorithm>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "checks/paths.h"
#include "checks/resource_patterns.h"

using namespace kelp;

namespace {

std::vector<std::string_view> segments(std::string_view text) {
  std::vector<std::string_view> out;
  std::size_t start = 0;
  for (;;) {
    std::size_t slash = text.find('/', start);
    if (slash == std::string_view::npos) {
      out.push_back(text.substr(start));
      return out;
    }
    out.push_back(text.substr(start, slash - start));
    start = slash + 1;
  }
}

// The list rule written as plain backtracking over every tail of every "**",
// to check the bounded matcher against.
bool reference_match(std::span<const std::string_view> p, std::span<const std::string_view> t) {
  if (p.empty()) return t.empty();
  if (p[0] == "**") {
    for (std::size_t k = 0; k <= t.size(); ++k) {
      if (reference_match(p.subspan(1), t.subspan(k))) return true;
    }
    return false;
  }
  if (t.empty() || !glob_segment_match(p[0], t[0])) return false;
  return reference_match(p.subspan(1), t.subspan(1));
}

CheckContext context_of(std::vector<RecipeFile> files, std::vector<std::string> dirs = {}) {
  CheckContext context;
  build_path_maps(RecipeFiles{std::move(files), std::move(dirs)}, context.files,
                  context.directories);
  return context;
}

using Paths = std::vector<std::string>;

}  // namespace

// ---- normalize_resource_pattern ------------------------------------------

struct PatternCase {
  std::string pattern;
  std::optional<std::string> error;
};

class NormalizePattern : public ::testing::TestWithParam<PatternCase> {};

TEST_P(NormalizePattern, AcceptsOrNamesTheFault) {
  EXPECT_EQ(normalize_resource_pattern(GetParam().pattern), GetParam().error)
      << "pattern: [" << GetParam().pattern << "]";
}

std::optional<std::string> escapes(const std::string& p) {
  return "resource pattern '" + p + "' escapes the recipe directory";
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, NormalizePattern,
    ::testing::Values(
        PatternCase{"", "resource pattern must be non-empty"},
        PatternCase{"   ", "resource pattern must be non-empty"},
        PatternCase{"\u3000\u2028", "resource pattern must be non-empty"},
        // The message quotes the pattern as given, spaces and all.
        PatternCase{" /etc ", "resource pattern ' /etc ' must be relative"},
        PatternCase{"/", "resource pattern '/' must be relative"},
        PatternCase{"../x", escapes("../x")}, PatternCase{"a/../b", escapes("a/../b")},
        PatternCase{"..", escapes("..")}, PatternCase{"agents/", escapes("agents/")},
        PatternCase{"a//b", escapes("a//b")}, PatternCase{"a\\..\\b", escapes("a\\..\\b")},
        PatternCase{"\\agents", escapes("\\agents")}, PatternCase{" a/ ", escapes(" a/ ")},
        PatternCase{"./agents", std::nullopt}, PatternCase{"a/./b", std::nullopt},
        PatternCase{"...", std::nullopt}, PatternCase{"..a/b..", std::nullopt},
        PatternCase{"**/*.yaml", std::nullopt}, PatternCase{"  agents  ", std::nullopt}), KELP_CASE_NAMES(p.pattern));

// ---- glob_segment_match --------------------------------------------------

struct SegmentCase {
  const char* pattern;
  const char* text;
  bool matches;
};

class SegmentMatch : public ::testing::TestWithParam<SegmentCase> {};

TEST_P(SegmentMatch, Bytewise) {
  EXPECT_EQ(glob_segment_match(GetParam().pattern, GetParam().text), GetParam().matches)
      << GetParam().pattern << " vs " << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Segments, SegmentMatch,
    ::testing::Values(SegmentCase{"*", "", true}, SegmentCase{"*", "anything", true},
                      SegmentCase{"", "", true}, SegmentCase{"", "a", false},
                      SegmentCase{"a", "", false}, SegmentCase{"*.yaml", "a.yaml", true},
                      SegmentCase{"*.yaml", "a.yml", false}, SegmentCase{"a*c", "abbbc", true},
                      SegmentCase{"a*c", "abbbcd", false}, SegmentCase{"*a", "bba", true},
                      SegmentCase{"a*b*c", "aXbYbZc", true}, SegmentCase{"a*b*c", "aXcYb", false},
                      SegmentCase{"?", "", false}, SegmentCase{"???", "abc", true},
                      SegmentCase{"Agents", "agents", false},
                      // "é" is two bytes, so it takes two "?".
                      SegmentCase{"?.md", "\xC3\xA9.md", false},
                      SegmentCase{"??.md", "\xC3\xA9.md", true},
                      // "**" inside a longer segment is two ordinary stars.
                      SegmentCase{"a**", "abc", true}, SegmentCase{"**", "abc", true},
                      SegmentCase{"*", "*", true},
                      // A star facing a star is matched literally and is not
                      // remembered, so nothing retries from it.
                      SegmentCase{"a*b", "a*xb", false}, SegmentCase{"a*b", "axb", true}), KELP_CASE_NAMES(std::string(p.pattern) + " " + p.text));

TEST(SegmentMatch, LongHostileSegmentStaysPolynomial) {
  std::string text(4000, 'a');
  std::string pattern;
  for (int k = 0; k < 200; ++k) pattern += "*a";
  pattern += "*b";
  EXPECT_FALSE(glob_segment_match(pattern, text));
}

// ---- glob_segments_match -------------------------------------------------

struct ListCase {
  const char* pattern;
  const char* path;
  bool matches;
};

class ListMatch : public ::testing::TestWithParam<ListCase> {};

TEST_P(ListMatch, AcrossSegments) {
  auto p = segments(GetParam().pattern);
  auto t = segments(GetParam().path);
  EXPECT_EQ(glob_segments_match(p, t), GetParam().matches)
      << GetParam().pattern << " vs " << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ListMatch,
    ::testing::Values(ListCase{"agents/**", "agents", true},
                      ListCase{"agents/**", "agents/a/b/c.yaml", true},
                      ListCase{"agents/**", "agentsx/a", false}, ListCase{"**", "a", true},
                      ListCase{"**", "x/y/z", true}, ListCase{"**/*.yaml", "a.yaml", true},
                      ListCase{"**/*.yaml", "x/y/a.yaml", true},
                      ListCase{"**/*.yaml", "x/y/a.yml", false},
                      ListCase{"agents/*.yaml", "agents/a.yaml", true},
                      ListCase{"agents/*.yaml", "agents/sub/a.yaml", false},
                      ListCase{"a/**/b/**/c", "a/b/c", true},
                      ListCase{"a/**/b/**/c", "a/x/b/y/b/z/c", true},
                      ListCase{"a/**/b/**/c", "a/x/c/b", false},
                      ListCase{"**/b", "b/b/b/x", false}, ListCase{"*/*", "a", false},
                      ListCase{"a/*", "a/", true}, ListCase{"a/**/", "a/b/", true},
                      ListCase{"a/**/", "a/b", false}), KELP_CASE_NAMES(std::string(p.pattern) + " " + p.path));

TEST(ListMatch, EmptyLists) {
  std::vector<std::string_view> none;
  std::vector<std::string_view> one{"a"};
  std::vector<std::string_view> double_star{"**"};
  EXPECT_TRUE(glob_segments_match(none, none));
  EXPECT_FALSE(glob_segments_match(none, one));
  EXPECT_FALSE(glob_segments_match(one, none));
  EXPECT_TRUE(glob_segments_match(double_star, none));
}

// Every pattern of up to four segments over {"**", "*", "?", "a", "b", "a*", ""}
// against every path of up to four segments over {"a", "b", "", "ab"}: the
// bounded matcher agrees with trying every tail for every "**".
TEST(ListMatch, AgreesWithExhaustiveBacktracking) {
  const std::vector<std::string_view> pattern_alphabet{"**", "*", "?", "a", "b", "a*", ""};
  const std::vector<std::string_view> path_alphabet{"a", "b", "", "ab"};
  auto all_lists = [](const std::vector<std::string_view>& alphabet, std::size_t max_len) {
    std::vector<std::vector<std::string_view>> lists{{}};
    std::size_t from = 0;
    for (std::size_t len = 1; len <= max_len; ++len) {
      std::size_t to = lists.size();
      for (std::size_t k = from; k < to; ++k) {
        for (auto symbol : alphabet) {
          auto next = lists[k];
          next.push_back(symbol);
          lists.push_back(std::move(next));
        }
      }
      from = to;
    }
    return lists;
  };
  auto patterns = all_lists(pattern_alphabet, 4);
  auto paths = all_lists(path_alphabet, 4);
  std::size_t disagreements = 0;
  for (const auto& p : patterns) {
    for (const auto& t : paths) {
      if (glob_segments_match(p, t) != reference_match(p, t)) ++disagreements;
    }
  }
  EXPECT_EQ(disagreements, 0u);
}

TEST(ListMatch, ManyDoubleStarsStayPolynomial) {
  // Trying every tail for every "**" would take about 200^50 steps here.
  std::string pattern;
  for (int k = 0; k < 50; ++k) pattern += "**/a/";
  pattern += "b";
  std::string path;
  for (int k = 0; k < 200; ++k) path += "a/";
  path += "c";
  EXPECT_FALSE(glob_segments_match(segments(pattern), segments(path)));
}

// ---- resolve_recipe_pattern ----------------------------------------------

struct ResolveCase {
  const char* pattern;
  Paths expected;
};

class Resolve : public ::testing::TestWithParam<ResolveCase> {
 protected:
  static CheckContext snapshot() {
    return context_of({{"package.json", "{}"},
                       {"agents/a.yaml", ""},
                       {"agents/b.yml", ""},
                       {"agents/notes.md", ""},
                       {"agents/sub/c.yaml", ""},
                       {"x/y/a.yaml", ""},
                       {"a.yaml", ""},
                       {"\xC3\xA9.md", ""},
                       {"ab.md", ""},
                       {"tool", ""},
                       {"tool/inner.ts", ""}},
                      {"empty/dir"});
  }
};

TEST_P(Resolve, NamesSnapshotPaths) {
  auto context = snapshot();
  EXPECT_EQ(resolve_recipe_pattern(context, GetParam().pattern), GetParam().expected)
      << "pattern: [" << GetParam().pattern << "]";
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, Resolve,
    ::testing::Values(
        // Literals: one exact path, a directory names itself, not its contents.
        ResolveCase{"agents", {"agents"}}, ResolveCase{"./agents", {"agents"}},
        ResolveCase{"././agents", {"agents"}}, ResolveCase{"  agents/a.yaml ", {"agents/a.yaml"}},
        ResolveCase{".\\agents", {}}, ResolveCase{"agents\\a.yaml", {"agents/a.yaml"}},
        ResolveCase{"empty/dir", {"empty/dir"}}, ResolveCase{"empty", {"empty"}},
        ResolveCase{"missing", {}}, ResolveCase{"Agents", {}},
        ResolveCase{"tool", {"tool"}},
        // Globs.
        ResolveCase{"agents/*.yaml", {"agents/a.yaml"}},
        ResolveCase{"agents/*.y*ml", {"agents/a.yaml", "agents/b.yml"}},
        ResolveCase{"agents/**",
                    {"agents", "agents/a.yaml", "agents/b.yml", "agents/notes.md", "agents/sub",
                     "agents/sub/c.yaml"}},
        ResolveCase{"**/*.yaml", {"a.yaml", "agents/a.yaml", "agents/sub/c.yaml", "x/y/a.yaml"}},
        ResolveCase{"*",
                    {"a.yaml", "ab.md", "agents", "empty", "package.json", "tool", "x",
                     "\xC3\xA9.md"}},
        ResolveCase{"Agents/*", {}}, ResolveCase{"?.md", {}},
        ResolveCase{"??.md", {"ab.md", "\xC3\xA9.md"}},
        ResolveCase{"agents\\*.yml", {"agents/b.yml"}}, ResolveCase{"./*/dir", {"empty/dir"}},
        ResolveCase{"nothing/*", {}}), KELP_CASE_NAMES(p.pattern));

TEST(Resolve, DoubleStarListsEveryPathOnce) {
  // "a" is a file and, through "a/b.yaml", a directory: listed once.
  auto context = context_of({{"a", ""}, {"a/b.yaml", ""}, {"c/d", ""}}, {"e"});
  EXPECT_EQ(resolve_recipe_pattern(context, "**"), (Paths{"a", "a/b.yaml", "c", "c/d", "e"}));
  EXPECT_EQ(resolve_recipe_pattern(context, "?"), (Paths{"a", "c", "e"}));
}

// ---- glob_path_match -------------------------------------------------------

TEST_P(ListMatch, OnThePathText) {
  auto p = segments(GetParam().pattern);
  EXPECT_EQ(glob_path_match(p, GetParam().path), GetParam().matches)
      << GetParam().pattern << " vs " << GetParam().path;
}

// The same enumeration as above, with each path list written as one text
// (every text has at least one segment).
TEST(PathMatch, AgreesWithExhaustiveBacktracking) {
  const std::vector<std::string_view> pattern_alphabet{"**", "*", "?", "a", "b", "a*", ""};
  const std::vector<std::string_view> path_alphabet{"a", "b", "", "ab"};
  std::vector<std::vector<std::string_view>> patterns{{}};
  for (std::size_t from = 0, len = 1; len <= 4; ++len) {
    std::size_t to = patterns.size();
    for (std::size_t k = from; k < to; ++k) {
      for (auto symbol : pattern_alphabet) {
        auto next = patterns[k];
        next.push_back(symbol);
        patterns.push_back(std::move(next));
      }
    }
    from = to;
  }
  std::vector<std::string> paths{""};
  for (std::size_t from = 0, len = 2; len <= 4; ++len) {
    std::size_t to = paths.size();
    for (std::size_t k = from; k < to; ++k)
      for (auto symbol : path_alphabet) paths.push_back(paths[k] + "/" + std::string(symbol));
    from = to;
  }
  for (auto symbol : path_alphabet) paths.emplace_back(symbol);
  std::size_t disagreements = 0;
  for (const auto& p : patterns) {
    for (const auto& t : paths) {
      if (glob_path_match(p, t) != reference_match(p, segments(t))) ++disagreements;
    }
  }
  EXPECT_EQ(disagreements, 0u);
}

// ---- PatternResolver -------------------------------------------------------

namespace {

// Every file and directory path tested against the pattern, as the plain
// reading of the resolution rule does it.
Paths reference_resolve(const CheckContext& context, std::string_view pattern) {
  std::string_view trimmed = pattern;
  while (trimmed.starts_with("./")) trimmed.remove_prefix(2);
  std::string normalized(trimmed);
  std::replace(normalized.begin(), normalized.end(), '\\', '/');
  std::set<std::string> out;
  if (normalized.find_first_of("*?") == std::string::npos) {
    if (context.files.contains(normalized) || context.directories.contains(normalized))
      out.insert(normalized);
    return {out.begin(), out.end()};
  }
  auto p = segments(normalized);
  for (const auto& [path, content] : context.files)
    if (reference_match(p, segments(path))) out.insert(path);
  for (auto dir : context.directories)
    if (reference_match(p, segments(dir))) out.emplace(dir);
  return {out.begin(), out.end()};
}

Paths texts(const PatternResolver::Paths& paths) { return {paths.begin(), paths.end()}; }

std::string random_text(std::mt19937& rng, const std::vector<std::string>& alphabet,
                        std::size_t max_depth) {
  std::size_t depth = 1 + rng() % max_depth;
  std::string text;
  for (std::size_t i = 0; i < depth; ++i) {
    if (i) text += '/';
    text += alphabet[rng() % alphabet.size()];
  }
  return text;
}

}  // namespace

TEST(PatternResolver, AgreesWithTestingEveryPath) {
  const std::vector<std::string> path_segments{"a", "b", "a-b", "a.b", "ab", "c.md", ""};
  const std::vector<std::string> pattern_segments{"a", "b", "a-b", "a.b", "*", "**", "?",
                                                  "a*", "*.md", "?b", ""};
  std::mt19937 rng(11);
  for (int round = 0; round < 200; ++round) {
    std::vector<RecipeFile> files;
    for (std::size_t i = rng() % 10; i > 0; --i)
      files.push_back({random_text(rng, path_segments, 5), ""});
    std::vector<std::string> dirs;
    for (std::size_t i = rng() % 3; i > 0; --i) dirs.push_back(random_text(rng, path_segments, 4));
    auto context = context_of(files, dirs);
    PatternResolver resolver(context);
    for (int k = 0; k < 20; ++k) {
      std::string pattern = random_text(rng, pattern_segments, 4);
      if (rng() % 4 == 0) pattern = "./" + pattern;
      const auto& got = resolver.resolve(pattern);
      ASSERT_EQ(texts(got), reference_resolve(context, pattern))
          << "round " << round << " pattern [" << pattern << "]";
    }
  }
}

TEST(PatternResolver, GlobWithLiteralPrefixTestsOnlyPathsBelowIt) {
  constexpr std::size_t kDirs = 1000;
  std::vector<RecipeFile> files;
  for (std::size_t i = 0; i < kDirs; ++i) files.push_back({"d" + std::to_string(i) + "/f.md", ""});
  auto context = context_of(files);
  PatternResolver resolver(context);
  for (std::size_t i = 0; i < kDirs; ++i) {
    std::string dir = "d" + std::to_string(i);
    EXPECT_EQ(texts(resolver.resolve(dir + "/*.md")), Paths{dir + "/f.md"});
  }
  // Each pattern tests its directory and the one file inside it.
  EXPECT_EQ(resolver.paths_tested(), 2 * kDirs);
  // "d1/**" sees "d1" and the paths below it, not "d10" or "d1x".
  resolver.resolve("d1/**");
  EXPECT_EQ(resolver.paths_tested(), 2 * kDirs + 2);
}

TEST(PatternResolver, RepeatedPatternIsResolvedOnce) {
  std::vector<RecipeFile> files;
  for (int i = 0; i < 100; ++i) files.push_back({"f" + std::to_string(i) + ".md", ""});
  auto context = context_of(files, {"dir"});
  PatternResolver resolver(context);
  const auto& first = resolver.resolve("*");
  EXPECT_EQ(first.size(), 101u);
  const std::size_t tested = resolver.paths_tested();
  EXPECT_EQ(tested, 101u);
  // Spellings that normalise alike share the first answer.
  for (const char* again : {"*", " * ", "./*", "././*"}) {
    EXPECT_EQ(&resolver.resolve(again), &first) << again;
  }
  EXPECT_EQ(resolver.paths_tested(), tested);
  EXPECT_NE(&resolver.resolve(".\\*"), &first);
}

TEST(PatternResolver, DeepPathWithPrefixedGlob) {
  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += "a/";
  auto context = context_of({{deep + "x.md", ""}, {"b/y.md", ""}});
  PatternResolver resolver(context);
  EXPECT_EQ(texts(resolver.resolve("b/*.md")), Paths{"b/y.md"});
  EXPECT_EQ(resolver.paths_tested(), 2u);
  EXPECT_EQ(texts(resolver.resolve("**/*.md")), (Paths{deep + "x.md", "b/y.md"}));
}

// Paths that are prefixes of one another (whose directories view one text)
// under patterns with several "**", so that the search between them is
// carried from one path to the next.
TEST(PatternResolver, SeveralDoubleStarsOverNestedPaths) {
  const std::vector<std::string> path_segments{"a", "b", "ab", "a.b", ""};
  const std::vector<std::string> pattern_segments{"a", "b", "a*", "*b", "?", "*", "**", "**"};
  std::mt19937 rng(5);
  for (int round = 0; round < 300; ++round) {
    std::vector<RecipeFile> files;
    for (std::size_t i = 1 + rng() % 4; i > 0; --i)
      files.push_back({random_text(rng, path_segments, 12), ""});
    std::vector<std::string> dirs;
    for (std::size_t i = rng() % 3; i > 0; --i) dirs.push_back(random_text(rng, path_segments, 12));
    auto context = context_of(files, dirs);
    PatternResolver resolver(context);
    for (int k = 0; k < 10; ++k) {
      std::string pattern = "**/" + random_text(rng, pattern_segments, 5) + "/**/" +
                            random_text(rng, pattern_segments, 2);
      ASSERT_EQ(texts(resolver.resolve(pattern)), reference_resolve(context, pattern))
          << "round " << round << " pattern [" << pattern << "]";
    }
  }
}

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "yaml/document.h"
#include "yaml/reader.h"
#include "yaml/to_json.h"

namespace kelp::yaml {
namespace {

std::string first_line(const std::string& text) { return text.substr(0, text.find('\n')); }

// Reads into a JsonValue under `options`; the display text on failure.
std::optional<std::string> read_with(const std::string& text, const YamlReadOptions& options) {
  auto value = read_yaml_document<JsonValue>(
      text, options, [](const NodeTree& tree) { return node_to_json(tree, tree.root()); });
  if (value) return std::nullopt;
  return value.error().display();
}

std::string error_of(const std::string& text) {
  auto value = read_json_value(text);
  EXPECT_FALSE(value.has_value());
  if (value) return std::string();
  EXPECT_EQ(value.error().kind, ReadErrorKind::Budget) << value.error().message;
  return first_line(value.error().display());
}

bool starts_with(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

// `count` aliases spread round-robin over `anchors` anchored scalars.
std::string aliases_over_anchors(int count, int anchors) {
  std::string text = "anchors:\n";
  for (int a = 0; a < anchors; ++a) text.append("  - &a").append(std::to_string(a)).append(" v\n");
  text += "uses:\n";
  for (int i = 0; i < count; ++i) text.append("  - *a").append(std::to_string(i % anchors)).append("\n");
  return text;
}

// ---- the alias/anchor ratio ----------------------------------------------------

struct RatioCase {
  int aliases;
  int anchors;
  bool reads;
};

class AliasAnchorRatio : public ::testing::TestWithParam<RatioCase> {};

TEST_P(AliasAnchorRatio, IsCheckedAtTheEnd) {
  const RatioCase& c = GetParam();
  auto value = read_json_value(aliases_over_anchors(c.aliases, c.anchors));
  EXPECT_EQ(value.has_value(), c.reads) << c.aliases << " over " << c.anchors;
  if (!value) {
    EXPECT_TRUE(starts_with(value.error().message, "budget breached: alias/anchor ratio ("))
        << value.error().message;
    EXPECT_EQ(value.error().kind, ReadErrorKind::Budget);
  }
}

INSTANTIATE_TEST_SUITE_P(Budget, AliasAnchorRatio,
                         ::testing::Values(RatioCase{99, 1, true}, RatioCase{100, 1, false},
                                           RatioCase{100, 10, true}, RatioCase{101, 10, false},
                                           RatioCase{1000, 100, true}, RatioCase{1001, 100, false}),
                         [](const auto& case_info) {
                           return std::to_string(case_info.param.aliases) + "AliasesOver" +
                                  std::to_string(case_info.param.anchors) + "Anchors";
                         });

// ---- hostile input -------------------------------------------------------------

TEST(HostileYaml, BillionLaughsIsRefusedBeforeExpansion) {
  std::string text = "a0: &a0 [lol, lol, lol, lol, lol, lol, lol, lol, lol, lol]\n";
  for (int level = 1; level < 10; ++level) {
    std::string prev = std::string("*a").append(std::to_string(level - 1));
    text.append("a").append(std::to_string(level)).append(": &a").append(std::to_string(level)).append(" [");
    for (int i = 0; i < 10; ++i) text += (i ? ", " : "") + prev;
    text += "]\n";
  }
  // Refused at the first alias past the budget, without expanding any.
  std::string error = error_of(text);
  EXPECT_EQ(error.substr(0, error.find(" at line")),
            "budget breached: events replayed through aliases (limit 1000000)");
}

TEST(HostileYaml, DeepFlowNestingIsRefusedAtTheBreach) {
  // Refused at the bracket past the budget: nothing after it is read.
  std::string text(1000000, '[');
  std::string error = error_of(text);
  EXPECT_EQ(error, "budget breached: nesting depth (limit 2000) at line 1, column 2001");
}

TEST(HostileYaml, WideFlowIsRefusedBeforeItIsTokenised) {
  // One flow list of a million items on one row: refused at the item past
  // the budget (the mapping, its key and the list are nodes 1 to 3, item i
  // starts at byte 4 + 2i), so the rest of the row is never tokenised.
  std::string text = "k: [";
  for (int i = 0; i < 1000000; ++i) text += "a,";
  text += "]\n";
  std::string error = error_of(text);
  EXPECT_EQ(error, "budget breached: nodes (limit 250000) at line 1, column " +
                       std::to_string(4 + 2 * 249997 + 1));
}

TEST(HostileYaml, DeepBlockNestingIsRefusedAtTheBreach) {
  // A million "- " on one row: refused at the entry past the budget.
  std::string text;
  for (int i = 0; i < 1000000; ++i) text += "- ";
  text += "x\n";
  std::string error = error_of(text);
  EXPECT_EQ(error, "budget breached: nesting depth (limit 2000) at line 1, column 4001");
}

TEST(HostileYaml, DepthLimitIsExact) {
  auto nested = [](int depth) { return std::string(depth, '[') + std::string(depth, ']'); };
  auto value = read_json_value(nested(2000));
  ASSERT_TRUE(value.has_value());
  const JsonValue* v = &*value;
  int depth = 0;
  while (v->is_array() && !v->as_array().empty()) {
    v = &v->as_array()[0];
    ++depth;
  }
  EXPECT_EQ(depth, 1999);
  EXPECT_TRUE(starts_with(error_of(nested(2001)), "budget breached: nesting depth"));
}

TEST(HostileYaml, AliasesCountTowardsDepth) {
  // A 1500-deep anchored node replayed 600 levels down would be 2100 deep.
  std::string deep = std::string(1500, '[') + std::string(1500, ']');
  std::string text = "- &deep " + deep + "\n- " + std::string(600, '[') + "*deep" +
                     std::string(600, ']') + "\n";
  EXPECT_TRUE(starts_with(error_of(text), "budget breached: nesting depth")) << error_of(text);
  text = "- &deep " + deep + "\n- " + std::string(400, '[') + "*deep" + std::string(400, ']') + "\n";
  EXPECT_TRUE(read_json_value(text).has_value());
}

TEST(HostileYaml, ReplayNestingIsLimited) {
  auto chain = [](int links) {
    std::string text = "- &l0 x\n";
    for (int i = 1; i <= links; ++i) {
      text.append("- &l").append(std::to_string(i)).append(" [*l").append(std::to_string(i - 1)).append("]\n");
    }
    return text;
  };
  EXPECT_TRUE(read_json_value(chain(64)).has_value());
  EXPECT_TRUE(starts_with(error_of(chain(65)), "budget breached: replay nesting (limit 64)"));
}

TEST(HostileYaml, AliasBudget) {
  std::string text = "- &a x\n- [";
  for (int i = 0; i < 50001; ++i) text += i ? ",*a" : "*a";
  text += "]\n";
  EXPECT_TRUE(starts_with(error_of(text), "budget breached: aliases (limit 50000)"));
}

TEST(HostileYaml, AnchorBudget) {
  std::string text = "[";
  for (int i = 0; i < 50001; ++i) text += (i ? ",&a" : "&a") + std::to_string(i) + " x";
  text += "]\n";
  EXPECT_TRUE(starts_with(error_of(text), "budget breached: distinct anchors (limit 50000)"));
}

TEST(HostileYaml, NodeBudget) {
  std::string text = "[";
  for (int i = 0; i < 250001; ++i) text += i ? ",0" : "0";
  text += "]\n";
  // The sequence itself is a node too.
  EXPECT_TRUE(starts_with(error_of(text), "budget breached: nodes (limit 250000)"));
}

TEST(HostileYaml, MergeKeyBudget) {
  std::string text = "b: &b {x: 1}\nl:\n";
  for (int i = 0; i < 10001; ++i) text += "- {<<: *b}\n";
  EXPECT_TRUE(starts_with(error_of(text), "budget breached: merge keys (limit 10000)"));
}

// Budgets whose defaults need texts of tens of megabytes are checked at
// lowered limits: the counting is the same.
TEST(BudgetCounting, ParserEvents) {
  YamlReadOptions options;
  options.max_events = 8;
  EXPECT_FALSE(read_with("[1, 2]", options));  // 2 stream + 2 document + 4 node events
  EXPECT_EQ(first_line(*read_with("[1, 2, 3]", options)),
            "budget breached: parser events (limit 8) at line 1, column 10");
}

TEST(BudgetCounting, ScalarBytesCountKeysAndValues) {
  YamlReadOptions options;
  options.max_scalar_bytes = 10;
  EXPECT_FALSE(read_with("abcd: 'efghij'", options));
  EXPECT_TRUE(starts_with(*read_with("abcd: 'efghijk'", options),
                          "budget breached: total scalar bytes (limit 10)"));
}

TEST(BudgetCounting, CommentBytes) {
  YamlReadOptions options;
  options.max_comment_bytes = 12;
  // 6 + 6 bytes of comments, in block and flow context.
  EXPECT_FALSE(read_with("# abcd\na: [1, # efgh\n  2]\n", options));
  EXPECT_TRUE(starts_with(*read_with("# abcd\na: [1, # efgh\n  2]  # i\n", options),
                          "budget breached: total comment bytes (limit 12)"));
  // "#" inside scalars, or not after a blank, opens no comment.
  options.max_comment_bytes = 0;
  EXPECT_FALSE(read_with("a: 'x # y'\nb: \"#\"\nc: |\n  # not a comment\nd: x#y\ne: &x#y 1\n",
                         options));
  EXPECT_TRUE(read_with("a: |  # header\n  text\n", options));
  EXPECT_TRUE(read_with("a: 1\n# trailing\n", options));
}

TEST(BudgetCounting, NestingCountsOnlyRealFlowCollections) {
  YamlReadOptions options;
  options.max_depth = 4;
  options.max_nodes = 40;
  // Brackets inside block scalars, quotes, plain text and comments are text.
  std::string text =
      "a: |\n  [[[[[[ {{{{ ,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,\n"
      "  - [[[[[[\n"
      "b: '[[[[[[ it''s'\n"
      "c: x[[[[[[, y{{{{{\n"
      "# [[[[[[\n"
      "d: \"[[[[[[ \\\" [[[[\"\n"
      "e: >-\n\n  [[[[[[\n"
      "f: [[[x]]]\n";
  EXPECT_FALSE(read_with(text, options)) << *read_with(text, options);
  // Refused at the fifth bracket, or at the fourth when a block sequence
  // holds them.
  EXPECT_EQ(first_line(*read_with("[[[[[x]]]]]\n", options)),
            "budget breached: nesting depth (limit 4) at line 1, column 5");
  EXPECT_EQ(first_line(*read_with("- {a: [{b: [x]}]}\n", options)),
            "budget breached: nesting depth (limit 4) at line 1, column 12");
}

// ---- scalar bytes replayed through aliases ------------------------------------

// Reads under `options` with a visitor that only notes that it ran, so that a
// test can tell a refusal while composing from one after the tree was built.
struct Composed {
  std::optional<std::string> error;
  bool visited = false;
};

Composed compose_only(const std::string& text, const YamlReadOptions& options = {}) {
  Composed out;
  auto read = read_yaml_document<bool>(text, options, [&](const NodeTree&) -> Expected<bool, YamlError> {
    out.visited = true;
    return true;
  });
  if (!read) out.error = read.error().display();
  return out;
}

// A text whose scalar bytes, with every alias written out, are exactly
// `bytes`; `written_out` is the same document without anchors or aliases.
struct ReplayCase {
  const char* name;
  const char* aliased;
  const char* written_out;
  std::uint64_t bytes;
};

class ReplayedScalarBytes : public ::testing::TestWithParam<ReplayCase> {};

TEST_P(ReplayedScalarBytes, CountAsIfWrittenOut) {
  const ReplayCase& c = GetParam();
  YamlReadOptions options;
  options.max_scalar_bytes = c.bytes;
  for (const char* text : {c.aliased, c.written_out}) {
    EXPECT_FALSE(compose_only(text, options).error) << text;
  }
  options.max_scalar_bytes = c.bytes - 1;
  for (const char* text : {c.aliased, c.written_out}) {
    Composed read = compose_only(text, options);
    ASSERT_TRUE(read.error) << text;
    EXPECT_TRUE(starts_with(*read.error, "budget breached: total scalar bytes (limit " +
                                             std::to_string(c.bytes - 1) + ")"))
        << *read.error;
    EXPECT_FALSE(read.visited);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Budget, ReplayedScalarBytes,
    ::testing::Values(
        ReplayCase{"ScalarAlias", "a: &x abcd\nb: *x\n", "a: abcd\nb: abcd\n", 10},
        ReplayCase{"CollectionAlias", "a: &x [ab, cd]\nb: *x\n", "a: [ab, cd]\nb: [ab, cd]\n", 10},
        ReplayCase{"AliasInsideAnAnchor", "a: &x ab\nb: &y [*x, *x]\nc: *y\n",
                   "a: ab\nb: [ab, ab]\nc: [ab, ab]\n", 13},
        ReplayCase{"AliasAsKey", "a: &k ab\n*k : 1\n", "a: ab\nab: 1\n", 6},
        ReplayCase{"MergedMapping", "b: &b {x: 1}\nc: {<<: *b, y: 2}\n",
                   "b: {x: 1}\nc: {<<: {x: 1}, y: 2}\n", 10},
        ReplayCase{"RedefinedAnchor", "- &x abc\n- &x d\n- *x\n", "- abc\n- d\n- d\n", 5}),
    [](const auto& case_info) { return std::string(case_info.param.name); });

// "k0: &k0 <scalar>", then `levels` keys, each a list of ten aliases of the
// key before: the scalar replayed 10^levels times through 10 * levels aliases.
std::string nested_anchors(std::size_t scalar_bytes, int levels) {
  std::string text = "k0: &k0 " + std::string(scalar_bytes, 'x') + "\n";
  for (int level = 1; level <= levels; ++level) {
    std::string name = "k" + std::to_string(level);
    text += name + ": &" + name + " [";
    for (int i = 0; i < 10; ++i) text += (i ? ", *k" : "*k") + std::to_string(level - 1);
    text += "]\n";
  }
  return text;
}

struct HostileReplay {
  const char* name;
  std::function<std::string()> text;
  // The first line of the error: the position is that of the first alias
  // whose replay takes the total past 64 MiB.
  const char* error;
};

class HostileReplayedBytes : public ::testing::TestWithParam<HostileReplay> {};

TEST_P(HostileReplayedBytes, AreRefusedWhileComposing) {
  Composed read = compose_only(GetParam().text());
  ASSERT_TRUE(read.error);
  EXPECT_EQ(first_line(*read.error), GetParam().error);
  EXPECT_FALSE(read.visited);
}

INSTANTIATE_TEST_SUITE_P(
    Budget, HostileReplayedBytes,
    ::testing::Values(
        // 100 kB * (1 + 10 + 100) so far, then 10 MB per alias of k3: the
        // sixth one passes 64 MiB.
        HostileReplay{"HundredKilobytesBehindFourLevelsOfTen",
                      [] { return nested_anchors(100000, 4); },
                      "budget breached: total scalar bytes (limit 67108864) at line 4, column 35"},
        HostileReplay{"HundredKilobytesBehindFiveLevelsOfTen",
                      [] { return nested_anchors(100000, 5); },
                      "budget breached: total scalar bytes (limit 67108864) at line 4, column 35"},
        // 1 MB written plus 66 replays is 67,000,000 bytes; the 67th replay
        // passes 67,108,864.
        HostileReplay{"ThousandAliasesOfOneMegabyte",
                      [] {
                        std::string text = "big: &big " + std::string(1000000, 'x') + "\nuses: [";
                        for (int i = 0; i < 1000; ++i) text += i ? ", *big" : "*big";
                        return text + "]\n";
                      },
                      "budget breached: total scalar bytes (limit 67108864) at line 2, column 404"}),
    [](const auto& case_info) { return std::string(case_info.param.name); });

TEST(ReplayedScalarBytesDefaults, AFewAliasesOfASharedTextReadExpanded) {
  std::string shared(100000, 'x');
  auto value = read_json_value("shared: &s " + shared + "\nuses: [*s, *s, *s]\n");
  ASSERT_TRUE(value.has_value()) << value.error().display();
  const auto& uses = value->as_object().at("uses").as_array();
  ASSERT_EQ(uses.size(), 3u);
  for (const auto& use : uses) EXPECT_EQ(use.as_string(), shared);
}

TEST(ReplayedScalarBytesDefaults, ExactlyTheBudgetReads) {
  // Two one-byte keys, the anchored text and one replay of it, then a last
  // entry that fills 64 MiB exactly or passes it by one byte.
  constexpr std::size_t kBudget = 67108864;
  std::string half((kBudget - 4) / 2, 'x');
  std::string text = "a: &h " + half + "\nb: *h\n";
  EXPECT_FALSE(compose_only(text + "c: d\n").error);
  Composed over = compose_only(text + "c: de\n");
  ASSERT_TRUE(over.error);
  EXPECT_EQ(first_line(*over.error).substr(0, first_line(*over.error).find(" at line")),
            "budget breached: total scalar bytes (limit 67108864)");
}

TEST(BudgetCounting, RatioCanBeSwitchedOffButIsOnByDefault) {
  YamlReadOptions options;
  EXPECT_TRUE(options.enforce_alias_anchor_ratio);
  options.enforce_alias_anchor_ratio = false;
  EXPECT_FALSE(read_with(aliases_over_anchors(100, 1), options));
}

}  // namespace
}  // namespace kelp::yaml

#include <gtest/gtest.h>

#include <string>

#include "yaml/document.h"
#include "yaml/reader.h"
#include "yaml/to_json.h"

namespace kelp::yaml {
namespace {

std::string first_line(const std::string& text) { return text.substr(0, text.find('\n')); }

// Reads into a JsonValue under `options`; the display text on failure.
std::optional<std::string> read_with(const std::string& text, const YamlReadOptions& options) {
  return read_yaml_document(text, options, [](const NodeTree& tree) -> std::optional<YamlError> {
    auto value = node_to_json(tree, tree.root());
    if (!value) return value.error();
    return std::nullopt;
  });
}

std::string error_of(const std::string& text) {
  auto value = read_json_value(text);
  EXPECT_FALSE(value.has_value());
  return value ? std::string() : first_line(value.error());
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
    EXPECT_TRUE(starts_with(value.error(), "budget breached: alias/anchor ratio (")) << value.error();
  }
}

INSTANTIATE_TEST_SUITE_P(Budget, AliasAnchorRatio,
                         ::testing::Values(RatioCase{99, 1, true}, RatioCase{100, 1, false},
                                           RatioCase{100, 10, true}, RatioCase{101, 10, false},
                                           RatioCase{1000, 100, true}, RatioCase{1001, 100, false}));

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

TEST(BudgetCounting, RatioCanBeSwitchedOffButIsOnByDefault) {
  YamlReadOptions options;
  EXPECT_TRUE(options.enforce_alias_anchor_ratio);
  options.enforce_alias_anchor_ratio = false;
  EXPECT_FALSE(read_with(aliases_over_anchors(100, 1), options));
}

}  // namespace
}  // namespace kelp::yaml

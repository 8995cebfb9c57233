#include "yaml/reader.h"

#include <gtest/gtest.h>

#include "yaml/document.h"
#include "yaml/to_json.h"

#include "common/case_name.h"
#include "read_error_checks.h"

#include <cmath>
#include <ostream>
#include <string>

namespace kelp::yaml {
namespace {

using namespace std::string_literals;

JsonValue read_ok(const std::string& text) {
  auto value = read_json_value(text);
  EXPECT_TRUE(value.has_value()) << (value ? "" : value.error().display());
  return value ? *value : JsonValue();
}

ReadError read_fault(const std::string& text) {
  auto value = read_json_value(text);
  EXPECT_FALSE(value.has_value()) << text;
  return value ? ReadError() : value.error();
}

std::string read_error(const std::string& text) { return read_fault(text).display(); }

std::string first_line(const std::string& text) { return text.substr(0, text.find('\n')); }

JsonValue object(std::initializer_list<std::pair<const std::string, JsonValue>> members) {
  return JsonValue(JsonValue::Object(members));
}

// ---- documents -------------------------------------------------------------

TEST(YamlDocuments, ByteOrderMarkIsSkipped) {
  EXPECT_EQ(read_ok("\xEF\xBB\xBF" "a: 1\n"), read_ok("a: 1\n"));
  // Positions are those of the text without the mark.
  EXPECT_EQ(first_line(read_error("\xEF\xBB\xBF" "a: 1\na: 2\n")),
            "duplicate key `a` in mapping at line 2, column 1");
}

TEST(YamlDocuments, SecondDocumentFails) {
  std::string error = read_error("a: 1\n---\nb: 2\n");
  EXPECT_EQ(first_line(error), "more than one document in the YAML text at line 2, column 1");
  read_error("a: 1\n...\n---\nb: 2\n");
  read_error("--- 1\n--- 2\n");
}

TEST(YamlDocuments, OneExplicitDocumentReads) {
  EXPECT_EQ(read_ok("---\na: 1\n...\n"), object({{"a", std::uint64_t{1}}}));
}

TEST(YamlDocuments, NoDocumentReadsAsNull) {
  EXPECT_TRUE(read_ok("").is_null());
  EXPECT_TRUE(read_ok("# only a comment\n\n   \n").is_null());
  EXPECT_TRUE(read_ok("---\n").is_null());
  EXPECT_TRUE(read_ok("\xEF\xBB\xBF").is_null());
}

TEST(YamlDocuments, DuplicateKeysFail) {
  EXPECT_EQ(first_line(read_error("a: 1\nb: 2\na: 3\n")),
            "duplicate key `a` in mapping at line 3, column 1");
  // Keys are texts whatever their style.
  read_error("a: 1\n'a': 2\n");
  read_error("1: x\n\"1\": y\n");
  read_error("{x: 1, x: 2}");
  // Past the size where keys move into a hash set.
  std::string many;
  for (int i = 0; i < 40; ++i) many.append("k").append(std::to_string(i)).append(": 0\n");
  read_ok(many);
  EXPECT_EQ(first_line(read_error(many + "k17: 1\n")),
            "duplicate key `k17` in mapping at line 41, column 1");
  // The same key in different mappings is fine.
  read_ok("a: {x: 1}\nb: {x: 2}\n");
}

// ---- values ----------------------------------------------------------------

TEST(YamlValues, PlainScalarsAreTypedQuotedAreStrings) {
  JsonValue v = read_ok(
      "a: yes\nb: Off\nc: NULL\nd: ~\ne:\nf: 'yes'\ng: \"12\"\nh: 12\ni: -12\nj: 1.5\nk: 1.2.3\n"
      "l: |\n  12\nm: >-\n  true\n");
  EXPECT_EQ(*v.get("a"), JsonValue(true));
  EXPECT_EQ(*v.get("b"), JsonValue(false));
  EXPECT_TRUE(v.get("c")->is_null());
  EXPECT_TRUE(v.get("d")->is_null());
  EXPECT_TRUE(v.get("e")->is_null());
  EXPECT_EQ(*v.get("f"), JsonValue("yes"));
  EXPECT_EQ(*v.get("g"), JsonValue("12"));
  EXPECT_TRUE(v.get("h")->is_u64());
  EXPECT_EQ(v.get("h")->as_u64(), 12u);
  EXPECT_TRUE(v.get("i")->is_i64());
  EXPECT_EQ(v.get("i")->as_i64(), -12);
  EXPECT_TRUE(v.get("j")->is_f64());
  EXPECT_EQ(*v.get("k"), JsonValue("1.2.3"));
  EXPECT_EQ(*v.get("l"), JsonValue("12\n"));
  EXPECT_EQ(*v.get("m"), JsonValue("true"));
}

TEST(YamlValues, MappingKeysAreTexts) {
  EXPECT_EQ(read_ok("1: a\ntrue: b\nnull: c\n~: d\n'': e\n"),
            object({{"1", "a"}, {"true", "b"}, {"null", "c"}, {"~", "d"}, {"", "e"}}));
}

TEST(YamlValues, CollectionsKeepOrderAndNesting) {
  JsonValue v = read_ok("list:\n  - 3\n  - [a, {b: c}]\n  - {}\n");
  JsonValue::Array inner{JsonValue("a"), object({{"b", "c"}})};
  JsonValue::Array list{JsonValue(std::uint64_t{3}), JsonValue(inner), JsonValue(JsonValue::Object{})};
  EXPECT_EQ(v, object({{"list", JsonValue(list)}}));
}

TEST(YamlValues, TextIsKeptExactly) {
  JsonValue v = read_ok("a: \"x\\ty\\u00e9\\n\"\nb: '  spaced  '\nc: caf\xC3\xA9\nd: a\xC2\x85" "b\n");
  EXPECT_EQ(v.get("a")->as_string(), "x\ty\xC3\xA9\n");
  EXPECT_EQ(v.get("b")->as_string(), "  spaced  ");
  EXPECT_EQ(v.get("c")->as_string(), "caf\xC3\xA9");
  EXPECT_EQ(v.get("d")->as_string(), "a\xC2\x85" "b");
}

// Brackets, braces and commas inside scalars are text: they open no
// collection and count towards no nesting or node budget.
struct FlowLookingText {
  const char* name;
  std::string text;
  std::string key;
  std::string expected;
};
void PrintTo(const FlowLookingText& c, std::ostream* os) { *os << c.name; }

class FlowLookingTextReads : public ::testing::TestWithParam<FlowLookingText> {};

TEST_P(FlowLookingTextReads, AndComesBackUnchanged) {
  const FlowLookingText& c = GetParam();
  JsonValue v = read_ok(c.text);
  ASSERT_TRUE(v.is_object());
  ASSERT_NE(v.get(c.key), nullptr);
  EXPECT_EQ(v.get(c.key)->as_string(), c.expected);
}

std::string repeated(std::string_view part, std::size_t times) {
  std::string out;
  out.reserve(part.size() * times);
  for (std::size_t i = 0; i < times; ++i) out += part;
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Budgets, FlowLookingTextReads,
    ::testing::Values(
        FlowLookingText{"BracketsInAJsonStyleString",
                        "{\"name\":\"writer\",\"description\":\"" + std::string(2001, '[') + "\"}",
                        "description", std::string(2001, '[')},
        FlowLookingText{"CommasInAJsonStyleString",
                        "{\"name\":\"writer\",\"description\":\"" + std::string(750001, ',') + "\"}",
                        "description", std::string(750001, ',')},
        FlowLookingText{"BracesInASingleQuotedString",
                        "description: '" + std::string(2001, '{') + "'\n", "description",
                        std::string(2001, '{')},
        FlowLookingText{"PlainContinuationRowsStartingWithBrackets",
                        "description: see\n" + repeated("  [x\n", 2001), "description",
                        "see" + repeated(" [x", 2001)},
        FlowLookingText{"PlainContinuationRowsStartingWithBraces",
                        "description: see\n" + repeated("  {x,\n", 2001), "description",
                        "see" + repeated(" {x,", 2001)}),
    [](const ::testing::TestParamInfo<FlowLookingText>& case_info) { return std::string(case_info.param.name); });

// ---- tags ------------------------------------------------------------------

struct TagCase {
  const char* text;
  JsonValue expected;
};

class YamlTags : public ::testing::TestWithParam<TagCase> {};

TEST_P(YamlTags, CoreTagsAreHonoured) {
  EXPECT_EQ(read_ok(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Scalars, YamlTags,
    ::testing::Values(TagCase{"!!str 5", "5"}, TagCase{"!!str true", "true"},
                      TagCase{"! 12", "12"}, TagCase{"!!int \"5\"", std::uint64_t{5}},
                      TagCase{"!!int -5", std::int64_t{-5}}, TagCase{"!!float 1", 1.0},
                      TagCase{"!!bool 'yes'", true}, TagCase{"!!null ''", nullptr},
                      TagCase{"!!map {a: 1}", JsonValue(JsonValue::Object{{"a", std::uint64_t{1}}})},
                      TagCase{"!!seq []", JsonValue(JsonValue::Array{})},
                      TagCase{"!!str a: 1", JsonValue(JsonValue::Object{{"a", std::uint64_t{1}}})}), KELP_CASE_NAMES(p.text));

TEST(YamlTags, UnknownOrMismatchedTagsAreRefusedNotDropped) {
  EXPECT_EQ(first_line(read_error("a: !foo x\n")), "unsupported tag `!foo` at line 1, column 9");
  EXPECT_EQ(first_line(read_error("a: !!int abc\n")),
            "invalid value \"abc\" for tag !!int at line 1, column 10");
  read_error("a: !!binary aGk=\n");
  read_error("a: !!set {x: null}\n");
  read_error("a: !!map [1]\n");
  read_error("!custom key: 1\n");
}

// ---- aliases and merge keys -----------------------------------------------

TEST(YamlAliases, AliasesReplayTheirNode) {
  JsonValue v = read_ok("base: &b {x: 1}\ncopy: *b\nname: &n hello\nagain: *n\n*n : 2\n");
  EXPECT_EQ(*v.get("copy"), object({{"x", std::uint64_t{1}}}));
  EXPECT_EQ(*v.get("again"), JsonValue("hello"));
  EXPECT_EQ(*v.get("hello"), JsonValue(std::uint64_t{2}));
}

TEST(YamlAliases, LaterAnchorOfTheSameNameWins) {
  EXPECT_EQ(read_ok("- &a 1\n- *a\n- &a 2\n- *a\n"),
            JsonValue(JsonValue::Array{std::uint64_t{1}, std::uint64_t{1}, std::uint64_t{2},
                                       std::uint64_t{2}}));
}

TEST(YamlAliases, BadAliasesFail) {
  EXPECT_EQ(first_line(read_error("a: *nope\n")), "unknown alias `nope` at line 1, column 4");
  EXPECT_EQ(first_line(read_error("a: &x [1, *x]\n")),
            "alias `x` refers to a node that contains it at line 1, column 11");
  EXPECT_EQ(first_line(read_error("m: &m {a: 1}\n*m : 2\n")),
            "mapping keys must be scalars at line 2, column 1");
  EXPECT_EQ(first_line(read_error("? [a, b]\n: 1\n")),
            "mapping keys must be scalars at line 1, column 3");
}

TEST(YamlMerge, MergesMappingsWithExplicitKeysWinning) {
  JsonValue v = read_ok(
      "base: &b {x: 1, y: 2}\n"
      "other: &o {y: 20, z: 30}\n"
      "one:\n  y: 3\n  <<: *b\n"
      "list:\n  <<: [*o, *b]\n  w: 0\n"
      "inline:\n  <<: {p: 1}\n  q: 2\n");
  EXPECT_EQ(*v.get("one"), object({{"x", std::uint64_t{1}}, {"y", std::uint64_t{3}}}));
  // The first mapping of the list gives y.
  EXPECT_EQ(*v.get("list"), object({{"w", std::uint64_t{0}},
                                    {"x", std::uint64_t{1}},
                                    {"y", std::uint64_t{20}},
                                    {"z", std::uint64_t{30}}}));
  EXPECT_EQ(*v.get("inline"), object({{"p", std::uint64_t{1}}, {"q", std::uint64_t{2}}}));
}

TEST(YamlMerge, ExplicitKeyAfterTheMergeStillWins) {
  EXPECT_EQ(*read_ok("b: &b {k: old}\nm:\n  <<: *b\n  k: new\n").get("m"), object({{"k", "new"}}));
}

TEST(YamlMerge, QuotedMergeKeyIsAnOrdinaryKey) {
  JsonValue v = read_ok("'<<': {a: 1}\n");
  EXPECT_EQ(*v.get("<<"), object({{"a", std::uint64_t{1}}}));
}

TEST(YamlMerge, MergeValueMustHoldMappings) {
  EXPECT_EQ(first_line(read_error("a:\n  <<: 5\n")),
            "merge key value must be a mapping or a list of mappings at line 2, column 7");
  EXPECT_EQ(first_line(read_error("b: &b {x: 1}\na:\n  <<: [*b, 5]\n")),
            "merge key list items must be mappings at line 3, column 12");
  EXPECT_EQ(first_line(read_error("a:\n  <<: {x: 1}\n  <<: {y: 1}\n")),
            "duplicate key `<<` in mapping at line 3, column 3");
}

// ---- error display -----------------------------------------------------------

TEST(YamlErrorDisplay, MessagePositionAndExcerpt) {
  EXPECT_EQ(read_error("a: 1\nbb: [x\n"),
            "flow sequence without a closing bracket at line 3, column 1\n"
            " 3 | \n"
            "   | ^");
  EXPECT_EQ(read_error("a: 1\nkey: value\nkey: 2\n"),
            "duplicate key `key` in mapping at line 3, column 1\n"
            " 3 | key: 2\n"
            "   | ^");
}

TEST(YamlErrorDisplay, ColumnsCountCharacters) {
  EXPECT_EQ(read_error("\xC3\xA9\xC3\xA9: *x\n"),
            "unknown alias `x` at line 1, column 5\n"
            " 1 | \xC3\xA9\xC3\xA9: *x\n"
            "   |     ^");
}

TEST(YamlErrorDisplay, CarriageReturnsEndLines) {
  EXPECT_EQ(first_line(read_error("a: 1\r\nb: 2\rb: 3\r\n")),
            "duplicate key `b` in mapping at line 3, column 1");
}

TEST(YamlErrorDisplay, ControlCharactersInTheExcerptAreReplaced) {
  EXPECT_EQ(read_error("k: 1\nk: \"\tx\xC2\x85y\"\n"),
            "duplicate key `k` in mapping at line 2, column 1\n"
            " 2 | k: \" x?y\"\n"
            "   | ^");
}

TEST(YamlErrorDisplay, LongLinesAreWindowedAroundTheColumn) {
  std::string line = "k: [" + std::string(300, 'a') + ", *missing, " + std::string(300, 'b') + "]";
  std::string error = read_error(line + "\n");
  std::size_t second = error.find('\n');
  std::size_t third = error.find('\n', second + 1);
  std::string excerpt = error.substr(second + 1, third - second - 1);
  std::string caret = error.substr(third + 1);
  EXPECT_EQ(first_line(error), "unknown alias `missing` at line 1, column 307");
  EXPECT_LE(excerpt.size(), 140u);
  EXPECT_LE(caret.size(), 140u);
  EXPECT_EQ(excerpt.substr(0, 8), " 1 | ...");
  EXPECT_EQ(excerpt.substr(excerpt.size() - 3), "...");
  EXPECT_EQ(excerpt.substr(caret.size() - 1, 8), "*missing");
}

TEST(YamlErrorDisplay, ParserMessagesKeepThePositionReadable) {
  ReadError error = read_fault("a: b: c\n");
  EXPECT_EQ(first_line(error.display()), "mapping values are not allowed here at line 1, column 5");
  EXPECT_EQ(error.message, "mapping values are not allowed here");
  EXPECT_EQ(error.line, 1u);
  EXPECT_EQ(error.column, 5u);
  EXPECT_TRUE(position_reads_first(error));
}

TEST(YamlErrorDisplay, UserTextCannotDisturbThePosition) {
  ReadError error = read_fault("pipeline: 1\npipeline: 2\n");
  EXPECT_EQ(first_line(error.display()),
            "duplicate key `pipelin\\u{65}` in mapping at line 2, column 1");
  EXPECT_EQ(error.line, 2u);
  EXPECT_EQ(error.column, 1u);
  EXPECT_TRUE(position_reads_first(error));

  error = read_fault("\"line 9\\ncolumn 9\": 1\n\"line 9\\ncolumn 9\": 2\n");
  EXPECT_EQ(first_line(error.display()),
            "duplicate key `lin\\u{65} 9\\ncolumn 9` in mapping at line 2, column 1");
  EXPECT_EQ(error.line, 2u);
  EXPECT_EQ(error.column, 1u);
  EXPECT_TRUE(position_reads_first(error));
}

TEST(YamlErrorDisplay, BadCharactersAreReportedWhereTheyStand) {
  ReadError error = read_fault("a: 1\nb: x\0y\n"s);
  EXPECT_EQ(first_line(error.display()),
            "character U+0000 is not allowed in YAML text at line 2, column 5");
  EXPECT_EQ(error.line, 2u);
  EXPECT_EQ(error.column, 5u);
  EXPECT_TRUE(position_reads_first(error));
  EXPECT_EQ(first_line(read_error("a: \xFE\n")),
            "invalid UTF-8 byte 0xFE in YAML text at line 1, column 4");
}

TEST(YamlErrorDisplay, ExcerptFollowsThePosition) {
  ReadError error = read_fault("x:\n  - a\n  - *b\n");
  EXPECT_EQ(error.line, 3u);
  EXPECT_EQ(error.column, 5u);
  EXPECT_EQ(error.excerpt, " 3 |   - *b\n   |     ^");
  EXPECT_EQ(error.display(), "unknown alias `b` at line 3, column 5\n" + error.excerpt);
}

TEST(YamlErrorDisplay, NoExcerptWhenTheSettingsTurnItOff) {
  YamlReadOptions options;
  options.error_excerpt = false;
  auto value = read_yaml_document<JsonValue>(
      "a: *b\n", options, [](const NodeTree& tree) { return node_to_json(tree, tree.root()); });
  ASSERT_FALSE(value.has_value());
  EXPECT_EQ(value.error().excerpt, "");
  EXPECT_EQ(value.error().display(), "unknown alias `b` at line 1, column 4");
}

// ---- error kinds -------------------------------------------------------------

struct KindCase {
  const char* text;
  ReadErrorKind kind;
};

class ReadErrorKinds : public ::testing::TestWithParam<KindCase> {};

TEST_P(ReadErrorKinds, NameTheFault) {
  ReadError error = read_fault(GetParam().text);
  EXPECT_EQ(error.kind, GetParam().kind) << error.display();
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ReadErrorKinds,
    ::testing::Values(KindCase{"a: \"x\x01\"\n", ReadErrorKind::Text},
                      KindCase{"a: \xFE\n", ReadErrorKind::Text},
                      KindCase{"a: b: c\n", ReadErrorKind::Syntax},
                      KindCase{"a: [1, 2\n", ReadErrorKind::Syntax},
                      KindCase{"a: \"x\\qy\"\n", ReadErrorKind::Syntax},
                      KindCase{"a: 1\n---\nb: 2\n", ReadErrorKind::SecondDocument},
                      KindCase{"a: 1\na: 2\n", ReadErrorKind::DuplicateKey},
                      KindCase{"a: *missing\n", ReadErrorKind::Alias},
                      KindCase{"a: &x [*x]\n", ReadErrorKind::Alias},
                      KindCase{"a: !foo x\n", ReadErrorKind::Tag},
                      KindCase{"a: !!int abc\n", ReadErrorKind::Tag},
                      KindCase{"a: !e!x 1\n", ReadErrorKind::Tag},
                      KindCase{"? [a]\n: 1\n", ReadErrorKind::Structure},
                      KindCase{"a:\n  <<: 5\n", ReadErrorKind::Structure}),
    KELP_CASE_NAMES(p.text));

TEST(ReadErrorKinds, BudgetsAreTheirOwnKind) {
  EXPECT_EQ(read_fault(std::string(3000, '[')).kind, ReadErrorKind::Budget);
  EXPECT_EQ(read_fault("a: &a x\nb: [" + repeated("*a, ", 100) + "]\n").kind, ReadErrorKind::Budget);
}

}  // namespace
}  // namespace kelp::yaml

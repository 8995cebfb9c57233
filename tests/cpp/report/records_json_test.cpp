// Error positions of the two input documents, read by the typed record
// readers: each case runs through the snapshot reader or the judge-source
// reader, one rule per suite.
#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>
#include <string_view>

#include "common/case_name.h"
#include "json/reader.h"
#include "report/records_json.h"
#include "unicode/text.h"

namespace {

enum class Document { Snapshot, JudgeSources };

struct Case {
  const char* name;
  Document document;
  std::string_view text;
  const char* error;
};

void PrintTo(const Case& c, std::ostream* os) { *os << kelp::unicode::quoted(c.text); }

std::string_view document_name(Document d) {
  return d == Document::Snapshot ? "Snapshot" : "JudgeSources";
}

std::string error_of(const Case& c) {
  if (c.document == Document::Snapshot) {
    auto r = kelp::parse_recipe_snapshot(c.text);
    return r ? "ok" : r.error();
  }
  auto r = kelp::parse_judge_sources(c.text);
  return r ? "ok" : r.error();
}

class RecordPositions : public testing::TestWithParam<Case> {};

TEST_P(RecordPositions, ReportTheStatedPlace) { EXPECT_EQ(error_of(GetParam()), GetParam().error); }

constexpr auto S = Document::Snapshot;
constexpr auto J = Document::JudgeSources;

INSTANTIATE_TEST_SUITE_P(
    UnicodeEscape, RecordPositions,
    testing::Values(
        Case{"WholeDocument", S, R"("\u12G4")", "invalid escape at line 1 column 7"},
        Case{"WholeDocument", J, R"("\u12G4")", "invalid escape at line 1 column 7"},
        Case{"BadTrailingSurrogate", S, R"("\ud800\uzzzz")", "invalid escape at line 1 column 13"},
        Case{"BadTrailingSurrogate", J, R"("\ud800\uzzzz")", "invalid escape at line 1 column 13"},
        Case{"InPath", S, R"({"files":[{"path":"\u12G4"}]})", "invalid escape at line 1 column 25"},
        Case{"InSkippedMember", S, R"({"files":[],"x":"\u12"})", "invalid escape at line 1 column 23"},
        Case{"InSkippedMember", J, R"([{"path":"a","content":"b","x":"\u12"}])",
             "invalid escape at line 1 column 38"}),
    KELP_CASE_NAMES(std::string(document_name(p.document)) + "_" + p.name));

INSTANTIATE_TEST_SUITE_P(
    ExponentOverflow, RecordPositions,
    testing::Values(
        Case{"WholeDocument", S, "1e999999999999999999999", "number out of range at line 1 column 12"},
        Case{"WholeDocument", J, "1e999999999999999999999", "number out of range at line 1 column 12"},
        Case{"AsContent", J, R"([{"path":"a","content":5e99999999999}])",
             "number out of range at line 1 column 35"}),
    KELP_CASE_NAMES(std::string(document_name(p.document)) + "_" + p.name));

INSTANTIATE_TEST_SUITE_P(
    DuplicateField, RecordPositions,
    testing::Values(
        Case{"BeforeColonOnNextLine", S, "{\"files\":[] , \"files\"\n : []}",
             "duplicate field `files` at line 2 column 1"},
        Case{"BeforeColonOnNextLine", J, "[{\"path\":\"a\" , \"path\"\n : \"b\"}]",
             "duplicate field `path` at line 2 column 1"},
        Case{"RightBeforeColon", J, R"([{"path":"a","content":"b","content":"c"}])",
             "duplicate field `content` at line 1 column 36"},
        Case{"ClosingBraceIsTaken", S, R"({"files":[],"files"})", "duplicate field `files` at line 1 column 20"},
        Case{"AtEndOfText", S, "{\"files\":[],\"files\"  ", "duplicate field `files` at line 1 column 21"}),
    KELP_CASE_NAMES(std::string(document_name(p.document)) + "_" + p.name));

INSTANTIATE_TEST_SUITE_P(
    ControlCharacter, RecordPositions,
    testing::Values(
        Case{"InSkippedMember", S, "{\"files\":[],\"x\":\"a\tb\"}",
             "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 18"},
        Case{"InSkippedNestedMember", S, "{\"files\":[],\"x\":{\"k\":\"a\tb\"}}",
             "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 23"},
        Case{"InSkippedMember", J, "[{\"path\":\"a\",\"content\":\"b\",\"x\":\"a\tb\"}]",
             "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 33"},
        Case{"InPathThatIsRead", S, "{\"files\":[{\"path\":\"a\tb\"}]}",
             "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 21"},
        Case{"InPathThatIsRead", J, "[{\"path\":\"a\tb\",\"content\":\"\"}]",
             "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 12"}),
    KELP_CASE_NAMES(std::string(document_name(p.document)) + "_" + p.name));

// A file content is kept undecoded while the snapshot is read; it must be
// judged exactly as a decoded string is, at the same position, and give the
// same text when it is read. Random literals mix plain runs of every length
// (so that specials fall anywhere in a 16-byte block) with escapes, broken
// escapes, raw control characters and an early end of text.
TEST(SnapshotContent, KeptLiteralIsJudgedAndDecodedLikeAString) {
  const std::string_view pieces[] = {
      "a", "abcdefghijklmnopq", "\xC3\xA9", "\\n", "\\\"", "\\\\", "\\/", "\\u00e9",
      "\\ud83d\\ude00", "\\ud800", "\\udc00x", "\\ud800\\u0041", "\\x", "\t", "\\u12"};
  std::mt19937 rng(11);
  int decoded_cases = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string literal = "\"";
    std::size_t count = rng() % 12;
    for (std::size_t i = 0; i < count; ++i) {
      // Mostly plain text, as in real contents.
      std::size_t pick = rng() % 3 ? rng() % 3 : rng() % std::size(pieces);
      for (std::size_t n = rng() % 4 + 1; n > 0; --n) literal += pieces[pick];
    }
    if (rng() % 8) literal += '"';
    // The same bytes are a snapshot in array form (a file "" with the
    // literal as content) and a plain JSON value.
    std::string text = "[[[\"\"," + literal + "]]]";
    auto expected = kelp::json::parse_value(text);
    auto read = kelp::parse_recipe_snapshot(text);
    if (!expected) {
      ASSERT_FALSE(read) << literal;
      EXPECT_EQ(read.error(), expected.error().display()) << literal;
      continue;
    }
    ASSERT_TRUE(read) << literal << ": " << read.error();
    ASSERT_EQ(read->files.size(), 1u);
    ASSERT_TRUE(read->files[0].content.has_value());
    std::string storage;
    EXPECT_EQ(read->files[0].content->view(storage),
              expected->as_array()[0].as_array()[0].as_array()[1].as_string())
        << literal;
    ++decoded_cases;
  }
  EXPECT_GT(decoded_cases, 300);
}

TEST(SnapshotContent, NullIsNoContent) {
  auto read = kelp::parse_recipe_snapshot(R"({"files":[{"path":"a","content":null},["b",null]]})");
  ASSERT_TRUE(read) << read.error();
  ASSERT_EQ(read->files.size(), 2u);
  EXPECT_FALSE(read->files[0].content.has_value());
  EXPECT_FALSE(read->files[1].content.has_value());
}

}  // namespace

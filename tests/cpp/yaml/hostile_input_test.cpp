// Hostile YAML texts of the sizes an attacker can hand in: a million
// brackets or sequence entries, scalars of a hundred megabytes, a million
// aliases, deep block nesting. Each must end in a value or in the error of
// the limit it breaches, never in a crash.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <functional>
#include <string>

#include "yaml/event_source.h"
#include "read_error_checks.h"
#include "yaml/reader.h"

namespace kelp::yaml {
namespace {

std::string first_line(const std::string& text) { return text.substr(0, text.find('\n')); }

std::string repeat(std::string_view piece, std::size_t times, std::string out = {}) {
  out.reserve(out.size() + piece.size() * times + 4);  // room for a closing quote
  for (std::size_t i = 0; i < times; ++i) out.append(piece);
  return out;
}

// ---- texts refused by one budget -------------------------------------------------

struct RefusedCase {
  const char* name;
  std::function<std::string()> make;
  // The start of the error's first line: the limit that is breached.
  const char* error_start;
};
void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

class HostileText : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(HostileText, IsRefusedByItsBudget) {
  const RefusedCase& c = GetParam();
  auto value = read_json_value(c.make());
  ASSERT_FALSE(value.has_value());
  std::string error = first_line(value.error().display());
  EXPECT_EQ(error.substr(0, std::string_view(c.error_start).size()), c.error_start) << error;
  EXPECT_TRUE(position_reads_first(value.error())) << error;
}

constexpr std::size_t kMillion = 1000000;
constexpr std::size_t kHundredMegabytes = 100u * 1000 * 1000;

// A scalar of about `bytes` bytes of text (at least 3/4 of that after its
// escapes) as the value of key "x", in one style.
std::string long_plain(std::size_t bytes) {
  std::string text = "x: ";
  text.append(bytes, 'a').append("\n");
  return text;
}
std::string long_single_quoted(std::size_t bytes) {
  return repeat("it''s ", bytes / 7, "x: '") + "'\n";
}
std::string long_double_quoted(std::size_t bytes) {
  return repeat("abc \\\"def\\t", bytes / 12, "x: \"") + "\"\n";
}
// Lines of 64 characters, each line break kept or folded.
std::string long_block(char indicator, std::size_t bytes) {
  std::string line = "  " + std::string(63, 'b') + "\n";
  return repeat(line, bytes / line.size(), std::string("x: ") + indicator + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Budgets, HostileText,
    ::testing::Values(
        RefusedCase{"million_open_brackets", [] { return std::string(kMillion, '['); },
                    "budget breached: nesting depth"},
        // The second brace stands where a key goes, and collections are
        // refused as keys before any budget is reached.
        RefusedCase{"million_open_braces", [] { return std::string(kMillion, '{'); },
                    "mapping keys must be scalars at line 1, column 2"},
        RefusedCase{"million_open_braces_as_values", [] { return repeat("{a: ", kMillion); },
                    "budget breached: nesting depth"},
        RefusedCase{"million_bracket_pairs_nested",
                    [] { return std::string(kMillion, '[') + std::string(kMillion, ']'); },
                    "budget breached: nesting depth"},
        RefusedCase{"million_nested_entries_on_one_line",
                    [] { return repeat("- ", kMillion) + "x\n"; }, "budget breached: nesting depth"},
        RefusedCase{"million_flat_entries", [] { return repeat("- a\n", kMillion); },
                    "budget breached: nodes"},
        RefusedCase{"million_flat_empty_entries", [] { return repeat("- \n", kMillion); },
                    "budget breached: nodes"},
        RefusedCase{"million_flat_entries_in_a_mapping",
                    [] { return "k:\n" + repeat("- a\n", kMillion); }, "budget breached: nodes"},
        RefusedCase{"million_block_aliases", [] { return "- &a x\n" + repeat("- *a\n", kMillion); },
                    "budget breached: aliases"},
        // The flow form may meet the node budget first.
        RefusedCase{"million_flow_aliases",
                    [] { return "- &a x\n- [" + repeat("*a, ", kMillion) + "]\n"; },
                    "budget breached: "},
        RefusedCase{"deep_block_mappings",
                    [] {
                      std::string text;
                      for (std::size_t i = 0; i < 3000; ++i) text += std::string(i, ' ') + "k:\n";
                      return text;
                    },
                    "budget breached: nesting depth"},
        RefusedCase{"deep_block_sequences_by_indentation",
                    [] {
                      std::string text;
                      for (std::size_t i = 0; i < 3000; ++i) text += std::string(i, ' ') + "-\n";
                      return text;
                    },
                    "budget breached: nesting depth"},
        RefusedCase{"plain_scalar_of_100_mb", [] { return long_plain(kHundredMegabytes); },
                    "budget breached: total scalar bytes"},
        RefusedCase{"single_quoted_scalar_of_100_mb",
                    [] { return long_single_quoted(kHundredMegabytes); },
                    "budget breached: total scalar bytes"},
        RefusedCase{"double_quoted_scalar_of_100_mb",
                    [] { return long_double_quoted(kHundredMegabytes); },
                    "budget breached: total scalar bytes"},
        RefusedCase{"literal_scalar_of_100_mb", [] { return long_block('|', kHundredMegabytes); },
                    "budget breached: total scalar bytes"},
        RefusedCase{"folded_scalar_of_100_mb", [] { return long_block('>', kHundredMegabytes); },
                    "budget breached: total scalar bytes"}),
    [](const ::testing::TestParamInfo<RefusedCase>& case_info) { return std::string(case_info.param.name); });

// ---- large texts within the budgets read exactly --------------------------------

struct LongScalarCase {
  const char* name;
  std::function<std::string()> make;
  std::function<std::string()> expected;
};
void PrintTo(const LongScalarCase& c, std::ostream* os) { *os << c.name; }

class LongScalar : public ::testing::TestWithParam<LongScalarCase> {};

TEST_P(LongScalar, ReadsExactly) {
  const LongScalarCase& c = GetParam();
  auto value = read_json_value(c.make());
  ASSERT_TRUE(value.has_value()) << value.error().message;
  const JsonValue* x = value->get("x");
  ASSERT_TRUE(x != nullptr && x->is_string());
  const std::string expected = c.expected();
  ASSERT_EQ(x->as_string().size(), expected.size());
  EXPECT_TRUE(x->as_string() == expected);  // no dump of 20 MB on failure
}

constexpr std::size_t kTwentyMegabytes = 20u * 1000 * 1000;

INSTANTIATE_TEST_SUITE_P(
    WithinBudget, LongScalar,
    ::testing::Values(
        LongScalarCase{"plain", [] { return long_plain(kTwentyMegabytes); },
                       [] { return std::string(kTwentyMegabytes, 'a'); }},
        LongScalarCase{"single_quoted", [] { return long_single_quoted(kTwentyMegabytes); },
                       [] { return repeat("it's ", kTwentyMegabytes / 7); }},
        LongScalarCase{"double_quoted", [] { return long_double_quoted(kTwentyMegabytes); },
                       [] { return repeat("abc \"def\t", kTwentyMegabytes / 12); }},
        LongScalarCase{"literal", [] { return long_block('|', kTwentyMegabytes); },
                       [] { return repeat(std::string(63, 'b') + "\n", kTwentyMegabytes / 66); }},
        LongScalarCase{"folded",
                       [] { return long_block('>', kTwentyMegabytes); },
                       [] {
                         std::string text = repeat(std::string(63, 'b') + " ", kTwentyMegabytes / 66);
                         text.back() = '\n';
                         return text;
                       }}),
    [](const ::testing::TestParamInfo<LongScalarCase>& case_info) { return std::string(case_info.param.name); });

// ---- deep block nesting up to the limit -----------------------------------------

struct DepthCase {
  const char* name;
  std::function<std::string(std::size_t)> nest;  // `depth` collections, one in the other
};
void PrintTo(const DepthCase& c, std::ostream* os) { *os << c.name; }

class BlockDepth : public ::testing::TestWithParam<DepthCase> {};

TEST_P(BlockDepth, LimitIsExact) {
  const DepthCase& c = GetParam();
  auto value = read_json_value(c.nest(2000));
  ASSERT_TRUE(value.has_value()) << value.error().message;
  std::size_t depth = 0;
  for (const JsonValue* v = &*value; v != nullptr;) {
    if (v->is_array() && !v->as_array().empty()) {
      v = &v->as_array()[0];
    } else if (v->is_object() && !v->as_object().empty()) {
      v = &v->as_object().begin()->second;
    } else {
      break;
    }
    ++depth;
  }
  EXPECT_EQ(depth, 2000u);  // each collection holds the next, the innermost a null
  auto refused = read_json_value(c.nest(2001));
  ASSERT_FALSE(refused.has_value());
  EXPECT_EQ(refused.error().message.substr(0, 30), "budget breached: nesting depth");
}

INSTANTIATE_TEST_SUITE_P(
    Nesting, BlockDepth,
    ::testing::Values(
        DepthCase{"mappings_by_indentation",
                  [](std::size_t depth) {
                    std::string text;
                    for (std::size_t i = 0; i < depth; ++i) text += std::string(i, ' ') + "k:\n";
                    return text;
                  }},
        DepthCase{"sequences_by_indentation",
                  [](std::size_t depth) {
                    std::string text;
                    for (std::size_t i = 0; i < depth; ++i) text += std::string(i, ' ') + "-\n";
                    return text;
                  }},
        DepthCase{"compact_sequences",
                  [](std::size_t depth) { return repeat("- ", depth - 1) + "-\n"; }},
        DepthCase{"compact_mappings_in_sequences",
                  [](std::size_t depth) {
                    // "- k:" opens two collections; an odd depth ends in a bare "-".
                    std::string text;
                    std::size_t indent = 0;
                    for (std::size_t d = 0; d + 1 < depth; d += 2) {
                      text += std::string(indent, ' ') + "- k:\n";
                      indent += 2;
                    }
                    if (depth % 2 == 1) text += std::string(indent, ' ') + "-\n";
                    return text;
                  }}),
    [](const ::testing::TestParamInfo<DepthCase>& case_info) { return std::string(case_info.param.name); });

// ---- short texts that have crashed or hung a parser ------------------------------

struct ShortCase {
  const char* name;
  const char* text;
};
void PrintTo(const ShortCase& c, std::ostream* os) { *os << c.name; }

class ShortHostileText : public ::testing::TestWithParam<ShortCase> {};

// Read in a child process, so that a crash or a hang fails this test alone;
// the watchdog only tells a hang from a read, which takes microseconds.
TEST_P(ShortHostileText, ReadsCleanly) {
  GTEST_FLAG_SET(death_test_style, "fast");
  const std::string text = GetParam().text;
  EXPECT_EXIT(
      {
        alarm(10);
        auto value = read_json_value(text);
        if (!value && !position_reads_first(value.error())) std::_Exit(1);
        EventSource source(text);
        for (std::size_t n = 0; n < 1000; ++n) {
          auto event = source.next();
          if (!event || event->type == EventType::StreamEnd) std::_Exit(0);
        }
        std::_Exit(2);  // an endless event stream
      },
      ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(
    Short, ShortHostileText,
    ::testing::Values(ShortCase{"explicit_key_dash_colon_tab", "? -:\t-"},
                      ShortCase{"explicit_key_dash_tag_colon_tab", "? -!:\t-"},
                      ShortCase{"invalid_utf8_in_directive_name", "%\xC1\n"},
                      ShortCase{"invalid_utf8_in_yaml_directive", "%Y\xC1ML 1.2\n--- text\n"},
                      ShortCase{"invalid_utf8_in_directive_comment", "%FOO bar # ig\xEEored\n--- x\n"}),
    [](const ::testing::TestParamInfo<ShortCase>& case_info) { return std::string(case_info.param.name); });

}  // namespace
}  // namespace kelp::yaml

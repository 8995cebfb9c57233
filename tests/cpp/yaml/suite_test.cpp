// Conformance with the public YAML test suite: the event stream of every
// valid case, the refusal of every invalid one, and the composed value of
// every one-document case that the suite also gives as JSON.
#include <gtest/gtest.h>

#include <charconv>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "json/reader.h"
#include "read_error_checks.h"
#include "suite_cases.h"
#include "yaml/event_source.h"
#include "yaml/reader.h"
#include "yaml/scalar.h"
#include "yaml/tags.h"

namespace kelp::yaml {
namespace {

using suite::SuiteCase;

// A parser that keeps producing events must not hang the test.
constexpr std::size_t kMaxEventsPerCase = 100000;

// ---- the suite's event notation ------------------------------------------------

std::string escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  return out;
}

std::string properties(const Event& e) {
  std::string out;
  if (!e.anchor.empty()) out.append(" &").append(e.anchor);
  if (!e.tag.empty()) out.append(" <").append(e.tag).append(">");
  return out;
}

char style_char(ScalarStyle style) {
  switch (style) {
    case ScalarStyle::Plain: return ':';
    case ScalarStyle::SingleQuoted: return '\'';
    case ScalarStyle::DoubleQuoted: return '"';
    case ScalarStyle::Literal: return '|';
    case ScalarStyle::Folded: return '>';
  }
  return '?';
}

std::string notation(const Event& e) {
  switch (e.type) {
    case EventType::StreamStart: return "+STR";
    case EventType::StreamEnd: return "-STR";
    case EventType::DocumentStart: return e.has_mark ? "+DOC ---" : "+DOC";
    case EventType::DocumentEnd: return e.has_mark ? "-DOC ..." : "-DOC";
    case EventType::MappingStart: return std::string("+MAP") + (e.flow ? " {}" : "") + properties(e);
    case EventType::MappingEnd: return "-MAP";
    case EventType::SequenceStart: return std::string("+SEQ") + (e.flow ? " []" : "") + properties(e);
    case EventType::SequenceEnd: return "-SEQ";
    case EventType::Scalar:
      return "=VAL" + properties(e) + " " + style_char(e.style) + escaped(e.text);
    case EventType::Alias: return "=ALI *" + std::string(e.text);
  }
  return "?";
}

struct StreamRun {
  std::string events;  // one line per event, as the suite writes them
  bool completed = false;  // reached the stream's end without an error
  std::string error;
  bool undefined_alias = false;  // an alias names no earlier anchor
};

StreamRun run_source(const std::string& text) {
  StreamRun run;
  EventSource source(text);
  std::set<std::string, std::less<>> anchors;
  for (std::size_t n = 0; n < kMaxEventsPerCase; ++n) {
    auto event = source.next();
    if (!event) {
      run.error = event.error().message;
      return run;
    }
    run.events += notation(*event) + "\n";
    if (!event->anchor.empty()) anchors.emplace(event->anchor);
    if (event->type == EventType::DocumentStart) anchors.clear();
    if (event->type == EventType::Alias && anchors.find(event->text) == anchors.end()) {
      run.undefined_alias = true;
    }
    if (event->type == EventType::StreamEnd) {
      run.completed = true;
      return run;
    }
  }
  run.error = "more than " + std::to_string(kMaxEventsPerCase) + " events";
  return run;
}

// ---- the suite's values, compared by rule -------------------------------------

// Whether `text` is a YAML 1.2 core-schema spelling of the non-string JSON
// value `value` (null, a boolean, an integer in decimal, octal "0o" or hex
// "0x", or a float). The composer types plain scalars its own way; a
// scalar it kept as text is accepted where the core schema reads it as the
// suite's value.
bool core_schema_spelling_of(std::string_view text, const JsonValue& value) {
  if (value.is_null()) {
    return text.empty() || text == "~" || text == "null" || text == "Null" || text == "NULL";
  }
  if (value.is_bool()) {
    if (text == "true" || text == "True" || text == "TRUE") return value.as_bool();
    if (text == "false" || text == "False" || text == "FALSE") return !value.as_bool();
    return false;
  }
  if (!value.is_number()) return false;
  auto integer_in_base = [&](std::string_view digits, int base) {
    if (digits.empty()) return false;
    std::uint64_t n = 0;
    auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n, base);
    if (ec != std::errc() || ptr != digits.data() + digits.size()) return false;
    return (value.is_u64() && value.as_u64() == n) ||
           (value.is_f64() && value.as_f64() == static_cast<double>(n));
  };
  if (text.substr(0, 2) == "0o") return integer_in_base(text.substr(2), 8);
  if (text.substr(0, 2) == "0x") return integer_in_base(text.substr(2), 16);
  // Decimal integers and floats: [-+]?(\.[0-9]+|[0-9]+(\.[0-9]*)?)([eE][-+]?[0-9]+)?
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  std::size_t int_digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++int_digits;
  std::size_t frac_digits = 0;
  bool dot = i < text.size() && text[i] == '.';
  if (dot) {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++frac_digits;
  }
  if (int_digits == 0 && frac_digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    std::size_t exp_digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++exp_digits;
    if (exp_digits == 0) return false;
  }
  if (i != text.size()) return false;
  std::string copy(text);
  return std::strtod(copy.c_str(), nullptr) == value.number_as_f64();
}

bool same_number(const JsonValue& a, const JsonValue& b) {
  if (a.is_f64() || b.is_f64()) return a.number_as_f64() == b.number_as_f64();
  if (a.is_u64() && b.is_u64()) return a.as_u64() == b.as_u64();
  if (a.is_i64() && b.is_i64()) return a.as_i64() == b.as_i64();
  return false;  // an unsigned and a negative value
}

// Whether our composed value equals the suite's. On a difference, `where`
// holds the path to it.
bool same_value(const JsonValue& ours, const JsonValue& theirs, std::string& where) {
  if (ours.is_string() && theirs.is_string()) return ours.as_string() == theirs.as_string();
  if (ours.is_string() && !theirs.is_array() && !theirs.is_object()) {
    return core_schema_spelling_of(ours.as_string(), theirs);
  }
  if (theirs.is_string() && !ours.is_array() && !ours.is_object()) {
    // Our wide typing of the same plain text ("yes", "off", "y").
    return resolve_plain_scalar(theirs.as_string()) == ours;
  }
  if (ours.is_number() && theirs.is_number()) return same_number(ours, theirs);
  if (ours.kind() != theirs.kind()) return false;
  if (ours.is_array()) {
    const auto& a = ours.as_array();
    const auto& b = theirs.as_array();
    if (a.size() != b.size()) {
      where += " (array sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size()) + ")";
      return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
      std::string inner = where + "[" + std::to_string(i) + "]";
      if (!same_value(a[i], b[i], inner)) {
        where = inner;
        return false;
      }
    }
    return true;
  }
  if (ours.is_object()) {
    const auto& a = ours.as_object();
    const auto& b = theirs.as_object();
    for (const auto& [key, value] : b) {
      if (a.find(key) == a.end()) {
        where += " (missing key \"" + key + "\")";
        return false;
      }
    }
    for (const auto& [key, value] : a) {
      auto other = b.find(key);
      if (other == b.end()) {
        where += " (extra key \"" + key + "\")";
        return false;
      }
      std::string inner = where + "." + key;
      if (!same_value(value, other->second, inner)) {
        where = inner;
        return false;
      }
    }
    return true;
  }
  return ours == theirs;
}

// ---- which cases the composer reads differently by design ---------------------

// Why the composed value of a case cannot equal the suite's JSON although
// both are right, read off the suite's own event stream; empty when it can.
// The composer refuses tags outside the core schema, a tagged scalar its
// typing does not read under that tag, repeated keys and collections as
// keys, and it merges "<<" keys where the core schema keeps them; it reads
// one document only.
std::string composer_differs_by_design(const std::string& events) {
  struct Frame {
    bool mapping = false;
    std::size_t children = 0;
    std::set<std::string> keys;
  };
  std::vector<Frame> stack;
  std::map<std::string, std::string> scalar_anchors;  // anchor -> scalar text
  std::size_t documents = 0;
  std::size_t begin = 0;
  while (begin < events.size()) {
    std::size_t end = events.find('\n', begin);
    if (end == std::string::npos) end = events.size();
    std::string line = events.substr(begin, end - begin);
    begin = end + 1;
    if (line.rfind("+DOC", 0) == 0 && ++documents > 1) return "several documents";
    bool is_node = line.rfind("+MAP", 0) == 0 || line.rfind("+SEQ", 0) == 0 ||
                   line.rfind("=VAL", 0) == 0 || line.rfind("=ALI", 0) == 0;
    if (!is_node) {
      if ((line == "-MAP" || line == "-SEQ") && !stack.empty()) stack.pop_back();
      continue;
    }
    // Properties: " &anchor", " <tag>", before the value of a scalar.
    std::string anchor;
    std::string tag;
    std::size_t at = 4;
    if (line.compare(at, 3, " {}") == 0 || line.compare(at, 3, " []") == 0) at += 3;
    while (at < line.size() && line[at] == ' ' && at + 1 < line.size() &&
           (line[at + 1] == '&' || line[at + 1] == '<')) {
      std::size_t stop = line[at + 1] == '&' ? line.find(' ', at + 1) : line.find('>', at + 1);
      if (stop == std::string::npos) stop = line.size();
      if (line[at + 1] == '&') {
        anchor = line.substr(at + 2, stop - at - 2);
        at = stop;
      } else {
        tag = line.substr(at + 2, stop - at - 2);
        at = stop + 1;
      }
    }
    bool scalar = line.rfind("=VAL", 0) == 0;
    bool alias = line.rfind("=ALI", 0) == 0;
    char style = scalar && at + 1 < line.size() ? line[at + 1] : ':';
    std::string raw = scalar && at + 2 <= line.size() ? line.substr(at + 2) : std::string();
    std::string text;  // the raw text with the notation's escapes undone
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] == '\\' && i + 1 < raw.size()) {
        char e = raw[++i];
        text += e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e == 'b' ? '\b' : e;
      } else {
        text += raw[i];
      }
    }
    if (!tag.empty()) {
      bool known = tag == kTagNonSpecific || tag == kTagStr || tag == kTagNull ||
                   tag == kTagBool || tag == kTagInt || tag == kTagFloat ||
                   tag == kTagSeq || tag == kTagMap || tag == kTagMerge;
      if (!known) return "the tag <" + tag + "> is outside the core schema";
      if (scalar && ((tag == kTagNull && !is_null_like(text)) ||
                     (tag == kTagBool && !parse_bool(text)) ||
                     (tag == kTagInt && !parse_u64(text) && !parse_i64(text)) ||
                     (tag == kTagFloat && !parse_f64(text)))) {
        return "the scalar \"" + text + "\" tagged <" + tag + "> is not read by our typing";
      }
    }
    if (!stack.empty() && stack.back().mapping && stack.back().children % 2 == 0) {
      std::string key;
      if (scalar) {
        key = text;
        if (style == ':' && key == "<<") return "a merge key";
      } else if (alias) {
        auto found = scalar_anchors.find(line.substr(6));
        if (found == scalar_anchors.end()) return "a collection as a mapping key";
        key = found->second;
      } else {
        return "a collection as a mapping key";
      }
      if (!stack.back().keys.insert(key).second) return "the repeated key \"" + key + "\"";
    }
    if (!stack.empty()) ++stack.back().children;
    if (scalar && !anchor.empty()) scalar_anchors[anchor] = text;
    if (!scalar && !alias) stack.push_back(Frame{line.rfind("+MAP", 0) == 0, 0, {}});
  }
  return {};
}

// ---- the tests -----------------------------------------------------------------

class YamlSuite : public ::testing::TestWithParam<SuiteCase> {
 protected:
  void SetUp() override {
    if (GetParam().id.empty()) GTEST_SKIP() << suite::suite().problem;
  }
};

TEST_P(YamlSuite, EventStream) {
  const SuiteCase& c = GetParam();
  StreamRun run = run_source(c.yaml);
  if (c.error) {
    if (run.completed && run.undefined_alias) {
      // A fault of meaning, not of syntax: the composer must refuse it.
      EXPECT_FALSE(read_json_value(c.yaml).has_value())
          << c.name << "\nan alias to an unknown anchor was read\n" << c.yaml;
      return;
    }
    EXPECT_FALSE(run.completed) << c.name << "\naccepted an invalid text:\n"
                                << c.yaml << "\nevents:\n" << run.events;
    auto read = read_json_value(c.yaml);
    if (!read) {
      EXPECT_TRUE(position_reads_first(read.error())) << c.name << "\n" << read.error().display();
    }
    return;
  }
  EXPECT_TRUE(run.completed) << c.name << "\nrefused a valid text: " << run.error << "\n" << c.yaml;
  EXPECT_EQ(run.events, c.events) << c.name << "\n" << c.yaml;
}

TEST_P(YamlSuite, ComposedValue) {
  const SuiteCase& c = GetParam();
  if (c.error) GTEST_SKIP() << "an invalid text";
  if (!c.json) GTEST_SKIP() << "the suite gives no JSON";
  if (c.events.find("+DOC") == std::string::npos) {
    // A stream without a document may read as an error or as null.
    auto ours = read_json_value(c.yaml);
    EXPECT_TRUE(!ours.has_value() || ours->is_null()) << c.name << "\n" << c.yaml;
    return;
  }
  std::string differs = composer_differs_by_design(c.events);
  if (!differs.empty()) GTEST_SKIP() << "read differently by design: " << differs;
  auto theirs = json::parse_value(*c.json);
  if (!theirs) GTEST_SKIP() << "the JSON is not one value: " << theirs.error().display();

  auto ours = read_json_value(c.yaml);
  ASSERT_TRUE(ours.has_value()) << c.name << "\n" << ours.error().display() << "\n" << c.yaml;
  std::string where = "$";
  EXPECT_TRUE(same_value(*ours, *theirs, where))
      << c.name << "\ndiffers at " << where << "\n" << c.yaml << "\nexpected JSON:\n" << *c.json;
}

INSTANTIATE_TEST_SUITE_P(Cases, YamlSuite, ::testing::ValuesIn(suite::registered_cases()),
                         [](const ::testing::TestParamInfo<SuiteCase>& case_info) {
                           return suite::test_name(case_info.param.id);
                         });

// ---- the rule itself, on texts with known answers -----------------------------

struct SpellingCase {
  const char* name;
  const char* text;
  const char* json;
  bool spelling;
};
void PrintTo(const SpellingCase& c, std::ostream* os) { *os << c.name; }

class CoreSchemaSpelling : public ::testing::TestWithParam<SpellingCase> {};

TEST_P(CoreSchemaSpelling, MatchesTheCoreSchema) {
  const SpellingCase& c = GetParam();
  auto value = json::parse_value(c.json);
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(core_schema_spelling_of(c.text, *value), c.spelling) << c.text << " vs " << c.json;
}

INSTANTIATE_TEST_SUITE_P(
    Rule, CoreSchemaSpelling,
    ::testing::Values(SpellingCase{"hex_int", "0x1F", "31", true},
                      SpellingCase{"octal_int", "0o14", "12", true},
                      SpellingCase{"octal_bad_digit", "0o19", "1", false},
                      SpellingCase{"float_exponent", "1e3", "1000", true},
                      SpellingCase{"float_leading_dot", "-.5", "-0.5", true},
                      SpellingCase{"other_number", "0x1F", "30", false},
                      SpellingCase{"capital_null", "NULL", "null", true},
                      SpellingCase{"mixed_case_null", "nUll", "null", false},
                      SpellingCase{"title_true", "True", "true", true},
                      SpellingCase{"yes_is_no_core_boolean", "yes", "true", false},
                      SpellingCase{"underscored_int", "1_000", "1000", false},
                      SpellingCase{"text_is_no_number", "12a", "12", false}),
    [](const ::testing::TestParamInfo<SpellingCase>& case_info) { return std::string(case_info.param.name); });

struct DesignCase {
  const char* name;
  const char* events;
  bool differs;
};
void PrintTo(const DesignCase& c, std::ostream* os) { *os << c.name; }

class ComposerDiffersByDesign : public ::testing::TestWithParam<DesignCase> {};

TEST_P(ComposerDiffersByDesign, FollowsTheRules) {
  const DesignCase& c = GetParam();
  EXPECT_EQ(!composer_differs_by_design(c.events).empty(), c.differs) << c.events;
}

INSTANTIATE_TEST_SUITE_P(
    Rule, ComposerDiffersByDesign,
    ::testing::Values(
        DesignCase{"plain_mapping", "+STR\n+DOC\n+MAP\n=VAL :a\n=VAL :b\n-MAP\n-DOC\n-STR\n", false},
        DesignCase{"repeated_key", "+STR\n+DOC\n+MAP\n=VAL :a\n=VAL :b\n=VAL :a\n=VAL :c\n-MAP\n-DOC\n-STR\n", true},
        DesignCase{"same_text_as_value_and_key",
                   "+STR\n+DOC\n+MAP\n=VAL :a\n=VAL :b\n=VAL :b\n=VAL :a\n-MAP\n-DOC\n-STR\n", false},
        DesignCase{"repeated_key_in_nested_maps",
                   "+STR\n+DOC\n+SEQ\n+MAP {}\n=VAL :a\n=VAL :b\n-MAP\n+MAP\n=VAL :a\n=VAL :b\n-MAP\n-SEQ\n-DOC\n-STR\n",
                   false},
        DesignCase{"local_tag", "+STR\n+DOC\n=VAL <!foo> :a\n-DOC\n-STR\n", true},
        DesignCase{"core_str_tag_on_anchor", "+STR\n+DOC\n=VAL &x <tag:yaml.org,2002:str> :a\n-DOC\n-STR\n", false},
        DesignCase{"int_tag_on_hex", "+STR\n+DOC\n=VAL <tag:yaml.org,2002:int> :0x1F\n-DOC\n-STR\n", true},
        DesignCase{"merge_key", "+STR\n+DOC\n+MAP\n=VAL :<<\n=VAL :a\n-MAP\n-DOC\n-STR\n", true},
        DesignCase{"quoted_merge_text", "+STR\n+DOC\n+MAP\n=VAL \"<<\n=VAL :a\n-MAP\n-DOC\n-STR\n", false},
        DesignCase{"collection_key", "+STR\n+DOC\n+MAP\n+SEQ []\n-SEQ\n=VAL :a\n-MAP\n-DOC\n-STR\n", true},
        DesignCase{"two_documents", "+STR\n+DOC\n=VAL :a\n-DOC\n+DOC ---\n=VAL :b\n-DOC\n-STR\n", true}),
    [](const ::testing::TestParamInfo<DesignCase>& case_info) { return std::string(case_info.param.name); });

struct ValueCase {
  const char* name;
  JsonValue ours;
  const char* suite_json;
  bool same;
};
void PrintTo(const ValueCase& c, std::ostream* os) { *os << c.name; }

class SameValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(SameValue, ComparesByTheRule) {
  const ValueCase& c = GetParam();
  auto theirs = json::parse_value(c.suite_json);
  ASSERT_TRUE(theirs.has_value());
  std::string where = "$";
  EXPECT_EQ(same_value(c.ours, *theirs, where), c.same) << where;
}

JsonValue object_of(const char* key, JsonValue value) {
  JsonValue::Object o;
  o.emplace(key, std::move(value));
  return JsonValue(std::move(o));
}

INSTANTIATE_TEST_SUITE_P(
    Rule, SameValue,
    ::testing::Values(
        ValueCase{"equal_strings", JsonValue("a b"), "\"a b\"", true},
        ValueCase{"other_string", JsonValue("a b"), "\"a  b\"", false},
        ValueCase{"wide_boolean_of_yes", JsonValue(true), "\"yes\"", true},
        ValueCase{"boolean_for_other_text", JsonValue(true), "\"yes!\"", false},
        ValueCase{"hex_kept_as_text", JsonValue("0x1F"), "31", true},
        ValueCase{"text_for_a_number", JsonValue("31"), "31", true},
        ValueCase{"text_for_another_number", JsonValue("31"), "32", false},
        ValueCase{"unsigned_and_float", JsonValue(std::uint64_t{1000}), "1e3", true},
        ValueCase{"signed_and_unsigned", JsonValue(std::int64_t{-1}), "1", false},
        ValueCase{"null_and_empty_text", JsonValue(nullptr), "\"\"", true},
        ValueCase{"string_and_array", JsonValue("a"), "[\"a\"]", false},
        ValueCase{"missing_key", object_of("a", JsonValue("x")), "{\"a\":\"x\",\"b\":1}", false},
        ValueCase{"extra_key", object_of("a", JsonValue("x")), "{}", false},
        ValueCase{"nested_value_differs", object_of("a", JsonValue("x")), "{\"a\":\"y\"}", false},
        ValueCase{"nested_value_equal", object_of("a", JsonValue(JsonValue::Array{JsonValue("x")})),
                  "{\"a\":[\"x\"]}", true}),
    [](const ::testing::TestParamInfo<ValueCase>& case_info) { return std::string(case_info.param.name); });

}  // namespace
}  // namespace kelp::yaml

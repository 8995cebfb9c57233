#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checks/eval_suites.h"
#include "common/case_name.h"
#include "json/reader.h"

using namespace kelp;

namespace {

// "code: message", one line per diagnostic (all are errors).
std::vector<std::string> rendered(const DiagnosticList& list) {
  std::vector<std::string> out;
  for (const auto& d : list) out.push_back(d.code + ": " + d.message);
  return out;
}

using Lines = std::vector<std::string>;

std::string invalid(const std::string& m) { return "evals.suite_invalid: " + m; }

}  // namespace

// ---- pin rules -----------------------------------------------------------

struct PinCase {
  const char* text;
  bool expected;
};

class RegistryVersion : public ::testing::TestWithParam<PinCase> {};

TEST_P(RegistryVersion, MutableOrPinned) {
  EXPECT_EQ(is_mutable_registry_version(GetParam().text), GetParam().expected)
      << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Versions, RegistryVersion,
    ::testing::Values(PinCase{"1.2.3", false}, PinCase{"2024-01-15", false}, PinCase{"r7", false},
                      PinCase{"v1.0.0-rc.1", false}, PinCase{"xx", false},
                      PinCase{"1.x1", false}, PinCase{"latestish", false},
                      PinCase{"", true}, PinCase{"latest", true}, PinCase{"LATEST", true},
                      PinCase{"Latest", true}, PinCase{"^1.2", true}, PinCase{"~1", true},
                      PinCase{">=1", true}, PinCase{"1|2", true}, PinCase{"*", true},
                      PinCase{"1.x", true}, PinCase{"2.X.0", true}, PinCase{"1-x", true},
                      PinCase{"x_1", true}, PinCase{"x", true}, PinCase{"1 2", true},
                      PinCase{"1\u00A02", true}, PinCase{"1\u30002", true}),
    KELP_CASE_NAMES(p.text));

class CommitPin : public ::testing::TestWithParam<PinCase> {};

TEST_P(CommitPin, SevenToFortyHexDigits) {
  EXPECT_EQ(is_commit_pin(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Revs, CommitPin,
    ::testing::Values(PinCase{"abcdef1", true}, PinCase{"ABCDEF1", true},
                      PinCase{"0123456789abcdef0123456789abcdef01234567", true},
                      PinCase{"abcdef", false},
                      PinCase{"0123456789abcdef0123456789abcdef012345678", false},
                      PinCase{"abcdefg", false}, PinCase{"main", false},
                      PinCase{"v1.2.3", false}, PinCase{"", false},
                      PinCase{"\xEF\xBC\x91\xEF\xBC\x92\xEF\xBC\x93", false}),
    KELP_CASE_NAMES(p.text));

TEST(VersionRangeChar, ExactlyTheRangeCharacters) {
  std::u32string yes = U"^~<>=*|";
  for (char32_t c = 0; c < 0x3000; ++c) {
    EXPECT_EQ(is_version_range_char(c), yes.find(c) != std::u32string::npos)
        << static_cast<unsigned>(c);
  }
}

// ---- the stage -----------------------------------------------------------

struct EvalsCase {
  const char* name;
  const char* evals;
  Lines diagnostics;
};

class EvalsStage : public ::testing::TestWithParam<EvalsCase> {};

TEST_P(EvalsStage, Reports) {
  CheckContext context;
  auto parsed = json::parse_value(GetParam().evals);
  ASSERT_TRUE(parsed.has_value()) << GetParam().evals;
  check_eval_suites(*parsed, context);
  EXPECT_EQ(rendered(context.diagnostics), GetParam().diagnostics);
  for (const auto& d : context.diagnostics) {
    EXPECT_EQ(d.severity, Severity::Error);
    EXPECT_EQ(d.path, "package.json");
    EXPECT_FALSE(d.span.has_value());
  }
}

constexpr const char* kRegistryOk = R"("type": "registry", "dataset": "d", "version": "1.0.0")";

INSTANTIATE_TEST_SUITE_P(
    Suites, EvalsStage,
    ::testing::Values(
        EvalsCase{"EmptyObject", "{}", {}},
        EvalsCase{"Array",
                  "[]",
                  {invalid("package.json#kelp.evals must be an object with a suites array")}},
        EvalsCase{"SuitesNotArray",
                  R"({"suites": {}})",
                  {invalid("package.json#kelp.evals.suites must be an array")}},
        EvalsCase{"OtherMembersIgnored", R"({"suites": [], "extra": 1})", {}},
        EvalsCase{"ValidSuites",
                  R"({"suites": [
                      {"name": "a", "type": "registry", "dataset": "d", "version": " 1.2.3 "},
                      {"name": "b", "type": " git ", "repo": "r", "rev": "ABCDEF1",
                       "dataset": "p", "required": "ignored"}]})",
                  {}},
        EvalsCase{"DuplicateNamesCiteTheLatestEarlier",
                  R"({"suites": [{"name": "a", "type": "registry", "dataset": "d", "version": "1"},
                                 {"name": " a ", "type": "registry", "dataset": "d", "version": "1"},
                                 {"name": "a", "type": "registry", "dataset": "d", "version": "1"}]})",
                  {"evals.name_duplicate: kelp.evals.suites[1] reuses suite name 'a' already "
                   "declared at kelp.evals.suites[0]",
                   "evals.name_duplicate: kelp.evals.suites[2] reuses suite name 'a' already "
                   "declared at kelp.evals.suites[1]"}},
        EvalsCase{"NamelessSuiteStillChecked",
                  R"({"suites": [{"type": "registry", "dataset": "d", "version": "latest"},
                                 {"name": 4, "type": "registry", "dataset": "d", "version": "1"},
                                 {"name": " ", "type": "registry", "dataset": "d", "version": "1"}]})",
                  {invalid("kelp.evals.suites[0] must declare a non-empty name"),
                   "evals.pin_mutable: kelp.evals.suites[0] registry version must be an explicit "
                   "Tessel registry tag, not a mutable alias or range: latest",
                   invalid("kelp.evals.suites[1] must declare a non-empty name"),
                   invalid("kelp.evals.suites[2] must declare a non-empty name")}},
        EvalsCase{"NonObjectSuitesDoNotStopTheList",
                  R"({"suites": ["x", null, {"name": "n", "type": "registry", "dataset": "d",
                                             "version": "1"}]})",
                  {invalid("kelp.evals.suites[0] must be an object"),
                   invalid("kelp.evals.suites[1] must be an object")}},
        EvalsCase{"Types",
                  R"({"suites": [{"name": "a", "type": "Git"}, {"name": "b"},
                                 {"name": "c", "type": 1}, {"name": "d", "type": "svn"}]})",
                  {invalid("kelp.evals.suites[0] must use type 'registry' or 'git'"),
                   invalid("kelp.evals.suites[1] must use type 'registry' or 'git'"),
                   invalid("kelp.evals.suites[2] must use type 'registry' or 'git'"),
                   invalid("kelp.evals.suites[3] must use type 'registry' or 'git'")}},
        EvalsCase{"RegistryMissingBoth",
                  R"({"suites": [{"name": "a", "type": "registry", "dataset": " "}]})",
                  {invalid("kelp.evals.suites[0] registry suite must declare dataset"),
                   invalid("kelp.evals.suites[0] registry suite must declare version")}},
        EvalsCase{"RegistryRangeQuotesTrimmedVersion",
                  R"({"suites": [{"name": "a", "type": "registry", "dataset": "d",
                                  "version": "  ^1.2  "}]})",
                  {"evals.pin_mutable: kelp.evals.suites[0] registry version must be an explicit "
                   "Tessel registry tag, not a mutable alias or range: ^1.2"}},
        EvalsCase{"GitMissingAll",
                  R"({"suites": [{"name": "a", "type": "git"}]})",
                  {invalid("kelp.evals.suites[0] git suite must declare repo"),
                   invalid("kelp.evals.suites[0] git suite must declare rev"),
                   invalid("kelp.evals.suites[0] git suite must declare dataset")}},
        EvalsCase{"GitMutableRevDoesNotStopDataset",
                  R"({"suites": [{"name": "a", "type": "git", "repo": "r", "rev": " main "}]})",
                  {"evals.pin_mutable: kelp.evals.suites[0] git rev must be a 7-40 character hex "
                   "commit SHA: main",
                   invalid("kelp.evals.suites[0] git suite must declare dataset")}}),
    KELP_CASE_NAMES(p.name));

TEST(EvalsStage, HelpTexts) {
  CheckContext context;
  auto parsed = json::parse_value(R"({"suites": [1, {"type": "registry", "version": "latest"},
      {"name": "g", "type": "git", "rev": "zz"}, {"name": "g", "type": "x"},
      {"name": "r", "type": "registry", "dataset": "d"}]})");
  ASSERT_TRUE(parsed.has_value());
  check_eval_suites(*parsed, context);
  Lines helps;
  for (const auto& d : context.diagnostics) helps.push_back(d.help.value_or("<none>"));
  EXPECT_EQ(helps, (Lines{"remove the entry or make it a suite declaration",
                          "give the evaluation suite a unique non-empty name",
                          "set the registry dataset identifier",
                          "pin the dataset to an immutable registry tag",
                          "set the repository containing the evaluation dataset",
                          "pin the repository to an immutable commit",
                          "set the dataset path within the repository",
                          "give each evaluation suite a unique name",
                          "choose the suite type that matches the dataset source",
                          "pin the dataset to an immutable registry tag"}));
}

TEST(EvalsStage, TopLevelHelpTexts) {
  CheckContext context;
  check_eval_suites(JsonValue("x"), context);
  check_eval_suites(JsonValue(JsonValue::Object{{"suites", JsonValue(true)}}), context);
  ASSERT_EQ(context.diagnostics.size(), 2u);
  EXPECT_EQ(context.diagnostics[0].help, "remove evals or declare a suites list");
  EXPECT_EQ(context.diagnostics[1].help, "use a list of evaluation suite declarations");
}

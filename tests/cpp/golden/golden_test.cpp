// Every golden recipe case: its report must be its expected file, byte for
// byte. With KELP_GOLDEN_WRITE=1 the reports are recorded as expected
// instead (only after a reviewed change of reports).
#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <ostream>
#include <set>

#include "golden/golden_cases.h"
#include "golden/recipe_snapshot.h"

namespace kelp::golden {

void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.dir.string(); }

}  // namespace kelp::golden

namespace {

using kelp::golden::GoldenCase;

class GoldenReport : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenReport, IsTheExpectedReport) {
  const GoldenCase& c = GetParam();
  auto report = kelp::golden::run_case(c);
  ASSERT_TRUE(report) << report.error();
  const auto expected_file = kelp::golden::expected_path(c);
  if (kelp::golden::rewrite_requested()) {
    auto old = kelp::golden::read_text_file(expected_file);
    if (!old || *old != *report) {
      std::ofstream out(expected_file, std::ios::binary | std::ios::trunc);
      out << *report;
      ASSERT_TRUE(out.good()) << "cannot write " << expected_file;
      std::cout << "recorded " << expected_file.string() << "\n";
    }
    return;
  }
  auto expected = kelp::golden::read_text_file(expected_file);
  ASSERT_TRUE(expected) << expected.error() << " (KELP_GOLDEN_WRITE=1 records it)";
  EXPECT_EQ(*report, *expected) << "case " << c.name;
}

INSTANTIATE_TEST_SUITE_P(Golden, GoldenReport, ::testing::ValuesIn(kelp::golden::golden_cases()),
                         [](const auto& case_info) {
                           return kelp::golden::test_name(case_info.param.name);
                         });

TEST(GoldenCases, FolderNamesAreDistinctTestNames) {
  std::set<std::string> names;
  for (const auto& c : kelp::golden::golden_cases()) {
    for (char ch : c.name) {
      const bool allowed = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') ||
                           (ch >= '0' && ch <= '9') || ch == '_' || ch == '.' || ch == '-';
      EXPECT_TRUE(allowed) << "case folder " << c.name << ": use letters, digits, '_', '.', '-'";
    }
    EXPECT_TRUE(names.insert(kelp::golden::test_name(c.name)).second)
        << "case folder " << c.name << " has the test name of another";
  }
}

// The bundled example recipe is the golden case example_recipe, file for
// file, and its report is valid.
TEST(GoldenCases, ExampleRecipeIsAValidCase) {
  using kelp::golden::recipe_snapshot_json;
  auto example = recipe_snapshot_json(kelp::golden::source_dir() / "examples" / "recipe");
  ASSERT_TRUE(example) << example.error();
  auto golden = recipe_snapshot_json(kelp::golden::golden_dir() / "example_recipe" / "recipe");
  ASSERT_TRUE(golden) << golden.error();
  EXPECT_EQ(*example, *golden);
  const GoldenCase example_case{"example_recipe", kelp::golden::golden_dir() / "example_recipe"};
  auto report = kelp::golden::run_case(example_case);
  ASSERT_TRUE(report) << report.error();
  EXPECT_TRUE(report->starts_with("{\n  \"valid\": true,")) << *report;
}

}  // namespace

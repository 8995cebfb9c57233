// Keeps the diagnostic code table true: against the check sources (every
// code they append is a row naming that file, every row's file holds its
// code) and against the golden reports (every reported diagnostic fits its
// row, and every row, with each of its help texts, is reported by a case).
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "checks/diagnostic_codes.h"
#include "golden/cpp_literals.h"
#include "golden/golden_cases.h"
#include "json/reader.h"

namespace {

namespace fs = std::filesystem;
using kelp::CodeSeverity;
using kelp::DiagnosticCode;

constexpr std::string_view kAreas[] = {"package.", "kelp.", "agent.", "mcp.", "evals.", "judge."};

// Literals of the check sources that look like a code but are not one.
constexpr std::string_view kNotCodes[] = {"package.json"};

bool is_code_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '.';
}

// An area, a dot and at least one more code character, not ending in a dot
// (a literal that ends in a dot opens a code built at run time).
bool looks_like_code(std::string_view literal) {
  bool in_area = false;
  for (auto area : kAreas) in_area = in_area || literal.starts_with(area);
  if (!in_area || literal.ends_with('.')) return false;
  for (char c : literal)
    if (!is_code_char(c)) return false;
  for (auto not_code : kNotCodes)
    if (literal == not_code) return false;
  return true;
}

std::vector<std::string> literals_of(std::string_view check_file) {
  auto text = kelp::golden::read_text_file(kelp::golden::source_dir() / "src" / check_file);
  EXPECT_TRUE(text) << text.error();
  return text ? kelp::golden::string_literals(*text) : std::vector<std::string>{};
}

// The code is a literal of the file, or is built there from three of its
// literals: an opening ending in ".", a middle, and a closing starting with
// "_" ("agent." + key + "_invalid").
bool file_holds_code(const std::vector<std::string>& literals, std::string_view code) {
  std::set<std::string_view> all(literals.begin(), literals.end());
  if (all.count(code)) return true;
  for (std::string_view open : all) {
    if (!open.ends_with('.') || !code.starts_with(open)) continue;
    for (std::string_view close : all) {
      if (!close.starts_with('_') || !code.ends_with(close)) continue;
      if (open.size() + close.size() >= code.size()) continue;
      std::string_view middle = code.substr(open.size(), code.size() - open.size() - close.size());
      if (all.count(middle)) return true;
    }
  }
  return false;
}

TEST(DiagnosticCodes, CodesAreDistinct) {
  std::set<std::string_view> seen;
  for (const auto& row : kelp::diagnostic_codes())
    EXPECT_TRUE(seen.insert(row.code).second) << row.code << " has two rows";
}

TEST(DiagnosticCodes, EveryLiteralCodeOfTheChecksIsARowOfItsFile) {
  std::error_code ec;
  std::size_t files = 0;
  for (fs::directory_iterator it(kelp::golden::source_dir() / "src" / "checks", ec), end;
       !ec && it != end; it.increment(ec)) {
    if (it->path().extension() != ".cpp" || it->path().filename() == "diagnostic_codes.cpp")
      continue;
    ++files;
    const std::string check_file = "checks/" + it->path().filename().string();
    for (const auto& literal : literals_of(check_file)) {
      if (!looks_like_code(literal)) continue;
      const DiagnosticCode* row = kelp::find_diagnostic_code(literal);
      ASSERT_NE(row, nullptr) << literal << " (" << check_file << ") has no row";
      EXPECT_EQ(row->check_file, check_file) << literal;
    }
  }
  EXPECT_FALSE(ec) << ec.message();
  EXPECT_GT(files, 0u);
}

TEST(DiagnosticCodes, EveryRowsFileHoldsItsCode) {
  std::map<std::string_view, std::vector<std::string>> literals;
  for (const auto& row : kelp::diagnostic_codes()) {
    auto [it, fresh] = literals.try_emplace(row.check_file);
    if (fresh) it->second = literals_of(row.check_file);
    EXPECT_TRUE(file_holds_code(it->second, row.code))
        << row.code << " is not in " << row.check_file;
  }
}

struct Reported {
  std::set<std::string> codes;
  std::set<std::pair<std::string, std::string>> helps;  // (code, help)
};

// Every diagnostic of every golden report, checked against its row.
Reported check_golden_reports() {
  Reported reported;
  for (const auto& c : kelp::golden::golden_cases()) {
    auto profile = kelp::golden::case_profile(c);
    auto text = kelp::golden::read_text_file(kelp::golden::expected_path(c));
    if (!profile || !text) {
      ADD_FAILURE() << c.name << ": " << (profile ? text.error() : profile.error());
      continue;
    }
    auto report = kelp::json::parse_value(*text);
    if (!report || !report->is_object() || !report->get("diagnostics") ||
        !report->get("diagnostics")->is_array()) {
      ADD_FAILURE() << c.name << ": expected.json is not a report";
      continue;
    }
    const bool warning_profile = *profile == kelp::Profile::Local;
    for (const auto& d : report->get("diagnostics")->as_array()) {
      const std::string& code = d.get("code")->as_string();
      const std::string& severity = d.get("severity")->as_string();
      const DiagnosticCode* row = kelp::find_diagnostic_code(code);
      if (!row) {
        ADD_FAILURE() << c.name << ": " << code << " has no row";
        continue;
      }
      reported.codes.insert(code);
      const bool warning = row->severity == CodeSeverity::Warning ||
                           (row->severity == CodeSeverity::ByProfile && warning_profile);
      EXPECT_EQ(severity, warning ? "warning" : "error") << c.name << ": " << code;
      const kelp::JsonValue* help = d.get("help");
      if (row->helps.size() == 0) {
        EXPECT_EQ(help, nullptr) << c.name << ": " << code << " is listed without help";
        continue;
      }
      if (!help) {
        ADD_FAILURE() << c.name << ": " << code << " is reported without help";
        continue;
      }
      bool listed = false;
      for (auto h : row->helps) listed = listed || h == help->as_string();
      EXPECT_TRUE(listed) << c.name << ": " << code << " help \"" << help->as_string()
                          << "\" is not in its row";
      reported.helps.emplace(code, help->as_string());
    }
  }
  return reported;
}

TEST(DiagnosticCodes, GoldenReportsFitTheRowsAndCoverEveryRowAndHelpText) {
  const Reported reported = check_golden_reports();
  for (const auto& row : kelp::diagnostic_codes()) {
    const std::string code(row.code);
    EXPECT_TRUE(reported.codes.count(code)) << code << " is reported by no golden case";
    for (auto help : row.helps) {
      EXPECT_TRUE(reported.helps.count({code, std::string(help)}))
          << code << " help \"" << help << "\" is reported by no golden case";
    }
  }
}

}  // namespace

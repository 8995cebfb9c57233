// The golden recipe cases under tests/golden/<case>/: a recipe given as
// files (`recipe/`) or as the exact snapshot text (`snapshot.json`), an
// optional `profile` (local, ci or publish; local when absent) and the
// expected report (`expected.json`, laid out by pretty_json).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "report/profile.h"
#include "util/expected.h"

namespace kelp::golden {

struct GoldenCase {
  std::string name;  // the folder's name
  std::filesystem::path dir;
};

std::filesystem::path source_dir();
std::filesystem::path golden_dir();

// Every folder of tests/golden, by name.
std::vector<GoldenCase> golden_cases();

// The folder name as a test name: "." and "-" become "_".
std::string test_name(std::string_view folder);

Expected<std::string, std::string> read_text_file(const std::filesystem::path& file);
Expected<Profile, std::string> case_profile(const GoldenCase& c);
// The snapshot JSON text of the case's recipe.
Expected<std::string, std::string> case_snapshot(const GoldenCase& c);
// The case's report, laid out as its expected file is.
Expected<std::string, std::string> run_case(const GoldenCase& c);

inline std::filesystem::path expected_path(const GoldenCase& c) { return c.dir / "expected.json"; }

// KELP_GOLDEN_WRITE=1 asks the driver to record the reports as expected.
bool rewrite_requested();

}  // namespace kelp::golden

#include "golden/golden_cases.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#include "checks/driver.h"
#include "golden/pretty_json.h"
#include "golden/recipe_snapshot.h"
#include "report/records_json.h"
#include "report/report_json.h"
#include "unicode/text.h"

namespace kelp::golden {

namespace fs = std::filesystem;

fs::path source_dir() { return fs::path(KELP_SOURCE_DIR); }

fs::path golden_dir() { return source_dir() / "tests" / "golden"; }

std::vector<GoldenCase> golden_cases() {
  std::vector<GoldenCase> cases;
  std::error_code ec;
  for (fs::directory_iterator it(golden_dir(), ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_directory(ec)) cases.push_back({it->path().filename().string(), it->path()});
  }
  std::sort(cases.begin(), cases.end(),
            [](const GoldenCase& a, const GoldenCase& b) { return a.name < b.name; });
  return cases;
}

std::string test_name(std::string_view folder) {
  std::string name(folder);
  std::replace(name.begin(), name.end(), '.', '_');
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
}

Expected<std::string, std::string> read_text_file(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return unexpected("cannot open " + file.string());
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

Expected<Profile, std::string> case_profile(const GoldenCase& c) {
  const fs::path file = c.dir / "profile";
  if (!fs::exists(file)) return Profile::Local;
  auto text = read_text_file(file);
  if (!text) return unexpected(text.error());
  auto profile = profile_from_name(unicode::trim(*text));
  if (!profile) return unexpected(file.string() + " must hold local, ci or publish");
  return *profile;
}

Expected<std::string, std::string> case_snapshot(const GoldenCase& c) {
  const bool has_recipe = fs::is_directory(c.dir / "recipe");
  const bool has_snapshot = fs::exists(c.dir / "snapshot.json");
  if (has_recipe == has_snapshot)
    return unexpected(c.dir.string() + " must hold either recipe/ or snapshot.json");
  if (has_recipe) return recipe_snapshot_json(c.dir / "recipe");
  return read_text_file(c.dir / "snapshot.json");
}

Expected<std::string, std::string> run_case(const GoldenCase& c) {
  auto profile = case_profile(c);
  if (!profile) return unexpected(profile.error());
  auto snapshot_text = case_snapshot(c);
  if (!snapshot_text) return unexpected(snapshot_text.error());
  // The file contents view the snapshot text, which outlives the check.
  auto snapshot = parse_recipe_snapshot(*snapshot_text);
  if (!snapshot) return unexpected("the snapshot does not read: " + snapshot.error());
  CheckReport report = check_recipe(std::move(*snapshot), *profile);
  std::string compact;
  auto written = write_report_json(report, compact);
  if (!written) return unexpected("the report does not write: " + written.error());
  return pretty_json(compact);
}

bool rewrite_requested() {
  const char* flag = std::getenv("KELP_GOLDEN_WRITE");
  return flag != nullptr && std::string_view(flag) == "1";
}

}  // namespace kelp::golden

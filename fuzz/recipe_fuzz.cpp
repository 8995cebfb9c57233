// The whole recipe check, from a snapshot of (path, content) pairs to the
// report JSON, without the interpreter. A lone path part lists a directory.
#include <cstdlib>
#include <string>

#include "checks/driver.h"
#include "fuzz_input.h"
#include "json/reader.h"
#include "report/report_json.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text = kelp::fuzz::as_text(data, size);
  if (size == 0) return 0;
  auto profile = static_cast<kelp::Profile>(data[0] % 3);
  kelp::RecipeFiles snapshot;
  auto parts = kelp::fuzz::split_parts(text.substr(1));
  for (auto& [path, content] : kelp::fuzz::path_content_pairs(text.substr(1))) {
    kelp::RecipeFile file;
    file.path = path;
    // An empty content part stands for a file whose content was not given.
    if (!content.empty()) file.content = content;
    snapshot.files.push_back(std::move(file));
  }
  if (parts.size() % 2 == 1 && kelp::unicode::is_valid_utf8(parts.back())) {
    snapshot.directories.emplace_back(parts.back());
  }
  kelp::CheckReport report = kelp::check_recipe(std::move(snapshot), profile);
  std::string out;
  if (!kelp::write_report_json(report, out)) std::abort();
  // The report is always well-formed JSON.
  if (!kelp::json::parse_value(out)) std::abort();
  return 0;
}

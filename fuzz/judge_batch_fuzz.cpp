// The strict judge road over a batch of (path, content) sources.
#include <cstdlib>
#include <string>

#include "fuzz_input.h"
#include "judges/batch.h"
#include "json/reader.h"
#include "judges/json_form.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<kelp::JudgeSource> sources;
  for (auto& [path, content] : kelp::fuzz::path_content_pairs(kelp::fuzz::as_text(data, size))) {
    sources.push_back({path, content});
  }
  auto parsed = kelp::parse_judge_definitions(sources);
  if (!parsed) {
    if (parsed.error().empty()) std::abort();
    return 0;
  }
  std::string out;
  if (!kelp::write_parsed_judges_json(*parsed, out)) std::abort();
  if (!kelp::json::parse_value(out)) std::abort();
  return 0;
}

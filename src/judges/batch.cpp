#include "judges/batch.h"

#include <algorithm>
#include <set>
#include <string_view>

#include "judges/validate.h"
#include "judges/yaml_read.h"
#include "unicode/text.h"

namespace kelp {

Expected<std::vector<ParsedJudge>, std::string> parse_judge_definitions(
    const std::vector<JudgeSource>& sources) {
  // Sorting pointers leaves the borrowed sources untouched and copies no content.
  std::vector<const JudgeSource*> order;
  order.reserve(sources.size());
  for (const JudgeSource& source : sources) order.push_back(&source);
  std::stable_sort(order.begin(), order.end(), [](const JudgeSource* a, const JudgeSource* b) {
    // std::string compares its bytes as unsigned char.
    return a->path < b->path;
  });

  std::vector<ParsedJudge> parsed;
  parsed.reserve(sources.size());
  // An ordered set keeps the worst case at n log n whatever the names are.
  std::set<std::string, std::less<>> names;
  for (const JudgeSource* source : order) {
    auto read = read_judge_definition_yaml(source->content);
    if (!read) return unexpected("parsing judge YAML " + source->path + ": " + read.error());

    auto valid = validate_judge_definition(std::move(*read), "judge YAML " + source->path);
    if (!valid) return unexpected(std::move(valid.error()));

    if (!names.insert(valid->judge).second)
      return unexpected("duplicate judge name " + unicode::quoted(valid->judge));
    parsed.push_back(ParsedJudge{source->path, std::move(*valid)});
  }
  return parsed;
}

}  // namespace kelp

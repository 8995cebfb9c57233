// Reading the input documents: a recipe snapshot and a list of judge sources.
// Each record may be written as an object (members in any order, unknown
// members skipped) or as an array of its field values.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "report/records.h"
#include "util/expected.h"

namespace kelp {

// The error is the reader's text with its position ("... at line L column C").
// The file contents of the snapshot view `text`, which must outlive them.
Expected<RecipeFiles, std::string> parse_recipe_snapshot(std::string_view text);
Expected<std::vector<JudgeSource>, std::string> parse_judge_sources(std::string_view text);

}  // namespace kelp

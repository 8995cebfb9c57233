// The recipe check: runs every check over a snapshot in a fixed order and
// assembles the report. Problems in the recipe never make it fail.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "checks/context.h"
#include "report/check_report.h"
#include "report/records.h"

namespace kelp {

CheckReport check_recipe(const RecipeFiles& snapshot, Profile profile);
// The same, taking the snapshot over so that file contents are not copied.
CheckReport check_recipe(RecipeFiles&& snapshot, Profile profile);

// The agent files named by the resolved `agents` paths: a listed file that is
// a YAML file, or the YAML files directly inside a listed directory that is
// not also a file. Byte order, no duplicates.
std::vector<std::string> gather_agent_files(const CheckContext& context,
                                            const std::vector<std::string_view>& agent_paths);

}  // namespace kelp

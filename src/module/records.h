// The input records: a recipe snapshot and judge sources.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kelp {

struct RecipeFile {
  std::string path;
  std::optional<std::string> content;
};

struct RecipeFiles {
  std::vector<RecipeFile> files;
  std::vector<std::string> directories;
};

struct JudgeSource {
  std::string path;
  std::string content;
};

}  // namespace kelp

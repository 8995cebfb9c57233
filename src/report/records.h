// The input records: a recipe snapshot and judge sources.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "json/lazy_string.h"

namespace kelp {

// A file's content is kept as its literal in the snapshot text when it was
// read from one, so that contents no check reads are never decoded.
struct RecipeFile {
  std::string path;
  std::optional<json::LazyString> content;
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

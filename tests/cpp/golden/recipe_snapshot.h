// The snapshot JSON text of a recipe directory on disk, built the way
// scripts/check_recipe_dir.py builds it for the module.
#pragma once

#include <filesystem>
#include <string>

#include "util/expected.h"

namespace kelp::golden {

// A sorted, top-down walk: every directory below `root` is listed (with "/"
// separators) in the order it is entered, and every file, in the same walk,
// with its text; a file that is not valid UTF-8 gets a null content. Like a
// Python text-mode read, "\r\n" and a lone "\r" become "\n". The error names
// what could not be read.
Expected<std::string, std::string> recipe_snapshot_json(const std::filesystem::path& root);

}  // namespace kelp::golden

// Snapshot paths: normalisation, the two ordered path maps, and the queries
// the checks share (ancestors, files directly inside a directory, YAML test).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "checks/context.h"
#include "report/records.h"

namespace kelp {

std::string normalize_recipe_path(std::string_view path);

// Proper ancestors, shortest first ("a/b/c" -> "a", "a/b").
std::vector<std::string_view> path_ancestors(std::string_view path);

// Fills `files` and `directories` from the snapshot. The rvalue form moves
// the file contents into the map instead of copying them. Directories view
// the text of the keys of `files`, so the two live, and stay unchanged,
// together.
void build_path_maps(RecipeFiles&& snapshot, FileMap& files, DirectorySet& directories);
void build_path_maps(const RecipeFiles& snapshot, FileMap& files, DirectorySet& directories);

// Keys of `files` directly inside `dir`, in byte order, borrowed from the map.
std::vector<std::string_view> files_in_dir(const CheckContext& context, std::string_view dir);

bool is_yaml_path(std::string_view path);

}  // namespace kelp

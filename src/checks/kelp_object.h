// The kelp object of package.json: unknown keys, the resource path lists
// (agents, extensions, skills, prompts) and their resolution into recipe
// paths, followed by the MCP declarations and the evaluation suites.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "checks/context.h"
#include "checks/package_manifest.h"
#include "json/value.h"

namespace kelp {

// Resource key -> resolved recipe paths, byte order, no duplicates. The
// paths are borrowed from the context's maps: a glob can name every
// ancestor of a deep path, whose copies would cost the square of its length.
using ResolvedResources = std::map<std::string, std::vector<std::string_view>, std::less<>>;

// One resource list as written: trimmed non-empty patterns in order, and
// whether the key is present at all (whatever its value).
struct PathList {
  std::vector<std::string> patterns;
  bool declared = false;
};

// Runs every check of the kelp object and returns the resolved lists: all
// four keys when kelp is an object, nothing otherwise (the driver has
// already reported a missing object).
ResolvedResources validate_package_kelp(const PackageSummary& summary, CheckContext& context);

// Reads one resource list. `value` is null when the key is absent, in which
// case agents, skills and prompts fall back to the path named like the key.
PathList check_kelp_path_list(std::string_view key, const JsonValue* value, bool required,
                              CheckContext& context);

// Whether a resolved path is a file with a script-module extension
// (ts, tsx, js, jsx, mjs, cjs).
bool is_loadable_extension(const CheckContext& context, std::string_view path);

}  // namespace kelp

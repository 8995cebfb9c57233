// The working state of one recipe check, handed to every checker.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "json/lazy_string.h"
#include "report/diagnostics.h"
#include "checks/directory_set.h"
#include "checks/path_order.h"
#include "report/profile.h"

namespace kelp {

// Normalised file path -> content (none when the snapshot gave none), which
// may view the snapshot text and is decoded where it is read. The
// directories of `CheckContext` may view the keys' text, so both are built
// together (build_path_maps) and read-only afterwards.
using FileMap = std::map<std::string, std::optional<json::LazyString>, PathViewLess>;

struct CheckContext {
  DiagnosticList diagnostics;
  std::optional<std::string> package_name;
  FileMap files;
  DirectorySet directories;
  std::map<std::string, std::uint64_t, std::less<>> resources;
  Profile profile = Profile::Local;
};

}  // namespace kelp

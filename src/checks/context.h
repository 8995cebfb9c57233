// The working state of one recipe check, handed to every checker.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "module/diagnostics.h"
#include "checks/directory_set.h"
#include "checks/profile.h"

namespace kelp {

// Normalised file path -> content (none when the snapshot gave none).
using FileMap = std::map<std::string, std::optional<std::string>, std::less<>>;

struct CheckContext {
  DiagnosticList diagnostics;
  std::optional<std::string> package_name;
  FileMap files;
  DirectorySet directories;
  std::map<std::string, std::uint64_t, std::less<>> resources;
  Profile profile = Profile::Local;
};

}  // namespace kelp

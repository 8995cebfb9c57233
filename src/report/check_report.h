// The result of one recipe check.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "report/profile.h"
#include "report/diagnostics.h"

namespace kelp {

struct CheckReport {
  bool valid = true;
  Profile profile = Profile::Local;
  std::string recipe_dir = ".";
  std::optional<std::string> package_name;
  DiagnosticList diagnostics;
  std::map<std::string, std::uint64_t, std::less<>> resources;
};

}  // namespace kelp

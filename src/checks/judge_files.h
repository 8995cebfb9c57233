// The judge-file check of a recipe: every YAML file directly inside judges/
// is read and every problem reported as a judge.* diagnostic.
#pragma once

#include <cstdint>

#include "checks/context.h"

namespace kelp {

// Returns the number of judge files found.
std::uint64_t validate_judges(CheckContext& context);

}  // namespace kelp

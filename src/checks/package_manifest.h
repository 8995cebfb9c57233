// The checks of package.json as a document: present, provided, JSON, an
// object; its kelp, name and description members; and the lockfile rule.
#pragma once

#include <optional>
#include <string>

#include "checks/context.h"
#include "json/value.h"

namespace kelp {

// What the later checks take out of package.json.
struct PackageSummary {
  std::optional<std::string> name;
  std::optional<std::string> description;
  std::optional<JsonValue> kelp;
  bool has_runtime_deps = false;
};

inline constexpr std::string_view kPackageJson = "package.json";

// Returns the summary when package.json is a JSON object (the main road);
// otherwise appends the one diagnostic that says why and returns nullopt.
std::optional<PackageSummary> read_package_manifest(CheckContext& context);

// Appends the kelp, name, description and lockfile diagnostics and sets the
// context's package name.
void check_package_summary(const PackageSummary& summary, CheckContext& context);

}  // namespace kelp

#include "checks/driver.h"

#include <algorithm>
#include <set>

#include "checks/agent_files.h"
#include "checks/kelp_object.h"
#include "checks/mcp_local_example.h"
#include "checks/package_manifest.h"
#include "checks/paths.h"
#include "checks/tool_policy.h"
#include "checks/judge_files.h"

namespace kelp {

std::vector<std::string> gather_agent_files(const CheckContext& context,
                                            const std::vector<std::string_view>& agent_paths) {
  std::set<std::string, std::less<>> gathered;
  for (const auto& path : agent_paths) {
    if (context.files.count(path)) {
      if (is_yaml_path(path)) gathered.emplace(path);
      continue;
    }
    if (context.directories.count(path)) {
      for (auto file : files_in_dir(context, path))
        if (is_yaml_path(file)) gathered.emplace(file);
    }
  }
  return {gathered.begin(), gathered.end()};
}

CheckReport check_recipe(const RecipeFiles& snapshot, Profile profile) {
  return check_recipe(RecipeFiles(snapshot), profile);
}

CheckReport check_recipe(RecipeFiles&& snapshot, Profile profile) {
  CheckContext context;
  context.profile = profile;
  build_path_maps(std::move(snapshot), context.files, context.directories);
  // The snapshot's texts now live in the path maps; drop what is left.
  snapshot = RecipeFiles();

  if (auto summary = read_package_manifest(context)) {
    check_package_summary(*summary, context);
    ResolvedResources resolved = validate_package_kelp(*summary, context);
    check_mcp_local_example(context);
    auto policy = build_mcp_tool_policy(summary->kelp);
    static const std::vector<std::string_view> kNoPaths;
    auto agents = resolved.find("agents");
    auto agent_files =
        gather_agent_files(context, agents == resolved.end() ? kNoPaths : agents->second);
    context.resources.insert_or_assign("agents", agent_files.size());
    validate_agents(agent_files, agent_files.size(), policy, context);
    for (std::string_view key : {"extensions", "skills", "prompts"}) {
      auto it = resolved.find(key);
      if (it != resolved.end()) context.resources.insert_or_assign(std::string(key), it->second.size());
    }
  }

  std::uint64_t judges = validate_judges(context);
  if (judges > 0) context.resources.insert_or_assign("judges", judges);

  CheckReport report;
  report.valid = std::none_of(context.diagnostics.begin(), context.diagnostics.end(),
                              [](const Diagnostic& d) { return d.severity == Severity::Error; });
  report.profile = profile;
  report.recipe_dir = ".";
  report.package_name = std::move(context.package_name);
  report.diagnostics = std::move(context.diagnostics);
  report.resources = std::move(context.resources);
  return report;
}

}  // namespace kelp

#include "checks/kelp_object.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <set>

#include "checks/eval_suites.h"
#include "checks/mcp_declarations.h"
#include "checks/resource_patterns.h"
#include "report/diagnostics.h"
#include "unicode/text.h"

namespace kelp {

namespace {

struct ResourceKey {
  std::string_view key;
  bool required;
};

constexpr std::array<ResourceKey, 4> kResourceKeys = {{
    {"agents", true},
    {"extensions", false},
    {"skills", false},
    {"prompts", false},
}};

constexpr std::array<std::string_view, 6> kKnownKeys = {"agents", "extensions", "skills",
                                                         "prompts", "mcp", "evals"};

constexpr std::array<std::string_view, 6> kExtensionModuleSuffixes = {"ts",  "tsx", "js",
                                                                      "jsx", "mjs", "cjs"};

constexpr std::string_view kAgentsMissingHelp =
    "add agents/*.yaml or configure package.json#kelp.agents";

std::string code_for(std::string_view prefix, std::string_view key, std::string_view suffix) {
  std::string code(prefix);
  code.append(key);
  code.append(suffix);
  return code;
}

void report_unknown_keys(const JsonValue::Object& kelp, CheckContext& context) {
  for (const auto& [key, value] : kelp) {
    if (std::find(kKnownKeys.begin(), kKnownKeys.end(), key) != kKnownKeys.end()) continue;
    push_diagnostic_owned_message(
        context.diagnostics, Severity::Warning, "kelp.unknown_key", kPackageJson, std::nullopt,
        "package.json#kelp contains unknown key '" + key + "'",
        "remove unknown kelp keys or update recipe-check if this is a new recipe field");
  }
}

// The union of sorted lists of paths, sorted. Merging pairs of lists, round
// by round, compares mostly neighbours in the result (a path that several
// lists hold is the same view in each, which compares in constant time),
// where a sort would compare far-apart paths that may share long prefixes.
std::vector<std::string_view> merge_sorted(std::vector<std::vector<std::string_view>> lists) {
  if (lists.empty()) return {};
  while (lists.size() > 1) {
    std::vector<std::vector<std::string_view>> next;
    next.reserve((lists.size() + 1) / 2);
    for (std::size_t i = 0; i + 1 < lists.size(); i += 2) {
      auto& merged = next.emplace_back();
      merged.reserve(lists[i].size() + lists[i + 1].size());
      std::set_union(lists[i].begin(), lists[i].end(), lists[i + 1].begin(), lists[i + 1].end(),
                     std::back_inserter(merged), PathViewLess());
    }
    if (lists.size() % 2 == 1) next.push_back(std::move(lists.back()));
    lists = std::move(next);
  }
  return std::move(lists.front());
}

// Resolves every pattern of one list into its sorted set of paths.
std::vector<std::string_view> resolve_path_list(const ResourceKey& resource,
                                                const PathList& list, PatternResolver& resolver,
                                                CheckContext& context) {
  auto& diags = context.diagnostics;
  const bool is_extensions = resource.key == "extensions";
  // A repeated pattern comes back as the same list, whose paths are in.
  std::set<const PatternResolver::Paths*> taken;
  std::vector<std::vector<std::string_view>> lists;
  for (const auto& pattern : list.patterns) {
    if (auto error = normalize_resource_pattern(pattern)) {
      push_diagnostic_owned_code_message(diags, Severity::Error,
                                         code_for("package.", resource.key, "_invalid"),
                                         kPackageJson, std::nullopt, std::move(*error),
                                         "use paths relative to the recipe directory");
      continue;
    }
    const auto& resolved = resolver.resolve(pattern);
    if (resolved.empty()) {
      std::string message = "package.json#kelp.";
      message.append(resource.key);
      message += " pattern '" + pattern + "' matched no files";
      push_diagnostic_owned_code_message(
          diags, resource.required ? Severity::Error : Severity::Warning,
          code_for("package.", resource.key, "_unmatched"), kPackageJson, std::nullopt,
          std::move(message), "update or remove the unmatched resource pattern");
      continue;
    }
    if (is_extensions) {
      for (auto path : resolved) {
        if (is_loadable_extension(context, path)) continue;
        push_diagnostic_owned_message(
            diags, Severity::Warning, "package.extensions_non_loadable", std::string(path),
            std::nullopt,
            "package.json#kelp.extensions pattern '" + pattern +
                "' matched a file that is not a loadable extension module",
            "point extension patterns at .ts, .tsx, .js, .jsx, .mjs, or .cjs files");
      }
    }
    if (taken.insert(&resolved).second) lists.push_back(resolved);
  }
  return merge_sorted(std::move(lists));
}

}  // namespace

bool is_loadable_extension(const CheckContext& context, std::string_view path) {
  if (!context.files.contains(path)) return false;
  std::size_t slash = path.rfind('/');
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return false;
  std::string_view suffix = name.substr(dot + 1);
  return std::find(kExtensionModuleSuffixes.begin(), kExtensionModuleSuffixes.end(), suffix) !=
         kExtensionModuleSuffixes.end();
}

PathList check_kelp_path_list(std::string_view key, const JsonValue* value, bool /*required*/,
                              CheckContext& context) {
  PathList list;
  if (!value) {
    // Without a declaration the conventional top-level path counts, if any.
    if (key != "extensions" && (context.files.contains(key) || context.directories.contains(key))) {
      list.patterns.emplace_back(key);
    }
    return list;
  }
  list.declared = true;
  if (!value->is_array()) {
    std::string message = "package.json#kelp.";
    message.append(key);
    message += " must be an array of strings";
    push_diagnostic_owned_code_message(context.diagnostics, Severity::Error,
                                       code_for("kelp.", key, "_invalid"), kPackageJson,
                                       std::nullopt, std::move(message),
                                       "use a list of relative resource paths");
    return list;
  }
  const auto& items = value->as_array();
  for (std::size_t i = 0; i < items.size(); ++i) {
    const JsonValue& item = items[i];
    if (item.is_string()) {
      std::string_view trimmed = unicode::trim(item.as_string());
      if (!trimmed.empty()) {
        list.patterns.emplace_back(trimmed);
        continue;
      }
    }
    std::string message = "package.json#kelp.";
    message.append(key);
    message += "[" + std::to_string(i) + "] must be a non-empty string";
    push_diagnostic_owned_code_message(context.diagnostics, Severity::Error,
                                       code_for("kelp.", key, "_invalid"), kPackageJson,
                                       std::nullopt, std::move(message),
                                       "remove the entry or replace it with a relative resource path");
  }
  return list;
}

ResolvedResources validate_package_kelp(const PackageSummary& summary, CheckContext& context) {
  ResolvedResources resolved;
  if (!summary.kelp || !summary.kelp->is_object()) return resolved;
  const JsonValue& kelp = *summary.kelp;

  report_unknown_keys(kelp.as_object(), context);

  // Every list is read (and its shape reported) before any pattern resolves.
  std::array<PathList, kResourceKeys.size()> lists;
  for (std::size_t k = 0; k < kResourceKeys.size(); ++k) {
    const auto& resource = kResourceKeys[k];
    lists[k] = check_kelp_path_list(resource.key, kelp.get(resource.key), resource.required,
                                    context);
  }

  PatternResolver resolver(context);
  for (std::size_t k = 0; k < kResourceKeys.size(); ++k) {
    const auto& resource = kResourceKeys[k];
    auto paths = resolve_path_list(resource, lists[k], resolver, context);
    if (resource.key == "agents") {
      if (lists[k].patterns.empty() && !lists[k].declared) {
        push_diagnostic_borrowed(
            context.diagnostics, Severity::Error, "package.agents_missing", kPackageJson,
            std::nullopt,
            "Recipe has no package.json#kelp.agents and no conventional agents directory",
            kAgentsMissingHelp);
      }
      if (paths.empty()) {
        push_diagnostic_borrowed(context.diagnostics, Severity::Error, "package.agents_missing",
                                 kPackageJson, std::nullopt,
                                 "Recipe declares no loadable agents", kAgentsMissingHelp);
      }
    }
    resolved.insert_or_assign(std::string(resource.key), std::move(paths));
  }

  if (const JsonValue* mcp = kelp.get("mcp")) check_mcp_declarations(*mcp, context);
  if (const JsonValue* evals = kelp.get("evals")) check_eval_suites(*evals, context);
  return resolved;
}

}  // namespace kelp

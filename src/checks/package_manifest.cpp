#include "checks/package_manifest.h"

#include <array>

#include "checks/declared_text.h"
#include "json/reader.h"
#include "unicode/text.h"

namespace kelp {

namespace {

std::optional<std::string> non_empty_text_member(const JsonValue& object, std::string_view key) {
  auto text = declared_member(object, key);
  if (!text) return std::nullopt;
  return std::string(*text);
}

bool is_non_empty_object(const JsonValue* v) {
  return v && v->is_object() && !v->as_object().empty();
}

constexpr std::array<std::string_view, 4> kLockfiles = {
    "package-lock.json", "npm-shrinkwrap.json", "pnpm-lock.yaml", "yarn.lock"};

}  // namespace

std::optional<PackageSummary> read_package_manifest(CheckContext& context) {
  auto& diags = context.diagnostics;
  auto it = context.files.find(kPackageJson);
  if (it == context.files.end()) {
    push_diagnostic_borrowed(diags, Severity::Error, "package.manifest_missing", kPackageJson,
                             std::nullopt, "Recipe is missing package.json",
                             "add package.json with a non-empty kelp object");
    return std::nullopt;
  }
  if (!it->second) {
    push_diagnostic_borrowed(diags, Severity::Error, "package.manifest_unreadable", kPackageJson,
                             std::nullopt, "package.json content was not provided",
                             "supply package.json content to the validator");
    return std::nullopt;
  }
  std::string decoded;
  auto parsed = json::parse_value(it->second->view(decoded));
  if (!parsed) {
    const auto& err = parsed.error();
    push_diagnostic_owned_message(diags, Severity::Error, "package.manifest_malformed",
                                  kPackageJson, Span{err.line, err.column},
                                  "package.json is not valid JSON: " + err.display(),
                                  "fix package.json syntax");
    return std::nullopt;
  }
  const JsonValue& doc = *parsed;
  if (!doc.is_object()) {
    push_diagnostic_borrowed(diags, Severity::Error, "package.manifest_invalid", kPackageJson,
                             std::nullopt, "package.json must be an object",
                             "make the top-level JSON value an object");
    return std::nullopt;
  }
  PackageSummary summary;
  const JsonValue* kelp = doc.get("kelp");
  if (kelp) summary.kelp = *kelp;
  if (!is_non_empty_object(kelp)) {
    push_diagnostic_borrowed(diags, Severity::Error, "package.kelp_missing", kPackageJson,
                             std::nullopt, "package.json is missing a non-empty kelp object",
                             "add package.json#kelp with recipe resources");
  }
  summary.name = non_empty_text_member(doc, "name");
  summary.description = non_empty_text_member(doc, "description");
  summary.has_runtime_deps =
      is_non_empty_object(doc.get("dependencies")) || is_non_empty_object(doc.get("optionalDependencies"));
  return summary;
}

void check_package_summary(const PackageSummary& summary, CheckContext& context) {
  auto& diags = context.diagnostics;
  if (summary.name) context.package_name = summary.name;
  if (!summary.name) {
    push_diagnostic_borrowed(diags, Severity::Error, "package.name_missing", kPackageJson,
                             std::nullopt, "Package is missing name",
                             "set package.json#name to the recipe identifier");
  }
  if (!summary.description) {
    push_diagnostic_borrowed(diags, Severity::Warning, "package.description_missing",
                             kPackageJson, std::nullopt, "Package is missing description",
                             "add a short package.json#description for humans browsing recipes");
  }
  if (!summary.has_runtime_deps) return;
  for (auto lockfile : kLockfiles) {
    if (context.files.count(lockfile) || context.directories.count(lockfile)) return;
  }
  push_diagnostic_borrowed(
      diags, context.profile == Profile::Local ? Severity::Warning : Severity::Error,
      "package.lockfile_missing", kPackageJson, std::nullopt,
      "Recipe declares runtime dependencies but has no lockfile",
      "commit package-lock.json, npm-shrinkwrap.json, pnpm-lock.yaml, or yarn.lock");
}

}  // namespace kelp

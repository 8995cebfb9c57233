#include "checks/mcp_declarations.h"

#include <optional>
#include <string>

#include "checks/declared_text.h"
#include "checks/package_manifest.h"
#include "checks/resource_patterns.h"
#include "report/diagnostics.h"
#include "unicode/text.h"

namespace kelp {

namespace {

constexpr std::string_view kManifestEntryHelp = "remove the entry or provide a relative manifest path";

void mcp_invalid(CheckContext& context, std::string message, std::string_view help) {
  push_diagnostic_owned_message(context.diagnostics, Severity::Error, "kelp.mcp_invalid",
                                kPackageJson, std::nullopt, std::move(message), help);
}

void include_missing(CheckContext& context, std::string message) {
  push_diagnostic_owned_message(context.diagnostics, Severity::Warning,
                                "kelp.mcp_include_missing", kPackageJson, std::nullopt,
                                std::move(message),
                                "declare an explicit allowlist or omit the server");
}

void check_manifest(CheckContext& context, PatternResolver& resolver, std::string_view pattern) {
  if (auto error = normalize_resource_pattern(pattern)) {
    push_diagnostic_owned_message(context.diagnostics, Severity::Error,
                                  "kelp.mcp_manifest_invalid", kPackageJson, std::nullopt,
                                  std::move(*error),
                                  "use manifest paths relative to the recipe directory");
    return;
  }
  if (resolver.resolve(pattern).empty()) {
    std::string message = "MCP manifest pattern '";
    message.append(pattern);
    message += "' matched no files";
    push_diagnostic_owned_message(context.diagnostics, Severity::Error,
                                  "kelp.mcp_manifest_missing", kPackageJson, std::nullopt,
                                  std::move(message),
                                  "add the manifest file or update package.json#kelp.mcp");
  }
}

// A list of manifest patterns; `label` opens each item's message.
void check_manifest_list(const JsonValue::Array& items, std::string_view label,
                         PatternResolver& resolver, CheckContext& context) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (auto text = declared_text(items[i])) {
      check_manifest(context, resolver, *text);
    } else {
      mcp_invalid(context,
                  std::string(label) + "[" + std::to_string(i) + "] must be a non-empty string",
                  kManifestEntryHelp);
    }
  }
}

bool selector_passes(std::string_view selector, bool is_include) {
  if (is_include && selector == "*") return true;
  return !selector.empty() && selector.find('*') == std::string_view::npos;
}

void check_tool_list(const JsonValue& list, std::string_view server_label,
                     std::string_view list_name, CheckContext& context) {
  std::string label = std::string(server_label) + ".tools.";
  label.append(list_name);
  if (!list.is_array()) {
    mcp_invalid(context, label + " must be an array of strings",
                "use a list containing only non-empty strings");
    return;
  }
  const auto& items = list.as_array();
  for (std::size_t j = 0; j < items.size(); ++j) {
    if (!declared_text(items[j])) {
      mcp_invalid(context, label + "[" + std::to_string(j) + "] must be a non-empty string",
                  "remove the entry or replace it with a non-empty string");
    }
  }
  const bool is_include = list_name == "include";
  for (const JsonValue& item : items) {
    if (!item.is_string()) continue;
    std::string_view selector = unicode::trim(item.as_string());
    if (selector_passes(selector, is_include)) continue;
    std::string message = label + " entry '";
    message.append(selector);
    message += is_include ? "' must be an exact tool name or '*'" : "' must be an exact tool name";
    push_diagnostic_owned_message(context.diagnostics, Severity::Error,
                                  "kelp.mcp_selector_invalid", kPackageJson, std::nullopt,
                                  std::move(message), std::nullopt);
  }
}

void check_server(const JsonValue& server, std::size_t i, CheckContext& context) {
  const std::string label = "package.json#kelp.mcp.servers[" + std::to_string(i) + "]";
  if (!server.is_object()) {
    mcp_invalid(context, label + " must be an object",
                "remove the entry or make it a server declaration");
    return;
  }
  const JsonValue* id = server.get("id");
  if (!id || !declared_text(*id)) {
    mcp_invalid(context, label + ".id must be a non-empty string",
                "give the server a non-empty identifier");
  }
  const JsonValue* required = server.get("required");
  if (required && !required->is_bool()) {
    mcp_invalid(context, label + ".required must be boolean",
                "remove required or set it to a boolean value");
  }
  const JsonValue* tools = server.get("tools");
  if (!tools) {
    include_missing(context, label +
                                 " must declare tools.include; use ['*'] for all tools or [] for "
                                 "none");
    return;
  }
  if (!tools->is_object()) {
    mcp_invalid(context, label + ".tools must be an object",
                "remove tools for no access, or declare a tool policy");
    return;
  }
  const JsonValue* include = tools->get("include");
  if (!include) {
    include_missing(context, label +
                                 ".tools must declare include; use ['*'] for all tools or [] for "
                                 "none");
  } else {
    check_tool_list(*include, label, "include", context);
  }
  if (const JsonValue* exclude = tools->get("exclude")) {
    check_tool_list(*exclude, label, "exclude", context);
  }
}

void check_mcp_object(const JsonValue& mcp, PatternResolver& resolver, CheckContext& context) {
  if (const JsonValue* manifest = mcp.get("manifest")) {
    if (auto text = declared_text(*manifest)) {
      check_manifest(context, resolver, *text);
    } else {
      mcp_invalid(context, "package.json#kelp.mcp.manifest must be a non-empty string",
                  "remove manifest or provide a relative manifest path");
    }
  }
  if (const JsonValue* manifests = mcp.get("manifests")) {
    if (manifests->is_array()) {
      check_manifest_list(manifests->as_array(), "package.json#kelp.mcp.manifests", resolver,
                          context);
    } else {
      mcp_invalid(context, "package.json#kelp.mcp.manifests must be an array of strings",
                  "use a list of relative manifest paths");
    }
  }
  if (const JsonValue* servers = mcp.get("servers")) {
    if (!servers->is_array()) {
      mcp_invalid(context, "package.json#kelp.mcp.servers must be an array",
                  "use a list of MCP server declarations");
      return;
    }
    const auto& entries = servers->as_array();
    for (std::size_t i = 0; i < entries.size(); ++i) check_server(entries[i], i, context);
  }
}

}  // namespace

void check_mcp_manifests(CheckContext& context, std::string_view pattern) {
  PatternResolver resolver(context);
  check_manifest(context, resolver, pattern);
}

void check_mcp_declarations(const JsonValue& mcp, CheckContext& context) {
  PatternResolver resolver(context);
  switch (mcp.kind()) {
    case JsonValue::Kind::String:
      // The manifest operations trim for themselves.
      check_manifest(context, resolver, mcp.as_string());
      return;
    case JsonValue::Kind::Array:
      check_manifest_list(mcp.as_array(), "package.json#kelp.mcp", resolver, context);
      return;
    case JsonValue::Kind::Object:
      check_mcp_object(mcp, resolver, context);
      return;
    default:
      mcp_invalid(context, "package.json#kelp.mcp must be an object, string, or string array",
                  "remove mcp for no access, or use a supported MCP declaration");
      return;
  }
}

}  // namespace kelp

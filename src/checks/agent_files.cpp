#include "checks/agent_files.h"

#include <algorithm>
#include <string>
#include <utility>

#include "checks/declared_text.h"
#include "checks/agent_cross_checks.h"
#include "checks/slugify.h"
#include "unicode/text.h"
#include "report/error_span.h"
#include "yaml/reader.h"

namespace kelp {

namespace {

constexpr std::string_view kStringListHelp = "use a list containing only non-empty strings";

// The provider part (before the first "/") must be a bare identifier and the
// model part non-empty.
bool is_valid_model_name(std::string_view name) {
  const auto slash = name.find('/');
  if (slash == std::string_view::npos || slash == 0 || slash + 1 == name.size()) return false;
  const std::string_view provider = name.substr(0, slash);
  if (provider.find(':') != std::string_view::npos) return false;
  std::size_t pos = 0;
  while (pos < provider.size()) {
    if (unicode::is_white_space(unicode::next_code_point(provider, pos))) return false;
  }
  return true;
}

// Appends the diagnostics of one agent file that holds a mapping and fills
// its record.
class AgentFileCheck {
 public:
  AgentFileCheck(CheckContext& context, std::string_view path, const JsonValue& doc)
      : ctx_(context), path_(path), doc_(doc) {}

  AgentRecord run();

 private:
  void error(std::string_view code, std::string message,
             std::optional<std::string_view> help = std::nullopt) {
    push_diagnostic_owned_message(ctx_.diagnostics, Severity::Error, code, path_, std::nullopt,
                                  std::move(message), help);
  }
  void warning(std::string_view code, std::string message, std::string_view help) {
    push_diagnostic_owned_message(ctx_.diagnostics, Severity::Warning, code, path_,
                                  std::nullopt, std::move(message), help);
  }

  void check_name();
  void check_description();
  void check_from();
  void check_model();
  void check_mcp();
  void check_mcp_server(const std::string& key, const JsonValue& value, McpToolPolicy& servers);
  std::optional<ToolSelectorSet> check_selectors(const std::string& key, const JsonValue& server,
                                                 std::string_view list);
  void check_prompt();
  void check_system_instructions();
  void check_extensions();

  CheckContext& ctx_;
  std::string_view path_;
  const JsonValue& doc_;
  AgentRecord record_;
};

AgentRecord AgentFileCheck::run() {
  record_.path = std::string(path_);
  record_.alias = agent_alias(path_);
  check_name();
  check_description();
  check_from();
  check_model();
  check_string_list_field(doc_, "tools", AgentField::Tools, path_, record_.declared, ctx_);
  check_mcp();
  check_string_list_field(doc_, "skills", AgentField::Skills, path_, record_.declared, ctx_);
  check_string_list_field(doc_, "subagents", AgentField::Subagents, path_, record_.declared,
                          ctx_);
  check_prompt();
  check_system_instructions();
  check_extensions();
  return std::move(record_);
}

void AgentFileCheck::check_name() {
  if (auto name = string_field(doc_, "name")) {
    record_.name = std::move(*name);
    record_.explicit_name = true;
    return;
  }
  record_.name = record_.alias;
  if (!doc_.get("name")) {
    warning("agent.name_missing", "Recipe agent '" + record_.name + "' must declare name",
            "add a non-empty name field to the agent YAML");
  } else {
    error("agent.name_invalid", "Agent name must be a non-empty string",
          "remove the field to use the filename, or set a non-empty name");
  }
}

void AgentFileCheck::check_description() {
  if (string_field(doc_, "description")) return;
  warning("agent.description_missing",
          "Recipe agent '" + record_.name + "' is missing description",
          "add a short description to explain when this agent should be used");
}

void AgentFileCheck::check_from() {
  if (!doc_.get("from")) return;
  record_.from = string_field(doc_, "from");
  if (!record_.from) {
    error("agent.from_invalid", "Agent from must be a non-empty string",
          "remove the field or reference an existing agent");
  }
}

void AgentFileCheck::check_model() {
  const JsonValue* model = doc_.get("model");
  if (!model) return;
  if (!model->is_object()) {
    error("agent.model_invalid", "Agent model must be an object",
          "make model a mapping of supported model settings");
    return;
  }
  if (auto name = string_field(*model, "name")) {
    record_.declared.insert(AgentField::ModelName);
    if (!is_valid_model_name(*name)) {
      error("agent.model.name_invalid",
            "Recipe agent '" + record_.name + "' has invalid model.name '" + *name +
                "' - expected '<provider>/<model_id>'",
            "use an available provider and model identifier");
    }
  } else if (model->get("name")) {
    error("agent.model.name_invalid", "Agent model.name must be a non-empty string",
          "set an available provider and model identifier");
  }
  // A valid camel-case key makes up for a bad snake-case one.
  if (string_field(*model, "thinking_level") || string_field(*model, "thinkingLevel")) {
    record_.declared.insert(AgentField::ModelThinkingLevel);
  } else if (model->get("thinking_level") || model->get("thinkingLevel")) {
    error("agent.model.thinkingLevel_invalid", "Agent model thinking level must be a string",
          "remove the field to preserve the default, or set a supported level");
  }
}

void AgentFileCheck::check_mcp() {
  const JsonValue* mcp = doc_.get("mcp");
  if (!mcp) return;
  McpToolPolicy& servers = record_.mcp.emplace();
  if (!mcp->is_object()) {
    error("agent.mcp_invalid", "Agent mcp must be an object",
          "remove mcp for no access, or declare server policies");
    return;
  }
  for (const auto& [key, value] : mcp->as_object()) check_mcp_server(key, value, servers);
}

void AgentFileCheck::check_mcp_server(const std::string& key, const JsonValue& value,
                                      McpToolPolicy& servers) {
  if (!unicode::is_non_empty_text(key)) {
    error("agent.mcp_server_invalid", "Agent mcp server ids must be non-empty strings",
          "remove the entry or give the server a non-empty identifier");
    return;
  }
  if (!value.is_object()) {
    error("agent.mcp_invalid", "Agent mcp server '" + key + "' must be an object",
          "remove the server for no access, or declare its tool policy");
    return;
  }
  McpServerPolicy policy;
  policy.include = check_selectors(key, value, "include");
  policy.exclude = check_selectors(key, value, "exclude");
  servers.insert_or_assign(slugify(key), std::move(policy));
}

std::optional<ToolSelectorSet> AgentFileCheck::check_selectors(const std::string& key,
                                                               const JsonValue& server,
                                                               std::string_view list) {
  const JsonValue* items = server.get(list);
  if (!items) return std::nullopt;
  if (auto problem = string_list(*items)) {
    error("agent.mcp_invalid", "mcp." + key + "." + std::string(list) + ": " + *problem,
          "use a list containing only non-empty tool names");
    return std::nullopt;
  }
  ToolSelectorSet selectors;
  for (const auto& item : items->as_array()) selectors.emplace(unicode::trim(item.as_string()));
  const bool include = list == "include";
  for (const auto& selector : selectors) {
    const bool has_star = selector.find('*') != std::string::npos;
    if (!has_star || (include && selector == "*")) continue;
    error("agent.mcp_selector_invalid",
          "Agent mcp server '" + key + "' " + std::string(list) + " entry '" + selector +
              "' must be " + (include ? "an exact tool name or '*'" : "an exact tool name"));
  }
  return selectors;
}

void AgentFileCheck::check_prompt() {
  if (!doc_.get("prompt")) return;
  if (string_field(doc_, "prompt")) {
    record_.declared.insert(AgentField::SystemInstructions);
  } else {
    error("agent.prompt_invalid", "Agent prompt must be a non-empty string");
  }
}

void AgentFileCheck::check_system_instructions() {
  const JsonValue* si = doc_.get("system_instructions");
  if (!si) si = doc_.get("systemInstructions");
  if (!si) return;
  constexpr std::string_view code = "agent.systemInstructions_invalid";
  if (!si->is_object()) {
    error(code, "Agent system_instructions must be an object");
    return;
  }
  const JsonValue* content = si->get("content");
  if (!content) {
    error(code, "Agent system_instructions must declare content");
  } else if (content->is_string()) {
    record_.declared.insert(AgentField::SystemInstructions);
  } else {
    error(code, "Agent system_instructions.content must be a string");
  }
  const JsonValue* mode = si->get("mode");
  if (!mode) return;
  if (!mode->is_string()) {
    error(code, "Agent system_instructions.mode must be a string");
  } else if (mode->as_string() != "append" && mode->as_string() != "replace") {
    error(code, "Agent system_instructions.mode must be append or replace");
  }
}

void AgentFileCheck::check_extensions() {
  const JsonValue* extensions = doc_.get("extensions");
  if (!extensions) return;
  if (!extensions->is_object()) {
    error("agent.extensions_invalid", "Agent extensions must be an object");
    return;
  }
  for (std::string_view list : {"include", "exclude"}) {
    const JsonValue* items = extensions->get(list);
    if (!items) continue;
    if (auto problem = string_list(*items))
      error("agent.extensions_invalid", "extensions." + std::string(list) + ": " + *problem);
  }
}

}  // namespace

std::optional<std::string> string_field(const JsonValue& object, std::string_view key) {
  auto text = declared_member(object, key);
  if (!text) return std::nullopt;
  return std::string(*text);
}

std::optional<std::string> string_list(const JsonValue& value) {
  if (!value.is_array()) return std::string("field must be an array of strings");
  const auto& items = value.as_array();
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].is_string() && unicode::is_non_empty_text(items[i].as_string())) continue;
    return "item " + std::to_string(i) + " must be a non-empty string";
  }
  return std::nullopt;
}

void check_string_list_field(const JsonValue& object, std::string_view key, AgentField field,
                             std::string_view path, DeclaredFields& declared,
                             CheckContext& context) {
  const JsonValue* value = object.get(key);
  if (!value) return;
  auto problem = string_list(*value);
  if (!problem) {
    declared.insert(field);
    return;
  }
  push_diagnostic_owned_code_message(context.diagnostics, Severity::Error,
                                     "agent." + std::string(key) + "_invalid", path,
                                     std::nullopt, std::move(*problem), kStringListHelp);
}

std::string agent_alias(std::string_view path) {
  const auto slash = path.rfind('/');
  const std::string_view segment =
      slash == std::string_view::npos ? path : path.substr(slash + 1);
  if (segment.empty()) return "agent";
  const auto dot = segment.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return std::string(segment);
  return std::string(segment.substr(0, dot));
}

std::optional<AgentRecord> check_agent_file(std::string_view path, CheckContext& context) {
  auto& diags = context.diagnostics;
  auto it = context.files.find(path);
  if (it == context.files.end() || !it->second) {
    push_diagnostic_borrowed(diags, Severity::Error, "agent.unreadable", path, std::nullopt,
                             "Agent YAML content was not provided",
                             "supply agent YAML content to the validator");
    return std::nullopt;
  }
  std::string decoded;
  auto doc = yaml::read_json_value(it->second->view(decoded));
  if (!doc) {
    std::string error = doc.error().display();
    auto span = span_from_error_text(error);
    push_diagnostic_owned_message(diags, Severity::Error, "agent.yaml_malformed", path, span,
                                  "Agent file is not valid YAML: " + error,
                                  "fix the YAML syntax");
    return std::nullopt;
  }
  if (!doc->is_object()) {
    push_diagnostic_borrowed(diags, Severity::Error, "agent.invalid", path, std::nullopt,
                             "Agent file must contain a YAML object",
                             "make the top-level YAML value a mapping");
    return std::nullopt;
  }
  return AgentFileCheck(context, path, *doc).run();
}

void validate_agents(const std::vector<std::string>& paths, std::size_t count,
                     const std::optional<McpToolPolicy>& policy, CheckContext& context) {
  std::vector<AgentRecord> records;
  records.reserve(std::min(count, paths.size()));
  for (const auto& path : paths) {
    if (auto record = check_agent_file(path, context)) records.push_back(std::move(*record));
  }
  run_agent_cross_checks(records, policy, context);
}

}  // namespace kelp

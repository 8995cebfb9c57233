#include "checks/mcp_local_example.h"

#include <array>
#include <string>

#include "json/reader.h"
#include "unicode/text.h"

namespace kelp {

namespace {

constexpr std::array<std::string_view, 4> kTextMembers = {"id", "name", "transport", "url"};

class ExampleCheck {
 public:
  explicit ExampleCheck(CheckContext& context) : diags_(context.diagnostics) {}

  void fixed(std::string_view code, std::string_view message, std::string_view help,
             std::optional<Span> span = std::nullopt) {
    push_diagnostic_borrowed(diags_, Severity::Warning, code, kMcpLocalExamplePath, span, message,
                             help);
  }
  void invalid(std::string message, std::string_view help) {
    push_diagnostic_owned_message(diags_, Severity::Warning, "mcp.local_example_invalid",
                                  kMcpLocalExamplePath, std::nullopt, std::move(message), help);
  }

  void server(const JsonValue& entry, std::size_t index);

 private:
  DiagnosticList& diags_;
};

void ExampleCheck::server(const JsonValue& entry, std::size_t index) {
  const std::string prefix = "servers[" + std::to_string(index) + "]";
  if (!entry.is_object()) {
    invalid(prefix + " must be an object", "fix the server entry or remove it");
    return;
  }
  for (auto member : kTextMembers) {
    const JsonValue* value = entry.get(member);
    if (!value) continue;
    if (value->is_string() && unicode::is_non_empty_text(value->as_string())) continue;
    invalid(prefix + "." + std::string(member) + " must be a non-empty string",
            "remove the field or provide a non-empty value");
  }
  const JsonValue* headers = entry.get("headers");
  if (!headers) return;
  if (!headers->is_object()) {
    invalid(prefix + ".headers must be an object",
            "remove headers or make it a string-valued mapping");
    return;
  }
  for (const auto& [name, value] : headers->as_object()) {
    if (value.is_string()) continue;
    invalid(prefix + ".headers." + name + " must be a string",
            "remove the header or provide a string value");
  }
}

}  // namespace

void check_mcp_local_example(CheckContext& context) {
  auto it = context.files.find(kMcpLocalExamplePath);
  if (it == context.files.end()) return;
  ExampleCheck check(context);
  if (!it->second) {
    check.fixed("mcp.local_example_unreadable", "MCP local example content was not provided",
                "supply .kelp/mcp.local.example.json content to the validator");
    return;
  }
  std::string decoded;
  auto parsed = json::parse_value(it->second->view(decoded));
  if (!parsed) {
    const auto& err = parsed.error();
    push_diagnostic_owned_message(
        context.diagnostics, Severity::Warning, "mcp.local_example_malformed",
        kMcpLocalExamplePath, Span{err.line, err.column},
        ".kelp/mcp.local.example.json is not valid JSON: " + err.display(),
        "fix the local MCP config template JSON");
    return;
  }
  const JsonValue& doc = *parsed;
  if (!doc.is_object()) {
    check.fixed("mcp.local_example_invalid", ".kelp/mcp.local.example.json must be an object",
                "fix the file structure or remove the optional example");
    return;
  }
  const JsonValue* servers = doc.get("servers");
  if (!servers) return;
  if (!servers->is_array()) {
    check.fixed("mcp.local_example_invalid",
                ".kelp/mcp.local.example.json servers must be an array",
                "fix the server list or remove the optional example");
    return;
  }
  const auto& entries = servers->as_array();
  for (std::size_t i = 0; i < entries.size(); ++i) check.server(entries[i], i);
}

}  // namespace kelp

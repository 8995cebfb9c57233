#include "checks/diagnostic_codes.h"

#include <algorithm>

namespace kelp {

namespace {

constexpr auto kError = CodeSeverity::Error;
constexpr auto kWarning = CodeSeverity::Warning;
constexpr auto kByProfile = CodeSeverity::ByProfile;

constexpr std::string_view kPackage = "checks/package_manifest.cpp";
constexpr std::string_view kKelp = "checks/kelp_object.cpp";
constexpr std::string_view kMcp = "checks/mcp_declarations.cpp";
constexpr std::string_view kEvals = "checks/eval_suites.cpp";
constexpr std::string_view kLocalExample = "checks/mcp_local_example.cpp";
constexpr std::string_view kAgentFile = "checks/agent_files.cpp";
constexpr std::string_view kAgentCross = "checks/agent_cross_checks.cpp";
constexpr std::string_view kJudge = "checks/judge_files.cpp";

}  // namespace

std::span<const DiagnosticCode> diagnostic_codes() {
  // Built on first use: GCC does not take the help lists as constants, and a
  // table built at start-up could be read before it is built.
  static const DiagnosticCode kCodes[] = {
      // package.json as a document, its name and description, the lockfile rule.
      {"package.manifest_missing", kError,
       {"add package.json with a non-empty kelp object"}, kPackage},
      {"package.manifest_unreadable", kError,
       {"supply package.json content to the validator"}, kPackage},
      {"package.manifest_malformed", kError, {"fix package.json syntax"}, kPackage},
      {"package.manifest_invalid", kError, {"make the top-level JSON value an object"}, kPackage},
      {"package.kelp_missing", kError, {"add package.json#kelp with recipe resources"}, kPackage},
      {"package.name_missing", kError,
       {"set package.json#name to the recipe identifier"}, kPackage},
      {"package.description_missing", kWarning,
       {"add a short package.json#description for humans browsing recipes"}, kPackage},
      {"package.lockfile_missing", kByProfile,
       {"commit package-lock.json, npm-shrinkwrap.json, pnpm-lock.yaml, or yarn.lock"}, kPackage},

      // The kelp object: unknown keys and the four resource lists. The list
      // codes are built from the key ("kelp." key "_invalid", "package." key
      // "_invalid", "package." key "_unmatched").
      {"kelp.unknown_key", kWarning,
       {"remove unknown kelp keys or update recipe-check if this is a new recipe field"}, kKelp},
      {"kelp.agents_invalid", kError,
       {"use a list of relative resource paths",
        "remove the entry or replace it with a relative resource path"}, kKelp},
      {"kelp.extensions_invalid", kError,
       {"use a list of relative resource paths",
        "remove the entry or replace it with a relative resource path"}, kKelp},
      {"kelp.skills_invalid", kError,
       {"use a list of relative resource paths",
        "remove the entry or replace it with a relative resource path"}, kKelp},
      {"kelp.prompts_invalid", kError,
       {"use a list of relative resource paths",
        "remove the entry or replace it with a relative resource path"}, kKelp},
      {"package.agents_invalid", kError, {"use paths relative to the recipe directory"}, kKelp},
      {"package.extensions_invalid", kError, {"use paths relative to the recipe directory"}, kKelp},
      {"package.skills_invalid", kError, {"use paths relative to the recipe directory"}, kKelp},
      {"package.prompts_invalid", kError, {"use paths relative to the recipe directory"}, kKelp},
      // Only the agents list is required, so only its unmatched pattern is an error.
      {"package.agents_unmatched", kError,
       {"update or remove the unmatched resource pattern"}, kKelp},
      {"package.extensions_unmatched", kWarning,
       {"update or remove the unmatched resource pattern"},
       kKelp},
      {"package.skills_unmatched", kWarning,
       {"update or remove the unmatched resource pattern"}, kKelp},
      {"package.prompts_unmatched", kWarning,
       {"update or remove the unmatched resource pattern"}, kKelp},
      {"package.extensions_non_loadable", kWarning,
       {"point extension patterns at .ts, .tsx, .js, .jsx, .mjs, or .cjs files"}, kKelp},
      {"package.agents_missing", kError,
       {"add agents/*.yaml or configure package.json#kelp.agents"},
       kKelp},

      // kelp.mcp: manifests and server declarations.
      {"kelp.mcp_manifest_invalid", kError, {"use manifest paths relative to the recipe directory"},
       kMcp},
      {"kelp.mcp_manifest_missing", kError,
       {"add the manifest file or update package.json#kelp.mcp"},
       kMcp},
      {"kelp.mcp_invalid", kError,
       {"remove the entry or provide a relative manifest path",
        "remove manifest or provide a relative manifest path",
        "use a list of relative manifest paths",
        "use a list of MCP server declarations",
        "remove mcp for no access, or use a supported MCP declaration",
        "remove the entry or make it a server declaration",
        "give the server a non-empty identifier",
        "remove required or set it to a boolean value",
        "remove tools for no access, or declare a tool policy",
        "use a list containing only non-empty strings",
        "remove the entry or replace it with a non-empty string"}, kMcp},
      {"kelp.mcp_include_missing", kWarning,
       {"declare an explicit allowlist or omit the server"}, kMcp},
      {"kelp.mcp_selector_invalid", kError, {}, kMcp},

      // kelp.evals: the evaluation suites and their pins.
      {"evals.suite_invalid", kError,
       {"remove evals or declare a suites list",
        "use a list of evaluation suite declarations",
        "remove the entry or make it a suite declaration",
        "give the evaluation suite a unique non-empty name",
        "choose the suite type that matches the dataset source",
        "set the registry dataset identifier",
        "pin the dataset to an immutable registry tag",
        "set the repository containing the evaluation dataset",
        "pin the repository to an immutable commit",
        "set the dataset path within the repository"}, kEvals},
      {"evals.name_duplicate", kError, {"give each evaluation suite a unique name"}, kEvals},
      {"evals.pin_mutable", kError,
       {"pin the dataset to an immutable registry tag",
        "pin the repository to an immutable commit"},
       kEvals},

      // .kelp/mcp.local.example.json: warnings only.
      {"mcp.local_example_unreadable", kWarning,
       {"supply .kelp/mcp.local.example.json content to the validator"}, kLocalExample},
      {"mcp.local_example_malformed", kWarning, {"fix the local MCP config template JSON"},
       kLocalExample},
      {"mcp.local_example_invalid", kWarning,
       {"fix the file structure or remove the optional example",
        "fix the server list or remove the optional example",
        "fix the server entry or remove it",
        "remove the field or provide a non-empty value",
        "remove headers or make it a string-valued mapping",
        "remove the header or provide a string value"}, kLocalExample},

      // Each agent file on its own. The list codes are built from the key
      // ("agent." key "_invalid").
      {"agent.unreadable", kError, {"supply agent YAML content to the validator"}, kAgentFile},
      {"agent.yaml_malformed", kError, {"fix the YAML syntax"}, kAgentFile},
      {"agent.invalid", kError, {"make the top-level YAML value a mapping"}, kAgentFile},
      {"agent.name_missing", kWarning,
       {"add a non-empty name field to the agent YAML"}, kAgentFile},
      {"agent.name_invalid", kError,
       {"remove the field to use the filename, or set a non-empty name"},
       kAgentFile},
      {"agent.description_missing", kWarning,
       {"add a short description to explain when this agent should be used"}, kAgentFile},
      {"agent.from_invalid", kError,
       {"remove the field or reference an existing agent"}, kAgentFile},
      {"agent.model_invalid", kError,
       {"make model a mapping of supported model settings"}, kAgentFile},
      {"agent.model.name_invalid", kError,
       {"use an available provider and model identifier",
        "set an available provider and model identifier"}, kAgentFile},
      {"agent.model.thinkingLevel_invalid", kError,
       {"remove the field to preserve the default, or set a supported level"}, kAgentFile},
      {"agent.tools_invalid", kError, {"use a list containing only non-empty strings"}, kAgentFile},
      {"agent.mcp_invalid", kError,
       {"remove mcp for no access, or declare server policies",
        "remove the server for no access, or declare its tool policy",
        "use a list containing only non-empty tool names"}, kAgentFile},
      {"agent.mcp_server_invalid", kError,
       {"remove the entry or give the server a non-empty identifier"}, kAgentFile},
      {"agent.mcp_selector_invalid", kError, {}, kAgentFile},
      {"agent.skills_invalid", kError,
       {"use a list containing only non-empty strings"}, kAgentFile},
      {"agent.subagents_invalid", kError,
       {"use a list containing only non-empty strings"}, kAgentFile},
      {"agent.prompt_invalid", kError, {}, kAgentFile},
      {"agent.systemInstructions_invalid", kError, {}, kAgentFile},
      {"agent.extensions_invalid", kError, {}, kAgentFile},

      // The agents across each other. The missing-field codes are built from
      // the field ("agent." field "_missing").
      {"agent.name_duplicate", kError, {"choose unique agent names"}, kAgentCross},
      {"agent.name_alias_conflict", kError,
       {"rename the file or choose a non-conflicting agent name"}, kAgentCross},
      {"agent.from_missing", kError, {"update from to reference an existing agent"}, kAgentCross},
      {"agent.from_cycle", kError, {"remove the inheritance cycle"}, kAgentCross},
      {"agent.model.name_missing", kError, {"set a model or inherit one from a base agent"},
       kAgentCross},
      {"agent.model.thinkingLevel_missing", kWarning,
       {"omit this field to preserve the provider or session default"}, kAgentCross},
      {"agent.tools_missing", kWarning,
       {"omit this field for no tools, or declare the intended tools"}, kAgentCross},
      {"agent.systemInstructions_missing", kWarning, {}, kAgentCross},
      {"agent.mcp_server_undeclared", kError,
       {"add the server to package.json#kelp.mcp.servers or remove it from the agent"},
       kAgentCross},
      {"agent.mcp_tool_undeclared", kError,
       {"include the tool in the package MCP policy or update the agent"}, kAgentCross},

      // The judge files under judges/: errors only.
      {"judge.unreadable", kError, {"supply judge YAML content to the validator"}, kJudge},
      {"judge.yaml_malformed", kError, {"fix the YAML syntax"}, kJudge},
      {"judge.invalid", kError, {"make the top-level YAML value a mapping"}, kJudge},
      {"judge.unknown_field", kError,
       {"supported fields: description, instructions, judge, llm, on"}, kJudge},
      {"judge.name_missing", kError, {"add `judge: <unique-name>`"}, kJudge},
      {"judge.name_invalid", kError,
       {"set judge to a unique string name",
        "set judge to a unique name containing at most 255 characters",
        "shorten the judge name"}, kJudge},
      {"judge.description_invalid", kError,
       {"remove description or provide a string", "shorten the optional description"}, kJudge},
      {"judge.instructions_missing", kError,
       {"add the grading rubric under `instructions`"}, kJudge},
      {"judge.instructions_invalid", kError,
       {"use a YAML string or block scalar for the grading rubric",
        "write the grading rubric under `instructions`"}, kJudge},
      {"judge.on_invalid", kError,
       {"use entries shaped as `{ event: message|tool|feedback, match: {...} }`"}, kJudge},
      {"judge.on.matcher_invalid", kError,
       {"replace the entry with an event matcher mapping"}, kJudge},
      {"judge.on.matcher_unknown_field", kError, {"supported fields: event, match"}, kJudge},
      {"judge.on.event_invalid", kError,
       {"add a supported event kind", "use message, tool, or feedback"}, kJudge},
      {"judge.on.match_invalid", kError,
       {"remove match to match every event of this kind, or provide a mapping"}, kJudge},
      {"judge.on.match_field_invalid", kError,
       {"use a non-empty field or dotted field path"}, kJudge},
      {"judge.on.match_field_prohibited", kError,
       {"gate on normalized conversation content instead"},
       kJudge},
      {"judge.on.regex_invalid", kError,
       {"use unique regex flags from i, m, s, and u", "fix the Rust-compatible regex syntax"},
       kJudge},
      {"judge.llm_missing", kError, {"add `llm:` with a non-empty `model`"}, kJudge},
      {"judge.llm_invalid", kError,
       {"declare provider/model and optional request, transport, and local mappings"}, kJudge},
      {"judge.llm.unknown_field", kError,
       {"supported fields: local, model, provider, request, transport"}, kJudge},
      {"judge.llm.provider_invalid", kError,
       {"use 1-64 lowercase ASCII letters, digits, or hyphens, or omit it for openai"}, kJudge},
      {"judge.llm.model_missing", kError,
       {"set llm.model to the provider's model identifier"}, kJudge},
      {"judge.llm.model_invalid", kError,
       {"set llm.model to a model identifier containing at most 255 bytes"}, kJudge},
      {"judge.llm.request_invalid", kError,
       {"declare only temperature, max_tokens, and reasoning_effort overrides"}, kJudge},
      {"judge.llm.request.unknown_field", kError,
       {"supported fields: max_tokens, reasoning_effort, temperature"}, kJudge},
      {"judge.llm.request.temperature_invalid", kError,
       {"remove the override for the default 0, or use a value from 0 through 2"}, kJudge},
      {"judge.llm.request.max_tokens_invalid", kError,
       {"choose a bounded maximum output token count"}, kJudge},
      {"judge.llm.request.reasoning_effort_invalid", kError,
       {"use 1-64 lowercase ASCII letters or hyphens"}, kJudge},
      {"judge.llm.transport_invalid", kError,
       {"declare timeout_ms, max_retries, and/or max_retry_delay_ms"}, kJudge},
      {"judge.llm.transport.unknown_field", kError,
       {"supported fields: max_retries, max_retry_delay_ms, timeout_ms"}, kJudge},
      {"judge.llm.transport.timeout_ms_invalid", kError,
       {"use a timeout from 1 ms through 10 minutes"}, kJudge},
      {"judge.llm.transport.max_retries_invalid", kError, {"use at most 10 transport retries"},
       kJudge},
      {"judge.llm.transport.max_retry_delay_ms_invalid", kError,
       {"use a retry delay cap no greater than 60 seconds"}, kJudge},
      {"judge.llm.local_invalid", kError,
       {"declare base_url and api_key_env, or omit local"}, kJudge},
      {"judge.llm.local.unknown_field", kError,
       {"supported fields: api_key_env, base_url"}, kJudge},
      {"judge.llm.local.base_url_invalid", kError,
       {"set an OpenAI-compatible endpoint URL",
        "set an absolute HTTP(S) URL with a host",
        "use an HTTPS OpenAI-compatible endpoint or an HTTP loopback URL"}, kJudge},
      {"judge.llm.local.api_key_env_invalid", kError,
       {"use ASCII letters, digits, and underscores, starting with a letter or underscore"},
       kJudge},
      {"judge.name_duplicate", kError, {"give every judge in the recipe a unique name"}, kJudge},
  };
  return kCodes;
}

const DiagnosticCode* find_diagnostic_code(std::string_view code) {
  const auto codes = diagnostic_codes();
  auto it = std::find_if(codes.begin(), codes.end(),
                         [code](const DiagnosticCode& row) { return row.code == code; });
  return it == codes.end() ? nullptr : &*it;
}

}  // namespace kelp

// Limits of a judge definition shared by the strict parser and the recipe's
// judge-file check.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "regex/syntax.h"
#include "url/url.h"

namespace kelp::judge_rules {

inline constexpr std::size_t kMaxNameChars = 255;
inline constexpr std::size_t kMaxDescriptionChars = 2000;
inline constexpr std::size_t kMaxProviderBytes = 64;
inline constexpr std::size_t kMaxModelBytes = 255;
inline constexpr std::size_t kMaxReasoningEffortBytes = 64;
inline constexpr std::uint64_t kMaxTokens = 131072;
inline constexpr std::uint64_t kMaxTimeoutMs = 600000;
inline constexpr std::uint64_t kMaxRetries = 10;
inline constexpr std::uint64_t kMaxRetryDelayMs = 60000;

// 1 to 64 bytes, each of a-z, 0-9 and '-'.
bool is_provider_slug(std::string_view text);
// Non-empty after trimming, at most 255 bytes, no surrounding whitespace.
bool is_valid_model(std::string_view text);
// True when not 1 to 64 bytes of a-z and '-'.
bool is_invalid_reasoning_effort(std::string_view text);
// True when any character is outside A-Z, a-z, 0-9 and '_'.
bool has_non_identifier_char(std::string_view rest);
// Non-empty, first character A-Z, a-z or '_', the rest identifier characters.
bool is_env_var_name(std::string_view text);

bool is_gate_event(std::string_view event);
// "environment" or "runtime_group" (whole path).
bool is_platform_context_path(std::string_view key);
// The last '.'-separated segment is exactly "pattern_id".
bool references_pattern_id(std::string_view key);

// A gate match text that is a regular expression: "/pattern/flags".
struct GatePattern {
  std::string_view pattern;
  std::string_view flags;
};
// nullopt for a literal: empty, not starting with '/', or whose last '/' is
// its first character.
std::optional<GatePattern> split_gate_pattern(std::string_view text);

enum class FlagProblem { None, Unsupported, Duplicate };
// Every flag must be one of i, m, s, u (all tested first), none repeated.
FlagProblem check_gate_flags(std::string_view flags);
regex::Flags gate_regex_flags(std::string_view flags);

// The base_url checks after a successful parse.
bool is_http_with_host(const url::Url& u);
bool has_query_or_fragment(const url::Url& u);
bool is_https_or_loopback(const url::Url& u);

}  // namespace kelp::judge_rules

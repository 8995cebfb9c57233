#include "judges/rules.h"

#include "unicode/text.h"

namespace kelp::judge_rules {

namespace {
bool is_lower(char c) { return c >= 'a' && c <= 'z'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_alpha(char c) { return (c >= 'A' && c <= 'Z') || is_lower(c); }
}  // namespace

bool is_provider_slug(std::string_view text) {
  if (text.empty() || text.size() > kMaxProviderBytes) return false;
  for (char c : text)
    if (!is_lower(c) && !is_digit(c) && c != '-') return false;
  return true;
}

bool is_valid_model(std::string_view text) {
  auto trimmed = unicode::trim(text);
  return !trimmed.empty() && text.size() <= kMaxModelBytes && trimmed.size() == text.size();
}

bool is_invalid_reasoning_effort(std::string_view text) {
  if (text.empty() || text.size() > kMaxReasoningEffortBytes) return true;
  for (char c : text)
    if (!is_lower(c) && c != '-') return true;
  return false;
}

bool has_non_identifier_char(std::string_view rest) {
  for (char c : rest)
    if (!is_alpha(c) && !is_digit(c) && c != '_') return true;
  return false;
}

bool is_env_var_name(std::string_view text) {
  if (text.empty()) return false;
  char first = text.front();
  if (!is_alpha(first) && first != '_') return false;
  return !has_non_identifier_char(text.substr(1));
}

bool is_gate_event(std::string_view event) {
  return event == "message" || event == "tool" || event == "feedback";
}

bool is_platform_context_path(std::string_view key) {
  return key == "environment" || key == "runtime_group";
}

bool references_pattern_id(std::string_view key) {
  auto dot = key.rfind('.');
  std::string_view last = dot == std::string_view::npos ? key : key.substr(dot + 1);
  return last == "pattern_id";
}

std::optional<GatePattern> split_gate_pattern(std::string_view text) {
  if (text.empty() || text.front() != '/') return std::nullopt;
  auto last = text.rfind('/');
  if (last == 0) return std::nullopt;
  return GatePattern{text.substr(1, last - 1), text.substr(last + 1)};
}

FlagProblem check_gate_flags(std::string_view flags) {
  for (char c : flags)
    if (c != 'i' && c != 'm' && c != 's' && c != 'u') return FlagProblem::Unsupported;
  bool seen[4] = {false, false, false, false};
  for (char c : flags) {
    int k = c == 'i' ? 0 : c == 'm' ? 1 : c == 's' ? 2 : 3;
    if (seen[k]) return FlagProblem::Duplicate;
    seen[k] = true;
  }
  return FlagProblem::None;
}

regex::Flags gate_regex_flags(std::string_view flags) {
  regex::Flags f;
  f.case_insensitive = flags.find('i') != std::string_view::npos;
  f.multi_line = flags.find('m') != std::string_view::npos;
  f.dot_matches_new_line = flags.find('s') != std::string_view::npos;
  return f;
}

bool is_http_with_host(const url::Url& u) {
  return u.has_host() && (u.scheme == "http" || u.scheme == "https");
}

bool has_query_or_fragment(const url::Url& u) {
  return u.query.has_value() || u.fragment.has_value();
}

bool is_https_or_loopback(const url::Url& u) {
  return u.scheme == "https" || u.is_loopback_host();
}

}  // namespace kelp::judge_rules

#include "checks/eval_suites.h"

#include <optional>
#include <string>
#include <unordered_map>

#include "checks/declared_text.h"
#include "checks/package_manifest.h"
#include "report/diagnostics.h"
#include "unicode/text.h"

namespace kelp {

namespace {

constexpr std::string_view kPinVersionHelp = "pin the dataset to an immutable registry tag";
constexpr std::string_view kPinCommitHelp = "pin the repository to an immutable commit";

void suite_error(CheckContext& context, std::string_view code, std::string message,
                 std::string_view help) {
  push_diagnostic_owned_message(context.diagnostics, Severity::Error, code, kPackageJson,
                                std::nullopt, std::move(message), help);
}

void suite_invalid(CheckContext& context, std::string message, std::string_view help) {
  suite_error(context, "evals.suite_invalid", std::move(message), help);
}

bool equals_ascii_case_insensitive(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t k = 0; k < text.size(); ++k) {
    char c = text[k];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lower[k]) return false;
  }
  return true;
}

bool is_ascii_hex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

void check_registry_suite(const JsonValue& suite, const std::string& label,
                          CheckContext& context) {
  if (!declared_member(suite, "dataset")) {
    suite_invalid(context, label + " registry suite must declare dataset",
                  "set the registry dataset identifier");
  }
  auto version = declared_member(suite, "version");
  if (!version) {
    suite_invalid(context, label + " registry suite must declare version", kPinVersionHelp);
    return;
  }
  if (is_mutable_registry_version(*version)) {
    std::string message =
        label +
        " registry version must be an explicit Tessel registry tag, not a mutable alias or "
        "range: ";
    message.append(*version);
    suite_error(context, "evals.pin_mutable", std::move(message), kPinVersionHelp);
  }
}

void check_git_suite(const JsonValue& suite, const std::string& label, CheckContext& context) {
  if (!declared_member(suite, "repo")) {
    suite_invalid(context, label + " git suite must declare repo",
                  "set the repository containing the evaluation dataset");
  }
  if (auto rev = declared_member(suite, "rev")) {
    if (!is_commit_pin(*rev)) {
      std::string message = label + " git rev must be a 7-40 character hex commit SHA: ";
      message.append(*rev);
      suite_error(context, "evals.pin_mutable", std::move(message), kPinCommitHelp);
    }
  } else {
    suite_invalid(context, label + " git suite must declare rev", kPinCommitHelp);
  }
  if (!declared_member(suite, "dataset")) {
    suite_invalid(context, label + " git suite must declare dataset",
                  "set the dataset path within the repository");
  }
}

}  // namespace

bool is_version_range_char(char32_t c) {
  switch (c) {
    case U'^':
    case U'~':
    case U'<':
    case U'>':
    case U'=':
    case U'*':
    case U'|':
      return true;
    default:
      return false;
  }
}

bool is_mutable_registry_version(std::string_view version) {
  if (version.empty()) return true;
  if (equals_ascii_case_insensitive(version, "latest")) return true;
  bool has_range_char = false;
  for (std::size_t pos = 0; pos < version.size();) {
    char32_t cp = unicode::next_code_point(version, pos);
    if (unicode::is_white_space(cp)) return true;
    if (is_version_range_char(cp)) has_range_char = true;
  }
  if (has_range_char) return true;
  std::size_t start = 0;
  for (std::size_t k = 0; k <= version.size(); ++k) {
    if (k < version.size() && version[k] != '-' && version[k] != '.' && version[k] != '_') continue;
    std::string_view piece = version.substr(start, k - start);
    if (piece == "x" || piece == "X") return true;
    start = k + 1;
  }
  return false;
}

bool is_commit_pin(std::string_view rev) {
  if (rev.size() < 7 || rev.size() > 40) return false;
  for (char c : rev) {
    if (!is_ascii_hex(c)) return false;
  }
  return true;
}

void check_eval_suites(const JsonValue& evals, CheckContext& context) {
  if (!evals.is_object()) {
    suite_invalid(context, "package.json#kelp.evals must be an object with a suites array",
                  "remove evals or declare a suites list");
    return;
  }
  const JsonValue* suites = evals.get("suites");
  if (!suites) return;
  if (!suites->is_array()) {
    suite_invalid(context, "package.json#kelp.evals.suites must be an array",
                  "use a list of evaluation suite declarations");
    return;
  }
  // Suite name -> position of the latest suite that used it.
  std::unordered_map<std::string, std::size_t> seen_names;
  const auto& entries = suites->as_array();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const JsonValue& suite = entries[i];
    const std::string label = "kelp.evals.suites[" + std::to_string(i) + "]";
    if (!suite.is_object()) {
      suite_invalid(context, label + " must be an object",
                    "remove the entry or make it a suite declaration");
      continue;
    }
    if (auto name = declared_member(suite, "name")) {
      auto [it, inserted] = seen_names.try_emplace(std::string(*name), i);
      if (!inserted) {
        std::string message = label + " reuses suite name '";
        message.append(*name);
        message += "' already declared at kelp.evals.suites[" + std::to_string(it->second) + "]";
        suite_error(context, "evals.name_duplicate", std::move(message),
                    "give each evaluation suite a unique name");
        it->second = i;
      }
    } else {
      suite_invalid(context, label + " must declare a non-empty name",
                    "give the evaluation suite a unique non-empty name");
    }
    const JsonValue* type = suite.get("type");
    std::string_view type_text =
        type && type->is_string() ? unicode::trim(type->as_string()) : std::string_view();
    if (type_text == "registry") {
      check_registry_suite(suite, label, context);
    } else if (type_text == "git") {
      check_git_suite(suite, label, context);
    } else {
      suite_invalid(context, label + " must use type 'registry' or 'git'",
                    "choose the suite type that matches the dataset source");
    }
  }
}

}  // namespace kelp

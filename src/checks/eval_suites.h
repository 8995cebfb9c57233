// The kelp.evals declarations: evaluation suites drawn from the dataset
// registry at a pinned version or from a git repository at a pinned commit.
// Reports only; mutable pins are errors.
#pragma once

#include <string_view>

#include "checks/context.h"
#include "json/value.h"

namespace kelp {

// One of "^~<>=*|": the characters that make a version a range.
bool is_version_range_char(char32_t c);

// Whether a trimmed registry version is an alias or range rather than a tag:
// empty, "latest" in any ASCII case, holding whitespace or a range
// character, or with an "x"/"X" piece between "-", "." and "_".
bool is_mutable_registry_version(std::string_view version);

// Whether a trimmed git rev is a commit SHA: 7 to 40 ASCII hex digits.
bool is_commit_pin(std::string_view rev);

// Checks the value of kelp.evals.
void check_eval_suites(const JsonValue& evals, CheckContext& context);

}  // namespace kelp

// Every diagnostic code the recipe check can report, with its severity, every
// help text it is reported with, and the check file that appends it: start
// at a code here to find its rule. The checks append their diagnostics
// directly and never read this table; a test keeps it true against the check
// sources and the golden recipe reports (tests/golden).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

namespace kelp {

enum class CodeSeverity : std::uint8_t {
  Error,
  Warning,
  // A warning under the profile local, an error under ci and publish.
  ByProfile,
};

struct DiagnosticCode {
  std::string_view code;
  CodeSeverity severity;
  // Every help text of the code, exactly; empty when it is reported without
  // help. The texts live as long as the program.
  std::initializer_list<std::string_view> helps;
  // The file under src/ whose check appends the code.
  std::string_view check_file;
};

// Grouped by check file, in the order in which the recipe check runs them.
std::span<const DiagnosticCode> diagnostic_codes();

// The row of `code`, or nullptr.
const DiagnosticCode* find_diagnostic_code(std::string_view code);

}  // namespace kelp

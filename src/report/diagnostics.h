// One finding of a recipe check and the append-only list that collects them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelp {

enum class Severity : std::uint8_t { Error = 0, Warning = 1 };

struct Span {
  std::uint64_t line = 0;
  std::uint64_t column = 0;
  friend bool operator==(const Span&, const Span&) = default;
};

struct Diagnostic {
  Severity severity = Severity::Error;
  std::string code;
  std::string path;
  std::optional<Span> span;
  std::string message;
  std::optional<std::string> help;
};

using DiagnosticList = std::vector<Diagnostic>;

// Every append takes the list, the severity (where not fixed), code, path,
// optional span, message and optional help, and stores them unchanged.
// A `std::string` parameter is taken over; a `std::string_view` is copied.
void push_diagnostic(DiagnosticList& list, Severity severity, std::string_view code,
                     std::string path, std::optional<Span> span, std::string message,
                     std::optional<std::string_view> help);
void push_error_diagnostic(DiagnosticList& list, std::string_view code, std::string_view path,
                           std::optional<Span> span, std::string_view message,
                           std::optional<std::string> help);
void push_diagnostic_owned_message_help(DiagnosticList& list, Severity severity,
                                        std::string_view code, std::string_view path,
                                        std::optional<Span> span, std::string message,
                                        std::optional<std::string> help);
void push_diagnostic_owned_code_message(DiagnosticList& list, Severity severity,
                                        std::string code, std::string_view path,
                                        std::optional<Span> span, std::string message,
                                        std::optional<std::string_view> help);
void push_diagnostic_borrowed(DiagnosticList& list, Severity severity, std::string_view code,
                              std::string_view path, std::optional<Span> span,
                              std::string_view message, std::optional<std::string_view> help);
void push_diagnostic_owned_message(DiagnosticList& list, Severity severity,
                                   std::string_view code, std::string_view path,
                                   std::optional<Span> span, std::string message,
                                   std::optional<std::string_view> help);

}  // namespace kelp

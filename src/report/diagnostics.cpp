#include "report/diagnostics.h"

#include <utility>

namespace kelp {

namespace {

std::optional<std::string> copy_help(std::optional<std::string_view> help) {
  if (!help) return std::nullopt;
  return std::string(*help);
}

void append(DiagnosticList& list, Diagnostic&& d) {
  // Doubling growth with room for at least four records at the first growth.
  if (list.size() == list.capacity()) list.reserve(list.empty() ? 4 : list.capacity() * 2);
  list.push_back(std::move(d));
}

}  // namespace

void push_diagnostic(DiagnosticList& list, Severity severity, std::string_view code,
                     std::string path, std::optional<Span> span, std::string message,
                     std::optional<std::string_view> help) {
  append(list, Diagnostic{severity, std::string(code), std::move(path), span, std::move(message),
                          copy_help(help)});
}

void push_error_diagnostic(DiagnosticList& list, std::string_view code, std::string_view path,
                           std::optional<Span> span, std::string_view message,
                           std::optional<std::string> help) {
  append(list, Diagnostic{Severity::Error, std::string(code), std::string(path), span,
                          std::string(message), std::move(help)});
}

void push_diagnostic_owned_message_help(DiagnosticList& list, Severity severity,
                                        std::string_view code, std::string_view path,
                                        std::optional<Span> span, std::string message,
                                        std::optional<std::string> help) {
  append(list, Diagnostic{severity, std::string(code), std::string(path), span, std::move(message),
                          std::move(help)});
}

void push_diagnostic_owned_code_message(DiagnosticList& list, Severity severity,
                                        std::string code, std::string_view path,
                                        std::optional<Span> span, std::string message,
                                        std::optional<std::string_view> help) {
  append(list, Diagnostic{severity, std::move(code), std::string(path), span, std::move(message),
                          copy_help(help)});
}

void push_diagnostic_borrowed(DiagnosticList& list, Severity severity, std::string_view code,
                              std::string_view path, std::optional<Span> span,
                              std::string_view message, std::optional<std::string_view> help) {
  append(list, Diagnostic{severity, std::string(code), std::string(path), span,
                          std::string(message), copy_help(help)});
}

void push_diagnostic_owned_message(DiagnosticList& list, Severity severity,
                                   std::string_view code, std::string_view path,
                                   std::optional<Span> span, std::string message,
                                   std::optional<std::string_view> help) {
  append(list, Diagnostic{severity, std::string(code), std::string(path), span, std::move(message),
                          copy_help(help)});
}

}  // namespace kelp

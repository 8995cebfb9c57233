// Why a pattern does not compile: the kinds of syntax error of the dialect
// and the size limit, their reason texts, and the multi-line display of a
// syntax error with the pattern and carets under the offending part.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "regex/ast.h"

namespace kelp::regex {

enum class ErrorKind : uint8_t {
  // Found while parsing.
  CaptureLimitExceeded,
  ClassEscapeInvalid,
  ClassRangeInvalid,
  ClassRangeLiteral,
  ClassUnclosed,
  DecimalEmpty,
  DecimalInvalid,
  EscapeHexEmpty,
  EscapeHexInvalid,
  EscapeHexInvalidDigit,
  EscapeUnexpectedEof,
  EscapeUnrecognized,
  FlagDanglingNegation,
  FlagDuplicate,
  FlagRepeatedNegation,
  FlagUnexpectedEof,
  FlagUnrecognized,
  GroupNameDuplicate,
  GroupNameEmpty,
  GroupNameInvalid,
  GroupNameUnexpectedEof,
  GroupUnclosed,
  GroupUnopened,
  NestLimitExceeded,
  RepetitionCountInvalid,
  RepetitionCountDecimalEmpty,
  RepetitionCountUnclosed,
  RepetitionMissing,
  SpecialWordBoundaryUnclosed,
  SpecialWordBoundaryUnrecognized,
  SpecialWordOrRepetitionUnexpectedEof,
  UnicodeClassInvalid,
  UnsupportedBackreference,
  UnsupportedLookAround,
  // Found while translating the tree.
  UnicodeNotAllowed,
  InvalidUtf8,
  UnicodePropertyNotFound,
  UnicodePropertyValueNotFound,
  // Found while sizing the compiled program.
  SizeLimitExceeded,
};

// The nest limit that every pattern is checked against.
constexpr uint32_t kNestLimit = 250;

// The reason text shown after "error: "; for SizeLimitExceeded, the whole
// text ("Compiled regex exceeds size limit of 10485760 bytes.").
std::string error_reason(ErrorKind kind);

struct SyntaxError {
  ErrorKind kind;
  Span span;
  // A second place to mark: the first use of a repeated flag, negation
  // sign or capture name.
  std::optional<Span> aux_span;
};

// The full display: "regex parse error:", the pattern with carets (line
// numbers and dividers when the pattern spans several lines), then
// "error: " and the reason.
std::string format_error(std::string_view pattern, const SyntaxError& error);

}  // namespace kelp::regex

// The error that ends a read of a YAML text: what kind of fault it is, its
// message, where it stands, and an excerpt of the source around it. It knows
// nothing of how a caller reports it; `display` gives the one text form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kelp::yaml {

enum class ReadErrorKind : std::uint8_t {
  // A byte or character that a YAML text may not hold.
  Text,
  // The text breaks the YAML syntax.
  Syntax,
  // A resource limit of the read settings ("budget breached: ...").
  Budget,
  // More than one document in the text.
  SecondDocument,
  // A key repeated in one mapping.
  DuplicateKey,
  // An alias to no anchor, or to a node that contains it.
  Alias,
  // A tag without a meaning here, or a value that its tag refuses.
  Tag,
  // A node where the composed document cannot hold it: a collection as a
  // mapping key, a merge key whose value is no mapping.
  Structure,
  // The caller's reading of the composed document refused it (a typed
  // record's missing, unknown or ill-typed field).
  Content,
};

struct ReadError {
  ReadErrorKind kind = ReadErrorKind::Syntax;
  std::string message;
  // 1-based; the column counts characters (code points), not bytes.
  std::size_t line = 1;
  std::size_t column = 1;
  // Two lines: the source line (windowed around the column, control
  // characters replaced) and a caret under the column. Empty when the read
  // settings turn excerpts off.
  std::string excerpt;

  // "{message} at line {L}, column {C}", then the excerpt on the lines after
  // it. User text inside the message never reads as "line", so the first
  // "line" of the text is the position's.
  std::string display() const;
};

}  // namespace kelp::yaml

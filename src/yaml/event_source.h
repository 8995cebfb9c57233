// The parser's event stream over one YAML text, with positions as byte
// offsets and texts as views.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "util/expected.h"
#include "yaml/error.h"

namespace kelp::yaml {

enum class EventType : std::uint8_t {
  StreamStart,
  StreamEnd,
  DocumentStart,
  DocumentEnd,
  MappingStart,
  MappingEnd,
  SequenceStart,
  SequenceEnd,
  Scalar,
  Alias,
};

enum class ScalarStyle : std::uint8_t { Plain, SingleQuoted, DoubleQuoted, Literal, Folded };

struct Event {
  EventType type = EventType::StreamStart;
  // Byte offsets of the event's main token. Implicit events have no token;
  // they carry the position where they were recognised and `has_mark`
  // false. Document events have `has_mark` exactly when their "---" or
  // "..." marker is written.
  std::size_t start = 0;
  std::size_t end = 0;
  bool has_mark = false;
  // Scalar value, or the name an alias refers to.
  std::string_view text;
  std::string_view anchor;
  // The resolved tag ("tag:yaml.org,2002:str", "!local", "!"); empty when
  // the node has none.
  std::string_view tag;
  ScalarStyle style = ScalarStyle::Plain;
  // MappingStart/SequenceStart of a flow collection: "{...}", "[...]", and
  // the single-pair mapping "[a: b]" inside a flow sequence.
  bool flow = false;
};

class EventSource {
 public:
  // `text` must outlive the source. Nesting deeper than `max_depth`, and
  // scalar or comment bytes beyond their budgets, end the stream with an
  // error as soon as the scanner meets them.
  explicit EventSource(std::string_view text, std::uint64_t max_depth = 2000,
                       std::uint64_t max_scalar_bytes = 67108864,
                       std::uint64_t max_comment_bytes = 67108864);
  ~EventSource();
  EventSource(const EventSource&) = delete;
  EventSource& operator=(const EventSource&) = delete;

  // The next event; its views stay valid until the following call. After a
  // syntax error the stream is finished and every call repeats the error.
  Expected<Event, YamlError> next();
  // The same into `out`, which saves a copy per event; on false the error
  // is in error().
  bool next(Event& out);
  // The error that ended the stream (only after next() failed).
  const YamlError& error() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace kelp::yaml

// The parser's event stream over one YAML text, with positions as byte
// offsets and texts as views. The parser reports its errors into a
// collecting diagnostic object, never to the terminal.
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
  // they carry the position of the previous event and `has_mark` false.
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
  // `text` must outlive the source and hold no NUL byte.
  explicit EventSource(std::string_view text);
  ~EventSource();
  EventSource(const EventSource&) = delete;
  EventSource& operator=(const EventSource&) = delete;

  // The next event; its views stay valid until the following call. After a
  // syntax error the stream is finished and every call repeats the error.
  Expected<Event, YamlError> next();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The parser's message with the words that would be taken for the position
// rephrased ("line" becomes "row"), so that " at line L" stays the first
// occurrence of "line" in the display text.
std::string rephrase_parser_message(std::string_view message);

}  // namespace kelp::yaml

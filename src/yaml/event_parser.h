// The parser behind EventSource: the states it expects next and its own
// stack of them, so that nesting never reaches the call stack. Internal to
// the YAML floor: only the parser's own files include it. The states are
// defined by group: the stream and documents (event_source_document.cpp),
// block collections (event_source_block.cpp), flow collections
// (event_source_flow.cpp), and nodes with their properties
// (event_source.cpp).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "yaml/event_source.h"
#include "yaml/scanner.h"

namespace kelp::yaml {

namespace parsing {

// What the parser expects next. Nested collections push the state to come
// back to, so the parser keeps its own stack and never recurses.
enum class Expect : std::uint8_t {
  StreamStart,
  ImplicitDocumentStart,
  DocumentStart,
  DocumentContent,
  DocumentEnd,
  BlockNode,
  BlockNodeOrIndentlessSequence,
  FlowNode,
  BlockSequenceEntry,
  IndentlessSequenceEntry,
  BlockMappingKey,
  BlockMappingValue,
  FlowSequenceFirstEntry,
  FlowSequenceEntry,
  FlowSequenceEntryMappingKey,
  FlowSequenceEntryMappingValue,
  FlowSequenceEntryMappingEnd,
  FlowMappingFirstKey,
  FlowMappingKey,
  FlowMappingValue,
  FlowMappingEmptyValue,
  End,
};

// A small set of token types, tested with one mask.
struct TokenSet {
  std::uint32_t bits = 0;
  constexpr TokenSet(std::initializer_list<TokenType> types) {
    for (TokenType type : types) bits |= 1u << static_cast<unsigned>(type);
  }
  constexpr bool has(TokenType type) const { return (bits >> static_cast<unsigned>(type)) & 1u; }
};
static_assert(static_cast<unsigned>(TokenType::Scalar) < 32, "a TokenSet holds every token type");

}  // namespace parsing

struct EventSource::State {
  State(std::string_view text, const ScanLimits& limits) : scanner(text, limits) { states.reserve(16); }

  Scanner scanner;
  parsing::Expect state = parsing::Expect::StreamStart;
  std::vector<parsing::Expect> states;
  // %TAG handles of the current document and their prefixes.
  std::unordered_map<std::string_view, std::string_view> tags;
  bool version_seen = false;
  // The previous document ended with "...", so a bare document may follow.
  bool after_end_marker = true;
  std::string tag_text;
  std::optional<YamlError> failure;

  // Fills `out`; false on an error (then in `failure`).
  bool parse(Event& out);

  const Token* peek() {
    const Token* t = scanner.peek();
    if (t == nullptr && !failure) failure = scanner.error();
    return t;
  }
  bool fail(std::size_t offset, std::string message, ReadErrorKind kind = ReadErrorKind::Syntax) {
    if (!failure) failure = error_at(kind, offset, std::move(message));
    return false;
  }
  parsing::Expect pop() {
    parsing::Expect e = states.back();
    states.pop_back();
    return e;
  }

  bool stream_start(Event& out);
  bool document_start(Event& out, bool implicit);
  bool document_content(Event& out);
  bool document_end(Event& out);
  bool node(Event& out, bool block, bool indentless_sequence);
  bool block_sequence_entry(Event& out);
  // After a block indicator ("-", "?" or ":") that `t` is: the node that
  // follows it, or an empty scalar when the next token is one of `ends`.
  bool block_node_after(Event& out, const Token* t, parsing::Expect next, bool indentless_sequence,
                        parsing::TokenSet ends);
  // The block collection ends at `t`.
  bool block_end(Event& out, EventType type, const Token& t);
  bool indentless_sequence_entry(Event& out);
  bool block_mapping_key(Event& out);
  bool block_mapping_value(Event& out);
  bool flow_sequence_entry(Event& out, bool first);
  bool flow_sequence_entry_mapping_key(Event& out);
  bool flow_sequence_entry_mapping_value(Event& out);
  bool flow_sequence_entry_mapping_end(Event& out);
  bool flow_mapping_key(Event& out, bool first);
  bool flow_mapping_value(Event& out, bool empty);

  bool resolve_tag(const Token& tag);
  void empty_scalar(Event& out, std::size_t at) {
    out.type = EventType::Scalar;
    out.start = out.end = at;
    out.has_mark = false;
    out.style = ScalarStyle::Plain;
    out.text = {};
  }
  static void simple(Event& out, EventType type, const Token& t) {
    out.type = type;
    out.start = t.start;
    out.end = t.end;
    out.has_mark = true;
  }
};

}  // namespace kelp::yaml

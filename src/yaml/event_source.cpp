#include "yaml/event_source.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "yaml/scanner.h"

namespace kelp::yaml {

namespace {

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

constexpr std::string_view kCoreTagPrefix = "tag:yaml.org,2002:";


int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

}  // namespace

struct EventSource::State {
  State(std::string_view text, const ScanLimits& limits) : scanner(text, limits) { states.reserve(16); }

  Scanner scanner;
  Expect state = Expect::StreamStart;
  std::vector<Expect> states;
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
  bool fail(std::size_t offset, std::string message) {
    if (!failure) failure = error_at(offset, std::move(message));
    return false;
  }
  Expect pop() {
    Expect e = states.back();
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
  bool block_node_after(Event& out, const Token* t, Expect next, bool indentless_sequence,
                        TokenSet ends);
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

EventSource::EventSource(std::string_view text, std::uint64_t max_depth,
                         std::uint64_t max_scalar_bytes, std::uint64_t max_comment_bytes)
    : state_(std::make_unique<State>(text, ScanLimits{max_depth, max_scalar_bytes, max_comment_bytes})) {}

EventSource::~EventSource() = default;

Expected<Event, YamlError> EventSource::next() {
  Event out;
  if (!next(out)) return unexpected(error());
  return out;
}

bool EventSource::next(Event& out) {
  State& s = *state_;
  if (s.failure) return false;
  if (s.state == Expect::End) {
    s.failure = error_at(s.scanner.input().size(), "read past the end of the YAML stream");
    return false;
  }
  // Every road through the parser sets the type, the positions and the
  // mark; the rest is reset here.
  out.text = {};
  out.anchor = {};
  out.tag = {};
  out.style = ScalarStyle::Plain;
  out.flow = false;
  if (!s.parse(out)) {
    if (!s.failure) s.failure = error_at(s.scanner.input().size(), "invalid YAML");
    return false;
  }
  return true;
}

const YamlError& EventSource::error() const { return *state_->failure; }

bool EventSource::State::parse(Event& out) {
  switch (state) {
    case Expect::StreamStart:
      return stream_start(out);
    case Expect::ImplicitDocumentStart:
      return document_start(out, true);
    case Expect::DocumentStart:
      return document_start(out, false);
    case Expect::DocumentContent:
      return document_content(out);
    case Expect::DocumentEnd:
      return document_end(out);
    case Expect::BlockNode:
      return node(out, true, false);
    case Expect::BlockNodeOrIndentlessSequence:
      return node(out, true, true);
    case Expect::FlowNode:
      return node(out, false, false);
    case Expect::BlockSequenceEntry:
      return block_sequence_entry(out);
    case Expect::IndentlessSequenceEntry:
      return indentless_sequence_entry(out);
    case Expect::BlockMappingKey:
      return block_mapping_key(out);
    case Expect::BlockMappingValue:
      return block_mapping_value(out);
    case Expect::FlowSequenceFirstEntry:
      return flow_sequence_entry(out, true);
    case Expect::FlowSequenceEntry:
      return flow_sequence_entry(out, false);
    case Expect::FlowSequenceEntryMappingKey:
      return flow_sequence_entry_mapping_key(out);
    case Expect::FlowSequenceEntryMappingValue:
      return flow_sequence_entry_mapping_value(out);
    case Expect::FlowSequenceEntryMappingEnd:
      return flow_sequence_entry_mapping_end(out);
    case Expect::FlowMappingFirstKey:
      return flow_mapping_key(out, true);
    case Expect::FlowMappingKey:
      return flow_mapping_key(out, false);
    case Expect::FlowMappingValue:
      return flow_mapping_value(out, false);
    case Expect::FlowMappingEmptyValue:
      return flow_mapping_value(out, true);
    case Expect::End:
      break;
  }
  return false;
}

bool EventSource::State::stream_start(Event& out) {
  const Token* t = peek();
  if (t == nullptr) return false;
  simple(out, EventType::StreamStart, *t);
  out.has_mark = false;
  scanner.skip();
  state = Expect::ImplicitDocumentStart;
  return true;
}

bool EventSource::State::document_start(Event& out, bool implicit) {
  const Token* t = peek();
  if (t == nullptr) return false;
  // Stray end markers between documents stand for nothing.
  while (t->type == TokenType::DocumentEnd) {
    after_end_marker = true;
    scanner.skip();
    t = peek();
    if (t == nullptr) return false;
  }
  // A fresh table rather than clear(), whose cost follows the bucket count
  // that an earlier document may have grown.
  if (!tags.empty()) std::unordered_map<std::string_view, std::string_view>().swap(tags);
  version_seen = false;
  if (t->type == TokenType::StreamEnd) {
    simple(out, EventType::StreamEnd, *t);
    out.has_mark = false;
    scanner.skip();
    state = Expect::End;
    return true;
  }
  bool bare = t->type != TokenType::VersionDirective && t->type != TokenType::TagDirective &&
              t->type != TokenType::ReservedDirective && t->type != TokenType::DocumentStart;
  if (bare) {
    if (!implicit && !after_end_marker) {
      return fail(t->start, "expected '---' before the next document");
    }
    out.type = EventType::DocumentStart;
    out.start = out.end = t->start;
    out.has_mark = false;
    states.push_back(Expect::DocumentEnd);
    state = Expect::BlockNode;
    return true;
  }
  while (t->type == TokenType::VersionDirective || t->type == TokenType::TagDirective ||
         t->type == TokenType::ReservedDirective) {
    if (t->type == TokenType::VersionDirective) {
      if (version_seen) return fail(t->start, "repeated %YAML directive");
      version_seen = true;
      std::string_view version = scanner.text(*t);
      if (version.substr(0, 2) != "1.") return fail(t->start, "unsupported YAML version");
    } else if (t->type == TokenType::TagDirective) {
      if (!tags.emplace(scanner.text(*t), t->suffix).second) {
        return fail(t->start, "repeated %TAG directive for one handle");
      }
    }
    scanner.skip();
    t = peek();
    if (t == nullptr) return false;
  }
  if (t->type != TokenType::DocumentStart) return fail(t->start, "expected '---' after the directives");
  out.type = EventType::DocumentStart;
  out.start = t->start;
  out.end = t->end;
  out.has_mark = true;
  scanner.skip();
  states.push_back(Expect::DocumentEnd);
  state = Expect::DocumentContent;
  return true;
}

bool EventSource::State::document_content(Event& out) {
  const Token* t = peek();
  if (t == nullptr) return false;
  if (t->type == TokenType::VersionDirective || t->type == TokenType::TagDirective ||
      t->type == TokenType::ReservedDirective || t->type == TokenType::DocumentStart ||
      t->type == TokenType::DocumentEnd || t->type == TokenType::StreamEnd) {
    state = pop();
    empty_scalar(out, t->start);
    return true;
  }
  return node(out, true, false);
}

bool EventSource::State::document_end(Event& out) {
  const Token* t = peek();
  if (t == nullptr) return false;
  out.type = EventType::DocumentEnd;
  out.start = out.end = t->start;
  out.has_mark = false;
  after_end_marker = false;
  if (t->type == TokenType::DocumentEnd) {
    out.end = t->end;
    out.has_mark = true;
    after_end_marker = true;
    scanner.skip();
  } else if (t->type != TokenType::DocumentStart && t->type != TokenType::StreamEnd) {
    return fail(t->start, "expected the end of the document");
  }
  state = Expect::DocumentStart;
  return true;
}

bool EventSource::State::resolve_tag(const Token& tag) {
  tag_text.clear();
  if (tag.verbatim) {
    tag_text.assign(tag.suffix);
    return true;
  }
  std::string_view handle = scanner.text(tag);
  if (handle == "!" && tag.suffix.empty()) {
    tag_text = "!";
    return true;
  }
  std::string_view prefix;
  if (auto it = tags.find(handle); it != tags.end()) {
    prefix = it->second;
  } else if (handle == "!") {
    prefix = "!";
  } else if (handle == "!!") {
    prefix = kCoreTagPrefix;
  } else {
    return fail(tag.start, "undefined tag handle `" + message_fragment(handle) + "`");
  }
  tag_text.assign(prefix);
  std::string_view suffix = tag.suffix;
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    if (suffix[i] == '%' && i + 2 < suffix.size()) {
      tag_text.push_back(static_cast<char>(hex_value(suffix[i + 1]) * 16 + hex_value(suffix[i + 2])));
      i += 2;
    } else {
      tag_text.push_back(suffix[i]);
    }
  }
  return true;
}

bool EventSource::State::node(Event& out, bool block, bool indentless_sequence) {
  const Token* t = peek();
  if (t == nullptr) return false;
  if (t->type == TokenType::Alias) {
    simple(out, EventType::Alias, *t);
    out.text = scanner.text(*t);
    state = pop();
    scanner.skip();
    return true;
  }
  bool has_anchor = false;
  bool has_tag = false;
  for (;;) {
    if (t->type == TokenType::Anchor && !has_anchor) {
      has_anchor = true;
      out.anchor = scanner.text(*t);
    } else if (t->type == TokenType::Tag && !has_tag) {
      has_tag = true;
      if (!resolve_tag(*t)) return false;
    } else {
      break;
    }
    scanner.skip();
    t = peek();
    if (t == nullptr) return false;
  }
  if (has_tag) out.tag = tag_text;
  if (indentless_sequence && t->type == TokenType::BlockEntry) {
    out.type = EventType::SequenceStart;
    out.start = out.end = t->start;
    out.has_mark = true;
    state = Expect::IndentlessSequenceEntry;
    return true;
  }
  switch (t->type) {
    case TokenType::Scalar:
      simple(out, EventType::Scalar, *t);
      out.style = t->style;
      out.text = scanner.text(*t);
      state = pop();
      scanner.skip();
      return true;
    case TokenType::FlowSequenceStart:
      simple(out, EventType::SequenceStart, *t);
      out.flow = true;
      state = Expect::FlowSequenceFirstEntry;
      scanner.skip();
      return true;
    case TokenType::FlowMappingStart:
      simple(out, EventType::MappingStart, *t);
      out.flow = true;
      state = Expect::FlowMappingFirstKey;
      scanner.skip();
      return true;
    case TokenType::BlockSequenceStart:
      if (!block) break;
      simple(out, EventType::SequenceStart, *t);
      state = Expect::BlockSequenceEntry;
      scanner.skip();
      return true;
    case TokenType::BlockMappingStart:
      if (!block) break;
      simple(out, EventType::MappingStart, *t);
      state = Expect::BlockMappingKey;
      scanner.skip();
      return true;
    default:
      break;
  }
  if (has_anchor || has_tag) {
    empty_scalar(out, t->start);
    state = pop();
    return true;
  }
  if (t->type == TokenType::StreamEnd) return fail(t->start, "the text ends where a node is expected");
  return fail(t->start, "expected a node here");
}

bool EventSource::State::block_node_after(Event& out, const Token* t, Expect next,
                                          bool indentless_sequence, TokenSet ends) {
  std::size_t after = t->end;
  scanner.skip();
  t = peek();
  if (t == nullptr) return false;
  if (ends.has(t->type)) {
    state = next;
    empty_scalar(out, after);
    return true;
  }
  states.push_back(next);
  return node(out, true, indentless_sequence);
}

bool EventSource::State::block_end(Event& out, EventType type, const Token& t) {
  state = pop();
  simple(out, type, t);
  out.has_mark = false;
  scanner.skip();
  return true;
}

bool EventSource::State::block_sequence_entry(Event& out) {
  const Token* t = peek();
  if (t == nullptr) return false;
  if (t->type == TokenType::BlockEntry) {
    return block_node_after(out, t, Expect::BlockSequenceEntry, false,
                            TokenSet{TokenType::BlockEntry, TokenType::BlockEnd});
  }
  if (t->type == TokenType::BlockEnd) return block_end(out, EventType::SequenceEnd, *t);
  return fail(t->start, "expected a '-' entry of the block sequence");
}

bool EventSource::State::indentless_sequence_entry(Event& out) {
  const Token* t = peek();
  if (t == nullptr) return false;
  if (t->type == TokenType::BlockEntry) {
    return block_node_after(out, t, Expect::IndentlessSequenceEntry, false,
                            TokenSet{TokenType::BlockEntry, TokenType::Key, TokenType::Value,
                             TokenType::BlockEnd});
  }
  state = pop();
  out.type = EventType::SequenceEnd;
  out.start = out.end = t->start;
  out.has_mark = false;
  return true;
}

bool EventSource::State::block_mapping_key(Event& out) {
  const Token* t = peek();
  if (t == nullptr) return false;
  if (t->type == TokenType::Key) {
    return block_node_after(out, t, Expect::BlockMappingValue, true,
                            TokenSet{TokenType::Key, TokenType::Value, TokenType::BlockEnd});
  }
  if (t->type == TokenType::Value) {
    // A value with an empty key.
    state = Expect::BlockMappingValue;
    empty_scalar(out, t->start);
    return true;
  }
  if (t->type == TokenType::BlockEnd) return block_end(out, EventType::MappingEnd, *t);
  return fail(t->start, "expected a key of the block mapping");
}

bool EventSource::State::block_mapping_value(Event& out) {
  const Token* t = peek();
  if (t == nullptr) return false;
  if (t->type == TokenType::Value) {
    return block_node_after(out, t, Expect::BlockMappingKey, true,
                            TokenSet{TokenType::Key, TokenType::Value, TokenType::BlockEnd});
  }
  state = Expect::BlockMappingKey;
  empty_scalar(out, t->start);
  return true;
}

bool EventSource::State::flow_sequence_entry(Event& out, bool first) {
  const Token* t = peek();
  if (t == nullptr) return false;
  if (t->type != TokenType::FlowSequenceEnd) {
    if (!first) {
      if (t->type == TokenType::FlowEntry) {
        scanner.skip();
        t = peek();
        if (t == nullptr) return false;
      } else if (t->type == TokenType::StreamEnd) {
        return fail(t->start, "flow sequence without a closing bracket");
      } else {
        return fail(t->start, "expected ',' or ']' in the flow sequence");
      }
    }
    if (t->type == TokenType::Key || t->type == TokenType::Value) {
      out.type = EventType::MappingStart;
      out.start = out.end = t->start;
      out.has_mark = true;
      out.flow = true;
      state = Expect::FlowSequenceEntryMappingKey;
      if (t->type == TokenType::Key) scanner.skip();
      return true;
    }
    if (t->type == TokenType::StreamEnd) return fail(t->start, "flow sequence without a closing bracket");
    if (t->type != TokenType::FlowSequenceEnd) {
      states.push_back(Expect::FlowSequenceEntry);
      return node(out, false, false);
    }
  }
  state = pop();
  simple(out, EventType::SequenceEnd, *t);
  scanner.skip();
  return true;
}

bool EventSource::State::flow_sequence_entry_mapping_key(Event& out) {
  const Token* t = peek();
  if (t == nullptr) return false;
  if (t->type != TokenType::Value && t->type != TokenType::FlowEntry &&
      t->type != TokenType::FlowSequenceEnd) {
    states.push_back(Expect::FlowSequenceEntryMappingValue);
    return node(out, false, false);
  }
  state = Expect::FlowSequenceEntryMappingValue;
  empty_scalar(out, t->start);
  return true;
}

bool EventSource::State::flow_sequence_entry_mapping_value(Event& out) {
  const Token* t = peek();
  if (t == nullptr) return false;
  if (t->type == TokenType::Value) {
    scanner.skip();
    t = peek();
    if (t == nullptr) return false;
    if (t->type != TokenType::FlowEntry && t->type != TokenType::FlowSequenceEnd) {
      states.push_back(Expect::FlowSequenceEntryMappingEnd);
      return node(out, false, false);
    }
  }
  state = Expect::FlowSequenceEntryMappingEnd;
  empty_scalar(out, t->start);
  return true;
}

bool EventSource::State::flow_sequence_entry_mapping_end(Event& out) {
  const Token* t = peek();
  if (t == nullptr) return false;
  state = Expect::FlowSequenceEntry;
  out.type = EventType::MappingEnd;
  out.start = out.end = t->start;
  out.has_mark = false;
  return true;
}

bool EventSource::State::flow_mapping_key(Event& out, bool first) {
  const Token* t = peek();
  if (t == nullptr) return false;
  if (t->type != TokenType::FlowMappingEnd) {
    if (!first) {
      if (t->type == TokenType::FlowEntry) {
        scanner.skip();
        t = peek();
        if (t == nullptr) return false;
      } else if (t->type == TokenType::StreamEnd) {
        return fail(t->start, "flow mapping without a closing brace");
      } else {
        return fail(t->start, "expected ',' or '}' in the flow mapping");
      }
    }
    if (t->type == TokenType::Key) {
      std::size_t after = t->end;
      scanner.skip();
      t = peek();
      if (t == nullptr) return false;
      if (t->type != TokenType::Value && t->type != TokenType::FlowEntry &&
          t->type != TokenType::FlowMappingEnd) {
        states.push_back(Expect::FlowMappingValue);
        return node(out, false, false);
      }
      state = Expect::FlowMappingValue;
      empty_scalar(out, after);
      return true;
    }
    if (t->type == TokenType::Value) {
      state = Expect::FlowMappingValue;
      empty_scalar(out, t->start);
      return true;
    }
    if (t->type == TokenType::StreamEnd) return fail(t->start, "flow mapping without a closing brace");
    if (t->type != TokenType::FlowMappingEnd) {
      states.push_back(Expect::FlowMappingEmptyValue);
      return node(out, false, false);
    }
  }
  state = pop();
  simple(out, EventType::MappingEnd, *t);
  scanner.skip();
  return true;
}

bool EventSource::State::flow_mapping_value(Event& out, bool empty) {
  const Token* t = peek();
  if (t == nullptr) return false;
  if (empty) {
    state = Expect::FlowMappingKey;
    empty_scalar(out, t->start);
    return true;
  }
  if (t->type == TokenType::Value) {
    scanner.skip();
    t = peek();
    if (t == nullptr) return false;
    if (t->type != TokenType::FlowEntry && t->type != TokenType::FlowMappingEnd) {
      states.push_back(Expect::FlowMappingKey);
      return node(out, false, false);
    }
  }
  state = Expect::FlowMappingKey;
  empty_scalar(out, t->start);
  return true;
}

}  // namespace kelp::yaml

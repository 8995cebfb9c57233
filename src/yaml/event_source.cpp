#include "yaml/event_source.h"

#include "yaml/event_parser.h"

namespace kelp::yaml {

using parsing::Expect;

namespace {

constexpr std::string_view kCoreTagPrefix = "tag:yaml.org,2002:";

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

}  // namespace

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
    s.failure = error_at(ReadErrorKind::Syntax, s.scanner.input().size(),
                         "read past the end of the YAML stream");
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
    if (!s.failure) s.failure = error_at(ReadErrorKind::Syntax, s.scanner.input().size(), "invalid YAML");
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
    return fail(tag.start, "undefined tag handle `" + message_fragment(handle) + "`",
                ReadErrorKind::Tag);
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

}  // namespace kelp::yaml

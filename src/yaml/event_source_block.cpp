#include "yaml/event_parser.h"

namespace kelp::yaml {

using parsing::Expect;
using parsing::TokenSet;

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

}  // namespace kelp::yaml

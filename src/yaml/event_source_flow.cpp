#include "yaml/event_parser.h"

namespace kelp::yaml {

using parsing::Expect;

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

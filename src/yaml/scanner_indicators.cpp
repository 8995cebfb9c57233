#include "yaml/scanner.h"

#include <algorithm>

#include "yaml/scanner_internal.h"

namespace kelp::yaml {

bool Scanner::fetch_stream_end() {
  unroll_indent(-1, pos_);
  if (!remove_simple_key()) return false;
  simple_key_allowed_ = false;
  push(make(TokenType::StreamEnd, pos_, pos_));
  stream_end_done_ = true;
  return true;
}

bool Scanner::fetch_document_marker(TokenType type) {
  unroll_indent(-1, pos_);
  if (!remove_simple_key()) return false;
  simple_key_allowed_ = false;
  adjacent_value_allowed_ = false;
  std::size_t start = pos_;
  pos_ += 3;
  push(make(type, start, pos_));
  in_document_ = type == TokenType::DocumentStart;
  if (type == TokenType::DocumentEnd) {
    std::size_t p = pos_;
    while (is_blank_at(p)) ++p;
    if (p < in_.size() && !is_break_at(p) && !(at(p) == '#' && p > pos_)) {
      return fail(p, "unexpected text after the document end marker");
    }
  }
  return true;
}

bool Scanner::fetch_flow_start(TokenType type, bool mapping) {
  if (!save_simple_key()) return false;
  std::size_t start = pos_;
  keys_.emplace_back();
  flows_.push_back(FlowLevel{mapping});
  if (indents_.size() + flows_.size() > limits_.max_depth) {
    return breach("nesting depth", limits_.max_depth, start);
  }
  simple_key_allowed_ = true;
  adjacent_value_allowed_ = false;
  ++pos_;
  push(make(type, start, pos_));
  return true;
}

bool Scanner::fetch_flow_end(TokenType type) {
  if (!remove_simple_key()) return false;
  if (!flows_.empty()) {
    flows_.pop_back();
    keys_.pop_back();
    lowest_key_ = std::min(lowest_key_, keys_.size() - 1);
  }
  simple_key_allowed_ = false;
  adjacent_value_allowed_ = true;
  push_indicator(type);
  return true;
}

bool Scanner::fetch_flow_entry() {
  if (!remove_simple_key()) return false;
  simple_key_allowed_ = true;
  adjacent_value_allowed_ = false;
  push_indicator(TokenType::FlowEntry);
  return true;
}

bool Scanner::fetch_block_entry() {
  if (!flows_.empty()) return fail(pos_, "'-' block sequence entry inside a flow collection");
  if (!simple_key_allowed_) return fail(pos_, "block sequence entries are not allowed here");
  if (tab_before_) return fail(pos_, "tab character before a block indicator");
  if (!roll_indent(static_cast<std::ptrdiff_t>(column()), taken_ + (tokens_.size() - head_),
                   TokenType::BlockSequenceStart, pos_)) {
    return false;
  }
  if (!remove_simple_key()) return false;
  simple_key_allowed_ = true;
  adjacent_value_allowed_ = false;
  push_indicator(TokenType::BlockEntry);
  return true;
}

bool Scanner::fetch_key() {
  if (flows_.empty()) {
    if (!simple_key_allowed_) return fail(pos_, "explicit mapping keys are not allowed here");
    if (tab_before_) return fail(pos_, "tab character before a block indicator");
    if (!roll_indent(static_cast<std::ptrdiff_t>(column()), taken_ + (tokens_.size() - head_),
                     TokenType::BlockMappingStart, pos_)) {
      return false;
    }
  }
  if (!remove_simple_key()) return false;
  simple_key_allowed_ = flows_.empty();
  adjacent_value_allowed_ = false;
  push_indicator(TokenType::Key);
  return true;
}

bool Scanner::fetch_value() {
  SimpleKey& key = keys_.back();
  if (key.possible) {
    key.possible = false;
    if (flows_.empty() && key.tab_before) {
      return fail(key.offset, "tab character before a block mapping key");
    }
    std::size_t number = key.token_number;
    std::size_t offset = key.offset;
    insert(number, make(TokenType::Key, offset, offset));
    if (!roll_indent(static_cast<std::ptrdiff_t>(key.column), number, TokenType::BlockMappingStart,
                     offset)) {
      return false;
    }
    simple_key_allowed_ = false;
  } else {
    if (flows_.empty()) {
      if (!simple_key_allowed_) return fail(pos_, "mapping values are not allowed here");
      if (!roll_indent(static_cast<std::ptrdiff_t>(column()), taken_ + (tokens_.size() - head_),
                       TokenType::BlockMappingStart, pos_)) {
        return false;
      }
    }
    simple_key_allowed_ = flows_.empty();
  }
  adjacent_value_allowed_ = false;
  push_indicator(TokenType::Value);
  return true;
}

}  // namespace kelp::yaml

#include "yaml/event_parser.h"

namespace kelp::yaml {

using parsing::Expect;

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

}  // namespace kelp::yaml

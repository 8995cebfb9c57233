#include "yaml/event_source.h"

#include <libfyaml.h>

#include <optional>
#include <string>

namespace kelp::yaml {

namespace {

struct ParserDeleter {
  void operator()(fy_parser* p) const { fy_parser_destroy(p); }
};
struct DiagDeleter {
  void operator()(fy_diag* d) const { fy_diag_destroy(d); }
};

void discard_output(fy_diag*, void*, const char*, size_t) {}

std::string_view token_text(fy_token* token) {
  if (token == nullptr) return {};
  size_t len = 0;
  const char* text = fy_token_get_text(token, &len);
  if (text == nullptr) return {};
  return {text, len};
}

ScalarStyle style_of(fy_token* token) {
  switch (fy_token_scalar_style(token)) {
    case FYSS_SINGLE_QUOTED:
      return ScalarStyle::SingleQuoted;
    case FYSS_DOUBLE_QUOTED:
      return ScalarStyle::DoubleQuoted;
    case FYSS_LITERAL:
      return ScalarStyle::Literal;
    case FYSS_FOLDED:
      return ScalarStyle::Folded;
    default:
      return ScalarStyle::Plain;
  }
}

void replace_all(std::string& s, std::string_view from, std::string_view to) {
  std::size_t pos = 0;
  while ((pos = s.find(from, pos)) != std::string::npos) {
    s.replace(pos, from.size(), to);
    pos += to.size();
  }
}

}  // namespace

std::string rephrase_parser_message(std::string_view message) {
  std::string out(message);
  replace_all(out, "linebreak", "break");
  replace_all(out, "multiline", "multi-row");
  replace_all(out, "line", "row");
  return out;
}

struct EventSource::State {
  std::unique_ptr<fy_diag, DiagDeleter> diag;
  std::unique_ptr<fy_parser, ParserDeleter> parser;
  std::string_view text;
  fy_event* current = nullptr;
  std::size_t last_offset = 0;
  bool finished = false;
  std::optional<YamlError> failure;

  void release() {
    if (current != nullptr) {
      fy_parser_event_free(parser.get(), current);
      current = nullptr;
    }
  }

  YamlError parser_error() {
    void* iter = nullptr;
    while (fy_diag_error* e = fy_diag_errors_iterate(diag.get(), &iter)) {
      if (e->type < FYET_ERROR) continue;
      YamlError error = error_at(last_offset, rephrase_parser_message(e->msg ? e->msg : "invalid YAML"));
      if (e->line > 0) {
        error.line = static_cast<std::size_t>(e->line);
        error.column = static_cast<std::size_t>(e->column > 0 ? e->column : 1);
      } else if (e->fyt != nullptr) {
        if (const fy_mark* m = fy_token_start_mark(e->fyt)) error.offset = m->input_pos;
      }
      return error;
    }
    return error_at(last_offset, "invalid YAML");
  }
};

EventSource::EventSource(std::string_view text) : state_(std::make_unique<State>()) {
  state_->text = text;
  fy_diag_cfg diag_cfg;
  fy_diag_cfg_default(&diag_cfg);
  diag_cfg.fp = nullptr;
  diag_cfg.output_fn = discard_output;
  diag_cfg.colorize = false;
  state_->diag.reset(fy_diag_create(&diag_cfg));
  if (!state_->diag) {
    state_->failure = error_at(0, "cannot create the YAML parser");
    return;
  }
  fy_diag_set_collect_errors(state_->diag.get(), true);
  fy_parse_cfg cfg{};
  cfg.flags = FYPCF_QUIET;
  cfg.diag = state_->diag.get();
  state_->parser.reset(fy_parser_create(&cfg));
  if (!state_->parser || fy_parser_set_string(state_->parser.get(), text.data(), text.size()) != 0) {
    state_->failure = error_at(0, "cannot create the YAML parser");
  }
}

EventSource::~EventSource() {
  if (state_) state_->release();
}

Expected<Event, YamlError> EventSource::next() {
  State& s = *state_;
  s.release();
  if (s.failure) return unexpected(*s.failure);
  if (s.finished) {
    s.failure = error_at(s.last_offset, "read past the end of the YAML stream");
    return unexpected(*s.failure);
  }
  s.current = fy_parser_parse(s.parser.get());
  if (s.current == nullptr) {
    s.failure = s.parser_error();
    return unexpected(*s.failure);
  }
  fy_event* e = s.current;
  Event out;
  fy_token* main_token = nullptr;
  switch (e->type) {
    case FYET_STREAM_START:
      out.type = EventType::StreamStart;
      break;
    case FYET_STREAM_END:
      out.type = EventType::StreamEnd;
      s.finished = true;
      break;
    case FYET_DOCUMENT_START:
      out.type = EventType::DocumentStart;
      main_token = e->document_start.document_start;
      break;
    case FYET_DOCUMENT_END:
      out.type = EventType::DocumentEnd;
      main_token = e->document_end.document_end;
      break;
    case FYET_MAPPING_START:
      out.type = EventType::MappingStart;
      out.anchor = token_text(e->mapping_start.anchor);
      out.tag = token_text(e->mapping_start.tag);
      out.flow = e->mapping_start.mapping_start != nullptr &&
                 fy_token_get_type(e->mapping_start.mapping_start) == FYTT_FLOW_MAPPING_START;
      break;
    case FYET_MAPPING_END:
      out.type = EventType::MappingEnd;
      break;
    case FYET_SEQUENCE_START:
      out.type = EventType::SequenceStart;
      out.anchor = token_text(e->sequence_start.anchor);
      out.tag = token_text(e->sequence_start.tag);
      out.flow = e->sequence_start.sequence_start != nullptr &&
                 fy_token_get_type(e->sequence_start.sequence_start) == FYTT_FLOW_SEQUENCE_START;
      break;
    case FYET_SEQUENCE_END:
      out.type = EventType::SequenceEnd;
      break;
    case FYET_SCALAR:
      out.type = EventType::Scalar;
      out.anchor = token_text(e->scalar.anchor);
      out.tag = token_text(e->scalar.tag);
      out.text = token_text(e->scalar.value);
      out.style = style_of(e->scalar.value);
      break;
    case FYET_ALIAS:
      out.type = EventType::Alias;
      out.text = token_text(e->alias.anchor);
      break;
    default:
      s.failure = error_at(s.last_offset, "unexpected YAML parser event");
      return unexpected(*s.failure);
  }
  const fy_mark* start = main_token != nullptr ? fy_token_start_mark(main_token) : fy_event_start_mark(e);
  const fy_mark* end = main_token != nullptr ? fy_token_end_mark(main_token) : fy_event_end_mark(e);
  if (start != nullptr) {
    out.has_mark = true;
    out.start = start->input_pos;
    out.end = end != nullptr ? end->input_pos : start->input_pos;
    // The parser marks an alias at its name and a quoted scalar inside its
    // quotes; positions point at the "*" and the opening quote instead.
    char opener = 0;
    if (out.type == EventType::Alias) opener = '*';
    if (out.type == EventType::Scalar && out.style == ScalarStyle::SingleQuoted) opener = '\'';
    if (out.type == EventType::Scalar && out.style == ScalarStyle::DoubleQuoted) opener = '"';
    if (opener != 0 && out.start > 0 && out.start <= s.text.size() && s.text[out.start - 1] == opener) {
      --out.start;
    }
    s.last_offset = out.start;
  } else {
    out.start = out.end = s.last_offset;
  }
  return out;
}

}  // namespace kelp::yaml

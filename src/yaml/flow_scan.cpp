#include "yaml/flow_scan.h"

#include <string>

namespace kelp::yaml {

namespace {

bool is_break(char c) { return c == '\n' || c == '\r'; }
bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_flow_indicator(char c) { return c == ',' || c == '[' || c == ']' || c == '{' || c == '}'; }

class FlowScan {
 public:
  FlowScan(std::string_view text, const YamlReadOptions& options)
      : text_(text),
        max_depth_(options.max_depth),
        max_indicators_(options.max_nodes > (UINT64_MAX / 4) ? UINT64_MAX : 3 * options.max_nodes) {}

  std::optional<YamlError> run() {
    bool line_start = true;
    while (i_ < text_.size()) {
      if (line_start) {
        line_start = false;
        if (start_line()) {
          line_start = true;
          continue;
        }
      }
      char c = text_[i_];
      if (is_break(c)) {
        ++i_;
        line_start = true;
        continue;
      }
      if (is_blank(c)) {
        ++i_;
        continue;
      }
      if (auto error = step(c)) return error;
    }
    return std::nullopt;
  }

 private:
  // Measures the indentation of a new line; skips it whole (returning true)
  // when it belongs to a block scalar.
  bool start_line() {
    std::size_t j = i_;
    while (j < text_.size() && text_[j] == ' ') ++j;
    std::size_t indent = j - i_;
    bool blank = j >= text_.size() || is_break(text_[j]);
    if (block_scalar_ && depth_ == 0 && (blank || indent > block_parent_indent_)) {
      skip_line();
      return true;
    }
    block_scalar_ = false;
    line_indent_ = indent;
    i_ = j;
    if (depth_ == 0) node_start_ = true;
    return false;
  }

  void skip_line() {
    while (i_ < text_.size() && !is_break(text_[i_])) ++i_;
    if (i_ < text_.size()) {
      i_ += (text_[i_] == '\r' && i_ + 1 < text_.size() && text_[i_ + 1] == '\n') ? 2 : 1;
    }
  }

  bool followed_by_separator(std::size_t at) const {
    if (at >= text_.size()) return true;
    char next = text_[at];
    return is_blank(next) || is_break(next) || (depth_ > 0 && is_flow_indicator(next));
  }

  std::optional<YamlError> count(std::size_t at) {
    if (++indicators_ > max_indicators_) {
      return error_at(at, "budget breached: nodes (limit " + std::to_string(max_indicators_ / 3) + ")");
    }
    return std::nullopt;
  }

  std::optional<YamlError> step(char c) {
    bool after_blank = i_ == 0 || is_blank(text_[i_ - 1]) || is_break(text_[i_ - 1]);
    if (c == '#' && after_blank) {
      while (i_ < text_.size() && !is_break(text_[i_])) ++i_;
      return std::nullopt;
    }
    if (node_start_ && (c == '"' || c == '\'')) {
      skip_quoted(c);
      node_start_ = false;
      return std::nullopt;
    }
    if ((c == '[' || c == '{') && (node_start_ || depth_ > 0)) {
      if (++depth_ > max_depth_) {
        return error_at(i_, "budget breached: nesting depth (limit " + std::to_string(max_depth_) + ")");
      }
      ++i_;
      node_start_ = true;
      return count(i_ - 1);
    }
    if ((c == ']' || c == '}') && depth_ > 0) {
      --depth_;
      ++i_;
      node_start_ = false;
      return count(i_ - 1);
    }
    if (c == ',' && depth_ > 0) {
      ++i_;
      node_start_ = true;
      return count(i_ - 1);
    }
    if ((c == '-' || c == '?' || c == ':') && followed_by_separator(i_ + 1)) {
      ++i_;
      node_start_ = true;
      return std::nullopt;
    }
    if (c == '-' && depth_ == 0 && text_.substr(i_, 3) == "---" && followed_by_separator(i_ + 3)) {
      i_ += 3;
      node_start_ = true;
      return std::nullopt;
    }
    if ((c == '|' || c == '>') && node_start_ && depth_ == 0) {
      block_scalar_ = true;
      block_parent_indent_ = line_indent_;
      while (i_ < text_.size() && !is_break(text_[i_])) ++i_;
      return std::nullopt;
    }
    if ((c == '&' || c == '!') && node_start_) {
      // Node properties leave the node still to come.
      while (i_ < text_.size() && !is_blank(text_[i_]) && !is_break(text_[i_]) &&
             !(depth_ > 0 && is_flow_indicator(text_[i_]))) {
        ++i_;
      }
      return std::nullopt;
    }
    if (c == '%' && depth_ == 0 && node_start_ && line_indent_ == 0) {
      while (i_ < text_.size() && !is_break(text_[i_])) ++i_;
      return std::nullopt;
    }
    // Plain text (an alias name included) up to the next character that
    // could end it.
    node_start_ = false;
    ++i_;
    while (i_ < text_.size()) {
      char d = text_[i_];
      if (is_blank(d) || is_break(d) || d == ':' || (depth_ > 0 && is_flow_indicator(d))) break;
      ++i_;
    }
    return std::nullopt;
  }

  void skip_quoted(char quote) {
    ++i_;
    while (i_ < text_.size()) {
      char c = text_[i_];
      if (quote == '"' && c == '\\') {
        i_ += 2;
        continue;
      }
      if (c == quote) {
        if (quote == '\'' && i_ + 1 < text_.size() && text_[i_ + 1] == '\'') {
          i_ += 2;
          continue;
        }
        ++i_;
        return;
      }
      ++i_;
    }
  }

  std::string_view text_;
  std::uint64_t max_depth_;
  std::uint64_t max_indicators_;
  std::size_t i_ = 0;
  std::uint64_t depth_ = 0;
  std::uint64_t indicators_ = 0;
  std::size_t line_indent_ = 0;
  std::size_t block_parent_indent_ = 0;
  bool block_scalar_ = false;
  bool node_start_ = true;
};

}  // namespace

std::optional<YamlError> check_flow_budgets(std::string_view text, const YamlReadOptions& options) {
  return FlowScan(text, options).run();
}

}  // namespace kelp::yaml

// What a reader of a YAML error's display text relies on: the position
// stands right after the message and is the text's first "line", so that the
// line and column read back out of the text are the error's own.
#pragma once

#include <string>

#include "yaml/read_error.h"

namespace kelp::yaml {

inline bool position_reads_first(const ReadError& error) {
  std::string shown = error.display();
  std::string position =
      " at line " + std::to_string(error.line) + ", column " + std::to_string(error.column);
  std::size_t after = error.message.size() + position.size();
  return error.line > 0 && error.column > 0 && shown.compare(0, error.message.size(), error.message) == 0 &&
         shown.compare(error.message.size(), position.size(), position) == 0 &&
         (shown.size() == after || shown[after] == '\n') &&
         shown.find("line") == error.message.size() + 4;
}

}  // namespace kelp::yaml

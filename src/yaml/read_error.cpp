#include "yaml/read_error.h"

namespace kelp::yaml {

std::string ReadError::display() const {
  std::string out = message;
  out += " at line ";
  out += std::to_string(line);
  out += ", column ";
  out += std::to_string(column);
  if (!excerpt.empty()) {
    out += '\n';
    out += excerpt;
  }
  return out;
}

}  // namespace kelp::yaml

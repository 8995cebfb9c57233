#include "json/parse_error.h"

namespace kelp::json {

std::string ParseError::display() const {
  std::string out = message;
  out += " at line ";
  out += std::to_string(line);
  out += " column ";
  out += std::to_string(column);
  return out;
}

}  // namespace kelp::json

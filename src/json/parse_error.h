// A JSON read error: its message and the position it points at.
#pragma once

#include <cstdint>
#include <string>

namespace kelp::json {

struct ParseError {
  std::string message;  // without the position
  std::uint64_t line = 0;
  std::uint64_t column = 0;
  // "<message> at line L column C"
  std::string display() const;
};

}  // namespace kelp::json

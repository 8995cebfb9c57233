// The string literals of a C++ source text, for tests that read the sources.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelp::golden {

// The contents of every ordinary string literal, in order, with the escapes
// left as written. Comments and character literals are skipped; raw string
// literals are not recognised (the sources read this way hold none).
std::vector<std::string> string_literals(std::string_view source);

}  // namespace kelp::golden

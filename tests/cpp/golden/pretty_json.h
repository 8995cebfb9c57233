// Re-indenting compact JSON text for review: the layout of Python's
// json.dumps(value, indent=2, ensure_ascii=False), with every token copied.
#pragma once

#include <string>
#include <string_view>

namespace kelp::golden {

// Two spaces per level, ", " never, ": " after a key, "[]" and "{}" for
// empty containers, and a final line feed. Members keep their order and
// strings their bytes (escapes included); the text is not checked, only
// laid out, so it must be compact JSON (no whitespace between tokens).
std::string pretty_json(std::string_view compact);

}  // namespace kelp::golden

#include "regex/syntax.h"
namespace kelp::regex {
std::optional<std::string> check(std::string_view, Flags) { return std::nullopt; }
}

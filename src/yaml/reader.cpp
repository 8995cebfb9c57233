#include "yaml/reader.h"
namespace kelp::yaml {
Expected<JsonValue, std::string> read_json_value(std::string_view) { return unexpected(std::string("unavailable at line 1, column 1")); }
std::optional<Span> span_from_error_text(std::string_view) { return std::nullopt; }
}

#include "checks/declared_text.h"

#include "unicode/text.h"

namespace kelp {

std::optional<std::string_view> declared_text(const JsonValue& value) {
  if (!value.is_string()) return std::nullopt;
  std::string_view text = unicode::trim(value.as_string());
  if (text.empty()) return std::nullopt;
  return text;
}

std::optional<std::string_view> declared_member(const JsonValue& object, std::string_view key) {
  const JsonValue* value = object.get(key);
  if (!value) return std::nullopt;
  return declared_text(*value);
}

}  // namespace kelp

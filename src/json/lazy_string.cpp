#include "json/lazy_string.h"

#include <stdexcept>

#include "json/reader.h"

namespace kelp::json {

LazyString LazyString::literal(std::string_view literal, bool has_escapes) {
  LazyString out;
  out.literal_ = literal;
  out.has_escapes_ = has_escapes;
  return out;
}

std::string_view LazyString::view(std::string& storage) const {
  if (literal_.empty()) return owned_;
  std::string_view body = literal_.substr(1, literal_.size() - 2);
  if (!has_escapes_) return body;
  // Escapes only shrink the text.
  storage.clear();
  storage.reserve(body.size());
  Reader reader(literal_);
  if (!reader.parse_string(storage)) throw std::logic_error("a checked string failed to decode");
  return storage;
}

}  // namespace kelp::json

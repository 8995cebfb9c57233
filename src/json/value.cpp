#include "json/value.h"

namespace kelp {

namespace {

// Moves the children of `v` onto `stack` so that `v` dies without recursion.
void detach_children(JsonValue& v, std::vector<JsonValue>& stack) {
  if (v.is_array()) {
    for (auto& child : v.as_array()) {
      if (child.is_array() || child.is_object()) stack.push_back(std::move(child));
    }
    v.as_array().clear();
  } else if (v.is_object()) {
    auto& obj = v.as_object();
    for (auto& [key, child] : obj) {
      if (child.is_array() || child.is_object()) stack.push_back(std::move(child));
    }
    obj.clear();
  }
}

bool has_container_child(JsonValue& v) {
  if (v.is_array()) {
    for (auto& c : v.as_array())
      if (c.is_array() || c.is_object()) return true;
  } else if (v.is_object()) {
    for (auto& [k, c] : v.as_object())
      if (c.is_array() || c.is_object()) return true;
  }
  return false;
}

}  // namespace

JsonValue::~JsonValue() {
  if (!has_container_child(*this)) return;
  std::vector<JsonValue> stack;
  detach_children(*this, stack);
  while (!stack.empty()) {
    JsonValue top = std::move(stack.back());
    stack.pop_back();
    detach_children(top, stack);
  }
}

double JsonValue::number_as_f64() const {
  switch (kind()) {
    case Kind::U64: return static_cast<double>(as_u64());
    case Kind::I64: return static_cast<double>(as_i64());
    case Kind::F64: return as_f64();
    default: return 0.0;
  }
}

const JsonValue* JsonValue::get(std::string_view key) const {
  if (!is_object()) return nullptr;
  const auto& obj = as_object();
  auto it = obj.find(key);
  return it == obj.end() ? nullptr : &it->second;
}

bool operator==(const JsonValue& a, const JsonValue& b) { return a.v_ == b.v_; }

}  // namespace kelp

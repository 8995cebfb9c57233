#include "json/value.h"

namespace kelp {

namespace {

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

// Afterwards no child of `v` holds a container, so `v` dies flat: the
// containers below are emptied bottom-up. The
// recursion stops at a fixed depth; deeper containers go onto `deep`, which
// the destructor drains, so input nesting never reaches the call stack.
constexpr int kRecursiveTeardown = 16;

void release_children(JsonValue& v, int depth, std::vector<JsonValue>& deep) {
  auto release = [&](JsonValue& child) {
    if (!has_container_child(child)) return;
    if (depth < kRecursiveTeardown) {
      release_children(child, depth + 1, deep);
      if (child.is_array()) {
        child.as_array().clear();
      } else {
        child.as_object().clear();
      }
    } else {
      deep.push_back(std::move(child));
    }
  };
  if (v.is_array()) {
    for (auto& child : v.as_array()) release(child);
  } else if (v.is_object()) {
    for (auto& [key, child] : v.as_object()) release(child);
  }
}

}  // namespace

JsonValue::~JsonValue() {
  if (!is_array() && !is_object()) return;
  if (!has_container_child(*this)) return;
  std::vector<JsonValue> deep;
  release_children(*this, 0, deep);
  while (!deep.empty()) {
    JsonValue top = std::move(deep.back());
    deep.pop_back();
    release_children(top, 0, deep);
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

// The generic JSON value: null, boolean, unsigned / signed / floating number,
// text, array, or object whose members are kept in byte-wise key order.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace kelp {

class JsonValue {
 public:
  enum class Kind : std::uint8_t { Null, Bool, U64, I64, F64, String, Array, Object };
  using Array = std::vector<JsonValue>;
  // std::string compares its bytes as unsigned char, which is the byte order
  // every listing of this system uses.
  using Object = std::map<std::string, JsonValue, std::less<>>;

  JsonValue() = default;
  JsonValue(std::nullptr_t) {}
  JsonValue(bool b) : v_(b) {}
  JsonValue(std::uint64_t u) : v_(u) {}
  JsonValue(std::int64_t i) : v_(i) {}
  JsonValue(double d) : v_(d) {}
  JsonValue(std::string s) : v_(std::move(s)) {}
  JsonValue(std::string_view s) : v_(std::string(s)) {}
  JsonValue(const char* s) : v_(std::string(s)) {}
  JsonValue(Array a) : v_(std::move(a)) {}
  JsonValue(Object o) : v_(std::move(o)) {}

  // Deep values are torn down iteratively, so hostile nesting cannot
  // exhaust the stack on destruction.
  ~JsonValue();
  JsonValue(const JsonValue&) = default;
  JsonValue& operator=(const JsonValue&) = default;
  JsonValue(JsonValue&&) noexcept = default;
  JsonValue& operator=(JsonValue&&) noexcept = default;

  Kind kind() const { return static_cast<Kind>(v_.index()); }
  bool is_null() const { return kind() == Kind::Null; }
  bool is_bool() const { return kind() == Kind::Bool; }
  bool is_u64() const { return kind() == Kind::U64; }
  bool is_i64() const { return kind() == Kind::I64; }
  bool is_f64() const { return kind() == Kind::F64; }
  bool is_number() const { return is_u64() || is_i64() || is_f64(); }
  bool is_string() const { return kind() == Kind::String; }
  bool is_array() const { return kind() == Kind::Array; }
  bool is_object() const { return kind() == Kind::Object; }

  bool as_bool() const { return std::get<bool>(v_); }
  std::uint64_t as_u64() const { return std::get<std::uint64_t>(v_); }
  std::int64_t as_i64() const { return std::get<std::int64_t>(v_); }
  double as_f64() const { return std::get<double>(v_); }
  // Any number as a 64-bit float.
  double number_as_f64() const;
  const std::string& as_string() const { return std::get<std::string>(v_); }
  std::string& as_string() { return std::get<std::string>(v_); }
  const Array& as_array() const { return std::get<Array>(v_); }
  Array& as_array() { return std::get<Array>(v_); }
  const Object& as_object() const { return std::get<Object>(v_); }
  Object& as_object() { return std::get<Object>(v_); }

  // Member of an object, or nullptr when this is no object or has no such key.
  const JsonValue* get(std::string_view key) const;

  friend bool operator==(const JsonValue& a, const JsonValue& b);

 private:
  std::variant<std::monostate, bool, std::uint64_t, std::int64_t, double, std::string,
               Array, Object>
      v_;
};

}  // namespace kelp

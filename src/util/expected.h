// A value or an error, returned by every operation that can fail: nothing
// inside the core throws across function boundaries.
#pragma once

#include <cassert>
#include <string>
#include <utility>
#include <variant>

namespace kelp {

// The value of a check that passes and yields nothing else.
struct Passed {};

template <class E>
struct Unexpected {
  E error;
};

template <class E>
Unexpected<std::decay_t<E>> unexpected(E&& e) {
  return {std::forward<E>(e)};
}

template <class T, class E = std::string>
class Expected {
 public:
  Expected(const T& value) : v_(std::in_place_index<0>, value) {}
  Expected(T&& value) : v_(std::in_place_index<0>, std::move(value)) {}
  template <class F>
  Expected(Unexpected<F> u) : v_(std::in_place_index<1>, std::move(u.error)) {}

  bool has_value() const { return v_.index() == 0; }
  explicit operator bool() const { return has_value(); }

  T& value() & { return std::get<0>(v_); }
  const T& value() const& { return std::get<0>(v_); }
  T&& value() && { return std::get<0>(std::move(v_)); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  E& error() & { return std::get<1>(v_); }
  const E& error() const& { return std::get<1>(v_); }
  E&& error() && { return std::get<1>(std::move(v_)); }

 private:
  std::variant<T, E> v_;
};

}  // namespace kelp

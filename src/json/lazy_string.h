// A string value that is decoded only when it is read: either text given as
// it is, or a checked JSON string literal viewed in its input text.
#pragma once

#include <string>
#include <string_view>

namespace kelp::json {

class LazyString {
 public:
  LazyString() = default;
  // Owns the text as it is.
  LazyString(std::string text) : owned_(std::move(text)) {}  // NOLINT: implicit on purpose
  LazyString(const char* text) : owned_(text) {}              // NOLINT: implicit on purpose

  // Views a literal that Reader::check_string accepted, quotation marks
  // included. The input text must outlive this object and every copy.
  static LazyString literal(std::string_view literal, bool has_escapes);

  // The decoded text. It views this object or the input when no decoding is
  // needed; otherwise it is decoded into `storage`, which the caller owns.
  std::string_view view(std::string& storage) const;

 private:
  std::string owned_;
  std::string_view literal_;  // empty when the text is owned
  bool has_escapes_ = false;
};

}  // namespace kelp::json

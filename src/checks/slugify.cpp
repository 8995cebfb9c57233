#include "checks/slugify.h"

#include "unicode/text.h"

namespace kelp {

namespace {

bool is_kept(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
         c == '_' || c == '-';
}

}  // namespace

std::string slugify(std::string_view text) {
  // ICU's context-sensitive lowercase gives capital sigma its final or
  // non-final form; both fall into a replaced run below either way.
  const std::string lowered = unicode::to_lower(unicode::trim(text));
  std::string slug;
  slug.reserve(lowered.size());
  // Walking bytes instead of characters is equivalent: every byte of a
  // multi-byte character is non-ASCII, so a character's bytes form one run.
  bool replaced = false;
  for (unsigned char c : lowered) {
    if (is_kept(c)) {
      slug.push_back(static_cast<char>(c));
      replaced = false;
    } else {
      if (!replaced) slug.push_back('-');
      replaced = true;
    }
  }
  const auto first = slug.find_first_not_of('-');
  if (first == std::string::npos) return "mcp";
  const auto last = slug.find_last_not_of('-');
  return slug.substr(first, last - first + 1);
}

}  // namespace kelp

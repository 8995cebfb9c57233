#include "regex/char_categories.h"

namespace kelp::regex {
namespace {

UBool add_category_range(const void* context, UChar32 start, UChar32 limit,
                         UCharCategory category) {
  auto* out = static_cast<std::vector<CategoryRange>*>(const_cast<void*>(context));
  out->push_back({static_cast<uint32_t>(start), static_cast<uint32_t>(limit - 1),
                  category});
  return true;
}

}  // namespace

const std::vector<CategoryRange>& category_ranges() {
  static const std::vector<CategoryRange> table = [] {
    std::vector<CategoryRange> out;
    u_enumCharTypes(add_category_range, &out);
    return out;
  }();
  return table;
}

}  // namespace kelp::regex

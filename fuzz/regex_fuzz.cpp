// The regex syntax checker and its error display; the first byte selects
// the flags.
#include <string>

#include "fuzz_input.h"
#include "regex/syntax.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  kelp::regex::Flags flags;
  flags.case_insensitive = (data[0] & 1) != 0;
  flags.multi_line = (data[0] & 2) != 0;
  flags.dot_matches_new_line = (data[0] & 4) != 0;
  std::string_view pattern = kelp::fuzz::as_text(data + 1, size - 1);
  if (!kelp::unicode::is_valid_utf8(pattern)) return 0;
  auto checked = kelp::regex::check(pattern, flags);
  // The display is part of what every caller runs on a failure.
  if (!checked) (void)kelp::regex::error_text(checked.error());
  return 0;
}

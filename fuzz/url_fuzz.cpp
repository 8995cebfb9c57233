// The URL parser: any text parses or fails with a message, and a parsed
// URL's serialisation parses again to the same serialisation.
#include <cstdlib>
#include <string>

#include "fuzz_input.h"
#include "url/url.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text = kelp::fuzz::as_text(data, size);
  auto parsed = kelp::url::parse(text);
  if (!parsed) {
    if (parsed.error().display().empty()) std::abort();
    return 0;
  }
  (void)parsed->is_loopback_host();
  std::string href = parsed->href();
  auto again = kelp::url::parse(href);
  if (!again || again->href() != href) std::abort();
  return 0;
}

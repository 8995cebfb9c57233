// The YAML reader and composer under the fixed read settings, on raw text.
#include <cstdlib>
#include <string>

#include "fuzz_input.h"
#include "json/writer.h"
#include "report/error_span.h"
#include "yaml/reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text = kelp::fuzz::as_text(data, size);
  if (!kelp::unicode::is_valid_utf8(text)) return 0;
  auto value = kelp::yaml::read_json_value(text);
  if (value) {
    std::string written;
    kelp::json::write_compact(written, *value);
  } else {
    // Every error names its position, which the diagnostics' spans rely on.
    if (!kelp::span_from_error_text(value.error())) std::abort();
  }
  return 0;
}

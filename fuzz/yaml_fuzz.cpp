// The YAML reader and composer under the fixed read settings, on raw text.
#include <cstdlib>
#include <string>

#include "fuzz_input.h"
#include "json/writer.h"
#include "yaml/reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text = kelp::fuzz::as_text(data, size);
  if (!kelp::unicode::is_valid_utf8(text)) return 0;
  auto value = kelp::yaml::read_json_value(text);
  if (value) {
    std::string written;
    kelp::json::write_compact(written, *value);
  } else {
    // The position is the first "line" of the display text, which the
    // diagnostics' spans rely on.
    const auto& error = value.error();
    if (error.line == 0 || error.column == 0) std::abort();
    if (error.display().find("line") != error.message.size() + 4) std::abort();
  }
  return 0;
}

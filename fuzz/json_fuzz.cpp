// The JSON reader: generic values round-trip through the writer, and the
// typed readers of both input documents never fail unsafely.
#include <cstdlib>
#include <string>

#include "fuzz_input.h"
#include "json/reader.h"
#include "json/writer.h"
#include "report/records_json.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text = kelp::fuzz::as_text(data, size);
  if (!kelp::unicode::is_valid_utf8(text)) return 0;

  if (auto value = kelp::json::parse_value(text)) {
    std::string written;
    kelp::json::write_compact(written, *value);
    auto again = kelp::json::parse_value(written);
    // What the writer wrote must read back as the same value.
    if (!again || !(*again == *value)) std::abort();
  } else if (value.error().message.empty()) {
    std::abort();
  }
  (void)kelp::parse_recipe_snapshot(text);
  (void)kelp::parse_judge_sources(text);
  return 0;
}

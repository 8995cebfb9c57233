#include "report/error_span.h"

#include <charconv>

#include "unicode/text.h"

namespace kelp {

std::optional<std::pair<std::uint64_t, std::string_view>> error_number_after(
    std::string_view text, std::string_view marker) {
  std::size_t at = text.find(marker);
  if (at == std::string_view::npos) return std::nullopt;
  std::string_view rest = unicode::trim_start(text.substr(at + marker.size()));
  std::size_t digits = 0;
  while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') ++digits;
  if (digits == 0) return std::nullopt;
  std::uint64_t number = 0;
  auto [ptr, ec] = std::from_chars(rest.data(), rest.data() + digits, number);
  if (ec != std::errc() || ptr != rest.data() + digits) return std::nullopt;
  return std::make_pair(number, rest.substr(digits));
}

std::optional<Span> span_from_error_text(std::string_view text) {
  auto line = error_number_after(text, "line");
  if (!line) return std::nullopt;
  auto column = error_number_after(line->second, "column");
  if (!column) return std::nullopt;
  return Span{line->first, column->first};
}

}  // namespace kelp

#include "yaml/document.h"

#include "yaml/compose.h"
#include "yaml/text_check.h"

namespace kelp::yaml {

std::optional<ReadError> read_document(std::string_view text, const YamlReadOptions& options,
                                       const DocumentVisitor& visit) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (options.skip_byte_order_mark && text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    text.remove_prefix(kByteOrderMark.size());
  }
  if (auto fault = check_yaml_text(text)) return locate_error(text, *fault, options);

  Composer composer(text, options);
  if (auto error = composer.read_first_document()) return locate_error(text, *error, options);
  if (auto error = visit(composer.tree())) return locate_error(text, *error, options);
  if (auto error = composer.finish()) return locate_error(text, *error, options);
  return std::nullopt;
}

}  // namespace kelp::yaml

#include "yaml/document.h"

#include "yaml/compose.h"
#include "yaml/text_check.h"

namespace kelp::yaml {

std::optional<std::string> read_yaml_document(std::string_view text,
                                              const YamlReadOptions& options,
                                              const DocumentVisitor& visit) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (options.skip_byte_order_mark && text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    text.remove_prefix(kByteOrderMark.size());
  }
  if (auto fault = check_yaml_text(text)) return render_error(text, *fault, options);

  Composer composer(text, options);
  if (auto error = composer.read_first_document()) return render_error(text, *error, options);
  if (auto error = visit(composer.tree())) return render_error(text, *error, options);
  if (auto error = composer.finish()) return render_error(text, *error, options);
  return std::nullopt;
}

std::optional<std::string> read_yaml_document(std::string_view text, const DocumentVisitor& visit) {
  YamlReadOptions options;
  return read_yaml_document(text, options, visit);
}

}  // namespace kelp::yaml

// The one set of settings under which every YAML text is read. Each read
// builds its own instance; nothing here is shared between reads.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelp::yaml {

struct YamlReadOptions {
  // A second document in one text is an error.
  std::size_t documents_per_text = 1;
  // A leading UTF-8 byte-order mark (EF BB BF) is dropped before parsing.
  bool skip_byte_order_mark = true;
  // A mapping key repeated in one mapping is an error.
  bool refuse_duplicate_keys = true;
  // "<<" merges a mapping (or a list of mappings) into its parent mapping.
  bool merge_keys = true;
  // Error texts end with an excerpt of the source line around the error,
  // this many characters either side of the error column.
  bool error_excerpt = true;
  std::size_t excerpt_radius = 64;
  // Applies to stream input only; texts are read whole.
  std::uint64_t max_stream_input_bytes = 268435456;

  std::uint64_t max_events = 1000000;
  std::uint64_t max_aliases = 50000;
  std::uint64_t max_anchors = 50000;
  std::uint64_t max_depth = 2000;
  std::uint64_t max_documents = 1024;
  std::uint64_t max_nodes = 250000;
  std::uint64_t max_scalar_bytes = 67108864;
  std::uint64_t max_comment_bytes = 67108864;
  std::uint64_t max_merge_keys = 10000;
  // At the end of the text: with at least `ratio_min_aliases` aliases, there
  // must be an anchor and no more than `max_aliases_per_anchor` aliases per
  // distinct anchor.
  bool enforce_alias_anchor_ratio = true;
  std::uint64_t ratio_min_aliases = 100;
  std::uint64_t max_aliases_per_anchor = 10;
  std::uint64_t max_replayed_events = 1000000;
  std::uint64_t max_replay_nesting = 64;
};

}  // namespace kelp::yaml

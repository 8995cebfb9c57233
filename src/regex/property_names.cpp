#include "regex/property_names.h"

#include <cstddef>
#include <vector>

namespace kelp::regex {
namespace {

NameSpace space_of(NameKind kind) {
  switch (kind) {
    case NameKind::BinaryProperty:
    case NameKind::ValuedProperty:
    case NameKind::OtherProperty:
      return NameSpace::Property;
    case NameKind::GeneralCategory: return NameSpace::GeneralCategory;
    case NameKind::Script: return NameSpace::Script;
    case NameKind::Age: return NameSpace::Age;
    case NameKind::GraphemeClusterBreak: return NameSpace::GraphemeClusterBreak;
    case NameKind::WordBreak: return NameSpace::WordBreak;
    case NameKind::SentenceBreak: return NameSpace::SentenceBreak;
  }
  return NameSpace::Property;
}

// Built at first use and never changed after.
struct Index {
  std::vector<std::vector<std::string_view>> aliases;  // by row

  Index() {
    const std::span<const UnicodeName> names = unicode_name_table();
    aliases.resize(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
      std::string_view rest = names[i].names;
      for (;;) {
        const std::size_t bar = rest.find('|');
        aliases[i].push_back(rest.substr(0, bar));
        if (bar == std::string_view::npos) break;
        rest.remove_prefix(bar + 1);
      }
    }
  }
};

const Index& index() {
  static const Index i;
  return i;
}

// Whether `alias` in the table's form is `key`, without building it.
bool key_is(std::string_view alias, std::string_view key) {
  std::size_t k = 0;
  for (char c : alias) {
    if (c == ' ' || c == '_' || c == '-') continue;
    const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
    if (k == key.size() || key[k] != lower) return false;
    ++k;
  }
  return k == key.size();
}

}  // namespace

std::span<const std::string_view> aliases(const UnicodeName& row) {
  return index().aliases[static_cast<std::size_t>(&row - unicode_name_table().data())];
}

// A spelling is looked up only the first time it is seen (known classes are
// remembered) or when it names nothing, so a scan of the table serves, and
// spares building a map of every alias at first use.
const UnicodeName* find_unicode_name(NameSpace space, std::string_view normalized) {
  const Index& ix = index();
  const std::span<const UnicodeName> names = unicode_name_table();
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (space_of(names[i].kind) != space) continue;
    for (std::string_view a : ix.aliases[i]) {
      if (key_is(a, normalized)) return &names[i];
    }
  }
  return nullptr;
}

std::string table_key(std::string_view alias) {
  std::string out;
  for (char c : alias) {
    if (c == ' ' || c == '_' || c == '-') continue;
    out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c);
  }
  return out;
}

}  // namespace kelp::regex

#include "report/records_json.h"

#include <optional>
#include <string_view>

#include "json/reader.h"

namespace kelp {

namespace {

using json::Reader;

std::string invalid_length(std::size_t found, std::string_view expected) {
  return "invalid length " + std::to_string(found) + ", expected " + std::string(expected);
}

std::string missing_field(std::string_view name) {
  return "missing field `" + std::string(name) + "`";
}

// A repeated field is only noticed after its key, when the object is being
// closed: the whitespace after the key, and a closing brace right there, are
// consumed first, and the error points past them.
bool fail_duplicate_field(Reader& r, std::string_view name) {
  auto c = r.peek_after_whitespace();
  if (c && *c == '}') r.eat();
  return r.fail("duplicate field `" + std::string(name) + "`");
}

bool read_text(Reader& r, std::string& out) {
  auto c = r.peek_after_whitespace();
  if (!c) return r.fail_at_peek("EOF while parsing a value");
  if (*c != '"') return r.fail_invalid_type("a string");
  return r.parse_string(out);
}

// Checked like read_text, but kept as a view of the literal in the text.
bool read_optional_lazy_text(Reader& r, std::optional<json::LazyString>& out) {
  auto c = r.peek_after_whitespace();
  if (c && *c == 'n') {
    r.eat();
    out.reset();
    return r.parse_ident("ull");
  }
  if (!c) return r.fail_at_peek("EOF while parsing a value");
  if (*c != '"') return r.fail_invalid_type("a string");
  std::string_view literal;
  bool has_escapes = false;
  if (!r.check_string(literal, has_escapes)) return false;
  out = json::LazyString::literal(literal, has_escapes);
  return true;
}

template <class T, class ReadItem>
bool read_list(Reader& r, std::vector<T>& out, ReadItem read_item) {
  auto c = r.peek_after_whitespace();
  if (!c) return r.fail_at_peek("EOF while parsing a value");
  if (*c != '[') return r.fail_invalid_type("a sequence");
  r.eat();
  bool first = true;
  for (;;) {
    bool done = false;
    if (!r.next_element(first, done)) return false;
    if (done) break;
    out.emplace_back();
    if (!read_item(r, out.back())) return false;
  }
  return r.end_list();
}

bool read_text_list(Reader& r, std::vector<std::string>& out) {
  return read_list(r, out, read_text);
}

// A record of two fields in object or array form. `Fields` supplies:
// the two names, whether the second is required in array form / object form,
// and readers for both values.
template <class Record, class Fields>
bool read_record(Reader& r, Record& out, const Fields& fields) {
  auto c = r.peek_after_whitespace();
  if (!c) return r.fail_at_peek("EOF while parsing a value");
  if (*c == '[') {
    r.eat();
    bool first = true;
    bool done = false;
    if (!r.next_element(first, done)) return false;
    if (done) {
      r.eat();
      return r.fail(invalid_length(0, fields.array_name));
    }
    if (!fields.read_first(r, out)) return false;
    if (!r.next_element(first, done)) return false;
    if (done) {
      if (fields.second_required_in_array) {
        r.eat();
        return r.fail(invalid_length(1, fields.array_name));
      }
    } else if (!fields.read_second(r, out)) {
      return false;
    }
    return r.end_list();
  }
  if (*c != '{') return r.fail_invalid_type(fields.struct_name);
  r.eat();
  bool first = true;
  bool seen_first = false;
  bool seen_second = false;
  std::string key;
  for (;;) {
    bool done = false;
    if (!r.next_key(first, done, key)) return false;
    if (done) break;
    if (key == fields.first_name) {
      if (seen_first) return fail_duplicate_field(r, fields.first_name);
      seen_first = true;
      if (!r.parse_colon() || !fields.read_first(r, out)) return false;
    } else if (key == fields.second_name) {
      if (seen_second) return fail_duplicate_field(r, fields.second_name);
      seen_second = true;
      if (!r.parse_colon() || !fields.read_second(r, out)) return false;
    } else {
      if (!r.parse_colon() || !r.ignore_value()) return false;
    }
  }
  r.eat();  // '}'
  if (!seen_first) return r.fail(missing_field(fields.first_name));
  if (!seen_second && fields.second_required_in_object)
    return r.fail(missing_field(fields.second_name));
  return true;
}

struct RecipeFileFields {
  std::string_view first_name = "path";
  std::string_view second_name = "content";
  std::string_view struct_name = "struct RecipeFile";
  std::string_view array_name = "struct RecipeFile with 2 elements";
  bool second_required_in_array = true;
  bool second_required_in_object = false;
  static bool read_first(Reader& r, RecipeFile& f) { return read_text(r, f.path); }
  static bool read_second(Reader& r, RecipeFile& f) { return read_optional_lazy_text(r, f.content); }
};

bool read_recipe_file(Reader& r, RecipeFile& out) { return read_record(r, out, RecipeFileFields{}); }

struct RecipeFilesFields {
  std::string_view first_name = "files";
  std::string_view second_name = "directories";
  std::string_view struct_name = "struct RecipeFiles";
  std::string_view array_name = "struct RecipeFiles with 2 elements";
  bool second_required_in_array = false;
  bool second_required_in_object = false;
  static bool read_first(Reader& r, RecipeFiles& f) { return read_list(r, f.files, read_recipe_file); }
  static bool read_second(Reader& r, RecipeFiles& f) { return read_text_list(r, f.directories); }
};

struct JudgeSourceFields {
  std::string_view first_name = "path";
  std::string_view second_name = "content";
  std::string_view struct_name = "struct JudgeSource";
  std::string_view array_name = "struct JudgeSource with 2 elements";
  bool second_required_in_array = true;
  bool second_required_in_object = true;
  static bool read_first(Reader& r, JudgeSource& s) { return read_text(r, s.path); }
  static bool read_second(Reader& r, JudgeSource& s) { return read_text(r, s.content); }
};

bool read_judge_source(Reader& r, JudgeSource& out) {
  return read_record(r, out, JudgeSourceFields{});
}

}  // namespace

Expected<RecipeFiles, std::string> parse_recipe_snapshot(std::string_view text) {
  Reader r(text);
  RecipeFiles files;
  if (!read_record(r, files, RecipeFilesFields{}) || !r.end_of_input())
    return unexpected(r.take_error().display());
  return files;
}

Expected<std::vector<JudgeSource>, std::string> parse_judge_sources(std::string_view text) {
  Reader r(text);
  std::vector<JudgeSource> sources;
  if (!read_list(r, sources, read_judge_source) || !r.end_of_input())
    return unexpected(r.take_error().display());
  return sources;
}

}  // namespace kelp

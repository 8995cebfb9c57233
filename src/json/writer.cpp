#include "json/writer.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace kelp::json {

namespace {

constexpr char kHex[] = "0123456789abcdef";

// Bytes that need an escape: the quotation mark, the backslash and C0 controls.
constexpr bool needs_escape(unsigned char c) { return c < 0x20 || c == '"' || c == '\\'; }

struct Decimal {
  bool negative = false;
  char digits[32];
  int length = 0;     // number of significant digits
  int point = 0;      // the value is 0.DIGITS x 10^point
};

// Shortest round-trip digits of a finite, non-zero value.
Decimal shortest_decimal(double v) {
  Decimal d;
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
  const char* p = buf;
  const char* end = res.ptr;
  if (*p == '-') {
    d.negative = true;
    ++p;
  }
  while (p < end && *p != 'e') {
    if (*p != '.') d.digits[d.length++] = *p;
    ++p;
  }
  int exponent = 0;
  if (p < end) std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), end, exponent);
  d.point = exponent + 1;
  return d;
}

void append_zeros(std::string& out, int n) {
  if (n > 0) out.append(static_cast<std::size_t>(n), '0');
}

}  // namespace

void write_string(std::string& out, std::string_view text) {
  out.push_back('"');
  const char* p = text.data();
  const char* end = p + text.size();
  while (p < end) {
    const char* run = p;
    while (p < end && !needs_escape(static_cast<unsigned char>(*p))) ++p;
    out.append(run, static_cast<std::size_t>(p - run));
    if (p == end) break;
    auto c = static_cast<unsigned char>(*p++);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\f': out += "\\f"; break;
      case '\r': out += "\\r"; break;
      default:
        out += "\\u00";
        out.push_back(kHex[c >> 4]);
        out.push_back(kHex[c & 0xF]);
    }
  }
  out.push_back('"');
}

void write_u64(std::string& out, std::uint64_t v) {
  char buf[24];
  auto res = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, res.ptr);
}

void write_i64(std::string& out, std::int64_t v) {
  char buf[24];
  auto res = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, res.ptr);
}

void write_f64(std::string& out, double v) {
  if (!std::isfinite(v)) {
    out += "null";
    return;
  }
  if (v == 0.0) {
    out += std::signbit(v) ? "-0.0" : "0.0";
    return;
  }
  Decimal d = shortest_decimal(v);
  if (d.negative) out.push_back('-');
  const int n = d.length;
  const int kk = d.point;
  const int k = kk - n;
  std::string_view digits(d.digits, static_cast<std::size_t>(n));
  if (k >= 0 && kk <= 16) {
    out.append(digits);
    append_zeros(out, k);
    out += ".0";
  } else if (kk > 0 && kk <= 16) {
    out.append(digits.substr(0, static_cast<std::size_t>(kk)));
    out.push_back('.');
    out.append(digits.substr(static_cast<std::size_t>(kk)));
  } else if (kk > -5 && kk <= 0) {
    out += "0.";
    append_zeros(out, -kk);
    out.append(digits);
  } else {
    out.push_back(digits[0]);
    if (n > 1) {
      out.push_back('.');
      out.append(digits.substr(1));
    }
    out.push_back('e');
    write_i64(out, kk - 1);
  }
}

std::string display_f64(double v) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
  if (v == 0.0) return std::signbit(v) ? "-0.0" : "0.0";
  Decimal d = shortest_decimal(v);
  std::string out;
  if (d.negative) out.push_back('-');
  std::string_view digits(d.digits, static_cast<std::size_t>(d.length));
  if (d.point <= 0) {
    out += "0.";
    append_zeros(out, -d.point);
    out.append(digits);
  } else if (d.point >= d.length) {
    out.append(digits);
    append_zeros(out, d.point - d.length);
    out += ".0";
  } else {
    out.append(digits.substr(0, static_cast<std::size_t>(d.point)));
    out.push_back('.');
    out.append(digits.substr(static_cast<std::size_t>(d.point)));
  }
  return out;
}

void write_compact(std::string& out, const JsonValue& value) {
  switch (value.kind()) {
    case JsonValue::Kind::Null: out += "null"; return;
    case JsonValue::Kind::Bool: out += value.as_bool() ? "true" : "false"; return;
    case JsonValue::Kind::U64: write_u64(out, value.as_u64()); return;
    case JsonValue::Kind::I64: write_i64(out, value.as_i64()); return;
    case JsonValue::Kind::F64: write_f64(out, value.as_f64()); return;
    case JsonValue::Kind::String: write_string(out, value.as_string()); return;
    case JsonValue::Kind::Array: {
      out.push_back('[');
      bool first = true;
      for (const auto& item : value.as_array()) {
        if (!first) out.push_back(',');
        first = false;
        write_compact(out, item);
      }
      out.push_back(']');
      return;
    }
    case JsonValue::Kind::Object: {
      out.push_back('{');
      bool first = true;
      for (const auto& [key, item] : value.as_object()) {
        if (!first) out.push_back(',');
        first = false;
        write_string(out, key);
        out.push_back(':');
        write_compact(out, item);
      }
      out.push_back('}');
      return;
    }
  }
}

namespace {

void newline_indent(std::string& out, int level) {
  out.push_back('\n');
  out.append(static_cast<std::size_t>(level) * 2, ' ');
}

void write_pretty_at(std::string& out, const JsonValue& value, int level) {
  if (value.is_array()) {
    const auto& items = value.as_array();
    if (items.empty()) {
      out += "[]";
      return;
    }
    out.push_back('[');
    bool first = true;
    for (const auto& item : items) {
      if (!first) out.push_back(',');
      first = false;
      newline_indent(out, level + 1);
      write_pretty_at(out, item, level + 1);
    }
    newline_indent(out, level);
    out.push_back(']');
  } else if (value.is_object()) {
    const auto& members = value.as_object();
    if (members.empty()) {
      out += "{}";
      return;
    }
    out.push_back('{');
    bool first = true;
    for (const auto& [key, item] : members) {
      if (!first) out.push_back(',');
      first = false;
      newline_indent(out, level + 1);
      write_string(out, key);
      out += ": ";
      write_pretty_at(out, item, level + 1);
    }
    newline_indent(out, level);
    out.push_back('}');
  } else {
    write_compact(out, value);
  }
}

}  // namespace

void write_pretty(std::string& out, const JsonValue& value) { write_pretty_at(out, value, 0); }

}  // namespace kelp::json

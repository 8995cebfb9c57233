#include "report/report_json.h"

#include "json/writer.h"

namespace kelp {

void write_span_json(std::string& out, const Span& span) {
  out += "{\"line\":";
  json::write_u64(out, span.line);
  out += ",\"column\":";
  json::write_u64(out, span.column);
  out.push_back('}');
}

void write_diagnostic_json(std::string& out, const Diagnostic& d) {
  out += "{\"severity\":";
  out += d.severity == Severity::Warning ? "\"warning\"" : "\"error\"";
  out += ",\"code\":";
  json::write_string(out, d.code);
  out += ",\"path\":";
  json::write_string(out, d.path);
  if (d.span) {
    out += ",\"span\":";
    write_span_json(out, *d.span);
  }
  out += ",\"message\":";
  json::write_string(out, d.message);
  if (d.help) {
    out += ",\"help\":";
    json::write_string(out, *d.help);
  }
  out.push_back('}');
}

Expected<bool, std::string> write_report_json(const CheckReport& report, std::string& out) {
  out += "{\"valid\":";
  out += report.valid ? "true" : "false";
  out += ",\"profile\":";
  json::write_string(out, profile_name(report.profile));
  out += ",\"recipe_dir\":";
  json::write_string(out, report.recipe_dir);
  if (report.package_name) {
    out += ",\"package_name\":";
    json::write_string(out, *report.package_name);
  }
  out += ",\"diagnostics\":[";
  bool first = true;
  for (const auto& d : report.diagnostics) {
    if (!first) out.push_back(',');
    first = false;
    write_diagnostic_json(out, d);
  }
  out += "],\"resources\":{";
  first = true;
  for (const auto& [name, count] : report.resources) {
    if (!first) out.push_back(',');
    first = false;
    json::write_string(out, name);
    out.push_back(':');
    json::write_u64(out, count);
  }
  out += "}}";
  return true;
}

}  // namespace kelp

// Writing the check report, with its diagnostics, as compact JSON.
#pragma once

#include <string>
#include <vector>

#include "report/check_report.h"
#include "report/diagnostics.h"
#include "util/expected.h"

namespace kelp {

void write_span_json(std::string& out, const Span& span);
void write_diagnostic_json(std::string& out, const Diagnostic& diagnostic);
// Writing into a growing buffer cannot fail; the result keeps the writer's
// contract explicit for the module layer.
Expected<bool, std::string> write_report_json(const CheckReport& report, std::string& out);

}  // namespace kelp

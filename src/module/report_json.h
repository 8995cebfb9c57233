// Writing the output documents as compact JSON: the check report with its
// diagnostics, and the list of parsed judges.
#pragma once

#include <string>
#include <vector>

#include "checks/report.h"
#include "judges/model.h"
#include "module/diagnostics.h"
#include "util/expected.h"

namespace kelp {

void write_span_json(std::string& out, const Span& span);
void write_diagnostic_json(std::string& out, const Diagnostic& diagnostic);
// Writing into a growing buffer cannot fail; the result keeps the writer's
// contract explicit for the module layer.
Expected<bool, std::string> write_report_json(const CheckReport& report, std::string& out);
Expected<bool, std::string> write_parsed_judges_json(const std::vector<ParsedJudge>& judges,
                                                     std::string& out);

}  // namespace kelp

// The strict parser of a batch of judge sources: read, validate, refuse
// repeated names; the first failure fails the whole batch.
#pragma once

#include <string>
#include <vector>

#include "judges/model.h"
#include "report/records.h"
#include "util/expected.h"

namespace kelp {

// The parsed judges in byte-wise path order (equal paths keep their input
// order), or the one error text of the first failing source.
Expected<std::vector<ParsedJudge>, std::string> parse_judge_definitions(
    const std::vector<JudgeSource>& sources);

}  // namespace kelp

#pragma once
#include <string>
#include <vector>
#include "judges/model.h"
#include "module/records.h"
#include "util/expected.h"
namespace kelp {
Expected<std::vector<ParsedJudge>, std::string> parse_judge_definitions(const std::vector<JudgeSource>& sources);
}

#pragma once
#include <string>
#include "judges/model.h"
namespace kelp {
void write_parsed_judge_json(std::string& out, const ParsedJudge& judge);
}

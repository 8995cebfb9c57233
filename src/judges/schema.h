#pragma once
#include <string>
namespace kelp {
std::string judge_definition_schema();
}

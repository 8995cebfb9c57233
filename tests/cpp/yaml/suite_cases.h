// The public YAML test suite, read from the shared data folder beside the
// source tree (never copied into the project), for the conformance and
// mutation tests.
#pragma once

#include <fstream>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "json/reader.h"
#include "json/value.h"

#ifndef KELP_SOURCE_DIR
#error "KELP_SOURCE_DIR must name the source tree"
#endif

namespace kelp::yaml::suite {

struct SuiteCase {
  std::string id;
  std::string name;
  std::string yaml;
  bool error = false;
  std::string events;
  std::optional<std::string> json;
};

inline std::string cases_path() {
  return std::string(KELP_SOURCE_DIR) + "/../shared/yaml-test-suite/cases.json";
}

// All cases, or an empty list with `problem` set when the file is missing or
// not in the expected shape.
inline std::vector<SuiteCase> load_cases(std::string& problem) {
  std::ifstream in(cases_path(), std::ios::binary);
  if (!in) {
    problem = "YAML test suite data not found at " + cases_path();
    return {};
  }
  std::ostringstream buffer;
  buffer << in.rdbuf();
  auto parsed = json::parse_value(buffer.str());
  if (!parsed) {
    problem = "YAML test suite data unreadable: " + parsed.error().display();
    return {};
  }
  const JsonValue* cases = parsed->get("cases");
  if (cases == nullptr || !cases->is_array()) {
    problem = "YAML test suite data has no \"cases\" list";
    return {};
  }
  std::vector<SuiteCase> out;
  for (const JsonValue& c : cases->as_array()) {
    const JsonValue* id = c.get("id");
    const JsonValue* name = c.get("name");
    const JsonValue* yaml = c.get("yaml");
    const JsonValue* error = c.get("error");
    const JsonValue* events = c.get("events");
    const JsonValue* json = c.get("json");
    if (id == nullptr || !id->is_string() || yaml == nullptr || !yaml->is_string() ||
        error == nullptr || !error->is_bool() || events == nullptr || !events->is_string()) {
      problem = "YAML test suite case in an unexpected shape";
      return {};
    }
    SuiteCase sc;
    sc.id = id->as_string();
    if (name != nullptr && name->is_string()) sc.name = name->as_string();
    sc.yaml = yaml->as_string();
    sc.error = error->as_bool();
    sc.events = events->as_string();
    if (json != nullptr && json->is_string()) sc.json = json->as_string();
    out.push_back(std::move(sc));
  }
  return out;
}

struct Suite {
  std::vector<SuiteCase> cases;
  std::string problem;  // why `cases` is empty
};

// Read once per test program.
inline const Suite& suite() {
  static const Suite loaded = [] {
    Suite s;
    s.cases = load_cases(s.problem);
    return s;
  }();
  return loaded;
}

// The cases to register: when the data is absent, one placeholder case
// (empty id) whose test skips with `suite().problem`.
inline std::vector<SuiteCase> registered_cases() {
  if (suite().cases.empty()) return {SuiteCase{}};
  return suite().cases;
}

// gtest prints a failing case's parameter; the id says which it is.
inline void PrintTo(const SuiteCase& c, std::ostream* os) { *os << c.id; }

// The case id as a test name: every byte outside [A-Za-z0-9] becomes "_".
inline std::string test_name(const std::string& id) {
  std::string out = id;
  for (char& c : out) {
    bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    if (!ok) c = '_';
  }
  return out.empty() ? "suite_data_absent" : out;
}

}  // namespace kelp::yaml::suite

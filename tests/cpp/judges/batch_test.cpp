#include "judges/batch.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "common/case_name.h"
#include "judges/json_form.h"

namespace kelp {
namespace {

std::string judge_yaml(std::string_view name) {
  return "judge: " + std::string(name) + "\nllm:\n  model: gpt-x\ninstructions: Grade it.\n";
}

std::vector<std::string> paths_of(const std::vector<ParsedJudge>& parsed) {
  std::vector<std::string> out;
  for (const ParsedJudge& p : parsed) out.push_back(p.source_path);
  return out;
}

std::vector<std::string> names_of(const std::vector<ParsedJudge>& parsed) {
  std::vector<std::string> out;
  for (const ParsedJudge& p : parsed) out.push_back(p.definition.judge);
  return out;
}

std::string list_json(const std::vector<ParsedJudge>& parsed) {
  std::string out = "[";
  for (std::size_t i = 0; i < parsed.size(); ++i) {
    if (i > 0) out += ",";
    write_parsed_judge_json(out, parsed[i]);
  }
  return out + "]";
}

TEST(JudgeBatch, EmptyBatchIsEmptyList) {
  auto result = parse_judge_definitions({});
  ASSERT_TRUE(result) << result.error();
  EXPECT_TRUE(result->empty());
  EXPECT_EQ(list_json(*result), "[]");
}

TEST(JudgeBatch, ValidBatchParsesIntoTheJsonForm) {
  std::vector<JudgeSource> sources = {
      {"judges/tone.yaml",
       "judge: tone\n"
       "description: Checks the tone\n"
       "on:\n"
       "  - match:\n"
       "      tool.name: /^search$/i\n"
       "    event: tool\n"
       "llm:\n"
       "  provider: openai\n"
       "  model: gpt-x\n"
       "  request:\n"
       "    temperature: 0.2\n"
       "    max_tokens: 800\n"
       "    reasoning_effort: low\n"
       "  transport:\n"
       "    max_retries: 3\n"
       "  local:\n"
       "    base_url: http://localhost:11434/v1\n"
       "    api_key_env: LOCAL_KEY\n"
       "instructions: |\n"
       "  Be fair.\n"},
      {"judges/basic.yaml", judge_yaml("basic")},
  };
  auto result = parse_judge_definitions(sources);
  ASSERT_TRUE(result) << result.error();
  EXPECT_EQ(list_json(*result),
            R"([{"source_path":"judges/basic.yaml","definition":{"judge":"basic","on":{},)"
            R"("llm":{"provider":"openai","model":"gpt-x","request":{"temperature":0.0},)"
            R"("transport":{"timeout_ms":60000,"max_retries":0,"max_retry_delay_ms":5000}},)"
            R"("instructions":"Grade it."}},)"
            R"({"source_path":"judges/tone.yaml","definition":{"judge":"tone",)"
            R"("description":"Checks the tone",)"
            R"("on":[{"event":"tool","match":{"tool.name":"/^search$/i"}}],)"
            R"("llm":{"provider":"openai","model":"gpt-x",)"
            R"("request":{"temperature":0.2,"max_tokens":800,"reasoning_effort":"low"},)"
            R"("transport":{"timeout_ms":60000,"max_retries":3,"max_retry_delay_ms":5000},)"
            R"("local":{"base_url":"http://localhost:11434/v1","api_key_env":"LOCAL_KEY"}},)"
            R"("instructions":"Be fair.\n"}}])");
}

TEST(JudgeBatch, SortedByPathBytes) {
  std::vector<JudgeSource> sources = {
      {"judges/a.yaml.bak", judge_yaml("one")}, {"judges/a.yaml", judge_yaml("two")},
      {"judges/B.yaml", judge_yaml("three")},   {"judges/\xc3\xa9.yaml", judge_yaml("four")},
      {"judges/z.yaml", judge_yaml("five")},
  };
  auto result = parse_judge_definitions(sources);
  ASSERT_TRUE(result) << result.error();
  EXPECT_EQ(paths_of(*result),
            (std::vector<std::string>{"judges/B.yaml", "judges/a.yaml", "judges/a.yaml.bak",
                                      "judges/z.yaml", "judges/\xc3\xa9.yaml"}));
  // The borrowed input keeps its order.
  EXPECT_EQ(sources[0].path, "judges/a.yaml.bak");
}

TEST(JudgeBatch, EqualPathsKeepInputOrder) {
  auto result = parse_judge_definitions(
      {{"j.yaml", judge_yaml("second")}, {"i.yaml", judge_yaml("zero")},
       {"j.yaml", judge_yaml("first")}});
  ASSERT_TRUE(result) << result.error();
  EXPECT_EQ(names_of(*result), (std::vector<std::string>{"zero", "second", "first"}));

  auto dup = parse_judge_definitions({{"j.yaml", judge_yaml("same")}, {"j.yaml", judge_yaml("same")}});
  ASSERT_FALSE(dup);
  EXPECT_EQ(dup.error(), "duplicate judge name \"same\"");
}

TEST(JudgeBatch, DuplicateNameFailsWhateverTheInputOrder) {
  for (bool swapped : {false, true}) {
    std::vector<JudgeSource> sources = {{"judges/a.yaml", judge_yaml("tone")},
                                        {"judges/b.yaml", judge_yaml("tone")}};
    if (swapped) std::swap(sources[0], sources[1]);
    auto result = parse_judge_definitions(sources);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), "duplicate judge name \"tone\"");
  }
}

TEST(JudgeBatch, DuplicateNameIsQuoted) {
  auto result = parse_judge_definitions({{"a.yaml", judge_yaml("'say \"hi\"\\'")},
                                         {"b.yaml", judge_yaml("'say \"hi\"\\'")}});
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error(), "duplicate judge name \"say \\\"hi\\\"\\\\\"");
}

TEST(JudgeBatch, NamesDifferingInBlanksOrCaseAreDistinct) {
  auto result = parse_judge_definitions({{"a.yaml", judge_yaml("tone")},
                                         {"b.yaml", judge_yaml("Tone")},
                                         {"c.yaml", judge_yaml("\" tone \"")}});
  ASSERT_TRUE(result) << result.error();
  EXPECT_EQ(names_of(*result), (std::vector<std::string>{"tone", "Tone", " tone "}));
}

TEST(JudgeBatch, FirstFailureInPathOrderWins) {
  // The invalid source sorts first; the later duplicate is never reached.
  auto result = parse_judge_definitions({{"judges/c.yaml", judge_yaml("dup")},
                                         {"judges/b.yaml", judge_yaml("dup")},
                                         {"judges/a.yaml", "judge: x\nllm:\n  model: m\n"}});
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error(), "judge YAML judges/a.yaml has empty instructions");
}

TEST(JudgeBatch, ValidationBeatsDuplicateForTheSameSource) {
  auto result = parse_judge_definitions(
      {{"a.yaml", judge_yaml("dup")},
       {"b.yaml", "judge: dup\nllm:\n  model: m\n  provider: Bad\ninstructions: i\n"}});
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error(), "judge YAML b.yaml has invalid llm.provider");
}

TEST(JudgeBatch, GateErrorsHaveNoContext) {
  auto result = parse_judge_definitions(
      {{"a.yaml", judge_yaml("g") + "on:\n  event: message\n"}});
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error(), "judge `on` must be a list of event matchers");
}

TEST(JudgeBatch, PathIsUsedAsReceived) {
  auto result = parse_judge_definitions({{"", "judge: x\nllm:\n  model: m\n"}});
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error(), "judge YAML  has empty instructions");

  result = parse_judge_definitions({{" ./odd \"dir\"/x.txt", judge_yaml("x")}});
  ASSERT_TRUE(result) << result.error();
  EXPECT_EQ((*result)[0].source_path, " ./odd \"dir\"/x.txt");

  result = parse_judge_definitions({{"odd \"p\".yaml", "judge: x\nllm:\n  model: m\n"}});
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error(), "judge YAML odd \"p\".yaml has empty instructions");
}

struct YamlFailure {
  const char* name;
  const char* content;
  const char* fragment;
};
void PrintTo(const YamlFailure& c, std::ostream* os) { *os << c.name; }

class JudgeBatchYamlFailures : public ::testing::TestWithParam<YamlFailure> {};

TEST_P(JudgeBatchYamlFailures, WrappedWithPath) {
  auto result = parse_judge_definitions({{"judges/bad.yaml", GetParam().content}});
  ASSERT_FALSE(result);
  const std::string prefix = "parsing judge YAML judges/bad.yaml: ";
  EXPECT_EQ(result.error().rfind(prefix, 0), 0u) << result.error();
  EXPECT_NE(result.error().find(GetParam().fragment), std::string::npos) << result.error();
}

INSTANTIATE_TEST_SUITE_P(
    Yaml, JudgeBatchYamlFailures,
    ::testing::Values(
        YamlFailure{"UnknownField", "Judge: x\nllm:\n  model: m\ninstructions: i\n",
                    "unknown field `Judge`, expected one of judge, description, on, llm, "
                    "instructions"},
        YamlFailure{"MissingJudge", "llm:\n  model: m\ninstructions: i\n",
                    "missing field `judge`"},
        YamlFailure{"MissingLlm", "judge: x\ninstructions: i\n", "missing field `llm`"},
        YamlFailure{"MissingModel", "judge: x\nllm: {}\ninstructions: i\n",
                    "missing field `model`"},
        YamlFailure{"SecondDocument", "judge: x\nllm:\n  model: m\ninstructions: i\n---\njudge: y\n",
                    ""}),
    KELP_CASE_NAMES(p.name));

TEST(JudgeBatch, JsonStyleSourcesWithBracketsInStringsRead) {
  // The brackets are text, far past the nesting budget.
  std::string instructions(2001, '[');
  auto result = parse_judge_definitions(
      {{"j.yaml", "{\"judge\":\"j\",\"llm\":{\"model\":\"m\"},\"instructions\":\"" + instructions + "\"}"}});
  ASSERT_TRUE(result) << result.error();
  ASSERT_EQ(result->size(), 1u);
  EXPECT_EQ((*result)[0].definition.instructions, instructions);
}

TEST(JudgeBatch, YamlFailureStopsBeforeLaterSources) {
  auto result = parse_judge_definitions({{"b.yaml", judge_yaml("dup")},
                                         {"c.yaml", judge_yaml("dup")},
                                         {"a.yaml", "judge: [unclosed\n"}});
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().rfind("parsing judge YAML a.yaml: ", 0), 0u) << result.error();
}

}  // namespace
}  // namespace kelp

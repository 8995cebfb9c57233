// Composes a 1.5 KB agent file (the shape of the example recipe's agent
// files, with block scalars, flow lists and comments) into a JsonValue many
// times and prints the time per read, as wall time and as thread CPU time
// (the steadier figure on a shared machine).
// Usage: yaml_agent_bench [reads per run, default 20000] [runs, default 5]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "yaml/reader.h"

namespace {

double cpu_microseconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

std::string agent_file() {
  std::string t =
      "name: writer\n"
      "description: Drafts short articles from an outline and revises them on request\n"
      "from: base-writer\n"
      "model:\n"
      "  name: openai/gpt-4o\n"
      "  thinkingLevel: medium\n"
      "tools:\n"
      "  - read\n  - write\n  - edit\n  - bash\n  - grep\n"
      "mcpServers:\n"
      "  github:\n"
      "    tools: [search_issues, get_issue, create_comment]\n"
      "  docs:\n"
      "    tools:\n      - lookup\n      - fetch\n"
      "skills:\n  - outline\n  - style-guide\n"
      "subagents:\n  - researcher\n  - editor\n"
      "extensions:\n  - ./extensions/format.js\n"
      "prompt: |\n"
      "  You are a careful writer. You draft short articles from an outline that the\n"
      "  user gives you. Keep paragraphs short, prefer plain words, and cite every\n"
      "  source you use with a link. When the outline is unclear, ask one question\n"
      "  before you start, never more.\n"
      "\n"
      "  When you revise, keep the author's voice and change only what was asked.\n"
      "  Mark every change you are unsure about with a short note in brackets.\n"
      "system_instructions: >\n"
      "  Never invent quotes. Never claim to have read a source you did not open.\n"
      "  Keep the reply under eight hundred words unless the user asks for more.\n"
      "  Write in the language of the outline.\n"
      "notes: \"Reviewed by the docs team; \\\"house style\\\" applies\"\n"
      "limits:\n  max_turns: 12\n  temperature: 0.3\n  enabled: yes\n"
      "# trailing comment about the file\n";
  while (t.size() < 1500) t += "# padding comment row for size\n";
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string text = agent_file();
  const int kReads = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;
  const int kRuns = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  double best_cpu = 1e300;
  for (int run = 0; run < kRuns; ++run) {
    auto wall_start = std::chrono::steady_clock::now();
    double cpu_start = cpu_microseconds();
    for (int i = 0; i < kReads; ++i) {
      auto value = kelp::yaml::read_json_value(text);
      if (!value) {
        std::fprintf(stderr, "read failed: %s\n", value.error().display().c_str());
        return 1;
      }
    }
    double cpu = (cpu_microseconds() - cpu_start) / kReads;
    double wall =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - wall_start).count() / kReads;
    if (cpu < best_cpu) best_cpu = cpu;
    std::printf("run %d: %zu bytes, %.2f us wall, %.2f us CPU per read\n", run + 1, text.size(), wall, cpu);
  }
  std::printf("best: %.2f us CPU per read\n", best_cpu);
  return 0;
}

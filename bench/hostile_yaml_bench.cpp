// Times hostile YAML shapes that small texts can take: aliases that could
// build values far larger than their text (nested anchors replayed ten times
// per level, many aliases of one large anchor) on the three roads that read
// YAML (an agent file and a judge file in a recipe check, a judge source on
// the strict road), and deep or wide nesting read straight into a JsonValue.
// Each case runs in its own child process so that its peak memory is its
// own; a child's address space is capped so that an unbounded case ends in
// an allocation failure rather than exhausting the machine.
//
//   hostile_yaml_bench            every case
//   hostile_yaml_bench NAME...    the named cases
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "checks/driver.h"
#include "judges/batch.h"
#include "judges/json_form.h"
#include "report/report_json.h"
#include "yaml/reader.h"

namespace {

constexpr rlim_t kAddressSpaceCap = 6ull << 30;

// "k0: &k0 <scalar>" then `levels` keys, each a list of ten aliases of the
// one before, indented by `indent`.
std::string nested_anchors(std::size_t scalar_bytes, int levels, const std::string& indent) {
  std::string text = indent + "k0: &k0 " + std::string(scalar_bytes, 'x') + "\n";
  for (int level = 1; level <= levels; ++level) {
    std::string name = "k" + std::to_string(level);
    std::string prev = "*k" + std::to_string(level - 1);
    text += indent + name + ": ";
    if (level < levels) text += "&" + name + " ";
    text += "[";
    for (int i = 0; i < 10; ++i) text += (i ? ", " : "") + prev;
    text += "]\n";
  }
  return text;
}

std::string many_aliases(std::size_t scalar_bytes, int aliases, const std::string& indent) {
  std::string text = indent + "big: &big " + std::string(scalar_bytes, 'x') + "\n";
  text += indent + "uses: [";
  for (int i = 0; i < aliases; ++i) text += i ? ", *big" : "*big";
  text += "]\n";
  return text;
}

std::string few_aliases(const std::string& indent) {
  std::string text = indent + "shared: &shared " + std::string(100000, 'x') + "\n";
  text += indent + "uses: [*shared, *shared, *shared]\n";
  return text;
}

std::string agent_file(const std::string& extra) {
  return "name: writer\ndescription: writes\n" + extra;
}

std::string judge_file(const std::string& match_body) {
  return "judge: j\nllm: {model: m}\ninstructions: grade\non:\n  - event: message\n    match:\n" +
         match_body;
}

// The first diagnostic's code and the first line of its message.
std::string summary(const kelp::CheckReport& report) {
  for (const auto& d : report.diagnostics) {
    if (d.code.find("yaml_malformed") == std::string::npos) continue;
    return d.code + ": " + d.message.substr(0, d.message.find('\n'));
  }
  return "no yaml_malformed diagnostic (" + std::to_string(report.diagnostics.size()) +
         " diagnostics)";
}

std::string check_agent(const std::string& content) {
  kelp::RecipeFiles files;
  files.files.push_back({"package.json",
                         std::string(R"({"name":"r","description":"d","kelp":{"agents":["agents/a.yaml"]}})")});
  files.files.push_back({"agents/a.yaml", content});
  return summary(kelp::check_recipe(std::move(files), kelp::Profile::Local));
}

std::string check_judge(const std::string& content) {
  kelp::RecipeFiles files;
  files.files.push_back({"judges/j.yaml", content});
  return summary(kelp::check_recipe(std::move(files), kelp::Profile::Local));
}

std::string parse_strict(const std::string& content) {
  std::vector<kelp::JudgeSource> sources{{"judges/j.yaml", content}};
  auto parsed = kelp::parse_judge_definitions(sources);
  if (!parsed) return "error: " + parsed.error().substr(0, parsed.error().find('\n'));
  std::string out;
  auto written = kelp::write_parsed_judges_json(*parsed, out);
  if (!written) return "write error: " + written.error();
  return "parsed; " + std::to_string(out.size()) + " bytes of JSON";
}

std::string read_yaml(const std::string& content) {
  auto value = kelp::yaml::read_json_value(content);
  if (value) return "read";
  std::string error = value.error().display();
  return "error: " + error.substr(0, error.find('\n'));
}

std::string billion_laughs() {
  std::string text = "a0: &a0 [lol, lol, lol, lol, lol, lol, lol, lol, lol, lol]\n";
  for (int level = 1; level < 10; ++level) {
    std::string prev = "*a" + std::to_string(level - 1);
    text += "a" + std::to_string(level) + ": &a" + std::to_string(level) + " [";
    for (int i = 0; i < 10; ++i) text += (i ? ", " : "") + prev;
    text += "]\n";
  }
  return text;
}

std::string wide_flow() {
  std::string text = "k: [";
  for (int i = 0; i < 1000000; ++i) text += "a,";
  return text + "]\n";
}

std::string deep_block() {
  std::string text;
  for (int i = 0; i < 100000; ++i) text += "- ";
  return text + "x\n";
}

struct Case {
  const char* name;
  std::function<std::string()> text;
  std::function<std::string(const std::string&)> road;
};

long rss_kib() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

[[noreturn]] void run_child(const Case& c) {
  rlimit cap{kAddressSpaceCap, kAddressSpaceCap};
  setrlimit(RLIMIT_AS, &cap);
  std::string text = c.text();
  long before = rss_kib();
  auto start = std::chrono::steady_clock::now();
  std::string outcome;
  try {
    outcome = c.road(text);
  } catch (const std::exception& e) {
    outcome = std::string("exception: ") + e.what();
  }
  double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%-22s text %8.1f KB  %9.1f ms  peak growth %9.1f MB  %s\n", c.name,
              static_cast<double>(text.size()) / 1e3, ms, static_cast<double>(usage.ru_maxrss - before) / 1024.0, outcome.c_str());
  std::fflush(stdout);
  std::_Exit(0);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string strict_indent = "      ";
  std::vector<Case> cases = {
      {"agent_nested_10x4", [] { return agent_file(nested_anchors(100000, 4, "")); }, check_agent},
      {"judge_nested_10x4", [&] { return judge_file(nested_anchors(100000, 4, strict_indent)); },
       check_judge},
      {"strict_nested_10x4", [&] { return judge_file(nested_anchors(100000, 4, strict_indent)); },
       parse_strict},
      {"agent_nested_10x5", [] { return agent_file(nested_anchors(100000, 5, "")); }, check_agent},
      {"strict_nested_10x5", [&] { return judge_file(nested_anchors(100000, 5, strict_indent)); },
       parse_strict},
      {"agent_1000_of_1mb", [] { return agent_file(many_aliases(1000000, 1000, "")); }, check_agent},
      {"strict_1000_of_1mb", [&] { return judge_file(many_aliases(1000000, 1000, strict_indent)); },
       parse_strict},
      // Within the scalar bytes budget, refused only by the alias/anchor
      // ratio at the end of the text.
      {"agent_1000_of_67kb", [] { return agent_file(many_aliases(67000, 1000, "")); }, check_agent},
      {"strict_1000_of_67kb", [&] { return judge_file(many_aliases(67000, 1000, strict_indent)); },
       parse_strict},
      {"agent_few_aliases", [] { return agent_file(few_aliases("")); }, check_agent},
      {"strict_few_aliases", [&] { return judge_file(few_aliases(strict_indent)); }, parse_strict},
      {"billion_laughs", billion_laughs, read_yaml},
      {"deep_flow", [] { return std::string(100000, '['); }, read_yaml},
      {"wide_flow", wide_flow, read_yaml},
      {"deep_block", deep_block, read_yaml},
  };
  std::fflush(stdout);
  for (const Case& c : cases) {
    if (argc > 1) {
      bool wanted = false;
      for (int i = 1; i < argc; ++i) wanted = wanted || std::strcmp(argv[i], c.name) == 0;
      if (!wanted) continue;
    }
    pid_t pid = fork();
    if (pid == 0) run_child(c);
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) < 0) return 1;
    if (!WIFEXITED(status)) std::printf("%-22s ended by signal %d\n", c.name, WTERMSIG(status));
  }
  return 0;
}

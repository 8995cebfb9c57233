// Time and peak memory growth of whole recipe checks (snapshot JSON in, report
// JSON out) on snapshots shaped to stress the path maps and resource patterns:
// one very deep file or listed directory, many globs with a literal directory
// prefix, and many repeats of one glob.
// Usage: paths_bench [case-name-substring ...]   (no argument: every case)
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "checks/driver.h"
#include "report/records_json.h"
#include "report/report_json.h"

namespace {

struct Case {
  std::string name;
  std::function<std::string()> snapshot;
};

std::string deep_path(std::size_t segments) {
  std::string path;
  path.reserve(segments * 2);
  for (std::size_t i = 1; i < segments; ++i) path += "a/";
  path += "b";
  return path;
}

// The snapshot entry of package.json with the given kelp object (JSON text).
std::string package_entry(const std::string& kelp) {
  std::string content = "{\"name\":\"bench\",\"description\":\"d\",\"kelp\":" + kelp + "}";
  std::string escaped;
  for (char c : content) {
    if (c == '"' || c == '\\') escaped += '\\';
    escaped += c;
  }
  return "{\"path\":\"package.json\",\"content\":\"" + escaped + "\"}";
}

const std::string kAgent = ",{\"path\":\"agents/a.yaml\",\"content\":\"name: a\\n\"}";

std::string deep_file(std::size_t segments) {
  return "{\"files\":[" + package_entry(R"({"agents":["agents"]})") + kAgent +
         ",{\"path\":\"" + deep_path(segments) + "\",\"content\":\"x\"}]}";
}

std::string deep_directory(std::size_t segments) {
  return "{\"files\":[" + package_entry(R"({"agents":["agents"]})") + kAgent +
         "],\"directories\":[\"" + deep_path(segments) + "\"]}";
}

// One deep file whose ancestors "**" globs match or search: every one in
// agents, skills and prompts, and a middle block tried at every segment.
std::string deep_file_double_star(std::size_t segments) {
  return "{\"files\":[" +
         package_entry(
             R"({"agents":["**"],"skills":["**","**/c/**/a","a/**/a/**"],"prompts":["a/**"]})") +
         kAgent +
         ",{\"path\":\"" + deep_path(segments) + "\",\"content\":\"x\"}]}";
}

// Many deep files below one long common directory, named by two globs
// whose answers are merged.
std::string shared_deep_prefix(std::size_t prefix_segments, std::size_t files) {
  std::string prefix = deep_path(prefix_segments);
  prefix.pop_back();
  std::string entries;
  for (std::size_t i = 0; i < files; ++i) {
    entries += ",{\"path\":\"" + prefix + "x" + std::to_string(i) + "/";
    for (int k = 0; k < 50; ++k) entries += "b/";
    entries += "f\",\"content\":\"\"}";
  }
  return "{\"files\":[" + package_entry(R"({"agents":["agents"],"skills":["**","*/**"]})") +
         kAgent + entries + "]}";
}

// Each pattern has its own literal directory and matches one file.
std::string prefixed_globs(std::size_t n) {
  std::string kelp = R"({"agents":["agents"],"skills":[)";
  std::string files;
  for (std::size_t i = 0; i < n; ++i) {
    if (i) kelp += ",";
    kelp += "\"d" + std::to_string(i) + "/*.md\"";
    files += ",{\"path\":\"d" + std::to_string(i) + "/f.md\",\"content\":\"\"}";
  }
  kelp += "]}";
  return "{\"files\":[" + package_entry(kelp) + kAgent + files + "]}";
}

// One glob written n times, each time matching every top-level path.
std::string repeated_star(std::size_t n) {
  std::string kelp = R"({"agents":["agents"],"prompts":[)";
  std::string files;
  for (std::size_t i = 0; i < n; ++i) {
    if (i) kelp += ",";
    kelp += "\"*\"";
    files += ",{\"path\":\"f" + std::to_string(i) + ".md\",\"content\":\"\"}";
  }
  kelp += "]}";
  return "{\"files\":[" + package_entry(kelp) + kAgent + files + "]}";
}

long status_kb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  std::size_t len = std::strlen(field);
  while (std::getline(in, line))
    if (line.compare(0, len, field) == 0) return std::strtol(line.c_str() + len, nullptr, 10);
  return -1;
}

void reset_peak() { std::ofstream("/proc/self/clear_refs") << "5"; }

}  // namespace

int main(int argc, char** argv) {
  std::vector<Case> cases = {
      {"deep file 40000 segments", [] { return deep_file(40000); }},
      {"deep file 200000 segments", [] { return deep_file(200000); }},
      {"deep directory 40000 segments", [] { return deep_directory(40000); }},
      {"deep directory 200000 segments", [] { return deep_directory(200000); }},
      {"deep file 40000 segments, ** patterns", [] { return deep_file_double_star(40000); }},
      {"deep file 200000 segments, ** patterns", [] { return deep_file_double_star(200000); }},
      {"500 files below a 20000-segment directory, 2 globs",
       [] { return shared_deep_prefix(20000, 500); }},
      {"10000 patterns dN/*.md over 10000 files", [] { return prefixed_globs(10000); }},
      {"3000 patterns * over 3000 files", [] { return repeated_star(3000); }},
  };
  for (const auto& c : cases) {
    bool wanted = argc < 2;
    for (int i = 1; i < argc; ++i) wanted = wanted || c.name.find(argv[i]) != std::string::npos;
    if (!wanted) continue;
    // Each case runs in its own process, so that memory freed by one case
    // does not hide the growth of the next.
    std::fflush(stdout);
    pid_t child = fork();
    if (child < 0) return 1;
    if (child > 0) {
      int status = 0;
      waitpid(child, &status, 0);
      if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::printf("%s: failed\n", c.name.c_str());
      continue;
    }
    std::string text = c.snapshot();
    double best = 1e9;
    long growth = 0;
    std::size_t report_bytes = 0;
    for (int round = 0; round < 3; ++round) {
      reset_peak();
      long before = status_kb("VmRSS:");
      auto start = std::chrono::steady_clock::now();
      auto snapshot = kelp::parse_recipe_snapshot(text);
      if (!snapshot) {
        std::fprintf(stderr, "%s: %s\n", c.name.c_str(), snapshot.error().c_str());
        _exit(1);
      }
      auto report = kelp::check_recipe(std::move(*snapshot), kelp::Profile::Local);
      std::string out;
      (void)kelp::write_report_json(report, out);
      double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      if (seconds < best) best = seconds;
      // Later rounds reuse the memory the first one freed.
      if (round == 0) growth = status_kb("VmHWM:") - before;
      report_bytes = out.size();
    }
    std::printf("%-42s %9.1f ms  peak growth %8.1f MB  (snapshot %zu KB, report %zu B)\n",
                c.name.c_str(), best * 1000.0, static_cast<double>(growth) / 1024.0,
                text.size() / 1024, report_bytes);
    std::fflush(stdout);
    _exit(0);
  }
  return 0;
}

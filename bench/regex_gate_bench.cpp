// Times gate pattern checks on the strict road: one ordinary gate checked
// over and over, and a batch of 1,000 distinct realistic gates. The first
// batch in the process pays for the tables built at first use, so it is
// reported apart from the later ones.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "json/value.h"
#include "judges/validate.h"

namespace {

using Clock = std::chrono::steady_clock;

double micros_since(Clock::time_point start) {
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

// Gates as authors write them: words, Unicode and ASCII classes, groups,
// alternations, anchors and the flags in common use. Each gate differs from
// every other by its words.
std::vector<std::string> realistic_gates(std::size_t n) {
  static const char* const kWords[] = {
      "ok", "fine", "done", "error", "fail", "retry", "refund", "cancel",
      "order", "invoice", "user", "admin", "token", "deploy", "build", "test",
      "help", "thanks", "sorry", "weather", "price", "ticket", "login", "reset"};
  static const char* const kShapes[] = {
      "^(?:%1|%2)\\s+\\w+$",
      "\\b%1\\b",
      "(?i)%1|%2",
      "^%1-\\d{2,4}$",
      "%1\\s*[:=]\\s*\\S+",
      "(?i:%1)\\W+%2",
      "^\\pL+ %1$",
      "[A-Z][a-z]+ %1",
      "%1.*%2",
      "(?s)%1.+?%2",
      "^[\\w.+-]+@%1\\.(?:com|org)$",
      "\\d+(?:\\.\\d+)? %1",
      "(?m)^%1:",
      "%1[0-9a-f]{8}",
      "(?i)\\b(?:%1|%2|%1%2)\\b",
      "^\\s*%1\\s*$",
      "%1\\p{Greek}+",
      "[^\\s%1]+%2",
      "(?x) %1 \\s+ %2 ",
      "%1(?:[[:alpha:]]+)%2",
  };
  static const char* const kFlags[] = {"", "i", "m", "im", "s", "is"};
  std::mt19937 rng(12345);
  std::vector<std::string> out;
  out.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    std::string a = kWords[rng() % std::size(kWords)];
    std::string b = kWords[rng() % std::size(kWords)] + std::to_string(i);
    std::string shape = kShapes[i % std::size(kShapes)];
    std::string pattern;
    for (std::size_t k = 0; k < shape.size(); ++k) {
      if (shape[k] == '%' && k + 1 < shape.size()) {
        pattern += shape[k + 1] == '1' ? a : b;
        ++k;
      } else {
        pattern += shape[k];
      }
    }
    out.push_back("/" + pattern + "/" + kFlags[rng() % std::size(kFlags)]);
  }
  return out;
}

bool check(const std::string& gate) {
  return kelp::compile_gate_regex_strict(kelp::JsonValue(gate)).has_value();
}

}  // namespace

// Usage: regex_gate_bench [batch|gate [runs]]; with no arguments, both.
// One scenario with a small number of runs suits callgrind.
int main(int argc, char** argv) {
  const std::string only = argc > 1 ? argv[1] : "";
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 0;
  const std::string gate = "/^(?i:ok|fine)\\s+\\w+$/im";
  const std::vector<std::string> batch = realistic_gates(1000);

  if (only.empty() || only == "batch") {
    // The batch first, so that its first run is the process's first use.
    std::size_t passed = 0;
    const int batch_runs = runs ? runs : 6;
    for (int run = 0; run < batch_runs; ++run) {
      const auto start = Clock::now();
      passed = 0;
      for (const std::string& g : batch) passed += check(g);
      const double us = micros_since(start);
      std::printf("batch of %zu gates, run %d%s: %.0f us (%.2f us per gate)\n",
                  batch.size(), run + 1, run == 0 ? " (first use)" : "", us,
                  us / static_cast<double>(batch.size()));
    }
    std::printf("batch: %zu of %zu compile\n", passed, batch.size());
  }

  if (only.empty() || only == "gate") {
    const int rounds = runs ? runs : 2000;
    std::vector<double> per_check;
    for (int round = 0; round < (runs ? 1 : 5); ++round) {
      const auto start = Clock::now();
      for (int i = 0; i < rounds; ++i) {
        if (!check(gate)) {
          std::fprintf(stderr, "gate does not compile\n");
          return 1;
        }
      }
      per_check.push_back(micros_since(start) / rounds);
    }
    std::sort(per_check.begin(), per_check.end());
    std::printf("gate %s: best %.2f us, median %.2f us, worst %.2f us per check\n",
                gate.c_str(), per_check.front(), per_check[per_check.size() / 2],
                per_check.back());
  }
  return 0;
}

// Times the URL parser on the megabyte hostile inputs of the unit tests and
// the domain whose UTS #46 expansion is the largest within the length limit.
// Linear work on a megabyte takes milliseconds; quadratic work would take
// minutes.
//
//   url_hostile_bench            every case
//   url_hostile_bench NAME...    the named cases
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../tests/cpp/url/hostile_urls.h"
#include "url/idna.h"
#include "url/url.h"

namespace {

struct Timed {
  double best_ms;
  std::string outcome;
};

// The best of three runs, since the machine is shared.
template <typename Run>
Timed best_of_three(Run run) {
  Timed timed{1e300, ""};
  for (int round = 0; round < 3; ++round) {
    auto start = std::chrono::steady_clock::now();
    std::string outcome = run();
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (ms < timed.best_ms) timed = {ms, std::move(outcome)};
  }
  return timed;
}

bool wanted(const char* name, int argc, char** argv) {
  if (argc < 2) return true;
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], name) == 0) return true;
  return false;
}

void print(const char* name, std::size_t bytes, const Timed& timed) {
  std::printf("%-30s %8.1f KB  %9.2f ms  %s\n", name, static_cast<double>(bytes) / 1e3, timed.best_ms, timed.outcome.c_str());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  for (const auto& c : kelp::testing::hostile_urls()) {
    if (!wanted(c.name, argc, argv)) continue;
    const std::string input = c.make();
    Timed timed = best_of_three([&] {
      auto parsed = kelp::url::parse(input);
      return parsed ? std::string("accepted") : "refused: " + parsed.error().display();
    });
    print(c.name, input.size(), timed);
  }

  const char* worst_name = "WorstCaseUnicodeDomain";
  if (wanted(worst_name, argc, argv)) {
    // U+FDFA expands to 18 characters, and each short label is rebuilt in place.
    std::string worst;
    while (worst.size() + 4 <= kelp::url::kMaxUnicodeDomainBytes) worst += "\ufdfa.";
    Timed timed = best_of_three([&] {
      auto result = kelp::url::domain_to_ascii(worst);
      return result ? std::string("accepted") : "refused: " + result.error().display();
    });
    print(worst_name, worst.size(), timed);
  }
  return 0;
}

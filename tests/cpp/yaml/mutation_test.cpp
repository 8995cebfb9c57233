// Seeded random byte mutations of every YAML test-suite text, each read
// through the composer into a JsonValue and through the bare event source:
// every read ends in a value or a clean error, with well-formed events
// whose positions lie inside the text. KELP_YAML_MUTATIONS sets the number
// of mutants per suite text (default 24) for longer runs.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "suite_cases.h"

#if defined(__SANITIZE_ADDRESS__)
#define KELP_UNDER_SANITIZER 1
#include <sanitizer/common_interface_defs.h>
#else
#define KELP_UNDER_SANITIZER 0
#endif
#include "yaml/event_source.h"
#include "read_error_checks.h"
#include "yaml/reader.h"

namespace kelp::yaml {
namespace {

using suite::SuiteCase;

std::size_t mutants_per_text() {
  if (const char* env = std::getenv("KELP_YAML_MUTATIONS")) {
    long n = std::strtol(env, nullptr, 10);
    if (n > 0) return static_cast<std::size_t>(n);
  }
  return 24;
}

// splitmix64: the same sequence on every platform and standard library.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::size_t below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(next() % n); }

 private:
  std::uint64_t state_;
};

// Pieces that steer the parser into its interesting states, and some that
// are not YAML at all.
const std::vector<std::string_view>& pieces() {
  static const std::vector<std::string_view> list = {
      "-", "?", ":", ",", "[", "]", "{", "}", "#", "&", "*", "!", "|", ">", "'", "\"",
      "%", "@", "`", " ", "  ", "\t", "\n", "\r", "\r\n", "\\", ".", "~", "0", "a", "Z",
      "- ", ": ", "---", "...", "!!", "!<", "|-", ">+", "|2", "\\x", "\\u", "\\U0001F600",
      "&a ", "*a", "!!str ", "%YAML 1.2\n", "%TAG ! tag:x,2000:\n", "\xEF\xBB\xBF", "\xC3\xA9",
      "\xE2\x80\xA8", "\xF0\x9F\x98\x80", "\xC3", "\xFF", "\x80", "\x7F", "\x01", "\x85",
  };
  return list;
}

std::string mutate(std::string text, Random& random) {
  std::size_t steps = 1 + random.below(3);
  for (std::size_t s = 0; s < steps; ++s) {
    std::size_t at = random.below(text.size() + 1);
    std::string piece;
    if (random.below(4) == 0) {
      piece.assign(1, static_cast<char>(random.below(256)));
    } else {
      piece = pieces()[random.below(pieces().size())];
    }
    switch (random.below(4)) {
      case 0:  // insert
        text.insert(at, piece);
        break;
      case 1:  // delete a span
        if (at < text.size()) text.erase(at, 1 + random.below(8));
        break;
      case 2:  // replace a byte
        if (at < text.size()) {
          text[at] = random.below(2) == 0 ? piece[0] : static_cast<char>(text[at] ^ (1u << random.below(8)));
        }
        break;
      default: {  // duplicate a span
        std::size_t length = 1 + random.below(16);
        if (at < text.size()) text.insert(at, text.substr(at, length));
        break;
      }
    }
  }
  return text;
}

// Reads `text` through the bare event source; the fault found, or empty.
std::string check_event_stream(const std::string& text) {
  EventSource source(text);
  // Every event consumes input or stands for an empty node next to an
  // indicator; a stream longer than this loops.
  const std::size_t max_events = 8 * (text.size() + 1) + 16;
  std::vector<EventType> open;  // open documents and collections
  std::vector<std::size_t> children;
  for (std::size_t n = 0; n <= max_events; ++n) {
    auto event = source.next();
    if (!event) {
      if (event.error().message.empty()) return "an error without a message";
      if (source.next().has_value()) return "the stream went on after an error";
      return {};
    }
    const Event& e = *event;
    if (e.start > e.end || e.end > text.size()) {
      return "event positions " + std::to_string(e.start) + ".." + std::to_string(e.end) +
             " outside the text of " + std::to_string(text.size()) + " bytes";
    }
    if (n == 0) {
      if (e.type != EventType::StreamStart) return "the stream does not begin with its start";
      continue;
    }
    switch (e.type) {
      case EventType::StreamStart:
        return "a second stream start";
      case EventType::DocumentStart:
        if (!open.empty()) return "a document start inside a document";
        open.push_back(e.type);
        children.push_back(0);
        break;
      case EventType::MappingStart:
      case EventType::SequenceStart:
        if (open.empty()) return "a collection outside a document";
        ++children.back();
        open.push_back(e.type);
        children.push_back(0);
        break;
      case EventType::Scalar:
      case EventType::Alias:
        if (open.empty()) return "a node outside a document";
        ++children.back();
        break;
      case EventType::DocumentEnd:
        if (open.empty() || open.back() != EventType::DocumentStart) return "an unmatched document end";
        if (children.back() > 1) return "a document of several nodes";
        open.pop_back();
        children.pop_back();
        break;
      case EventType::MappingEnd:
        if (open.empty() || open.back() != EventType::MappingStart) return "an unmatched mapping end";
        if (children.back() % 2 != 0) return "a mapping with a key and no value";
        open.pop_back();
        children.pop_back();
        break;
      case EventType::SequenceEnd:
        if (open.empty() || open.back() != EventType::SequenceStart) return "an unmatched sequence end";
        open.pop_back();
        children.pop_back();
        break;
      case EventType::StreamEnd:
        if (!open.empty()) return "the stream ended inside a document";
        return {};
    }
  }
  return "more than " + std::to_string(max_events) + " events";
}

// A read that never ends must fail the test, not stall the suite: the
// mutants are read in a child process whose watchdog names the mutant it
// was reading. The bound only tells a hang from a read: a read takes
// milliseconds even in instrumented builds.
constexpr unsigned kWatchdogSeconds = 10;  // per mutant

char g_reading[512];
std::size_t g_reading_size = 0;

void say_reading(const char* what) {
  (void)!write(2, what, std::strlen(what));
  (void)!write(2, g_reading, g_reading_size);
  (void)!write(2, "\n", 1);
}

void on_watchdog(int) {
  say_reading("hung reading ");
  _exit(3);
}

#if KELP_UNDER_SANITIZER
void on_sanitizer_death() { say_reading("sanitizer fault reading "); }
#else
void on_crash(int sig) {
  say_reading("crashed reading ");
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}
#endif

void note_reading(std::string_view what) {
  g_reading_size = std::min(what.size(), sizeof g_reading);
  std::memcpy(g_reading, what.data(), g_reading_size);
}

// Reads every mutant of `c` and exits 0, or 1 after writing the fault.
[[noreturn]] void read_mutants(const SuiteCase& c, std::size_t count) {
  std::signal(SIGALRM, on_watchdog);
#if KELP_UNDER_SANITIZER
  __sanitizer_set_death_callback(on_sanitizer_death);
#else
  for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) std::signal(sig, on_crash);
#endif
  std::uint64_t seed = 0x6b656c70ull;
  for (char ch : c.id) seed = seed * 131 + static_cast<unsigned char>(ch);
  Random random(seed);
  auto fail = [&](std::size_t i, const std::string& fault, const std::string& text) {
    std::fprintf(stderr, "mutant %zu of %s: %s\n%s\n", i, c.id.c_str(), fault.c_str(), text.c_str());
    std::fflush(stderr);
    _exit(1);
  };
  for (std::size_t i = 0; i < count; ++i) {
    std::string text = mutate(c.yaml, random);
    alarm(kWatchdogSeconds);  // per mutant, whatever their number
    note_reading("mutant " + std::to_string(i) + " through the reader: " + text);
    auto value = read_json_value(text);
    // The display text keeps its position, which spans are read from.
    if (!value && !position_reads_first(value.error())) {
      fail(i, "no readable position in " + value.error().display(), text);
    }

    // The bare source takes no NUL byte; the reader's road refuses it first.
    for (char& ch : text)
      if (ch == '\0') ch = '\x01';
    note_reading("mutant " + std::to_string(i) + " through the event source: " + text);
    std::string fault = check_event_stream(text);
    if (!fault.empty()) fail(i, fault, text);
  }
  _exit(0);
}

class YamlMutation : public ::testing::TestWithParam<SuiteCase> {
 protected:
  void SetUp() override {
    if (GetParam().id.empty()) GTEST_SKIP() << suite::suite().problem;
  }
};

TEST_P(YamlMutation, MutantsReadCleanly) {
  GTEST_FLAG_SET(death_test_style, "fast");  // no threads here; no re-run per case
  const std::size_t count = mutants_per_text();
  EXPECT_EXIT(read_mutants(GetParam(), count), ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(Suite, YamlMutation, ::testing::ValuesIn(suite::registered_cases()),
                         [](const ::testing::TestParamInfo<SuiteCase>& case_info) {
                           return suite::test_name(case_info.param.id);
                         });

}  // namespace
}  // namespace kelp::yaml

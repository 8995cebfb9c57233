// Composes YAML texts into JsonValues and prints two figures: the
// throughput on a 20 MB document, and the time per 1.5 KB agent file (the
// shape of the agent files in examples/recipe, fuller), as the median of
// many rounds. Usage: yaml_bench [rounds of the agent file, default 20000]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "yaml/reader.h"

namespace {

// The document stays within the event and node budgets by carrying most of
// its bytes in long string values of several styles.
std::string make_document(std::size_t target_bytes) {
  std::string text = "# benchmark document\nitems:\n";
  std::string words;
  while (words.size() < 2000) words += "lorem ipsum dolor sit amet, consectetur adipiscing elit ";
  std::size_t i = 0;
  while (text.size() < target_bytes) {
    std::string n = std::to_string(i);
    text += "  - id: " + n + "\n";
    text += "    name: item-" + n + "\n";
    text += "    enabled: yes\n    weight: 1.5\n";
    text += "    plain: " + words + "\n";
    text += "    quoted: \"" + words + "\\n\"\n";
    text += "    block: |\n      " + words + "\n      " + words + "\n";
    text += "    tags: [a, b, c]  # comment\n";
    ++i;
  }
  return text;
}

// An agent file with every section an agent file may hold.
const char kAgentFile[] = R"(# Drafts and revises short articles.
name: writer
description: Drafts short articles from an outline, then revises them for tone and length
from: base-writer
model:
  name: openai/gpt-4o
  thinkingLevel: medium
tools:
  - read_file
  - write_file
  - search_notes
  - "summarise"
skills:
  - outline
  - citations
  - style-guide
subagents: [editor, fact-checker]
mcp:
  notes:
    include: ["*"]
    exclude: [delete_note, purge]
  search:
    include:
      - web_search
      - fetch_page
extensions:
  include: [spellcheck, word-count]
  exclude: []
prompt: You are a careful writer. Keep paragraphs short and cite every source you use.
system_instructions:
  mode: append
  content: |
    Write in plain English for a general audience.
    Prefer the active voice; avoid jargon unless the outline uses it.
    Never invent quotations, figures or sources. When a fact is missing,
    leave a marked gap instead of guessing, and list the gaps at the end.

    Structure every article as: a one-sentence summary, three to five
    sections with short headings, and a closing paragraph that says what
    the reader can do next. Keep each section under two hundred words.
  notes: >-
    The editor sub-agent reviews every draft before it is returned; the
    fact-checker sub-agent verifies each figure against the notes server.
metadata:
  owner: content-team
  reviewed: 2026-11-02
  tags: [writing, articles, 'long-form']
  limits: {max_words: 1200, max_sections: 5, temperature: 0.4}
)";

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t rounds = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 20000;

  const std::string text = make_document(20u * 1000 * 1000);
  std::vector<double> rates;
  for (int run = 0; run < 5; ++run) {
    auto start = std::chrono::steady_clock::now();
    auto value = kelp::yaml::read_json_value(text);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!value) {
      std::fprintf(stderr, "read failed: %s\n", value.error().display().c_str());
      return 1;
    }
    rates.push_back(static_cast<double>(text.size()) / 1e6 / seconds);
  }
  std::printf("20 MB document: %.1f MB, median %.1f MB/s (min %.1f, max %.1f)\n", static_cast<double>(text.size()) / 1e6,
              median(rates), *std::min_element(rates.begin(), rates.end()),
              *std::max_element(rates.begin(), rates.end()));

  const std::string agent = kAgentFile;
  if (auto value = kelp::yaml::read_json_value(agent); !value) {
    std::fprintf(stderr, "agent file read failed: %s\n", value.error().display().c_str());
    return 1;
  }
  // Batches of 100 reads, so that each timing is well above the clock's
  // resolution; the median batch is reported per file.
  constexpr std::size_t kBatch = 100;
  std::vector<double> per_file;
  std::size_t sink = 0;
  for (std::size_t b = 0; b < std::max<std::size_t>(1, rounds / kBatch); ++b) {
    auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < kBatch; ++i) {
      auto value = kelp::yaml::read_json_value(agent);
      sink += value && value->is_object() ? value->as_object().size() : 0;
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    per_file.push_back(seconds * 1e6 / kBatch);
  }
  std::printf("agent file: %zu bytes, median %.2f us per file (min %.2f) over %zu reads [%zu]\n",
              agent.size(), median(per_file), *std::min_element(per_file.begin(), per_file.end()),
              per_file.size() * kBatch, sink % 10);
  return 0;
}

"""Realistic recipe snapshots for benchmarks, at a chosen scale.

At scale 1: 25 agent files (with `from` chains and MCP policies), 12 judge
files (with regex gates and local URLs), 250 other files, about 2.5 MB in
all; every count and size grows linearly with the scale.
"""

import json
import random

AGENT_BODY = """\
# Agent {i}: drafts, reviews and files {topic} work.
name: agent-{i}
description: >-
  Handles {topic} requests end to end: reads the brief, drafts an answer,
  checks it against the style guide and files it for review.
{from_line}model:
  name: openai/gpt-4o{suffix}
  thinkingLevel: {level}
tools:
  - read_file
  - write_file
  - search
mcp:
  docs-server:
    include: [search_docs, fetch_page, "*"]
    exclude: [delete_page]
  tracker:
    include:
      - create_issue
      - list_issues
skills:
  - skills/skill-{skill}
subagents: [agent-{sub}]
prompt: |
  You are agent {i}. Keep answers short, cite the documents you used,
  and say "I don't know" when the sources are silent.
  Never invent a ticket number; look it up with list_issues first.
system_instructions:
  content: "Follow the house style: plain words, active voice, no jargon."
"""

JUDGE_BODY = """\
judge: judge-{i}
description: Checks that replies to {topic} requests stay on topic
on:
  - event: message
    match:
      role: /^assistant$/i
      content: /^(?i:ok|fine|done)\\s+\\w+[.!]?$/m
  - event: tool
    match:
      name: /^(search|fetch)_[a-z]+$/
llm:
  provider: openai
  model: gpt-4o-mini
  request:
    temperature: 0.2
    max_tokens: 512
  transport:
    timeout_ms: 30000
    max_retries: 2
  local:
    base_url: http://127.0.0.1:{port}/v1
    api_key_env: JUDGE_KEY
instructions: |
  Score 1 when the reply answers the {topic} question with facts from the
  documents, 0 when it drifts off topic or invents facts.
"""

TOPICS = ["billing", "search", "onboarding", "legal", "support", "travel"]


def snapshot(scale: int, seed: int = 7) -> dict:
    rng = random.Random(seed)
    agents = 25 * scale
    judges = 12 * scale + scale // 2
    others = 250 * scale
    files = []
    servers = [{"id": "docs-server", "tools": {"include": ["search_docs", "fetch_page", "*"]}},
               {"id": "tracker", "required": True,
                "tools": {"include": ["create_issue", "list_issues"], "exclude": ["delete_issue"]}}]
    package = {
        "name": "@bench/recipe-%d" % scale,
        "description": "A benchmark recipe",
        "dependencies": {"left-pad": "1.0.0"},
        "kelp": {"agents": ["agents"], "skills": ["skills/*"], "prompts": ["prompts/**/*.md"],
                 "mcp": {"servers": servers}},
    }
    files.append({"path": "package.json", "content": json.dumps(package, indent=2)})
    files.append({"path": "package-lock.json", "content": "{}"})
    for i in range(agents):
        # Chains of five: every agent but the first of a chain inherits.
        from_line = "" if i % 5 == 0 else "from: agent-%d\n" % (i - 1)
        body = AGENT_BODY.format(i=i, topic=TOPICS[i % len(TOPICS)], from_line=from_line,
                                 suffix="" if i % 2 else "-mini", level=["low", "medium", "high"][i % 3],
                                 skill=i % 10, sub=(i + 1) % agents)
        files.append({"path": "agents/agent-%03d.yaml" % i, "content": body})
    for i in range(judges):
        body = JUDGE_BODY.format(i=i, topic=TOPICS[i % len(TOPICS)], port=8000 + i)
        files.append({"path": "judges/judge-%03d.yaml" % i, "content": body})
    for i in range(10 * scale):
        files.append({"path": "skills/skill-%d/SKILL.md" % i, "content": "# Skill %d\n" % i})
    line = "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod.\n"
    for i in range(others):
        size = rng.randint(5_000, 15_000)
        files.append({"path": "prompts/part-%d/doc-%04d.md" % (i % 20, i),
                      "content": (line * (size // len(line) + 1))[:size]})
    return {"files": files, "directories": ["agents", "judges", "skills", "prompts"]}


def yaml_texts(snap: dict):
    return [f["content"] for f in snap["files"]
            if f["path"].startswith(("agents/", "judges/")) and f["path"].endswith(".yaml")]


def judge_sources(snap: dict):
    return [{"path": f["path"], "content": f["content"]} for f in snap["files"]
            if f["path"].startswith("judges/")]

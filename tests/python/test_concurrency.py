"""Many threads at once give what serial calls give; a running check leaves
the interpreter to other threads; repeated calls leave memory where it was."""

import json
import threading
import time

import pytest

import kelp_recipe_check as krc

AGENT = """\
name: {name}
description: Writes
{from_line}model:
  name: openai/gpt-4o
  thinkingLevel: medium
tools: [read]
mcp:
  docs: {{include: [search, "*"]}}
"""
JUDGE = """\
judge: {name}
on:
  - event: message
    match: {{content: "/^(?i:ok|fine)\\\\s+\\\\w+$/im"}}
llm:
  model: m
  local: {{base_url: "http://127.0.0.1:8080/v1", api_key_env: K}}
instructions: Score it.
"""


def recipe(agents, broken=False):
    files = [{"path": "package.json", "content": json.dumps(
        {"name": "r", "description": "d", "kelp": {"agents": ["agents"],
         "mcp": {"servers": [{"id": "docs", "tools": {"include": ["*"]}}]}}})}]
    for i in range(agents):
        body = AGENT.format(name="a%d" % i, from_line="from: a%d\n" % (i - 1) if i % 4 else "")
        if broken and i % 7 == 3:
            body += "bad: [unclosed\n"
        files.append({"path": "agents/a%d.yaml" % i, "content": body})
    files.append({"path": "judges/j.yaml", "content": JUDGE.format(name="j")})
    if broken:
        files.append({"path": "judges/k.yaml", "content": "judge: [\n"})
    return json.dumps({"files": files})


def judge_batch(count, broken=False):
    sources = [{"path": "judges/j%d.yaml" % i, "content": JUDGE.format(name="j%d" % i)}
               for i in range(count)]
    if broken:
        sources.append({"path": "judges/x.yaml", "content": JUDGE.format(name="j0")})
    return json.dumps(sources)


# Every road of both functions: valid and invalid recipes, unreadable
# snapshots, bad profiles, batches that parse and that fail, bad arguments.
CALLS = [
    (krc.check_recipe_files_json, (recipe(4),), {}),
    (krc.check_recipe_files_json, (recipe(4, broken=True), "ci"), {}),
    (krc.check_recipe_files_json, ('{"files": [}',), {}),
    (krc.check_recipe_files_json, ('{"files": []}', "nightly"), {}),
    (krc.check_recipe_files_json, (), {"snapshot_json": '{"files": []}', "profile": "publish"}),
    (krc.check_recipe_files_json, (b"{}",), {}),
    (krc.check_recipe_files_json, ("{}",), {"extra": 1}),
    (krc.parse_judge_definitions_json, (judge_batch(2),), {}),
    (krc.parse_judge_definitions_json, (judge_batch(2, broken=True),), {}),
    (krc.parse_judge_definitions_json, ('[{"path": "a", "content": "judge: ["}]',), {}),
    (krc.parse_judge_definitions_json, ("[",), {}),
    (krc.parse_judge_definitions_json, (), {}),
    (krc.judge_definition_schema_json, (), {}),
    (krc.judge_definition_schema_json, (1,), {}),
]


def outcome(call):
    fn, args, kwargs = call
    try:
        return ("ok", fn(*args, **kwargs))
    except Exception as err:  # the outcome is compared, whatever it is
        return (type(err).__name__, str(err))


def test_threads_give_the_serial_results():
    expected = [outcome(c) for c in CALLS]
    assert {kind for kind, _ in expected} >= {"ok", "ValueError", "TypeError"}
    results = {}
    errors = []

    def worker(index):
        try:
            got = []
            for round_ in range(12):
                order = CALLS[index % len(CALLS):] + CALLS[:index % len(CALLS)]
                got.append([outcome(c) for c in order])
            results[index] = got
        except BaseException as err:  # reported below, never lost in the thread
            errors.append(err)

    threads = [threading.Thread(target=worker, args=(i,)) for i in range(8)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert not errors
    for index, rounds in results.items():
        shift = index % len(CALLS)
        rotated = expected[shift:] + expected[:shift]
        for got in rounds:
            assert got == rotated


def test_a_running_check_lets_other_threads_run():
    text = recipe(3000)
    window = {}

    def run():
        window["start"] = time.perf_counter()
        krc.check_recipe_files_json(text)
        window["end"] = time.perf_counter()

    worker = threading.Thread(target=run)
    ticks = []
    worker.start()
    while worker.is_alive():
        ticks.append(time.perf_counter())
    worker.join()
    inside = [t for t in ticks if window["start"] < t < window["end"]]
    # With the lock held for the whole check, this loop could not run at all
    # until the call returned.
    assert len(inside) > 1000, (len(inside), window["end"] - window["start"])


def resident_kib():
    with open("/proc/self/statm") as handle:
        pages = int(handle.read().split()[1])
    import resource
    return pages * resource.getpagesize() // 1024


@pytest.mark.skipif(not __import__("os").path.exists("/proc/self/statm"), reason="needs /proc")
def test_repeated_calls_leave_memory_flat():
    def rounds(n):
        for i in range(n):
            outcome(CALLS[i % len(CALLS)])

    rounds(10_000)
    before = resident_kib()
    rounds(100_000)
    after = resident_kib()
    assert after - before < 4096, (before, after)

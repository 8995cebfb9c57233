"""The full check against the floor of a Python peer, at 1x, 2x, 4x and 8x.

The floor is what any Python implementation must at least spend on the same
snapshot: json.loads of the snapshot and PyYAML's C loader on every agent
and judge file. Prints one table; run after the package is installed.

    python3 bench/python_floor.py [--repeat N]
"""

import argparse
import json
import os
import statistics
import sys
import time

import yaml

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import recipe_gen  # noqa: E402

from kelp_recipe_check import check_recipe_files_json, parse_judge_definitions_json  # noqa: E402


def best(fn, repeat):
    times = []
    for _ in range(repeat):
        start = time.perf_counter()
        fn()
        times.append(time.perf_counter() - start)
    return min(times), statistics.median(times)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--repeat", type=int, default=7)
    args = parser.parse_args()
    loader = yaml.CSafeLoader
    rows = []
    for scale in (1, 2, 4, 8):
        snap = recipe_gen.snapshot(scale)
        text = json.dumps(snap)
        texts = recipe_gen.yaml_texts(snap)
        yaml_bytes = sum(len(t.encode()) for t in texts)
        report = json.loads(check_recipe_files_json(text, "ci"))
        ours, _ = best(lambda: check_recipe_files_json(text, "ci"), args.repeat)

        def floor():
            json.loads(text)
            for t in texts:
                yaml.load(t, Loader=loader)

        theirs, _ = best(floor, args.repeat)
        # Intake: the same snapshot with nothing that the checks read further.
        bare = json.dumps({"files": [f for f in snap["files"] if f["path"].startswith("prompts/")]})
        intake, _ = best(lambda: check_recipe_files_json(bare, "ci"), args.repeat)
        # YAML: only the agent and judge files, listed by the package.
        only_yaml = json.dumps({"files": [f for f in snap["files"]
                                          if f["path"] == "package.json"
                                          or f["path"].startswith(("agents/", "judges/"))]})
        yaml_time, _ = best(lambda: check_recipe_files_json(only_yaml, "ci"), args.repeat)
        sources = json.dumps(recipe_gen.judge_sources(snap))
        batch, _ = best(lambda: parse_judge_definitions_json(sources), args.repeat)
        judges = len(recipe_gen.judge_sources(snap))
        rows.append((scale, len(text) / 1e6, len(snap["files"]), len(report["diagnostics"]),
                     ours * 1e3, theirs * 1e3, theirs / ours, len(bare) / 1e6 / intake,
                     yaml_bytes / 1e6 / yaml_time, batch / judges * 1e6))
    header = ("size", "MB", "files", "diags", "ours ms", "floor ms", "floor/ours",
              "intake MB/s", "YAML MB/s", "batch us/judge")
    print(" | ".join(header))
    print(" | ".join("---" for _ in header))
    for r in rows:
        print("%dx | %.1f | %d | %d | %.1f | %.1f | %.1fx | %.0f | %.1f | %.1f" % r)


if __name__ == "__main__":
    main()

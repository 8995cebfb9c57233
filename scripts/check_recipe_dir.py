"""Snapshot a recipe directory and print the check report.

Usage: python3 scripts/check_recipe_dir.py DIR [--profile local|ci|publish]
"""

import argparse
import json
import os
import sys

from kelp_recipe_check import check_recipe_files_json


def snapshot(root: str) -> dict:
    files = []
    directories = []
    for current, dirnames, filenames in os.walk(root):
        dirnames.sort()
        rel_dir = os.path.relpath(current, root)
        if rel_dir != ".":
            directories.append(rel_dir.replace(os.sep, "/"))
        for name in sorted(filenames):
            full = os.path.join(current, name)
            rel = os.path.relpath(full, root).replace(os.sep, "/")
            try:
                with open(full, encoding="utf-8") as handle:
                    content = handle.read()
            except (OSError, UnicodeDecodeError):
                content = None
            files.append({"path": rel, "content": content})
    return {"files": files, "directories": directories}


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("recipe_dir")
    parser.add_argument("--profile", default="local")
    args = parser.parse_args()
    report = json.loads(check_recipe_files_json(json.dumps(snapshot(args.recipe_dir)), args.profile))
    print(json.dumps(report, indent=2, ensure_ascii=False))
    return 0 if report["valid"] else 1


if __name__ == "__main__":
    sys.exit(main())

"""Reports on small generated recipes (deep, duplicate and listed paths, and
resource patterns of every form) stay exactly as recorded. The recipes and
their reports come from gen_path_cases.py."""

import json
import pathlib

import pytest

import kelp_recipe_check as krc

CASES = json.loads((pathlib.Path(__file__).parent / "data" / "path_cases.json")
                   .read_text(encoding="utf-8"))


@pytest.mark.parametrize("case", CASES, ids=["case%03d" % i for i in range(len(CASES))])
def test_report_is_unchanged(case):
    assert krc.check_recipe_files_json(case["snapshot"], "local") == case["report"]


DEEP = "a/" * 5000 + "b"


@pytest.mark.parametrize("where", ["files", "directories"])
def test_deep_path_names_every_ancestor(where):
    kelp = {"agents": ["agents"], "skills": ["**"], "prompts": ["a/**/a/*"]}
    files = [{"path": "package.json",
              "content": json.dumps({"name": "n", "description": "d", "kelp": kelp})},
             {"path": "agents/x.yaml", "content": None}]
    doc = {"files": files, "directories": []}
    if where == "files":
        files.append({"path": "./" + DEEP, "content": ""})
    else:
        doc["directories"].append(DEEP.replace("/", "\\") + "\\")
    report = json.loads(krc.check_recipe_files_json(json.dumps(doc)))
    # package.json, agents, agents/x.yaml, the 5,000 ancestors "a" to "a/.../a"
    # and the deep path itself.
    assert report["resources"]["skills"] == 3 + 5000 + 1
    # Every ancestor of three segments or more, and the deep path itself.
    assert report["resources"]["prompts"] == 5000 - 2 + 1

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

import json

import pytest

import kelp_recipe_check as krc


def snapshot(files=(), directories=None):
    """A snapshot JSON text from (path, content) pairs."""
    doc = {"files": [{"path": p, "content": c} for p, c in files]}
    if directories is not None:
        doc["directories"] = list(directories)
    return json.dumps(doc)


def check(files=(), directories=None, profile="local"):
    return json.loads(krc.check_recipe_files_json(snapshot(files, directories), profile))


def codes(report):
    return [d["code"] for d in report["diagnostics"]]


@pytest.fixture
def run_check():
    return check

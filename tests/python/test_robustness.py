"""Any input gives a report, a parse result or the documented ValueError."""

import json

from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st

import kelp_recipe_check as krc

FAST = settings(max_examples=150, deadline=None, suppress_health_check=[HealthCheck.too_slow])

json_values = st.recursive(
    st.none() | st.booleans() | st.integers() | st.floats(allow_nan=False) | st.text(),
    lambda children: st.lists(children, max_size=4) | st.dictionaries(st.text(max_size=5), children, max_size=4),
    max_leaves=20,
)

yaml_fragments = st.lists(
    st.sampled_from(
        ["judge: ", "llm:", "  model: ", "on:", "  - event: ", "    match: {a: ", "/(", "/i", "&a ", "*a",
         "<<: ", "[", "]", "{", "}", "- ", "'", '"', "\n", "  ", ": ", "~", "null", "1e9", "\t", "#c", "---",
         "...", "!!str ", "\ufeff", "\x00", "\x85", "é", "?"]
    ),
    max_size=40,
).map("".join)


@FAST
@given(st.text(max_size=200))
def test_any_text_as_snapshot(text):
    try:
        json.loads(krc.check_recipe_files_json(text))
    except ValueError as err:
        assert str(err).startswith("invalid recipe snapshot: ")


@FAST
@given(st.text(max_size=200))
def test_any_text_as_judge_sources(text):
    try:
        json.loads(krc.parse_judge_definitions_json(text))
    except ValueError:
        pass


@FAST
@given(st.dictionaries(st.sampled_from(["files", "directories", "x"]), json_values))
def test_any_json_as_snapshot(doc):
    try:
        json.loads(krc.check_recipe_files_json(json.dumps(doc)))
    except ValueError as err:
        assert str(err).startswith("invalid recipe snapshot: ")


@FAST
@given(json_values, st.text(max_size=30))
def test_any_package_json(value, name):
    files = [{"path": "package.json", "content": json.dumps(value)}, {"path": name, "content": name}]
    report = json.loads(krc.check_recipe_files_json(json.dumps({"files": files})))
    assert report["recipe_dir"] == "."


@FAST
@given(yaml_fragments)
def test_any_yaml_in_judge_files_and_sources(text):
    snapshot = {"files": [{"path": "judges/a.yaml", "content": text}]}
    report = json.loads(krc.check_recipe_files_json(json.dumps(snapshot)))
    assert report["resources"] == {"judges": 1}
    try:
        json.loads(krc.parse_judge_definitions_json(json.dumps([{"path": "a.yaml", "content": text}])))
    except ValueError as err:
        assert str(err)

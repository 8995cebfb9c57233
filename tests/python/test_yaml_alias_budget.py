"""Scalar bytes replayed through aliases count against the 64 MiB scalar budget
on every road that reads YAML: agent files, judge files and judge sources."""

import json

import pytest

import kelp_recipe_check as krc
from conftest import check

BREACH = "budget breached: total scalar bytes (limit 67108864)"
INDENT = "      "


def nested_anchors(scalar_bytes, levels, indent=""):
    """A scalar behind `levels` levels of ten aliases each."""
    lines = [f"{indent}k0: &k0 {'x' * scalar_bytes}"]
    for level in range(1, levels + 1):
        items = ", ".join([f"*k{level - 1}"] * 10)
        lines.append(f"{indent}k{level}: &k{level} [{items}]")
    return "\n".join(lines) + "\n"


def many_aliases(scalar_bytes, aliases, indent=""):
    return f"{indent}big: &big {'x' * scalar_bytes}\n{indent}uses: [{', '.join(['*big'] * aliases)}]\n"


def few_aliases(indent=""):
    return f"{indent}shared: &s {'x' * 100000}\n{indent}uses: [*s, *s, *s]\n"


SHAPES = {
    "100kB-behind-10x10x10x10": lambda indent="": nested_anchors(100000, 4, indent),
    "100kB-behind-10x10x10x10x10": lambda indent="": nested_anchors(100000, 5, indent),
    "1000-aliases-of-1MB": lambda indent="": many_aliases(1000000, 1000, indent),
}

AGENT_HEAD = "name: writer\ndescription: writes\n"
JUDGE_HEAD = "judge: j\nllm: {model: m}\ninstructions: grade\non:\n  - event: message\n    match:\n"
PACKAGE = ("package.json", json.dumps({"name": "r", "description": "d", "kelp": {"agents": ["agents/a.yaml"]}}))


def diagnostic(report, code):
    (found,) = [d for d in report["diagnostics"] if d["code"] == code]
    return found


def strict_error(content):
    with pytest.raises(ValueError) as err:
        krc.parse_judge_definitions_json(json.dumps([{"path": "judges/j.yaml", "content": content}]))
    return str(err.value)


@pytest.mark.parametrize("shape", SHAPES, ids=list(SHAPES))
def test_agent_file_is_refused(shape):
    d = diagnostic(check([PACKAGE, ("agents/a.yaml", AGENT_HEAD + SHAPES[shape]())]), "agent.yaml_malformed")
    assert d["message"].startswith("Agent file is not valid YAML: " + BREACH + " at line ")
    assert "span" in d


@pytest.mark.parametrize("shape", SHAPES, ids=list(SHAPES))
def test_judge_file_is_refused(shape):
    d = diagnostic(check([("judges/j.yaml", JUDGE_HEAD + SHAPES[shape](INDENT))]), "judge.yaml_malformed")
    assert d["message"].startswith("Judge file is not valid YAML: " + BREACH + " at line ")
    assert "span" in d


@pytest.mark.parametrize("shape", SHAPES, ids=list(SHAPES))
def test_judge_source_is_refused(shape):
    message = strict_error(JUDGE_HEAD + SHAPES[shape](INDENT))
    assert message.startswith("parsing judge YAML judges/j.yaml: " + BREACH + " at line ")


def test_refusal_is_at_the_alias_that_passes_the_budget():
    # 100 kB, then 10 replays of it, 10 of 1 MB, then 10 MB per alias of k3:
    # the sixth of those (line 6 of the agent file, column 35) passes 64 MiB.
    d = diagnostic(check([PACKAGE, ("agents/a.yaml", AGENT_HEAD + nested_anchors(100000, 4))]),
                   "agent.yaml_malformed")
    assert d["span"] == {"line": 6, "column": 35}


def test_a_few_aliases_of_a_shared_text_read_as_before():
    report = check([PACKAGE, ("agents/a.yaml", AGENT_HEAD + few_aliases())])
    assert not [d for d in report["diagnostics"] if d["code"] == "agent.yaml_malformed"]
    report = check([("judges/j.yaml", JUDGE_HEAD + few_aliases(INDENT))])
    assert [d["code"] for d in report["diagnostics"]] == ["package.manifest_missing"]
    (parsed,) = json.loads(krc.parse_judge_definitions_json(
        json.dumps([{"path": "j.yaml", "content": JUDGE_HEAD + few_aliases(INDENT)}])))
    match = parsed["definition"]["on"][0]["match"]
    assert match["uses"] == [match["shared"]] * 3 and len(match["shared"]) == 100000

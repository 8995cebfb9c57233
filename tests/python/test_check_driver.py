import json

import pytest

from conftest import check, codes


def pkg(**members):
    return ("package.json", json.dumps(members))


FULL = dict(name="demo", description="d", kelp={"agents": ["agents"]})
AGENT = """\
name: writer
description: Writes
model:
  name: openai/gpt-4o
  thinkingLevel: medium
tools: []
system_instructions:
  content: Be brief.
"""
AGENT_FILE = ("agents/writer.yaml", AGENT)


@pytest.mark.parametrize(
    "files, directories, expected",
    [
        ([], None, ["package.manifest_missing"]),
        ([], ["package.json"], ["package.manifest_missing"]),
        ([("package.json", None)], None, ["package.manifest_unreadable"]),
        ([("package.json", "[]")], None, ["package.manifest_invalid"]),
        ([("package.json", '"x"')], None, ["package.manifest_invalid"]),
        ([("package.json", "{}")], None,
         ["package.kelp_missing", "package.name_missing", "package.description_missing"]),
        ([pkg(name="x", description="y", kelp="agents")], None, ["package.kelp_missing"]),
        ([pkg(name="x", description="y", kelp={})], None,
         ["package.kelp_missing", "package.agents_missing", "package.agents_missing"]),
        ([pkg(**FULL), AGENT_FILE], None, []),
        ([pkg(**FULL)], None, ["package.agents_unmatched", "package.agents_missing"]),
    ],
)
def test_package_roads(files, directories, expected):
    assert codes(check(files, directories)) == expected


def test_empty_snapshot():
    report = check()
    assert report["valid"] is False
    assert "package_name" not in report
    assert report["resources"] == {}


def test_malformed_package_json_has_span_and_parser_text():
    report = check([("package.json", '{\n  "name": ,\n}')])
    (diag,) = report["diagnostics"]
    assert diag == {
        "severity": "error",
        "code": "package.manifest_malformed",
        "path": "package.json",
        "span": {"line": 2, "column": 11},
        "message": "package.json is not valid JSON: expected value at line 2 column 11",
        "help": "fix package.json syntax",
    }


def test_package_json_nesting_limit():
    report = check([("package.json", "[" * 200 + "]" * 200)])
    assert report["diagnostics"][0]["message"] == (
        "package.json is not valid JSON: recursion limit exceeded at line 1 column 128"
    )


def test_early_roads_have_no_resources_but_judges():
    report = check([("package.json", "[]"), ("judges/a.yaml", "judge: a")])
    assert report["resources"] == {"judges": 1}
    assert "package_name" not in report


def test_empty_object_counts_zero_agents():
    assert check([("package.json", "{}")])["resources"] == {"agents": 0}


@pytest.mark.parametrize(
    "name, expected",
    [("  demo  ", "demo"), ("\u3000d\u00e9mo\n", "d\u00e9mo"), (42, None), ("   ", None), (None, None)],
)
def test_package_name(name, expected):
    report = check([pkg(name=name, description="d", kelp={"agents": ["agents"]}), AGENT_FILE])
    assert report.get("package_name") == expected
    assert ("package.name_missing" in codes(report)) == (expected is None)


def test_description_missing_is_a_warning_only():
    report = check([pkg(name="x", description=" ", kelp={"agents": ["agents"]}), AGENT_FILE])
    assert codes(report) == ["package.description_missing"]
    assert report["diagnostics"][0]["severity"] == "warning"
    assert report["valid"] is True


@pytest.mark.parametrize(
    "deps, lockfiles, directories, profile, severity",
    [
        ({"dependencies": {"a": "1"}}, [], None, "local", "warning"),
        ({"dependencies": {"a": "1"}}, [], None, "ci", "error"),
        ({"dependencies": {"a": "1"}}, [], None, "publish", "error"),
        ({"dependencies": {}, "optionalDependencies": {"a": "1"}}, [], None, "ci", "error"),
        ({"dependencies": ["a"]}, [], None, "ci", None),
        ({"dependencies": {}}, [], None, "ci", None),
        ({"dependencies": {"a": "1"}}, ["yarn.lock"], None, "ci", None),
        ({"dependencies": {"a": "1"}}, ["pnpm-lock.yaml"], None, "ci", None),
        ({"dependencies": {"a": "1"}}, [], ["yarn.lock"], "ci", None),
        ({"dependencies": {"a": "1"}}, ["app/package-lock.json"], None, "ci", "error"),
        ({"dependencies": {"a": "1"}}, ["./npm-shrinkwrap.json"], None, "ci", None),
    ],
)
def test_lockfile_rule(deps, lockfiles, directories, profile, severity):
    files = [pkg(**FULL, **deps), AGENT_FILE] + [(name, "") for name in lockfiles]
    report = check(files, directories, profile)
    found = [d for d in report["diagnostics"] if d["code"] == "package.lockfile_missing"]
    if severity is None:
        assert found == []
        assert report["valid"] is True
    else:
        assert [d["severity"] for d in found] == [severity]
        assert found[0]["message"] == "Recipe declares runtime dependencies but has no lockfile"
        assert report["valid"] is (severity == "warning")


def test_diagnostic_order_and_report_member_order():
    text = json.dumps({"files": [{"path": "package.json", "content": "{}"}]})
    import kelp_recipe_check as krc

    out = krc.check_recipe_files_json(text, "publish")
    assert out.startswith('{"valid":false,"profile":"publish","recipe_dir":".","diagnostics":[')
    assert out.endswith('"resources":{"agents":0}}')
    assert ", " not in out and "\n" not in out


def test_later_duplicate_path_wins():
    report = check([("package.json", "{}"), ("./package.json", None)])
    assert codes(report) == ["package.manifest_unreadable"]


def test_resource_counts():
    files = [
        pkg(name="x", description="y", kelp={"agents": ["agents", "agents/writer.yaml"], "skills": ["skills/*"],
                                             "prompts": ["p.md", "p.md"], "extensions": ["ext/a.ts"]}),
        AGENT_FILE, ("agents/notes.md", ""), ("skills/a.md", ""), ("skills/b.md", ""), ("p.md", ""),
        ("ext/a.ts", ""), ("judges/a.yaml", "x: 1"),
    ]
    report = check(files)
    assert report["resources"] == {"agents": 1, "extensions": 1, "judges": 1, "prompts": 1, "skills": 2}
    assert list(report["resources"]) == sorted(report["resources"])


def test_kelp_string_has_no_resource_lists():
    report = check([pkg(name="x", description="y", kelp="agents")])
    assert report["resources"] == {"agents": 0}


def test_stages_run_in_order():
    files = [
        pkg(name="x", description="y", kelp={"agents": ["agents"], "zeta": 1,
                                             "mcp": {"servers": [{"id": "docs", "tools": {"include": ["read"]}}]}}),
        (".kelp/mcp.local.example.json", "[]"),
        ("agents/a.yaml", AGENT.replace("tools: []", "tools: []\nmcp:\n  docs:\n    include: [write]")),
        ("judges/j.yaml", "[]"),
    ]
    report = check(files)
    assert codes(report) == [
        "kelp.unknown_key",
        "mcp.local_example_invalid",
        "agent.mcp_tool_undeclared",
        "judge.invalid",
    ]
    assert report["diagnostics"][2]["message"] == "Recipe agent 'writer' MCP tool 'docs/write' is not included by the package policy"


def test_agent_yaml_error_has_span():
    report = check([pkg(**FULL), ("agents/a.yaml", "name: a\nname: b\n")])
    (diag,) = [d for d in report["diagnostics"] if d["code"] == "agent.yaml_malformed"]
    assert diag["message"].startswith("Agent file is not valid YAML: ")
    assert diag["span"]["line"] == 2

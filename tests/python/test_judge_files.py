import json

import pytest

from conftest import check, codes

VALID = """\
judge: tone
instructions: Score tone.
llm:
  model: gpt-4o-mini
"""


def judge_report(*files, directories=None):
    return check([("package.json", "[]")] + list(files), directories)


def judge_diags(content, path="judges/a.yaml"):
    report = judge_report((path, content))
    return [d for d in report["diagnostics"] if d["code"].startswith("judge.")]


def judge_codes(content):
    return [d["code"] for d in judge_diags(content)]


def only(content):
    (diag,) = judge_diags(content)
    return diag


def test_listing_and_count():
    report = judge_report(
        ("judges/a.yml", VALID), ("judges/b.yaml", VALID.replace("tone", "b")), ("judges/.yaml", "x: ["),
        ("judges/README.md", "x"), ("judges/old/c.yaml", "x: ["), ("judges-x/d.yaml", "x: ["),
    )
    assert report["resources"] == {"judges": 2}
    assert codes(report) == ["package.manifest_invalid"]


@pytest.mark.parametrize(
    "files",
    [[], [("judges/README.md", "x")], [("judges/old/a.yaml", "x")], [("judge/a.yaml", "x")]],
)
def test_no_judge_files(files):
    report = judge_report(*files)
    assert "judges" not in report["resources"]
    assert codes(report) == ["package.manifest_invalid"]


def test_judges_are_checked_on_every_road():
    for package in ([], [("package.json", None)], [("package.json", "{")], [("package.json", "{}")]):
        report = check(package + [("judges/a.yaml", "[]")])
        assert "judge.invalid" in codes(report)
        assert report["resources"]["judges"] == 1


def test_valid_judge_has_no_diagnostics():
    assert judge_codes(VALID) == []


def test_unreadable_and_shapes():
    report = judge_report(("judges/a.yaml", None))
    assert [d["code"] for d in report["diagnostics"][1:]] == ["judge.unreadable"]
    for content in ("[]", "just text", "42", "~"):
        d = only(content)
        assert (d["code"], d["message"], d["help"]) == (
            "judge.invalid", "Judge file must contain a YAML mapping", "make the top-level YAML value a mapping",
        )


def test_yaml_malformed_has_span_from_error_text():
    d = only("judge: a\njudge: b\n")
    assert d["code"] == "judge.yaml_malformed"
    assert d["message"].startswith("Judge file is not valid YAML: ")
    assert d["help"] == "fix the YAML syntax"
    assert d["span"]["line"] == 2


@pytest.mark.parametrize(
    "key",
    ["baseline", "line 9, column 9", "a\tb\nc", "k" * 100 + "line" + "y" * 100],
    ids=["word", "position-words", "tab-line-feed", "long"],
)
def test_yaml_errors_naming_a_key_keep_their_span(key):
    # The YAML layer's own message writes the key so that the first "line"
    # in the text is the position after it.
    content = VALID + json.dumps(key) + ": 1\n" + json.dumps(key) + ": 2\n"
    d = only(content)
    assert d["code"] == "judge.yaml_malformed"
    assert d["span"] == {"line": 6, "column": 1}


@pytest.mark.parametrize(
    "key",
    ["baseline", "line 9, column 9", "a\tb\nc", "k" * 100 + "line" + "y" * 100],
    ids=["word", "position-words", "tab-line-feed", "long"],
)
def test_unknown_fields_name_the_key_as_written(key):
    d = only(VALID + json.dumps(key) + ": 1\n")
    assert d["code"] == "judge.unknown_field"
    assert d["message"] == f"judge definition contains unknown field '{key}'"
    assert "span" not in d


def test_empty_mapping():
    assert judge_codes("{}") == ["judge.name_missing", "judge.instructions_missing", "judge.llm_missing"]


@pytest.mark.parametrize(
    "name, message, help_text",
    [
        ("'  '", "Judge name must be a non-empty string", "set judge to a unique name containing at most 255 characters"),
        ("[a]", "Judge name must be a non-empty string", "set judge to a unique string name"),
        ("5", "Judge name must be a non-empty string", "set judge to a unique string name"),
        ("x" * 256, "Judge name must contain at most 255 characters", "shorten the judge name"),
        ("'" + " " * 2 + "x" * 254 + "'", "Judge name must contain at most 255 characters", "shorten the judge name"),
    ],
)
def test_name_variants(name, message, help_text):
    d = only(VALID.replace("judge: tone", f"judge: {name}"))
    assert (d["code"], d["message"], d["help"]) == ("judge.name_invalid", message, help_text)


def test_name_limits_count_characters():
    assert judge_codes(VALID.replace("judge: tone", "judge: " + "\u00e9" * 255)) == []
    assert judge_codes(VALID.replace("judge: tone", "judge: null")) == ["judge.name_missing"]


@pytest.mark.parametrize(
    "line, expected",
    [
        ("description: null", []),
        ("description: ''", []),
        ("description: " + "d" * 2000, []),
        ("description: " + "d" * 2001, ["judge.description_invalid"]),
        ("description: [x]", ["judge.description_invalid"]),
        ("instructions: '   '", ["judge.instructions_invalid"]),
        ("instructions: 7", ["judge.instructions_invalid"]),
    ],
)
def test_description_and_instructions(line, expected):
    content = VALID.replace("instructions: Score tone.", "") + line + "\n"
    if not line.startswith("instructions"):
        content = VALID + line + "\n"
    assert judge_codes(content) == expected


def test_instructions_variants_texts():
    d = only(VALID.replace("Score tone.", "'  '"))
    assert (d["message"], d["help"]) == ("Judge instructions must be non-empty", "write the grading rubric under `instructions`")
    d = only(VALID.replace("Score tone.", "[a]"))
    assert (d["message"], d["help"]) == (
        "Judge instructions must be a non-empty string", "use a YAML string or block scalar for the grading rubric",
    )


def test_unknown_top_level_fields_in_key_order():
    diags = judge_diags(VALID + "zeta: 1\nalpha: 2\n")
    assert [(d["code"], d["message"], d["help"]) for d in diags] == [
        ("judge.unknown_field", "judge definition contains unknown field 'alpha'",
         "supported fields: description, instructions, judge, llm, on"),
        ("judge.unknown_field", "judge definition contains unknown field 'zeta'",
         "supported fields: description, instructions, judge, llm, on"),
    ]


@pytest.mark.parametrize(
    "gate, expected",
    [
        ("on: {}", []),
        ("on: []", []),
        ("on: null", []),
        ("on: {event: message}", ["judge.on_invalid"]),
        ("on: text", ["judge.on_invalid"]),
        ("on: [text]", ["judge.on.matcher_invalid"]),
        ("on: [{event: message}]", []),
        ("on: [{event: Message}]", ["judge.on.event_invalid"]),
        ("on: [{event: 5}]", ["judge.on.event_invalid"]),
        ("on: [{event: tool, match: null}]", ["judge.on.match_invalid"]),
        ("on: [{event: tool, match: [a]}]", ["judge.on.match_invalid"]),
        ("on: [{event: tool, extra: 1}]", ["judge.on.matcher_unknown_field"]),
        ("on: [{match: {a: '/(/'}}]", ["judge.on.event_invalid", "judge.on.regex_invalid"]),
        ("on: [{event: tool, match: {'': '/a(/'}}]", ["judge.on.match_field_invalid", "judge.on.regex_invalid"]),
        ("on: [{event: tool, match: {environment: x, runtime_group: y, context.pattern_id: z, pattern_id: w}}]",
         ["judge.on.match_field_prohibited"] * 4),
        ("on: [{event: tool, match: {environment.name: x, pattern_id.name: y, my_pattern_id: z}}]", []),
        ("on: [{event: tool, match: {a: /abc, b: abc/, c: /a/, d: //, e: 5, f: {x: 1}, g: [/ok/]}}]", []),
        ("on: [{event: tool, match: {a: /a/x}}]", ["judge.on.regex_invalid"]),
        ("on: [{event: tool, match: {a: [/ok/, [/(/]]}}]", ["judge.on.regex_invalid"]),
    ],
)
def test_gate(gate, expected):
    assert judge_codes(VALID + gate + "\n") == expected


def test_gate_messages():
    diags = judge_diags(
        VALID + "on:\n  - event: Message\n    match:\n      role: /a/xi\n      name: /a/ii\n      text: /(/\n"
    )
    assert [(d["message"], d["help"]) for d in diags] == [
        ("Judge on[0] uses unsupported event kind 'Message'", "use message, tool, or feedback"),
        ("Judge on[0].match.name uses duplicate regex flag in '/a/ii'", "use unique regex flags from i, m, s, and u"),
        ("Judge on[0].match.role uses unsupported regex flags in '/a/xi'; supported flags are i, m, s, and u",
         "use unique regex flags from i, m, s, and u"),
        ("Judge on[0].match.text contains invalid regex '/(/': "
         + diags[3]["message"].split("': ", 1)[1], "fix the Rust-compatible regex syntax"),
    ]
    assert "unclosed group" in diags[3]["message"]


@pytest.mark.parametrize(
    "llm, expected",
    [
        ("llm: {}", ["judge.llm.model_missing"]),
        ("llm: null", ["judge.llm_invalid"]),
        ("llm: [m]", ["judge.llm_invalid"]),
        ("llm: {model: m, provider: ' openai'}", ["judge.llm.provider_invalid"]),
        ("llm: {model: m, provider: null}", ["judge.llm.provider_invalid"]),
        ("llm: {model: m, provider: my-provider-2}", []),
        ("llm: {model: ' m'}", ["judge.llm.model_invalid"]),
        ("llm: {model: " + "m" * 256 + "}", ["judge.llm.model_invalid"]),
        ("llm: {model: 5}", ["judge.llm.model_invalid"]),
        ("llm: {model: m, request: null}", ["judge.llm.request_invalid"]),
        ("llm: {model: m, transport: null}", ["judge.llm.transport_invalid"]),
        ("llm: {model: m, local: null}", []),
        ("llm: {model: m, local: 5}", ["judge.llm.local_invalid"]),
        ("llm: {model: m, local: {}}", ["judge.llm.local.base_url_invalid", "judge.llm.local.api_key_env_invalid"]),
        ("llm: {model: m, request: {temperature: 2}}", []),
        ("llm: {model: m, request: {temperature: 2.5}}", ["judge.llm.request.temperature_invalid"]),
        ("llm: {model: m, request: {temperature: -0.1}}", ["judge.llm.request.temperature_invalid"]),
        ("llm: {model: m, request: {temperature: null}}", ["judge.llm.request.temperature_invalid"]),
        ("llm: {model: m, request: {temperature: .nan}}", ["judge.llm.request.temperature_invalid"]),
        ("llm: {model: m, request: {max_tokens: null}}", []),
        ("llm: {model: m, request: {max_tokens: 5.0}}", ["judge.llm.request.max_tokens_invalid"]),
        ("llm: {model: m, request: {max_tokens: 131073}}", ["judge.llm.request.max_tokens_invalid"]),
        ("llm: {model: m, request: {max_tokens: 0}}", ["judge.llm.request.max_tokens_invalid"]),
        ("llm: {model: m, request: {reasoning_effort: x-high}}", []),
        ("llm: {model: m, request: {reasoning_effort: High}}", ["judge.llm.request.reasoning_effort_invalid"]),
        ("llm: {model: m, transport: {timeout_ms: 0}}", ["judge.llm.transport.timeout_ms_invalid"]),
        ("llm: {model: m, transport: {max_retries: -1}}", ["judge.llm.transport.max_retries_invalid"]),
        ("llm: {model: m, transport: {max_retries: 11}}", ["judge.llm.transport.max_retries_invalid"]),
        ("llm: {model: m, transport: {max_retry_delay_ms: 60000}}", []),
        ("llm: {model: m, transport: {max_retry_delay_ms: null}}", ["judge.llm.transport.max_retry_delay_ms_invalid"]),
        ("llm: {model: m, request: {x: 1}, transport: {y: 2}, local: {base_url: 'https://h', api_key_env: K, z: 3}, w: 4}",
         ["judge.llm.unknown_field", "judge.llm.request.unknown_field", "judge.llm.transport.unknown_field",
          "judge.llm.local.unknown_field"]),
    ],
)
def test_llm(llm, expected):
    content = "judge: tone\ninstructions: x\n" + llm + "\n"
    assert judge_codes(content) == expected


@pytest.mark.parametrize(
    "url, variant",
    [
        ("http://localhost:8080/v1", None),
        ("http://127.0.0.1/v1", None),
        ("http://[::1]:9/", None),
        ("https://api.example.com/v1", None),
        ("http://127.0.0.2/", "combined"),
        ("http://example.com/", "combined"),
        ("https://user@example.com/", "combined"),
        ("https://example.com/?", "combined"),
        ("https://example.com/#", "combined"),
        ("mailto:x@y", "combined"),
        ("ftp://host/", "combined"),
        ("not a url", "parse"),
        ("http://exa mple.com", "parse"),
    ],
)
def test_base_url(url, variant):
    content = VALID + f"  local:\n    base_url: '{url}'\n    api_key_env: KEY\n"
    diags = judge_diags(content)
    messages = {
        "combined": "Judge llm.local.base_url must use HTTP(S), contain no credentials/query/fragment, and use HTTPS outside localhost",
        "parse": "Judge llm.local.base_url is not a valid URL",
    }
    if variant is None:
        assert diags == []
    else:
        assert [d["message"] for d in diags] == [messages[variant]]


@pytest.mark.parametrize(
    "env, ok",
    [("JUDGE_API_KEY", True), ("_K3Y", True), ("1KEY", False), ("MY-KEY", False), ("''", False), ("5", False)],
)
def test_api_key_env(env, ok):
    content = VALID + f"  local:\n    base_url: https://h\n    api_key_env: {env}\n"
    assert judge_codes(content) == ([] if ok else ["judge.llm.local.api_key_env_invalid"])


def test_duplicate_names_follow_every_file_diagnostic():
    report = judge_report(
        ("judges/a.yaml", VALID),
        ("judges/b.yaml", VALID + "extra: 1\n"),
        ("judges/c.yaml", VALID),
        ("judges/d.yaml", VALID.replace("tone", "'tone '")),
    )
    diags = report["diagnostics"][1:]
    assert [(d["code"], d["path"]) for d in diags] == [
        ("judge.unknown_field", "judges/b.yaml"),
        ("judge.name_duplicate", "judges/b.yaml"),
        ("judge.name_duplicate", "judges/c.yaml"),
    ]
    assert diags[1]["message"] == "Judge name 'tone' is already declared in judges/a.yaml"
    assert diags[1]["help"] == "give every judge in the recipe a unique name"


def test_many_judge_files_scale():
    files = [(f"judges/j{i:05}.yaml", VALID.replace("tone", f"t{i}")) for i in range(10000)]
    report = check([("package.json", "[]")] + files)
    assert report["resources"]["judges"] == 10000

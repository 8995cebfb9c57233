import json

import pytest

import kelp_recipe_check as krc

VALID = "judge: {name}\ninstructions: Grade it.\nllm:\n  model: gpt-4o-mini\n"


def batch(*sources):
    return krc.parse_judge_definitions_json(json.dumps([{"path": p, "content": c} for p, c in sources]))


def batch_error(*sources):
    with pytest.raises(ValueError) as err:
        batch(*sources)
    return str(err.value)


def test_one_valid_source_is_written_exactly():
    assert batch(("judges/a.yaml", VALID.format(name="tone"))) == (
        '[{"source_path":"judges/a.yaml","definition":{"judge":"tone","on":{},"llm":{"provider":"openai",'
        '"model":"gpt-4o-mini","request":{"temperature":0.0},"transport":{"timeout_ms":60000,"max_retries":0,'
        '"max_retry_delay_ms":5000}},"instructions":"Grade it."}}]'
    )


def test_full_definition_round_trip():
    source = """\
judge: "t\\"ab"
description: ''
on:
  - match: {role: /^a$/i}
    event: message
llm:
  provider: ' openai '
  model: m
  request: {temperature: -0.0, max_tokens: 5, reasoning_effort: high}
  transport: {max_retries: 3}
  local: {base_url: 'http://127.1:8080/v1', api_key_env: KEY}
instructions: x
"""
    (parsed,) = json.loads(batch(("a.yaml", source)))
    d = parsed["definition"]
    assert d["judge"] == 't"ab' and d["description"] == ""
    assert d["on"] == [{"event": "message", "match": {"role": "/^a$/i"}}]
    assert d["llm"]["provider"] == " openai "
    assert d["llm"]["transport"] == {"timeout_ms": 60000, "max_retries": 3, "max_retry_delay_ms": 5000}
    assert d["llm"]["local"] == {"base_url": "http://127.1:8080/v1", "api_key_env": "KEY"}
    assert '"temperature":-0.0,"max_tokens":5,"reasoning_effort":"high"' in batch(("a.yaml", source))


def test_sources_come_back_sorted_by_path_bytes():
    out = json.loads(batch(("judges/a.yaml", VALID.format(name="a")), ("judges/B.yaml", VALID.format(name="b")),
                           ("a.yaml.bak", VALID.format(name="c")), ("a.yaml", VALID.format(name="d"))))
    assert [j["source_path"] for j in out] == ["a.yaml", "a.yaml.bak", "judges/B.yaml", "judges/a.yaml"]


def test_duplicate_name_fails_on_the_later_path():
    assert batch_error(("z.yaml", VALID.format(name="same")), ("a.yaml", VALID.format(name="same"))) == (
        'duplicate judge name "same"'
    )
    # Names differing in blanks or case are different names.
    batch(("a.yaml", VALID.format(name="Same")), ("b.yaml", VALID.format(name="'same '")))


def test_first_failure_in_path_order_wins():
    message = batch_error(
        ("b.yaml", VALID.format(name="x")), ("c.yaml", VALID.format(name="x")), ("a.yaml", "judge: a\nllm: {model: m}\n")
    )
    assert message == "judge YAML a.yaml has empty instructions"


@pytest.mark.parametrize(
    "content, start",
    [
        ("llm: {model: m}\ninstructions: x\n", "parsing judge YAML p.yaml: missing field `judge`"),
        ("Judge: x\n", "parsing judge YAML p.yaml: unknown field `Judge`, expected one of judge, description, on, llm, instructions"),
        ("judge: a\nllm: {model: m}\n---\njudge: b\n", "parsing judge YAML p.yaml: "),
        ("judge: a\nllm: null\n", "parsing judge YAML p.yaml: missing field `model`"),
    ],
)
def test_yaml_errors_are_prefixed(content, start):
    message = batch_error(("p.yaml", content))
    assert message.startswith(start)
    assert " at line " in message


@pytest.mark.parametrize(
    "change, message",
    [
        (("gpt-4o-mini", "' m'"), "judge YAML p.yaml has invalid llm.model"),
        (("model: gpt-4o-mini", "model: m\n  provider: OpenAI"), "judge YAML p.yaml has invalid llm.provider"),
        (("Grade it.", "'  '"), "judge YAML p.yaml has empty instructions"),
        (("judge: x", "judge: x\non: {event: message}"), "judge `on` must be a list of event matchers"),
        (("judge: x", "judge: x\non: [{event: Message}]"), 'unknown judge gate event "Message"'),
        (("judge: x", "judge: x\non: [{event: tool, match: {a: /x/ig}}]"),
         'unsupported regex flags in "/x/ig"; contract 1 supports i, m, s, and u'),
    ],
)
def test_validation_errors(change, message):
    assert batch_error(("p.yaml", VALID.format(name="x").replace(*change))) == message


@pytest.mark.parametrize(
    "url, error",
    [
        ("https://xn--a/", "invalid international domain name"),
        ("https://XN--ls8h=/", "invalid international domain name"),
        ("http://10.0.0.xn--pokxncvks", "invalid international domain name"),
        ("https://xn--nxasmq6b.com/v1", None),
        ("https://1.\u064a/v1", None),
    ],
)
def test_base_url_hosts_with_punycode_labels(url, error):
    source = VALID.format(name="x") + f"  local:\n    base_url: '{url}'\n    api_key_env: KEY\n"
    if error is None:
        (parsed,) = json.loads(batch(("p.yaml", source)))
        assert parsed["definition"]["llm"]["local"]["base_url"] == url
    else:
        assert batch_error(("p.yaml", source)) == f"judge YAML p.yaml has invalid llm.local.base_url: {error}"


def test_schema_text():
    schema = krc.judge_definition_schema_json()
    assert len(schema.encode()) == 6198
    assert schema.count("\n") + 1 == 226
    doc = json.loads(schema)
    assert list(doc) == ["$defs", "$schema", "additionalProperties", "description", "properties", "required", "title", "type"]
    assert doc["required"] == ["judge", "llm", "instructions"]
    assert '"default": 0.0' in schema and '"maximum": 2.0' in schema
    assert not schema.endswith("\n")


FIELDS = {
    "top": "judge, description, on, llm, instructions",
    "llm": "provider, model, request, transport, local",
    "request": "temperature, max_tokens, reasoning_effort",
    "transport": "timeout_ms, max_retries, max_retry_delay_ms",
    "local": "base_url, api_key_env",
}
LONG_KEY = "k" * 100 + "line" + "y" * 100


@pytest.mark.parametrize(
    "content, key, record",
    [
        ("baseline: 1\n", "baseline", "top"),
        (LONG_KEY + ": 1\n", LONG_KEY, "top"),
        ('"a\\tb\\nc": 1\n', "a\tb\nc", "top"),
        ("'line 9, column 9': 1\n", "line 9, column 9", "top"),
        ("judge: j\nllm: {model: m, pipeline: 1}\n", "pipeline", "llm"),
        ("judge: j\nllm: {model: m, " + LONG_KEY + ": 1}\n", LONG_KEY, "llm"),
        ("judge: j\nllm: {model: m, request: {\"inline\\t\": 1}}\n", "inline\t", "request"),
        ("judge: j\nllm: {model: m, transport: {\"dead\\nline\": 1}}\n", "dead\nline", "transport"),
        ("judge: j\nllm: {model: m, local: {online: x}}\n", "online", "local"),
    ],
    ids=["top-baseline", "top-long", "top-tab-line-feed", "top-position-words", "llm-pipeline", "llm-long",
         "request-tab", "transport-line-feed", "local-online"],
)
def test_unknown_field_keys_stand_as_written(content, key, record):
    message = batch_error(("p.yaml", content))
    assert message.startswith(
        f"parsing judge YAML p.yaml: unknown field `{key}`, expected one of {FIELDS[record]} at line "
    )

import json

import pytest

import kelp_recipe_check as krc


def snapshot_error(text):
    with pytest.raises(ValueError) as err:
        krc.check_recipe_files_json(text)
    message = str(err.value)
    assert message.startswith("invalid recipe snapshot: ")
    return message[len("invalid recipe snapshot: "):]


def sources_error(text):
    with pytest.raises(ValueError) as err:
        krc.parse_judge_definitions_json(text)
    message = str(err.value)
    assert message.startswith("invalid judge sources: ")
    return message[len("invalid judge sources: "):]


@pytest.mark.parametrize(
    "text, error",
    [
        ("", "EOF while parsing a value at line 1 column 0"),
        ("   ", "EOF while parsing a value at line 1 column 3"),
        ("{}", "missing field `files` at line 1 column 2"),
        ("[]", "invalid length 0, expected struct RecipeFiles with 2 elements at line 1 column 2"),
        ('{"files":[],"files":[]}', "duplicate field `files` at line 1 column 19"),
        ('{"files":1}', "invalid type: integer `1`, expected a sequence at line 1 column 10"),
        ('{"files":-1}', "invalid type: integer `-1`, expected a sequence at line 1 column 11"),
        ('{"files":1.5}', "invalid type: floating point `1.5`, expected a sequence at line 1 column 12"),
        ('{"files":"ab"}', 'invalid type: string "ab", expected a sequence at line 1 column 13'),
        ('{"files":{}}', "invalid type: map, expected a sequence at line 1 column 9"),
        ('{"files":true}', "invalid type: boolean `true`, expected a sequence at line 1 column 13"),
        ('{"files":[1]}', "invalid type: integer `1`, expected struct RecipeFile at line 1 column 11"),
        ('{"files":[{"path":null}]}', "invalid type: null, expected a string at line 1 column 22"),
        ('{"files":[{"path":[]}]}', "invalid type: sequence, expected a string at line 1 column 18"),
        ('{"files":[{}]}', "missing field `path` at line 1 column 12"),
        ('{"files":[["a"]]}', "invalid length 1, expected struct RecipeFile with 2 elements at line 1 column 15"),
        ('{"files":[["a",null,1]]}', "trailing characters at line 1 column 21"),
        ('{"files":[],"directories":null}', "invalid type: null, expected a sequence at line 1 column 30"),
        ('{"files":[]} x', "trailing characters at line 1 column 14"),
        ('{"files":[],}', "trailing comma at line 1 column 13"),
        ('{"files":[],"directories":["a",]}', "trailing comma at line 1 column 32"),
        ('{"files" []}', "expected `:` at line 1 column 10"),
        ('{"files":[] "x":1}', "expected `,` or `}` at line 1 column 13"),
        ('{1:2}', "key must be a string at line 1 column 2"),
        ('{"files":[}', "expected value at line 1 column 11"),
        ('{"files":[', "EOF while parsing a list at line 1 column 10"),
        ('{"files', "EOF while parsing a string at line 1 column 7"),
        ('{"x":tru}', "expected ident at line 1 column 9"),
        ('{"x":"\\q"}', "invalid escape at line 1 column 8"),
        ('{"files":[{"path":"\\ud800"}]}', "unexpected end of hex escape at line 1 column 26"),
        ('{"files":[{"path":"\\udc00"}]}', "lone leading surrogate in hex escape at line 1 column 25"),
        ('{"files":[{"path":"\\ud800\\u0041"}]}', "lone leading surrogate in hex escape at line 1 column 31"),
        ('{"files":[{"path":1e-400}]}', "invalid type: floating point `0.0`, expected a string at line 1 column 24"),
        ('{"files":[{"path":-0}]}', "invalid type: floating point `-0.0`, expected a string at line 1 column 20"),
        ('{"files":[{"path":18446744073709551616}]}',
         "invalid type: floating point `18446744073709552000.0`, expected a string at line 1 column 38"),
        ('{"x":01}', "invalid number at line 1 column 7"),
        ('{"files":[{"path":1e400}]}', "number out of range at line 1 column 23"),
        ('{"x":1e400,"files":[]}', None),
        ('{"x":"\\ud800","files":[]}', None),
        ('{"x":"a\tb"}', "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 7"),
        ('{\n"files":\n 7}', "invalid type: integer `7`, expected a sequence at line 3 column 2"),
    ],
)
def test_snapshot_errors(text, error):
    if error is None:
        # Skipped members are checked for form only, as a value of any kind.
        krc.check_recipe_files_json(text)
    else:
        assert snapshot_error(text) == error


def test_unknown_members_are_skipped_but_checked():
    text = '{"files":[],"extra":{"deep":[1,{"x":null}],"s":"\\u00e9"}}'
    assert json.loads(krc.check_recipe_files_json(text))["valid"] is False
    assert snapshot_error('{"files":[],"extra":[1,}') == "expected value at line 1 column 24"


def test_unknown_members_have_no_depth_limit():
    deep = "[" * 10000 + "]" * 10000
    assert json.loads(krc.check_recipe_files_json('{"x":' + deep + ',"files":[]}'))


@pytest.mark.parametrize(
    "text",
    [
        '{"files":[{"path":"package.json"}]}',
        '{"files":[["package.json",null]]}',
        '[[{"path":"package.json","content":null}]]',
        '[[["package.json",null]],[]]',
        '{"files":[{"content":null,"path":"package.json","other":[]}],"directories":[]}',
        ' \t\n{"files":[{"path":"package.json"}]}\r\n ',
    ],
)
def test_record_forms(text):
    report = json.loads(krc.check_recipe_files_json(text))
    assert [d["code"] for d in report["diagnostics"]] == ["package.manifest_unreadable"]


def test_array_form_of_snapshot_without_directories():
    report = json.loads(krc.check_recipe_files_json("[[]]"))
    assert report["diagnostics"][0]["code"] == "package.manifest_missing"


@pytest.mark.parametrize(
    "text, error",
    [
        ("{}", "invalid type: map, expected a sequence at line 1 column 0"),
        ("[{}]", "missing field `path` at line 1 column 3"),
        ('[{"path":"a"}]', "missing field `content` at line 1 column 13"),
        ('[{"content":"a"}]', "missing field `path` at line 1 column 16"),
        ('[["a"]]', "invalid length 1, expected struct JudgeSource with 2 elements at line 1 column 6"),
        ('[{"path":null,"content":"x"}]', "invalid type: null, expected a string at line 1 column 13"),
        ("[1]", "invalid type: integer `1`, expected struct JudgeSource at line 1 column 2"),
    ],
)
def test_judge_source_errors(text, error):
    assert sources_error(text) == error


@pytest.mark.parametrize(
    "text",
    [
        "[" * 10000,
        '{"files":' + "[" * 100000,
        '{"files":[{"path":"' + "\\u0000" * 1000 + '"}]}' + "x",
        '{"files":[{"path":' + "9" * 100000 + "}]}",
        '{"files":[{"path":1e' + "9" * 100000 + "}]}",
    ],
    ids=["open-lists", "deep-files", "escapes-then-garbage", "long-integer", "long-exponent"],
)
def test_hostile_snapshots_fail_cleanly(text):
    with pytest.raises(ValueError):
        krc.check_recipe_files_json(text)


def test_nul_and_unicode_survive():
    report = json.loads(
        krc.check_recipe_files_json(
            json.dumps({"files": [{"path": "package.json", "content": '{"name":"a\\u0000\u00e9"}'}]})
        )
    )
    assert report["package_name"] == "a\x00\u00e9"


# Positions that are only known after more text was taken, on both documents.
READERS = {"snapshot": snapshot_error, "judge sources": sources_error}


@pytest.mark.parametrize(
    "document, text, error",
    [
        ("snapshot", '"\\u12G4"', "invalid escape at line 1 column 7"),
        ("judge sources", '"\\u12G4"', "invalid escape at line 1 column 7"),
        ("snapshot", '"\\ud800\\uzzzz"', "invalid escape at line 1 column 13"),
        ("judge sources", '"\\ud800\\uzzzz"', "invalid escape at line 1 column 13"),
        ("snapshot", '{"files":[],"x":"\\u12"}', "invalid escape at line 1 column 23"),
        ("judge sources", '[{"path":"a","content":"b","x":"\\u12"}]', "invalid escape at line 1 column 38"),
    ],
)
def test_unicode_escape_is_judged_after_four_characters(document, text, error):
    assert READERS[document](text) == error


@pytest.mark.parametrize("document", READERS)
def test_exponent_overflow_is_reported_at_its_digit(document):
    assert READERS[document]("1e999999999999999999999") == "number out of range at line 1 column 12"


@pytest.mark.parametrize(
    "document, text, error",
    [
        ("snapshot", '{"files":[] , "files"\n : []}', "duplicate field `files` at line 2 column 1"),
        ("judge sources", '[{"path":"a" , "path"\n : "b"}]', "duplicate field `path` at line 2 column 1"),
    ],
)
def test_duplicate_field_is_reported_after_the_key_and_its_whitespace(document, text, error):
    assert READERS[document](text) == error


@pytest.mark.parametrize(
    "document, text, column",
    [
        ("snapshot", '{"files":[],"x":"a\tb"}', 18),
        ("judge sources", '[{"path":"a","content":"b","x":"a\tb"}]', 33),
        # Strings that are read keep the position of the character itself.
        ("snapshot", '{"files":[{"path":"a\tb"}]}', 21),
        ("judge sources", '[{"path":"a\tb","content":""}]', 12),
    ],
)
def test_control_character_position(document, text, column):
    assert READERS[document](text) == (
        "control character (\\u0000-\\u001F) found while parsing a string at line 1 column %d" % column
    )

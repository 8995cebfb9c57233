import inspect
import threading

import pytest

import kelp_recipe_check as krc
from kelp_recipe_check import _native

EMPTY = '{"files":[]}'


def test_exports_and_version():
    assert _native.__all__ == [
        "__version__",
        "check_recipe_files_json",
        "parse_judge_definitions_json",
        "judge_definition_schema_json",
    ]
    assert _native.__version__ == "0.8.0"
    assert krc.__version__ == "0.8.0"


def test_signatures_and_docstrings():
    assert str(inspect.signature(_native.check_recipe_files_json)) == "(snapshot_json, profile='local')"
    assert str(inspect.signature(_native.parse_judge_definitions_json)) == "(sources_json)"
    assert str(inspect.signature(_native.judge_definition_schema_json)) == "()"
    assert _native.check_recipe_files_json.__doc__ == (
        "Validate a serialized in-memory recipe snapshot and return a serialized report."
    )
    assert _native.parse_judge_definitions_json.__doc__ == (
        "Strictly parse serialized judge YAML sources into normalized authored\n"
        "definitions, returned as JSON. Any invalid definition raises ValueError\n"
        "for the whole batch."
    )
    assert _native.judge_definition_schema_json.__doc__ == "JSON Schema for the authored judge definition."
    assert _native.check_recipe_files_json.__module__ == "kelp_recipe_check._native"


def test_empty_snapshot_report_is_exact():
    assert krc.check_recipe_files_json(EMPTY) == (
        '{"valid":false,"profile":"local","recipe_dir":".","diagnostics":[{"severity":"error",'
        '"code":"package.manifest_missing","path":"package.json","message":"Recipe is missing '
        'package.json","help":"add package.json with a non-empty kelp object"}],"resources":{}}'
    )


def test_missing_files_member():
    with pytest.raises(ValueError) as err:
        krc.check_recipe_files_json("{}")
    assert str(err.value) == "invalid recipe snapshot: missing field `files` at line 1 column 2"


def type_error(call):
    with pytest.raises(TypeError) as err:
        call()
    return err.value


def assert_note(error, parameter):
    notes = getattr(error, "__notes__", None)
    if notes is not None:
        assert notes == [f"while processing '{parameter}'"]


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: krc.check_recipe_files_json(EMPTY, "local", "x"),
         "check_recipe_files_json() takes from 1 to 2 positional arguments but 3 were given"),
        (lambda: krc.parse_judge_definitions_json("[]", "x"),
         "parse_judge_definitions_json() takes 1 positional arguments but 2 were given"),
    ],
    ids=["check-three", "parse-two"],
)
def test_rule1_too_many_positional_arguments(call, message):
    assert str(type_error(call)) == message


class Name(str):
    pass


@pytest.mark.parametrize(
    "name",
    ["snapshot", "a\x00b", "snapshot_json\x00", "\x00", "\ud800", "a\udfffb", "Snapshot_json", "é\x00ü",
     Name("snapshot")],
    ids=["plain", "inner-nul", "parameter-then-nul", "only-nul", "lone-surrogate", "inner-surrogate",
         "other-case", "non-ascii-nul", "str-subclass"],
)
def test_rule2_unknown_keyword_name_stands_whole(name):
    error = type_error(lambda: krc.check_recipe_files_json(EMPTY, **{name: EMPTY}))
    assert type(error) is TypeError
    assert str(error) == f"check_recipe_files_json() got an unexpected keyword argument '{name}'"
    error = type_error(lambda: krc.parse_judge_definitions_json("[]", **{name: 1}))
    assert str(error) == f"parse_judge_definitions_json() got an unexpected keyword argument '{name}'"


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: krc.check_recipe_files_json(EMPTY, snapshot_json=EMPTY),
         "check_recipe_files_json() got multiple values for argument 'snapshot_json'"),
        (lambda: krc.check_recipe_files_json(EMPTY, "local", profile="ci"),
         "check_recipe_files_json() got multiple values for argument 'profile'"),
        (lambda: krc.parse_judge_definitions_json("[]", sources_json="[]"),
         "parse_judge_definitions_json() got multiple values for argument 'sources_json'"),
    ],
    ids=["snapshot", "profile", "sources"],
)
def test_rule2_multiple_values(call, message):
    assert str(type_error(call)) == message


def test_rule2_keywords_match_parameters_in_any_order():
    report = krc.check_recipe_files_json(profile=Name("ci"), snapshot_json=EMPTY)
    assert report.startswith('{"valid":false,"profile":"ci"')
    assert krc.parse_judge_definitions_json(sources_json="[]") == "[]"
    assert krc.parse_judge_definitions_json(**{Name("sources_json"): "[]"}) == "[]"


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: krc.check_recipe_files_json(),
         "check_recipe_files_json() missing 1 required positional argument: 'snapshot_json'"),
        (lambda: krc.check_recipe_files_json(profile="ci"),
         "check_recipe_files_json() missing 1 required positional argument: 'snapshot_json'"),
        (lambda: krc.parse_judge_definitions_json(),
         "parse_judge_definitions_json() missing 1 required positional argument: 'sources_json'"),
    ],
    ids=["check-nothing", "check-profile-only", "parse-nothing"],
)
def test_rule3_missing_required_argument(call, message):
    assert str(type_error(call)) == message


def type_named(name):
    return type("Placeholder", (), {"__qualname__": name})


@pytest.mark.parametrize(
    "call, message, parameter",
    [
        (lambda: krc.check_recipe_files_json(b"{}"), "'bytes' object is not an instance of 'str'", "snapshot_json"),
        (lambda: krc.check_recipe_files_json(None), "'None' is not an instance of 'str'", "snapshot_json"),
        (lambda: krc.check_recipe_files_json(EMPTY, None), "'None' is not an instance of 'str'", "profile"),
        (lambda: krc.check_recipe_files_json(EMPTY, profile=1), "'int' object is not an instance of 'str'", "profile"),
        (lambda: krc.parse_judge_definitions_json([]), "'list' object is not an instance of 'str'", "sources_json"),
        (lambda: krc.check_recipe_files_json(type_named("A\x00B")()),
         "'A\x00B' object is not an instance of 'str'", "snapshot_json"),
        (lambda: krc.parse_judge_definitions_json(type_named("Outer.\x00")()),
         "'Outer.\x00' object is not an instance of 'str'", "sources_json"),
        (lambda: krc.check_recipe_files_json(EMPTY, type_named("T\ud800")()),
         "'T\ud800' object is not an instance of 'str'", "profile"),
    ],
    ids=["bytes", "none-snapshot", "none-profile", "int-profile", "list-sources", "type-name-with-nul",
         "type-name-ending-in-nul", "type-name-with-surrogate"],
)
def test_rule4_non_text_arguments(call, message, parameter):
    error = type_error(call)
    assert str(error) == message
    assert_note(error, parameter)


@pytest.mark.parametrize(
    "call, parameter",
    [
        (lambda: krc.check_recipe_files_json("\ud800"), "snapshot_json"),
        (lambda: krc.check_recipe_files_json(EMPTY, "local\udc80"), "profile"),
        (lambda: krc.check_recipe_files_json(snapshot_json=EMPTY, profile="\ud800"), "profile"),
        (lambda: krc.parse_judge_definitions_json("[\udfff]"), "sources_json"),
    ],
    ids=["snapshot", "profile", "profile-by-keyword", "sources"],
)
def test_rule4_lone_surrogate_value_is_an_encoding_error_with_note(call, parameter):
    with pytest.raises(UnicodeEncodeError) as err:
        call()
    assert_note(err.value, parameter)


def test_str_subclass_is_accepted():
    class Text(str):
        pass

    assert krc.check_recipe_files_json(Text(EMPTY), Text("ci")).startswith('{"valid":false,"profile":"ci"')


def test_keyword_only_snapshot_defaults_to_local():
    assert '"profile":"local"' in krc.check_recipe_files_json(snapshot_json=EMPTY)


@pytest.mark.parametrize(
    "profile, shown",
    [
        ("CI", '"CI"'),
        ("", '""'),
        ('a"b\\c', '"a\\"b\\\\c"'),
        ("\t\r\n\0", '"\\t\\r\\n\\0"'),
    ],
)
def test_unknown_profile(profile, shown):
    with pytest.raises(ValueError) as err:
        krc.check_recipe_files_json(EMPTY, profile)
    assert str(err.value) == f"unknown check profile {shown}; expected local, ci, or publish"


def test_bad_snapshot_wins_over_bad_profile():
    with pytest.raises(ValueError) as err:
        krc.check_recipe_files_json("not json", "nope")
    assert str(err.value).startswith("invalid recipe snapshot: ")


@pytest.mark.parametrize("profile", ["local", "ci", "publish"])
def test_profiles_are_echoed(profile):
    assert f'"profile":"{profile}"' in krc.check_recipe_files_json(EMPTY, profile)


def test_schema_takes_no_arguments():
    with pytest.raises(TypeError):
        krc.judge_definition_schema_json(1)
    assert krc.judge_definition_schema_json() == krc.judge_definition_schema_json()


def test_empty_judge_batch():
    assert krc.parse_judge_definitions_json("[]") == "[]"


def test_judge_sources_error_prefix():
    with pytest.raises(ValueError) as err:
        krc.parse_judge_definitions_json('[{"path":"a","content":null}]')
    assert str(err.value) == (
        "invalid judge sources: invalid type: null, expected a string at line 1 column 27"
    )


def test_lock_is_released_during_a_check():
    # Many judge files keep the native check busy; the main thread must keep
    # running Python code meanwhile.
    big = '{"files":[' + ",".join(
        f'{{"path":"judges/j{i}.yaml","content":"judge: j{i}\\nllm: {{model: m}}"}}' for i in range(30000)
    ) + "]}"
    worker = threading.Thread(target=krc.check_recipe_files_json, args=(big,))
    count = 0
    worker.start()
    while worker.is_alive():
        count += 1
    worker.join()
    assert count > 1000

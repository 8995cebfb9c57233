"""Texts written by an ordinary YAML emitter read back exactly.

Random texts are written by PyYAML in each scalar style, at several indents
and line widths, in block and flow context, as a judge's instructions and
description and as a key and a value of its gate, and read back through
the strict judge road, which returns texts as they were read.
"""

import json
import math
import re

import pytest
from hypothesis import HealthCheck, assume, given, settings
from hypothesis import strategies as st

import kelp_recipe_check as krc

yaml = pytest.importorskip("yaml")  # PyYAML, the writer of the texts (a test-only dependency)

EXAMPLES = settings(max_examples=120, deadline=None, suppress_health_check=[HealthCheck.too_slow, HealthCheck.filter_too_much])

# The Unicode White_Space set, which the judge rules trim.
WHITE_SPACE = "\t\n\x0b\x0c\r \x85\xa0\u1680" + "".join(map(chr, range(0x2000, 0x200B))) + "\u2028\u2029\u202f\u205f\u3000"

# YAML 1.1 (PyYAML) reads these as line breaks and a byte-order mark where
# YAML 1.2 reads text; only PyYAML's double-quoted escapes of them carry over.
ONLY_ESCAPED = "\x85\u2028\u2029\ufeff"

CHARACTERS = st.sampled_from(
    list("aZ09 \t\n\r'\"\\#:-?,[]{}&*!|>%@`~=.^$/")
    + ["é", "ß", "€", "中", "😀", "\x07", "\x1b", "\x00", "\x7f", "\xa0", "\u3000"]
    + list(ONLY_ESCAPED)
)
PIECES = st.sampled_from(
    [": ", "- ", " #", "# ", "''", '\\"', "\\n", "\n\n", "\n \n", "  ", " \t", "\t ", "---", "...", "? ", "key: value",
     "x" * 30, "word " * 8]
)
# Without tabs, control characters and carriage returns, which make PyYAML
# fall back to double quotes, so that the other styles are written too.
TAME_CHARACTERS = st.sampled_from(list("aZ09 '\"\\#:-?,&*!%@`~=./") + ["é", "ß", "€", "中", "😀", "\n"])
TAME_PIECES = st.sampled_from([": ", "- ", " #", "''", "\n\n", "\n  x", "key: value", "x" * 30, "word " * 8])
TEXTS = st.one_of(
    st.lists(CHARACTERS | PIECES, min_size=1, max_size=24).map("".join),
    st.lists(TAME_CHARACTERS | TAME_PIECES, min_size=1, max_size=24).map("".join),
)

STYLES = {"plain": None, "single": "'", "double": '"', "literal": "|", "folded": ">"}
# Scalars of the fixed part of the document; a random text equal to one of
# them could not be told apart in the emitted events.
FIXED = {"judge", "j", "llm", "model", "m", "instructions", "Grade it.", "on", "event", "message", "match", "k", "v",
         "description"}


class Styled(str):
    """A text that asks PyYAML for one scalar style."""

    style = None


class Writer(yaml.SafeDumper):
    pass


Writer.add_representer(
    Styled, lambda dumper, data: dumper.represent_scalar("tag:yaml.org,2002:str", str(data), style=data.style)
)


def styled(text, style):
    s = Styled(text)
    s.style = style
    return s


def ascii_lower(text):
    return "".join(chr(ord(c) + 32) if "A" <= c <= "Z" else c for c in text)


def plain_value(text):
    """Our typing of a plain scalar, as the JSON output writes it."""
    low = ascii_lower(text)
    if low in ("y", "yes", "on", "true"):
        return True
    if low in ("n", "no", "off", "false"):
        return False
    if text in ("", "~") or low == "null":
        return None
    if re.fullmatch(r"\+?[0-9]+", text) and int(text) < 2**64:
        return int(text)
    if re.fullmatch(r"[-+]?[0-9]+", text) and -(2**63) <= int(text) < 2**63:
        return int(text)
    if text in (".nan", ".NaN", ".NAN") or re.fullmatch(r"[-+]?\.(inf|Inf|INF)", text):
        return None  # a non-finite number is written as null
    if re.fullmatch(r"[-+]?([0-9]+(\.[0-9]*)?|\.[0-9]+)([eE][-+]?[0-9]+)?", text):
        value = float(text)
        return value if math.isfinite(value) else None
    return text


def is_null_like(text):
    return text in ("", "~") or ascii_lower(text) == "null"


def write_judge(slot, text, style, flow, indent, width, explicit_start):
    """The judge source with `text` in `slot`, and the style PyYAML chose."""
    entry = {"event": "message", "match": {"k": "v"}}
    doc = {"judge": "j", "llm": {"model": "m"}, "instructions": "Grade it.", "on": [entry]}
    value = styled(text, style)
    if slot == "instructions":
        doc["instructions"] = value
    elif slot == "description":
        doc["description"] = value
    elif slot == "gate_key":
        entry["match"] = {value: "v"}
    else:
        entry["match"] = {"k": value}
    source = yaml.dump(doc, Dumper=Writer, default_flow_style=flow, indent=indent, width=width, allow_unicode=True,
                       sort_keys=False, explicit_start=explicit_start)
    # PyYAML's own reading of what it wrote; where it differs, PyYAML's
    # writer is at fault, not the reader under test.
    assume(yaml.safe_load(source) == json.loads(json.dumps(doc)))
    chosen = {event.style for event in yaml.parse(source) if isinstance(event, yaml.ScalarEvent) and event.value == text}
    assert len(chosen) == 1, (source, chosen)
    return source, chosen.pop()


def read_judge(source):
    result = json.loads(krc.parse_judge_definitions_json(json.dumps([{"path": "judges/a.yaml", "content": source}])))
    return result[0]["definition"]


def text_strategy(slot, style):
    texts = TEXTS
    if style != '"':
        texts = texts.filter(lambda t: not any(c in ONLY_ESCAPED for c in t))
    texts = texts.filter(lambda t: t not in FIXED)
    if slot == "gate_key":
        # Field paths the gate rules refuse.
        texts = texts.filter(lambda t: t not in ("environment", "runtime_group") and t.split(".")[-1] != "pattern_id")
    if slot == "gate_value":
        # A "/.../" text is a regex pattern that the gate rules compile.
        texts = texts.filter(lambda t: not (t.startswith("/") and "/" in t[1:]))
    return texts


LAYOUTS = st.tuples(
    st.sampled_from([False, True, None]),  # block, flow, flow only for innermost collections
    st.sampled_from([2, 4, 7]),
    st.sampled_from([20, 80, 4096]),  # narrow widths make PyYAML fold long scalars
    st.booleans(),
)


def check_round_trip(slot, style, text, layout):
    flow, indent, width, explicit_start = layout
    source, chosen = write_judge(slot, text, style, flow, indent, width, explicit_start)
    plain = chosen is None
    context = f"source:\n{source}"
    if slot == "instructions":
        if (plain and is_null_like(text)) or not text.strip(WHITE_SPACE):
            with pytest.raises(ValueError, match="has empty instructions"):
                read_judge(source)
            return
        assert read_judge(source)["instructions"] == text, context
    elif slot == "description":
        definition = read_judge(source)
        if plain and is_null_like(text):
            assert "description" not in definition, context
        else:
            assert definition.get("description") == text, context
    elif slot == "gate_key":
        assert read_judge(source)["on"] == [{"event": "message", "match": {text: "v"}}], context
    else:
        expected = plain_value(text) if plain else text
        got = read_judge(source)["on"][0]["match"]["k"]
        assert got == expected and type(got) is type(expected), context


@pytest.mark.parametrize("style", list(STYLES))
@pytest.mark.parametrize("slot", ["instructions", "description", "gate_key", "gate_value"])
def test_text_reads_back_exactly(slot, style):
    @EXAMPLES
    @given(text=text_strategy(slot, STYLES[style]), layout=LAYOUTS)
    def run(text, layout):
        check_round_trip(slot, STYLES[style], text, layout)

    run()


@pytest.mark.parametrize(
    "source, instructions",
    [
        # Shapes an emitter writes that a reader has been seen to get wrong.
        ("x: 'a''''b'\n", "a''b"),
        ('x: "a\\\\\\\n  b"\n', "a\\b"),
        # Three breaks between the rows: the break after "- \"" and two empty
        # rows, all kept before the more-indented row.
        ("x: >-\n  - \"\n\n\n   ''\"\n", "- \"\n\n\n ''\""),
        ("x: 'a''''bé'\n", "a''bé"),
    ],
    ids=["doubled_quotes", "escaped_line_break", "folded_blank_lines", "doubled_quotes_before_multibyte"],
)
def test_known_shapes_read_back(source, instructions):
    judge = "judge: j\nllm:\n  model: m\n" + source.replace("x:", "instructions:")
    assert read_judge(judge)["instructions"] == instructions

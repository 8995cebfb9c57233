"""Writes starting inputs for the fuzz harnesses into a working folder.

Usage: python3 fuzz/seed.py OUT_DIR

The inputs come from the bundled example recipe, from hand-written shapes,
and, when it is present beside the project, from the YAML test suite. The
working folder is for fuzzing runs; only the minimised regression corpora
under fuzz/corpus/ are kept in the repository.
"""

import json
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SUITE = os.path.join(ROOT, "..", "shared", "yaml-test-suite", "cases.json")
SEP = b"\xff"


def example_files():
    base = os.path.join(ROOT, "examples", "recipe")
    out = []
    for current, _, names in os.walk(base):
        for name in sorted(names):
            full = os.path.join(current, name)
            with open(full, "rb") as handle:
                out.append((os.path.relpath(full, base).encode(), handle.read()))
    return out


def suite_texts():
    if not os.path.exists(SUITE):
        return []
    with open(SUITE, encoding="utf-8") as handle:
        return [case["yaml"].encode() for case in json.load(handle)["cases"]]


def pairs(files):
    return SEP.join(path + SEP + content for path, content in files)


def main():
    out_dir = sys.argv[1]
    files = example_files()
    yaml_texts = [c for p, c in files if p.endswith(b".yaml")] + suite_texts()
    snapshot = json.dumps({"files": [{"path": p.decode(), "content": c.decode()} for p, c in files],
                           "directories": ["agents", "judges"]}).encode()
    seeds = {
        "json": [snapshot, b'[{"path":"judges/a.yaml","content":"judge: a"}]',
                 b'{"files":[["a",null]],"directories":[]}', b'[1,-2,3.5e10,"\\ud83d\\ude00",{"a":[]}]'],
        "yaml": yaml_texts,
        "url": [b"https://example.com:8080/a?b#c", b"http://127.0.0.1/", b"http://[::1]/",
                b"file:///tmp/x", b"https://xn--nxasmq6b.com/", b"http://0x7f.1/", b"mailto:a@b",
                "https://b\u00fccher.de/".encode()],
        "regex": [b"\x00^(?i:ok|fine)\\s+\\w+$", b"\x03\\p{Greek}+\\d{2,5}", b"\x07(?x) a # c\n b",
                  b"\x00[[:alpha:]&&[^a-c]]", b"\x00(a|b)*?c{3}\\b"],
        "glob": [b"**/*.md" + SEP + b"a/b/c.md", b"a/*/c" + SEP + b"a/b/c", b"?x*" + SEP + b"yxz"],
        "recipe": [b"\x00" + pairs(files) + SEP + b"agents",
                   b"\x01" + pairs(files + [(b"package-lock.json", b"{}")])],
        "judge_batch": [pairs([(p, c) for p, c in files if p.startswith(b"judges")])],
    }
    for name, inputs in seeds.items():
        folder = os.path.join(out_dir, name)
        os.makedirs(folder, exist_ok=True)
        for index, data in enumerate(inputs):
            with open(os.path.join(folder, "seed-%04d" % index), "wb") as handle:
                handle.write(data)
    # The judge and recipe harnesses also start from every YAML text.
    for name in ("recipe", "judge_batch"):
        for index, text in enumerate(yaml_texts):
            path = b"3" if name == "recipe" else b"judges/s.yaml"
            with open(os.path.join(out_dir, name, "yaml-%04d" % index), "wb") as handle:
                handle.write((b"\x00" if name == "recipe" else b"") + path + SEP + text)


if __name__ == "__main__":
    main()

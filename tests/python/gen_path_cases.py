"""Small random recipes that exercise the path maps and resource patterns.

Each case is a snapshot mixing deep paths, duplicate paths in several
spellings, listed directories, and kelp path lists whose patterns use "*",
"**", "?", literal prefixes, repeats, dot-slash and backslash forms. The
expected reports live in data/path_cases.json; test_path_cases.py checks the
module against them.

    python gen_path_cases.py            # print how many cases would be written
    python gen_path_cases.py --write    # rewrite data/path_cases.json from the
                                        # installed module's reports
"""

import argparse
import json
import pathlib
import random

SEED = 20261209
CASES = 300
DATA = pathlib.Path(__file__).parent / "data" / "path_cases.json"

# Segments chosen so that byte order interleaves files and directories:
# "-" and "." sort before "/", so "a-b" and "a.b" fall between "a" and "a/x".
SEGMENTS = ["a", "b", "a-b", "a.b", "agents", "skills", "prompts", "ext", "team",
            "x.yaml", "y.yml", "n.md", "m.ts", "k.js", "\u00e9.md", "ab.md", ".h",
            "judges", "a b", "*", "?"]
LEAVES = ["a.yaml", "b.yml", "c.md", "d.ts", "e.mjs", "f", ".x.yaml", "g.YAML",
          "\u00e9.md", "ab.md", "a", "a.b", "a-b"]
AGENT_TEXTS = ["name: a\ndescription: d\n", "name: [\n", "description: only\n", ""]


def random_path(rng):
    depth = rng.choice([1, 1, 2, 2, 3, 4, 6])
    if rng.random() < 0.06:
        depth = rng.randint(20, 60)
    segs = [rng.choice(SEGMENTS) for _ in range(depth - 1)]
    if depth > 8:
        segs = [rng.choice(["a", "a", "b"]) for _ in range(depth - 1)]
    segs.append(rng.choice(LEAVES))
    return "/".join(segs)


def spelled(rng, path):
    """The same path written in one of the forms that normalise to it."""
    form = rng.random()
    if form < 0.55:
        return path
    if form < 0.65:
        return "./" + path
    if form < 0.72:
        return ".\\" + path.replace("/", "\\")
    if form < 0.8:
        return "/" + path + "/"
    if form < 0.87:
        return "  " + path + " "
    if form < 0.93:
        return "././" + path
    return path.replace("/", "//", 1)


def random_pattern(rng, paths):
    kind = rng.random()
    known = rng.choice(paths) if paths else "a"
    segs = known.split("/")
    if kind < 0.15:
        return known
    if kind < 0.22:
        return rng.choice(["missing", "agents", "skills", "a/b", "a"])
    if kind < 0.32:
        # Literal prefix then a glob tail.
        cut = rng.randint(0, len(segs) - 1)
        tail = rng.choice(["*", "**", "*.yaml", "?", "*.md", "**/*.yaml", "a*", "*b"])
        return "/".join(segs[:cut] + [tail])
    if kind < 0.42:
        out = []
        for s in segs:
            r = rng.random()
            if r < 0.25:
                out.append("*")
            elif r < 0.35:
                out.append("**")
            elif r < 0.45 and s:
                i = rng.randrange(len(s))
                out.append(s[:i] + "?" + s[i + 1:])
            elif r < 0.5:
                out.append(s[:1] + "*")
            else:
                out.append(s)
        return "/".join(out)
    if kind < 0.52:
        return rng.choice(["*", "**", "?", "*/*", "**/*.yaml", "**/a", "a/**", "a/**/b",
                           "**/**", "*.md", "??.md", "?.md", "a**", "**/*.ts", "agents/*.yaml",
                           "a/*/**/*", "**/a/**", "*/", "a//*", "*\\*"])
    if kind < 0.6:
        return rng.choice(["./", ".\\", "  ./ "]) + random_pattern(rng, paths)
    if kind < 0.66:
        return random_pattern(rng, paths).replace("/", "\\")
    if kind < 0.72:
        return rng.choice(["../x", "/abs", "a/../b", "a//b", "agents/", "  ", "\\a", "a\\..\\b",
                           "", ".", "./."])
    if kind < 0.78:
        return "  " + random_pattern(rng, paths) + "\u3000"
    deep = "/".join(["a"] * rng.randint(1, 30))
    return rng.choice([deep + "/*", deep + "/**", deep, "**/" + deep, deep + "/?"])


def random_list(rng, paths):
    if rng.random() < 0.08:
        return rng.choice([None, "agents", 3, ["a", 3, "  "]])
    n = rng.choice([0, 1, 1, 2, 3, 5, 8])
    out = [random_pattern(rng, paths) for _ in range(n)]
    if out and rng.random() < 0.4:
        out += [rng.choice(out) for _ in range(rng.randint(1, 3))]
    return out


def random_case(rng, index):
    files = []
    canonical = []
    for _ in range(rng.randint(0, 14)):
        p = random_path(rng)
        canonical.append(p)
        content = None if rng.random() < 0.15 else rng.choice(AGENT_TEXTS)
        files.append({"path": spelled(rng, p), "content": content})
    # Duplicates in other spellings, some without content.
    for _ in range(rng.randint(0, 3)):
        if canonical:
            p = rng.choice(canonical)
            files.append({"path": spelled(rng, p),
                          "content": None if rng.random() < 0.5 else "dup"})
    directories = []
    for _ in range(rng.randint(0, 4)):
        p = random_path(rng)
        if rng.random() < 0.5:
            p = p.rsplit("/", 1)[0]
        canonical.append(p)
        directories.append(spelled(rng, p))
    if rng.random() < 0.1:
        directories.append(rng.choice(["", "./", "  ", "/"]))

    kelp = {}
    for key in ("agents", "extensions", "skills", "prompts"):
        if rng.random() < 0.75:
            value = random_list(rng, canonical)
            kelp[key] = value
    if rng.random() < 0.3:
        kelp["mcp"] = rng.choice([random_pattern(rng, canonical),
                                  [random_pattern(rng, canonical) for _ in range(2)],
                                  {"manifests": [random_pattern(rng, canonical)]}])
    package = {"name": "case-%d" % index, "description": "d", "kelp": kelp}
    files.append({"path": "package.json", "content": json.dumps(package)})
    rng.shuffle(files)
    doc = {"files": files}
    if directories or rng.random() < 0.5:
        doc["directories"] = directories
    return json.dumps(doc, ensure_ascii=False)


def snapshots():
    rng = random.Random(SEED)
    return [random_case(rng, i) for i in range(CASES)]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--write", action="store_true",
                        help="rewrite data/path_cases.json with the module's reports")
    args = parser.parse_args()
    cases = snapshots()
    if not args.write:
        print("%d cases; pass --write to record the reports" % len(cases))
        return
    import kelp_recipe_check as krc

    records = [{"snapshot": s, "report": krc.check_recipe_files_json(s, "local")} for s in cases]
    DATA.parent.mkdir(exist_ok=True)
    DATA.write_text(json.dumps(records, ensure_ascii=False, indent=0) + "\n", encoding="utf-8")
    print("wrote %d cases to %s" % (len(records), DATA))


if __name__ == "__main__":
    main()

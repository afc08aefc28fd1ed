#!/usr/bin/env python3
"""Seeds one fault at a time into the sources and runs the suites that could see it.

    mutants.py sample [--mutants N] [--seed S] [--folder a,b]   draw the sample file again
    mutants.py run [--build DIR] [--mutants N] [--folder a,b]   run the sample in DIR's tree
    mutants.py run ... --resume                                 go on where a stopped run ended
    mutants.py restore [--build DIR]                           put back a file a stopped run left
    mutants.py map [--coverage DIR]                             which test programs execute each mutant's line

A mutant is one line of one .cpp file changed the way a careless edit changes it. The sample is
drawn once with a seed and kept in the repository (scripts/mutants.sample), so that two runs months
apart measure the same faults; a run never draws. Each mutant is written into the source tree the
sanitizer build compiles, rebuilt with ninja, and judged by the test programs the rebuild relinked
and those that run a relinked program (their add_dependencies); then the original file is written
back and rebuilt. The original is kept in the build folder before the mutant is written, so a run
stopped by anything, even a power cut, is undone by the next run or by `restore`. Every result is
appended to the build folder's mutants-results.jsonl as it is known: a run of the whole sample takes
hours on a small machine, and `--resume` lets it go on over several sittings with one report.

`map` makes that much shorter. In the coverage build it runs each test program alone and asks gcov which
lines of the sampled files it executed (its children included: they write the same counters), and keeps,
for each mutant, the programs that execute its line. With that map, `run` judges a mutant only by those
programs and builds only them: a line no program executes survives without a build, and a line of the
store's core no longer relinks and reruns forty programs. A line the map knows nothing of (the code moved,
or the compiler made no counter for it) is judged the old way. The map also keeps, for each program, the lines
of product code that no other program executes: a program with none is a candidate for a cut, one with many
holds the line.
"""
import argparse
import hashlib
import json
import os
import random
import re
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
SAMPLE = ROOT / "scripts" / "mutants.sample"
FOLDERS = ("src", "emulator", "catalogd", "formats")
DEFAULT_COUNT = 150
DEFAULT_SEED = 32
BACKUP = "mutant-backup.json"
RESULTS = "mutants-results.jsonl"
MAP = "mutants-coverage.json"
# Suites that cost minutes (a database server) run only for a mutant that the
# others let through.
COSTLY = "postgresql"

# ---------------------------------------------------------------------------
# Reading C++: the masked text has the same length and line breaks as the source,
# with comments, the insides of literals and preprocessor lines blanked, so that
# an operator is only ever found in code.


def mask(text):
    out = list(text)
    i, n = 0, len(text)
    line_start = True

    def blank(a, b):
        for k in range(a, b):
            if out[k] != "\n":
                out[k] = " "

    while i < n:
        c = text[i]
        if c == "\n":
            line_start = True
            i += 1
            continue
        if line_start and c == "#":
            j = i
            while j < n and (text[j] != "\n" or text[j - 1] == "\\"):
                j += 1
            blank(i, j)
            i = j
            continue
        if not c.isspace():
            line_start = False
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            blank(i, j)
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            blank(i, j)
            i = j
        elif c == '"' and re.search(r"(?<![\w])(?:u8|u|U|L)?R$", text[max(0, i - 4):i]):
            m = re.match(r'"([^()\s\\]{0,16})\(', text[i:])
            end = text.find(")" + (m.group(1) if m else "") + '"', i)
            j = n if end < 0 or not m else end + len(m.group(1)) + 2
            blank(i + 1, j - 1)
            i = j
        elif c == '"' or (c == "'" and not re.search(r"(?<!\w)\d[\w']*$", text[max(0, i - 40):i])):
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            blank(i + 1, min(j, n))
            i = j + 1
        else:
            i += 1
    return "".join(out)


def close_paren(s, open_at):
    depth = 0
    for k in range(open_at, len(s)):
        depth += {"(": 1, ")": -1}.get(s[k], 0)
        if depth == 0:
            return k
    return -1


def top_level_space(s):
    depth = 0
    for c in s:
        depth += {"(": 1, ")": -1, "[": 1, "]": -1}.get(c, 0)
        if c.isspace() and depth == 0:
            return True
    return False


# ---------------------------------------------------------------------------
# The operators. Each takes the masked and the original line and yields
# (operator, mutated line). Binary operators are taken only with a space on
# each side: that is how the code writes them, and it keeps out template
# brackets, shifts, ->, references and unary signs.

SWAP_CMP = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}
SWAP_LOGIC = {"&&": "||", "||": "&&"}
BINARY = re.compile(r"(?<=\s)(<=|>=|==|!=|&&|\|\||<|>)(?=\s)")
NOT_EXPRESSIONS = re.compile(r"\b(template|operator|static_assert|requires|concept)\b")
LITERAL = re.compile(r"(?<![\w.'])(\d+)(?![\w.'])")
ARITH_BEFORE = re.compile(r"(?:^|\s)(?:[-+*/%]|[<>]=?|[=!]=) $")
ARITH_AFTER = re.compile(r"^ (?:[-+*/%]|[<>]=?|[=!]=)(?:\s|$)")
CONDITION = re.compile(r"\b(if|while)\s*\(")
DECLARES = re.compile(r"(?<![=!<>])=(?!=)|;")
RETURN = re.compile(r"\breturn\s+([^;{}]+?)\s*;")
CALL = re.compile(r"^(\s*)(?!(?:return|delete|throw|co_return|co_await|co_yield|goto|case|sizeof|new|if|for|while|switch)\b)"
                  r"[A-Za-z_]\w*(?:(?:::|\.|->)~?[A-Za-z_]\w*)*\s*\(.*\)\s*;\s*$")
KEEP_RETURNS = {"{}", "nullptr", "std::nullopt", "0"}


def comparisons(m, o):
    if NOT_EXPRESSIONS.search(m):
        return
    for x in BINARY.finditer(m):
        table = SWAP_CMP if x.group(1) in SWAP_CMP else SWAP_LOGIC
        yield ("compare" if table is SWAP_CMP else "logic",
               o[:x.start()] + table[x.group(1)] + o[x.end():])


def off_by_one(m, o):
    if NOT_EXPRESSIONS.search(m) or re.match(r"\s*case\b", m):
        return
    for x in LITERAL.finditer(m):
        if not (ARITH_BEFORE.search(m[:x.start()]) or ARITH_AFTER.match(m[x.end():])):
            continue
        value = int(x.group(1))
        for moved in (value + 1, value - 1):
            if moved >= 0:
                yield "off-by-one", o[:x.start()] + str(moved) + o[x.end():]


def conditions(m, o):
    for x in CONDITION.finditer(m):
        end = close_paren(m, x.end() - 1)
        inner = m[x.end():end]
        if end < 0 or not inner.strip() or DECLARES.search(inner):
            continue
        cond = o[x.end():end]
        # `!ready` negates to `ready`; anything wider is wrapped whole.
        if inner.startswith("!") and not top_level_space(inner):
            yield "negate", o[:x.end()] + cond[1:] + o[end:]
        else:
            yield "negate", o[:x.end()] + "!(" + cond + ")" + o[end:]
        if x.group(1) == "if":
            yield "drop-condition", o[:x.end()] + "true" + o[end:]


def returns(m, o):
    for x in RETURN.finditer(m):
        value = m[x.start(1):x.end(1)].strip()
        if value in KEEP_RETURNS:
            continue
        new = {"true": "false", "false": "true"}.get(value, "{}")
        yield "return", o[:x.start(1)] + new + o[x.end(1):]


def removed_call(m, o, previous):
    x = CALL.match(m)
    if not x or close_paren(m, m.index("(")) != len(m.rstrip()[:-1].rstrip()) - 1:
        return
    # Only a statement of its own: the line before ends one (or opens a block,
    # or is the head of a braceless if/else); a blank block keeps that body.
    if previous and not re.search(r"([;{}:)]|\belse)\s*$", previous):
        return
    yield "remove-call", x.group(1) + "{}"


def mutations_of_line(m, o, previous):
    if not m.strip():
        return []
    found = []
    for op in (comparisons, off_by_one, conditions, returns):
        found.extend(op(m, o))
    found.extend(removed_call(m, o, previous))
    return [(op, new) for op, new in found if new != o]


def mutations_of_file(rel):
    text = (ROOT / rel).read_text(encoding="utf-8")
    masked, lines = mask(text).split("\n"), text.split("\n")
    found, previous = [], ""
    for number, (m, o) in enumerate(zip(masked, lines), start=1):
        for op, new in mutations_of_line(m, o, previous):
            found.append({"file": rel, "line": number, "op": op, "from": o, "to": new})
        if m.strip():
            previous = m.rstrip()
    return found


# ---------------------------------------------------------------------------
# The sample.


def sources(folder):
    return sorted(p.relative_to(ROOT).as_posix() for p in (ROOT / folder).rglob("*.cpp"))


def draw(count, seed, folders):
    size = {f: sum((ROOT / s).read_text(encoding="utf-8").count("\n") for s in sources(f)) for f in folders}
    total = sum(size.values())
    # Largest remainder: the shares add up to the count.
    exact = {f: count * size[f] / total for f in folders}
    share = {f: int(exact[f]) for f in folders}
    for f in sorted(folders, key=lambda f: exact[f] - share[f], reverse=True)[:count - sum(share.values())]:
        share[f] += 1
    rng = random.Random(seed)
    chosen = []
    for f in folders:
        pool = [mut for s in sources(f) for mut in mutations_of_file(s)]
        chosen.extend(rng.sample(pool, min(share[f], len(pool))))
    rng.shuffle(chosen)  # any first N of the file is itself a spread sample
    return chosen


def write_sample(mutants, seed, folders):
    with open(SAMPLE, "w", encoding="utf-8") as f:
        f.write(f"# Mutants drawn by scripts/mutants.py sample --mutants {len(mutants)} --seed {seed} "
                f"--folder {','.join(folders)}\n# One JSON object a line; `make mutants` runs them in this order.\n")
        for mut in mutants:
            f.write(json.dumps(mut, ensure_ascii=False) + "\n")


def read_sample():
    with open(SAMPLE, encoding="utf-8") as f:
        return [json.loads(line) for line in f if line.strip() and not line.startswith("#")]


# ---------------------------------------------------------------------------
# The build: which programs exist, which are tests, which tests run which program.


def codemodel(build):
    reply = build / ".cmake/api/v1/reply"
    if not list(reply.glob("codemodel-v2-*.json")):
        query = build / ".cmake/api/v1/query/codemodel-v2"
        query.parent.mkdir(parents=True, exist_ok=True)
        query.touch()
        subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build)], check=True, stdout=subprocess.DEVNULL)
    index = json.loads(max(reply.glob("codemodel-v2-*.json"), key=os.path.getmtime).read_text())
    targets = {}
    for ref in index["configurations"][0]["targets"]:
        t = json.loads((reply / ref["jsonFile"]).read_text())
        targets[t["id"]] = t
    return targets


class Programs:
    """Every program and loadable module of the build, and for each test program the programs it runs."""

    RUNNABLE = ("EXECUTABLE", "MODULE_LIBRARY", "UTILITY")

    def __init__(self, build):
        targets = codemodel(build)
        self.paths = {t["name"]: build / t["artifacts"][0]["path"]
                      for t in targets.values() if t["type"] in self.RUNNABLE[:2] and t.get("artifacts")}
        self.tests = {t["name"] for t in targets.values() if t["type"] == "EXECUTABLE" and any(
            "gtest" in f["fragment"] for f in t.get("link", {}).get("commandFragments", []))}
        self.folders = {t["name"]: t.get("paths", {}).get("source", "") for t in targets.values()}
        # A library's own dependencies are linked (a relink shows them); a
        # program, module or custom target it depends on is run or loaded.
        self.runs = {}
        for t in targets.values():
            if t["name"] in self.tests:
                seen, todo = set(), [t]
                while todo:
                    for d in todo.pop().get("dependencies", []):
                        dep = targets[d["id"]]
                        if dep["type"] in self.RUNNABLE and dep["name"] not in seen:
                            seen.add(dep["name"])
                            todo.append(dep)
                self.runs[t["name"]] = seen

    def stamps(self):
        return {n: p.stat().st_mtime_ns for n, p in self.paths.items() if p.exists()}

    def affected(self, before, after):
        changed = {n for n, s in after.items() if before.get(n) != s}
        return sorted(t for t in self.tests if t in after and (t in changed or self.runs[t] & changed))


# ---------------------------------------------------------------------------
# Running children under a bound, and stopping them with the run.

current = None


class Stopped(Exception):
    pass


def on_signal(signum, _frame):
    raise Stopped(signal.Signals(signum).name)


def run(cmd, cwd, timeout):
    """Runs cmd niced in its own process group; returns (exit code or None on timeout, output)."""
    global current
    current = subprocess.Popen(["nice", "-n", "10"] + cmd, cwd=cwd, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, text=True, start_new_session=True)
    try:
        out, _ = current.communicate(timeout=timeout)
        return current.returncode, out
    except subprocess.TimeoutExpired:
        return None, ""
    finally:
        if current.poll() is None:
            os.killpg(current.pid, signal.SIGKILL)
            current.wait()
        current = None


def ninja(build, args, targets=None):
    return run(["ninja", "-C", str(build)] + (targets if targets is not None else args.target), ROOT,
               args.build_timeout)


def ctest(build, selection, args):
    """Runs the selected test cases; returns (outcome, note, whether any case ran)."""
    code, out = run(["ctest", "--test-dir", str(build)] + selection + ["--timeout", str(args.test_timeout),
                     "-j", str(args.jobs), "--stop-on-failure"], ROOT, args.suite_timeout)
    if code is None:
        return "timed out", "all tests of the mutant ran out of time", True
    # "12/40 Test #7: Suite.Case ......***Failed    0.52 sec"
    listed = re.findall(r"Test\s+#\d+: (\S+) .*\*\*\*(\w+)", out)
    failed = [f for f in listed if f[1] != "Not"]  # "Not Run": its program is missing
    if code == 0 or (listed and not failed):
        return "survived", f"not run: {listed[0][0]}" if listed else "", "No tests were found" not in out
    if failed and all(status == "Timeout" for _, status in failed):
        return "timed out", failed[0][0], True
    if failed:
        return "killed", f"{failed[0][0]} ({failed[0][1]})", True
    return "killed", " ".join(out.strip().splitlines()[-1:])[:200], True


def suite_costs(build):
    """Seconds each test program's cases took at their last run, as ctest keeps them; 0 when unknown."""
    listing = subprocess.run(["ctest", "--test-dir", str(build), "--show-only=json-v1"], capture_output=True,
                             text=True).stdout
    kept = build / "Testing" / "Temporary" / "CTestCostData.txt"
    seconds = {}
    for line in kept.read_text(encoding="utf-8").splitlines() if kept.exists() else []:
        parts = line.split()
        if len(parts) == 3:
            seconds[parts[0]] = float(parts[2])
    costs, unknown = {}, set()
    for test in json.loads(listing or '{"tests": []}').get("tests", []):
        labels = next((p["value"] for p in test.get("properties", []) if p["name"] == "LABELS"), [])
        took = seconds.get(test["name"].split("  # ")[0], 0.0)  # a typed case's name carries its parameter
        for label in labels:
            costs[label] = costs.get(label, 0.0) + took
            if not took:
                unknown.add(label)
    # A suite with a case that never passed here is as dear as the middle one.
    known = sorted(c for label, c in costs.items() if label not in unknown)
    middle = known[len(known) // 2] if known else 0.0
    return {label: max(c, middle) if label in unknown else c for label, c in costs.items()}


def near(mut_file, test_folder):
    """Whether a test program's folder is the home of the mutated code's folder
    (src/ui/X.cpp: tests/ui, tests/ui-loop...; emulator/pkg/X.cpp: tests/emulator/...)."""
    parts = mut_file.split("/")
    home = parts[1] if parts[0] == "src" and len(parts) > 2 else parts[0]
    return any(part == home or part.startswith(home + "-") for part in test_folder.split("/")[1:])


def judge(build, suites, args, costs, first=()):
    # One program at a time: those of the code's own folder first, then the
    # quickest: most mutants fall to a unit suite in seconds, and the first
    # failure ends the judging. The costly suites (a database server) only
    # for what all others let through.
    order = sorted(suites, key=lambda suite: (suite not in first, costs.get(suite, 0.0), suite))
    ran_any = False
    for costly in (["-LE", COSTLY], ["-L", COSTLY]):
        for suite in order:
            outcome, note, ran = ctest(build, ["-L", f"^{suite}$"] + costly, args)
            ran_any = ran_any or ran
            if outcome != "survived":
                return outcome, note
    return "survived", "" if ran_any else "no test case ran"


# ---------------------------------------------------------------------------
# The coverage map: for each mutant, the test programs that execute its line.


def digest(path):
    return hashlib.sha1(path.read_bytes()).hexdigest()


def test_labels(build):
    """The test programs ctest knows in this build (each program's cases carry its name as a label)."""
    listing = subprocess.run(["ctest", "--test-dir", str(build), "--show-only=json-v1"], capture_output=True,
                             text=True).stdout
    labels = set()
    for test in json.loads(listing or '{"tests": []}').get("tests", []):
        labels.update(next((p["value"] for p in test.get("properties", []) if p["name"] == "LABELS"), []))
    return labels


def executed_lines(cov, files, args):
    """{file: (lines with a counter, lines run at least once)} for what ran since the counters were cleared.
    gcov reads the counter notes of the sampled files' objects straight away: gcovr would read every object
    of the build and take minutes a program."""
    names = {Path(f).name + ".gcno" for f in files}
    notes = sorted(str(p) for p in cov.rglob("*.gcno") if p.name in names)
    try:
        text = subprocess.run(["gcov", "--json-format", "--stdout"] + notes, cwd=cov, capture_output=True,
                              text=True, timeout=args.build_timeout).stdout
    except subprocess.TimeoutExpired:
        sys.exit("mutants: gcov ran out of time")
    # One report per object, not always a line each; an object that did not
    # run reports every line with a count of 0.
    wanted, lines, at, decoder = set(files), {}, 0, json.JSONDecoder()
    while True:
        at = text.find("{", at)
        if at < 0:
            break
        report, at = decoder.raw_decode(text, at)
        for entry in report["files"]:
            path = os.path.relpath(os.path.normpath(os.path.join(report["current_working_directory"],
                                                                 entry["file"])), ROOT)
            if path not in wanted:
                continue
            known, hit = lines.setdefault(path, (set(), set()))
            for ln in entry["lines"]:
                known.add(ln["line_number"])
                if ln["count"] > 0:
                    hit.add(ln["line_number"])
    return lines


def command_map(args):
    cov = args.coverage
    if not (cov / "build.ninja").exists():
        sys.exit(f"mutants: no coverage build in {cov}; `make mutants-map` configures one")
    mutants = read_sample()
    files = sorted({m["file"] for m in mutants})
    code, out = ninja(cov, args)
    if code != 0:
        sys.exit(f"mutants: the coverage build does not build:\n{out[-2000:]}")
    programs = sorted(Programs(cov).tests & test_labels(cov))
    product = sorted(set(files) | {s for f in FOLDERS for s in sources(f)})
    counted, executed, runners = {}, {}, {}
    started = time.monotonic()
    for n, program in enumerate(programs, 1):
        for gcda in cov.rglob("*.gcda"):
            gcda.unlink()
        t0 = time.monotonic()
        # A failing case still ran its lines; only what ran counts here.
        run(["ctest", "--test-dir", str(cov), "-L", f"^{program}$", "-j", str(args.jobs),
             "--timeout", str(args.test_timeout)], ROOT, args.suite_timeout)
        for f, (known, hit) in executed_lines(cov, product, args).items():
            counted.setdefault(f, set()).update(known)
            executed.setdefault(program, {})[f] = hit
            for line in hit:
                runners.setdefault((f, line), set()).add(program)
        print(f"[{n}/{len(programs)}] {program} ({time.monotonic() - t0:.0f} s)", flush=True)
    where = {}
    for mut in mutants:
        path = ROOT / mut["file"]
        at = locate(path.read_text(encoding="utf-8").split("\n"), mut) + 1 if path.exists() else 0
        if at <= 0 or at not in counted.get(mut["file"], set()):
            where[key(mut)] = None  # no counter on that line: judged the old way
        else:
            where[key(mut)] = [p for p in programs if at in executed.get(p, {}).get(mut["file"], set())]
    data = {"files": {f: digest(ROOT / f) for f in files if (ROOT / f).exists()}, "mutants": where,
            "only": sole_runners(runners)}
    (cov / MAP).write_text(json.dumps(data, indent=0), encoding="utf-8")
    unrun = sum(v == [] for v in where.values())
    unknown = sum(v is None for v in where.values())
    print(f"mutants: {cov / MAP} in {(time.monotonic() - started) / 60:.1f} minutes: {len(where)} mutants, "
          f"{unrun} on lines no test program executes, {unknown} the map does not know")


def sole_runners(runners):
    """{program: {file: lines of product code that no other program executes}}: what a cut of that program
    would leave unguarded, and so which programs hold the line."""
    only = {}
    for (f, line), programs in runners.items():
        if len(programs) == 1:
            only.setdefault(next(iter(programs)), {}).setdefault(f, []).append(line)
    for program, where in sorted(only.items(), key=lambda kv: -sum(map(len, kv[1].values()))):
        top = sorted(where.items(), key=lambda kv: -len(kv[1]))[:3]
        print(f"  {program}: {sum(map(len, where.values()))} lines only it executes, most in "
              + ", ".join(f"{f} ({len(lines)})" for f, lines in top), flush=True)
    return {p: {f: sorted(lines) for f, lines in where.items()} for p, where in only.items()}


def read_map(path):
    """{mutant key: programs} for the mutants whose file is as it was when the map was made."""
    if not path:
        return {}
    if not path.exists():
        sys.exit(f"mutants: no map at {path}; make it with `make mutants-map`")
    data = json.loads(path.read_text(encoding="utf-8"))
    same = {f for f, d in data["files"].items() if (ROOT / f).exists() and digest(ROOT / f) == d}
    return {k: v for k, v in data["mutants"].items() if v is not None and k.split("|")[0] in same}


# ---------------------------------------------------------------------------
# Writing a mutant in and taking it out again.


def restore(build):
    backup = build / BACKUP
    if not backup.exists():
        return False
    saved = json.loads(backup.read_text(encoding="utf-8"))
    # Written with a new time, so that ninja compiles the original again.
    (ROOT / saved["file"]).write_text(saved["text"], encoding="utf-8")
    backup.unlink()
    return saved["file"]


def locate(lines, mut):
    """Where the mutant's line now is (0-based), or -1 when it is gone or no longer one of a kind."""
    at = mut["line"] - 1
    if at < len(lines) and lines[at] == mut["from"]:
        return at
    same = [k for k, line in enumerate(lines) if line == mut["from"]]
    return same[0] if len(same) == 1 else -1


def apply(build, mut):
    """Writes the mutant in, the original kept aside first; returns its line, 0 if the line is gone."""
    path = ROOT / mut["file"]
    text = path.read_text(encoding="utf-8")
    lines = text.split("\n")
    at = locate(lines, mut)
    if at < 0:
        return 0  # the code moved on since the sample was drawn
    tmp = build / (BACKUP + ".tmp")
    tmp.write_text(json.dumps({"file": mut["file"], "text": text}), encoding="utf-8")
    os.replace(tmp, build / BACKUP)
    lines[at] = mut["to"]
    path.write_text("\n".join(lines), encoding="utf-8")
    return at + 1  # where it now is


def try_mutant(build, programs, mut, args, costs, covering=None):
    """Judges one mutant. `covering` names the test programs the map says execute its line; None when the map
    does not know it: then the whole tree is rebuilt and every program the rebuild relinked judges it."""
    result = dict(mut, outcome="stale", suites=[], note="", build_s=0.0, test_s=0.0, restore_s=0.0)
    if covering == []:
        result["outcome"], result["note"] = "survived", "no test program executes this line"
        return result
    targets = None
    if covering is not None:
        targets = sorted(set(covering).union(*(programs.runs.get(t, set()) for t in covering)))
    elif args.dirty:
        # Programs the earlier mutants left unbuilt are brought up to date
        # first, so that the relinks below are this mutant's alone.
        ninja(build, args)
        args.dirty = False
    before = programs.stamps()
    try:
        result["line"] = apply(build, mut) or mut["line"]
        if not (build / BACKUP).exists():
            return result
        start = time.monotonic()
        code, out = ninja(build, args, targets)
        result["build_s"] = time.monotonic() - start
        if code != 0:
            result["outcome"] = "did not build"
            result["note"] = "build timed out" if code is None else next(
                (line for line in out.splitlines() if "error:" in line), "")[:200]
            return result
        result["suites"] = list(covering) if covering is not None else programs.affected(before, programs.stamps())
        if not result["suites"]:
            result["outcome"], result["note"] = "survived", "no test program runs this code"
            return result
        start = time.monotonic()
        first = {t for t in result["suites"] if near(mut["file"], programs.folders.get(t, ""))}
        result["outcome"], result["note"] = judge(build, result["suites"], args, costs, first)
        result["test_s"] = time.monotonic() - start
        return result
    finally:
        if restore(build):
            if targets is not None:
                # Rebuilt when a later mutant needs a program that uses it:
                # ninja sees the original's new time.
                args.dirty = True
            else:
                start = time.monotonic()
                code, out = ninja(build, args)
                result["restore_s"] = time.monotonic() - start
                if code != 0:
                    sys.exit(f"mutants: the restored tree does not build:\n{out[-2000:]}")


# ---------------------------------------------------------------------------
# The report.


def score(rows):
    built = [r for r in rows if r["outcome"] in ("killed", "survived", "timed out")]
    caught = sum(r["outcome"] != "survived" for r in built)
    return caught, len(built)


def report(results, args, elapsed):
    def count(rows, outcome):
        return sum(r["outcome"] == outcome for r in rows)

    out = ["# Mutation report", "",
           f"{len(results)} mutants of `{SAMPLE.relative_to(ROOT)}` in {elapsed / 60:.1f} minutes. "
           "Score: killed or timed out, of the mutants that built.", "",
           "| Folder | Mutants | Killed | Timed out | Survived | Did not build | Stale | Score |",
           "|---|---|---|---|---|---|---|---|"]
    groups = {}
    for f in FOLDERS:
        groups[f] = [r for r in results if r["file"].split("/")[0] == f]
        if f == "src":  # the store's own folders, each on a line of its own
            for sub in sorted({r["file"].split("/")[1] for r in groups[f]}):
                groups[f"src/{sub}"] = [r for r in groups[f] if r["file"].split("/")[1] == sub]
    groups["all"] = results
    for name, rows in groups.items():
        if not rows:
            continue
        caught, built = score(rows)
        pct = f"{100 * caught / built:.0f}% ({caught}/{built})" if built else "-"
        out.append(f"| {name} | {len(rows)} | {count(rows, 'killed')} | {count(rows, 'timed out')} | "
                   f"{count(rows, 'survived')} | {count(rows, 'did not build')} | {count(rows, 'stale')} | {pct} |")
    survivors = [r for r in results if r["outcome"] == "survived"]
    out += ["", f"## Survivors ({len(survivors)})", ""]
    for r in survivors:
        seen = ", ".join(r["suites"]) or r["note"]
        out.append(f"- `{r['file']}:{r['line']}` {r['op']}: `{r['from'].strip()}` -> `{r['to'].strip()}` ({seen})")
    stale = [r for r in results if r["outcome"] == "stale"]
    if stale:
        out += ["", "Stale (the line changed since the sample was drawn; draw again with `make mutants-sample`): "
                + ", ".join(f"`{r['file']}:{r['line']}`" for r in stale)]
    timed = [r for r in results if r["outcome"] != "stale"]
    if timed:
        avg = {k: sum(r[k] for r in timed) / len(timed) for k in ("build_s", "test_s", "restore_s")}
        out += ["", f"Average per mutant: build {avg['build_s']:.0f} s, tests {avg['test_s']:.0f} s, "
                f"rebuild of the original {avg['restore_s']:.0f} s."]
    text = "\n".join(out) + "\n"
    (args.build / "mutants-report.md").write_text(text, encoding="utf-8")
    return text


# ---------------------------------------------------------------------------


def folders_of(args):
    chosen = tuple(f.strip().strip("/") for f in args.folder.split(",") if f.strip()) if args.folder else FOLDERS
    unknown = [f for f in chosen if f.split("/")[0] not in FOLDERS]
    if unknown:
        sys.exit(f"mutants: not a mutated folder: {', '.join(unknown)} (choose from {', '.join(FOLDERS)})")
    return chosen


def key(mut):
    """A mutant's identity in the results log: the sample's own fields, not where the line now is."""
    return mut.get("key") or f"{mut['file']}|{mut['from']}|{mut['to']}"


def read_results(log):
    if not log.exists():
        return []
    rows = []
    for line in log.read_text(encoding="utf-8").splitlines():
        try:
            rows.append(json.loads(line))
        except json.JSONDecodeError:
            pass  # a line cut by a stop mid-write: that mutant runs again
    return rows


def command_run(args):
    build = args.build
    if not (build / "build.ninja").exists():
        sys.exit(f"mutants: no build in {build}; run `make build` first")
    leftover = restore(build)
    if leftover:
        print(f"mutants: put back {leftover}, which a stopped run had left mutated")
    if not SAMPLE.exists():
        print(f"mutants: no sample yet; drawing {DEFAULT_COUNT} into {SAMPLE.relative_to(ROOT)}")
        write_sample(draw(DEFAULT_COUNT, DEFAULT_SEED, FOLDERS), DEFAULT_SEED, FOLDERS)
    folders = folders_of(args)
    mutants = [m for m in read_sample() if any(m["file"].startswith(f + "/") for f in folders)]
    mutants = mutants[:args.mutants] if args.mutants else mutants
    programs = Programs(build)
    costs = suite_costs(build)
    covering = read_map(args.coverage / MAP if args.coverage else None)
    if args.coverage:
        print(f"mutants: the coverage map knows {sum(key(m) in covering for m in mutants)} of {len(mutants)} mutants")
    args.dirty = False
    code, out = ninja(build, args)
    if code != 0:
        sys.exit(f"mutants: the tree does not build before any mutant:\n{out[-2000:]}")
    log = build / RESULTS
    results = read_results(log) if args.resume else []
    done = {key(r) for r in results}
    if not args.resume:
        log.unlink(missing_ok=True)
    elapsed_before = sum(r["build_s"] + r["test_s"] + r["restore_s"] for r in results)
    todo = [m for m in mutants if key(m) not in done]
    results = [r for r in results if key(r) in {key(m) for m in mutants}]
    started = time.monotonic() - elapsed_before
    for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(sig, on_signal)
    try:
        for mut in todo:
            r = try_mutant(build, programs, mut, args, costs, covering.get(key(mut)))
            results.append(r)
            with log.open("a", encoding="utf-8") as out:
                out.write(json.dumps(dict(r, key=key(mut))) + "\n")
            print(f"[{len(results)}/{len(mutants)}] {r['outcome']:13} {r['file']}:{r['line']} {r['op']} "
                  f"(build {r['build_s']:.0f} s, tests {r['test_s']:.0f} s) {r['note']}", flush=True)
    except Stopped as why:
        print(f"mutants: stopped by {why}; the source is restored, the next build recompiles it")
    finally:
        for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            signal.signal(sig, signal.SIG_IGN)
        restore(build)
        if args.dirty:
            ninja(build, args)  # leave every program as the source says
    print(report(results, args, time.monotonic() - started))


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("command", choices=("sample", "run", "restore", "map"))
    parser.add_argument("--build", type=Path, default=ROOT / "build")
    parser.add_argument("--mutants", type=int, default=0, help="how many (sample: default 150; run: default all)")
    parser.add_argument("--folder", default="", help="comma-separated folders, default all four")
    parser.add_argument("--seed", type=int, default=DEFAULT_SEED)
    parser.add_argument("--coverage", type=Path, default=None,
                        help="the coverage build whose map (made by `map`) chooses the programs to run")
    parser.add_argument("--resume", action="store_true", help="keep the results log and run what it lacks")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--test-timeout", type=int, default=300, help="seconds for one test case")
    parser.add_argument("--suite-timeout", type=int, default=1800, help="seconds for all tests of a mutant")
    parser.add_argument("--build-timeout", type=int, default=1800)
    parser.add_argument("--target", action="append", default=[],
                        help="build only this target (repeatable): to try the runner on part of a cold tree")
    args = parser.parse_args(argv)
    args.build = args.build.resolve()
    args.coverage = args.coverage.resolve() if args.coverage else None
    if args.command == "sample":
        folders = folders_of(args)
        mutants = draw(args.mutants or DEFAULT_COUNT, args.seed, folders)
        write_sample(mutants, args.seed, folders)
        print(f"mutants: {len(mutants)} mutants written to {SAMPLE.relative_to(ROOT)}")
    elif args.command == "map":
        if not args.coverage:
            sys.exit("mutants: map needs --coverage DIR")
        command_map(args)
    elif args.command == "restore":
        print(f"mutants: put back {restore(args.build)}" if (args.build / BACKUP).exists() else "mutants: nothing to put back")
    else:
        command_run(args)


if __name__ == "__main__":
    main()

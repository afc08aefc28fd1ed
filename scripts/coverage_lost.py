#!/usr/bin/env python3
"""coverage_lost.py BEFORE.json AFTER.json: the lines of the code that BEFORE's run executed and AFTER's did not.

Lines are matched by number, so compare runs of the same product code (a cut of the tests, not of the code)."""
import collections
import json
import sys


def executed(path):
    lines = collections.defaultdict(set)
    for f in json.load(open(path))["files"]:
        for line in f["lines"]:
            if line.get("count", 0) > 0:
                lines[f["file"]].add(line["line_number"])
    return lines


def main(before_path, after_path):
    before, after = executed(before_path), executed(after_path)
    lost = {f: sorted(n - after.get(f, set())) for f, n in before.items()}
    lost = {f: n for f, n in lost.items() if n}
    print(f"executed lines: before {sum(map(len, before.values()))}, after {sum(map(len, after.values()))}; "
          f"no longer executed: {sum(map(len, lost.values()))} in {len(lost)} files")
    for f, numbers in sorted(lost.items()):
        text = open(f, errors="replace").read().splitlines()
        print(f"\n{f}: {len(numbers)}")
        for n in numbers:
            print(f"  {n}: {text[n - 1].strip()[:110] if n <= len(text) else ''}")
    return 1 if lost else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:3]))

#!/usr/bin/env python3
"""The mutation runner's operators on single lines, and its promise to put every file back.
(It guards scripts/mutants.py, which `make mutants` runs; the masking of comments and strings is
seen whenever the sample is drawn again.)"""
import importlib.util
import sys
import tempfile
import unittest
from pathlib import Path

sys.dont_write_bytecode = True  # no __pycache__ left in the source tree
SCRIPT = Path(__file__).resolve().parents[2] / "scripts" / "mutants.py"
found = importlib.util.spec_from_file_location("mutants", SCRIPT)
mutants = importlib.util.module_from_spec(found)
found.loader.exec_module(mutants)


def mutated(line, previous=";"):
    return sorted((op, new.strip()) for op, new in mutants.mutations_of_line(mutants.mask(line), line, previous))


class Operators(unittest.TestCase):
    def test_lines(self):
        table = [
            ("if (a < b) f();", [("compare", "if (a <= b) f();"), ("drop-condition", "if (true) f();"),
                                 ("negate", "if (!(a < b)) f();")]),
            ("if (!ok) return;", [("drop-condition", "if (true) return;"), ("negate", "if (ok) return;")]),
            ("x = a && b;", [("logic", "x = a || b;")]),
            ("n = size - 1;", [("off-by-one", "n = size - 0;"), ("off-by-one", "n = size - 2;")]),
            ("return count;", [("return", "return {};")]),
            ("return false;", [("return", "return true;")]),
            ("widget->Show(now);", [("remove-call", "{}")]),
        ]
        for line, expected in table:
            with self.subTest(line=line):
                self.assertEqual(mutated("    " + line), sorted(expected))


class Restore(unittest.TestCase):
    def test_a_mutant_is_put_back_by_the_next_run(self):
        with tempfile.TemporaryDirectory() as tmp:
            root, build = Path(tmp), Path(tmp) / "build"
            build.mkdir()
            (root / "a.cpp").write_text("int f(int a) {\n    return a;\n}\n")
            mutants.ROOT = root
            mut = {"file": "a.cpp", "line": 2, "op": "return", "from": "    return a;", "to": "    return {};"}
            self.assertEqual(mutants.apply(build, mut), 2)
            self.assertIn("return {};", (root / "a.cpp").read_text())
            # As if the run had died here: the next one finds the original kept aside.
            self.assertEqual(mutants.restore(build), "a.cpp")
            self.assertEqual((root / "a.cpp").read_text(), "int f(int a) {\n    return a;\n}\n")
            self.assertFalse(list(build.iterdir()))
            # A line that moved is found again; one that changed is not applied.
            (root / "a.cpp").write_text("// moved\nint f(int a) {\n    return a;\n}\n")
            self.assertEqual(mutants.apply(build, mut), 3)
            self.assertEqual(mutants.restore(build), "a.cpp")
            self.assertEqual(mutants.apply(build, dict(mut, **{"from": "    return b;"})), 0)
            self.assertFalse((build / mutants.BACKUP).exists())


if __name__ == "__main__":
    sys.exit(unittest.main())

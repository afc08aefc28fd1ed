#!/usr/bin/env python3
"""The mutation runner's operators on single lines, and its promise to put every file back."""
import importlib.util
import json
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

    def test_the_codes_own_suites_are_near(self):
        for file, folder, expected in [("src/ui/StatesChain.cpp", "tests/ui-loop", True),
                                       ("src/ui/StatesChain.cpp", "tests/ui", True),
                                       ("src/ui/StatesChain.cpp", "tests/screens", False),
                                       ("emulator/pkg/Manifest.cpp", "tests/emulator/wceload", True),
                                       ("catalogd/Seed.cpp", "tests/catalogd", True),
                                       ("src/net/App.cpp", "tests/network-faults", False)]:
            with self.subTest(file=file, folder=folder):
                self.assertEqual(mutants.near(file, folder), expected)

    def test_what_is_not_code_is_left_alone(self):
        for line in ['s = "a < b" + t;', "// if (a < b) f();", "#include <vector>", "#if A > 1",
                     "std::vector<std::pair<int, int>> v;", "out << x >> y;", "q = p->next;", "return {};",
                     "/* return 1; */", "auto c = u'<';", 'auto r = R"(x == y)";', "Foo bar(baz);",
                     "template <typename T> using P = Q<T>;", "if (auto* p = Find(); p) g();"]:
            with self.subTest(line=line):
                self.assertEqual(mutated(line), [])

    def test_a_call_continuing_an_expression_stays(self):
        self.assertEqual(mutated("    Finish(x);", previous="total = a +"), [])

    def test_comments_and_strings_span_lines(self):
        text = 'a = 1; /* if (a < b)\n x == y */ s = R"(\nb < c)";\nz = p < q;\n'
        masked = mutants.mask(text)
        self.assertEqual([len(line) for line in masked.split("\n")], [len(line) for line in text.split("\n")])
        first, last = masked.rsplit("\n", 2)[0], masked.split("\n")[3]
        self.assertNotIn("<", first)
        self.assertNotIn("==", first)
        self.assertEqual(last, "z = p < q;")


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

    def test_a_resumed_run_skips_what_the_log_holds(self):
        with tempfile.TemporaryDirectory() as tmp:
            log = Path(tmp) / mutants.RESULTS
            a = {"file": "a.cpp", "line": 2, "from": "x < y", "to": "x <= y"}
            moved = dict(a, line=9, outcome="killed")
            log.write_text(json.dumps(dict(moved, key=mutants.key(moved))) + "\n" + '{"file": "b.c')
            rows = mutants.read_results(log)  # the line a stop cut off is dropped, not fatal
            self.assertEqual([mutants.key(r) for r in rows], [mutants.key(a)])
            self.assertNotEqual(mutants.key(a), mutants.key(dict(a, to="x > y")))


if __name__ == "__main__":
    sys.exit(unittest.main())

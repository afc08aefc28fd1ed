#!/usr/bin/env python3
"""The mutation runner's promise to put every file back (it guards scripts/mutants.py, which `make mutants`
runs; its operators are seen whenever the sample is drawn again)."""
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


class Restore(unittest.TestCase):
    def test_a_mutant_is_applied_and_put_back_by_the_next_run(self):
        with tempfile.TemporaryDirectory() as tmp:
            root, build = Path(tmp), Path(tmp) / "build"
            build.mkdir()
            original = "int f(int a) {\n    return a;\n}\n"
            (root / "a.cpp").write_text(original)
            mutants.ROOT = root
            mut = {"file": "a.cpp", "line": 2, "op": "return", "from": "    return a;", "to": "    return {};"}
            self.assertEqual(mutants.apply(build, mut), 2)
            self.assertIn("return {};", (root / "a.cpp").read_text())
            # As if the run had died here: the next one finds the original kept aside.
            self.assertEqual(mutants.restore(build), "a.cpp")
            self.assertEqual((root / "a.cpp").read_text(), original)
            self.assertFalse(list(build.iterdir()))
            # A line that changed since the sample was drawn is not applied.
            self.assertEqual(mutants.apply(build, dict(mut, **{"from": "    return b;"})), 0)
            self.assertFalse((build / mutants.BACKUP).exists())

    def test_the_map_speaks_only_of_files_as_they_were_when_it_was_made(self):
        with tempfile.TemporaryDirectory() as tmp:
            root = Path(tmp)
            (root / "a.cpp").write_text("int a;\n")
            (root / "b.cpp").write_text("int b;\n")
            mutants.ROOT = root
            kept = {"files": {f: mutants.digest(root / f) for f in ("a.cpp", "b.cpp")},
                    "mutants": {"a.cpp|x|y": ["a_tests"], "b.cpp|x|y": [], "a.cpp|u|v": None}}
            (root / "map.json").write_text(mutants.json.dumps(kept))
            (root / "b.cpp").write_text("int b = 1;\n")
            # b.cpp changed: its lines may have moved, so its mutant is judged the
            # old way; an unknown line likewise.
            self.assertEqual(mutants.read_map(root / "map.json"), {"a.cpp|x|y": ["a_tests"]})
            # A line no program executes survives without a build.
            args = mutants.argparse.Namespace(dirty=False)
            r = mutants.try_mutant(root, None, {"file": "b.cpp", "line": 1, "op": "return", "from": "x", "to": "y"},
                                   args, {}, covering=[])
            self.assertEqual((r["outcome"], r["build_s"]), ("survived", 0.0))
            self.assertEqual((root / "b.cpp").read_text(), "int b = 1;\n")

    def test_a_line_counts_for_a_program_only_when_no_other_runs_it(self):
        runners = {("a.cpp", 1): {"x_tests"}, ("a.cpp", 2): {"x_tests", "y_tests"}, ("b.cpp", 7): {"y_tests"},
                   ("a.cpp", 5): {"x_tests"}}
        self.assertEqual(mutants.sole_runners(runners), {"x_tests": {"a.cpp": [1, 5]}, "y_tests": {"b.cpp": [7]}})


if __name__ == "__main__":
    sys.exit(unittest.main())

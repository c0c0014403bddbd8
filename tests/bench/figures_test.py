#!/usr/bin/env python3
"""Checks bench/figures.py on canned benchmark output: every figure printed,
met or missed, reaches the targets table as printed; expected figures that no
benchmark printed say so; the document keeps its order and the notes."""
import os
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SCRIPT = os.path.join(ROOT, "bench", "figures.py")
sys.path.insert(0, os.path.dirname(SCRIPT))
import figures  # noqa: E402

CANNED = {
    "bench_capture": "capture, 4194304 bytes from a pty into a file:\n"
    "  throughput: 0.021 of cat\n"
    "FIGURE capture.vs_cat 0.021 >=0.3 NOT met\n"
    "FIGURE broken line\n",
    "bench_terminals": "terminals ...\n"
    "FIGURE terminals.tio_vs_cat 0.015 <=0.236 met\n"
    "FIGURE terminals.picocom_vs_cat 0.377 <=0.236 NOT met\n"
    "FIGURE extra.thing 2.000 <=3 met\n",
}

# (key, the table row the collector must write for it)
ROWS = [
    ("capture.vs_cat", "| capture to file vs `cat > file`, file identical (SHA-256) (`capture.vs_cat`) | 0.021 | >=0.3 | **NOT met** |"),
    ("terminals.tio_vs_cat", "| `tio --log` vs `cat > file` (at most Vesperline's capture) (`terminals.tio_vs_cat`) | 0.015 | <=0.236 | met |"),
    ("terminals.picocom_vs_cat", "| `picocom --logfile` vs `cat > file` (at most Vesperline's capture) (`terminals.picocom_vs_cat`) | 0.377 | <=0.236 | **NOT met** |"),
    ("pane.vs_cat", "| receive pane, live, vs `cat` on the same pseudo-terminal (`pane.vs_cat`) | - | >=0.3 | **not measured** |"),
    ("extra.thing", "| bench_terminals (`extra.thing`) | 2.000 | <=3 | met |"),
]

NOTES = {
    "README.md": "# What goes here\n",
    "engine.md": "# Engine profile\n\n```\n# not a heading\n```\nticks: 40 %\n",
}


def run_collector(tmp):
    outputs = os.path.join(tmp, "out")
    notes = os.path.join(tmp, "notes")
    for folder, files in ((outputs, {k + ".txt": v for k, v in CANNED.items()}), (notes, NOTES)):
        os.makedirs(folder)
        for name, text in files.items():
            with open(os.path.join(folder, name), "w", encoding="utf-8") as f:
                f.write(text)
    done = subprocess.run([sys.executable, SCRIPT, outputs, "--notes", notes], capture_output=True, text=True)
    if done.returncode != 0:
        raise AssertionError(done.stderr)
    return done.stdout


class Collector(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with tempfile.TemporaryDirectory() as tmp:
            cls.doc = run_collector(tmp)
        cls.lines = cls.doc.splitlines()
        cls.table = cls.lines[cls.lines.index("## Targets") : cls.lines.index("## Machine")]

    def test_every_figure_is_a_row_of_the_table(self):
        for key, row in ROWS:
            with self.subTest(key=key):
                self.assertIn(row, self.table)
                self.assertEqual(1, sum(f"(`{key}`)" in line for line in self.table))

    def test_only_well_formed_lines_are_figures(self):
        got = figures.parse_figures(CANNED["bench_capture"] + CANNED["bench_terminals"])
        self.assertEqual(
            [
                ("capture.vs_cat", "0.021", ">=0.3", False),
                ("terminals.tio_vs_cat", "0.015", "<=0.236", True),
                ("terminals.picocom_vs_cat", "0.377", "<=0.236", False),
                ("extra.thing", "2.000", "<=3", True),
            ],
            got,
        )

    def test_document_order_outputs_and_notes(self):
        for earlier, later in [
            ("## Targets", "## Machine"),
            ("## Machine", "## bench_capture"),
            ("## bench_capture", "## bench_terminals"),
            ("## bench_terminals", "## Profile findings"),
            ("### bench/notes/engine.md", "### Engine profile"),
        ]:
            with self.subTest(earlier=earlier, later=later):
                self.assertLess(self.lines.index(earlier), self.lines.index(later))
        for wanted in ["  throughput: 0.021 of cat", "# not a heading", "ticks: 40 %", "- Kernel: Linux "]:
            with self.subTest(wanted=wanted):
                self.assertTrue(any(line.startswith(wanted) for line in self.lines), wanted)
        self.assertNotIn("What goes here", self.doc)


if __name__ == "__main__":
    unittest.main()

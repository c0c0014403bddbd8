#!/usr/bin/env python3
"""Writes BENCHMARKS.md from the output of one bench/run.

Every benchmark prints its figures with targets as lines
    FIGURE <key> <value> <target> <met|NOT met>
(bench/support/figure.h). This collects them into the targets table at the
top, then puts each benchmark's whole output and the profile notes under it.

    bench/figures.py OUTPUT_DIR [--notes DIR] [--title TEXT] > BENCHMARKS.md

OUTPUT_DIR holds one <bench program>.txt per benchmark, as bench/run writes it.
"""
import argparse
import datetime
import os
import platform
import re
import subprocess
import sys

FIGURE = re.compile(r"^FIGURE (\S+) (\S+) (\S+) (met|NOT met)\s*$")

# The figures the benchmarks are expected to print, in the table's order, with
# the path they measure and its target. One that no benchmark printed is listed
# as not measured; others a benchmark prints follow them.
EXPECTED = [
    ("torture.cpu_per_s", "virtual board + torture test, 96 ports at 115200: whole process CPU s per s", "<=0.10"),
    ("torture.min_port_line_rate", "the same run: lowest port's share of its line rate", ">=0.99"),
    ("board.engine_cpu_per_s", "the same 96 ports: board engine alone, CPU s per s", "<=0.05"),
    ("verify.cpu_per_s", "verified run (`vesperline-cli verify`'s engine), 96 virtual ports at 115200: whole process CPU s per s", "<=0.10"),
    ("verify.min_port_line_rate", "the same run: lowest port's share of its line rate (and every port passed)", ">=0.99"),
    ("latency.p99_vs_idle", "event-loop latency p99 during a 96-port run vs idle", "<=1.2"),
    ("verifyui.refresh_cpu_per_s", "Verify Ports window refreshing 96 ports at its own rate: process CPU s per s", "<=0.02"),
    ("pane.vs_cat", "receive pane, live, vs `cat` on the same pseudo-terminal", ">=0.3"),
    ("capture.vs_cat", "capture to file vs `cat > file`, file identical (SHA-256)", ">=0.3"),
    ("keystroke.median_vs_write", "keystroke to peer, median, vs a direct write", "<=1.5"),
    ("portio.read_vs_plain", "port layer read vs a plain read loop", ">=0.9"),
    ("portio.write_vs_plain", "port layer write vs a plain write loop", ">=0.9"),
    ("linestatus.strip_cpu_per_s", "line status monitor + strip at 921600 baud: CPU s per s added to the same reading", "<=0.01"),
    ("memory.1g_vs_10m", "memory after 1 GB through a pane vs after 10 MB", "<=1.1"),
    ("terminals.tio_vs_cat", "`tio --log` vs `cat > file` (at most Vesperline's capture)", "<=capture"),
    ("terminals.picocom_vs_cat", "`picocom --logfile` vs `cat > file` (at most Vesperline's capture)", "<=capture"),
]


def parse_figures(text):
    """(key, value, target, met) of every FIGURE line of one output."""
    found = []
    for line in text.splitlines():
        m = FIGURE.match(line)
        if m:
            found.append((m.group(1), m.group(2), m.group(3), m.group(4) == "met"))
    return found


def table_rows(outputs):
    """Rows (path, key, figure, target, met text) over every output, expected keys first."""
    printed = {}
    for bench, text in outputs:
        for key, value, target, met in parse_figures(text):
            printed.setdefault(key, []).append((bench, value, target, met))
    rows = []
    for key, path, target in EXPECTED:
        for _, value, printed_target, met in printed.pop(key, []):
            rows.append((path, key, value, printed_target, "met" if met else "**NOT met**"))
        if not any(r[1] == key for r in rows):
            rows.append((path, key, "-", target, "**not measured**"))
    for key, entries in printed.items():
        for bench, value, target, met in entries:
            rows.append((bench, key, value, target, "met" if met else "**NOT met**"))
    return rows


def targets_table(outputs):
    lines = ["| path | figure | target | met? |", "|---|---|---|---|"]
    for path, key, value, target, met in table_rows(outputs):
        lines.append(f"| {path} (`{key}`) | {value} | {target} | {met} |")
    return lines


def command_line(args):
    try:
        return subprocess.run(args, capture_output=True, text=True, check=False).stdout.splitlines()[0]
    except (OSError, IndexError):
        return "unknown"


def machine_lines():
    model = "unknown"
    with open("/proc/cpuinfo", encoding="utf-8", errors="replace") as f:
        for line in f:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    cores = len(os.sched_getaffinity(0))
    return [
        f"- CPU: {model}, {cores} cores available",
        f"- Kernel: {platform.system()} {platform.release()}",
        f"- OS: {platform.freedesktop_os_release().get('PRETTY_NAME', 'unknown')}",
        f"- Compiler: {command_line(['c++', '--version'])}",
    ]


def demoted(text, levels=2):
    """The note's headings moved down under this file's own, outside code blocks."""
    out, fenced = [], False
    for line in text.splitlines():
        if line.startswith("```"):
            fenced = not fenced
        out.append("#" * levels + line if not fenced and line.startswith("#") else line)
    return out


def notes_lines(notes_dir):
    if not notes_dir or not os.path.isdir(notes_dir):
        return []
    names = sorted(n for n in os.listdir(notes_dir) if n.endswith(".md") and n != "README.md")
    lines = []
    for name in names:
        with open(os.path.join(notes_dir, name), encoding="utf-8") as f:
            lines += ["", f"### bench/notes/{name}", ""] + demoted(f.read())
    return ["", "## Profile findings"] + (lines or ["", "(no notes yet)"])


def read_outputs(output_dir):
    outputs = []
    for name in sorted(os.listdir(output_dir)):
        if name.endswith(".txt"):
            with open(os.path.join(output_dir, name), encoding="utf-8", errors="replace") as f:
                outputs.append((name[:-4], f.read()))
    return outputs


def document(outputs, title, machine, notes):
    lines = [f"# {title}", "", "## Targets", ""] + targets_table(outputs)
    lines += ["", "## Machine", "", f"- Date: {datetime.datetime.utcnow():%Y-%m-%d %H:%M} UTC"] + machine
    lines += ["", "Each figure is a ratio to a reference measured in the same run (see each benchmark)."]
    for bench, text in outputs:
        lines += ["", f"## {bench}", "", "```"] + text.rstrip("\n").splitlines() + ["```"]
    return "\n".join(lines + notes) + "\n"


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("output_dir")
    p.add_argument("--notes", default=None)
    p.add_argument("--title", default="Benchmarks")
    a = p.parse_args()
    sys.stdout.write(document(read_outputs(a.output_dir), a.title, machine_lines(), notes_lines(a.notes)))


if __name__ == "__main__":
    main()

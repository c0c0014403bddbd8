#!/usr/bin/env python3
"""Fails on an #include that crosses a layer the wrong way.

    check_includes.py SOURCE_ROOT [--qt-widgets DIR]
    check_includes.py --self-test

Every layer, the layers it may use and how much of Qt it may include are in
LAYERS below, the one place that says so. A layer may include what it uses
and, through those, everything they may use. --qt-widgets names the QtWidgets
header folder, so that <QPushButton> is told apart from <QString>; without it
only layers that may use no Qt at all are checked for Qt includes.
"""
import fnmatch
import os
import re
import sys
import tempfile

# layer: (folders or files it is made of, layers it may use, Qt it may include: none, core or widgets)
LAYERS = {
    "portio": (["portio/"], [], "none"),
    "driverprotocol": (["driverprotocol/"], [], "none"),
    "texts": (["res/texts.h", "res/version.h", "res/version.h.in"], [], "none"),
    "vboard": (["vboard/"], ["portio", "driverprotocol"], "none"),
    "driverext": (["driverext/"], ["portio", "driverprotocol", "texts"], "none"),
    "torture": (["torture/"], ["portio", "texts"], "none"),
    "verify": (["verify/"], ["portio"], "none"),
    "linestatus": (["linestatus/"], ["portio"], "none"),
    "cli": (["cli/"], ["verify", "vboard", "texts"], "none"),
    "uicore": (["res/uiservices.h", "res/uiservices.cpp", "res/commandids.h"], ["texts"], "core"),
    "res": (["res/"], ["uicore", "texts"], "widgets"),
    "torture_ui": (["torture/*dlg.h", "torture/*dlg.cpp"], ["torture", "res"], "widgets"),
    "portsel": (["portsel/"], ["portio", "res"], "widgets"),
    "session": (["session/"], ["portio", "texts"], "none"),
    "console": (["console/"], ["session", "torture", "driverext", "uicore"], "core"),
    "consoleui": (["consoleui/"], ["console", "linestatus", "portsel", "torture_ui", "res"], "widgets"),
    "verifyui": (["verifyui/"], ["verify", "portsel", "res"], "widgets"),
    "shell": (["shell/"], ["consoleui", "verifyui", "vboard", "res"], "widgets"),
    "test_support": (["tests/support/"], ["portio"], "none"),
    "test_support_qt": (["tests/support/qt*"], ["test_support", "res"], "widgets"),
    "tests": (["tests/", "bench/"], ["*"], "widgets"),
}

# Wrong-way includes that are known and on their way out; empty this list
# once they are gone. (file pattern, layer or "QtWidgets" it may still include)
ALLOWED_FOR_NOW = [
]

SOURCE_SUFFIXES = (".h", ".cpp", ".hpp", ".cc")
SKIPPED_FOLDERS = ("build/", ".git/")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
QT_HEADER = re.compile(r"^(Qt[A-Za-z]+/)?Q[A-Za-z0-9]+(\.h)?$")
QT_LEVEL = {"none": 0, "core": 1, "widgets": 2}


def pattern_matches(pattern, path):
    if pattern.endswith("/"):
        return path.startswith(pattern)
    return fnmatch.fnmatchcase(path, pattern)


def layer_of(path):
    """The layer of a file: the most specific pattern wins (files before folders)."""
    best = None
    for layer, (patterns, _, _) in LAYERS.items():
        for p in patterns:
            if pattern_matches(p, path):
                score = (not p.endswith("/"), len(p))
                if best is None or score > best[0]:
                    best = (score, layer)
    return best[1] if best else None


def reachable(layer):
    """The layers `layer` may use, directly or through the layers it uses."""
    seen, todo = set(), list(LAYERS[layer][1])
    while todo:
        used = todo.pop()
        if used == "*":
            return set(LAYERS)
        if used not in seen:
            seen.add(used)
            todo.extend(LAYERS[used][1])
    return seen | {layer}


def allowed_for_now(path, what):
    return any(fnmatch.fnmatchcase(path, p) and what == w for p, w in ALLOWED_FOR_NOW)


def resolve(root, path, name):
    """The source file a quoted include names, relative to the root, or None (generated)."""
    here = os.path.normpath(os.path.join(os.path.dirname(path), name))
    if os.path.isfile(os.path.join(root, here)):
        return here
    if os.path.isfile(os.path.join(root, name)) or layer_of(name) == "texts":
        return os.path.normpath(name)
    return None


def qt_level(name, widgets_dir):
    if not QT_HEADER.match(name):
        return None
    if name.startswith("QtWidgets/") or (widgets_dir and os.path.isfile(os.path.join(widgets_dir, name))):
        return "widgets"
    return "core"


def check_line(root, path, layer, kind, name, widgets_dir):
    if kind == '"':
        target = resolve(root, path, name)
        used = layer_of(target) if target else None
        if used and used not in reachable(layer) and not allowed_for_now(path, used):
            return f"includes {name}: layer {layer} may not use layer {used}"
        return None
    level = qt_level(name, widgets_dir)
    if level and QT_LEVEL[level] > QT_LEVEL[LAYERS[layer][2]]:
        what = "QtWidgets" if level == "widgets" else "Qt"
        if not allowed_for_now(path, what):
            return f"includes <{name}>: layer {layer} may not use {what}"
    return None


def source_files(root):
    for folder, dirs, files in os.walk(root):
        rel_folder = os.path.relpath(folder, root)
        rel_folder = "" if rel_folder == "." else rel_folder + "/"
        dirs[:] = [d for d in dirs if not (rel_folder + d + "/").startswith(SKIPPED_FOLDERS) and not d.startswith(".")]
        for f in files:
            if f.endswith(SOURCE_SUFFIXES) and rel_folder:
                yield rel_folder + f


def check_tree(root, widgets_dir=None):
    faults = []
    for path in sorted(source_files(root)):
        layer = layer_of(path)
        if layer is None:
            faults.append(f"{path}: its folder has no row in the layer table of tests/layers/check_includes.py")
            continue
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as source:
            for number, line in enumerate(source, 1):
                m = INCLUDE.match(line)
                fault = m and check_line(root, path, layer, m.group(1), m.group(2), widgets_dir)
                if fault:
                    faults.append(f"{path}:{number}: {fault}")
    return faults


def self_test():
    """The check itself: a small tree with one wrong-way include and one Qt include too many."""
    files = {
        "portio/port.h": "#pragma once\n",
        "vboard/board.h": '#include "portio/port.h"\n#include <vector>\n',
        "portio/bad.cpp": '#include "port.h"\n\n#include "vboard/board.h"\n',
        "verify/bad.cpp": "#include <QString>\n",
        "console/view.cpp": '#include <QPushButton>\n#include "portsel/dlg.h"\n',
        "portsel/dlg.h": '#include "console/view.h"\n',
        "console/view.h": "",
        "torture/run.cpp": "#include <QtWidgets/QLabel>\n#include <QThread>\n",
        "bench/x.cpp": "#include <QPushButton>\n",
        "newlib/x.h": "",
    }
    with tempfile.TemporaryDirectory() as root:
        for name, text in files.items():
            os.makedirs(os.path.join(root, os.path.dirname(name)), exist_ok=True)
            with open(os.path.join(root, name), "w") as f:
                f.write(text)
        faults = check_tree(root)
    expected = [
        "console/view.cpp:2: includes portsel/dlg.h: layer console may not use layer portsel",
        "newlib/x.h: its folder has no row in the layer table of tests/layers/check_includes.py",
        "portio/bad.cpp:3: includes vboard/board.h: layer portio may not use layer vboard",
        "portsel/dlg.h:1: includes console/view.h: layer portsel may not use layer console",
        "torture/run.cpp:1: includes <QtWidgets/QLabel>: layer torture may not use QtWidgets",
        "torture/run.cpp:2: includes <QThread>: layer torture may not use Qt",
        "verify/bad.cpp:1: includes <QString>: layer verify may not use Qt",
    ]
    if faults != expected:
        print("self-test: expected\n  " + "\n  ".join(expected) + "\ngot\n  " + "\n  ".join(faults))
        return 1
    print("self-test passed")
    return 0


def main(argv):
    if argv[1:] == ["--self-test"]:
        return self_test()
    root = argv[1]
    widgets_dir = argv[argv.index("--qt-widgets") + 1] if "--qt-widgets" in argv else None
    faults = check_tree(root, widgets_dir)
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} include(s) cross a layer the wrong way (table: tests/layers/check_includes.py)")
        return 1
    print("every include goes the allowed way")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

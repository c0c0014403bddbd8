#!/usr/bin/env python3
"""Fails on an #include that crosses a layer the wrong way.

    check_includes.py SOURCE_ROOT [--qt-include DIR]
    check_includes.py --self-test

Every layer, the layers it may use and how much of Qt it may include are in
LAYERS below, the one place that says so. A layer may include what it uses
and, through those, everything they may use. --qt-include names Qt's header
root (the folder that holds QtCore, QtGui, QtWidgets), so that <QPushButton>,
<QColor> and <qstring.h> are each put in their module; without it only layers
that may use no Qt at all are checked for Qt includes.

A project header is a project header however it is spelt: <portio/port.h>
is checked like "portio/port.h". A quoted include that names no file of the
tree (and is not one the build generates) is a fault too, since the check
cannot tell where it points.
"""
import fnmatch
import os
import re
import sys
import tempfile

# layer: (folders or files it is made of, layers it may use, Qt it may include: none, core, gui or widgets)
LAYERS = {
    "portio": (["portio/"], [], "none"),
    # One folder a backend: each uses the interface and what they share, never
    # another backend; only the device namespace puts them together.
    "portio_posix": (["portio/posix/"], ["portio"], "none"),
    "portio_win32": (["portio/win32/"], ["portio"], "none"),
    "portio_rfc2217": (["portio/rfc2217/"], ["portio"], "none"),
    "portio_namespace": (["portio/devicenamespace.cpp"], ["portio_posix", "portio_win32", "portio_rfc2217"], "none"),
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
    "session": (["session/"], ["portio", "linestatus", "texts"], "none"),
    "console": (["console/"], ["session", "torture", "driverext", "uicore"], "core"),
    "consoleui": (["consoleui/"], ["console", "portsel", "torture_ui", "res", "linestatus"], "widgets"),
    "verifyui": (["verifyui/"], ["verify", "portsel", "res"], "widgets"),
    "shell": (["shell/"], ["consoleui", "verifyui", "vboard", "res"], "widgets"),
    "test_support": (["tests/support/"], ["portio", "portio_rfc2217"], "none"),
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
QT_HEADER = re.compile(r"^(Qt[A-Za-z]+/)?(Q[A-Za-z0-9]+(\.h)?|q[a-z0-9_]+\.h)$")
QT_LEVEL = {"none": 0, "core": 1, "gui": 2, "widgets": 3}
# The level each Qt module needs; a module not named here needs only QtCore.
QT_MODULE_LEVEL = {
    "QtGui": "gui",
    "QtSvg": "gui",
    "QtOpenGL": "gui",
    "QtWidgets": "widgets",
    "QtPrintSupport": "widgets",
    "QtOpenGLWidgets": "widgets",
    "QtSvgWidgets": "widgets",
}
# Files the build makes (moc, uic): a quoted include of one resolves to nothing.
GENERATED = ("*.moc", "moc_*.cpp", "ui_*.h")


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


def resolve(root, path, name, quoted=True):
    """The source file an include names, relative to the root, or None.

    A quoted include is looked for beside the including file first; both
    kinds are then looked for from the root, where every layer's folder is.
    res/version.h is made by the build from res/version.h.in."""
    if quoted:
        here = os.path.normpath(os.path.join(os.path.dirname(path), name))
        if os.path.isfile(os.path.join(root, here)):
            return here
    if os.path.isfile(os.path.join(root, name)) or layer_of(name) == "texts":
        return os.path.normpath(name)
    return None


def qt_module(name, qt_root):
    """The Qt module a header belongs to, or None when it is no Qt header."""
    if not QT_HEADER.match(name):
        return None
    if "/" in name:
        return name.split("/", 1)[0]
    if qt_root:
        for module in sorted(os.listdir(qt_root)):
            if os.path.isfile(os.path.join(qt_root, module, name)):
                return module
    # Unknown to this Qt (or no Qt given): CamelCase names are still Qt's,
    # lowercase q*.h only when a module was named.
    return "QtCore" if name[0] == "Q" else None


def check_project_include(root, path, layer, name, quoted):
    target = resolve(root, path, name, quoted)
    if target is None:
        if quoted and not any(fnmatch.fnmatchcase(os.path.basename(name), g) for g in GENERATED):
            return f'includes "{name}": no such file in the source tree'
        return None
    used = layer_of(target)
    if used and used not in reachable(layer) and not allowed_for_now(path, used):
        return f"includes {name}: layer {layer} may not use layer {used}"
    return None


def check_line(root, path, layer, kind, name, qt_root):
    if kind == '"' or resolve(root, path, name, quoted=False):
        return check_project_include(root, path, layer, name, kind == '"')
    module = qt_module(name, qt_root)
    level = module and QT_MODULE_LEVEL.get(module, "core")
    if level and QT_LEVEL[level] > QT_LEVEL[LAYERS[layer][2]]:
        what = module if level != "core" else "Qt"
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


def check_tree(root, qt_root=None):
    faults = []
    for path in sorted(source_files(root)):
        layer = layer_of(path)
        if layer is None:
            faults.append(f"{path}: its folder has no row in the layer table of tests/layers/check_includes.py")
            continue
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as source:
            for number, line in enumerate(source, 1):
                m = INCLUDE.match(line)
                fault = m and check_line(root, path, layer, m.group(1), m.group(2), qt_root)
                if fault:
                    faults.append(f"{path}:{number}: {fault}")
    return faults


def self_test():
    """The check itself: a small tree with one include of each wrong kind, and a
    small Qt header root to tell the modules apart."""
    files = {
        "portio/port.h": "#pragma once\n",
        "vboard/board.h": '#include "portio/port.h"\n#include <vector>\n',
        "portio/bad.cpp": '#include "port.h"\n\n#include "vboard/board.h"\n#include <vboard/board.h>\n',
        "verify/bad.cpp": "#include <QString>\n#include <qstring.h>\n",
        "console/view.cpp": '#include <QPushButton>\n#include "portsel/dlg.h"\n#include <QColor>\n#include <QThread>\n',
        "portsel/dlg.h": '#include "console/view.h"\n',
        "console/view.h": '#include "view.moc"\n#include "gone.h"\n',
        "torture/run.cpp": "#include <QtWidgets/QLabel>\n#include <QThread>\n#include <qpushbutton.h>\n",
        "bench/x.cpp": "#include <QPushButton>\n",
        "newlib/x.h": "",
    }
    qt_files = ["QtCore/QString", "QtCore/qstring.h", "QtCore/QThread", "QtGui/QColor",
                "QtWidgets/QPushButton", "QtWidgets/qpushbutton.h", "QtWidgets/QLabel"]
    with tempfile.TemporaryDirectory() as root, tempfile.TemporaryDirectory() as qt_root:
        for name, text in files.items():
            os.makedirs(os.path.join(root, os.path.dirname(name)), exist_ok=True)
            with open(os.path.join(root, name), "w") as f:
                f.write(text)
        for name in qt_files:
            os.makedirs(os.path.join(qt_root, os.path.dirname(name)), exist_ok=True)
            open(os.path.join(qt_root, name), "w").close()
        faults = check_tree(root, qt_root)
    expected = [
        "console/view.cpp:1: includes <QPushButton>: layer console may not use QtWidgets",
        "console/view.cpp:2: includes portsel/dlg.h: layer console may not use layer portsel",
        "console/view.cpp:3: includes <QColor>: layer console may not use QtGui",
        'console/view.h:2: includes "gone.h": no such file in the source tree',
        "newlib/x.h: its folder has no row in the layer table of tests/layers/check_includes.py",
        "portio/bad.cpp:3: includes vboard/board.h: layer portio may not use layer vboard",
        "portio/bad.cpp:4: includes vboard/board.h: layer portio may not use layer vboard",
        "portsel/dlg.h:1: includes console/view.h: layer portsel may not use layer console",
        "torture/run.cpp:1: includes <QtWidgets/QLabel>: layer torture may not use QtWidgets",
        "torture/run.cpp:2: includes <QThread>: layer torture may not use Qt",
        "torture/run.cpp:3: includes <qpushbutton.h>: layer torture may not use QtWidgets",
        "verify/bad.cpp:1: includes <QString>: layer verify may not use Qt",
        "verify/bad.cpp:2: includes <qstring.h>: layer verify may not use Qt",
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
    qt_root = argv[argv.index("--qt-include") + 1] if "--qt-include" in argv else None
    faults = check_tree(root, qt_root)
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} include(s) cross a layer the wrong way (table: tests/layers/check_includes.py)")
        return 1
    print("every include goes the allowed way")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

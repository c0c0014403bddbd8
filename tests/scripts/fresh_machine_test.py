#!/usr/bin/env python3
"""Every script the README names, on a machine where no package is installed
and none can be: each must stop at once, its last words naming the packages
to install, before it runs any build tool (which would fail with "command
not found" on a fresh machine)."""
import os
import re
import stat
import subprocess
import sys
import tempfile

root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")
readme = open(os.path.join(root, "README.md"), encoding="utf-8").read()
scripts = sorted(set(re.findall(r"\b((?:scripts|bench)/[a-z][a-z-]*)\b", readme)))
# scripts/need is the helper the others call, with their packages as arguments.
scripts = [s for s in scripts if os.path.isfile(os.path.join(root, s)) and s != "scripts/need"]
assert "scripts/build-windows" in scripts and len(scripts) >= 10, scripts

# Stubs: nothing is installed, installing fails, and a build tool that runs says so.
stubs = tempfile.mkdtemp()
def stub(name, body, where=stubs):
    path = os.path.join(where, name)
    with open(path, "w") as f:
        f.write("#!/bin/sh\n" + body + "\n")
    os.chmod(path, stat.S_IRWXU)
stub("dpkg-query", "exit 1")
stub("apt-get", "exit 100")
stub("apt-cache", "exit 100")
for tool in ["cmake", "ninja", "ctest", "g++", "clang", "clang++", "x86_64-w64-mingw32-g++-posix",
             "x86_64-w64-mingw32-strip", "wine", "wineboot", "lintian", "zip", "Xvfb", "xvfb-run", "convert", "python3"]:
    stub(tool, 'echo "BUILD TOOL RAN: %s" >&2; exit 99' % tool)

# Who runs them: root; a user whose sudo works; a user whose sudo wants a
# password (it waits for one unless -n says it must not ask).
USER_ID = '[ "$1" = -u ] && { echo 1000; exit 0; }; exec /usr/bin/id "$@"'
SUDO_WORKS = '[ "$1" = -n ] && shift; exec "$@"'
SUDO_ASKS = '[ "$1" = -n ] && { echo "sudo: a password is required" >&2; exit 1; }; sleep 600'
cases = [("root", None, SUDO_WORKS), ("user with sudo", USER_ID, SUDO_WORKS),
         ("user whose sudo asks for a password", USER_ID, SUDO_ASKS)]

failures = []
for who, id_stub, sudo_stub in cases:
    extra = tempfile.mkdtemp()
    stub("sudo", sudo_stub, extra)
    if id_stub:
        stub("id", id_stub, extra)
    env = dict(os.environ, PATH=extra + ":" + stubs + ":/usr/bin:/bin")
    for script in scripts:
        try:
            r = subprocess.run([os.path.join(root, script)], cwd=root, env=env, capture_output=True, text=True,
                               timeout=30, stdin=subprocess.DEVNULL)
        except subprocess.TimeoutExpired:
            failures.append(f"{script} as {who}: still running after 30 s")
            continue
        out = r.stdout + r.stderr
        last = out.strip().splitlines()[-1] if out.strip() else ""
        if r.returncode == 0 or "BUILD TOOL RAN" in out or "command not found" in out \
                or not re.search(r"apt-get install [a-z0-9]", last):
            failures.append(f"{script} as {who}: exit {r.returncode}, said:\n{out}")
        else:
            print(f"ok   {script} as {who}: {last[:110]}")

for f in failures:
    print("FAIL " + f)
sys.exit(1 if failures else 0)

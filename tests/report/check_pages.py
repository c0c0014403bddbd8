#!/usr/bin/env python3
"""The HTML report of vesperline-cli, checked in a real browser.

Makes three runs on the virtual board (clean; 96 ports with drop= and noise=;
one stopped with Ctrl-C), writes each one's JSON report and HTML page, loads
every page in headless Chromium with no network (every host resolves to
nothing) and a network log, and checks in the DOM the browser built: every
port's figures equal the JSON's, the failing ports are marked as failing and
the others not, the verdict and the interrupted mark agree with the report,
and the page asked for nothing outside its own file. A screenshot of each page
(desktop and phone width) is kept beside the pages.

Then it shows that the check finds faults: a page with one figure changed
and a page that loads an image from a web address must both be refused.

Exit 0: all good; 1: a check failed; 77: Chromium is not installed (CTest
shows the test as skipped).
"""
import argparse
import html.parser
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIPPED = 77
VOID = {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "source", "track", "wbr"}


class Node:
    def __init__(self, tag, attrs, parent=None):
        self.tag, self.attrs, self.parent, self.children = tag, dict(attrs), parent, []

    def text(self):
        return "".join(c if isinstance(c, str) else c.text() for c in self.children)

    def classes(self):
        return (self.attrs.get("class") or "").split()

    def find_all(self, pred):
        for c in self.children:
            if isinstance(c, Node):
                if pred(c):
                    yield c
                yield from c.find_all(pred)

    def find(self, pred):
        return next(self.find_all(pred), None)


class TreeBuilder(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.root = Node("#document", [])
        self.at = self.root

    def handle_starttag(self, tag, attrs):
        node = Node(tag, attrs, self.at)
        self.at.children.append(node)
        if tag not in VOID:
            self.at = node

    def handle_startendtag(self, tag, attrs):
        self.at.children.append(Node(tag, attrs, self.at))

    def handle_endtag(self, tag):
        n = self.at
        while n is not None and n.tag != tag:
            n = n.parent
        if n is not None and n.parent is not None:
            self.at = n.parent

    def handle_data(self, data):
        self.at.children.append(data)


def parse(text):
    b = TreeBuilder()
    b.feed(text)
    return b.root


def by_id(root, ident):
    return root.find(lambda n: n.attrs.get("id") == ident)


# --- what the page must show, from the JSON ---------------------------------

def shown(value, decimals=None):
    if isinstance(value, bool):
        return "true" if value else "false"
    if isinstance(value, (int, float)) and decimals is not None:
        return f"{value:.{decimals}f}"
    return str(value)


def expected_cells(port):
    e = port["errors"]
    lat = port["latency_us"]
    cells = {
        "port": port["port"], "device": port["device"], "result": port["result"],
        "bytes_sent": shown(port["bytes_sent"]), "bytes_received": shown(port["bytes_received"]),
        "line_rate_fraction": shown(port["line_rate_fraction"], 3),
        "latency_median_us": shown(lat["median"], 0 if not isinstance(lat["median"], str) else None),
        "latency_p99_us": shown(lat["p99"], 0 if not isinstance(lat["p99"], str) else None),
        "modem_lines": port["modem_lines"]["result"], "reason": port["reason"],
    }
    for k in ("lost", "corrupt", "duplicate", "reordered", "misrouted", "framing", "parity", "overrun", "break"):
        cells[k] = shown(e[k])
    return cells


def check_dom(root, report):
    """Problems found in the rendered page, as texts; none when it agrees."""
    problems = []
    verdict = by_id(root, "verdict")
    want = "PASS" if report["result"] == "pass" else "FAIL"
    if verdict is None or verdict.text().strip() != want:
        problems.append(f"verdict: page says {verdict.text() if verdict else None!r}, report says {want}")
    if (by_id(root, "interrupted") is not None) != bool(report["interrupted"]):
        problems.append(f"interrupted mark does not match the report ({report['interrupted']})")
    table = by_id(root, "port-table")
    rows = list(table.find_all(lambda n: n.tag == "tr" and "data-port" in n.attrs)) if table else []
    if [r.attrs["data-port"] for r in rows] != [p["port"] for p in report["ports"]]:
        problems.append("the table's ports are not the report's")
    for row, port in zip(rows, report["ports"]):
        failed = port["result"] != "pass"
        cells = {c.attrs["data-field"]: c.text() for c in row.find_all(lambda n: "data-field" in n.attrs)}
        for field, value in expected_cells(port).items():
            if cells.get(field) != value:
                problems.append(f"{port['port']} {field}: page {cells.get(field)!r}, report {value!r}")
        if ("fail" in row.classes()) != failed:
            problems.append(f"{port['port']}: table row not marked as its result ({port['result']})")
        problems += check_marks(root, port, failed)
    problems += check_totals(root, report)
    return problems


def check_marks(root, port, failed):
    name = port["port"]
    problems = []
    tile = root.find(lambda n: n.tag == "a" and "tile" in n.classes() and n.attrs.get("data-port") == name)
    if tile is None or ("passed" in tile.classes()) == failed:
        problems.append(f"{name}: tile not marked as its result")
    figure = root.find(lambda n: n.tag == "figure" and n.attrs.get("data-port") == name)
    if figure is None or ("fail" in figure.classes()) != failed:
        problems.append(f"{name}: chart not marked as its result")
    failing = by_id(root, "failing")
    listed = failing is not None and failing.find(lambda n: n.tag == "tr" and n.attrs.get("data-port") == name)
    if bool(listed) != failed:
        problems.append(f"{name}: {'missing from' if failed else 'wrongly in'} the failing ports")
    if failed and listed and port["events"]:
        first = f"{port['events'][0]['time_s']:.2f} s"
        if first not in listed.text():
            problems.append(f"{name}: the failing list does not say when it went wrong ({first})")
    detail = by_id(root, "port-" + name)
    if failed and detail is not None:
        marks = list(detail.find_all(lambda n: n.tag == "line" and "event" in n.classes()))
        if len(marks) != len(port["events"]):
            problems.append(f"{name}: {len(marks)} event marks, the report has {len(port['events'])} events")
    elif failed:
        problems.append(f"{name}: no detail section")
    return problems


def check_totals(root, report):
    problems = []
    sums = {k: sum(p[k] for p in report["ports"]) for k in ("bytes_sent", "bytes_received")}
    for k in ("lost", "corrupt", "duplicate", "reordered", "misrouted", "framing", "parity", "overrun", "break"):
        sums[k] = sum(p["errors"][k] for p in report["ports"] if isinstance(p["errors"][k], int))
    for cell in root.find_all(lambda n: "data-total" in n.attrs):
        key = cell.attrs["data-total"]
        if cell.text() != str(sums.get(key)):
            problems.append(f"total {key}: page {cell.text()!r}, report {sums.get(key)}")
    return problems


# --- nothing from outside ------------------------------------------------------

LOADING = re.compile(r"""<\s*(script|link|iframe|object|embed|base|audio|video|source|track)\b"""
                     r"""|\b(src|srcset|action|poster|data|xlink:href|background)\s*=|url\s*\(|@import""",
                     re.IGNORECASE)
HREF = re.compile(r"""\bhref\s*=\s*["']?([^"'\s>]*)""", re.IGNORECASE)


def check_source(text):
    """What in the page's own text would make a browser load something."""
    problems = [f"loads something: {m.group(0)!r}" for m in LOADING.finditer(text)]
    problems += [f"link out of the page: {h!r}" for h in HREF.findall(text) if not h.startswith("#")]
    return problems


def page_requests(netlog, page_url):
    """Requests made for the page (not the browser's own), other than the page itself."""
    with open(netlog, encoding="utf-8") as f:
        log = json.load(f)
    kinds = {v: k for k, v in log["constants"]["logEventTypes"].items()}
    urls = []
    for e in log.get("events", []):
        p = e.get("params") or {}
        if kinds.get(e["type"]) == "URL_REQUEST_START_JOB" and "file://" in p.get("network_isolation_key", ""):
            if p.get("url") != page_url:
                urls.append(p.get("url"))
    return urls


# --- the browser -----------------------------------------------------------------

class Browser:
    def __init__(self, exe, work):
        self.exe, self.work, self.runs = exe, work, 0

    def run(self, page, *args):
        self.runs += 1
        profile = os.path.join(self.work, f"profile{self.runs}")
        cmd = [self.exe, "--headless", "--disable-gpu", "--user-data-dir=" + profile,
               "--host-resolver-rules=MAP * ~NOTFOUND", "--disable-background-networking",
               "--disable-component-update", "--disable-sync", "--no-first-run", "--disable-extensions",
               "--hide-scrollbars", *args, "file://" + page]
        if os.geteuid() == 0:
            cmd.insert(1, "--no-sandbox")  # Chromium refuses to run as root with its sandbox
        return subprocess.run(cmd, capture_output=True, text=True, timeout=120)

    def dom(self, page):
        netlog = os.path.join(self.work, f"net{self.runs + 1}.json")
        r = self.run(page, "--log-net-log=" + netlog, "--dump-dom")
        if r.returncode != 0 or "<html" not in r.stdout:
            raise RuntimeError(f"chromium could not load {page}: {r.stderr[-2000:]}")
        return r.stdout, page_requests(netlog, "file://" + page)

    def screenshot(self, page, png, size):
        r = self.run(page, f"--window-size={size}", "--screenshot=" + png)
        if not os.path.exists(png):
            raise RuntimeError(f"chromium made no screenshot of {page}: {r.stderr[-2000:]}")


def check_page(browser, page, report):
    with open(page, encoding="utf-8") as f:
        source = f.read()
    dom, requests = browser.dom(page)
    return check_source(source) + [f"request out of the file: {u}" for u in requests] + check_dom(parse(dom), report)


# --- the runs ----------------------------------------------------------------------

def verify(cli, out, name, board, ports, *args, interrupt=False):
    report, page = os.path.join(out, name + ".json"), os.path.join(out, name + ".html")
    for f in (report, page):
        if os.path.exists(f):
            os.remove(f)
    cmd = [cli, "--virtual-board=" + board, "verify", ports, "--report", report, "--html", page, *args]
    proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if interrupt:
        # The progress line at 5 s of sending: the handler is in place and bytes have moved.
        for line in proc.stderr:
            m = re.match(r"verify: (\d+)\.\d s", line)
            if m and int(m.group(1)) >= 5:
                proc.send_signal(signal.SIGINT)
                break
    stdout, stderr = proc.communicate(timeout=300)
    if not os.path.exists(report) or not os.path.exists(page):
        raise RuntimeError(f"{' '.join(cmd)} wrote no report (exit {proc.returncode}): {stdout}{stderr}")
    with open(report, encoding="utf-8") as f:
        return page, json.load(f)


def make_runs(cli, out):
    runs = {"clean": verify(cli, out, "clean", "ports=8", "COM3-COM10", "--bytes", "20000")}
    runs["faults"] = verify(cli, out, "faults", "noise=2e-7,drop=COM7:1e-3,drop=COM40:1e-2", "COM3-COM98",
                            "--duration", "3s", "--min-rate", "0")
    runs["interrupted"] = verify(cli, out, "interrupted", "ports=8", "COM3-COM10", "--duration", "120s",
                                 interrupt=True)
    return runs


def expect_runs(runs):
    """The runs must be what they are for, or the page checks prove little."""
    problems = []
    clean, faults, stopped = runs["clean"][1], runs["faults"][1], runs["interrupted"][1]
    if clean["result"] != "pass":
        problems.append("the clean run did not pass")
    bad = {p["port"] for p in faults["ports"] if p["result"] != "pass"}
    if not {"COM7", "COM40"} <= bad:
        problems.append(f"the faults run failed {sorted(bad)}, not COM7 and COM40")
    if not stopped["interrupted"]:
        problems.append("the stopped run is not marked interrupted")
    return problems


def self_test(browser, out, page, report):
    """The check must refuse a page with a changed figure and one that loads from outside."""
    problems = []
    with open(page, encoding="utf-8") as f:
        source = f.read()
    port = report["ports"][0]
    cell = f'data-field="bytes_received">{port["bytes_received"]}<'
    changed = source.replace(cell, f'data-field="bytes_received">{port["bytes_received"] + 1}<', 1)
    outside = source.replace("<body>", '<body><img alt="" src="http://example.invalid/pixel.png">', 1)
    # Without the page's own guard, so that the browser really asks for it.
    unguarded = re.sub(r'<meta http-equiv="Content-Security-Policy"[^>]*>', "", outside)
    for name, text in (("changed", changed), ("outside", outside), ("unguarded", unguarded)):
        if text == source:
            problems.append(f"self-test: could not make the {name} page")
            continue
        bad = os.path.join(out, f"selftest-{name}.html")
        with open(bad, "w", encoding="utf-8") as f:
            f.write(text)
        found = check_page(browser, bad, report)
        print(f"self-test {name}: {len(found)} problems found, e.g. {found[:1]}")
        if not found:
            problems.append(f"self-test: the {name} page passed the check")
        if name == "unguarded" and not browser.dom(bad)[1]:
            problems.append("self-test: the network log saw no request of the unguarded page")
    return problems


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--cli", required=True)
    ap.add_argument("--out", required=True)
    args = ap.parse_args()
    exe = shutil.which("chromium") or shutil.which("chromium-browser")
    if not exe:
        print("SKIPPED: chromium is not installed (scripts/bootstrap installs it)")
        return SKIPPED
    os.makedirs(args.out, exist_ok=True)
    with tempfile.TemporaryDirectory() as work:
        browser = Browser(exe, work)
        runs = make_runs(args.cli, args.out)
        problems = expect_runs(runs)
        for name, (page, report) in runs.items():
            found = check_page(browser, page, report)
            problems += [f"{name}: {p}" for p in found]
            browser.screenshot(page, os.path.join(args.out, name + ".png"), "1280,2000")
            browser.screenshot(page, os.path.join(args.out, name + "-phone.png"), "390,1600")
            print(f"{name}: {len(report['ports'])} ports, {len(found)} problems; {page}")
        problems += self_test(browser, args.out, *runs["clean"])
    for p in problems:
        print("FAIL:", p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

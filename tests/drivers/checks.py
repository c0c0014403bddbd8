"""What the guest's results must show. Each check returns a list of
failures (empty: passed); nothing the guest did not write counts as a pass."""

import json
import xml.etree.ElementTree as ET

UARTS = [f"/dev/ttyS{n}" for n in range(4, 12)]
USB = "/dev/ttyUSB0"
CLEAN = UARTS[:6]
BYTES = 100000  # per port, as guest-init.sh sends
UNPLUG_LIMIT_S = 2.0


def read(out, name):
    path = out / name
    return path.read_text(errors="replace") if path.exists() else None


def rc(out, name):
    text = read(out, name + ".rc")
    return text.strip() if text is not None else "missing"


def report(out, name):
    text = read(out, name + ".json")
    try:
        return json.loads(text) if text else None
    except json.JSONDecodeError:
        return None


def by_device(rep):
    return {p["device"]: p for p in rep["ports"]}


def check_ports(r):
    out, fails = r["out"], []
    if rc(out, "ports") != "0":
        return [f"ports: exit status {rc(out, 'ports')}"]
    try:
        listed = {p["device"]: p for p in json.loads(read(out, "ports.log"))}
    except (TypeError, json.JSONDecodeError):
        return ["ports: no JSON list"]
    for dev in UARTS:
        p = listed.get(dev)
        if not p:
            fails.append(f"ports: {dev} not listed")
        elif p["driver"] != "serial" or p["hardware_id"] != "PCI 1b36:0004":
            fails.append(f"ports: {dev} described as {p['description']!r}")
    p = listed.get(USB)
    if not p:
        fails.append(f"ports: {USB} not listed")
    elif p["driver"] != "ftdi_sio" or p["hardware_id"] != "USB 0403:6001" or not p["model"]:
        fails.append(f"ports: {USB} described as {p['description']!r}")
    return fails


def exact_stream(p, lost=0):
    """Faults in a port's counts other than `lost` bytes lost."""
    e = p["errors"]
    fails = [f"{k} {e[k]}" for k in ("corrupt", "duplicate", "reordered", "misrouted") if e[k] != 0]
    if e["lost"] != lost:
        fails.append(f"lost {e['lost']}, expected {lost}")
    for k in ("framing", "parity", "overrun", "break"):
        if e[k] != 0:  # also "not available": an 8250 has its counters
            fails.append(f"{k} {e[k]!r}")
    return fails


def check_clean(r):
    out = r["out"]
    rep = report(out, "clean")
    if rc(out, "clean") != "0" or not rep:
        return [f"clean pairs: exit status {rc(out, 'clean')}, report {'present' if rep else 'missing'}"]
    fails = []
    ports = by_device(rep)
    for dev in CLEAN:
        p = ports.get(dev)
        if not p:
            fails.append(f"clean pairs: {dev} missing from the report")
            continue
        bad = exact_stream(p)
        if p["result"] != "pass" or p["bytes_received"] != BYTES or p["bytes_sent"] != BYTES:
            bad.append(f"{p['result']} ({p['reason']}), {p['bytes_received']} of {p['bytes_sent']} received")
        if p["modem_lines"]["result"] != "skipped":
            bad.append(f"modem lines {p['modem_lines']['result']!r}")
        fails += [f"clean pairs: {dev}: {b}" for b in bad]
    return fails


def check_relayed(r):
    out, dropped = r["out"], r["dropped"]
    rep = report(out, "relayed")
    if rc(out, "relayed") != "1" or not rep:
        return [f"relayed pair: exit status {rc(out, 'relayed')} (a lossy line must fail), "
                f"report {'present' if rep else 'missing'}"]
    if dropped == 0:
        return ["relayed pair: the relay dropped nothing"]
    ports = by_device(rep)
    lossy, clean = ports.get("/dev/ttyS11"), ports.get("/dev/ttyS10")
    if not lossy or not clean:
        return ["relayed pair: a port is missing from the report"]
    fails = [f"relayed pair: ttyS11: {b}" for b in exact_stream(lossy, lost=dropped)]
    if lossy["result"] != "fail" or lossy["bytes_received"] != BYTES - dropped:
        fails.append(f"relayed pair: ttyS11 {lossy['result']} with {lossy['bytes_received']} bytes received")
    fails += [f"relayed pair: ttyS10: {b}" for b in exact_stream(clean)]
    if clean["result"] != "pass":
        fails.append(f"relayed pair: ttyS10 (clean direction) {clean['result']}: {clean['reason']}")
    return fails


def check_gtest(r, name, least):
    """Every case ran (none skipped) and passed; at least `least` of them."""
    out = r["out"]
    text = read(out, name + ".xml")
    if text is None:
        return [f"{name}: no test results (exit status {rc(out, name)})"]
    cases = ET.fromstring(text).iter("testcase")
    ran = skipped = 0
    fails = []
    for c in cases:
        if c.get("result") == "skipped" or c.find("skipped") is not None:
            skipped += 1
            continue
        ran += 1
        for f in c.findall("failure"):
            fails.append(f"{name}: {c.get('classname')}.{c.get('name')}: {f.get('message', '').splitlines()[0]}")
    if skipped:
        fails.append(f"{name}: {skipped} cases skipped")
    if ran < least:
        fails.append(f"{name}: {ran} cases ran, expected at least {least}")
    if rc(out, name) != "0" and not fails:
        fails.append(f"{name}: exit status {rc(out, name)}")
    return fails


def check_unplug(r):
    out = r["out"]
    status = rc(out, "unplug")
    if status != "1":
        said = {"hung": " (hung: the run did not end)", "missing": " (the step did not run to its end)"}
        return [f"unplug: exit status {status}, expected 1{said.get(status, '')}"]
    rep = report(out, "unplug")
    if not rep:
        return ["unplug: no report"]
    p = rep["ports"][0]
    fails = []
    if p["result"] != "fail" or "gone" not in p["reason"]:
        fails.append(f"unplug: port {p['result']} with reason {p['reason']!r}, expected the device gone")
    if p["bytes_received"] == 0:
        fails.append("unplug: nothing moved before the unplug")
    try:
        gone, ended = map(float, read(out, "unplug.times").split())
        if ended - gone > UNPLUG_LIMIT_S:
            fails.append(f"unplug: the run ended {ended - gone:.1f} s after the device went")
    except (AttributeError, ValueError):
        fails.append("unplug: no times")
    return fails


def check_all(r):
    fails = []
    if not r["finished"]:
        # What the host saw of it, to tell a guest that hung from a QEMU that ended.
        ends = ", ".join(f"{name}: {how}" for name, how in r["peer_ends"].items() if how)
        seen = [f"{r['qemu_status']}; host peers ended: {ends or 'none'}"]
        seen += [f"{name}: " + " | ".join(lines) for name, lines in r["log_tails"].items() if lines]
        fails.append("the guest did not finish in time (last console lines: "
                     + " | ".join(r["lines"][-5:]) + ")" + "".join("\n      " + s for s in seen))
    for name, error in r["peer_errors"].items():
        fails.append(f"host peer {name}: {error}")
    for error in r["command_errors"]:
        fails.append(f"monitor command {error}")
    fails += check_ports(r)
    fails += check_clean(r)
    fails += check_relayed(r)
    fails += check_gtest(r, "contract", 12)
    fails += check_gtest(r, "uart", 1)
    fails += check_gtest(r, "session", 6)
    fails += check_unplug(r)
    fails += check_gtest(r, "replug", 1)
    return fails


def summary(fails):
    if not fails:
        return ["test-drivers: every check passed"]
    return [f"FAIL: {f}" for f in fails] + [f"test-drivers: {len(fails)} checks failed"]

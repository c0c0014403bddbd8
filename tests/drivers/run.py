#!/usr/bin/env python3
"""Runs Vesperline on real kernel serial drivers in a QEMU guest and checks
what it reports there (scripts/test-drivers; README "Testing on real kernel
drivers").

Guest: two pci-serial-4x cards (8250_pci: ttyS4-ttyS11) and a usb-serial
adapter on qemu-xhci (ftdi_sio: ttyUSB0). Wiring on the host: ttyS4-ttyS5,
ttyS6-ttyS7 and ttyS8-ttyS9 joined by sockets; ttyS10 -> ttyS11 through a
relay that drops one byte in DROP_EVERY and counts them; ttyUSB0 to a peer
that echoes."""

import argparse
import json
import os
import queue
import shutil
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).parent))
import checks  # noqa: E402
import guest  # noqa: E402
import peers  # noqa: E402

DROP_EVERY = 997
# The same port and serial number each time it is plugged in: the same device.
USB_DEVICE = "usb-serial,id=usbser,chardev=usbchr,bus=xhci.0,port=1,serial=VL26A"


def qemu_command(kernel, initrd, sock, out, accel, probe=False, steps=None):
    cmd = ["qemu-system-x86_64", "-nodefaults", "-no-user-config", "-display", "none", "-no-reboot",
           "-accel", accel, "-m", "1024", "-smp", "2", "-kernel", str(kernel), "-initrd", str(initrd),
           "-append", "console=ttyS0 8250.nr_uarts=32 panic=-1 loglevel=4" + (" vl.probe" if probe else "")
           + (f" vl.steps={steps}" if steps else ""),
           "-chardev", f"socket,id=con,path={sock}/console.sock", "-serial", "chardev:con"]
    if probe:
        return cmd
    cmd += ["-chardev", f"socket,id=mon,path={sock}/monitor.sock", "-mon", "chardev=mon,mode=readline"]
    # Two cards of four ports; a server and a client on one socket join two ports.
    ids = []
    for a, b in [(4, 5), (6, 7), (8, 9)]:
        cmd += ["-chardev", f"socket,id=s{a},path={sock}/pair{a}.sock,server=on,wait=off",
                "-chardev", f"socket,id=s{b},path={sock}/pair{a}.sock"]
        ids += [a, b]
    cmd += ["-chardev", f"socket,id=s10,path={sock}/relay-a.sock",
            "-chardev", f"socket,id=s11,path={sock}/relay-b.sock"]
    cmd += ["-device", "pci-serial-4x,addr=0x10," + ",".join(f"chardev{i + 1}=s{n}" for i, n in enumerate(range(4, 8))),
            "-device", "pci-serial-4x,addr=0x11," + ",".join(f"chardev{i + 1}=s{n}" for i, n in enumerate(range(8, 12)))]
    cmd += ["-device", "qemu-xhci,id=xhci,addr=0x12",
            "-chardev", f"socket,id=usbchr,path={sock}/echo.sock", "-device", USB_DEVICE]
    cmd += ["-fsdev", f"local,id=vlout,path={out},security_model=none",
            "-device", "virtio-9p-pci,fsdev=vlout,mount_tag=vlout,addr=0x13"]
    return cmd


def kvm_works(kernel, initrd, work, timeout=10):
    """KVM only where a guest under it gets as far as its init (in a second
    or two where it works). The answer is kept for this host kernel, QEMU and
    guest kernel."""
    if not os.access("/dev/kvm", os.R_OK | os.W_OK):
        return False
    qemu = subprocess.run(["qemu-system-x86_64", "--version"], capture_output=True, text=True).stdout.split("\n")[0]
    key = f"{os.uname().release} | {qemu} | {kernel.name}"
    cached = work / "kvm-probe"
    if cached.exists() and cached.read_text().startswith(key + " = "):
        return cached.read_text().strip().endswith("= yes")
    ok = probe_kvm(kernel, initrd, work, timeout)
    cached.write_text(f"{key} = {'yes' if ok else 'no'}\n")
    return ok


def probe_kvm(kernel, initrd, work, timeout):
    sock = Path(tempfile.mkdtemp(prefix="vl-kvm-"))
    try:
        with open(work / "kvm-probe.log", "wb") as log:
            console = peers.Console(sock / "console.sock", log, lambda line: None)
            console.start()
            proc = subprocess.Popen(qemu_command(kernel, initrd, sock, None, "kvm", probe=True),
                                    stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
            ok = console.wait_for("@@VL init", timeout)
            stop(proc)
            console.stop()
            return ok
    finally:
        shutil.rmtree(sock, ignore_errors=True)


def stop(proc, grace=5):
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(grace)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def run_guest(kernel, initrd, work, accel, timeout, steps=None):
    out = work / "out"
    shutil.rmtree(out, ignore_errors=True)
    out.mkdir(parents=True)
    sock = Path(tempfile.mkdtemp(prefix="vl-drivers-"))
    logs = [open(work / name, "wb") for name in ("console.log", "monitor.log", "qemu.log")]
    console_log, monitor_log, qemu_log = logs
    relay = peers.Relay(sock / "relay-a.sock", sock / "relay-b.sock", DROP_EVERY)
    echo = peers.Echo([sock / "echo.sock"])
    monitor = peers.Monitor(sock / "monitor.sock", monitor_log)
    asks = {"@@VL unplug": "device_del usbser", "@@VL plug": "device_add " + USB_DEVICE}
    # The monitor's commands are sent from a thread of their own: retrying one
    # takes seconds, and the console is read all the while.
    commands = queue.Queue()
    command_errors = []

    def send_commands():
        while (text := commands.get()) is not None:
            try:
                monitor.command_until_accepted(text)
            except Exception as e:  # reported by the checks
                command_errors.append(f"{text!r}: {e!r}")

    def on_line(line):
        if line in asks:
            # What was in flight to an unplugged adapter is lost with it.
            echo.muted = line == "@@VL unplug"
            commands.put(asks[line])

    console = peers.Console(sock / "console.sock", console_log, on_line)
    started = [relay, echo, monitor, console]
    for p in started:
        p.start()
    sender = threading.Thread(target=send_commands, daemon=True)
    sender.start()
    proc = subprocess.Popen(qemu_command(kernel, initrd, sock, out, accel, steps=steps), stdout=qemu_log,
                            stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
    began = time.monotonic()
    finished = console.wait_for("@@VL end", timeout)
    try:
        crashed = proc.wait(10) != 0  # a power-off ends it with 0
        qemu_status = f"QEMU exited with status {proc.returncode}"
    except subprocess.TimeoutExpired:
        crashed = False
        qemu_status = "QEMU was still running and was stopped"
    ends = {p.__class__.__name__: p.ended for p in started}  # before QEMU is stopped
    stop(proc)
    commands.put(None)
    sender.join(15)
    for p in started:
        p.stop()
    for log in logs:
        log.close()
    shutil.rmtree(sock, ignore_errors=True)
    dropped, forwarded = relay.counts()
    return {"finished": finished, "seconds": time.monotonic() - began, "lines": console.lines,
            "dropped": dropped, "forwarded": forwarded, "out": out,
            "peer_errors": {p.__class__.__name__: repr(p.error) for p in started if p.error},
            "command_errors": command_errors, "qemu_status": qemu_status, "qemu_crashed": crashed,
            "peer_ends": ends,
            "log_tails": {name: tail(work / name) for name in ("qemu.log", "monitor.log")}}


def tail(path, lines=6):
    """The last lines of a log, without the monitor's echo of what was typed
    (those lines are all line-editing escapes)."""
    text = path.read_text(errors="replace").splitlines()
    return [line for line in text if line.strip() and "\x1b[" not in line][-lines:]


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--build", default="build/nogui", help="build tree with the programs")
    parser.add_argument("--work", default="build/drivers", help="where the guest and its results are kept")
    parser.add_argument("--accel", choices=["auto", "kvm", "tcg"], default="auto")
    parser.add_argument("--steps", help="run only these guest steps (comma-separated; the checks of the others fail)")
    args = parser.parse_args()
    work = Path(args.work).resolve()
    (work / "cache").mkdir(parents=True, exist_ok=True)
    root, version, kernel = guest.fetch_kernel(work / "cache")
    initrd = guest.build_initramfs(work, Path(args.build).resolve(), root, version,
                                   Path(__file__).parent / "guest-init.sh")
    accel = args.accel
    if accel == "auto":
        accel = "kvm" if kvm_works(kernel, initrd, work) else "tcg"
    # Generous under emulation; the guest's own steps each have deadlines too.
    timeout = 120 if accel == "kvm" else 210
    print(f"test-drivers: kernel {version}, {accel}, guest time-out {timeout} s", flush=True)
    result = run_guest(kernel, initrd, work, accel, timeout, args.steps)
    if not result["finished"] and result["qemu_crashed"]:
        # The emulator failing is no verdict on the drivers or on Vesperline:
        # said, and the guest is run once more from the start.
        print(f"test-drivers: {result['qemu_status']} before the guest finished "
              f"(qemu.log: {' | '.join(tail(work / 'qemu.log')) or 'empty'}); running the guest again", flush=True)
        result = run_guest(kernel, initrd, work, accel, timeout, args.steps)
    print(f"test-drivers: guest ran {result['seconds']:.0f} s; relay dropped {result['dropped']} bytes; "
          f"console in {work / 'console.log'}", flush=True)
    failures = checks.check_all(result)
    for line in checks.summary(failures):
        print(line)
    (work / "result.json").write_text(json.dumps({"failures": failures, "dropped": result["dropped"]}, indent=2))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

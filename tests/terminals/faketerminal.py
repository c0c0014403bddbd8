#!/usr/bin/env python3
"""A stand-in terminal program for the terminals benchmark's tests.

    faketerminal.py MODE DEVICE LOG

Logs what DEVICE receives into LOG and quits on "q" from its keyboard.
MODE: faithful (writes as it reads), buffered (writes the log as it quits),
lossy (drops every 1000th byte), early (ends after 32 KiB), silent (ends at
once without saying it is ready)."""
import os
import select
import sys
import tty

mode, device, log = sys.argv[1:4]
if mode == "silent":
    sys.exit(3)
fd = os.open(device, os.O_RDWR | os.O_NOCTTY)
tty.setraw(fd)
tty.setraw(0)
held = bytearray()
count = 0
with open(log, "wb", buffering=0) as out:
    os.write(1, b"fake terminal\r\nTerminal ready\r\n")
    while True:
        ready, _, _ = select.select([fd, 0], [], [])
        if fd in ready:
            data = os.read(fd, 4096)
            count += len(data)
            if mode == "lossy":
                data = bytes(b for i, b in enumerate(data, count - len(data)) if i % 1000 != 999)
            if mode == "buffered":
                held += data
            else:
                out.write(data)
            if mode == "early" and count >= 32768:
                sys.exit(0)
        if 0 in ready and b"q" in os.read(0, 64):
            out.write(held)
            break

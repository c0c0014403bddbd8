#!/usr/bin/env python3
"""A line between two pseudo-terminals whose traffic is copied across,
dropping every DROP_EVERY-th byte in each direction (0: none).

    lossyrelay.py NAMEFILE [DROP_EVERY]

Writes the two device paths (one per line) to NAMEFILE once both ends are
ready, then relays until killed. Each direction has a thread of its own, as
a cable has a wire each way: an end that does not read holds up only what
is sent to it, never what it sends."""
import os
import sys
import threading
import tty


def open_end():
    master, slave = os.openpty()
    tty.setraw(slave)  # kept open: no hang-up while the other side reopens
    return master, slave, os.ttyname(slave)


def relay(src, dst, drop_every):
    count = 0
    while True:
        try:
            data = os.read(src, 4096)
        except OSError:
            continue
        kept = bytearray()
        for byte in data:
            count += 1
            if not drop_every or count % drop_every:
                kept.append(byte)
        view = memoryview(bytes(kept))
        while view:
            view = view[os.write(dst, view):]


def main():
    name_file = sys.argv[1]
    drop_every = int(sys.argv[2]) if len(sys.argv) > 2 else 1000
    a, a_slave, a_path = open_end()
    b, b_slave, b_path = open_end()
    for src, dst in ((a, b), (b, a)):
        threading.Thread(target=relay, args=(src, dst, drop_every), daemon=True).start()
    tmp = name_file + ".tmp"
    with open(tmp, "w") as f:
        f.write(a_path + "\n" + b_path + "\n")
    os.rename(tmp, name_file)
    threading.Event().wait()


if __name__ == "__main__":
    main()
